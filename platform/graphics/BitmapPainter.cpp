#include "platform/graphics/BitmapPainter.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PixelRows.h"
#include "platform/system/Workers.h"

#include <QImage>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace {

// The fourth byte of each pixel of the 32-bit copy is 0 as on a 32-bit bitmap painted in place: RGB32
// painting never blends it into a colour.
void PaintRows24(TBitmap& Target, const std::function<void(QPainter&)>& Paint)
{
    const int Width = Target.Width(), Height = Target.Height();
    QImage Image(Width, Height, QImage::Format_RGB32);
    if (Image.isNull()) throw std::bad_alloc();
    for (int Y = 0; Y < Height; ++Y) WriteBgrxRow(Target.ScanLine(Y), Width, Image.scanLine(Y));
    {
        QPainter Painter(&Image);
        Paint(Painter);
    }
    for (int Y = 0; Y < Height; ++Y) ReadBgrxRow(Image.constScanLine(Y), Width, Target.ScanLine(Y));
}

// The 32-bit copy of a band: a few megabytes, which the processor's cache holds while every drawing
// of the picture lands on it.
constexpr std::size_t BandBytes = std::size_t(4) << 20;
constexpr unsigned MaxBandThreads = 2;

} // namespace

void PaintOnBitmap(TBitmap& Target, const std::function<void(QPainter&)>& Paint)
{
    if (Target.Empty()) return;
    if (Target.BitCount() == 32 && !Target.HasBitFields()) {
        // Rows are one block with a fixed stride; blue, green, red, unused is Qt's RGB32 in memory.
        QImage View(Target.ScanLine(0), Target.Width(), Target.Height(), qsizetype(Target.RowBytes()),
                    QImage::Format_RGB32);
        QPainter Painter(&View);
        Paint(Painter);
    } else if (Target.BitCount() == 24) {
        PaintRows24(Target, Paint);
    } else {
        const TPixelFormat Format = Target.PixelFormat();
        TBitmap Work(Target);
        Work.SetPixelFormat(pf24bit);
        PaintRows24(Work, Paint);
        Work.SetPixelFormat(Format);
        Target = Work;
    }
    Target.Modified();
}

void PaintOnBitmapInBands(TBitmap& Target, const std::function<void(QPainter& Painter, int Top)>& Paint)
{
    if (Target.Empty()) return;
    const int Width = Target.Width(), Height = Target.Height();
    const int BandRows = std::clamp(int(BandBytes / (std::size_t(Width) * 4)), 1, Height);
    const int Bands = (Height + BandRows - 1) / BandRows;
    // Row addresses are taken here: the bitmap's own methods are not for the band threads.
    std::uint8_t* const Rows = Target.ScanLine(0);
    const std::size_t Stride = Target.RowBytes();

    std::atomic<int> NextBand{0};
    const auto PaintBands = [&](unsigned) {
        try {
            QImage Band(Width, BandRows, QImage::Format_RGB32);
            if (Band.isNull()) throw std::bad_alloc();
            for (int Index = NextBand++; Index < Bands; Index = NextBand++) {
                const int Top = Index * BandRows, Count = std::min(BandRows, Height - Top);
                for (int Y = 0; Y < Count; ++Y)
                    WriteBgrxRow(Rows + std::size_t(Top + Y) * Stride, Width, Band.scanLine(Y));
                {
                    QPainter Painter(&Band);
                    Paint(Painter, Top);
                }
                for (int Y = 0; Y < Count; ++Y)
                    ReadBgrxRow(Band.constScanLine(Y), Width, Rows + std::size_t(Top + Y) * Stride);
            }
        } catch (...) {
            // The other workers stop after their current band.
            NextBand = Bands;
            throw;
        }
    };
    try {
        RunOnWorkers(std::min({CoreCount(), MaxBandThreads, unsigned(Bands)}), PaintBands);
    } catch (...) {
        Target.Modified();
        throw;
    }
    Target.Modified();
}
