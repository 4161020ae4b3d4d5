// The EMF player's drawing: lines, curves, polygons, arcs, paths and gradients, with the pen, brush and
// raster operation of the device state.
#include "platform/graphics/emf/EmfPlayerState.h"

#include "platform/graphics/emf/ScanFill.h"

#include <QLinearGradient>
#include <QPainterPathStroker>

#include <cmath>

namespace EmfPlayback {

bool TEmfPlayer::PrepareRop2()
{
    static constexpr QPainter::CompositionMode Modes[17] = {
        QPainter::CompositionMode_SourceOver,
        QPainter::CompositionMode_SourceOver,          // R2_BLACK, colour forced below
        QPainter::RasterOp_NotSourceAndNotDestination, // R2_NOTMERGEPEN
        QPainter::RasterOp_NotSourceAndDestination,    // R2_MASKNOTPEN
        QPainter::RasterOp_NotSource,                  // R2_NOTCOPYPEN
        QPainter::RasterOp_SourceAndNotDestination,    // R2_MASKPENNOT
        QPainter::RasterOp_NotDestination,             // R2_NOT
        QPainter::RasterOp_SourceXorDestination,       // R2_XORPEN
        QPainter::RasterOp_NotSourceOrNotDestination,  // R2_NOTMASKPEN
        QPainter::RasterOp_SourceAndDestination,       // R2_MASKPEN
        QPainter::RasterOp_NotSourceXorDestination,    // R2_NOTXORPEN
        QPainter::CompositionMode_Destination,         // R2_NOP
        QPainter::RasterOp_NotSourceOrDestination,     // R2_MERGENOTPEN
        QPainter::CompositionMode_SourceOver,          // R2_COPYPEN
        QPainter::RasterOp_SourceOrNotDestination,     // R2_MERGEPENNOT
        QPainter::RasterOp_SourceOrDestination,        // R2_MERGEPEN
        QPainter::CompositionMode_SourceOver};         // R2_WHITE, colour forced below
    const std::uint32_t Rop = FState.Rop2 >= 1 && FState.Rop2 <= 16 ? FState.Rop2 : U_R2_COPYPEN;
    if (Rop == U_R2_NOP) return false;
    FPainter.setCompositionMode(Modes[Rop]);
    // Raster operations act on whole pixels; partial coverage would leave seams.
    FPainter.setRenderHint(QPainter::Antialiasing, Modes[Rop] == QPainter::CompositionMode_SourceOver);
    return true;
}

bool TEmfPlayer::MissesDevice(const QPainterPath& Shape, const QTransform& Transform, const QPen& Pen) const
{
    // The shape's control points bound it; a wide pen reaches beyond them by up to its miter length.
    const double Scale = std::sqrt(std::abs(Transform.determinant()));
    const double Reach = 2 + Pen.widthF() * Scale * std::max(1.0, FState.MiterLimit);
    const QRectF Bounds = Transform.mapRect(Shape.controlPointRect()).adjusted(-Reach, -Reach, Reach, Reach);
    return !Bounds.intersects(QRectF(0, 0, FPainter.device()->width(), FPainter.device()->height()));
}

void TEmfPlayer::PaintLarge(const QList<QPolygonF>& Polygons, const QBrush& Brush,
                            const std::function<QImage(const QRect& Strip)>& Cover)
{
    // Brush is in device coordinates. The covered pixels are painted strip by strip through a mask, so
    // that the memory stays small and the painter's clip still applies.
    QRectF Bounds;
    for (const QPolygonF& Polygon : Polygons) Bounds |= Polygon.boundingRect();
    QRectF Device(0, 0, FPainter.device()->width(), FPainter.device()->height());
    FPainter.setTransform(QTransform());
    if (FPainter.hasClipping()) Device &= FPainter.clipBoundingRect();
    const QRect Area =
        Bounds.adjusted(-1, -1, 1, 1).intersected(Device).toAlignedRect().intersected(Device.toAlignedRect());
    if (Area.isEmpty()) return;
    const int Rows = std::max(1, LargeShapeStripPixels / Area.width());
    for (int Top = Area.top(); Top <= Area.bottom(); Top += Rows) {
        const QRect Strip(Area.left(), Top, Area.width(), std::min(Rows, Area.bottom() + 1 - Top));
        const QImage Mask = Cover(Strip);
        QImage Painted(Strip.size(), QImage::Format_ARGB32_Premultiplied);
        if (Mask.isNull() || Painted.isNull()) throw std::bad_alloc();
        Painted.fill(Qt::transparent);
        {
            QPainter Painter(&Painted);
            QBrush Shifted = Brush;
            Shifted.setTransform(Brush.transform() * QTransform::fromTranslate(-Strip.left(), -Strip.top()));
            Painter.fillRect(Painted.rect(), Shifted);
            Painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            Painter.drawImage(0, 0, Mask);
        }
        FPainter.drawImage(Strip.topLeft(), Painted);
    }
}

void TEmfPlayer::DrawLargeShape(const QPainterPath& Filled, const QTransform& Transform, const QPen& Pen,
                                const QBrush& Brush, bool OpaqueHatch)
{
    const QList<QPolygonF> Polygons = Filled.toSubpathPolygons(Transform);
    const auto InDevice = [&](const QBrush& Logical) {
        QBrush Result = Logical;
        Result.setTransform(Logical.transform() * Transform);
        return Result;
    };
    const auto Fill = [&](const QList<QPolygonF>& Shapes, Qt::FillRule Rule, const QBrush& With) {
        PaintLarge(Shapes, With, [&](const QRect& Strip) { return ScanFillMask(Shapes, Rule, Strip); });
    };
    if (OpaqueHatch) Fill(Polygons, Filled.fillRule(), QBrush(FState.BkColor));
    if (Brush.style() != Qt::NoBrush) Fill(Polygons, Filled.fillRule(), InDevice(Brush));
    if (Pen.style() == Qt::NoPen) return;
    if (Pen.widthF() == 0 && Pen.style() == Qt::SolidLine) {
        PaintLarge(Polygons, Pen.brush(), [&](const QRect& Strip) {
            QImage Mask(Strip.size(), QImage::Format_Alpha8);
            Mask.fill(0);
            StrokeThinLines(Polygons, Mask, Strip);
            return Mask;
        });
        return;
    }
    if (Pen.widthF() == 0) {
        // Dots and dashes of a one-pixel pen are the toolkit's, without antialiasing.
        FPainter.setRenderHint(QPainter::Antialiasing, false);
        FPainter.setTransform(Transform);
        FPainter.setPen(Pen);
        FPainter.setBrush(Qt::NoBrush);
        FPainter.drawPath(Filled);
        return;
    }
    const QPainterPath Outline = QPainterPathStroker(Pen).createStroke(Filled);
    Fill(Outline.toSubpathPolygons(Transform), Qt::WindingFill, InDevice(Pen.brush()));
}

void TEmfPlayer::DrawShape(const QPainterPath& Shape, bool Fill, bool Stroke)
{
    if (ShapeSink) {
        ShapeSink(Shape, Fill, Stroke);
        return;
    }
    if (!PrepareRop2()) return;
    const QTransform Transform = Total();
    FPainter.setTransform(Transform);
    QPen Pen = Stroke ? MakePen(Transform) : QPen(Qt::NoPen);
    QBrush Brush = Fill ? MakeBrush(FState.Brush, Transform) : QBrush(Qt::NoBrush);
    if (FState.Rop2 == U_R2_BLACK || FState.Rop2 == U_R2_WHITE) {
        const QColor Forced = FState.Rop2 == U_R2_BLACK ? Qt::black : Qt::white;
        if (Pen.style() != Qt::NoPen) Pen.setColor(Forced);
        if (Brush.style() != Qt::NoBrush) Brush = QBrush(Forced);
    }
    // A band of a large surface meets most shapes only in passing.
    if (MissesDevice(Shape, Transform, Pen)) return;
    QPainterPath Filled = Shape;
    Filled.setFillRule(FState.FillRule);
    const bool OpaqueHatch = Fill && FState.Brush.Kind == TBrushState::Hatched && FState.BkMode == BkOpaque;
    if (Shape.elementCount() >= LargeShapeElements &&
        FPainter.compositionMode() == QPainter::CompositionMode_SourceOver) {
        DrawLargeShape(Filled, Transform, Pen, Brush, OpaqueHatch);
        return;
    }
    if (OpaqueHatch) {
        FPainter.setPen(Qt::NoPen);
        FPainter.setBrush(FState.BkColor);
        FPainter.drawPath(Filled);
    }
    FPainter.setPen(Pen);
    FPainter.setBrush(Brush);
    FPainter.drawPath(Filled);
}

void TEmfPlayer::AddOrDraw(const QPainterPath& Shape, bool Closed)
{
    if (FInPath)
        FPath.addPath(Shape);
    else
        DrawShape(Shape, Closed, true);
}

template <typename TPointType>
std::vector<QPointF> TEmfPlayer::Points(const TPointType* Source, std::uint32_t Count) const
{
    std::vector<QPointF> Result(Count);
    for (std::uint32_t Index = 0; Index < Count; ++Index) {
        TPointType Point;
        std::memcpy(&Point, Source + Index, sizeof Point);
        Result[Index] = QPointF(Point.x, Point.y);
    }
    return Result;
}

template <typename TPointType> void TEmfPlayer::Poly(std::uint32_t Type, const char* Record, std::uint32_t Size)
{
    // The 32- and 16-bit forms share the layout: bounds, count, points.
    std::uint32_t Count;
    std::memcpy(&Count, Record + 24, 4);
    if (!Inside(28, Count, sizeof(TPointType), Size)) return;
    const auto Pts = Points(reinterpret_cast<const TPointType*>(Record + 28), Count);
    if (Pts.empty()) return;
    const bool Sixteen = sizeof(TPointType) == 4;
    const std::uint32_t Base = Sixteen ? Type - (U_EMR_POLYBEZIER16 - U_EMR_POLYBEZIER) : Type;
    QPainterPath Shape;
    switch (Base) {
    case U_EMR_POLYGON:
        Shape.addPolygon(QPolygonF(QVector<QPointF>(Pts.begin(), Pts.end())));
        Shape.closeSubpath();
        AddOrDraw(Shape, true);
        return;
    case U_EMR_POLYLINE:
        Shape.addPolygon(QPolygonF(QVector<QPointF>(Pts.begin(), Pts.end())));
        AddOrDraw(Shape, false);
        return;
    case U_EMR_POLYBEZIER:
        Shape.moveTo(Pts[0]);
        for (std::size_t Index = 1; Index + 2 < Pts.size(); Index += 3)
            Shape.cubicTo(Pts[Index], Pts[Index + 1], Pts[Index + 2]);
        AddOrDraw(Shape, false);
        return;
    case U_EMR_POLYLINETO:
    case U_EMR_POLYBEZIERTO: {
        if (FInPath) {
            if (FPath.elementCount() == 0) FPath.moveTo(FState.Position);
        } else {
            Shape.moveTo(FState.Position);
        }
        QPainterPath& Target = FInPath ? FPath : Shape;
        if (Base == U_EMR_POLYLINETO) {
            for (const QPointF& Point : Pts) Target.lineTo(Point);
            FState.Position = Pts.back();
        } else {
            std::size_t Index = 0;
            for (; Index + 2 < Pts.size(); Index += 3) Target.cubicTo(Pts[Index], Pts[Index + 1], Pts[Index + 2]);
            if (Index > 0) FState.Position = Pts[Index - 1];
        }
        if (!FInPath) DrawShape(Shape, false, true);
        return;
    }
    default:
        return;
    }
}

template <typename TPointType> void TEmfPlayer::PolyPoly(std::uint32_t Type, const char* Record, std::uint32_t Size)
{
    std::uint32_t Polys, Count;
    std::memcpy(&Polys, Record + 24, 4);
    std::memcpy(&Count, Record + 28, 4);
    if (!Inside(32, Polys, 4, Size)) return;
    const std::uint64_t PointsAt = 32 + std::uint64_t(Polys) * 4;
    if (!Inside(PointsAt, Count, sizeof(TPointType), Size)) return;
    const auto Pts = Points(reinterpret_cast<const TPointType*>(Record + PointsAt), Count);
    const bool Polygon = Type == U_EMR_POLYPOLYGON || Type == U_EMR_POLYPOLYGON16;
    QPainterPath Shape;
    std::size_t Next = 0;
    for (std::uint32_t Poly = 0; Poly < Polys; ++Poly) {
        std::uint32_t Length;
        std::memcpy(&Length, Record + 32 + Poly * 4, 4);
        if (Length > Pts.size() - Next) return;
        if (Length == 0) continue;
        Shape.moveTo(Pts[Next]);
        for (std::uint32_t Index = 1; Index < Length; ++Index) Shape.lineTo(Pts[Next + Index]);
        if (Polygon) Shape.closeSubpath();
        Next += Length;
    }
    AddOrDraw(Shape, Polygon);
}

template <typename TPointType> void TEmfPlayer::PolyDraw(const char* Record, std::uint32_t Size)
{
    std::uint32_t Count;
    std::memcpy(&Count, Record + 24, 4);
    if (!Inside(28, Count, sizeof(TPointType) + 1, Size)) return;
    const auto Pts = Points(reinterpret_cast<const TPointType*>(Record + 28), Count);
    const auto* Kinds = reinterpret_cast<const std::uint8_t*>(Record + 28 + Count * sizeof(TPointType));
    QPainterPath Shape;
    Shape.moveTo(FState.Position);
    for (std::uint32_t Index = 0; Index < Count; ++Index) {
        const std::uint8_t Kind = Kinds[Index] & 0x06;
        if (Kind == U_PT_MOVETO) {
            Shape.moveTo(Pts[Index]);
        } else if (Kind == U_PT_BEZIERTO && Index + 2 < Count) {
            Shape.cubicTo(Pts[Index], Pts[Index + 1], Pts[Index + 2]);
            Index += 2;
        } else {
            Shape.lineTo(Pts[Index]);
        }
        if (Kinds[Index] & U_PT_CLOSEFIGURE) Shape.closeSubpath();
        FState.Position = Pts[Index];
    }
    AddOrDraw(Shape, false);
}

void TEmfPlayer::ArcFamily(std::uint32_t Type, const U_EMRARC& Arc)
{
    const QRectF Box = RectOf(Arc.rclBox).normalized();
    if (Box.width() <= 0 || Box.height() <= 0) return;
    const QPointF Center = Box.center();
    const double Rx = Box.width() / 2, Ry = Box.height() / 2;
    // Angles of the radials on the ellipse, counter-clockwise as seen with y growing downwards.
    const auto AngleOf = [&](const U_POINTL& Point) {
        return std::atan2(-(Point.y - Center.y()) / Ry, (Point.x - Center.x()) / Rx) * 180 / M_PI;
    };
    const double Start = AngleOf(Arc.ptlStart);
    double Sweep = AngleOf(Arc.ptlEnd) - Start;
    if (FState.Clockwise) {
        while (Sweep >= 0) Sweep -= 360;
    } else {
        while (Sweep <= 0) Sweep += 360;
    }
    QPainterPath Shape;
    if (Type == U_EMR_PIE) {
        Shape.moveTo(Center);
        Shape.arcTo(Box, Start, Sweep);
        Shape.closeSubpath();
    } else {
        Shape.arcMoveTo(Box, Start);
        if (Type == U_EMR_ARCTO) {
            QPainterPath Line;
            Line.moveTo(FState.Position);
            Line.lineTo(Shape.currentPosition());
            Line.arcTo(Box, Start, Sweep);
            Shape = Line;
        } else {
            Shape.arcTo(Box, Start, Sweep);
        }
        if (Type == U_EMR_CHORD) Shape.closeSubpath();
    }
    if (Type == U_EMR_ARCTO) FState.Position = Shape.currentPosition();
    AddOrDraw(Shape, Type == U_EMR_PIE || Type == U_EMR_CHORD);
}

void TEmfPlayer::GradientFill(const char* Record, std::uint32_t Size)
{
    const auto& Fill = RecordAs<U_EMRGRADIENTFILL>(Record);
    const std::uint64_t VerticesAt = sizeof(U_EMRGRADIENTFILL);
    if (!Inside(VerticesAt, Fill.nTriVert, sizeof(U_TRIVERTEX), Size)) return;
    const std::uint64_t ObjectsAt = VerticesAt + std::uint64_t(Fill.nTriVert) * sizeof(U_TRIVERTEX);
    const bool Triangles = Fill.ulMode == U_GRADIENT_FILL_TRIANGLE;
    const std::size_t ObjectSize = Triangles ? sizeof(U_GRADIENT3) : sizeof(U_GRADIENT4);
    if (!Inside(ObjectsAt, Fill.nGradObj, ObjectSize, Size)) return;
    const auto Vertex = [&](std::uint32_t Index) {
        U_TRIVERTEX Result{};
        if (Index < Fill.nTriVert) std::memcpy(&Result, Record + VerticesAt + Index * sizeof Result, sizeof Result);
        return Result;
    };
    const auto ColorOfVertex = [](const U_TRIVERTEX& V) { return QColor(V.Red >> 8, V.Green >> 8, V.Blue >> 8); };
    FPainter.setTransform(Total());
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.setPen(Qt::NoPen);
    for (std::uint32_t Index = 0; Index < Fill.nGradObj; ++Index) {
        if (Triangles) {
            U_GRADIENT3 Triangle;
            std::memcpy(&Triangle, Record + ObjectsAt + Index * ObjectSize, ObjectSize);
            const U_TRIVERTEX A = Vertex(Triangle.Vertex1), B = Vertex(Triangle.Vertex2), C = Vertex(Triangle.Vertex3);
            const QColor Average((ColorOfVertex(A).red() + ColorOfVertex(B).red() + ColorOfVertex(C).red()) / 3,
                                 (ColorOfVertex(A).green() + ColorOfVertex(B).green() + ColorOfVertex(C).green()) / 3,
                                 (ColorOfVertex(A).blue() + ColorOfVertex(B).blue() + ColorOfVertex(C).blue()) / 3);
            FPainter.setBrush(Average);
            FPainter.drawPolygon(QPolygonF({QPointF(A.x, A.y), QPointF(B.x, B.y), QPointF(C.x, C.y)}));
        } else {
            U_GRADIENT4 Rectangle;
            std::memcpy(&Rectangle, Record + ObjectsAt + Index * ObjectSize, ObjectSize);
            const U_TRIVERTEX A = Vertex(Rectangle.UpperLeft), B = Vertex(Rectangle.LowerRight);
            const QRectF Box(QPointF(A.x, A.y), QPointF(B.x, B.y));
            QLinearGradient Gradient(Box.topLeft(),
                                     Fill.ulMode == U_GRADIENT_FILL_RECT_V ? Box.bottomLeft() : Box.topRight());
            Gradient.setColorAt(0, ColorOfVertex(A));
            Gradient.setColorAt(1, ColorOfVertex(B));
            FPainter.fillRect(Box.normalized(), Gradient);
        }
    }
}

// The record dispatch plays both point sizes.
template void TEmfPlayer::Poly<U_POINTL>(std::uint32_t, const char*, std::uint32_t);
template void TEmfPlayer::Poly<U_POINT16>(std::uint32_t, const char*, std::uint32_t);
template void TEmfPlayer::PolyPoly<U_POINTL>(std::uint32_t, const char*, std::uint32_t);
template void TEmfPlayer::PolyPoly<U_POINT16>(std::uint32_t, const char*, std::uint32_t);
template void TEmfPlayer::PolyDraw<U_POINTL>(const char*, std::uint32_t);
template void TEmfPlayer::PolyDraw<U_POINT16>(const char*, std::uint32_t);

} // namespace EmfPlayback
