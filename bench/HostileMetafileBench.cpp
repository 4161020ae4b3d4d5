// Metafiles made to cost the most: one polygon of 120,000 self-crossing points over a 4000 × 4000 frame,
// and a 60,000-point polyline of a wide pen, each played onto a 24-bit bitmap of its size (in bands).
#include "bench/GuiApplication.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/emf/EmfWriter.h"

#include <benchmark/benchmark.h>

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
