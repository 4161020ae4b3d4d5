#include "reduce/Reduce.h"
#include "tests/reduce/ReduceTestSupport.h"

#include "platform/system/Exceptions.h"
#include "tests/support/TestPictures.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

struct TRecorder
{
    int Calls = 0;
    bool WindowMatches = true;
    const TBitmap* Source = nullptr;
};

// Checks that every window byte the procedure can reach is the source pixel there, or zero outside the
// picture; writes the source pixel back out with red and blue exchanged.
void CheckWindow(int X, int Y, TFilterWindow& Window, std::uint8_t* Pixel, const void* Data)
{
    auto& Recorder = *static_cast<TRecorder*>(const_cast<void*>(Data));
    ++Recorder.Calls;
    const TBitmap& Source = *Recorder.Source;
    for (int K = 0; K < 11; ++K)
        for (int D = -5; D <= 5; ++D) {
            const int Sx = X + D, Sy = Y - 5 + K;
            const std::uint8_t* Seen = Window[std::size_t(K)] + 3 * (D + 5);
            const bool Inside = Sx >= 0 && Sx < Source.Width() && Sy >= 0 && Sy < Source.Height();
            for (int C = 0; C < 3; ++C) {
                const int Expected = Inside ? Source.ScanLine(Sy)[3 * Sx + C] : 0;
                if (Seen[C] != Expected) Recorder.WindowMatches = false;
            }
        }
    const std::uint8_t* Current = Window[5] + 15;
    Pixel[0] = Current[2];
    Pixel[1] = Current[1];
    Pixel[2] = Current[0];
}

// Writes 99 into every neighbour position; the picture must still read unchanged by later calls when
// the writes fell outside it, and the writes inside must be seen.
void ScribbleOutside(int X, int Y, TFilterWindow& Window, std::uint8_t* Pixel, const void* Data)
{
    (void)Y;
    auto& Width = *static_cast<const int*>(Data);
    const std::uint8_t* Current = Window[5] + 15;
    std::copy(Current, Current + 3, Pixel);
    // Left neighbour of column 0 and right neighbour of the last column are margins.
    if (X == 0) std::fill(Window[5] + 12, Window[5] + 15, std::uint8_t(99));
    if (X == Width - 1) std::fill(Window[5] + 18, Window[5] + 21, std::uint8_t(99));
    // Every pixel below gets 1 added, so row y + 1 reads its source plus 1 per call above it.
    Window[6][15] = std::uint8_t(Window[6][15] + 1);
}

} // namespace

TEST(BitmapFilter, WindowShowsTheSourceAndZerosAround)
{
    for (int Width : {1, 2, 3, 5, 7, 12}) {
        const TBitmap Source = MakeRandomBitmap(Width, 13, 24, std::uint32_t(Width));
        TRecorder Recorder;
        Recorder.Source = &Source;
        auto Result = BitmapFilter(Source, CheckWindow, &Recorder);
        EXPECT_EQ(Recorder.Calls, Width * 13);
        EXPECT_TRUE(Recorder.WindowMatches) << Width;
        ASSERT_EQ(Result->PixelFormat(), pf24bit);
        for (int Y = 0; Y < 13; ++Y)
            for (int X = 0; X < Width; ++X)
                EXPECT_EQ(
                    RgbAt(Result->ScanLine(Y) + 3 * X),
                    (TRgb{Source.ScanLine(Y)[3 * X], Source.ScanLine(Y)[3 * X + 1], Source.ScanLine(Y)[3 * X + 2]}));
    }
}

TEST(BitmapFilter, ChangesReachLaterCallsAndMarginsAreDropped)
{
    const TBitmap Source = PictureOf(3, 3, {{10, 20, 30}});
    const int Width = 3;
    auto Result = BitmapFilter(Source, ScribbleOutside, &Width);
    // Row 0 as it was; rows 1 and 2 have blue raised by 1 by the call above each pixel. The margins'
    // 99s never show.
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 3; ++X) EXPECT_EQ(RgbAt(Result->ScanLine(Y) + 3 * X), (TRgb{10, 20, Y == 0 ? 30 : 31}));
}

TEST(BitmapFilter, EmptySourceCallsNothing)
{
    for (auto [W, H] : {std::pair{0, 4}, std::pair{4, 0}}) {
        TBitmap Source;
        Source.SetLayout(W, H, 24);
        TRecorder Recorder;
        Recorder.Source = &Source;
        auto Result = BitmapFilter(Source, CheckWindow, &Recorder);
        EXPECT_EQ(Recorder.Calls, 0);
        EXPECT_EQ(Result->Width(), W);
        EXPECT_EQ(Result->Height(), H);
    }
}

TEST(BitmapFilter, RefusesOtherPixelFormats)
{
    TBitmap Source;
    Source.SetLayout(4, 4, 8);
    TRecorder Recorder;
    Recorder.Source = &Source;
    try {
        BitmapFilter(Source, CheckWindow, &Recorder);
        FAIL() << "no error";
    } catch (const Exception& Error) {
        EXPECT_EQ(Error.Message(), "BitmapFiletr accepts only 24Bit DIB");
    }
    EXPECT_EQ(Recorder.Calls, 0);
}
