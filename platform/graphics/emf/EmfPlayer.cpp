#include "platform/graphics/emf/EmfPlayer.h"

#include "platform/graphics/emf/DibImage.h"
#include "platform/graphics/emf/EmfRecords.h"
#include "platform/graphics/emf/ScanFill.h"
#include "platform/graphics/emf/SymbolEncoding.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include <uemf.h>

namespace {

// Mapping modes, background modes and the pen and brush constants of the GDI records.
enum : std::uint32_t
{
    MmText = 1,
    MmLoMetric,
    MmHiMetric,
    MmLoEnglish,
    MmHiEnglish,
    MmTwips,
    MmIsotropic,
    MmAnisotropic
};
constexpr std::uint32_t BkOpaque = 2;
constexpr std::uint32_t StockFlag = 0x80000000;
constexpr std::uint32_t MwtSet = 4; // ModifyWorldTransform: replace the transform
constexpr int MaxSavedStates = 1024;
// Shapes of more path elements than this are filled without antialiasing by a scan conversion whose cost
// does not grow with their self-crossings, in strips of at most this many pixels.
constexpr int LargeShapeElements = 4096;
constexpr int LargeShapeStripPixels = 1 << 20;
// The decoded bitmaps kept for a play, in bytes; bitmaps beyond are decoded again where they recur.
constexpr std::size_t DibCacheBytes = std::size_t(64) << 20;

QColor ColorOf(std::uint32_t ColorRef)
{
    return QColor(int(ColorRef & 0xFF), int((ColorRef >> 8) & 0xFF), int((ColorRef >> 16) & 0xFF));
}

// An 8 × 8 hatch tile in Color on transparency: horizontal, vertical, "\\", "/", cross, diagonal cross.
// Made here rather than with the toolkit's pattern brushes, whose shared cache outlives the application.
QImage HatchImage(int Hatch, const QColor& Color)
{
    QImage Tile(8, 8, QImage::Format_ARGB32_Premultiplied);
    Tile.fill(Qt::transparent);
    for (int Y = 0; Y < 8; ++Y)
        for (int X = 0; X < 8; ++X) {
            const bool Horizontal = Y == 7, Vertical = X == 7, Forward = X == Y, Backward = X + Y == 7;
            bool Set = false;
            switch (Hatch) {
            case U_HS_HORIZONTAL:
                Set = Horizontal;
                break;
            case U_HS_VERTICAL:
                Set = Vertical;
                break;
            case U_HS_FDIAGONAL:
                Set = Forward;
                break;
            case U_HS_BDIAGONAL:
                Set = Backward;
                break;
            case U_HS_CROSS:
                Set = Horizontal || Vertical;
                break;
            default:
                Set = Forward || Backward;
                break;
            }
            if (Set) Tile.setPixelColor(X, Y, Color);
        }
    return Tile;
}

QColor ColorOf(const U_COLORREF& Color)
{
    return QColor(Color.Red, Color.Green, Color.Blue);
}

struct TPenState
{
    bool Null = false;
    QColor Color = Qt::black;
    double Width = 0; // logical units; 0 is one device pixel whatever the transform
    int Style = 0;
    Qt::PenCapStyle Cap = Qt::RoundCap;
    Qt::PenJoinStyle Join = Qt::RoundJoin;
    QVector<qreal> Dashes;
};

struct TBrushState
{
    enum TKind
    {
        Null,
        Solid,
        Hatched,
        Pattern
    } Kind = Solid;
    QColor Color = Qt::white;
    int Hatch = 0;
    QImage Image;
};

struct TFontState
{
    int Height = 0;
    int Width = 0;
    int Escapement = 0;
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int CharSet = 0;
    QString Face;
    bool operator==(const TFontState&) const = default;
};

// The font a string is drawn with, kept for the strings after it: a picture's strings mostly come in
// runs of one font.
struct TTextFont
{
    TFontState State;
    bool Symbol;
    double Height; // pixels, before a cell height becomes the em height
    QFont Font;
    QFontMetricsF Metrics;
};

// A bitmap as decoded for a play, with what it was decoded from (views into the records).
struct TDecodedDib
{
    std::string_view Header, Bits;
    std::uint32_t Usage;
    bool KeepAlpha;
    QSize Needed;
    QImage Image;
};

using TObject = std::variant<std::monostate, TPenState, TBrushState, TFontState>;

struct TDcState
{
    std::uint32_t MapMode = MmText;
    QPointF WindowOrg{0, 0}, WindowExt{1, 1}, ViewportOrg{0, 0}, ViewportExt{1, 1};
    QTransform World;
    TPenState Pen;
    TBrushState Brush;
    TFontState Font;
    QColor TextColor = Qt::black;
    QColor BkColor = Qt::white;
    std::uint32_t BkMode = BkOpaque;
    std::uint32_t TextAlign = 0;
    std::uint32_t Rop2 = U_R2_COPYPEN;
    Qt::FillRule FillRule = Qt::OddEvenFill;
    bool Clockwise = false;
    bool Halftone = false; // stretched bitmaps are smoothed only in the halftone stretching mode
    double MiterLimit = 10;
    QPointF Position{0, 0};
    QPointF BrushOrigin{0, 0};        // where hatches and patterns start, in reference-device pixels
    std::optional<QPainterPath> Clip; // in painter coordinates
};

template <typename T> const T& RecordAs(const char* Record)
{
    return *reinterpret_cast<const T*>(Record);
}

// Whether Count items of ItemSize bytes starting at Offset lie inside a record of Size bytes.
bool Inside(std::uint64_t Offset, std::uint64_t Count, std::uint64_t ItemSize, std::uint32_t Size)
{
    return Offset <= Size && Count <= (Size - Offset) / std::max<std::uint64_t>(ItemSize, 1);
}

QRectF RectOf(const U_RECTL& Rect)
{
    return QRectF(QPointF(Rect.left, Rect.top), QPointF(Rect.right, Rect.bottom));
}

// One string of a text record: where it starts, its optional rectangle, its options and the advances of
// its characters in logical units (empty: the font's own).
struct TTextRun
{
    QPointF Reference;
    QString String;
    QRectF Box;
    std::uint32_t Options = 0;
    std::vector<double> Advances;
};

QString DecodeText(const char* Bytes, std::uint32_t Chars, bool Wide)
{
    if (!Wide) return QString::fromLatin1(Bytes, qsizetype(Chars));
    std::u16string Units(Chars, u'\0');
    std::memcpy(Units.data(), Bytes, std::size_t(Chars) * 2);
    return QString::fromUtf16(Units.data(), qsizetype(Units.size()));
}

class TEmfPlayer
{
public:
    TEmfPlayer(QPainter& Painter, const TEmfHeaderInfo& Header, const QTransform& Playback, QPoint Origin)
        : FPainter(Painter), FHeader(Header), FPlayback(Playback), FOrigin(Origin)
    {
        FBaseClip = Painter.hasClipping() ? std::optional<QPainterPath>(Painter.clipPath()) : std::nullopt;
        FState.Clip = FBaseClip;
        ApplyClip();
    }

    void Play(std::uint32_t Type, const char* Record, std::uint32_t Size);

private:
    QTransform PageToDevice() const;
    QTransform Total() const { return FState.World * PageToDevice() * FPlayback; }
    void ApplyClip();
    void CombineClip(const QPainterPath& Region, std::uint32_t Mode);

    QPen MakePen(const QTransform& Transform) const;
    QBrush MakeBrush(const TBrushState& Brush, const QTransform& Transform) const;
    bool PrepareRop2();
    void DrawShape(const QPainterPath& Shape, bool Fill, bool Stroke);
    bool MissesDevice(const QPainterPath& Shape, const QTransform& Transform, const QPen& Pen) const;
    void DrawLargeShape(const QPainterPath& Filled, const QTransform& Transform, const QPen& Pen, const QBrush& Brush,
                        bool OpaqueHatch);
    void PaintLarge(const QList<QPolygonF>& Polygons, const QBrush& Brush,
                    const std::function<QImage(const QRect& Strip)>& Cover);
    void AddOrDraw(const QPainterPath& Shape, bool Closed);

    template <typename TPointType> std::vector<QPointF> Points(const TPointType* Source, std::uint32_t Count) const;
    template <typename TPointType> void Poly(std::uint32_t Type, const char* Record, std::uint32_t Size);
    template <typename TPointType> void PolyPoly(std::uint32_t Type, const char* Record, std::uint32_t Size);
    template <typename TPointType> void PolyDraw(const char* Record, std::uint32_t Size);
    void ArcFamily(std::uint32_t Type, const U_EMRARC& Arc);
    void SelectObject(std::uint32_t Index);
    void CreatePen(const U_EMRCREATEPEN& Record);
    void ExtCreatePen(const char* Record, std::uint32_t Size);
    void CreateBrush(const U_EMRCREATEBRUSHINDIRECT& Record);
    void CreatePatternBrush(const char* Record, std::uint32_t Size, std::uint32_t Index, std::uint32_t Usage,
                            std::uint32_t OffBmi, std::uint32_t CbBmi, std::uint32_t OffBits, std::uint32_t CbBits);
    void CreateFont(const char* Record, std::uint32_t Size);
    void TextOut(const char* Record, std::uint32_t Size, const U_EMRTEXT& Text, bool Wide);
    void SmallTextOut(const char* Record, std::uint32_t Size);
    const TTextFont& TextFont(bool Symbol, double Height);
    void DrawTextRun(const TTextRun& Run);
    void Blit(const QRectF& Dest, const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi,
              std::uint32_t OffBits, std::uint32_t CbBits, std::uint32_t Usage, const QRect& SourceRect,
              std::uint32_t Rop, std::optional<QRgb> Transparent = std::nullopt, int ConstantAlpha = -1);
    // The bitmap of a record, decoded once per play for all records that carry the same one.
    QImage DecodedDib(const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi,
                      std::uint32_t OffBits, std::uint32_t CbBits, std::uint32_t Usage, bool KeepAlpha, QSize Needed);
    void PatBlt(const QRectF& Dest, std::uint32_t Rop);
    QPainterPath Region(const char* Data, std::uint32_t Bytes) const;
    void GradientFill(const char* Record, std::uint32_t Size);
    void RestoreDc(int Relative);

    QPainter& FPainter;
    TEmfHeaderInfo FHeader;
    QTransform FPlayback;
    QPoint FOrigin; // the surface point at the device's top left
    std::optional<QPainterPath> FBaseClip;
    TDcState FState;
    std::vector<TDcState> FSaved;
    std::unordered_map<std::uint32_t, TObject> FObjects;
    bool FInPath = false;
    QPainterPath FPath;                 // logical coordinates of the path bracket being built
    std::optional<TTextFont> FTextFont; // of the latest string
    std::unordered_multimap<std::size_t, TDecodedDib> FDibs;
    std::size_t FDibBytes = 0;
};

QTransform TEmfPlayer::PageToDevice() const
{
    double ScaleX = 1, ScaleY = 1;
    const double MmX = FHeader.PixelsPerMmX(), MmY = FHeader.PixelsPerMmY();
    switch (FState.MapMode) {
    case MmLoMetric:
        ScaleX = MmX / 10, ScaleY = -MmY / 10;
        break;
    case MmHiMetric:
        ScaleX = MmX / 100, ScaleY = -MmY / 100;
        break;
    case MmLoEnglish:
        ScaleX = MmX * 0.254, ScaleY = -MmY * 0.254;
        break;
    case MmHiEnglish:
        ScaleX = MmX * 0.0254, ScaleY = -MmY * 0.0254;
        break;
    case MmTwips:
        ScaleX = MmX * 25.4 / 1440, ScaleY = -MmY * 25.4 / 1440;
        break;
    case MmIsotropic:
    case MmAnisotropic: {
        const auto Ratio = [](double Viewport, double Window) { return Window == 0 ? 1.0 : Viewport / Window; };
        ScaleX = Ratio(FState.ViewportExt.x(), FState.WindowExt.x());
        ScaleY = Ratio(FState.ViewportExt.y(), FState.WindowExt.y());
        if (FState.MapMode == MmIsotropic) {
            const double Common = std::min(std::abs(ScaleX), std::abs(ScaleY));
            ScaleX = std::copysign(Common, ScaleX);
            ScaleY = std::copysign(Common, ScaleY);
        }
        break;
    }
    default:
        break;
    }
    return QTransform(ScaleX, 0, 0, ScaleY, FState.ViewportOrg.x() - FState.WindowOrg.x() * ScaleX,
                      FState.ViewportOrg.y() - FState.WindowOrg.y() * ScaleY);
}

void TEmfPlayer::ApplyClip()
{
    FPainter.resetTransform();
    if (FState.Clip)
        FPainter.setClipPath(*FState.Clip);
    else
        FPainter.setClipping(false);
}

void TEmfPlayer::CombineClip(const QPainterPath& Region, std::uint32_t Mode)
{
    // Without a clip the whole surface is the current region.
    QPainterPath Everything;
    Everything.addRect(QRectF(-1e7, -1e7, 2e7, 2e7));
    const QPainterPath Current = FState.Clip.value_or(Everything);
    switch (Mode) {
    case U_RGN_AND:
        FState.Clip = Current.intersected(Region);
        break;
    case U_RGN_OR:
        FState.Clip = FState.Clip ? Current.united(Region) : Everything;
        break;
    case U_RGN_XOR:
        FState.Clip = Current.united(Region).subtracted(Current.intersected(Region));
        break;
    case U_RGN_DIFF:
        FState.Clip = Current.subtracted(Region);
        break;
    case U_RGN_COPY:
        FState.Clip = Region;
        break;
    default:
        return;
    }
    if (FBaseClip) FState.Clip = FState.Clip->intersected(*FBaseClip);
    ApplyClip();
}

QPen TEmfPlayer::MakePen(const QTransform& Transform) const
{
    const TPenState& Pen = FState.Pen;
    if (Pen.Null || (Pen.Style & U_PS_STYLE_MASK) == U_PS_NULL) return QPen(Qt::NoPen);
    QPen Result(Pen.Color);
    const double Scale = std::sqrt(std::abs(Transform.determinant()));
    // The device rounds a pen's width to whole pixels, so a pen that comes to less than one and a half
    // is one pixel wide (cosmetic, its dots and dashes counted in pixels). Stroked as an outline
    // instead, a dotted line across a large picture becomes thousands of tiny filled shapes.
    if (Pen.Width * Scale < 1.5) {
        Result.setWidthF(0);
    } else {
        Result.setWidthF(Pen.Width);
    }
    Result.setCapStyle(Pen.Cap);
    Result.setJoinStyle(Pen.Join);
    Result.setMiterLimit(FState.MiterLimit);
    switch (Pen.Style & U_PS_STYLE_MASK) {
    case U_PS_DASH:
        Result.setStyle(Qt::DashLine);
        break;
    case U_PS_DOT:
        Result.setStyle(Qt::DotLine);
        break;
    case U_PS_DASHDOT:
        Result.setStyle(Qt::DashDotLine);
        break;
    case U_PS_DASHDOTDOT:
        Result.setStyle(Qt::DashDotDotLine);
        break;
    case U_PS_USERSTYLE:
        if (!Pen.Dashes.isEmpty()) Result.setDashPattern(Pen.Dashes);
        break;
    default:
        break;
    }
    return Result;
}

QBrush TEmfPlayer::MakeBrush(const TBrushState& Brush, const QTransform& Transform) const
{
    QBrush Result;
    switch (Brush.Kind) {
    case TBrushState::Null:
        return QBrush(Qt::NoBrush);
    case TBrushState::Solid:
        return QBrush(Brush.Color);
    case TBrushState::Hatched:
        Result = QBrush(HatchImage(Brush.Hatch, Brush.Color));
        break;
    case TBrushState::Pattern:
        Result = QBrush(Brush.Image);
        break;
    }
    // Hatches and patterns keep their size in device pixels, as the desktop draws them, and start at the
    // brush origin from the surface's top left.
    const QPointF Origin = FPlayback.map(FState.BrushOrigin) - FPlayback.map(QPointF(0, 0)) - QPointF(FOrigin);
    if (Transform.isInvertible())
        Result.setTransform(QTransform::fromTranslate(Origin.x(), Origin.y()) * Transform.inverted());
    return Result;
}

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

void TEmfPlayer::SelectObject(std::uint32_t Index)
{
    if (Index & StockFlag) {
        switch (Index) { // the stock object constants carry the flag
        case U_WHITE_BRUSH:
            FState.Brush = TBrushState{TBrushState::Solid, Qt::white, 0, {}};
            break;
        case U_LTGRAY_BRUSH:
            FState.Brush = TBrushState{TBrushState::Solid, QColor(192, 192, 192), 0, {}};
            break;
        case U_GRAY_BRUSH:
            FState.Brush = TBrushState{TBrushState::Solid, QColor(128, 128, 128), 0, {}};
            break;
        case U_DKGRAY_BRUSH:
            FState.Brush = TBrushState{TBrushState::Solid, QColor(64, 64, 64), 0, {}};
            break;
        case U_BLACK_BRUSH:
            FState.Brush = TBrushState{TBrushState::Solid, Qt::black, 0, {}};
            break;
        case U_NULL_BRUSH:
            FState.Brush = TBrushState{TBrushState::Null, Qt::white, 0, {}};
            break;
        case U_WHITE_PEN:
            FState.Pen = TPenState{}, FState.Pen.Color = Qt::white;
            break;
        case U_BLACK_PEN:
            FState.Pen = TPenState{};
            break;
        case U_NULL_PEN:
            FState.Pen = TPenState{}, FState.Pen.Null = true;
            break;
        case U_OEM_FIXED_FONT:
        case U_ANSI_FIXED_FONT:
        case U_ANSI_VAR_FONT:
        case U_SYSTEM_FONT:
        case U_DEVICE_DEFAULT_FONT:
        case U_SYSTEM_FIXED_FONT:
        case U_DEFAULT_GUI_FONT:
            FState.Font = TFontState{};
            break;
        default:
            break;
        }
        return;
    }
    const auto Found = FObjects.find(Index);
    if (Found == FObjects.end()) return;
    if (const auto* Pen = std::get_if<TPenState>(&Found->second))
        FState.Pen = *Pen;
    else if (const auto* Brush = std::get_if<TBrushState>(&Found->second))
        FState.Brush = *Brush;
    else if (const auto* Font = std::get_if<TFontState>(&Found->second))
        FState.Font = *Font;
}

void TEmfPlayer::CreatePen(const U_EMRCREATEPEN& Record)
{
    TPenState Pen;
    Pen.Style = int(Record.lopn.lopnStyle);
    Pen.Width = std::abs(Record.lopn.lopnWidth.x);
    Pen.Color = ColorOf(Record.lopn.lopnColor);
    FObjects[Record.ihPen] = Pen;
}

void TEmfPlayer::ExtCreatePen(const char* Record, std::uint32_t Size)
{
    const auto& Pen = RecordAs<U_EMREXTCREATEPEN>(Record);
    TPenState State;
    const std::uint32_t Style = Pen.elp.elpPenStyle;
    State.Style = int(Style & U_PS_STYLE_MASK);
    State.Width = (Style & U_PS_TYPE_MASK) == U_PS_GEOMETRIC ? double(Pen.elp.elpWidth) : 0.0;
    State.Color = ColorOf(Pen.elp.elpColor);
    State.Null = Pen.elp.elpBrushStyle == U_BS_NULL;
    switch (Style & U_PS_ENDCAP_MASK) {
    case U_PS_ENDCAP_SQUARE:
        State.Cap = Qt::SquareCap;
        break;
    case U_PS_ENDCAP_FLAT:
        State.Cap = Qt::FlatCap;
        break;
    default:
        State.Cap = Qt::RoundCap;
        break;
    }
    switch (Style & U_PS_JOIN_MASK) {
    case U_PS_JOIN_BEVEL:
        State.Join = Qt::BevelJoin;
        break;
    case U_PS_JOIN_MITER:
        State.Join = Qt::MiterJoin;
        break;
    default:
        State.Join = Qt::RoundJoin;
        break;
    }
    const std::uint32_t Entries = Pen.elp.elpNumEntries;
    const std::uint64_t EntriesAt = offsetof(U_EMREXTCREATEPEN, elp) + offsetof(U_EXTLOGPEN, elpStyleEntry);
    if (State.Style == U_PS_USERSTYLE && Inside(EntriesAt, Entries, 4, Size)) {
        const double Unit = std::max(1.0, State.Width);
        for (std::uint32_t Index = 0; Index < Entries && Index < 64; ++Index) {
            std::uint32_t Entry;
            std::memcpy(&Entry, Record + EntriesAt + Index * 4, 4);
            State.Dashes.append(std::max(0.1, Entry / Unit));
        }
        if (State.Dashes.size() % 2 == 1) State.Dashes.append(State.Dashes.back());
    }
    FObjects[Pen.ihPen] = State;
}

void TEmfPlayer::CreateBrush(const U_EMRCREATEBRUSHINDIRECT& Record)
{
    TBrushState Brush;
    Brush.Color = ColorOf(Record.lb.lbColor);
    switch (Record.lb.lbStyle) {
    case U_BS_SOLID:
        Brush.Kind = TBrushState::Solid;
        break;
    case U_BS_HATCHED:
        Brush.Kind = TBrushState::Hatched;
        Brush.Hatch = int(Record.lb.lbHatch);
        break;
    case U_BS_NULL:
        Brush.Kind = TBrushState::Null;
        break;
    default:
        Brush.Kind = TBrushState::Solid;
        break;
    }
    FObjects[Record.ihBrush] = Brush;
}

void TEmfPlayer::CreatePatternBrush(const char* Record, std::uint32_t Size, std::uint32_t Index, std::uint32_t Usage,
                                    std::uint32_t OffBmi, std::uint32_t CbBmi, std::uint32_t OffBits,
                                    std::uint32_t CbBits)
{
    TBrushState Brush;
    Brush.Kind = TBrushState::Pattern;
    Brush.Image = DibToImage(Record, Size, OffBmi, CbBmi, OffBits, CbBits, Usage);
    if (Brush.Image.isNull()) {
        Brush.Kind = TBrushState::Solid;
        Brush.Color = Qt::black;
    }
    FObjects[Index] = Brush;
}

void TEmfPlayer::CreateFont(const char* Record, std::uint32_t Size)
{
    const auto& Font = RecordAs<U_EMREXTCREATEFONTINDIRECTW>(Record);
    const U_LOGFONT& Log = Font.elfw.elfLogFont;
    TFontState State;
    State.Height = Log.lfHeight;
    State.Width = Log.lfWidth;
    State.Escapement = Log.lfEscapement;
    State.Weight = Log.lfWeight;
    State.Italic = Log.lfItalic != 0;
    State.Underline = Log.lfUnderline != 0;
    State.StrikeOut = Log.lfStrikeOut != 0;
    State.CharSet = Log.lfCharSet;
    const std::size_t FaceAt = offsetof(U_EMREXTCREATEFONTINDIRECTW, elfw) + offsetof(U_LOGFONT, lfFaceName);
    std::u16string Face;
    for (std::size_t Index = 0; Index < U_LF_FACESIZE && FaceAt + Index * 2 + 2 <= Size; ++Index) {
        char16_t Unit;
        std::memcpy(&Unit, Record + FaceAt + Index * 2, 2);
        if (Unit == 0) break;
        Face.push_back(Unit);
    }
    State.Face = QString::fromUtf16(Face.data(), qsizetype(Face.size()));
    FObjects[Font.ihFont] = State;
}

void TEmfPlayer::TextOut(const char* Record, std::uint32_t Size, const U_EMRTEXT& Text, bool Wide)
{
    const std::uint32_t Chars = Text.nChars;
    if (Chars == 0 || Chars > 65536 || !Inside(Text.offString, Chars, Wide ? 2 : 1, Size)) return;
    TTextRun Run;
    Run.Reference = QPointF(Text.ptlReference.x, Text.ptlReference.y);
    Run.String = DecodeText(Record + Text.offString, Chars, Wide);
    Run.Options = Text.fOptions;
    // The optional rectangle and the offset of the advances follow the fixed part of the text record.
    const char* After = reinterpret_cast<const char*>(&Text) + sizeof(U_EMRTEXT);
    if (!(Text.fOptions & U_ETO_NO_RECT)) {
        U_RECTL Rect;
        std::memcpy(&Rect, After, sizeof Rect);
        Run.Box = RectOf(Rect);
        After += sizeof Rect;
    }
    std::uint32_t OffDx;
    std::memcpy(&OffDx, After, 4);
    const bool PairedDx = (Text.fOptions & U_ETO_PDY) != 0;
    if (OffDx != 0 && Inside(OffDx, std::uint64_t(Chars) * (PairedDx ? 2 : 1), 4, Size)) {
        for (std::uint32_t Index = 0; Index < Chars; ++Index) {
            std::int32_t Advance;
            std::memcpy(&Advance, Record + OffDx + Index * (PairedDx ? 8 : 4), 4);
            Run.Advances.push_back(Advance);
        }
    }
    DrawTextRun(Run);
}

void TEmfPlayer::SmallTextOut(const char* Record, std::uint32_t Size)
{
    // The fixed part, the rectangle unless the options leave it out, then the characters: bytes with
    // U_ETO_SMALL_CHARS, else 16-bit units. There are no advances.
    const auto& Text = RecordAs<U_EMRSMALLTEXTOUT>(Record);
    const std::uint32_t Chars = Text.cChars;
    std::uint64_t At = sizeof(U_EMRSMALLTEXTOUT);
    TTextRun Run;
    if (!(Text.fuOptions & U_ETO_NO_RECT)) {
        if (!Inside(At, 1, sizeof(U_RECTL), Size)) return;
        U_RECTL Rect;
        std::memcpy(&Rect, Record + At, sizeof Rect);
        Run.Box = RectOf(Rect);
        At += sizeof Rect;
    }
    const bool Wide = !(Text.fuOptions & U_ETO_SMALL_CHARS);
    if (Chars == 0 || Chars > 65536 || !Inside(At, Chars, Wide ? 2 : 1, Size)) return;
    Run.Reference = QPointF(Text.Dest.x, Text.Dest.y);
    Run.String = DecodeText(Record + At, Chars, Wide);
    Run.Options = Text.fuOptions;
    DrawTextRun(Run);
}

const TTextFont& TEmfPlayer::TextFont(bool Symbol, double Height)
{
    if (FTextFont && FTextFont->State == FState.Font && FTextFont->Symbol == Symbol && FTextFont->Height == Height)
        return *FTextFont;
    QFont Font(Symbol                       ? QStringLiteral("DejaVu Serif")
               : FState.Font.Face.isEmpty() ? QStringLiteral("DejaVu Sans")
                                            : FState.Font.Face);
    Font.setWeight(QFont::Weight(std::clamp(FState.Font.Weight == 0 ? 400 : FState.Font.Weight, 1, 1000)));
    Font.setItalic(FState.Font.Italic);
    Font.setUnderline(FState.Font.Underline);
    Font.setStrikeOut(FState.Font.StrikeOut);
    double Pixels = Height;
    if (FState.Font.Height > 0) {
        // A positive height is the cell height, ascent plus descent.
        Font.setPixelSize(100);
        const QFontMetricsF Probe(Font);
        Pixels = Pixels * 100 / std::max(1.0, Probe.ascent() + Probe.descent());
    }
    Font.setPixelSize(std::max(1, int(std::lround(Pixels))));
    FTextFont.emplace(TTextFont{FState.Font, Symbol, Height, Font, QFontMetricsF(Font)});
    return *FTextFont;
}

void TEmfPlayer::DrawTextRun(const TTextRun& Run)
{
    const QRectF& Box = Run.Box;
    const std::vector<double>& Advances = Run.Advances;
    QString String = Run.String;
    // The Symbol font's strings are in its own encoding; once translated they are drawn with a face that
    // has the characters under their Unicode values, which the symbol faces installed here do not.
    const bool Symbol =
        FState.Font.CharSet == U_SYMBOL_CHARSET && FState.Font.Face.compare(u"Symbol", Qt::CaseInsensitive) == 0;
    if (Symbol)
        for (QChar& Char : String) Char = QChar(SymbolToUnicode(Char.unicode()));
    const QTransform Transform = Total();
    if ((Run.Options & U_ETO_OPAQUE) && !Box.isEmpty()) {
        FPainter.setTransform(Transform);
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(Box, FState.BkColor);
    }
    if (Run.Options & U_ETO_GLYPH_INDEX) return; // glyph numbers of a font we do not have
    // Fonts live in the application object's font database; without one there is no text to draw.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
    const bool UpdatePosition = FState.TextAlign & U_TA_UPDATECP;
    const QPointF Reference = UpdatePosition ? FState.Position : Run.Reference;

    // Text stays upright and unmirrored: only the direction of the logical x axis and the scale are taken
    // from the transform.
    const QPointF Origin = Transform.map(Reference);
    const QPointF AxisX = Transform.map(Reference + QPointF(1, 0)) - Origin;
    const QPointF AxisY = Transform.map(Reference + QPointF(0, 1)) - Origin;
    const double ScaleX = std::hypot(AxisX.x(), AxisX.y());
    const double ScaleY = std::hypot(AxisY.x(), AxisY.y());
    if (ScaleX <= 0 || ScaleY <= 0) return;
    const double Direction = std::atan2(AxisX.y(), AxisX.x()) * 180 / M_PI;
    const double Mirror = Transform.determinant() < 0 ? -1 : 1;

    const double Height = (FState.Font.Height == 0 ? 12 : std::abs(FState.Font.Height)) * ScaleY;
    if (Height < 0.5 || Height > 20000) return;
    const TTextFont& Chosen = TextFont(Symbol, Height);
    const QFont& Font = Chosen.Font;
    const QFontMetricsF& Metrics = Chosen.Metrics;

    std::vector<double> Offsets(std::size_t(String.size()) + 1, 0);
    for (qsizetype Index = 0; Index < String.size(); ++Index)
        Offsets[std::size_t(Index) + 1] =
            Offsets[std::size_t(Index)] +
            (Advances.empty() ? Metrics.horizontalAdvance(String.at(Index)) : Advances[std::size_t(Index)] * ScaleX);
    const double Width = Offsets.back();
    double Shift = 0;
    switch (FState.TextAlign & (U_TA_CENTER | U_TA_RIGHT)) {
    case U_TA_CENTER:
        Shift = -Width / 2;
        break;
    case U_TA_RIGHT:
        Shift = -Width;
        break;
    default:
        break;
    }
    double Baseline = Metrics.ascent();
    if ((FState.TextAlign & U_TA_BASELINE) == U_TA_BASELINE)
        Baseline = 0;
    else if (FState.TextAlign & U_TA_BOTTOM)
        Baseline = -Metrics.descent();

    QTransform Placement;
    Placement.translate(Origin.x(), Origin.y());
    Placement.rotate(Direction - Mirror * FState.Font.Escapement / 10.0);
    if (Mirror < 0) Placement.scale(1, 1); // text is never drawn mirrored
    if (UpdatePosition) FState.Position = Reference + QPointF(Width / ScaleX, 0);
    // A band of a large surface meets most strings of the picture only in passing; a string wholly off the
    // device is not drawn. Its box spans its advances and its line, widened all round by two of the
    // font's widest glyphs or lines for ink beyond them, and sideways by a quarter of its width for the
    // kerning of a string drawn whole.
    const auto [Leftmost, Rightmost] = std::minmax_element(Offsets.begin(), Offsets.end());
    const double Margin = 2 * std::max(Metrics.height(), Metrics.maxWidth());
    const double Side = Margin + (*Rightmost - *Leftmost) / 4;
    const QRectF Ink(Shift + *Leftmost - Side, Baseline - Metrics.ascent() - Margin, *Rightmost - *Leftmost + 2 * Side,
                     Metrics.height() + 2 * Margin);
    const QRectF Device(0, 0, FPainter.device()->width(), FPainter.device()->height());
    if (!Placement.mapRect(Ink).intersects(Device)) return;
    FPainter.setTransform(Placement);
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.setRenderHint(QPainter::Antialiasing, true);
    FPainter.save();
    if (Run.Options & U_ETO_CLIPPED && !Box.isEmpty()) {
        QPainterPath ClipBox;
        ClipBox.addRect(Box);
        FPainter.setClipPath(Placement.inverted().map(Transform.map(ClipBox)), Qt::IntersectClip);
    }
    if (FState.BkMode == BkOpaque && !(Run.Options & U_ETO_OPAQUE))
        FPainter.fillRect(QRectF(Shift, Baseline - Metrics.ascent(), Width, Metrics.height()), FState.BkColor);
    FPainter.setFont(Font);
    FPainter.setPen(FState.TextColor);
    if (Advances.empty()) {
        FPainter.drawText(QPointF(Shift, Baseline), String);
    } else {
        for (qsizetype Index = 0; Index < String.size(); ++Index) {
            const QChar Char = String.at(Index);
            if (Char.isHighSurrogate() && Index + 1 < String.size()) {
                FPainter.drawText(QPointF(Shift + Offsets[std::size_t(Index)], Baseline), String.mid(Index, 2));
                ++Index;
            } else if (!Char.isSpace() && !Char.isLowSurrogate()) {
                FPainter.drawText(QPointF(Shift + Offsets[std::size_t(Index)], Baseline), QString(Char));
            }
        }
    }
    FPainter.restore();
}

void TEmfPlayer::Blit(const QRectF& Dest, const char* Record, std::uint32_t Size, std::uint32_t OffBmi,
                      std::uint32_t CbBmi, std::uint32_t OffBits, std::uint32_t CbBits, std::uint32_t Usage,
                      const QRect& SourceRect, std::uint32_t Rop, std::optional<QRgb> Transparent, int ConstantAlpha)
{
    const QTransform Transform = Total();
    const QRectF OnDevice = Transform.mapRect(Dest.normalized());
    if (!OnDevice.intersects(QRectF(0, 0, FPainter.device()->width(), FPainter.device()->height()))) return;
    // The whole bitmap's size on the device: the destination scaled by the bitmap over its source part.
    const QSize Full = DibSize(Record, Size, OffBmi, CbBmi);
    const QRect Part = SourceRect.isValid() ? SourceRect : QRect(0, 0, Full.width(), std::abs(Full.height()));
    QSize Needed;
    if (Part.width() > 0 && Part.height() > 0) {
        const auto Scaled = [](double Device, int Whole, int Of) {
            return int(std::clamp(std::ceil(Device * Whole / Of), 1.0, 65536.0));
        };
        Needed = QSize(Scaled(OnDevice.width(), Full.width(), Part.width()),
                       Scaled(OnDevice.height(), std::abs(Full.height()), Part.height()));
    }
    QImage Image = DecodedDib(Record, Size, OffBmi, CbBmi, OffBits, CbBits, Usage, ConstantAlpha >= 0, Needed);
    if (Image.isNull()) return;
    if (Transparent) {
        Image = Image.convertToFormat(QImage::Format_ARGB32);
        for (int Y = 0; Y < Image.height(); ++Y) {
            auto* Row = reinterpret_cast<QRgb*>(Image.scanLine(Y));
            for (int X = 0; X < Image.width(); ++X)
                if ((Row[X] & 0xFFFFFF) == (*Transparent & 0xFFFFFF)) Row[X] = 0;
        }
    }
    QPainter::CompositionMode Mode = QPainter::CompositionMode_SourceOver;
    switch (Rop) {
    case U_SRCPAINT:
        Mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case U_SRCAND:
        Mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case U_SRCINVERT:
        Mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case U_SRCERASE:
        Mode = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case U_NOTSRCCOPY:
        Mode = QPainter::RasterOp_NotSource;
        break;
    case U_NOTSRCERASE:
        Mode = QPainter::RasterOp_NotSourceAndNotDestination;
        break;
    case U_MERGEPAINT:
        Mode = QPainter::RasterOp_NotSourceOrDestination;
        break;
    default:
        break;
    }
    FPainter.setTransform(Transform);
    FPainter.setCompositionMode(Mode);
    FPainter.setRenderHint(QPainter::SmoothPixmapTransform, FState.Halftone);
    if (ConstantAlpha >= 0) FPainter.setOpacity(ConstantAlpha / 255.0);
    // Pixels decoded smaller than the header says take the source rectangle at their scale.
    const double ScaleX = Full.width() > 0 ? double(Image.width()) / Full.width() : 1;
    const double ScaleY = Full.height() != 0 ? double(Image.height()) / std::abs(Full.height()) : 1;
    const QRectF Source = SourceRect.isValid() ? QRectF(SourceRect.x() * ScaleX, SourceRect.y() * ScaleY,
                                                        SourceRect.width() * ScaleX, SourceRect.height() * ScaleY)
                                               : QRectF(Image.rect());
    FPainter.drawImage(Dest, Image, Source);
    FPainter.setOpacity(1);
}

QImage TEmfPlayer::DecodedDib(const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi,
                              std::uint32_t OffBits, std::uint32_t CbBits, std::uint32_t Usage, bool KeepAlpha,
                              QSize Needed)
{
    if (OffBmi > Size || CbBmi > Size - OffBmi || OffBits > Size || CbBits > Size - OffBits) return {};
    const std::string_view Header(Record + OffBmi, CbBmi), Bits(Record + OffBits, CbBits);
    const std::size_t Key = std::hash<std::string_view>()(Header) ^ (std::hash<std::string_view>()(Bits) * 31) ^
                            (std::size_t(Needed.width()) << 8) ^ (std::size_t(Needed.height()) << 24) ^ Usage ^
                            (KeepAlpha ? 0x10000 : 0);
    for (auto [At, End] = FDibs.equal_range(Key); At != End; ++At) {
        const TDecodedDib& Dib = At->second;
        if (Dib.Header == Header && Dib.Bits == Bits && Dib.Usage == Usage && Dib.KeepAlpha == KeepAlpha &&
            Dib.Needed == Needed)
            return Dib.Image;
    }
    QImage Image = DibToImage(Record, Size, OffBmi, CbBmi, OffBits, CbBits, Usage, KeepAlpha, Needed);
    if (FDibBytes + std::size_t(Image.sizeInBytes()) <= DibCacheBytes) {
        FDibBytes += std::size_t(Image.sizeInBytes());
        FDibs.emplace(Key, TDecodedDib{Header, Bits, Usage, KeepAlpha, Needed, Image});
    }
    return Image;
}

void TEmfPlayer::PatBlt(const QRectF& Dest, std::uint32_t Rop)
{
    FPainter.setTransform(Total());
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    switch (Rop) {
    case U_BLACKNESS:
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(Dest, Qt::black);
        break;
    case U_WHITENESS:
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(Dest, Qt::white);
        break;
    case U_DSTINVERT:
        FPainter.setCompositionMode(QPainter::RasterOp_NotDestination);
        FPainter.fillRect(Dest, Qt::black);
        break;
    case U_PATINVERT:
        FPainter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        FPainter.fillRect(Dest, MakeBrush(FState.Brush, Total()));
        break;
    case U_NOOP:
        break;
    default:
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(Dest, MakeBrush(FState.Brush, Total()));
        break;
    }
}

QPainterPath TEmfPlayer::Region(const char* Data, std::uint32_t Bytes) const
{
    QPainterPath Result;
    if (Bytes < sizeof(U_RGNDATAHEADER)) return Result;
    U_RGNDATAHEADER Header;
    std::memcpy(&Header, Data, sizeof Header);
    const std::uint64_t Count = std::min<std::uint64_t>(Header.nCount, (Bytes - sizeof Header) / sizeof(U_RECTL));
    QRegion Rects;
    for (std::uint64_t Index = 0; Index < Count; ++Index) {
        U_RECTL Rect;
        std::memcpy(&Rect, Data + sizeof Header + Index * sizeof Rect, sizeof Rect);
        Result.addRect(RectOf(Rect).normalized());
    }
    Result.setFillRule(Qt::WindingFill);
    return Result;
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

void TEmfPlayer::RestoreDc(int Which)
{
    // Negative: relative to the newest saved state; positive: the Which-th saved state.
    const int Count = int(FSaved.size());
    const int Index = Which < 0 ? Count + Which : Which - 1;
    if (Index < 0 || Index >= Count) return;
    FState = FSaved[std::size_t(Index)];
    FSaved.resize(std::size_t(Index));
    ApplyClip();
}

void TEmfPlayer::Play(std::uint32_t Type, const char* Record, std::uint32_t Size)
{
    switch (Type) {
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
        Poly<U_POINTL>(Type, Record, Size);
        break;
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
        Poly<U_POINT16>(Type, Record, Size);
        break;
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
        PolyPoly<U_POINTL>(Type, Record, Size);
        break;
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
        PolyPoly<U_POINT16>(Type, Record, Size);
        break;
    case U_EMR_POLYDRAW:
        PolyDraw<U_POINTL>(Record, Size);
        break;
    case U_EMR_POLYDRAW16:
        PolyDraw<U_POINT16>(Record, Size);
        break;
    case U_EMR_SETWINDOWEXTEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        if (Pair.x != 0 && Pair.y != 0) FState.WindowExt = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SETWINDOWORGEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        FState.WindowOrg = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SETVIEWPORTEXTEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        if (Pair.x != 0 && Pair.y != 0) FState.ViewportExt = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SETVIEWPORTORGEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        FState.ViewportOrg = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SETBRUSHORGEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        FState.BrushOrigin = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX: {
        const auto& Scale = RecordAs<U_EMRSCALEVIEWPORTEXTEX>(Record);
        if (Scale.xDenom == 0 || Scale.yDenom == 0 || Scale.xNum == 0 || Scale.yNum == 0) break;
        QPointF& Extent = Type == U_EMR_SCALEVIEWPORTEXTEX ? FState.ViewportExt : FState.WindowExt;
        Extent = QPointF(Extent.x() * Scale.xNum / Scale.xDenom, Extent.y() * Scale.yNum / Scale.yDenom);
        break;
    }
    case U_EMR_SETMAPMODE: {
        const std::uint32_t Mode = RecordAs<U_EMRSETMAPMODE>(Record).iMode;
        if (Mode >= MmText && Mode <= MmAnisotropic) FState.MapMode = Mode;
        break;
    }
    case U_EMR_SETBKMODE:
        FState.BkMode = RecordAs<U_EMRSETMAPMODE>(Record).iMode;
        break;
    case U_EMR_SETPOLYFILLMODE:
        FState.FillRule = RecordAs<U_EMRSETMAPMODE>(Record).iMode == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case U_EMR_SETROP2:
        FState.Rop2 = RecordAs<U_EMRSETMAPMODE>(Record).iMode;
        break;
    case U_EMR_SETTEXTALIGN:
        FState.TextAlign = RecordAs<U_EMRSETMAPMODE>(Record).iMode;
        break;
    case U_EMR_SETARCDIRECTION:
        FState.Clockwise = RecordAs<U_EMRSETARCDIRECTION>(Record).iArcDirection == U_AD_CLOCKWISE;
        break;
    case U_EMR_SETMITERLIMIT: {
        const double Limit = RecordAs<U_EMRSETMITERLIMIT>(Record).eMiterLimit;
        if (Limit >= 1 && Limit < 1000) FState.MiterLimit = Limit;
        break;
    }
    case U_EMR_SETTEXTCOLOR:
        FState.TextColor = ColorOf(RecordAs<U_EMRSETTEXTCOLOR>(Record).crColor);
        break;
    case U_EMR_SETBKCOLOR:
        FState.BkColor = ColorOf(RecordAs<U_EMRSETTEXTCOLOR>(Record).crColor);
        break;
    case U_EMR_MOVETOEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        FState.Position = QPointF(Pair.x, Pair.y);
        if (FInPath) FPath.moveTo(FState.Position);
        break;
    }
    case U_EMR_LINETO: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        const QPointF To(Pair.x, Pair.y);
        if (FInPath) {
            if (FPath.elementCount() == 0) FPath.moveTo(FState.Position);
            FPath.lineTo(To);
        } else {
            QPainterPath Line;
            Line.moveTo(FState.Position);
            Line.lineTo(To);
            DrawShape(Line, false, true);
        }
        FState.Position = To;
        break;
    }
    case U_EMR_SETPIXELV: {
        const auto& Pixel = RecordAs<U_EMRSETPIXELV>(Record);
        FPainter.setTransform(Total());
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(QRectF(Pixel.ptlPixel.x, Pixel.ptlPixel.y, 1, 1), ColorOf(Pixel.crColor));
        break;
    }
    case U_EMR_RECTANGLE:
    case U_EMR_ELLIPSE: {
        const QRectF Box = RectOf(RecordAs<U_EMRELLIPSE>(Record).rclBox).normalized();
        QPainterPath Shape;
        if (Type == U_EMR_RECTANGLE)
            Shape.addRect(Box);
        else
            Shape.addEllipse(Box);
        AddOrDraw(Shape, true);
        break;
    }
    case U_EMR_ROUNDRECT: {
        const auto& Round = RecordAs<U_EMRROUNDRECT>(Record);
        QPainterPath Shape;
        Shape.addRoundedRect(RectOf(Round.rclBox).normalized(), std::abs(Round.szlCorner.cx) / 2.0,
                             std::abs(Round.szlCorner.cy) / 2.0);
        AddOrDraw(Shape, true);
        break;
    }
    case U_EMR_ARC:
    case U_EMR_CHORD:
    case U_EMR_PIE:
    case U_EMR_ARCTO:
        ArcFamily(Type, RecordAs<U_EMRARC>(Record));
        break;
    case U_EMR_ANGLEARC: {
        const auto& Arc = RecordAs<U_EMRANGLEARC>(Record);
        const double Radius = Arc.nRadius;
        const QRectF Box(Arc.ptlCenter.x - Radius, Arc.ptlCenter.y - Radius, 2 * Radius, 2 * Radius);
        QPainterPath Shape;
        Shape.moveTo(FState.Position);
        QPainterPath Probe;
        Probe.arcMoveTo(Box, Arc.eStartAngle);
        Shape.lineTo(Probe.currentPosition());
        Shape.arcTo(Box, Arc.eStartAngle, Arc.eSweepAngle);
        FState.Position = Shape.currentPosition();
        AddOrDraw(Shape, false);
        break;
    }
    case U_EMR_CREATEPEN:
        CreatePen(RecordAs<U_EMRCREATEPEN>(Record));
        break;
    case U_EMR_EXTCREATEPEN:
        ExtCreatePen(Record, Size);
        break;
    case U_EMR_CREATEBRUSHINDIRECT:
        CreateBrush(RecordAs<U_EMRCREATEBRUSHINDIRECT>(Record));
        break;
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH: {
        const auto& Brush = RecordAs<U_EMRCREATEDIBPATTERNBRUSHPT>(Record);
        CreatePatternBrush(Record, Size, Brush.ihBrush, Brush.iUsage, Brush.offBmi, Brush.cbBmi, Brush.offBits,
                           Brush.cbBits);
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW:
        CreateFont(Record, Size);
        break;
    case U_EMR_CREATEPALETTE:
        FObjects[RecordAs<U_EMRCREATEPALETTE>(Record).ihPal] = std::monostate{};
        break;
    case U_EMR_SELECTOBJECT:
        SelectObject(RecordAs<U_EMRSELECTOBJECT>(Record).ihObject);
        break;
    case U_EMR_DELETEOBJECT:
        FObjects.erase(RecordAs<U_EMRDELETEOBJECT>(Record).ihObject);
        break;
    case U_EMR_SAVEDC:
        if (FSaved.size() < MaxSavedStates) FSaved.push_back(FState);
        break;
    case U_EMR_RESTOREDC:
        RestoreDc(RecordAs<U_EMRRESTOREDC>(Record).iRelative);
        break;
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM: {
        U_XFORM Form;
        std::uint32_t Mode = MwtSet;
        std::memcpy(&Form, Record + 8, sizeof Form);
        if (Type == U_EMR_MODIFYWORLDTRANSFORM) std::memcpy(&Mode, Record + 8 + sizeof Form, 4);
        const QTransform Matrix(Form.eM11, Form.eM12, Form.eM21, Form.eM22, Form.eDx, Form.eDy);
        if (!std::isfinite(Matrix.determinant()) || !std::isfinite(Form.eDx) || !std::isfinite(Form.eDy)) break;
        switch (Mode) {
        case U_MWT_IDENTITY:
            FState.World = QTransform();
            break;
        case U_MWT_LEFTMULTIPLY:
            FState.World = Matrix * FState.World;
            break;
        case U_MWT_RIGHTMULTIPLY:
            FState.World = FState.World * Matrix;
            break;
        case MwtSet:
            FState.World = Matrix;
            break;
        default:
            break;
        }
        break;
    }
    case U_EMR_BEGINPATH:
        FInPath = true;
        FPath = QPainterPath();
        break;
    case U_EMR_ENDPATH:
        FInPath = false;
        break;
    case U_EMR_ABORTPATH:
        FInPath = false;
        FPath = QPainterPath();
        break;
    case U_EMR_CLOSEFIGURE:
        if (FInPath) FPath.closeSubpath();
        break;
    case U_EMR_FILLPATH:
    case U_EMR_STROKEPATH:
    case U_EMR_STROKEANDFILLPATH:
        FInPath = false;
        DrawShape(FPath, Type != U_EMR_STROKEPATH, Type != U_EMR_FILLPATH);
        FPath = QPainterPath();
        break;
    case U_EMR_WIDENPATH: {
        QPainterPathStroker Stroker(MakePen(Total()));
        Stroker.setWidth(std::max(1.0, FState.Pen.Width));
        FPath = Stroker.createStroke(FPath);
        break;
    }
    case U_EMR_SELECTCLIPPATH:
        FPath.setFillRule(FState.FillRule);
        CombineClip(Total().map(FPath), RecordAs<U_EMRSETMAPMODE>(Record).iMode);
        FPath = QPainterPath();
        FInPath = false;
        break;
    case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT: {
        QPainterPath Box;
        Box.addRect(RectOf(RecordAs<U_EMREXCLUDECLIPRECT>(Record).rclClip).normalized());
        CombineClip(Total().map(Box), Type == U_EMR_INTERSECTCLIPRECT ? U_RGN_AND : U_RGN_DIFF);
        break;
    }
    case U_EMR_EXTSELECTCLIPRGN: {
        const auto& Clip = RecordAs<U_EMREXTSELECTCLIPRGN>(Record);
        if (Clip.iMode == U_RGN_COPY && Clip.cbRgnData == 0) {
            FState.Clip = FBaseClip;
            ApplyClip();
        } else if (Inside(offsetof(U_EMREXTSELECTCLIPRGN, RgnData), Clip.cbRgnData, 1, Size)) {
            // The region is in reference-device pixels.
            CombineClip(FPlayback.map(Region(Record + offsetof(U_EMREXTSELECTCLIPRGN, RgnData), Clip.cbRgnData)),
                        Clip.iMode);
        }
        break;
    }
    case U_EMR_OFFSETCLIPRGN:
        if (FState.Clip) {
            const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
            const QTransform Transform = Total();
            const QPointF Delta = Transform.map(QPointF(Pair.x, Pair.y)) - Transform.map(QPointF(0, 0));
            FState.Clip->translate(Delta);
            ApplyClip();
        }
        break;
    case U_EMR_FILLRGN:
    case U_EMR_PAINTRGN:
    case U_EMR_INVERTRGN:
    case U_EMR_FRAMERGN: {
        std::uint32_t Bytes;
        std::size_t At;
        if (Type == U_EMR_FILLRGN || Type == U_EMR_FRAMERGN) {
            Bytes = RecordAs<U_EMRFILLRGN>(Record).cbRgnData;
            At = Type == U_EMR_FILLRGN ? offsetof(U_EMRFILLRGN, RgnData) : offsetof(U_EMRFRAMERGN, RgnData);
        } else {
            Bytes = RecordAs<U_EMRINVERTRGN>(Record).cbRgnData;
            At = offsetof(U_EMRINVERTRGN, RgnData);
        }
        if (!Inside(At, Bytes, 1, Size)) break;
        const QPainterPath Area = Region(Record + At, Bytes);
        const TBrushState Saved = FState.Brush;
        if (Type == U_EMR_FILLRGN || Type == U_EMR_FRAMERGN) {
            const auto Found = FObjects.find(RecordAs<U_EMRFILLRGN>(Record).ihBrush);
            if (Found != FObjects.end())
                if (const auto* Brush = std::get_if<TBrushState>(&Found->second)) FState.Brush = *Brush;
        }
        FPainter.setTransform(Total());
        if (Type == U_EMR_INVERTRGN) {
            FPainter.setCompositionMode(QPainter::RasterOp_NotDestination);
            FPainter.fillPath(Area, Qt::black);
        } else if (Type == U_EMR_FRAMERGN) {
            FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            FPainter.strokePath(Area.simplified(), QPen(MakeBrush(FState.Brush, Total()), 1));
        } else {
            FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            FPainter.fillPath(Area, MakeBrush(FState.Brush, Total()));
        }
        FState.Brush = Saved;
        break;
    }
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW: {
        const auto& Text = RecordAs<U_EMREXTTEXTOUTA>(Record);
        TextOut(Record, Size, Text.emrtext, Type == U_EMR_EXTTEXTOUTW);
        break;
    }
    case U_EMR_SMALLTEXTOUT:
        SmallTextOut(Record, Size);
        break;
    case U_EMR_POLYTEXTOUTA:
    case U_EMR_POLYTEXTOUTW: {
        const auto& Texts = RecordAs<U_EMRPOLYTEXTOUTA>(Record);
        const std::uint64_t At = offsetof(U_EMRPOLYTEXTOUTA, emrtext);
        // Each entry is the fixed text part, its rectangle and the offset of its advances.
        const std::size_t Entry = sizeof(U_EMRTEXT) + sizeof(U_RECTL) + 4;
        if (!Inside(At, Texts.cStrings, Entry, Size)) break;
        for (std::uint32_t Index = 0; Index < Texts.cStrings; ++Index) {
            TextOut(Record, Size, *reinterpret_cast<const U_EMRTEXT*>(Record + At + Index * Entry),
                    Type == U_EMR_POLYTEXTOUTW);
        }
        break;
    }
    case U_EMR_BITBLT: {
        const auto& Blt = RecordAs<U_EMRBITBLT>(Record);
        const QRectF Dest(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y);
        if (Blt.cbBmiSrc == 0)
            PatBlt(Dest, Blt.dwRop);
        else
            Blit(Dest, Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc, Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc,
                 QRect(Blt.Src.x, Blt.Src.y, Blt.cDest.x, Blt.cDest.y), Blt.dwRop);
        break;
    }
    case U_EMR_STRETCHBLT: {
        const auto& Blt = RecordAs<U_EMRSTRETCHBLT>(Record);
        const QRectF Dest(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y);
        if (Blt.cbBmiSrc == 0)
            PatBlt(Dest, Blt.dwRop);
        else
            Blit(Dest, Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc, Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc,
                 QRect(Blt.Src.x, Blt.Src.y, Blt.cSrc.x, Blt.cSrc.y), Blt.dwRop);
        break;
    }
    case U_EMR_MASKBLT: {
        const auto& Blt = RecordAs<U_EMRMASKBLT>(Record);
        const QRectF Dest(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y);
        if (Blt.cbBmiSrc == 0)
            PatBlt(Dest, Blt.dwRop & 0xFFFFFF);
        else
            Blit(Dest, Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc, Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc,
                 QRect(Blt.Src.x, Blt.Src.y, Blt.cDest.x, Blt.cDest.y), Blt.dwRop & 0xFFFFFF);
        break;
    }
    case U_EMR_STRETCHDIBITS: {
        const auto& Blt = RecordAs<U_EMRSTRETCHDIBITS>(Record);
        const QRectF Dest(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y);
        if (Blt.cbBmiSrc == 0) {
            PatBlt(Dest, Blt.dwRop);
            break;
        }
        // The source rectangle counts rows from the bottom of a bottom-up bitmap.
        const int Height = DibSize(Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc).height();
        const int Top = Height > 0 ? Height - Blt.Src.y - Blt.cSrc.y : Blt.Src.y;
        Blit(Dest, Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc, Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc,
             QRect(Blt.Src.x, Top, Blt.cSrc.x, Blt.cSrc.y), Blt.dwRop);
        break;
    }
    case U_EMR_SETDIBITSTODEVICE: {
        const auto& Blt = RecordAs<U_EMRSETDIBITSTODEVICE>(Record);
        const int Height = DibSize(Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc).height();
        const int Top = Height > 0 ? Height - Blt.Src.y - Blt.cSrc.y : Blt.Src.y;
        Blit(QRectF(Blt.Dest.x, Blt.Dest.y, Blt.cSrc.x, Blt.cSrc.y), Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc,
             Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc, QRect(Blt.Src.x, Top, Blt.cSrc.x, Blt.cSrc.y), U_SRCCOPY);
        break;
    }
    case U_EMR_ALPHABLEND: {
        const auto& Blt = RecordAs<U_EMRALPHABLEND>(Record);
        Blit(QRectF(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y), Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc,
             Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc, QRect(Blt.Src.x, Blt.Src.y, Blt.cSrc.x, Blt.cSrc.y),
             U_SRCCOPY, std::nullopt, Blt.Blend.Global);
        break;
    }
    case U_EMR_TRANSPARENTBLT: {
        const auto& Blt = RecordAs<U_EMRTRANSPARENTBLT>(Record);
        Blit(QRectF(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y), Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc,
             Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc, QRect(Blt.Src.x, Blt.Src.y, Blt.cSrc.x, Blt.cSrc.y),
             U_SRCCOPY, ColorOf(Blt.TColor).rgb());
        break;
    }
    case U_EMR_GRADIENTFILL:
        GradientFill(Record, Size);
        break;
    default:
        break; // records without a visible effect here, EMF+ comments among them
    }
}

} // namespace

void PlayEmf(std::span<const std::uint8_t> Emf, QPainter& Painter, const QRectF& Target, const QRectF& Source,
             QPoint Origin)
{
    const TEmfHeaderInfo Header = ReadEmfHeader(Emf);
    if (Source.width() == 0 || Source.height() == 0) return;
    const double ScaleX = Target.width() / Source.width(), ScaleY = Target.height() / Source.height();
    const QTransform Playback(ScaleX, 0, 0, ScaleY, Target.left() - Origin.x() - Source.left() * ScaleX,
                              Target.top() - Origin.y() - Source.top() * ScaleY);
    Painter.save();
    Painter.setRenderHint(QPainter::TextAntialiasing, true);
    TEmfPlayer Player(Painter, Header, Playback, Origin);
    ForEachEmfRecord(
        Emf, [&](std::uint32_t Type, const char* Record, std::uint32_t Size) { Player.Play(Type, Record, Size); });
    Painter.restore();
}

QRectF EmfFrameInDevicePixels(std::span<const std::uint8_t> Emf)
{
    const TEmfHeaderInfo Header = ReadEmfHeader(Emf);
    // The frame is in 0.01 mm; its extent is right minus left, as the picture's size counts it.
    const double X = Header.PixelsPerMmX() / 100, Y = Header.PixelsPerMmY() / 100;
    return QRectF(QPointF(Header.FrameLeft * X, Header.FrameTop * Y),
                  QPointF(Header.FrameRight * X, Header.FrameBottom * Y));
}

QRectF EmfBoundsInDevicePixels(std::span<const std::uint8_t> Emf)
{
    const TEmfHeaderInfo Header = ReadEmfHeader(Emf);
    return QRectF(QPointF(Header.BoundsLeft, Header.BoundsTop), QPointF(Header.BoundsRight, Header.BoundsBottom));
}

QRectF EmfDrawingBounds(std::span<const std::uint8_t> Emf)
{
    // The records are played onto transparency over the frame and a margin of half the frame on every side,
    // at most 1024 pixels across; the covered pixels give the bounds.
    const QRectF Frame = EmfFrameInDevicePixels(Emf);
    if (Frame.width() <= 0 || Frame.height() <= 0) return {};
    const QRectF Area = Frame.adjusted(-Frame.width() / 2, -Frame.height() / 2, Frame.width() / 2, Frame.height() / 2);
    const double Scale = std::min(1.0, 1024 / std::max(Area.width(), Area.height()));
    const int Width = std::max(1, int(std::ceil(Area.width() * Scale)));
    const int Height = std::max(1, int(std::ceil(Area.height() * Scale)));
    QImage Image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::transparent);
    {
        QPainter Painter(&Image);
        PlayEmf(Emf, Painter, QRectF(0, 0, Width, Height), Area);
    }
    int Left = Width, Top = Height, Right = -1, Bottom = -1;
    for (int Y = 0; Y < Height; ++Y) {
        const auto* Row = reinterpret_cast<const QRgb*>(Image.constScanLine(Y));
        for (int X = 0; X < Width; ++X)
            if (qAlpha(Row[X]) != 0) {
                Left = std::min(Left, X), Right = std::max(Right, X);
                Top = std::min(Top, Y), Bottom = std::max(Bottom, Y);
            }
    }
    if (Right < 0) return {};
    return QRectF(Area.left() + Left / Scale, Area.top() + Top / Scale, (Right + 1 - Left) / Scale,
                  (Bottom + 1 - Top) / Scale);
}
