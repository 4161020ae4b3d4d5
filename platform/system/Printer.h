#pragma once
// The current printer: the page geometry the print preview measures and the device print jobs go to.
// By default it is the system's default printer on its default paper, or, on a machine without a print
// service or printer, a PDF printer on the toolkit's default paper, so that the preview and printing work
// everywhere. Tests install a printer of their own with SetPrinter.

#include <memory>
#include <string>

class QPrinter;

// The device capabilities of a printer, in printer pixels and pixels per inch.
struct TDeviceCaps
{
    int HorzRes = 0;         // width of the printable area
    int VertRes = 0;         // height of the printable area
    int PhysicalWidth = 0;   // width of the paper
    int PhysicalHeight = 0;  // height of the paper
    int PhysicalOffsetX = 0; // paper's left edge to the printable area
    int PhysicalOffsetY = 0; // paper's top edge to the printable area
    int LogPixelsX = 0;
    int LogPixelsY = 0;
};

// The font of a printer's canvas: a face name and a size in points.
struct TPrinterFont
{
    std::string Name;
    int Size = 0;
};

class TPrinter
{
public:
    virtual ~TPrinter() = default;

    virtual TDeviceCaps DeviceCaps() const = 0;
    // The output scale in percent.
    virtual int Scale() const = 0;
    virtual TPrinterFont Font() const = 0;
    // The toolkit's printer that dialogs set up and jobs paint on; null for a printer that only measures.
    virtual QPrinter* Device() { return nullptr; }
    // Makes the device fit this printer again after a dialog changed its printer, paper or orientation.
    virtual void Refit() {}
};

// The printer of the system's print service, or the PDF printer where the service offers none.
class TSystemPrinter : public TPrinter
{
public:
    TSystemPrinter();
    ~TSystemPrinter() override;
    TSystemPrinter(const TSystemPrinter&) = delete;
    TSystemPrinter& operator=(const TSystemPrinter&) = delete;

    // Capabilities as the printer's driver gives them: the printable area from its minimum margins,
    // the pixels per inch of its finest resolution.
    TDeviceCaps DeviceCaps() const override;
    // The print service has no output scale: always 100.
    int Scale() const override { return 100; }
    TPrinterFont Font() const override;
    QPrinter* Device() override { return FDevice.get(); }
    // Minimum margins and resolution of the printer now chosen; a PDF printer again where the chosen
    // printer has gone.
    void Refit() override;

    // True while output goes to a PDF file rather than to a print queue.
    bool IsPdf() const;
    // The print queue's name, empty for the PDF printer.
    std::string PrinterName() const;

private:
    std::unique_ptr<QPrinter> FDevice;
};

// The current printer, made on first use.
TPrinter& Printer();
// Replaces the current printer (nullptr: the system's printer is made again on next use).
void SetPrinter(std::unique_ptr<TPrinter> Value);
