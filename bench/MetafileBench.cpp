// Rendering every EMF and WMF of the shared corpus at its physical size onto a new 24-bit bitmap, as the
// shell shows a loaded metafile. Each file's elapsed time, which ranks the files, and its processor time
// (all threads) are printed beside memcpy of its bitmap; the counters give both for the median and the
// slowest file.
#include "bench/BenchSupport.h"
#include "bench/GuiApplication.h"

#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

struct TCorpusMetafile
{
    std::string File;
    std::unique_ptr<TPicture> Picture;
};

// The corpus's metafiles that load (damaged ones that are refused are left out), from MANIFEST.tsv, in
// physical measure as the shell shows them.
std::vector<TCorpusMetafile> LoadCorpusMetafiles()
{
    const std::filesystem::path Corpus(PIXORA_CORPUS_DIR);
    std::ifstream Manifest(Corpus / "MANIFEST.tsv");
    std::vector<TCorpusMetafile> Result;
    std::string Line;
    while (std::getline(Manifest, Line)) {
        std::istringstream Fields(Line);
        std::string File, Kind;
        std::getline(Fields, File, '\t');
        std::getline(Fields, Kind, '\t');
        if (Kind != "emf" && Kind != "wmf") continue;
        auto Picture = std::make_unique<TPicture>();
        try {
            Picture->LoadFromFile((Corpus / File).string());
            if (auto* Metafile = dynamic_cast<TMetafile*>(Picture->Graphic()); Metafile && Metafile->Inch() == 0)
                Metafile->SetInch(1);
        } catch (const std::exception&) {
            continue;
        }
        Result.push_back({File, std::move(Picture)});
    }
    return Result;
}

} // namespace

static void BM_RenderCorpusMetafiles(benchmark::State& State)
{
    EnsureGuiApplication();
    const std::vector<TCorpusMetafile> Files = LoadCorpusMetafiles();
    if (Files.empty()) {
        State.SkipWithError("the picture corpus is absent");
        return;
    }
    std::vector<double> Draw(Files.size(), 1e9), DrawCpu(Files.size(), 1e9), Copy(Files.size(), 1e9);
    for (auto _ : State) {
        for (std::size_t Index = 0; Index < Files.size(); ++Index) {
            const TGraphic& Graphic = *Files[Index].Picture->Graphic();
            State.PauseTiming();
            TBitmap Target;
            Target.SetLayout(std::max(1, Graphic.Width()), std::max(1, Graphic.Height()), 24);
            const std::size_t Bytes = BytesPerScanLine(Target.Width(), 24) * std::size_t(Target.Height());
            std::vector<std::uint8_t> From(Bytes, 1), To(Bytes, 2);
            // The new bitmap's memory is handed out untouched; its first writing costs the system's
            // page faults (seconds for the largest files here), which belong to making the bitmap, and
            // the copy beside it writes to memory already present too.
            std::memset(Target.ScanLine(0), 0, Bytes);
            // Processor time counts every thread: large pictures are played on several, and the painter
            // hands large fills to a pool of threads.
            State.ResumeTiming();
            const double Start = WallSeconds(), StartCpu = ProcessSeconds();
            Graphic.Draw(Target.Canvas(), Rect(0, 0, Target.Width(), Target.Height()));
            benchmark::DoNotOptimize(Target.ScanLine(0));
            const double Middle = WallSeconds(), MiddleCpu = ProcessSeconds();
            std::memcpy(To.data(), From.data(), Bytes);
            benchmark::DoNotOptimize(To.data());
            benchmark::ClobberMemory();
            const double End = WallSeconds();
            Draw[Index] = std::min(Draw[Index], Middle - Start);
            DrawCpu[Index] = std::min(DrawCpu[Index], MiddleCpu - StartCpu);
            Copy[Index] = std::min(Copy[Index], End - Middle);
        }
    }
    std::vector<std::size_t> Order(Files.size());
    for (std::size_t Index = 0; Index < Order.size(); ++Index) Order[Index] = Index;
    std::sort(Order.begin(), Order.end(), [&](std::size_t A, std::size_t B) { return Draw[A] < Draw[B]; });
    std::printf("%-48s %10s %10s %9s %11s %9s\n", "file (fastest of the runs)", "size", "draw_ms", "cpu_ms",
                "memcpy_ms", "x_memcpy");
    for (const std::size_t Index : Order) {
        const TGraphic& Graphic = *Files[Index].Picture->Graphic();
        std::printf("%-48s %4dx%-5d %10.3f %9.3f %11.4f %9.0f\n", Files[Index].File.c_str(), Graphic.Width(),
                    Graphic.Height(), Draw[Index] * 1000, DrawCpu[Index] * 1000, Copy[Index] * 1000,
                    Copy[Index] > 0 ? Draw[Index] / Copy[Index] : 0);
    }
    const std::size_t Median = Order[Order.size() / 2], Slowest = Order.back();
    State.counters["files"] = double(Files.size());
    State.counters["median_ms"] = Draw[Median] * 1000;
    State.counters["median_cpu_ms"] = DrawCpu[Median] * 1000;
    State.counters["median_memcpy_ms"] = Copy[Median] * 1000;
    State.counters["slowest_ms"] = Draw[Slowest] * 1000;
    State.counters["slowest_cpu_ms"] = DrawCpu[Slowest] * 1000;
    State.counters["slowest_memcpy_ms"] = Copy[Slowest] * 1000;
    State.counters["slowest_x_memcpy"] = Copy[Slowest] > 0 ? Draw[Slowest] / Copy[Slowest] : 0;
    State.SetLabel("slowest: " + Files[Slowest].File);
}
BENCHMARK(BM_RenderCorpusMetafiles)->Iterations(3)->Unit(benchmark::kMillisecond);
