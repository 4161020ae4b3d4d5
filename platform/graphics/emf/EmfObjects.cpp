// The EMF player's object table: pens, brushes and fonts made and selected, and the Qt pens and brushes
// they draw with.
#include "platform/graphics/emf/EmfPlayerState.h"

#include "platform/graphics/emf/DibImage.h"

#include <cmath>

namespace EmfPlayback {

namespace {

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

} // namespace

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

} // namespace EmfPlayback
