#include "bench/BenchSupport.h"

#include "platform/graphics/codecs/BmpCodec.h"

// Reading a 24-bit 12-megapixel BMP file held in memory into a new bitmap.
static void BM_ReadBmp24(benchmark::State& State)
{
    std::vector<std::uint8_t> File;
    WriteBmp(MakeBenchPicture(24), File);
    RunAgainstMemcpy(State, File.size(), [&] {
        TBitmap Bitmap;
        ReadBmp(File, Bitmap);
        benchmark::DoNotOptimize(Bitmap.ScanLine(0));
    });
}
BENCHMARK(BM_ReadBmp24)->Unit(benchmark::kMillisecond);

// Writing it into a new memory stream.
static void BM_WriteBmp24(benchmark::State& State)
{
    const TBitmap Picture = MakeBenchPicture(24);
    const std::size_t Bytes = BytesPerScanLine(BenchWidth, 24) * BenchHeight;
    RunAgainstMemcpy(State, Bytes, [&] {
        std::vector<std::uint8_t> File;
        WriteBmp(Picture, File);
        benchmark::DoNotOptimize(File.data());
    });
}
BENCHMARK(BM_WriteBmp24)->Unit(benchmark::kMillisecond);

// The floor under both: copying the picture into freshly allocated memory, whose first touch of every
// page is paid for here as in the reader and the writer.
static void BM_MemcpyIntoFreshBuffer24(benchmark::State& State)
{
    const TBitmap Picture = MakeBenchPicture(24);
    const std::size_t Bytes = BytesPerScanLine(BenchWidth, 24) * BenchHeight;
    RunAgainstMemcpy(State, Bytes, [&] {
        TBitmap Fresh;
        Fresh.SetLayout(BenchWidth, BenchHeight, 24);
        std::memcpy(Fresh.ScanLine(0), Picture.ScanLine(0), Bytes);
        benchmark::DoNotOptimize(Fresh.ScanLine(0));
    });
}
BENCHMARK(BM_MemcpyIntoFreshBuffer24)->Unit(benchmark::kMillisecond);
