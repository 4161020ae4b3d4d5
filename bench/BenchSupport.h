#pragma once
// Helpers of the benchmarks: the 12-megapixel test picture and timing beside memcpy.

#include "platform/graphics/Bitmap.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

inline constexpr int BenchWidth = 4000;
inline constexpr int BenchHeight = 3000;

// A 4000 × 3000 picture at BitCount (24 or 32) with smooth gradients and noise, so it has many distinct
// colours like a photograph.
inline TBitmap MakeBenchPicture(int BitCount = 24)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(BenchWidth, BenchHeight, BitCount);
    std::uint32_t Noise = 12345;
    const int Bytes = BitCount / 8;
    for (int Y = 0; Y < BenchHeight; ++Y) {
        std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (int X = 0; X < BenchWidth; ++X) {
            Noise = Noise * 1664525u + 1013904223u;
            const int Jitter = int(Noise >> 28) - 8;
            std::uint8_t* Pixel = Row + X * Bytes;
            Pixel[0] = std::uint8_t(std::clamp(X * 255 / BenchWidth + Jitter, 0, 255));
            Pixel[1] = std::uint8_t(std::clamp(Y * 255 / BenchHeight + Jitter, 0, 255));
            Pixel[2] = std::uint8_t(std::clamp((X + Y) * 255 / (BenchWidth + BenchHeight) - Jitter, 0, 255));
        }
    }
    return Bitmap;
}

// Runs Operation once per iteration and, beside it, memcpy of Bytes; reports the milliseconds of each
// and their ratio ("x_memcpy": how many copies of the buffer the operation costs).
template <class TOperation>
void RunAgainstMemcpy(benchmark::State& State, std::size_t Bytes, TOperation&& Operation)
{
    using TClock = std::chrono::steady_clock;
    std::vector<std::uint8_t> From(Bytes, 1);
    std::vector<std::uint8_t> To(Bytes, 2);
    double OperationSeconds = 0;
    double CopySeconds = 0;
    for (auto _ : State) {
        const auto Start = TClock::now();
        Operation();
        benchmark::ClobberMemory();
        const auto Middle = TClock::now();
        std::memcpy(To.data(), From.data(), Bytes);
        benchmark::DoNotOptimize(To.data());
        benchmark::ClobberMemory();
        const auto End = TClock::now();
        OperationSeconds += std::chrono::duration<double>(Middle - Start).count();
        CopySeconds += std::chrono::duration<double>(End - Middle).count();
    }
    const double Iterations = double(State.iterations());
    State.counters["op_ms"] = OperationSeconds * 1000 / Iterations;
    State.counters["memcpy_ms"] = CopySeconds * 1000 / Iterations;
    State.counters["x_memcpy"] = CopySeconds > 0 ? OperationSeconds / CopySeconds : 0;
}
