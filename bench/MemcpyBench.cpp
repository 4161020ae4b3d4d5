#include "bench/BenchSupport.h"

// The baseline alone: a 24-bit 12-megapixel buffer copied, beside itself.
static void BM_Memcpy24(benchmark::State& State)
{
    const std::size_t Bytes = BytesPerScanLine(BenchWidth, 24) * BenchHeight;
    std::vector<std::uint8_t> From(Bytes, 3), To(Bytes);
    RunAgainstMemcpy(State, Bytes, [&] { std::memcpy(To.data(), From.data(), Bytes); });
}
BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
