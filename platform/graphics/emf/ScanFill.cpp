#include "platform/graphics/emf/ScanFill.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Cuts the line From–To to the rectangle [Left, Right] × [Top, Bottom] (Liang–Barsky); false when it
// misses it.
bool ClipLine(QPointF& From, QPointF& To, double Left, double Top, double Right, double Bottom)
{
    double Enter = 0, Leave = 1;
    const double Dx = To.x() - From.x(), Dy = To.y() - From.y();
    const auto Edge = [&](double Toward, double Distance) {
        if (Toward == 0) return Distance >= 0;
        const double T = Distance / Toward;
        if (Toward < 0) {
            if (T > Leave) return false;
            Enter = std::max(Enter, T);
        } else {
            if (T < Enter) return false;
            Leave = std::min(Leave, T);
        }
        return true;
    };
    if (!Edge(-Dx, From.x() - Left) || !Edge(Dx, Right - From.x()) || !Edge(-Dy, From.y() - Top) ||
        !Edge(Dy, Bottom - From.y()))
        return false;
    const QPointF Start = From;
    From = Start + QPointF(Dx, Dy) * Enter;
    To = Start + QPointF(Dx, Dy) * Leave;
    return true;
}

} // namespace

QImage ScanFillMask(const QList<QPolygonF>& Polygons, Qt::FillRule Rule, const QRect& Area)
{
    QImage Mask(Area.size(), QImage::Format_Alpha8);
    if (Mask.isNull()) return Mask;
    const int Width = Area.width(), Height = Area.height();
    // Each edge adds its direction (+1 down, −1 up) at the first pixel whose centre lies right of where it
    // crosses a row's centre line; the running sum along the row is then the winding number of each pixel.
    std::vector<std::int32_t> Crossings(std::size_t(Width + 1) * std::size_t(Height), 0);
    const double Top = Area.top(), Left = Area.left();
    for (const QPolygonF& Polygon : Polygons) {
        const qsizetype Count = Polygon.size();
        for (qsizetype Index = 0; Index < Count; ++Index) {
            const QPointF From = Polygon[Index], To = Polygon[(Index + 1) % Count];
            if (From.y() == To.y() || !std::isfinite(From.x()) || !std::isfinite(From.y()) || !std::isfinite(To.x()) ||
                !std::isfinite(To.y()))
                continue;
            const int Direction = To.y() > From.y() ? 1 : -1;
            // Rows whose centre y + 0.5 lies in [lower, upper) of the edge, within the area.
            const double Lower = std::min(From.y(), To.y()) - Top, Upper = std::max(From.y(), To.y()) - Top;
            const int First = int(std::max(0.0, std::ceil(Lower - 0.5)));
            const int Last = int(std::min(double(Height), std::ceil(Upper - 0.5)));
            const double Slope = (To.x() - From.x()) / (To.y() - From.y());
            // X is where the edge crosses the row's centre line, less half a pixel.
            double X = From.x() + (First + Top + 0.5 - From.y()) * Slope - Left - 0.5;
            std::int32_t* Cell = Crossings.data() + std::size_t(First) * std::size_t(Width + 1);
            for (int Row = First; Row < Last; ++Row, X += Slope, Cell += Width + 1) {
                const double Column = std::ceil(std::clamp(X, -1.0, double(Width)));
                Cell[int(Column) < 0 ? 0 : int(Column)] += Direction;
            }
        }
    }
    for (int Row = 0; Row < Height; ++Row) {
        const std::int32_t* Line = Crossings.data() + std::size_t(Row) * std::size_t(Width + 1);
        std::uint8_t* Out = Mask.scanLine(Row);
        std::int32_t Winding = 0;
        for (int X = 0; X < Width; ++X) {
            Winding += Line[X];
            Out[X] = (Rule == Qt::OddEvenFill ? (Winding & 1) != 0 : Winding != 0) ? 0xFF : 0;
        }
    }
    return Mask;
}

void StrokeThinLines(const QList<QPolygonF>& Polylines, QImage& Mask, const QRect& Area)
{
    // Pixel centres lie at half-integers: pixel (x, y) spans [x, x + 1) × [y, y + 1).
    const double Left = Area.left(), Top = Area.top();
    const double Right = Area.right() + 1, Bottom = Area.bottom() + 1;
    const int Width = Area.width(), Height = Area.height();
    std::uint8_t* const Bits = Mask.bits();
    const std::size_t Stride = std::size_t(Mask.bytesPerLine());
    for (const QPolygonF& Line : Polylines) {
        for (qsizetype Index = 0; Index + 1 < Line.size(); ++Index) {
            QPointF From = Line[Index], To = Line[Index + 1];
            if (!std::isfinite(From.x()) || !std::isfinite(From.y()) || !std::isfinite(To.x()) ||
                !std::isfinite(To.y()) || !ClipLine(From, To, Left, Top, Right - 1e-9, Bottom - 1e-9))
                continue;
            // One pixel for each step along the main direction.
            const double Dx = To.x() - From.x(), Dy = To.y() - From.y();
            const int Steps = int(std::ceil(std::max(std::abs(Dx), std::abs(Dy))));
            const double StepX = Steps == 0 ? 0 : Dx / Steps, StepY = Steps == 0 ? 0 : Dy / Steps;
            double X = From.x() - Left, Y = From.y() - Top;
            for (int Step = 0; Step <= Steps; ++Step, X += StepX, Y += StepY) {
                const int Column = std::clamp(int(X), 0, Width - 1), Row = std::clamp(int(Y), 0, Height - 1);
                Bits[std::size_t(Row) * Stride + std::size_t(Column)] = 0xFF;
            }
        }
    }
}
