// Rotation, mirroring and resampling of the 12-megapixel picture.

#include "bench/BenchSupport.h"
#include "engine/GeometryKernels.h"
#include "engine/KelvoImg.h"

namespace {

const std::size_t PictureBytes = BytesPerScanLine(BenchWidth, 24) * BenchHeight;

} // namespace

static void BM_Turn90(benchmark::State& State)
{
    TKelvoImage Image;
    Image.Picture().SetGraphic(std::make_unique<TBitmap>(MakeBenchPicture()));
    RunAgainstMemcpy(State, PictureBytes, [&] { Image.Turn(90); });
}
BENCHMARK(BM_Turn90)->Unit(benchmark::kMillisecond);

// The pixel loop alone, into a target allocated and touched beforehand: what Turn costs beyond the
// first touch of its new bitmap's pages.
static void BM_Turn90PixelsOnly(benchmark::State& State)
{
    const TBitmap Source = MakeBenchPicture();
    TBitmap Target;
    Target.SetLayout(BenchHeight, BenchWidth, 24);
    TurnPixels(Source, Target, 90);
    RunAgainstMemcpy(State, PictureBytes, [&] { TurnPixels(Source, Target, 90); });
}
BENCHMARK(BM_Turn90PixelsOnly)->Unit(benchmark::kMillisecond);

static void BM_Reverse(benchmark::State& State)
{
    TKelvoImage Image;
    Image.Picture().SetGraphic(std::make_unique<TBitmap>(MakeBenchPicture()));
    RunAgainstMemcpy(State, PictureBytes, [&] { Image.Reverse(); });
}
BENCHMARK(BM_Reverse)->Unit(benchmark::kMillisecond);

// Shrink's resampler on the whole picture to half its size; beside memcpy of the source. The resamplers
// work in bands on every core, so they are timed by the wall.
static void BM_ShrinkToHalf(benchmark::State& State)
{
    const TBitmap Source = MakeBenchPicture();
    RunAgainstMemcpy(
        State, PictureBytes, [] {},
        [&] { benchmark::DoNotOptimize(TKelvoImage::AreaAverageResize(Source, BenchWidth / 2, BenchHeight / 2)); },
        WallSeconds);
}
BENCHMARK(BM_ShrinkToHalf)->Unit(benchmark::kMillisecond);

// Enlarge's resampler from 3 to 12 megapixels; beside memcpy of the result.
static void BM_EnlargeToDouble(benchmark::State& State)
{
    TBitmap Source = MakeBenchPicture();
    Source.SetSize(BenchWidth / 2, BenchHeight / 2);
    RunAgainstMemcpy(
        State, PictureBytes, [] {},
        [&] { benchmark::DoNotOptimize(TKelvoImage::BilinearResize(Source, BenchWidth, BenchHeight)); }, WallSeconds);
}
BENCHMARK(BM_EnlargeToDouble)->Unit(benchmark::kMillisecond);
