#include "engine/GeometryKernels.h"
#include "tests/engine/reference/Reference.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const int Depths[] = {1, 4, 8, 16, 24, 32};
// Up to 131 rows, so that quarter turns read more than one band of source rows and more than one tile
// of whole 8 × 8 blocks; widths of 16 and 32 leave no middle between the mirrored blocks of 8.
const std::pair<int, int> Sizes[] = {{1, 1},   {1, 7},  {7, 1},  {2, 3},   {3, 2},   {5, 9},   {9, 5},
                                     {13, 17}, {33, 3}, {16, 8}, {32, 19}, {67, 45}, {45, 67}, {70, 131}};

TBitmap Like(const TBitmap& Source, int Width, int Height)
{
    TBitmap Result;
    Result.SetLayout(Width, Height, Source.BitCount());
    return Result;
}

TBitmap Turned(const TBitmap& Source, int Angle)
{
    TBitmap Target =
        Angle == 180 ? Like(Source, Source.Width(), Source.Height()) : Like(Source, Source.Height(), Source.Width());
    TurnPixels(Source, Target, Angle);
    return Target;
}

TBitmap Reversed(const TBitmap& Source)
{
    TBitmap Target = Source;
    ReversePixels(Target);
    return Target;
}

TBitmap Resampled(const TBitmap& Source, int Width, int Height, bool Bilinear)
{
    TBitmap Target;
    Target.SetLayout(Width, Height, 24);
    if (Bilinear)
        BilinearPixels(Source, Target);
    else
        AreaAveragePixels(Source, Target);
    return Target;
}

TBitmap Row24(std::initializer_list<int> Levels)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(int(Levels.size()), 1, 24);
    int X = 0;
    for (const int L : Levels) {
        for (int C = 0; C < 3; ++C) SetLevel(Bitmap, X, 0, C, L);
        ++X;
    }
    return Bitmap;
}

} // namespace

TEST(Turn, MatchesReferenceAtEveryDepth)
{
    std::uint32_t Seed = 500;
    for (const int Depth : Depths)
        for (const auto& [Width, Height] : Sizes)
            for (const int Angle : {90, 180, 270}) {
                const TBitmap Source = MakeRandomBitmap(Width, Height, Depth, Seed++);
                EXPECT_TRUE(SamePixels(Turned(Source, Angle), ReferenceTurn(Source, Angle)))
                    << Depth << " bits " << Width << "x" << Height << " by " << Angle;
            }
}

TEST(Turn, QuarterTurnsBackAndForthRestoreThePicture)
{
    std::uint32_t Seed = 600;
    for (const int Depth : Depths)
        for (const auto& [Width, Height] : Sizes) {
            const TBitmap Source = MakeRandomBitmap(Width, Height, Depth, Seed++);
            EXPECT_TRUE(SamePixels(Turned(Turned(Source, 90), 270), Source)) << Depth << " bits";
            EXPECT_TRUE(SamePixels(Turned(Turned(Source, 180), 180), Source)) << Depth << " bits";
        }
}

TEST(Turn, ClockwiseQuarterByHand)
{
    // 2 × 3, 8 bits: rows (1 2) (3 4) (5 6) turn clockwise into rows (5 3 1) (6 4 2).
    TBitmap Source;
    Source.SetLayout(2, 3, 8);
    for (int I = 0; I < 6; ++I) Source.ScanLine(I / 2)[I % 2] = std::uint8_t(I + 1);
    const TBitmap Result = Turned(Source, 90);
    ASSERT_EQ(Result.Width(), 3);
    ASSERT_EQ(Result.Height(), 2);
    const int Expected[2][3] = {{5, 3, 1}, {6, 4, 2}};
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 3; ++X) EXPECT_EQ(Result.ScanLine(Y)[X], Expected[Y][X]);
    const TBitmap Back = Turned(Source, 270);
    EXPECT_EQ(Back.ScanLine(0)[0], 2);
    EXPECT_EQ(Back.ScanLine(1)[2], 5);
}

TEST(Turn, OneBitPixelsKeepTheirNeighboursInTheByte)
{
    // 1 × 5 column, one white pixel at the top: turned clockwise it becomes the last of 5 bits.
    TBitmap Source;
    Source.SetLayout(1, 5, 1);
    Source.ScanLine(0)[0] = 0x80;
    Source.ScanLine(2)[0] = 0x80;
    const TBitmap Result = Turned(Source, 90);
    EXPECT_EQ(Result.ScanLine(0)[0], 0x28);
}

TEST(Reverse, MatchesReferenceAndTwiceRestores)
{
    std::uint32_t Seed = 700;
    for (const int Depth : Depths)
        for (const auto& [Width, Height] : Sizes) {
            const TBitmap Source = MakeRandomBitmap(Width, Height, Depth, Seed++);
            EXPECT_TRUE(SamePixels(Reversed(Source), ReferenceReverse(Source))) << Depth << " bits";
            EXPECT_TRUE(SamePixels(Reversed(Reversed(Source)), Source)) << Depth << " bits";
        }
}

TEST(Crop, CopiesThePartAtEveryDepth)
{
    for (const int Depth : Depths) {
        const TBitmap Source = MakeRandomBitmap(13, 9, Depth, 800 + std::uint32_t(Depth));
        TBitmap Part = Like(Source, 5, 4);
        CropPixels(Source, Part, 3, 2);
        // Cropping the mirrored picture at the mirrored place gives the mirrored part.
        const TBitmap Mirror = Reversed(Source);
        TBitmap MirrorPart = Like(Source, 5, 4);
        CropPixels(Mirror, MirrorPart, 13 - 3 - 5, 2);
        EXPECT_TRUE(SamePixels(Reversed(Part), MirrorPart)) << Depth << " bits";
    }
}

TEST(BilinearResize, MatchesReferenceOnRandomPictures)
{
    std::uint32_t Seed = 900;
    for (const auto& [Width, Height] : Sizes)
        for (const auto& [NewWidth, NewHeight] :
             {std::pair{Width, Height}, std::pair{Width + 1, Height * 2}, std::pair{Width * 3 + 2, Height + 5}}) {
            const TBitmap Source = MakeRandomBitmap(Width, Height, 24, Seed++);
            EXPECT_TRUE(SamePixels(Resampled(Source, NewWidth, NewHeight, true),
                                   ReferenceBilinear(Source, NewWidth, NewHeight)))
                << Width << "x" << Height << " to " << NewWidth << "x" << NewHeight;
        }
    // A result large enough to be made in bands on several threads.
    const TBitmap Source = MakeRandomBitmap(301, 203, 24, Seed);
    EXPECT_TRUE(SamePixels(Resampled(Source, 1031, 1025, true), ReferenceBilinear(Source, 1031, 1025)));
}

TEST(BilinearResize, OwnSizeIsIdentityAndDoublingInterpolates)
{
    const TBitmap Source = MakeRandomBitmap(9, 5, 24, 77);
    EXPECT_TRUE(SamePixels(Resampled(Source, 9, 5, true), Source));
    // 0 and 100 doubled: centres at -0.25, 0.25, 0.75, 1.25 give 0, 25, 75, 100.
    const TBitmap Wide = Resampled(Row24({0, 100}), 4, 1, true);
    EXPECT_EQ(Level(Wide, 0, 0, 0), 0);
    EXPECT_EQ(Level(Wide, 1, 0, 0), 25);
    EXPECT_EQ(Level(Wide, 2, 0, 0), 75);
    EXPECT_EQ(Level(Wide, 3, 0, 0), 100);
    // 0 and 1 doubled: 0.25 and 0.75 round to 0 and 1; 0 and 2 give 0.5 and 1.5, both halves to even.
    const TBitmap Halves = Resampled(Row24({0, 2}), 4, 1, true);
    EXPECT_EQ(Level(Halves, 1, 0, 1), 0);
    EXPECT_EQ(Level(Halves, 2, 0, 1), 2);
}

TEST(AreaAverageResize, MatchesReferenceOnRandomPictures)
{
    std::uint32_t Seed = 1000;
    for (const auto& [Width, Height] : Sizes)
        for (const auto& [NewWidth, NewHeight] :
             {std::pair{Width, Height}, std::pair{(Width + 1) / 2, (Height + 1) / 2}, std::pair{1, 1},
              std::pair{(Width * 2 + 2) / 3, Height}}) {
            const TBitmap Source = MakeRandomBitmap(Width, Height, 24, Seed++);
            EXPECT_TRUE(SamePixels(Resampled(Source, NewWidth, NewHeight, false),
                                   ReferenceAreaAverage(Source, NewWidth, NewHeight)))
                << Width << "x" << Height << " to " << NewWidth << "x" << NewHeight;
        }
    const TBitmap Source = MakeRandomBitmap(1547, 1537, 24, Seed);
    EXPECT_TRUE(SamePixels(Resampled(Source, 1031, 1025, false), ReferenceAreaAverage(Source, 1031, 1025)));
}

TEST(AreaAverageResize, ShortenedSpansRoundAsWorkedOut)
{
    const TBitmap Half = Resampled(Row24({0, 100, 200, 255}), 2, 1, false);
    EXPECT_EQ(Level(Half, 0, 0, 0), 50);
    EXPECT_EQ(Level(Half, 1, 0, 2), 227);
    const TBitmap Source = MakeRandomBitmap(11, 7, 24, 78);
    EXPECT_TRUE(SamePixels(Resampled(Source, 11, 7, false), Source));
}
