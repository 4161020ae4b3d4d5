#pragma once
// A printer of fixed geometry that only measures, installed as the current printer for a test.

#include "platform/system/Printer.h"

class TFixedPrinter : public TPrinter
{
public:
    TFixedPrinter(TDeviceCaps Caps, int Scale = 100, TPrinterFont Font = {"IPAPGothic", 10})
        : FCaps(Caps), FScale(Scale), FFont(std::move(Font))
    {}
    TDeviceCaps DeviceCaps() const override { return FCaps; }
    int Scale() const override { return FScale; }
    TPrinterFont Font() const override { return FFont; }

private:
    TDeviceCaps FCaps;
    int FScale;
    TPrinterFont FFont;
};

// 600 pixels per inch, paper 4960 × 7016, printable 4760 × 6779 from (100, 118).
inline TDeviceCaps Caps600()
{
    return TDeviceCaps{4760, 6779, 4960, 7016, 100, 118, 600, 600};
}

// Installs a fixed printer for the lifetime of the object, and the system's printer again after it.
class TPrinterScope
{
public:
    explicit TPrinterScope(TDeviceCaps Caps, int Scale = 100, TPrinterFont Font = {"IPAPGothic", 10})
    {
        SetPrinter(std::make_unique<TFixedPrinter>(Caps, Scale, std::move(Font)));
    }
    ~TPrinterScope() { SetPrinter(nullptr); }
    TPrinterScope(const TPrinterScope&) = delete;
    TPrinterScope& operator=(const TPrinterScope&) = delete;
};
