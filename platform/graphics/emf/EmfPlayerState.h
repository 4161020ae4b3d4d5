#pragma once
// The EMF player's device: the GDI state machine whose records EmfPlayer.cpp dispatches, its themes in
// EmfMapping.cpp (page space, clipping, saved states), EmfObjects.cpp (pens, brushes, fonts),
// EmfShapes.cpp (lines, polygons, paths), EmfText.cpp and EmfBitmaps.cpp. Internal to the player and to
// the WMF writer, which follows the page space and takes the shapes of curves and paths from it.

#include "platform/graphics/emf/EmfRecords.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include <uemf.h>

namespace EmfPlayback {

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

inline QColor ColorOf(std::uint32_t ColorRef)
{
    return QColor(int(ColorRef & 0xFF), int((ColorRef >> 8) & 0xFF), int((ColorRef >> 16) & 0xFF));
}

inline QColor ColorOf(const U_COLORREF& Color)
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
    double Width;  // the average character width asked for, in pixels; 0: the font's own
    QFont Font;
    QFontMetricsF Metrics;
    bool StandIn; // drawn with another face than the one asked for
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
    // The meta region: what the clip was when the records last fixed it, which every clip stays inside
    // and selecting no clip returns to; at first the painter's own clip.
    std::optional<QPainterPath> MetaClip;
};

template <typename T> const T& RecordAs(const char* Record)
{
    return *reinterpret_cast<const T*>(Record);
}

// Whether Count items of ItemSize bytes starting at Offset lie inside a record of Size bytes.
inline bool Inside(std::uint64_t Offset, std::uint64_t Count, std::uint64_t ItemSize, std::uint32_t Size)
{
    return Offset <= Size && Count <= (Size - Offset) / std::max<std::uint64_t>(ItemSize, 1);
}

inline QRectF RectOf(const U_RECTL& Rect)
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
    bool Advanced = false; // the record's graphics mode shapes glyphs in logical units
};

class TEmfPlayer
{
public:
    TEmfPlayer(QPainter& Painter, const TEmfHeaderInfo& Header, const QTransform& Playback, QPoint Origin)
        : FPainter(Painter), FHeader(Header), FPlayback(Playback), FOrigin(Origin)
    {
        FState.MetaClip = Painter.hasClipping() ? std::optional<QPainterPath>(Painter.clipPath()) : std::nullopt;
        FState.Clip = FState.MetaClip;
        ApplyClip();
    }

    void Play(std::uint32_t Type, const char* Record, std::uint32_t Size);

    // Logical coordinates to reference-device pixels, world transform and page space together.
    QTransform LogicalToDevice() const { return FState.World * PageToDevice(); }
    QPointF Position() const { return FState.Position; }
    bool InPath() const { return FInPath; }
    bool Clockwise() const { return FState.Clockwise; }
    // When set, shapes are handed here in logical coordinates instead of being drawn.
    std::function<void(const QPainterPath& Shape, bool Fill, bool Stroke)> ShapeSink;

private:
    // The device keeps window and viewport extents only in the two scaling modes.
    bool Scaling() const { return FState.MapMode == MmIsotropic || FState.MapMode == MmAnisotropic; }
    void SetMapMode(std::uint32_t Mode);
    QTransform PageToDevice() const;
    QTransform Total() const { return LogicalToDevice() * FPlayback; }
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
    const TTextFont& TextFont(bool Symbol, double Height, double Width);
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
    TDcState FState;
    std::vector<TDcState> FSaved;
    std::unordered_map<std::uint32_t, TObject> FObjects;
    bool FInPath = false;
    QPainterPath FPath;                 // logical coordinates of the path bracket being built
    std::optional<TTextFont> FTextFont; // of the latest string
    std::unordered_multimap<std::size_t, TDecodedDib> FDibs;
    std::size_t FDibBytes = 0;
};

} // namespace EmfPlayback
