#include "platform/graphics/RasterCoverage.h"

#include "platform/system/Screen.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <stdexcept>

namespace {

TRect Intersect(const TRect& A, const TRect& B)
{
    const TRect Result = Rect(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
                              std::min(A.Bottom, B.Bottom));
    return Result.Width() > 0 && Result.Height() > 0 ? Result : TRect{};
}

// Paints Draw into every tile of Bounds that Touches (a tile rectangle in device pixels) admits, with
// the painter's origin at device pixel (0, 0), and keeps the tiles that got a covered pixel.
template <class TDraw, class TTouches> TCoverage Rasterise(const TRect& Bounds, TDraw&& Draw, TTouches&& Touches)
{
    constexpr int Size = TCoverage::TileSize;
    TCoverage Coverage;
    Coverage.Bounds = Bounds;
    Coverage.TilesAcross = (Bounds.Width() + Size - 1) / Size;
    const int TilesDown = (Bounds.Height() + Size - 1) / Size;
    Coverage.Tiles.resize(std::size_t(Coverage.TilesAcross) * std::size_t(TilesDown));
    std::vector<std::uint8_t> Buffer(std::size_t(Size) * Size);
    for (std::size_t Index = 0; Index < Coverage.Tiles.size(); ++Index) {
        const int Left = Bounds.Left + int(Index) % Coverage.TilesAcross * Size;
        const int Top = Bounds.Top + int(Index) / Coverage.TilesAcross * Size;
        if (!Touches(QRectF(Left, Top, Size, Size))) continue;
        std::fill(Buffer.begin(), Buffer.end(), std::uint8_t(0));
        {
            QImage Image(Buffer.data(), Size, Size, Size, QImage::Format_Alpha8);
            QPainter Painter(&Image);
            Painter.setRenderHint(QPainter::Antialiasing, false);
            Painter.setRenderHint(QPainter::TextAntialiasing, false);
            Painter.translate(-Left, -Top);
            Draw(Painter);
        }
        if (std::any_of(Buffer.begin(), Buffer.end(), [](std::uint8_t Alpha) { return Alpha != 0; }))
            Coverage.Tiles[Index] = Buffer;
    }
    return Coverage;
}

QFont MakeFont(const TFont& Font)
{
    // Fonts need the toolkit's font database, which lives in the application object.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw std::logic_error("text drawing needs a QGuiApplication");
    QFont Result(QString::fromStdString(Font.Name));
    // A positive size is in points at the screen's resolution (rounded like MulDiv), a negative one in
    // pixels, as the desktop's font height was.
    const int Pixels = Font.Size < 0 ? -Font.Size : (Font.Size * ScreenPixelsPerInch() + 36) / 72;
    Result.setPixelSize(std::max(Pixels, 1));
    Result.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return Result;
}

} // namespace

TCoverage StrokeCoverage(std::span<const TPoint> Points, int Width, bool Closed, const TRect& Clip)
{
    if (Points.empty()) return {};
    TRect Extent = Rect(Points[0].X, Points[0].Y, Points[0].X + 1, Points[0].Y + 1);
    for (const TPoint& Point : Points)
        Extent = Rect(std::min(Extent.Left, Point.X), std::min(Extent.Top, Point.Y),
                      std::max(Extent.Right, Point.X + 1), std::max(Extent.Bottom, Point.Y + 1));
    const int Margin = Width / 2 + 2;
    const TRect Bounds =
        Intersect(Rect(Extent.Left - Margin, Extent.Top - Margin, Extent.Right + Margin, Extent.Bottom + Margin), Clip);
    if (Bounds.Width() == 0) return {};

    QPainterPath Path;
    // Device pixel (X, Y) has its centre at (X + 0.5, Y + 0.5) in the painter's coordinates.
    Path.moveTo(Points[0].X + 0.5, Points[0].Y + 0.5);
    for (const TPoint& Point : Points.subspan(1)) Path.lineTo(Point.X + 0.5, Point.Y + 0.5);
    if (Closed) Path.closeSubpath();

    QPainterPathStroker Stroker;
    Stroker.setWidth(Width);
    Stroker.setCapStyle(Qt::RoundCap);
    Stroker.setJoinStyle(Qt::RoundJoin);
    const QPainterPath Outline = Stroker.createStroke(Path);
    return Rasterise(
        Bounds, [&](QPainter& Painter) { Painter.fillPath(Outline, Qt::black); },
        // A pixel belongs to a tile by its centre, so a tile is tested with a pixel's margin.
        [&](const QRectF& Tile) { return Outline.intersects(Tile.adjusted(-1, -1, 1, 1)); });
}

TCoverage TextCoverage(int X, int Y, const std::string& Text, const TFont& Font, const TRect& Clip)
{
    const QFont QtFont = MakeFont(Font);
    const QFontMetrics Metrics(QtFont);
    const QString String = QString::fromUtf8(Text.data(), qsizetype(Text.size()));
    // Glyphs may reach past their advance (overhangs), so the mask covers their bounding box too.
    const QRect Glyphs = Metrics.boundingRect(String).translated(X, Y + Metrics.ascent());
    const QRect Cell(X, Y, Metrics.horizontalAdvance(String), Metrics.height());
    const QRect Extent = Glyphs.united(Cell);
    const TRect Bounds =
        Intersect(Rect(Extent.left() - 1, Extent.top() - 1, Extent.right() + 2, Extent.bottom() + 2), Clip);
    if (Bounds.Width() == 0) return {};

    return Rasterise(
        Bounds,
        [&](QPainter& Painter) {
            Painter.setFont(QtFont);
            Painter.setPen(Qt::black);
            Painter.drawText(QPointF(X, Y + Metrics.ascent()), String);
        },
        [](const QRectF&) { return true; });
}

TSize MeasureText(const std::string& Text, const TFont& Font)
{
    const QFontMetrics Metrics(MakeFont(Font));
    const QString String = QString::fromUtf8(Text.data(), qsizetype(Text.size()));
    return TSize{Metrics.horizontalAdvance(String), Metrics.height()};
}
