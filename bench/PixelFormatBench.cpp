// Pixel-format conversions of the 12-megapixel picture; every ratio is to memcpy of its 24-bit buffer.

#include "bench/BenchSupport.h"

namespace {

// Converts a fresh copy of a picture at FromBits (made outside the timing) to Target.
void RunConversion(benchmark::State& State, int FromBits, TPixelFormat Target)
{
    const TBitmap Picture = MakeBenchPicture(FromBits);
    const std::size_t Bytes = BytesPerScanLine(BenchWidth, 24) * BenchHeight;
    TBitmap Work;
    RunAgainstMemcpy(
        State, Bytes, [&] { Work = Picture; }, [&] { Work.SetPixelFormat(Target); });
}

void BM_PixelFormat24To32(benchmark::State& State)
{
    RunConversion(State, 24, pf32bit);
}
void BM_PixelFormat32To24(benchmark::State& State)
{
    RunConversion(State, 32, pf24bit);
}
void BM_PixelFormat24To8Halftone(benchmark::State& State)
{
    RunConversion(State, 24, pf8bit);
}
void BM_PixelFormat24To16(benchmark::State& State)
{
    RunConversion(State, 24, pf16bit);
}

} // namespace

BENCHMARK(BM_PixelFormat24To32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixelFormat32To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixelFormat24To8Halftone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixelFormat24To16)->Unit(benchmark::kMillisecond);
