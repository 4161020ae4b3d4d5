#include "platform/graphics/Canvas.h"
#include "platform/graphics/Bitmap.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <utility>

namespace {

TBitmap WhiteBitmap(int Width, int Height, int BitCount = 24)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, BitCount);
    for (int Y = 0; Y < Height; ++Y)
        for (std::size_t Byte = 0; Byte < Bitmap.RowBytes(); ++Byte) Bitmap.ScanLine(Y)[Byte] = 0xFF;
    return Bitmap;
}

// The colour of pixel (X, Y) of a 24- or 32-bit bitmap, read straight from its blue, green, red bytes.
TColor PixelAt(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* Pixel = Bitmap.ScanLine(Y) + std::size_t(X) * std::size_t(Bitmap.BitCount() / 8);
    return RGB(Pixel[2], Pixel[1], Pixel[0]);
}

std::set<std::pair<int, int>> PixelsOf(const TBitmap& Bitmap, TColor Color)
{
    std::set<std::pair<int, int>> Found;
    for (int Y = 0; Y < Bitmap.Height(); ++Y)
        for (int X = 0; X < Bitmap.Width(); ++X)
            if (PixelAt(Bitmap, X, Y) == Color) Found.insert({X, Y});
    return Found;
}

// Outlines, lines and polylines at random places (some reaching outside the picture), solid and dotted,
// one and three pixels wide.
void DrawInvertingShapes(TCanvas& Canvas, int Width, int Height)
{
    std::mt19937 Random(7);
    std::uniform_int_distribution<int> X(-5, Width + 5);
    std::uniform_int_distribution<int> Y(-5, Height + 5);
    Canvas.Pen.Mode = pmNotXor;
    Canvas.Brush.Style = bsClear;
    for (int Shape = 0; Shape < 24; ++Shape) {
        Canvas.Pen.Color = RGB(std::uint8_t(Random()), std::uint8_t(Random()), std::uint8_t(Random()));
        Canvas.Pen.Style = Shape % 3 == 0 ? psDot : psSolid;
        Canvas.Pen.Width = Shape % 4 == 3 ? 3 : 1;
        if (Shape % 2 == 0) {
            Canvas.Rectangle(X(Random), Y(Random), X(Random), Y(Random));
        } else {
            Canvas.MoveTo(X(Random), Y(Random));
            Canvas.LineTo(X(Random), Y(Random));
            Canvas.LineTo(X(Random), Y(Random));
        }
    }
}

class InvertingPen : public testing::TestWithParam<int>
{
};

TEST_P(InvertingPen, DrawingTwiceRestoresEveryPixel)
{
    const TBitmap Original = MakeRandomBitmap(37, 29, GetParam(), 11);
    TBitmap Bitmap(Original);
    DrawInvertingShapes(Bitmap.Canvas(), 37, 29);
    EXPECT_FALSE(SamePixels(Bitmap, Original)) << "the shapes must change the picture";
    DrawInvertingShapes(Bitmap.Canvas(), 37, 29);
    EXPECT_TRUE(SamePixels(Bitmap, Original));
    EXPECT_EQ(Bitmap.ColorTable(), Original.ColorTable());
    EXPECT_EQ(Bitmap.PixelFormat(), Original.PixelFormat());
}

INSTANTIATE_TEST_SUITE_P(Depths, InvertingPen, testing::Values(1, 4, 8, 16, 24, 32));

TEST(InvertingPen, BlackPenInvertsEachPixelOfAPolylineOnce)
{
    TBitmap Bitmap = WhiteBitmap(6, 6);
    TCanvas& Canvas = Bitmap.Canvas();
    Canvas.Pen.Mode = pmNotXor;
    const TPoint Points[] = {Point(0, 0), Point(4, 0), Point(4, 4)};
    Canvas.Polyline(Points);
    // NOT (black XOR white) is black; the shared corner (4, 0) is inverted once, the end (4, 4) never.
    const std::set<std::pair<int, int>> Expected{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}, {4, 2}, {4, 3}};
    EXPECT_EQ(PixelsOf(Bitmap, clBlack), Expected);
}

TEST(InvertingPen, NotModeInvertsWhateverThePenColour)
{
    TBitmap Bitmap = WhiteBitmap(4, 1);
    Bitmap.Canvas().Pen = TPen{clRed, 1, psSolid, pmNot};
    Bitmap.Canvas().MoveTo(0, 0);
    Bitmap.Canvas().LineTo(2, 0);
    EXPECT_EQ(PixelAt(Bitmap, 0, 0), clBlack);
    EXPECT_EQ(PixelAt(Bitmap, 1, 0), clBlack);
    EXPECT_EQ(PixelAt(Bitmap, 2, 0), clWhite);
}

TEST(Lines, ExcludeTheirEndPointAndFollowBresenham)
{
    TBitmap Bitmap = WhiteBitmap(8, 8);
    TCanvas& Canvas = Bitmap.Canvas();
    Canvas.MoveTo(0, 0);
    Canvas.LineTo(5, 2);
    // Ideal y at x = 0..4: 0, 0.4, 0.8, 1.2, 1.6.
    EXPECT_EQ(PixelsOf(Bitmap, clBlack), (std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
    EXPECT_EQ(Canvas.PenPos, Point(5, 2));

    Bitmap = WhiteBitmap(8, 8);
    Bitmap.Canvas().MoveTo(2, 0);
    Bitmap.Canvas().LineTo(0, 5);
    // Steep and leftwards: ideal x at y = 0..4: 2, 1.6, 1.2, 0.8, 0.4.
    EXPECT_EQ(PixelsOf(Bitmap, clBlack), (std::set<std::pair<int, int>>{{2, 0}, {2, 1}, {1, 2}, {1, 3}, {0, 4}}));
}

TEST(Lines, FarOutsideThePictureCostNothingAndDrawTheirVisiblePart)
{
    TBitmap Bitmap = WhiteBitmap(5, 3);
    Bitmap.Canvas().MoveTo(-2000000000, 1);
    Bitmap.Canvas().LineTo(2000000000, 1);
    EXPECT_EQ(PixelsOf(Bitmap, clBlack).size(), 5u);
    for (int X = 0; X < 5; ++X) EXPECT_EQ(PixelAt(Bitmap, X, 1), clBlack);
}

TEST(Lines, DottedPenDrawsThreeOnThreeOff)
{
    TBitmap Bitmap = WhiteBitmap(20, 1);
    Bitmap.Canvas().Pen.Style = psDot;
    Bitmap.Canvas().MoveTo(0, 0);
    Bitmap.Canvas().LineTo(20, 0);
    for (int X = 0; X < 20; ++X) EXPECT_EQ(PixelAt(Bitmap, X, 0), X % 6 < 3 ? clBlack : clWhite) << X;
}

TEST(Lines, WidePenCoversMoreThanOnePixelAcross)
{
    TBitmap Bitmap = WhiteBitmap(12, 9);
    Bitmap.Canvas().Pen.Width = 3;
    Bitmap.Canvas().MoveTo(2, 4);
    Bitmap.Canvas().LineTo(9, 4);
    for (int X = 3; X < 9; ++X) {
        EXPECT_EQ(PixelAt(Bitmap, X, 3), clBlack);
        EXPECT_EQ(PixelAt(Bitmap, X, 4), clBlack);
        EXPECT_EQ(PixelAt(Bitmap, X, 5), clBlack);
    }
    EXPECT_EQ(PixelAt(Bitmap, 6, 1), clWhite);
    EXPECT_EQ(PixelAt(Bitmap, 6, 7), clWhite);
}

TEST(Rectangle, OutlinesWithThePenAndFillsInsideWithoutRightAndBottomEdge)
{
    TBitmap Bitmap = WhiteBitmap(10, 10);
    TCanvas& Canvas = Bitmap.Canvas();
    Canvas.Brush.Color = clRed;
    Canvas.Rectangle(2, 2, 6, 5);
    std::set<std::pair<int, int>> Outline;
    for (int X = 2; X <= 5; ++X) {
        Outline.insert({X, 2});
        Outline.insert({X, 4});
    }
    Outline.insert({2, 3});
    Outline.insert({5, 3});
    EXPECT_EQ(PixelsOf(Bitmap, clBlack), Outline);
    EXPECT_EQ(PixelsOf(Bitmap, clRed), (std::set<std::pair<int, int>>{{3, 3}, {4, 3}}));
}

TEST(Rectangle, WithoutPenFillsOneColumnAndRowLess)
{
    TBitmap Bitmap = WhiteBitmap(10, 10);
    Bitmap.Canvas().Pen.Style = psClear;
    Bitmap.Canvas().Brush.Color = clRed;
    Bitmap.Canvas().Rectangle(2, 2, 6, 5);
    std::set<std::pair<int, int>> Expected;
    for (int Y = 2; Y < 4; ++Y)
        for (int X = 2; X < 5; ++X) Expected.insert({X, Y});
    EXPECT_EQ(PixelsOf(Bitmap, clRed), Expected);
}

TEST(Rectangle, OnePixelThinOutlineIsInvertedOnce)
{
    TBitmap Bitmap = WhiteBitmap(4, 6);
    Bitmap.Canvas().Pen.Mode = pmNotXor;
    Bitmap.Canvas().Brush.Style = bsClear;
    Bitmap.Canvas().Rectangle(1, 1, 2, 5);
    EXPECT_EQ(PixelsOf(Bitmap, clBlack), (std::set<std::pair<int, int>>{{1, 1}, {1, 2}, {1, 3}, {1, 4}}));
}

TEST(FillRect, FillsFromTopLeftUpToButExcludingBottomRight)
{
    TBitmap Bitmap = WhiteBitmap(6, 5);
    Bitmap.Canvas().Brush.Color = clBlue;
    Bitmap.Canvas().FillRect(Rect(1, 2, 4, 3));
    EXPECT_EQ(PixelsOf(Bitmap, clBlue), (std::set<std::pair<int, int>>{{1, 2}, {2, 2}, {3, 2}}));
    Bitmap.Canvas().FillRect(Rect(-50, -50, 100, 1));
    EXPECT_EQ(PixelsOf(Bitmap, clBlue).size(), 3u + 6u);
}

TEST(FillRect, MapsOntoTheNearestColourOfAnIndexedPicture)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(3, 1, 8);
    Bitmap.SetPalette(TPalette({{0, 0, 0, 0}, {250, 10, 10, 0}, {10, 10, 250, 0}}));
    Bitmap.Canvas().Brush.Color = clBlue;
    Bitmap.Canvas().FillRect(Rect(1, 0, 3, 1));
    EXPECT_EQ(Bitmap.ScanLine(0)[0], 0);
    EXPECT_EQ(Bitmap.ScanLine(0)[1], 2);
    EXPECT_EQ(Bitmap.ScanLine(0)[2], 2);
}

TEST(Canvas, FollowsAChangeOfPixelFormatBetweenCalls)
{
    TBitmap Bitmap = WhiteBitmap(4, 4);
    TCanvas& Canvas = Bitmap.Canvas();
    Bitmap.SetPixelFormat(pf8bit);
    Canvas.Brush.Color = clBlack;
    Canvas.FillRect(Rect(0, 0, 2, 4));
    ASSERT_EQ(Bitmap.BitCount(), 8);
    const TPaletteEntry Black = Bitmap.ColorTable()[Bitmap.ScanLine(0)[0]];
    const TPaletteEntry White = Bitmap.ColorTable()[Bitmap.ScanLine(0)[3]];
    EXPECT_EQ(Black, (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(White, (TPaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(Canvas.Device().Target(), &Bitmap);
}

TEST(Canvas, PacksColoursIntoTheBitFieldsOfSixteenBitPixels)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(2, 1, 16, BitFields565);
    Bitmap.Canvas().Brush.Color = RGB(255, 130, 8); // 5-6-5: 31, 32, 1
    Bitmap.Canvas().FillRect(Rect(0, 0, 1, 1));
    std::uint16_t Pixels[2];
    std::memcpy(Pixels, Bitmap.ScanLine(0), 4);
    EXPECT_EQ(Pixels[0], (31 << 11) | (32 << 5) | 1);
    EXPECT_EQ(Pixels[1], 0);
}

TEST(Canvas, LeavesADeviceDependentBitmapDeviceDependent)
{
    TBitmap Bitmap;
    Bitmap.SetSize(3, 3);
    ASSERT_EQ(Bitmap.PixelFormat(), pfDevice);
    Bitmap.Canvas().Brush.Color = clRed;
    Bitmap.Canvas().FillRect(Rect(0, 0, 3, 3));
    EXPECT_EQ(Bitmap.PixelFormat(), pfDevice);
    EXPECT_EQ(PixelAt(Bitmap, 1, 1), clRed);
}

TEST(Canvas, DrawingAnnouncesTheChange)
{
    TBitmap Bitmap = WhiteBitmap(4, 4);
    int Changes = 0;
    Bitmap.OnChange = [&] { ++Changes; };
    Bitmap.Canvas().FillRect(Rect(0, 0, 1, 1));
    Bitmap.Canvas().Rectangle(0, 0, 3, 3);
    EXPECT_EQ(Changes, 2);
}

TEST(StretchDraw, EnlargesByNearestNeighbour)
{
    TBitmap Checker = WhiteBitmap(2, 2);
    Checker.Canvas().Brush.Color = clBlack;
    Checker.Canvas().FillRect(Rect(0, 0, 1, 1));
    Checker.Canvas().FillRect(Rect(1, 1, 2, 2));
    for (const int BitCount : {24, 32}) {
        TBitmap Large = WhiteBitmap(4, 4, BitCount);
        Large.Canvas().StretchDraw(Rect(0, 0, 4, 4), Checker);
        for (int Y = 0; Y < 4; ++Y)
            for (int X = 0; X < 4; ++X)
                EXPECT_EQ(PixelAt(Large, X, Y), (X / 2 == Y / 2) ? clBlack : clWhite) << X << "," << Y;
    }
}

// Every destination pixel against the source pixel under its centre, the source's colours read
// through the pixel-format conversion to 24 bits.
void ExpectNearestNeighbour(int SourceBits, int DestBits, int DestWidth, int DestHeight, bool Mirrored)
{
    const TBitmap Source = MakeRandomBitmap(13, 11, SourceBits, std::uint32_t(SourceBits * 100 + DestWidth));
    TBitmap Colors(Source);
    Colors.SetPixelFormat(pf24bit);
    TBitmap Target = WhiteBitmap(DestWidth + 4, DestHeight + 4, DestBits);
    Target.Canvas().StretchDraw(
        Mirrored ? Rect(2 + DestWidth, 2, 2, 2 + DestHeight) : Rect(2, 2, 2 + DestWidth, 2 + DestHeight), Source);
    for (int Y = 0; Y < Target.Height(); ++Y)
        for (int X = 0; X < Target.Width(); ++X) {
            const bool Inside = X >= 2 && X < 2 + DestWidth && Y >= 2 && Y < 2 + DestHeight;
            TColor Expected = clWhite;
            if (Inside) {
                const int Column = Mirrored ? DestWidth - 1 - (X - 2) : X - 2;
                Expected = PixelAt(Colors, int((Column + 0.5) * 13 / DestWidth), int((Y - 2 + 0.5) * 11 / DestHeight));
            }
            ASSERT_EQ(PixelAt(Target, X, Y), Expected) << SourceBits << " to " << DestBits << " bits, " << DestWidth
                                                       << "x" << DestHeight << " at " << X << "," << Y;
        }
}

TEST(StretchDraw, MatchesAPlainReferenceAtEveryDepthAndScale)
{
    for (const int SourceBits : {1, 4, 8, 16, 24, 32})
        for (const int DestBits : {24, 32}) {
            ExpectNearestNeighbour(SourceBits, DestBits, 13, 11, false); // one to one
            ExpectNearestNeighbour(SourceBits, DestBits, 20, 16, false); // enlarged
            ExpectNearestNeighbour(SourceBits, DestBits, 8, 6, false);   // reduced
            ExpectNearestNeighbour(SourceBits, DestBits, 20, 16, true);  // mirrored
        }
}

TEST(StretchDraw, ReadsIndexedSourcesThroughTheirPalette)
{
    TBitmap Source;
    Source.SetLayout(2, 1, 1);
    Source.SetPalette(TPalette({{255, 0, 0, 0}, {0, 0, 255, 0}}));
    Source.ScanLine(0)[0] = 0x40; // pixel 0 index 0 (red), pixel 1 index 1 (blue)
    TBitmap Target = WhiteBitmap(4, 2);
    Target.Canvas().StretchDraw(Rect(0, 0, 4, 2), Source);
    EXPECT_EQ(PixelAt(Target, 1, 1), clRed);
    EXPECT_EQ(PixelAt(Target, 2, 0), clBlue);
}

TEST(StretchDraw, MirrorsWhenTheTargetIsReversed)
{
    TBitmap Source = WhiteBitmap(3, 1);
    Source.Canvas().Brush.Color = clRed;
    Source.Canvas().FillRect(Rect(0, 0, 1, 1));
    TBitmap Target = WhiteBitmap(3, 1);
    Target.Canvas().StretchDraw(Rect(3, 0, 0, 1), Source);
    EXPECT_EQ(PixelsOf(Target, clRed), (std::set<std::pair<int, int>>{{2, 0}}));
}

TEST(StretchDraw, AlphaBlendsAHalfTransparentPixel)
{
    TBitmap Source;
    Source.SetLayout(3, 1, 32);
    const std::uint8_t Pixels[12] = {255, 0, 0, 128, 255, 0, 0, 0, 255, 0, 0, 255}; // blue at 128, 0, 255
    std::copy(std::begin(Pixels), std::end(Pixels), Source.ScanLine(0));
    TBitmap Target = WhiteBitmap(3, 1);
    Target.Canvas().Device().StretchBitmap(Rect(0, 0, 3, 1), Source, Rect(0, 0, 3, 1), TBlend::Alpha);
    // Half-covered white under blue: red and green 255 × 127 / 255 = 127, blue stays 255.
    EXPECT_EQ(PixelAt(Target, 0, 0), RGB(127, 127, 255));
    EXPECT_EQ(PixelAt(Target, 1, 0), clWhite);
    EXPECT_EQ(PixelAt(Target, 2, 0), clBlue);
}

TEST(Text, JapaneseTextDrawsGlyphsAndMeasuresWider)
{
    EnsureApplication();
    TBitmap Bitmap = WhiteBitmap(120, 40);
    TCanvas& Canvas = Bitmap.Canvas();
    Canvas.Font.Size = 12;
    Canvas.Brush.Style = bsClear;
    Canvas.TextOut(2, 2, "画像処理");
    EXPECT_GT(PixelsOf(Bitmap, clBlack).size(), 20u);
    const int One = Canvas.TextWidth("画");
    const int Two = Canvas.TextWidth("画像");
    EXPECT_GT(One, 0);
    EXPECT_GT(Two, One);
    EXPECT_GT(Canvas.TextWidth("画像処理"), Two);
    // 12 points at 96 pixels an inch are 16 pixels; the line is at least that high.
    EXPECT_GE(Canvas.TextHeight("画"), 16);
}

TEST(Text, FillsTheCellWithTheBrushUnlessClear)
{
    EnsureApplication();
    TBitmap Bitmap = WhiteBitmap(60, 30);
    TCanvas& Canvas = Bitmap.Canvas();
    Canvas.Brush.Color = clRed;
    Canvas.TextOut(0, 0, "ab");
    const TSize Extent = Canvas.TextExtent("ab");
    const auto Red = PixelsOf(Bitmap, clRed);
    EXPECT_GT(Red.size(), std::size_t(Extent.cx * Extent.cy) / 2);
    for (const auto& [X, Y] : Red) EXPECT_TRUE(X < Extent.cx && Y < Extent.cy);
    EXPECT_EQ(Canvas.PenPos, Point(Extent.cx, 0));
}

} // namespace
