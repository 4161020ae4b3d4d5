#include "platform/system/Printer.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

namespace {

// Resolution of the PDF printer, and of a printer whose driver names none: a laser printer's.
constexpr int DefaultPixelsPerInch = 600;

std::unique_ptr<TPrinter>& CurrentPrinter()
{
    static std::unique_ptr<TPrinter> Current;
    return Current;
}

// The finest resolution the driver offers. The toolkit's own figure (1200 in high-resolution mode) is
// not the printer's.
int PixelsPerInchOf(const QPrinterInfo& Info)
{
    const QList<int> Resolutions = Info.supportedResolutions();
    if (Resolutions.isEmpty()) return DefaultPixelsPerInch;
    return *std::max_element(Resolutions.begin(), Resolutions.end());
}

} // namespace

TSystemPrinter::TSystemPrinter() : FDevice(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    const QPrinterInfo Default = QPrinterInfo::defaultPrinter();
    const QList<QPrinterInfo> Available = QPrinterInfo::availablePrinters();
    const QPrinterInfo Chosen = !Default.isNull() ? Default : Available.isEmpty() ? QPrinterInfo() : Available.front();
    if (Chosen.isNull()) {
        FDevice->setOutputFormat(QPrinter::PdfFormat);
    } else {
        FDevice->setPrinterName(Chosen.printerName());
        // The toolkit starts on its own default paper, not on the printer's.
        FDevice->setPageSize(Chosen.defaultPageSize());
    }
    Refit();
}

TSystemPrinter::~TSystemPrinter() = default;

void TSystemPrinter::Refit()
{
    const QPrinterInfo Info(*FDevice);
    if (FDevice->outputFormat() == QPrinter::NativeFormat && Info.isNull())
        FDevice->setOutputFormat(QPrinter::PdfFormat);
    FDevice->setResolution(IsPdf() ? DefaultPixelsPerInch : PixelsPerInchOf(Info));
    FDevice->setFullPage(false);
    // Margins keep the largest a printer ever needed; the printable area is the one of the minimum.
    FDevice->setPageMargins(FDevice->pageLayout().minimumMargins(), FDevice->pageLayout().units());
}

bool TSystemPrinter::IsPdf() const
{
    return FDevice->outputFormat() == QPrinter::PdfFormat;
}

std::string TSystemPrinter::PrinterName() const
{
    return IsPdf() ? std::string() : FDevice->printerName().toStdString();
}

TDeviceCaps TSystemPrinter::DeviceCaps() const
{
    const QRect Page = FDevice->pageRect(QPrinter::DevicePixel).toRect();
    const QRect Paper = FDevice->paperRect(QPrinter::DevicePixel).toRect();
    TDeviceCaps Caps;
    Caps.HorzRes = Page.width();
    Caps.VertRes = Page.height();
    Caps.PhysicalWidth = Paper.width();
    Caps.PhysicalHeight = Paper.height();
    Caps.PhysicalOffsetX = Page.left() - Paper.left();
    Caps.PhysicalOffsetY = Page.top() - Paper.top();
    Caps.LogPixelsX = FDevice->logicalDpiX();
    Caps.LogPixelsY = FDevice->logicalDpiY();
    return Caps;
}

TPrinterFont TSystemPrinter::Font() const
{
    // The face the editor writes Japanese with, at a size that reads well on paper.
    return TPrinterFont{"IPAPGothic", 10};
}

TPrinter& Printer()
{
    std::unique_ptr<TPrinter>& Current = CurrentPrinter();
    if (!Current) Current = std::make_unique<TSystemPrinter>();
    return *Current;
}

void SetPrinter(std::unique_ptr<TPrinter> Value)
{
    CurrentPrinter() = std::move(Value);
}
