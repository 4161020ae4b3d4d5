#include "preview/PrintPages.h"

#include "platform/system/Messages.h"
#include "platform/system/PrinterServiceError.h"
#include "preview/GrphPrev.h"
#include "preview/PagePicture.h"
#include "preview/PainterDevice.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>

namespace {

// Whether a written PDF file ends as a PDF does: the toolkit does not report a write that failed (a full
// disk), which leaves the file cut short.
bool CompletePdf(const QString& FileName)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly) || File.size() < 16) return false;
    File.seek(File.size() - 16);
    return File.read(16).contains("%%EOF");
}

} // namespace

bool PrintPreviewPages(const TGraphicPreview& Preview, QPrinter& Device, int From, int To,
                       const TPrintProgress& Progress)
{
    const int Across = Preview.HorzPageCount();
    const int Count = Across * Preview.VertPageCount();
    From = std::max(From, 1);
    To = std::min(To, Count);
    if (From > To) return true;
    const TPrinterInfo Info = Preview.GetPrinterInfo();
    // The page pictures are in the pixels of the printer the preview measured.
    const int Width = Info.PrintWidth * Device.logicalDpiX() / Info.PrinterDPIX;
    const int Height = Info.PrintHeight * Device.logicalDpiY() / Info.PrinterDPIY;

    // A print queue reports its failures through the print service; a PDF file through the file.
    const bool ToQueue = Device.outputFormat() == QPrinter::NativeFormat;
    const auto Failure = [&] {
        if (!ToQueue) return FormatMessage(Messages::SFCreateError, Device.outputFileName().toStdString().c_str());
        const std::string Message = PrintServiceError();
        return Message.empty() ? std::string(SPrintFailed) : Message;
    };
    if (ToQueue) ClearPrintServiceError();
    QPainter Painter;
    if (!Painter.begin(&Device)) throw Exception(Failure());
    TCanvas Canvas(MakePainterDevice(Painter));
    for (int Number = From; Number <= To; ++Number) {
        if (Progress && !Progress(Number - From, To - From + 1)) {
            Device.abort();
            return false;
        }
        if (Number > From) Device.newPage();
        const std::unique_ptr<TPagePicture> Page =
            Preview.GetPageMetafile((Number - 1) % Across + 1, (Number - 1) / Across + 1);
        // What overflows the printable area is not printed, as the sheet images do not show it.
        Painter.setClipRect(0, 0, Width, Height);
        Page->Draw(Canvas, Rect(0, 0, Width, Height));
    }
    const bool Ended = Painter.end();
    const bool Written = ToQueue ? PrintServiceError().empty() : CompletePdf(Device.outputFileName());
    if (!Ended || Device.printerState() == QPrinter::Error || !Written) throw Exception(Failure());
    if (Progress) Progress(To - From + 1, To - From + 1);
    return true;
}
