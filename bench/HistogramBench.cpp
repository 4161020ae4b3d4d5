// DrawHistogram of the 12-megapixel 24-bit picture into a bitmap at scale 1 and at scale 5, beside memcpy
// of the picture's bytes.

#include "bench/BenchSupport.h"
#include "bench/GuiApplication.h"
#include "engine/KelvoImg.h"

namespace {

void RunDrawHistogram(benchmark::State& State, int Scale)
{
    // The axis labels are text.
    EnsureGuiApplication();
    static const TBitmap Picture = MakeBenchPicture(24);
    TKelvoImage Image;
    Image.Picture().SetGraphic(&Picture);
    TBitmap Drawing;
    // The levels are counted on every core: timed by the wall.
    RunAgainstMemcpy(
        State, Picture.RowBytes() * std::size_t(Picture.Height()), [] {},
        [&] { Image.DrawHistogram(Drawing, Scale, 0, 0); }, WallSeconds);
}

} // namespace

static void BM_DrawHistogram(benchmark::State& State)
{
    RunDrawHistogram(State, int(State.range(0)));
}
BENCHMARK(BM_DrawHistogram)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);
