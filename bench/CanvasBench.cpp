#include "bench/BenchSupport.h"

#include "platform/graphics/Canvas.h"

// The image view's frame: the 24-bit picture drawn at its own size into a 32-bit bitmap.
static void BM_StretchDraw24To32(benchmark::State& State)
{
    const TBitmap Picture = MakeBenchPicture(24);
    TBitmap Frame;
    Frame.SetLayout(BenchWidth, BenchHeight, 32);
    RunAgainstMemcpy(State, Frame.RowBytes() * BenchHeight,
                     [&] { Frame.Canvas().StretchDraw(Rect(0, 0, BenchWidth, BenchHeight), Picture); });
}
BENCHMARK(BM_StretchDraw24To32)->Unit(benchmark::kMillisecond);

// A zoomed view: the picture enlarged by 3 / 2 into a 24-bit bitmap (27 megapixels written).
static void BM_StretchDrawEnlarge24(benchmark::State& State)
{
    const TBitmap Picture = MakeBenchPicture(24);
    TBitmap Frame;
    Frame.SetLayout(BenchWidth * 3 / 2, BenchHeight * 3 / 2, 24);
    RunAgainstMemcpy(State, Picture.RowBytes() * BenchHeight,
                     [&] { Frame.Canvas().StretchDraw(Rect(0, 0, Frame.Width(), Frame.Height()), Picture); });
}
BENCHMARK(BM_StretchDrawEnlarge24)->Unit(benchmark::kMillisecond);

// An 8-bit picture drawn into a 24-bit bitmap: every pixel through its palette colour.
static void BM_StretchDraw8To24(benchmark::State& State)
{
    TBitmap Picture = MakeBenchPicture(24);
    Picture.SetPixelFormat(pf8bit);
    TBitmap Frame;
    Frame.SetLayout(BenchWidth, BenchHeight, 24);
    RunAgainstMemcpy(State, Frame.RowBytes() * BenchHeight,
                     [&] { Frame.Canvas().StretchDraw(Rect(0, 0, BenchWidth, BenchHeight), Picture); });
}
BENCHMARK(BM_StretchDraw8To24)->Unit(benchmark::kMillisecond);

static void BM_FillRect24(benchmark::State& State)
{
    TBitmap Picture = MakeBenchPicture(24);
    Picture.Canvas().Brush.Color = clTeal;
    RunAgainstMemcpy(State, Picture.RowBytes() * BenchHeight,
                     [&] { Picture.Canvas().FillRect(Rect(0, 0, BenchWidth, BenchHeight)); });
}
BENCHMARK(BM_FillRect24)->Unit(benchmark::kMillisecond);

// A dotted inverting outline around the whole picture, drawn and erased.
static void BM_NotXorOutline24(benchmark::State& State)
{
    TBitmap Picture = MakeBenchPicture(24);
    TCanvas& Canvas = Picture.Canvas();
    Canvas.Pen = TPen{clBlack, 1, psDot, pmNotXor};
    Canvas.Brush.Style = bsClear;
    RunAgainstMemcpy(State, Picture.RowBytes() * BenchHeight, [&] {
        Canvas.Rectangle(10, 10, BenchWidth - 10, BenchHeight - 10);
        Canvas.Rectangle(10, 10, BenchWidth - 10, BenchHeight - 10);
    });
}
BENCHMARK(BM_NotXorOutline24)->Unit(benchmark::kMillisecond);

// The trimming frame: a two-pixel inverting outline around the whole picture, drawn and erased.
static void BM_NotXorWideOutline24(benchmark::State& State)
{
    TBitmap Picture = MakeBenchPicture(24);
    TCanvas& Canvas = Picture.Canvas();
    Canvas.Pen = TPen{clBlack, 2, psSolid, pmNotXor};
    Canvas.Brush.Style = bsClear;
    RunAgainstMemcpy(State, Picture.RowBytes() * BenchHeight, [&] {
        Canvas.Rectangle(10, 10, BenchWidth - 10, BenchHeight - 10);
        Canvas.Rectangle(10, 10, BenchWidth - 10, BenchHeight - 10);
    });
}
BENCHMARK(BM_NotXorWideOutline24)->Unit(benchmark::kMillisecond);
