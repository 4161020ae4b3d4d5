#include "preview/PainterDevice.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/emf/EmfPlayer.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <cmath>

namespace {

QColor ToQColor(TColor Color)
{
    return QColor(GetRValue(Color), GetGValue(Color), GetBValue(Color));
}

Qt::PenStyle ToQtStyle(TPenStyle Style)
{
    switch (Style) {
    case psDash:
        return Qt::DashLine;
    case psDot:
        return Qt::DotLine;
    case psDashDot:
        return Qt::DashDotLine;
    case psDashDotDot:
        return Qt::DashDotDotLine;
    case psClear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

// A negative size is in device pixels, a positive one in points of the device.
QFont ToQFont(const TFont& Font, const QPaintDevice& Device)
{
    QFont Result(QString::fromStdString(Font.Name));
    const int Pixels = Font.Size < 0 ? -Font.Size : (Font.Size * Device.logicalDpiY() + 36) / 72;
    Result.setPixelSize(std::max(Pixels, 1));
    return Result;
}

// The bitmap's rows as an image without copying them where the layout allows, a 24-bit copy otherwise.
QImage ImageOf(const TBitmap& Source, TBitmap& Scratch)
{
    const TBitmap* Rows = &Source;
    const bool Adjacent = Source.Height() < 2 || Source.ScanLine(1) == Source.ScanLine(0) + Source.RowBytes();
    if ((Source.BitCount() != 24 && Source.BitCount() != 32) || !Adjacent) {
        Scratch.SetLayout(Source.Width(), Source.Height(), 24);
        Scratch.Canvas().Draw(0, 0, Source);
        Rows = &Scratch;
    }
    return QImage(Rows->ScanLine(0), Rows->Width(), Rows->Height(), qsizetype(Rows->RowBytes()),
                  Rows->BitCount() == 24 ? QImage::Format_BGR888 : QImage::Format_RGB32);
}

class TPainterDevice : public TCanvasDevice
{
public:
    explicit TPainterDevice(QPainter& Painter) : FPainter(Painter) {}

    void Polyline(std::span<const TPoint> Points, const TPen& Pen) override
    {
        if (Points.size() < 2 || Pen.Style == psClear) return;
        QPolygon Line;
        for (const TPoint& P : Points) Line << QPoint(P.X, P.Y);
        FPainter.setPen(QPen(ToQColor(Pen.Color), Pen.Width, ToQtStyle(Pen.Style)));
        FPainter.drawPolyline(Line);
    }

    void Rectangle(const TRect& Rect, const TPen& Pen, const TBrush& Brush) override
    {
        FillRect(Rect, Brush);
        if (Pen.Style == psClear || Rect.Width() < 1 || Rect.Height() < 1) return;
        FPainter.setPen(QPen(ToQColor(Pen.Color), Pen.Width, ToQtStyle(Pen.Style)));
        FPainter.setBrush(Qt::NoBrush);
        // The outline runs along the last column and row inside, the right and bottom edges excluded.
        FPainter.drawRect(QRect(Rect.Left, Rect.Top, Rect.Width() - 1, Rect.Height() - 1));
    }

    void FillRect(const TRect& Rect, const TBrush& Brush) override
    {
        if (Brush.Style == bsClear) return;
        FPainter.fillRect(QRect(Rect.Left, Rect.Top, Rect.Width(), Rect.Height()), ToQColor(Brush.Color));
    }

    void TextOut(int X, int Y, const std::string& Text, const TFont& Font, const TBrush& Brush) override
    {
        const QFont QtFont = ToQFont(Font, *FPainter.device());
        const QFontMetrics Metrics(QtFont, FPainter.device());
        const QString String = QString::fromStdString(Text);
        if (Brush.Style != bsClear)
            FPainter.fillRect(QRect(X, Y, Metrics.horizontalAdvance(String), Metrics.height()), ToQColor(Brush.Color));
        FPainter.setFont(QtFont);
        FPainter.setPen(ToQColor(Font.Color));
        FPainter.drawText(QPoint(X, Y + Metrics.ascent()), String);
    }

    TSize TextExtent(const std::string& Text, const TFont& Font) override
    {
        const QFontMetrics Metrics(ToQFont(Font, *FPainter.device()), FPainter.device());
        return TSize{Metrics.horizontalAdvance(QString::fromStdString(Text)), Metrics.height()};
    }

    void StretchBitmap(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, TBlend Blend) override
    {
        if (Source.Empty() || Dest.Width() <= 0 || Dest.Height() <= 0 || SourceRect.Width() <= 0 ||
            SourceRect.Height() <= 0)
            return;
        // Only the part of the source that can show is handed over: a picture running over many pages
        // would otherwise go to the printer whole with every page.
        const QRectF Target(Dest.Left, Dest.Top, Dest.Width(), Dest.Height());
        const QRectF Visible =
            FPainter.hasClipping()
                ? Target.intersected(FPainter.clipBoundingRect())
                : Target.intersected(QRectF(0, 0, FPainter.device()->width(), FPainter.device()->height()));
        if (Visible.isEmpty()) return;
        const double PerX = SourceRect.Width() / Target.width(), PerY = SourceRect.Height() / Target.height();
        const int Left =
            std::max(SourceRect.Left, int(std::floor(SourceRect.Left + (Visible.left() - Target.left()) * PerX)));
        const int Top =
            std::max(SourceRect.Top, int(std::floor(SourceRect.Top + (Visible.top() - Target.top()) * PerY)));
        const int Right =
            std::min(SourceRect.Right, int(std::ceil(SourceRect.Left + (Visible.right() - Target.left()) * PerX)));
        const int Bottom =
            std::min(SourceRect.Bottom, int(std::ceil(SourceRect.Top + (Visible.bottom() - Target.top()) * PerY)));
        if (Right <= Left || Bottom <= Top) return;
        const QRectF Part(Target.left() + (Left - SourceRect.Left) / PerX, Target.top() + (Top - SourceRect.Top) / PerY,
                          (Right - Left) / PerX, (Bottom - Top) / PerY);
        TBitmap Scratch;
        QImage Image = ImageOf(Source, Scratch);
        if (Blend == TBlend::Alpha && Source.BitCount() == 32) Image.reinterpretAsFormat(QImage::Format_ARGB32);
        // Copied: the printer keeps the image until the page is done, after the rows may be gone.
        FPainter.drawImage(Part, Image.copy(Left, Top, Right - Left, Bottom - Top));
    }

    bool DrawGraphic(const TRect& Dest, const TGraphic& Graphic) override
    {
        // A metafile plays its records onto the painter and stays vector.
        const auto* Metafile = dynamic_cast<const TMetafile*>(&Graphic);
        if (Metafile == nullptr) return false;
        PlayEmf(Metafile->EmfBytes(), FPainter, QRectF(Dest.Left, Dest.Top, Dest.Width(), Dest.Height()),
                EmfFrameInDevicePixels(Metafile->EmfBytes()));
        return true;
    }

private:
    QPainter& FPainter;
};

} // namespace

std::unique_ptr<TCanvasDevice> MakePainterDevice(QPainter& Painter)
{
    return std::make_unique<TPainterDevice>(Painter);
}
