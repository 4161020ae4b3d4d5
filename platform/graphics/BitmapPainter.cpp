#include "platform/graphics/BitmapPainter.h"

#include "platform/graphics/Bitmap.h"

#include <QImage>

#include <cstring>

namespace {

void PaintRows24(TBitmap& Target, const std::function<void(QPainter&)>& Paint)
{
    const int Width = Target.Width(), Height = Target.Height();
    QImage Image(Width, Height, QImage::Format_RGB32);
    for (int Y = 0; Y < Height; ++Y) {
        const std::uint8_t* Source = Target.ScanLine(Y);
        auto* Row = reinterpret_cast<QRgb*>(Image.scanLine(Y));
        for (int X = 0; X < Width; ++X) Row[X] = qRgb(Source[3 * X + 2], Source[3 * X + 1], Source[3 * X]);
    }
    {
        QPainter Painter(&Image);
        Paint(Painter);
    }
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Target.ScanLine(Y);
        const auto* Source = reinterpret_cast<const QRgb*>(Image.constScanLine(Y));
        for (int X = 0; X < Width; ++X) {
            Row[3 * X] = std::uint8_t(qBlue(Source[X]));
            Row[3 * X + 1] = std::uint8_t(qGreen(Source[X]));
            Row[3 * X + 2] = std::uint8_t(qRed(Source[X]));
        }
    }
}

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
