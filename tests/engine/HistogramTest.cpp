#include "engine/HistogramKernel.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

// The colour of pixel (X, Y) of a bitmap target, whatever its layout.
TColor ColorAt(const TBitmap& Target, int X, int Y)
{
    TBitmap Copy = Target;
    Copy.SetPixelFormat(pf24bit);
    const auto Pixel = PixelAt(Copy, X, Y);
    return RGB(std::uint8_t(Pixel[2]), std::uint8_t(Pixel[1]), std::uint8_t(Pixel[0]));
}

int CountColor(const TBitmap& Target, TColor Color)
{
    TBitmap Copy = Target;
    Copy.SetPixelFormat(pf24bit);
    int Count = 0;
    for (int Y = 0; Y < Copy.Height(); ++Y)
        for (int X = 0; X < Copy.Width(); ++X) {
            const auto Pixel = PixelAt(Copy, X, Y);
            Count += RGB(std::uint8_t(Pixel[2]), std::uint8_t(Pixel[1]), std::uint8_t(Pixel[0])) == Color;
        }
    return Count;
}

TBitmap Drawn(TKelvoImage& Image, int Scale, int Shift, int VerticalMax)
{
    EnsureApplication();
    TBitmap Target;
    Image.DrawHistogram(Target, Scale, Shift, VerticalMax);
    return Target;
}

} // namespace

TEST(Histogram, AutomaticMaximumRoundsUpToTwenty)
{
    EXPECT_EQ(ChooseVerticalMax(0, 37), 40);
    EXPECT_EQ(ChooseVerticalMax(0, 40), 40);
    EXPECT_EQ(ChooseVerticalMax(0, 100), 100);
    EXPECT_EQ(ChooseVerticalMax(0, 1), 20);
    EXPECT_EQ(ChooseVerticalMax(35, 100), 36);
    EXPECT_EQ(ChooseVerticalMax(36, 100), 36);
}

TEST(Histogram, PercentagesTruncate)
{
    TBitmap Bitmap = UniformBitmap(3, 1, 0, 0, 0);
    SetPixel(Bitmap, 2, 0, 255, 128, 7);
    THistogram Histogram = CountLevels(Bitmap, 2);
    EXPECT_EQ(Histogram.Bins, 64);
    EXPECT_EQ(Histogram.Counts[0][0], 2);
    EXPECT_EQ(Histogram.Counts[0][63], 1);
    EXPECT_EQ(Histogram.Counts[1][32], 1);
    EXPECT_EQ(Histogram.Counts[2][1], 1);
    EXPECT_EQ(ToPercentages(Histogram, 3), 66);
    EXPECT_EQ(Histogram.Counts[2][1], 33);
}

TEST(Histogram, CountsMatchAPlainCountAtOddSizes)
{
    // The last size is counted in bands on several threads where the machine has more than one core.
    for (auto [Width, Height] : {std::pair{1, 1}, {3, 5}, {7, 2}, {67, 45}, {1031, 1025}})
        for (int Shift = 0; Shift <= 3; ++Shift) {
            const TBitmap Bitmap = MakeRandomBitmap(Width, Height, 24, std::uint32_t(Width * 31 + Shift));
            std::int64_t Expected[3][256] = {};
            for (int Y = 0; Y < Height; ++Y)
                for (int X = 0; X < Width; ++X)
                    for (int C = 0; C < 3; ++C) Expected[C][Bitmap.ScanLine(Y)[3 * X + C] >> Shift] += 1;
            const THistogram Histogram = CountLevels(Bitmap, Shift);
            for (int C = 0; C < 3; ++C)
                for (int Bin = 0; Bin < 256; ++Bin)
                    ASSERT_EQ(Histogram.Counts[std::size_t(C)][std::size_t(Bin)], Expected[C][Bin])
                        << Width << " x " << Height << " shift " << Shift << " channel " << C << " bin " << Bin;
        }
}

TEST(Histogram, UniformBlackStartsEveryCurveAtTheTop)
{
    auto Image = ImageWith(UniformBitmap(4, 4, 0, 0, 0));
    const TBitmap Target = Drawn(*Image, 2, 2, 0);
    EXPECT_EQ(Target.Width(), 572);
    EXPECT_EQ(Target.Height(), 350);
    // Bin 0 at x = (2 + 15) × 2 and y = 9 × 2; red is drawn last over the same points.
    EXPECT_EQ(ColorAt(Target, 34, 18), clRed);
    EXPECT_EQ(ColorAt(Target, 34, 17), clBtnFace);
    // From the second point on the curves lie on the 0 % line under the black axis.
    EXPECT_EQ(ColorAt(Target, 300, 318), clBlack);
    EXPECT_EQ(CountColor(Target, clBlue), 0);
    EXPECT_EQ(ColorAt(Target, 30, 100), clBlack);
}

TEST(Histogram, AnOddMaximumDrawsWithTheNextEven)
{
    auto Image = ImageWith(MakeRandomBitmap(9, 7, 24, 3));
    EXPECT_TRUE(SamePixels(Drawn(*Image, 1, 2, 35), Drawn(*Image, 1, 2, 36)));
    EXPECT_FALSE(SamePixels(Drawn(*Image, 1, 2, 35), Drawn(*Image, 1, 2, 38)));
}

TEST(Histogram, OutOfRangeArgumentsLeaveTheTargetUntouched)
{
    auto Image = ImageWith(MakeRandomBitmap(9, 7, 24, 3));
    const TBitmap Original = MakeRandomBitmap(3, 2, 24, 8);
    for (auto [Scale, Shift, VerticalMax] : {std::tuple{1, 2, 101}, {6, 2, 0}, {0, 2, 0}, {1, 4, 0}, {1, -1, 0}}) {
        TBitmap Target = Original;
        Image->DrawHistogram(Target, Scale, Shift, VerticalMax);
        EXPECT_TRUE(SamePixels(Target, Original)) << Scale << " " << Shift << " " << VerticalMax;
    }
}

TEST(Histogram, AnEmptyPictureDrawsTheFrameAndLevelLabelsOnly)
{
    TKelvoImage Image;
    const TBitmap Target = Drawn(Image, 1, 2, 0);
    EXPECT_EQ(ColorAt(Target, 15, 100), clBlack);
    EXPECT_EQ(ColorAt(Target, 200, 159), clBlack);
    EXPECT_EQ(CountColor(Target, clRed) + CountColor(Target, clBlue) + CountColor(Target, clLime), 0);
    // The level labels below the axis leave ink on the button face.
    int Ink = 0;
    for (int X = 0; X < 286; ++X)
        for (int Y = 164; Y < 175; ++Y) Ink += ColorAt(Target, X, Y) != clBtnFace;
    EXPECT_GT(Ink, 0);
}

TEST(Histogram, LeavesThePictureItsFormatAndTheKindAlone)
{
    const TBitmap Original = MakeRandomBitmap(6, 5, 8, 12);
    auto Image = ImageWith(Original);
    Image->Negative();
    const TBitmap After = PictureOf(*Image);
    TEventLog Log(*Image);
    Drawn(*Image, 1, 2, 0);
    EXPECT_TRUE(Log.Events.empty());
    EXPECT_EQ(Image->Kind(), "Negative");
    EXPECT_EQ(PictureOf(*Image).PixelFormat(), pf8bit);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), After));
}

TEST(Histogram, AMetafileTargetMeasuresTheScaledDrawingSpace)
{
    auto Image = ImageWith(UniformBitmap(4, 4, 0, 0, 0));
    EnsureApplication();
    TMetafile Target;
    Image->DrawHistogram(Target, 2, 2, 0);
    EXPECT_EQ(Target.Width(), 572);
    EXPECT_EQ(Target.Height(), 350);
    EXPECT_FALSE(Target.Empty());
    // Played back, the recording shows the curves' common start at the top.
    TBitmap Played;
    Played.SetSize(572, 350);
    Played.Canvas().Draw(0, 0, Target);
    // The player smooths its lines, so red, drawn last, only dominates there.
    const TColor Start = ColorAt(Played, 34, 18);
    EXPECT_GT(GetRValue(Start), GetGValue(Start));
    EXPECT_GT(GetRValue(Start), GetBValue(Start));
    EXPECT_EQ(ColorAt(Played, 34, 12), clBtnFace);
}
