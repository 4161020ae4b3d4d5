// Metafiles made to cost the most, each played onto a 24-bit bitmap of its size (in bands): one polygon
// of 120,000 self-crossing points, a 60,000-point polyline of a wide pen, and 500 bitmap records of a
// 631-byte JPEG claiming 8192 × 4096 pixels.
#include "bench/GuiApplication.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/codecs/JpegCodec.h"
#include "platform/graphics/emf/EmfWriter.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <uemf.h>

namespace {

TMetafile RandomShape(int Side, int Points, std::uint32_t Type, int PenWidth)
{
    TEmfWriter Writer;
    if (PenWidth > 0) {
        Writer.Add(U_EMR_CREATEPEN, {1, U_PS_SOLID, PenWidth, 0, 0});
        Writer.UseHandle(1);
        Writer.Add(U_EMR_SELECTOBJECT, {1});
    }
    std::mt19937 Random(1);
    std::vector<std::uint8_t> Tail;
    for (int Index = 0; Index < 2 * Points; ++Index) {
        const auto Value = std::uint16_t(Random() % std::uint32_t(Side));
        Tail.push_back(std::uint8_t(Value));
        Tail.push_back(std::uint8_t(Value >> 8));
    }
    Writer.Add(Type, {0, 0, Side, Side, Points}, Tail);
    TMetafile Metafile;
    Metafile.SetEmfBytes(Writer.Finish({0, 0, Side * 2540 / 96, Side * 2540 / 96}, {1920, 1080, 508000, 285750}));
    Metafile.SetInch(1);
    return Metafile;
}

void PlayShape(benchmark::State& State, const TMetafile& Metafile)
{
    TBitmap Target;
    Target.SetLayout(Metafile.Width(), Metafile.Height(), 24);
    for (auto _ : State) Metafile.Draw(Target.Canvas(), Rect(0, 0, Target.Width(), Target.Height()));
}

} // namespace

static void BM_PlaySelfCrossingPolygon(benchmark::State& State)
{
    EnsureGuiApplication();
    PlayShape(State, RandomShape(int(State.range(0)), 120000, U_EMR_POLYGON16, 0));
}
BENCHMARK(BM_PlaySelfCrossingPolygon)->Arg(96)->Arg(4000)->Iterations(2)->Unit(benchmark::kMillisecond);

static void BM_PlayWidePenPolyline(benchmark::State& State)
{
    EnsureGuiApplication();
    PlayShape(State, RandomShape(int(State.range(0)), 60000, U_EMR_POLYLINE16, 3));
}
BENCHMARK(BM_PlayWidePenPolyline)->Arg(96)->Arg(4000)->Iterations(2)->Unit(benchmark::kMillisecond);

static void BM_PlayRepeatedJpegBitmaps(benchmark::State& State)
{
    EnsureGuiApplication();
    TBitmap Flat;
    Flat.SetLayout(16, 16, 24);
    std::vector<std::uint8_t> Jpeg;
    EncodeJpeg(Flat, 90, Jpeg);
    // The start of frame claims 8192 × 4096; the data ends long before.
    for (std::size_t At = 2; At + 9 < Jpeg.size(); ++At)
        if (Jpeg[At] == 0xFF && Jpeg[At + 1] == 0xC0) {
            Jpeg[At + 5] = 4096 >> 8, Jpeg[At + 6] = 0, Jpeg[At + 7] = 8192 >> 8, Jpeg[At + 8] = 0;
            break;
        }
    std::vector<std::uint8_t> Tail(40, 0);
    const std::int32_t Header[] = {40, 8192, 4096};
    const std::uint16_t Planes = 1;
    const std::uint32_t Compression = 4, Bytes = std::uint32_t(Jpeg.size()); // BI_JPEG
    std::memcpy(Tail.data(), Header, sizeof Header);
    std::memcpy(Tail.data() + 12, &Planes, 2);
    std::memcpy(Tail.data() + 16, &Compression, 4);
    std::memcpy(Tail.data() + 20, &Bytes, 4);
    Tail.insert(Tail.end(), Jpeg.begin(), Jpeg.end());
    TEmfWriter Writer;
    for (int Index = 0; Index < 500; ++Index)
        Writer.Add(U_EMR_STRETCHDIBITS,
                   {0, 0, -1, -1, 10 + Index % 50, 10, 0, 0, 8192, 4096, 80, 40, 120, std::int32_t(Jpeg.size()),
                    U_DIB_RGB_COLORS, std::int32_t(U_SRCCOPY), 200, 100},
                   Tail);
    TMetafile Metafile;
    Metafile.SetEmfBytes(Writer.Finish({0, 0, 400 * 2540 / 96, 300 * 2540 / 96}, {1920, 1080, 508000, 285750}));
    Metafile.SetInch(1);
    PlayShape(State, Metafile);
}
BENCHMARK(BM_PlayRepeatedJpegBitmaps)->Iterations(2)->Unit(benchmark::kMillisecond);
