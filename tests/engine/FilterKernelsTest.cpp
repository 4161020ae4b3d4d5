#include "engine/FilterKernels.h"
#include "tests/engine/reference/Reference.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct TSize2
{
    int Width, Height;
};

// Odd and tiny sizes, so that row padding and every clipped window are exercised; 18 and 34 wide rows
// hold exactly one and two runs of 16 interior pixels, 67 wide ones four and one left over.
const std::vector<TSize2> Sizes = {{1, 1}, {1, 5}, {5, 1},  {2, 2},   {2, 3},  {3, 2},  {3, 3},  {5, 7},
                                   {7, 5}, {9, 4}, {10, 3}, {17, 11}, {18, 4}, {31, 2}, {34, 7}, {67, 45}};

TBitmap Picture24(int Width, int Height, std::initializer_list<int> Levels)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    auto Level = Levels.begin();
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            for (int C = 0; C < 3; ++C) SetLevel(Bitmap, X, Y, C, *Level++);
    return Bitmap;
}

TBitmap Uniform(int Width, int Height, int Blue, int Green, int Red)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            SetLevel(Bitmap, X, Y, 0, Blue);
            SetLevel(Bitmap, X, Y, 1, Green);
            SetLevel(Bitmap, X, Y, 2, Red);
        }
    return Bitmap;
}

// Runs a kernel that reads one bitmap and writes another of the same size.
TBitmap Filtered(const TBitmap& Source, const std::function<void(const TBitmap&, TBitmap&)>& Kernel)
{
    TBitmap Target;
    Target.SetLayout(Source.Width(), Source.Height(), 24);
    Kernel(Source, Target);
    return Target;
}

// A picture with few distinct levels, so that equal channel sums of different colours are common.
TBitmap FewLevels(int Width, int Height, std::uint32_t Seed)
{
    TBitmap Bitmap = MakeRandomBitmap(Width, Height, 24, Seed);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < 3 * Width; ++X) Bitmap.ScanLine(Y)[X] = std::uint8_t(Bitmap.ScanLine(Y)[X] % 3 * 40);
    return Bitmap;
}

} // namespace

TEST(Blur, MatchesReferenceOnRandomPictures)
{
    std::uint32_t Seed = 1;
    for (const auto& Size : Sizes) {
        const TBitmap Source = MakeRandomBitmap(Size.Width, Size.Height, 24, Seed++);
        EXPECT_TRUE(SamePixels(Filtered(Source, ApplyBlur), ReferenceBlur(Source))) << Size.Width << "x" << Size.Height;
    }
}

TEST(Blur, AveragesOverThePixelsInside)
{
    EXPECT_TRUE(SamePixels(Filtered(Picture24(1, 1, {7, 8, 9}), ApplyBlur), Picture24(1, 1, {7, 8, 9})));
    // 2 × 2: every pixel is a corner and averages the four, truncating: (10 + 20 + 30 + 41) div 4 = 25.
    const TBitmap Result = Filtered(Picture24(2, 2, {10, 0, 0, 20, 0, 0, 30, 0, 0, 41, 0, 0}), ApplyBlur);
    EXPECT_EQ(Level(Result, 0, 0, 0), 25);
    EXPECT_EQ(Level(Result, 1, 1, 0), 25);
    // 3 × 1: the ends average two pixels, the middle three.
    const TBitmap Line = Filtered(Picture24(3, 1, {0, 0, 0, 90, 0, 0, 255, 0, 0}), ApplyBlur);
    EXPECT_EQ(Level(Line, 0, 0, 0), 45);
    EXPECT_EQ(Level(Line, 1, 0, 0), 115);
    EXPECT_EQ(Level(Line, 2, 0, 0), 172);
}

TEST(Edge, MatchesReferenceOnRandomPictures)
{
    std::uint32_t Seed = 100;
    for (const int EdgeLevel : {1, 37, 100})
        for (const auto& Size : Sizes) {
            const TBitmap Source = MakeRandomBitmap(Size.Width, Size.Height, 24, Seed++);
            const TBitmap Result = Filtered(Source, [&](auto& S, auto& T) { ApplyEdge(S, T, EdgeLevel); });
            EXPECT_TRUE(SamePixels(Result, ReferenceEdge(Source, EdgeLevel))) << Size.Width << "x" << Size.Height;
        }
}

TEST(Edge, SharpensASinglePixelAndKeepsTheBorder)
{
    TBitmap Source = Uniform(5, 5, 0, 0, 0);
    SetLevel(Source, 2, 2, 0, 40);
    SetLevel(Source, 2, 2, 1, 60);
    SetLevel(Source, 1, 0, 2, 99);
    const TBitmap Result = Filtered(Source, [](auto& S, auto& T) { ApplyEdge(S, T, 100); });
    EXPECT_EQ(Level(Result, 2, 2, 0), 200); // 5 × 40
    EXPECT_EQ(Level(Result, 2, 2, 1), 255); // 5 × 60 clamped
    EXPECT_EQ(Level(Result, 2, 1, 0), 0);   // -40 clamped
    EXPECT_EQ(Level(Result, 1, 0, 2), 99);  // border row copied
    // Level 50 of a -40 step: (-40) × 50 div 100 = -20, truncated toward zero: 0 - 20 clamps to 0; at
    // the centre 40 + 160 × 50 div 100 = 120.
    const TBitmap Half = Filtered(Source, [](auto& S, auto& T) { ApplyEdge(S, T, 50); });
    EXPECT_EQ(Level(Half, 2, 2, 0), 120);
}

TEST(Edge, TruncatesNegativeStepsTowardZero)
{
    // Centre 100, neighbours 101, 100, 100, 100: 4 × 100 - 401 = -1, × 1 div 100 is 0 (not -1).
    TBitmap Source = Uniform(3, 3, 100, 100, 100);
    SetLevel(Source, 1, 0, 0, 101);
    const TBitmap Result = Filtered(Source, [](auto& S, auto& T) { ApplyEdge(S, T, 1); });
    EXPECT_EQ(Level(Result, 1, 1, 0), 100);
    const TBitmap Full = Filtered(Source, [](auto& S, auto& T) { ApplyEdge(S, T, 100); });
    EXPECT_EQ(Level(Full, 1, 1, 0), 99);
}

TEST(Median, MatchesReferenceOnRandomPictures)
{
    std::uint32_t Seed = 200;
    for (const int MedianLevel : {0, 50, 100})
        for (const auto& Size : Sizes) {
            for (const TBitmap& Source :
                 {MakeRandomBitmap(Size.Width, Size.Height, 24, Seed), FewLevels(Size.Width, Size.Height, Seed)}) {
                const TBitmap Result = Filtered(Source, [&](auto& S, auto& T) { ApplyMedian(S, T, MedianLevel); });
                EXPECT_TRUE(SamePixels(Result, ReferenceMedian(Source, MedianLevel)))
                    << Size.Width << "x" << Size.Height << " level " << MedianLevel;
            }
            ++Seed;
        }
}

TEST(Median, TiesAreLeftWhereTheExchangeLoopPutsThem)
{
    // (red, green, blue) row by row; stored blue first. Four pixels share the median sum 180; the
    // exchanges leave the second of them, (30, 60, 90), in the middle, not the first (90, 60, 30).
    const int RedGreenBlue[9][3] = {{90, 60, 30}, {30, 60, 90},    {10, 10, 10}, {30, 60, 90}, {10, 10, 10},
                                    {10, 10, 10}, {200, 200, 200}, {30, 60, 90}, {10, 10, 10}};
    TBitmap Source;
    Source.SetLayout(3, 3, 24);
    for (int I = 0; I < 9; ++I)
        for (int C = 0; C < 3; ++C) SetLevel(Source, I % 3, I / 3, C, RedGreenBlue[I][2 - C]);
    const TBitmap Result = Filtered(Source, [](auto& S, auto& T) { ApplyMedian(S, T, 100); });
    EXPECT_EQ(Level(Result, 1, 1, 2), 30);
    EXPECT_EQ(Level(Result, 1, 1, 1), 60);
    EXPECT_EQ(Level(Result, 1, 1, 0), 90);
}

TEST(Median, ThresholdFollowsTheLevel)
{
    // An isolated white pixel on black: the median is black, 765 away.
    TBitmap Source = Uniform(3, 3, 0, 0, 0);
    for (int C = 0; C < 3; ++C) SetLevel(Source, 1, 1, C, 255);
    EXPECT_TRUE(SamePixels(Filtered(Source, [](auto& S, auto& T) { ApplyMedian(S, T, 100); }), Uniform(3, 3, 0, 0, 0)));
    // Level 0 asks for a difference of 255: a pixel 254 above its median stays, 255 above goes.
    TBitmap Near = Uniform(3, 3, 0, 0, 0);
    SetLevel(Near, 1, 1, 0, 254);
    EXPECT_EQ(Level(Filtered(Near, [](auto& S, auto& T) { ApplyMedian(S, T, 0); }), 1, 1, 0), 254);
    SetLevel(Near, 1, 1, 0, 255);
    EXPECT_EQ(Level(Filtered(Near, [](auto& S, auto& T) { ApplyMedian(S, T, 0); }), 1, 1, 0), 0);
}

TEST(Sobel, MatchesReferenceOnRandomPictures)
{
    std::uint32_t Seed = 300;
    for (const int SobelLevel : {1, 50, 100})
        for (const bool Overlay : {false, true})
            for (const auto& Size : Sizes) {
                const TBitmap Source = MakeRandomBitmap(Size.Width, Size.Height, 24, Seed++);
                const TBitmap Result =
                    Filtered(Source, [&](auto& S, auto& T) { ApplySobel(S, T, SobelLevel, Overlay); });
                EXPECT_TRUE(SamePixels(Result, ReferenceSobel(Source, SobelLevel, Overlay)))
                    << Size.Width << "x" << Size.Height;
            }
}

TEST(Sobel, UniformPictureHasNoContours)
{
    const TBitmap Source = Uniform(6, 5, 12, 130, 250);
    EXPECT_TRUE(SamePixels(Filtered(Source, [](auto& S, auto& T) { ApplySobel(S, T, 100, false); }),
                           Uniform(6, 5, 255, 255, 255)));
    EXPECT_TRUE(SamePixels(Filtered(Source, [](auto& S, auto& T) { ApplySobel(S, T, 100, true); }), Source));
}

TEST(Sobel, CornersRepeatTheirDiagonalNeighbours)
{
    const TBitmap Result =
        Filtered(MakeRandomBitmap(7, 5, 24, 9), [](auto& S, auto& T) { ApplySobel(S, T, 60, true); });
    for (int C = 0; C < 3; ++C) {
        EXPECT_EQ(Level(Result, 0, 0, C), Level(Result, 1, 1, C));
        EXPECT_EQ(Level(Result, 6, 0, C), Level(Result, 5, 1, C));
        EXPECT_EQ(Level(Result, 0, 4, C), Level(Result, 1, 3, C));
        EXPECT_EQ(Level(Result, 6, 4, C), Level(Result, 5, 3, C));
    }
}

TEST(Sobel, MagnitudeOfAStep)
{
    // A vertical step of 10 in blue only: GX = 40 at the columns beside it, so at Level 100 the
    // magnitude is 40 and V = 215; at Level 1 it is sqrt(1600 div 100) = 4, V = 251.
    TBitmap Source = Uniform(4, 3, 0, 0, 0);
    for (int Y = 0; Y < 3; ++Y) {
        SetLevel(Source, 2, Y, 0, 10);
        SetLevel(Source, 3, Y, 0, 10);
    }
    EXPECT_EQ(Level(Filtered(Source, [](auto& S, auto& T) { ApplySobel(S, T, 100, false); }), 1, 1, 0), 215);
    EXPECT_EQ(Level(Filtered(Source, [](auto& S, auto& T) { ApplySobel(S, T, 1, false); }), 1, 1, 2), 251);
}

TEST(Mosaic, MatchesReferenceOnRandomPictures)
{
    std::uint32_t Seed = 400;
    for (const int BlockSize : {2, 3, 7, 50})
        for (const auto& Size : Sizes) {
            TBitmap Fast = MakeRandomBitmap(Size.Width, Size.Height, 24, Seed++);
            TBitmap Plain = Fast;
            ApplyMosaic(Fast, BlockSize);
            ReferenceMosaic(Plain, BlockSize);
            EXPECT_TRUE(SamePixels(Fast, Plain)) << Size.Width << "x" << Size.Height;
        }
}

TEST(Mosaic, TwoByTwoBlocksOnThreeByThree)
{
    TBitmap Picture;
    Picture.SetLayout(3, 3, 24);
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 3; ++X) SetLevel(Picture, X, Y, 0, 10 * Y + X);
    ApplyMosaic(Picture, 2);
    const int Expected[3][3] = {{11, 11, 2}, {11, 11, 2}, {20, 20, 22}};
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 3; ++X) EXPECT_EQ(Level(Picture, X, Y, 0), Expected[Y][X]) << X << "," << Y;
}
