// The neighbourhood filters and the framing effect on the 12-megapixel picture, through TKelvoImage.

#include "bench/BenchSupport.h"
#include "engine/KelvoImg.h"

namespace {

const std::size_t PictureBytes = BytesPerScanLine(BenchWidth, 24) * BenchHeight;

template <class TOperation> void RunOnPicture(benchmark::State& State, TOperation&& Operation)
{
    TKelvoImage Image;
    Image.Picture().SetGraphic(std::make_unique<TBitmap>(MakeBenchPicture()));
    RunAgainstMemcpy(State, PictureBytes, [&] { Operation(Image); });
}

} // namespace

static void BM_Blur(benchmark::State& State)
{
    RunOnPicture(State, [](TKelvoImage& Image) { Image.Blur(); });
}
BENCHMARK(BM_Blur)->Unit(benchmark::kMillisecond);

static void BM_Edge(benchmark::State& State)
{
    RunOnPicture(State, [](TKelvoImage& Image) { Image.Edge(50); });
}
BENCHMARK(BM_Edge)->Unit(benchmark::kMillisecond);

static void BM_Median(benchmark::State& State)
{
    RunOnPicture(State, [](TKelvoImage& Image) { Image.Median(50); });
}
BENCHMARK(BM_Median)->Unit(benchmark::kMillisecond);

static void BM_Sobel(benchmark::State& State)
{
    RunOnPicture(State, [](TKelvoImage& Image) { Image.Sobel(50, true); });
}
BENCHMARK(BM_Sobel)->Unit(benchmark::kMillisecond);

static void BM_Mosaic(benchmark::State& State)
{
    RunOnPicture(State, [](TKelvoImage& Image) { Image.Mosaic(10); });
}
BENCHMARK(BM_Mosaic)->Unit(benchmark::kMillisecond);

static void BM_Framing(benchmark::State& State)
{
    RunOnPicture(State, [](TKelvoImage& Image) { Image.Framing(50, 150, true); });
}
BENCHMARK(BM_Framing)->Unit(benchmark::kMillisecond);
