// The six colour reductions on 12-megapixel 24-bit pictures, each beside memcpy of the picture's bytes,
// and the peak memory each one needs beyond its source.
//
// Two pictures: the synthetic gradient picture of BenchSupport, and the largest corpus photograph enlarged
// bilinearly to the same size (skipped when the corpus is absent). The memory figures come from a child
// process per run: a forked process starts with its high-water mark of resident memory at its resident
// size, so the mark after the reduction less the resident size before it is what the reduction added,
// calloc'd bitmaps and everything else included.

#include "bench/BenchSupport.h"
#include "engine/KelvoImg.h"
#include "platform/graphics/JPEGImage.h"
#include "reduce/Reduce.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TReduction = std::function<std::unique_ptr<TBitmap>(const TBitmap&)>;

struct TBenchMode
{
    const char* Name;
    TReduceMode Mode;
    TReduction Run;
};

const std::array<TBenchMode, 6> BenchModes{{
    {"Octree", rmOctree, [](const TBitmap& B) { return OctreeReduce(B, 256); }},
    {"MedianCut", rmMedianCut, [](const TBitmap& B) { return MedianCutReduce(B, 8); }},
    {"MedianCutByVariance", rmMedianCutByVariance, [](const TBitmap& B) { return MedianCutByVarianceReduce(B, 8); }},
    {"MedianCutDiffusion", rmMedianCutDiffusion, [](const TBitmap& B) { return MedianCutDiffusionReduce(B, 8); }},
    {"MedianCutByVarianceDiffusion", rmMedianCutByVarianceDiffusion,
     [](const TBitmap& B) { return MedianCutByVarianceDiffusionReduce(B, 8); }},
    {"StaticColorDiffusion", rmStaticColorDiffusion, [](const TBitmap& B) { return StaticColorDiffusionReduce(B); }},
}};

const TBitmap& SyntheticPicture()
{
    static const TBitmap Picture = MakeBenchPicture(24);
    return Picture;
}

// The corpus photograph enlarged to the benchmark size; empty when the corpus is absent.
const TBitmap* Photograph()
{
    static const std::optional<TBitmap> Picture = []() -> std::optional<TBitmap> {
        const std::filesystem::path File = std::filesystem::path(PIXORA_CORPUS_DIR) / "jpeg" / "xmp_test.jpg";
        std::ifstream Stream(File, std::ios::binary);
        if (!Stream) return std::nullopt;
        const std::vector<std::uint8_t> Bytes{std::istreambuf_iterator<char>(Stream), {}};
        TJPEGImage Jpeg;
        Jpeg.LoadFromStream(Bytes);
        return std::move(*TKelvoImage::BilinearResize(Jpeg.Bitmap(), BenchWidth, BenchHeight));
    }();
    return Picture ? &*Picture : nullptr;
}

std::size_t PictureBytes(const TBitmap& Picture)
{
    return Picture.RowBytes() * std::size_t(Picture.Height());
}

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM"), or −1.
long long StatusBytes(const std::string& Key)
{
    std::ifstream Status("/proc/self/status");
    std::string Line;
    while (std::getline(Status, Line))
        if (Line.rfind(Key + ":", 0) == 0) return std::stoll(Line.substr(Key.size() + 1)) * 1024;
    return -1;
}

// The resident bytes Operation adds at its peak, measured in a child process; −1 when that fails.
long long PeakExtraBytes(const std::function<void()>& Operation)
{
    // Free memory the allocator holds would be reused without counting; give it back first.
    malloc_trim(0);
    int Pipe[2];
    if (pipe(Pipe) != 0) return -1;
    const pid_t Child = fork();
    if (Child < 0) return -1;
    if (Child == 0) {
        close(Pipe[0]);
        const long long Before = StatusBytes("VmRSS");
        Operation();
        const long long Extra = StatusBytes("VmHWM") - Before;
        const bool Written = write(Pipe[1], &Extra, sizeof Extra) == ssize_t(sizeof Extra);
        _exit(Written ? 0 : 1);
    }
    close(Pipe[1]);
    long long Extra = -1;
    if (read(Pipe[0], &Extra, sizeof Extra) != ssize_t(sizeof Extra)) Extra = -1;
    close(Pipe[0]);
    int Status = 0;
    waitpid(Child, &Status, 0);
    return WIFEXITED(Status) && WEXITSTATUS(Status) == 0 ? Extra : -1;
}

// The allowance beyond the source: twice the 8-bit result plus 8 MB.
double AllowedExtraBytes(const TBitmap& Picture)
{
    return 2.0 * double(BytesPerScanLine(Picture.Width(), 8)) * Picture.Height() + 8.0 * 1024 * 1024;
}

void ReportPeak(benchmark::State& State, const TBitmap& Picture, long long Extra)
{
    if (Extra < 0) {
        State.SkipWithError("the child process measuring memory failed");
        return;
    }
    State.counters["peak_extra_MB"] = double(Extra) / (1024 * 1024);
    State.counters["allowed_extra_MB"] = AllowedExtraBytes(Picture) / (1024 * 1024);
    State.counters["within"] = double(Extra) <= AllowedExtraBytes(Picture) ? 1 : 0;
}

const TBitmap* PictureNamed(const std::string& Name)
{
    return Name == "Synthetic" ? &SyntheticPicture() : Photograph();
}

void BenchTime(benchmark::State& State, const TBenchMode& Mode, const std::string& PictureName)
{
    const TBitmap* Picture = PictureNamed(PictureName);
    if (!Picture) {
        State.SkipWithError("the picture corpus is absent");
        return;
    }
    RunAgainstMemcpy(State, PictureBytes(*Picture), [&] { benchmark::DoNotOptimize(Mode.Run(*Picture)->ScanLine(0)); });
}

void BenchMemory(benchmark::State& State, const TBenchMode& Mode, const std::string& PictureName)
{
    const TBitmap* Picture = PictureNamed(PictureName);
    if (!Picture) {
        State.SkipWithError("the picture corpus is absent");
        return;
    }
    long long Extra = -1;
    for (auto _ : State) Extra = PeakExtraBytes([&] { benchmark::DoNotOptimize(Mode.Run(*Picture)->ScanLine(0)); });
    ReportPeak(State, *Picture, Extra);
}

// The operation as the editor runs it: the image component holds its own copy of the picture and keeps
// the result; the extra memory is counted beyond that copy.
void BenchOperationMemory(benchmark::State& State, const TBenchMode& Mode)
{
    long long Extra = -1;
    for (auto _ : State) {
        TKelvoImage Image;
        Image.Picture().SetGraphic(&SyntheticPicture());
        Extra = PeakExtraBytes([&] { Image.Reduce(Mode.Mode); });
    }
    ReportPeak(State, SyntheticPicture(), Extra);
}

const bool Registered = [] {
    for (const TBenchMode& Mode : BenchModes) {
        for (const std::string PictureName : {"Synthetic", "Photograph"}) {
            benchmark::RegisterBenchmark(
                ("BM_Reduce" + std::string(Mode.Name) + "/" + PictureName).c_str(),
                [&Mode, PictureName](benchmark::State& State) { BenchTime(State, Mode, PictureName); })
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(
                ("BM_ReducePeakMemory" + std::string(Mode.Name) + "/" + PictureName).c_str(),
                [&Mode, PictureName](benchmark::State& State) { BenchMemory(State, Mode, PictureName); })
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("BM_ReduceOperationPeakMemory" + std::string(Mode.Name)).c_str(),
                                     [&Mode](benchmark::State& State) { BenchOperationMemory(State, Mode); })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace
