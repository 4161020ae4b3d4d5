// The tone operations and the level-range query on the 12-megapixel 24-bit picture, each beside memcpy
// of the picture's bytes.

#include "bench/BenchSupport.h"
#include "engine/KelvoImg.h"

#include <cmath>
#include <functional>

namespace {

const TBitmap& BenchPicture()
{
    static const TBitmap Picture = MakeBenchPicture(24);
    return Picture;
}

void RunTone(benchmark::State& State, const std::function<void(TKelvoImage&)>& Operation)
{
    TKelvoImage Image;
    Image.Picture().SetGraphic(&BenchPicture());
    const std::size_t Bytes = BenchPicture().RowBytes() * std::size_t(BenchPicture().Height());
    // The same picture changed again and again: the look-up tables do not care what the levels are. The
    // operations change and count large pictures on every core, so they are timed by the wall.
    RunAgainstMemcpy(
        State, Bytes, [] {}, [&] { Operation(Image); }, WallSeconds);
}

} // namespace

static void BM_Bright(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.Bright(120); });
}
static void BM_Light(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.Light(10); });
}
static void BM_Contrast(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.Contrast(120); });
}
static void BM_Gamma(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.Gamma(1.5L); });
}
static void BM_Linear(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.Linear(110, -5); });
}
static void BM_Negative(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.Negative(); });
}
static void BM_Posterization(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.Posterization(8); });
}
static void BM_GrayScale(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.GrayScale(); });
}
static void BM_Sepia(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) { Image.Sepia(); });
}
static void BM_BlackAndWhite(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) {
        int Threshold = 0;
        Image.BlackAndWhite(128, Threshold);
    });
}
static void BM_GetLevelRange(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) {
        int Low = 0;
        int High = 0;
        Image.GetLevelRange(Low, High, 1, 1);
        benchmark::DoNotOptimize(Low + High);
    });
}
// One step of the window's tone sliders, all four away from neutral: the picture becomes a copy of the
// base, then Light, Gamma, Contrast and Bright (the engine's side of the window's ApplyAdjustments).
static void BM_ToneSliderStep(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) {
        Image.Picture().SetGraphic(&BenchPicture());
        Image.AdjustTones(20, std::pow(10.0L, 10.0L / 60), 120, 110);
    });
}
// The same step as four separate operations.
static void BM_ToneSliderStepOneByOne(benchmark::State& State)
{
    RunTone(State, [](TKelvoImage& Image) {
        Image.Picture().SetGraphic(&BenchPicture());
        Image.Light(20);
        Image.Gamma(std::pow(10.0L, 10.0L / 60));
        Image.Contrast(120);
        Image.Bright(110);
    });
}
BENCHMARK(BM_Bright)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Light)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gamma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Linear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Negative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Posterization)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrayScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sepia)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlackAndWhite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetLevelRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneSliderStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneSliderStepOneByOne)->Unit(benchmark::kMillisecond);
