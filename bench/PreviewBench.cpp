// The print preview of the 12-megapixel picture: opening the preview window up to its first painted
// sheet, rebuilding and painting 16 × 16 sheets (with the rise of the peak resident memory), and printing
// one A4 page of it into a PDF file, each beside memcpy of the picture's bytes. The printer is the current
// one: the default print queue, or the PDF printer on a machine without one.

#include "app/Preview.h"
#include "bench/BenchSupport.h"
#include "bench/GuiApplication.h"
#include "platform/controls/ImageView.h"
#include "platform/graphics/Picture.h"
#include "platform/system/Printer.h"
#include "preview/GrphPrev.h"
#include "preview/PrintPages.h"

#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <fstream>
#include <string>

namespace {

const TBitmap& Photograph()
{
    static const TBitmap Picture = MakeBenchPicture(24);
    return Picture;
}

// A value of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKilobytes(const std::string& Key)
{
    std::ifstream Status("/proc/self/status");
    for (std::string Line; std::getline(Status, Line);)
        if (Line.rfind(Key + ":", 0) == 0) return std::stol(Line.substr(Key.size() + 1));
    return 0;
}

// Starts a new peak of the resident memory at the current size.
void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace

static void BM_PreviewOpen(benchmark::State& State)
{
    EnsureGuiApplication();
    TPicture Source;
    Source.SetGraphic(&Photograph());
    std::unique_ptr<TForm3> Form;
    RunAgainstMemcpy(
        State, Photograph().RowBytes() * std::size_t(Photograph().Height()), [&] { Form.reset(); },
        [&] {
            Form = std::make_unique<TForm3>(Source);
            Form->show();
            benchmark::DoNotOptimize(Form->GraphicPreview1->SheetView(0).grab());
        },
        WallSeconds);
}
BENCHMARK(BM_PreviewOpen)->Unit(benchmark::kMillisecond);

static void BM_UpdatePreview16x16(benchmark::State& State)
{
    EnsureGuiApplication();
    TGraphicPreview Preview;
    Preview.SetGraphic(&Photograph());
    const TPrinterInfo Info = Preview.GetPrinterInfo();
    Preview.SetPrintArea(Rect(0, 0, 16 * Info.PrintWidth - 1, 16 * Info.PrintHeight - 1));
    long PeakRise = 0;
    RunAgainstMemcpy(
        State, Photograph().RowBytes() * std::size_t(Photograph().Height()), [] {},
        [&] {
            const long Before = StatusKilobytes("VmRSS");
            ResetPeakMemory();
            Preview.UpdatePreview();
            // Every sheet painted, as scrolling over them all would.
            for (int Index = 0; Index < Preview.SheetCount(); ++Index)
                benchmark::DoNotOptimize(Preview.SheetView(Index).grab());
            PeakRise = std::max(PeakRise, StatusKilobytes("VmHWM") - Before);
        },
        WallSeconds);
    State.counters["sheets"] = Preview.SheetCount();
    State.counters["peak_rise_MB"] = double(PeakRise) / 1024;
    State.counters["picture_MB"] = double(Photograph().RowBytes() * std::size_t(Photograph().Height())) / (1 << 20);
}
BENCHMARK(BM_UpdatePreview16x16)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_PrintA4PageToPdf(benchmark::State& State)
{
    EnsureGuiApplication();
    TGraphicPreview Preview;
    Preview.SetGraphic(&Photograph());
    const TPrinterInfo Info = Preview.GetPrinterInfo();
    // The photograph stretched over the first page's printable area.
    Preview.SetPrintArea(Rect(0, 0, Info.PrintWidth, Info.PrintHeight * 3 / 4));
    QTemporaryDir Folder;
    QPrinter Device(QPrinter::HighResolution);
    Device.setOutputFormat(QPrinter::PdfFormat);
    Device.setResolution(Info.PrinterDPIX);
    Device.setFullPage(false);
    Device.setOutputFileName(Folder.filePath(QStringLiteral("page.pdf")));
    RunAgainstMemcpy(
        State, Photograph().RowBytes() * std::size_t(Photograph().Height()), [] {},
        [&] { PrintPreviewPages(Preview, Device, 1, 1, nullptr); }, WallSeconds);
    State.counters["pdf_MB"] = double(QFileInfo(Device.outputFileName()).size()) / (1 << 20);
}
BENCHMARK(BM_PrintA4PageToPdf)->Unit(benchmark::kMillisecond);
