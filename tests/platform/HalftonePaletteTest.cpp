#include "platform/graphics/HalftonePalette.h"
#include "platform/graphics/Bitmap.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

namespace {

// The plain search: the entry at the smallest squared distance, the lowest index among equals.
int NearestByScan(const TPalette& Palette, int Red, int Green, int Blue)
{
    int Best = 0;
    int BestDistance = 1 << 30;
    for (int Index = 0; Index < Palette.Count(); ++Index) {
        const TPaletteEntry& Entry = Palette[Index];
        const int Distance = (Red - Entry.peRed) * (Red - Entry.peRed) +
                             (Green - Entry.peGreen) * (Green - Entry.peGreen) +
                             (Blue - Entry.peBlue) * (Blue - Entry.peBlue);
        if (Distance < BestDistance) {
            Best = Index;
            BestDistance = Distance;
        }
    }
    return Best;
}

} // namespace

TEST(HalftonePalette, IsACubeAndGreys)
{
    const TPalette& Palette = HalftonePalette();
    ASSERT_EQ(Palette.Count(), 256);
    EXPECT_EQ(Palette[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(Palette[215], (TPaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(Palette[51], (TPaletteEntry{51, 102, 153, 0}));
    EXPECT_EQ(Palette[216], (TPaletteEntry{6, 6, 6, 0}));
    EXPECT_EQ(Palette[223], (TPaletteEntry{45, 45, 45, 0}));
    EXPECT_EQ(Palette[224], (TPaletteEntry{57, 57, 57, 0}));
    EXPECT_EQ(Palette[255], (TPaletteEntry{249, 249, 249, 0}));
    std::set<std::tuple<int, int, int>> Distinct;
    for (const TPaletteEntry& Entry : Palette.Entries()) Distinct.insert({Entry.peRed, Entry.peGreen, Entry.peBlue});
    EXPECT_EQ(Distinct.size(), 256u);
}

TEST(HalftonePalette, StandardColorsInTheirOrder)
{
    const TPalette& Palette = StandardColorPalette();
    ASSERT_EQ(Palette.Count(), 16);
    EXPECT_EQ(Palette[1], (TPaletteEntry{128, 0, 0, 0}));
    EXPECT_EQ(Palette[7], (TPaletteEntry{192, 192, 192, 0}));
    EXPECT_EQ(Palette[8], (TPaletteEntry{128, 128, 128, 0}));
    EXPECT_EQ(Palette[12], (TPaletteEntry{0, 0, 255, 0}));
    EXPECT_EQ(Palette[15], (TPaletteEntry{255, 255, 255, 0}));
}

TEST(HalftoneMap, AgreesWithThePlainSearch)
{
    const THalftoneMap& Map = THalftoneMap::Instance();
    const TPalette& Palette = HalftonePalette();
    // Every grey and near-grey, where cube and grey entries compete, then a lattice through the cube.
    for (int Level = 0; Level < 256; ++Level)
        for (int Red = -3; Red <= 3; ++Red)
            for (int Blue = -3; Blue <= 3; ++Blue) {
                const int R = std::clamp(Level + Red, 0, 255), B = std::clamp(Level + Blue, 0, 255);
                ASSERT_EQ(Map.Index(std::uint8_t(R), std::uint8_t(Level), std::uint8_t(B)),
                          NearestByScan(Palette, R, Level, B))
                    << R << "," << Level << "," << B;
            }
    for (int Red = 0; Red < 256; Red += 5)
        for (int Green = 1; Green < 256; Green += 6)
            for (int Blue = 2; Blue < 256; Blue += 7)
                ASSERT_EQ(Map.Index(std::uint8_t(Red), std::uint8_t(Green), std::uint8_t(Blue)),
                          NearestByScan(Palette, Red, Green, Blue))
                    << Red << "," << Green << "," << Blue;
}

TEST(HalftoneMap, EightBitConversionPicksTheNearestEntry)
{
    std::mt19937 Random(2024);
    for (int Width : {1, 2, 3, 5, 7, 33, 61, 257})
        for (int Height : {1, 3, 5}) {
            const TBitmap Original = MakeRandomBitmap(Width, Height, 24, Random());
            TBitmap Eight = Original;
            Eight.SetPixelFormat(pf8bit);
            for (int Y = 0; Y < Height; ++Y)
                for (int X = 0; X < Width; ++X) {
                    const std::uint8_t* Pixel = Original.ScanLine(Y) + 3 * X;
                    ASSERT_EQ(Eight.ScanLine(Y)[X], NearestByScan(HalftonePalette(), Pixel[2], Pixel[1], Pixel[0]))
                        << X << "," << Y << " of " << Width << "x" << Height;
                }
        }
}

// The whole-row conversion, block kernels and plain tails alike, against the map, on all but 12288 of
// the 2^24 colours.
TEST(HalftoneMap, EveryColourConvertsAsTheMapGivesIt)
{
    constexpr int Side = 4096;
    TBitmap Colours;
    Colours.SetLayout(Side - 3, Side, 24); // rows of 4093 pixels: every row ends in a tail
    std::uint32_t Colour = 0;
    for (int Y = 0; Y < Side; ++Y) {
        std::uint8_t* Row = Colours.ScanLine(Y);
        for (int X = 0; X < Side - 3; ++X, ++Colour) {
            const std::uint32_t Spread = Colour * 2654435761u; // every colour, out of order
            Row[3 * X] = std::uint8_t(Spread);
            Row[3 * X + 1] = std::uint8_t(Spread >> 8);
            Row[3 * X + 2] = std::uint8_t(Spread >> 16);
        }
    }
    TBitmap Eight = Colours;
    Eight.SetPixelFormat(pf8bit);
    const THalftoneMap& Map = THalftoneMap::Instance();
    for (int Y = 0; Y < Side; ++Y)
        for (int X = 0; X < Side - 3; ++X) {
            const std::uint8_t* Pixel = Colours.ScanLine(Y) + 3 * X;
            ASSERT_EQ(Eight.ScanLine(Y)[X], Map.Index(Pixel[2], Pixel[1], Pixel[0])) << X << "," << Y;
        }
}
