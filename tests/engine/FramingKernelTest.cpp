#include "engine/FramingKernel.h"
#include "tests/engine/reference/Reference.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

TBitmap Grey(int Width, int Height, int Value)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < 3 * Width; ++X) Bitmap.ScanLine(Y)[X] = std::uint8_t(Value);
    return Bitmap;
}

int Changed(const TBitmap& Picture, int Value)
{
    int Count = 0;
    for (int Y = 0; Y < Picture.Height(); ++Y)
        for (int X = 0; X < Picture.Width(); ++X) Count += Level(Picture, X, Y, 0) != Value;
    return Count;
}

} // namespace

TEST(Framing, MatchesReferenceOnRandomPictures)
{
    std::uint32_t Seed = 1100;
    for (const auto& [Width, Height] : {std::pair{1, 1}, {1, 4}, {4, 1}, {2, 2}, {3, 5}, {5, 3}, {7, 7}, {67, 45}})
        for (const int FrameWidth : {1, 2, 5, 300})
            for (const bool FromLeft : {true, false}) {
                TBitmap Fast = MakeRandomBitmap(Width, Height, 24, Seed++);
                TBitmap Plain = Fast;
                ApplyFraming(Fast, FrameWidth, 173, FromLeft);
                ReferenceFraming(Plain, FrameWidth, 173, FromLeft);
                EXPECT_TRUE(SamePixels(Fast, Plain)) << Width << "x" << Height << " frame " << FrameWidth;
            }
}

TEST(Framing, BandsLightAndDarkenByTheirContrast)
{
    TBitmap Picture = Grey(10, 10, 200);
    ApplyFraming(Picture, 1, 150, true);
    EXPECT_EQ(Level(Picture, 5, 0, 1), 250); // top: 200 × 125 div 100
    EXPECT_EQ(Level(Picture, 0, 5, 1), 255); // left: 300 capped
    EXPECT_EQ(Level(Picture, 5, 9, 1), 160); // bottom: 200 × 100 div 125
    EXPECT_EQ(Level(Picture, 9, 5, 1), 133); // right: 200 × 100 div 150
    EXPECT_EQ(Level(Picture, 0, 0, 0), 250); // corners as the bands claim them
    EXPECT_EQ(Level(Picture, 9, 0, 0), 250);
    EXPECT_EQ(Level(Picture, 0, 9, 0), 255);
    EXPECT_EQ(Level(Picture, 9, 9, 0), 160);
    EXPECT_EQ(Changed(Picture, 200), 36);

    TBitmap FromRight = Grey(10, 10, 200);
    ApplyFraming(FromRight, 1, 105, false);
    EXPECT_EQ(Level(FromRight, 5, 0, 2), 196); // 200 × 100 div 102
    EXPECT_EQ(Level(FromRight, 9, 5, 2), 210); // 200 × 105 div 100
}

TEST(Framing, WideFramesLeaveOnlyTheMeetingPoint)
{
    TBitmap Square = Grey(5, 5, 200);
    ApplyFraming(Square, 300, 150, true);
    EXPECT_EQ(Changed(Square, 200), 24);
    EXPECT_EQ(Level(Square, 2, 2, 0), 200);
    TBitmap Even = Grey(4, 6, 200);
    ApplyFraming(Even, 300, 150, true);
    EXPECT_EQ(Changed(Even, 200), 24);
    TBitmap Tall = Grey(3, 5, 200);
    ApplyFraming(Tall, 300, 150, true);
    EXPECT_EQ(Changed(Tall, 200), 14);
    EXPECT_EQ(Level(Tall, 1, 3, 0), 200);
}
