#include "reduce/Reduce.h"
#include "tests/reduce/ReduceTestSupport.h"

#include <gtest/gtest.h>

TEST(StaticPalette, IndexTablesFollowTheLevelRanges)
{
    // First and last value of every range, by hand.
    const int RedEnds[6][2] = {{0, 25}, {26, 76}, {77, 127}, {128, 178}, {179, 230}, {231, 255}};
    const int GreenEnds[7][2] = {{0, 21}, {22, 63}, {64, 106}, {107, 149}, {150, 192}, {193, 233}, {234, 255}};
    const int BlueEnds[5][2] = {{0, 31}, {32, 95}, {96, 159}, {160, 223}, {224, 255}};
    for (int Level = 0; Level < 6; ++Level)
        for (int V = RedEnds[Level][0]; V <= RedEnds[Level][1]; ++V) EXPECT_EQ(RedIndex[std::size_t(V)], Level) << V;
    for (int Level = 0; Level < 7; ++Level)
        for (int V = GreenEnds[Level][0]; V <= GreenEnds[Level][1]; ++V)
            EXPECT_EQ(GreenIndex[std::size_t(V)], Level) << V;
    for (int Level = 0; Level < 5; ++Level)
        for (int V = BlueEnds[Level][0]; V <= BlueEnds[Level][1]; ++V) EXPECT_EQ(BlueIndex[std::size_t(V)], Level) << V;
}

TEST(StaticPalette, EveryLevelMapsToItself)
{
    for (std::size_t L = 0; L < RedLevel.size(); ++L) EXPECT_EQ(RedIndex[RedLevel[L]], L);
    for (std::size_t L = 0; L < GreenLevel.size(); ++L) EXPECT_EQ(GreenIndex[GreenLevel[L]], L);
    for (std::size_t L = 0; L < BlueLevel.size(); ++L) EXPECT_EQ(BlueIndex[BlueLevel[L]], L);
}

TEST(StaticPalette, Holds210EntriesRedOutermost)
{
    const TPalette& Palette = StaticPalette();
    ASSERT_EQ(Palette.Count(), 210);
    EXPECT_EQ(Palette[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(Palette[209], (TPaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(Palette[1], (TPaletteEntry{0, 0, 64, 0}));
    EXPECT_EQ(Palette[5], (TPaletteEntry{0, 43, 0, 0}));
    EXPECT_EQ(Palette[35], (TPaletteEntry{51, 0, 0, 0}));
    // 3 × 35 + 2 × 5 + 3
    EXPECT_EQ(Palette[118], (TPaletteEntry{153, 85, 192, 0}));
}

TEST(StaticColorIndex, WorkedExamples)
{
    EXPECT_EQ(StaticColorIndex(Packed({0, 0, 0})), 0);
    EXPECT_EQ(StaticColorIndex(Packed({255, 255, 255})), 209);
    EXPECT_EQ(StaticColorIndex(Packed({230, 234, 32})), 171);
    // The top byte carries nothing.
    EXPECT_EQ(StaticColorIndex(0xAB000000u | Packed({230, 234, 32})), 171);
}

TEST(QuantizeToStaticColor, MapsThroughTheLevels)
{
    TQuantizeToStaticColor Quantizer;
    std::uint8_t Pixel[3];
    Quantizer.Quantize(Packed({230, 234, 32}), Pixel);
    EXPECT_EQ(RgbAt(Pixel), (TRgb{204, 255, 64}));
    Quantizer.Quantize(Packed({153, 85, 192}), Pixel);
    EXPECT_EQ(RgbAt(Pixel), (TRgb{153, 85, 192}));
}
