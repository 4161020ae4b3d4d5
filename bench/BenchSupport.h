#pragma once
// Helpers of the benchmarks: the 12-megapixel test picture and timing beside memcpy.

#include "platform/graphics/Bitmap.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <time.h>

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

// The processor time of the calling thread, kernel time included (so page faults count) but not the time
// other processes hold the processor: the machines the benchmarks run on are shared.
inline double ThreadSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return double(Now.tv_sec) + double(Now.tv_nsec) * 1e-9;
}

// The processor time of the whole process, for operations that hand their work to a worker thread.
inline double ProcessSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
    return double(Now.tv_sec) + double(Now.tv_nsec) * 1e-9;
}

// Time as the user waits for it, for operations that split their work over the cores; the copy beside
// them is timed the same way, so a busy machine slows both.
inline double WallSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_MONOTONIC, &Now);
    return double(Now.tv_sec) + double(Now.tv_nsec) * 1e-9;
}

// Runs Prepare (untimed), then Operation, once per iteration and, beside them, memcpy of Bytes; reports
// the processor milliseconds of Operation and of the copy and their ratio ("x_memcpy": how many copies of the
// buffer the operation costs). Prepare gives an in-place operation a fresh input each time. Clock measures
// both; ProcessSeconds counts the operation's worker threads too, and WallSeconds is the time they take
// together. "process_cpu_ms" is the processor time of the operation over all threads, whatever the clock.
template <class TPrepare, class TOperation>
void RunAgainstMemcpy(benchmark::State& State, std::size_t Bytes, TPrepare&& Prepare, TOperation&& Operation,
                      double (*Clock)() = ThreadSeconds)
{
    std::vector<std::uint8_t> From(Bytes, 1);
    std::vector<std::uint8_t> To(Bytes, 2);
    double OperationSeconds = 0;
    double CopySeconds = 0;
    double ProcessorSeconds = 0;
    for (auto _ : State) {
        State.PauseTiming();
        Prepare();
        State.ResumeTiming();
        const double ProcessStart = ProcessSeconds();
        const double Start = Clock();
        Operation();
        benchmark::ClobberMemory();
        const double Middle = Clock();
        ProcessorSeconds += ProcessSeconds() - ProcessStart;
        std::memcpy(To.data(), From.data(), Bytes);
        benchmark::DoNotOptimize(To.data());
        benchmark::ClobberMemory();
        const double End = Clock();
        OperationSeconds += Middle - Start;
        CopySeconds += End - Middle;
    }
    const double Iterations = double(State.iterations());
    State.counters["op_ms"] = OperationSeconds * 1000 / Iterations;
    State.counters["memcpy_ms"] = CopySeconds * 1000 / Iterations;
    State.counters["process_cpu_ms"] = ProcessorSeconds * 1000 / Iterations;
    State.counters["x_memcpy"] = CopySeconds > 0 ? OperationSeconds / CopySeconds : 0;
}

template <class TOperation> void RunAgainstMemcpy(benchmark::State& State, std::size_t Bytes, TOperation&& Operation)
{
    RunAgainstMemcpy(
        State, Bytes, [] {}, Operation);
}
