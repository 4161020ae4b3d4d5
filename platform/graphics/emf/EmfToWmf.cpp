#include "platform/graphics/emf/DibImage.h"
#include "platform/graphics/emf/EmfPlayer.h"
#include "platform/graphics/emf/EmfPlayerState.h"
#include "platform/graphics/emf/EmfRecords.h"
#include "platform/graphics/emf/WmfConvert.h"
#include "platform/system/CodePage.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <uemf.h>
#include <uwmf.h>
#include <vector>

namespace {

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t StockFlag = 0x80000000;
// Records the WMF has nothing like; a drawing holding any of them is written as one bitmap instead.
constexpr std::uint32_t NeedsRaster[] = {
    U_EMR_ALPHABLEND,   U_EMR_GRADIENTFILL, U_EMR_EXTSELECTCLIPRGN, U_EMR_SELECTCLIPPATH,    U_EMR_BITBLT,
    U_EMR_STRETCHBLT,   U_EMR_MASKBLT,      U_EMR_TRANSPARENTBLT,   U_EMR_CREATEMONOBRUSH,   U_EMR_FILLRGN,
    U_EMR_PAINTRGN,     U_EMR_FRAMERGN,     U_EMR_INVERTRGN,        U_EMR_SETDIBITSTODEVICE, U_EMR_POLYTEXTOUTA,
    U_EMR_POLYTEXTOUTW, U_EMR_SMALLTEXTOUT};

// Records that change the page space, the current position or the path, which the translator follows
// through the player's device state.
constexpr std::uint32_t Geometry[] = {U_EMR_SETMAPMODE,
                                      U_EMR_SETWINDOWEXTEX,
                                      U_EMR_SETWINDOWORGEX,
                                      U_EMR_SETVIEWPORTEXTEX,
                                      U_EMR_SETVIEWPORTORGEX,
                                      U_EMR_SCALEVIEWPORTEXTEX,
                                      U_EMR_SCALEWINDOWEXTEX,
                                      U_EMR_SETWORLDTRANSFORM,
                                      U_EMR_MODIFYWORLDTRANSFORM,
                                      U_EMR_SAVEDC,
                                      U_EMR_RESTOREDC,
                                      U_EMR_SETARCDIRECTION,
                                      U_EMR_MOVETOEX,
                                      U_EMR_LINETO,
                                      U_EMR_BEGINPATH,
                                      U_EMR_ENDPATH,
                                      U_EMR_ABORTPATH,
                                      U_EMR_CLOSEFIGURE,
                                      U_EMR_WIDENPATH,
                                      U_EMR_FILLPATH,
                                      U_EMR_STROKEPATH,
                                      U_EMR_STROKEANDFILLPATH,
                                      U_EMR_RECTANGLE,
                                      U_EMR_ELLIPSE,
                                      U_EMR_ROUNDRECT,
                                      U_EMR_ARC,
                                      U_EMR_CHORD,
                                      U_EMR_PIE,
                                      U_EMR_ARCTO,
                                      U_EMR_ANGLEARC,
                                      U_EMR_POLYLINE,
                                      U_EMR_POLYGON,
                                      U_EMR_POLYLINE16,
                                      U_EMR_POLYGON16,
                                      U_EMR_POLYPOLYGON,
                                      U_EMR_POLYPOLYGON16,
                                      U_EMR_POLYBEZIER,
                                      U_EMR_POLYBEZIER16,
                                      U_EMR_POLYBEZIERTO,
                                      U_EMR_POLYBEZIERTO16,
                                      U_EMR_POLYLINETO,
                                      U_EMR_POLYLINETO16,
                                      U_EMR_POLYPOLYLINE,
                                      U_EMR_POLYPOLYLINE16,
                                      U_EMR_POLYDRAW,
                                      U_EMR_POLYDRAW16};

// Records of the page space, which the file follows inside paths too.
constexpr std::uint32_t PageSpace[] = {U_EMR_SETMAPMODE,       U_EMR_SETWINDOWEXTEX,    U_EMR_SETWINDOWORGEX,
                                       U_EMR_SETVIEWPORTEXTEX, U_EMR_SETVIEWPORTORGEX,  U_EMR_SCALEVIEWPORTEXTEX,
                                       U_EMR_SCALEWINDOWEXTEX, U_EMR_SETWORLDTRANSFORM, U_EMR_MODIFYWORLDTRANSFORM,
                                       U_EMR_SAVEDC,           U_EMR_RESTOREDC};

// Records without coordinates, which may come between the page space records without the window
// having to follow the states between.
constexpr std::uint32_t Unplaced[] = {U_EMR_COMMENT,
                                      U_EMR_SELECTOBJECT,
                                      U_EMR_DELETEOBJECT,
                                      U_EMR_CREATEPEN,
                                      U_EMR_EXTCREATEPEN,
                                      U_EMR_CREATEBRUSHINDIRECT,
                                      U_EMR_EXTCREATEFONTINDIRECTW,
                                      U_EMR_CREATEPALETTE,
                                      U_EMR_SELECTPALETTE,
                                      U_EMR_REALIZEPALETTE,
                                      U_EMR_SETTEXTCOLOR,
                                      U_EMR_SETBKCOLOR,
                                      U_EMR_SETBKMODE,
                                      U_EMR_SETROP2,
                                      U_EMR_SETPOLYFILLMODE,
                                      U_EMR_SETTEXTALIGN,
                                      U_EMR_SETSTRETCHBLTMODE,
                                      U_EMR_SETARCDIRECTION,
                                      U_EMR_SETMITERLIMIT,
                                      U_EMR_SETICMMODE,
                                      U_EMR_SETLAYOUT};

// Drawings the WMF has no record for, written as the polylines of their flattened shapes.
constexpr std::uint32_t Flattened[] = {
    U_EMR_POLYBEZIER,   U_EMR_POLYBEZIER16, U_EMR_POLYBEZIERTO,   U_EMR_POLYBEZIERTO16, U_EMR_POLYLINETO,
    U_EMR_POLYLINETO16, U_EMR_POLYPOLYLINE, U_EMR_POLYPOLYLINE16, U_EMR_POLYDRAW,       U_EMR_POLYDRAW16,
    U_EMR_ARCTO,        U_EMR_ANGLEARC,     U_EMR_FILLPATH,       U_EMR_STROKEPATH,     U_EMR_STROKEANDFILLPATH};

template <std::size_t N> bool OneOf(const std::uint32_t (&Types)[N], std::uint32_t Type)
{
    return std::find(std::begin(Types), std::end(Types), Type) != std::end(Types);
}

std::int16_t Clamp16(std::int64_t Value)
{
    return std::int16_t(std::clamp<std::int64_t>(Value, -32768, 32767));
}

U_COLORREF ColorRef(std::uint32_t Value)
{
    return U_COLORREF{std::uint8_t(Value), std::uint8_t(Value >> 8), std::uint8_t(Value >> 16), 0};
}

class TWmfWriter
{
public:
    // Takes a record made by libUEMF (malloc'd) and frees it.
    void Add(char* Record)
    {
        if (Record == nullptr) return;
        std::uint32_t Words;
        std::memcpy(&Words, Record, 4);
        FRecords.insert(FRecords.end(), Record, Record + std::size_t(Words) * 2);
        FLargest = std::max(FLargest, Words);
        std::free(Record);
    }

    std::uint16_t NewSlot()
    {
        const auto Free = std::find(FSlots.begin(), FSlots.end(), false);
        if (Free != FSlots.end()) {
            *Free = true;
            return std::uint16_t(Free - FSlots.begin());
        }
        FSlots.push_back(true);
        return std::uint16_t(FSlots.size() - 1);
    }
    void FreeSlot(std::uint16_t Slot)
    {
        if (Slot < FSlots.size()) FSlots[Slot] = false;
    }

    std::vector<std::uint8_t> Finish(const U_RECT16& Box, std::uint16_t Inch)
    {
        Add(U_WMREOF_set());
        std::uint16_t Placeable[11] = {};
        std::memcpy(Placeable, &PlaceableKey, 4);
        Placeable[3] = std::uint16_t(Box.left), Placeable[4] = std::uint16_t(Box.top);
        Placeable[5] = std::uint16_t(Box.right), Placeable[6] = std::uint16_t(Box.bottom);
        Placeable[7] = Inch;
        for (int Index = 0; Index < 10; ++Index) Placeable[10] ^= Placeable[Index];
        const std::uint32_t TotalWords = std::uint32_t((18 + FRecords.size()) / 2);
        const std::uint16_t Header[9] = {1,
                                         9,
                                         0x300,
                                         std::uint16_t(TotalWords),
                                         std::uint16_t(TotalWords >> 16),
                                         std::uint16_t(FSlots.size()),
                                         std::uint16_t(FLargest),
                                         std::uint16_t(FLargest >> 16),
                                         0};
        // Sized once and filled by copies: 22 bytes of placeable header, 18 of file header, the records.
        std::vector<std::uint8_t> Bytes(40 + FRecords.size());
        std::memcpy(Bytes.data(), Placeable, 22);
        std::memcpy(Bytes.data() + 22, Header, 18);
        std::copy(FRecords.begin(), FRecords.end(), Bytes.begin() + 40);
        return Bytes;
    }

private:
    std::vector<std::uint8_t> FRecords;
    std::vector<bool> FSlots;
    std::uint32_t FLargest = 3;
};

bool NeedsBitmap(std::span<const std::uint8_t> Emf)
{
    bool Needs = false;
    ForEachEmfRecord(Emf, [&](std::uint32_t Type, const char* Record, std::uint32_t) {
        // A block transfer without a source bitmap is a pattern fill the WMF has too.
        if (Type == U_EMR_BITBLT && reinterpret_cast<const U_EMRBITBLT*>(Record)->cbBmiSrc == 0) return;
        if (OneOf(NeedsRaster, Type)) Needs = true;
    });
    return Needs;
}

// The drawing as one 24-bit bitmap covering the bounds.
void WriteAsBitmap(std::span<const std::uint8_t> Emf, const QRectF& Bounds, TWmfWriter& Writer)
{
    // At most four million pixels: a larger frame is stored at a lower resolution and stretched back.
    const double Scale = std::min(1.0, std::sqrt(4e6 / std::max(1.0, Bounds.width() * Bounds.height())));
    const int Width = std::clamp(int(std::ceil(Bounds.width() * Scale)), 1, 32767);
    const int Height = std::clamp(int(std::ceil(Bounds.height() * Scale)), 1, 32767);
    QImage Image(Width, Height, QImage::Format_RGB32);
    Image.fill(Qt::white);
    {
        QPainter Painter(&Image);
        PlayEmf(Emf, Painter, QRectF(0, 0, Width, Height), Bounds);
    }
    const std::size_t Stride = (std::size_t(Width) * 3 + 3) / 4 * 4;
    std::vector<char> Pixels(Stride * std::size_t(Height), 0);
    for (int Y = 0; Y < Height; ++Y) {
        const auto* Row = reinterpret_cast<const QRgb*>(Image.constScanLine(Height - 1 - Y));
        char* Target = Pixels.data() + std::size_t(Y) * Stride;
        for (int X = 0; X < Width; ++X) {
            Target[3 * X] = char(qBlue(Row[X]));
            Target[3 * X + 1] = char(qGreen(Row[X]));
            Target[3 * X + 2] = char(qRed(Row[X]));
        }
    }
    U_BITMAPINFO Info{};
    Info.bmiHeader = U_BITMAPINFOHEADER{40, Width, Height, 1, 24, U_BI_RGB, std::uint32_t(Pixels.size()), 0, 0, 0, 0};
    const U_POINT16 Dest{Clamp16(std::lround(Bounds.left())), Clamp16(std::lround(Bounds.top()))};
    const U_POINT16 Size{Clamp16(std::lround(Bounds.width())), Clamp16(std::lround(Bounds.height()))};
    const U_POINT16 Stored{Clamp16(Width), Clamp16(Height)};
    Writer.Add(U_WMRSTRETCHDIB_set(Dest, Size, U_POINT16{0, 0}, Stored, U_DIB_RGB_COLORS, U_SRCCOPY, &Info,
                                   std::uint32_t(Pixels.size()), Pixels.data()));
}

class TRecordTranslator
{
public:
    // Box: the picture's frame in reference-device pixels, which the file's first window shows.
    TRecordTranslator(TWmfWriter& Writer, const TEmfHeaderInfo& Header, const U_RECT16& Box);
    void Record(std::uint32_t Type, const char* Record, std::uint32_t Size);
    // False once the records asked for what the WMF cannot show: a rotated or sheared world, or a page
    // space whose window would not fit the file's 16-bit numbers closely enough.
    bool Expressible() const { return FExpressible; }

private:
    void Select(std::uint32_t Handle);
    void Created(std::uint32_t Handle, char* Record);

    void Text(const char* Record, std::uint32_t Size, const std::string& Bytes,
              const std::vector<std::int16_t>& Advances);
    void FollowWindow();
    // A coordinate in the file's 16 bits; one beyond them makes the drawing a bitmap.
    std::int16_t Fit(std::int64_t Value)
    {
        if (Value < -32768 || Value > 32767) FExpressible = false;
        return Clamp16(Value);
    }
    void WriteShape(const QPainterPath& Shape, bool Fill, bool Stroke);

    TWmfWriter& FWriter;
    std::map<std::uint32_t, std::uint16_t> FSlots; // EMF handle (or stock index | flag) to WMF slot
    std::map<std::uint32_t, int> FFontCharSets;    // EMF font handle to its character set
    int FCharSet = 0;                              // of the selected font
    // The player's device state on a scratch surface: page space, current position and paths.
    QImage FScratch{1, 1, QImage::Format_ARGB32_Premultiplied};
    QPainter FPainter{&FScratch};
    EmfPlayback::TEmfPlayer FGeometry;
    U_RECT16 FBox;
    std::optional<std::pair<U_POINT16, U_POINT16>> FWindow; // origin and extent the file last set
    bool FWindowStale = false;
    bool FWriteShapes = false;
    bool FExpressible = true;
};

TRecordTranslator::TRecordTranslator(TWmfWriter& Writer, const TEmfHeaderInfo& Header, const U_RECT16& Box)
    : FWriter(Writer), FGeometry(FPainter, Header, QTransform(), QPoint(0, 0)), FBox(Box)
{
    FWindow = {U_POINT16{Box.left, Box.top},
               U_POINT16{std::int16_t(Box.right - Box.left), std::int16_t(Box.bottom - Box.top)}};
    FGeometry.ShapeSink = [this](const QPainterPath& Shape, bool Fill, bool Stroke) {
        if (FWriteShapes) WriteShape(Shape, Fill, Stroke);
    };
}

void TRecordTranslator::FollowWindow()
{
    // The viewport is the player's, fitted to the placeable box; the page space of the records, world
    // transform included, becomes a window over the same box: device = logical × scale + offset shows
    // the box through origin (box − offset) ÷ scale and extent box size ÷ scale.
    const QTransform Page = FGeometry.LogicalToDevice();
    if (Page.m12() != 0 || Page.m21() != 0 || Page.m11() == 0 || Page.m22() == 0) {
        FExpressible = false;
        return;
    }
    const double Exact[4] = {(FBox.left - Page.dx()) / Page.m11(), (FBox.top - Page.dy()) / Page.m22(),
                             (FBox.right - FBox.left) / Page.m11(), (FBox.bottom - FBox.top) / Page.m22()};
    std::int16_t Rounded[4];
    for (int Index = 0; Index < 4; ++Index) {
        if (!(std::abs(Exact[Index]) < 32767)) {
            FExpressible = false;
            return;
        }
        Rounded[Index] = std::int16_t(std::lround(Exact[Index]));
    }
    // The rounding moves the far side of the box by the errors of origin and extent, in device pixels.
    for (int Axis = 0; Axis < 2; ++Axis) {
        const double Scale = std::abs(Axis == 0 ? Page.m11() : Page.m22());
        const double Moved =
            (std::abs(Rounded[Axis] - Exact[Axis]) + std::abs(Rounded[Axis + 2] - Exact[Axis + 2])) * Scale;
        if (Moved > 1 || Rounded[Axis + 2] == 0) {
            FExpressible = false;
            return;
        }
    }
    const U_POINT16 Origin{Rounded[0], Rounded[1]}, Extent{Rounded[2], Rounded[3]};
    const auto Same = [](const U_POINT16& A, const U_POINT16& B) { return A.x == B.x && A.y == B.y; };
    if (!FWindow || !Same(FWindow->first, Origin)) FWriter.Add(U_WMRSETWINDOWORG_set(Origin));
    if (!FWindow || !Same(FWindow->second, Extent)) FWriter.Add(U_WMRSETWINDOWEXT_set(Extent));
    FWindow = {Origin, Extent};
}

void TRecordTranslator::WriteShape(const QPainterPath& Shape, bool Fill, bool Stroke)
{
    // Curves are flattened to a quarter of a reference-device pixel, then taken back to logical units.
    const QTransform Fine = FGeometry.LogicalToDevice() * QTransform::fromScale(4, 4);
    bool Invertible = false;
    const QTransform Back = Fine.inverted(&Invertible);
    if (!Invertible) return;
    std::vector<std::vector<U_POINT16>> Figures;
    for (const QPolygonF& Polygon : Shape.toSubpathPolygons(Fine)) {
        std::vector<U_POINT16> Points;
        for (const QPointF& Point : Back.map(Polygon)) {
            const U_POINT16 Logical{Fit(std::llround(Point.x())), Fit(std::llround(Point.y()))};
            if (Points.empty() || Points.back().x != Logical.x || Points.back().y != Logical.y)
                Points.push_back(Logical);
        }
        if (!Points.empty()) Figures.push_back(std::move(Points));
    }
    // A record holds at most 65535 points.
    std::size_t Total = 0;
    for (const auto& Figure : Figures) Total += Figure.size();
    if (Total > 65535) {
        FExpressible = false;
        return;
    }
    if (Figures.empty()) return;
    if (Fill) {
        // The figures closed and filled as one polygon set, outlined too when the pen strokes them;
        // a fill alone has the null pen for the time being.
        if (!Stroke) {
            FWriter.Add(U_WMRSAVEDC_set());
            Select(U_NULL_PEN);
        }
        std::vector<std::uint16_t> Counts;
        std::vector<U_POINT16> Points;
        for (const auto& Figure : Figures) {
            Counts.push_back(std::uint16_t(Figure.size()));
            Points.insert(Points.end(), Figure.begin(), Figure.end());
        }
        FWriter.Add(U_WMRPOLYPOLYGON_set(std::uint16_t(Counts.size()), Counts.data(), Points.data()));
        if (!Stroke) FWriter.Add(U_WMRRESTOREDC_set(-1));
        return;
    }
    if (!Stroke) return;
    // Closed figures end on their first point.
    for (const auto& Figure : Figures)
        if (Figure.size() >= 2) FWriter.Add(U_WMRPOLYLINE_set(std::uint16_t(Figure.size()), Figure.data()));
}

void TRecordTranslator::Created(std::uint32_t Handle, char* Record)
{
    const auto Old = FSlots.find(Handle);
    if (Old != FSlots.end()) {
        FWriter.Add(U_WMRDELETEOBJECT_set(Old->second));
        FWriter.FreeSlot(Old->second);
        FSlots.erase(Old);
    }
    FSlots[Handle] = FWriter.NewSlot();
    FWriter.Add(Record);
}

void TRecordTranslator::Select(std::uint32_t Handle)
{
    if ((Handle & StockFlag) && !FSlots.count(Handle)) {
        // Stock objects become objects of the file, made once on first use.
        char* Made = nullptr;
        switch (Handle) { // the stock object constants carry the flag
        case U_WHITE_BRUSH:
            Made = U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH{U_BS_SOLID, ColorRef(0xFFFFFF), 0});
            break;
        case U_LTGRAY_BRUSH:
            Made = U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH{U_BS_SOLID, ColorRef(0xC0C0C0), 0});
            break;
        case U_GRAY_BRUSH:
            Made = U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH{U_BS_SOLID, ColorRef(0x808080), 0});
            break;
        case U_DKGRAY_BRUSH:
            Made = U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH{U_BS_SOLID, ColorRef(0x404040), 0});
            break;
        case U_BLACK_BRUSH:
            Made = U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH{U_BS_SOLID, ColorRef(0), 0});
            break;
        case U_NULL_BRUSH:
            Made = U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH{U_BS_NULL, ColorRef(0), 0});
            break;
        case U_WHITE_PEN:
            Made = U_WMRCREATEPENINDIRECT_set(U_PEN{U_PS_SOLID, {1, 0}, ColorRef(0xFFFFFF)});
            break;
        case U_BLACK_PEN:
            Made = U_WMRCREATEPENINDIRECT_set(U_PEN{U_PS_SOLID, {1, 0}, ColorRef(0)});
            break;
        case U_NULL_PEN:
            Made = U_WMRCREATEPENINDIRECT_set(U_PEN{U_PS_NULL, {1, 0}, ColorRef(0)});
            break;
        default:
            return;
        }
        Created(Handle, Made);
    }
    const auto Found = FSlots.find(Handle);
    if (Found != FSlots.end()) FWriter.Add(U_WMRSELECTOBJECT_set(Found->second));
    if (const auto Font = FFontCharSets.find(Handle); Font != FFontCharSets.end()) FCharSet = Font->second;
}

void TRecordTranslator::Text(const char* Record, std::uint32_t Size, const std::string& Bytes,
                             const std::vector<std::int16_t>& Advances)
{
    // The reference point, the options and the rectangle of the EMF text record.
    std::int32_t Fields[10];
    if (Size < 36 + sizeof Fields) return;
    std::memcpy(Fields, Record + 36, sizeof Fields);
    const U_POINT16 At{Fit(Fields[0]), Fit(Fields[1])};
    const U_RECT16 Box{Clamp16(Fields[5]), Clamp16(Fields[6]), Clamp16(Fields[7]), Clamp16(Fields[8])};
    FWriter.Add(U_WMREXTTEXTOUT_set(
        At, std::int16_t(Bytes.size()), std::uint16_t(std::uint32_t(Fields[4]) & (U_ETO_OPAQUE | U_ETO_CLIPPED)),
        Bytes.data(), Advances.empty() ? nullptr : const_cast<std::int16_t*>(Advances.data()), Box));
}

void TRecordTranslator::Record(std::uint32_t Type, const char* Record, std::uint32_t Size)
{
    // The window follows the page space once something is drawn in it: the records may pass through
    // states the file could not show on their way to the one they draw in.
    if (FWindowStale && !OneOf(PageSpace, Type) && !OneOf(Unplaced, Type)) {
        FollowWindow();
        FWindowStale = false;
    }
    if (OneOf(Geometry, Type)) {
        // Inside a path the shapes only make the path; curves and paths come out as polylines and
        // polygons, with the current position carried to where the records leave it.
        const bool InPath = FGeometry.InPath();
        const bool PathDrawn = Type == U_EMR_FILLPATH || Type == U_EMR_STROKEPATH || Type == U_EMR_STROKEANDFILLPATH;
        const QPointF Before = FGeometry.Position();
        // The WMF's arcs run counter-clockwise only.
        const bool Arc = Type == U_EMR_ARC || Type == U_EMR_CHORD || Type == U_EMR_PIE;
        FWriteShapes = PathDrawn || (!InPath && (OneOf(Flattened, Type) || (Arc && FGeometry.Clockwise())));
        FGeometry.Play(Type, Record, Size);
        const bool Written = FWriteShapes;
        FWriteShapes = false;
        if (Written) {
            const QPointF At = FGeometry.Position();
            if (At != Before)
                FWriter.Add(U_WMRMOVETO_set(U_POINT16{Fit(std::llround(At.x())), Fit(std::llround(At.y()))}));
            return;
        }
        if ((InPath || FGeometry.InPath()) && !OneOf(PageSpace, Type)) return;
    }
    const auto Int = [&](std::size_t Offset) {
        std::int32_t Value = 0;
        if (Offset + 4 <= Size) std::memcpy(&Value, Record + Offset, 4);
        return Value;
    };
    const auto Point = [&](std::size_t Offset) { return U_POINT16{Fit(Int(Offset)), Fit(Int(Offset + 4))}; };
    const auto Box = [&](std::size_t Offset) {
        return U_RECT16{Fit(Int(Offset)), Fit(Int(Offset + 4)), Fit(Int(Offset + 8)), Fit(Int(Offset + 12))};
    };
    // A clip beyond the file's numbers lies beyond all it can draw: its edges are clamped.
    const auto ClipBox = [&](std::size_t Offset) {
        return U_RECT16{Clamp16(Int(Offset)), Clamp16(Int(Offset + 4)), Clamp16(Int(Offset + 8)),
                        Clamp16(Int(Offset + 12))};
    };
    switch (Type) {
    case U_EMR_SETTEXTCOLOR:
        FWriter.Add(U_WMRSETTEXTCOLOR_set(ColorRef(std::uint32_t(Int(8)))));
        break;
    case U_EMR_SETBKCOLOR:
        FWriter.Add(U_WMRSETBKCOLOR_set(ColorRef(std::uint32_t(Int(8)))));
        break;
    case U_EMR_SETBKMODE:
        FWriter.Add(U_WMRSETBKMODE_set(std::uint16_t(Int(8))));
        break;
    case U_EMR_SETROP2:
        FWriter.Add(U_WMRSETROP2_set(std::uint16_t(Int(8))));
        break;
    case U_EMR_SETPOLYFILLMODE:
        FWriter.Add(U_WMRSETPOLYFILLMODE_set(std::uint16_t(Int(8))));
        break;
    case U_EMR_SETTEXTALIGN:
        FWriter.Add(U_WMRSETTEXTALIGN_set(std::uint16_t(Int(8))));
        break;
    case U_EMR_SETSTRETCHBLTMODE:
        FWriter.Add(U_WMRSETSTRETCHBLTMODE_set(std::uint16_t(Int(8))));
        break;
    case U_EMR_SAVEDC:
        FWriter.Add(U_WMRSAVEDC_set());
        break;
    case U_EMR_RESTOREDC:
        // The file's own window comes back with the state; the records' page space is set over it.
        FWriter.Add(U_WMRRESTOREDC_set(Clamp16(Int(8))));
        FWindow.reset();
        FWindowStale = true;
        break;
    case U_EMR_SETMAPMODE:
    case U_EMR_SETWINDOWEXTEX:
    case U_EMR_SETWINDOWORGEX:
    case U_EMR_SETVIEWPORTEXTEX:
    case U_EMR_SETVIEWPORTORGEX:
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX:
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM:
        FWindowStale = true;
        break;
    case U_EMR_MOVETOEX:
        FWriter.Add(U_WMRMOVETO_set(Point(8)));
        break;
    case U_EMR_LINETO:
        FWriter.Add(U_WMRLINETO_set(Point(8)));
        break;
    case U_EMR_SETPIXELV:
        FWriter.Add(U_WMRSETPIXEL_set(ColorRef(std::uint32_t(Int(16))), Point(8)));
        break;
    case U_EMR_RECTANGLE:
        FWriter.Add(U_WMRRECTANGLE_set(Box(8)));
        break;
    case U_EMR_ELLIPSE:
        FWriter.Add(U_WMRELLIPSE_set(Box(8)));
        break;
    case U_EMR_INTERSECTCLIPRECT:
        FWriter.Add(U_WMRINTERSECTCLIPRECT_set(ClipBox(8)));
        break;
    case U_EMR_EXCLUDECLIPRECT:
        FWriter.Add(U_WMREXCLUDECLIPRECT_set(ClipBox(8)));
        break;
    case U_EMR_ROUNDRECT:
        FWriter.Add(U_WMRROUNDRECT_set(Clamp16(Int(24)), Clamp16(Int(28)), Box(8)));
        break;
    case U_EMR_ARC:
        FWriter.Add(U_WMRARC_set(Point(24), Point(32), Box(8)));
        break;
    case U_EMR_CHORD:
        FWriter.Add(U_WMRCHORD_set(Point(24), Point(32), Box(8)));
        break;
    case U_EMR_PIE:
        FWriter.Add(U_WMRPIE_set(Point(24), Point(32), Box(8)));
        break;
    case U_EMR_POLYLINE:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYGON16: {
        const bool Sixteen = Type == U_EMR_POLYLINE16 || Type == U_EMR_POLYGON16;
        const std::uint32_t Count = std::uint32_t(Int(24));
        if (Count > (Size - 28) / (Sixteen ? 4 : 8)) break;
        if (Count > 65535) {
            FExpressible = false; // more points than a record holds
            break;
        }
        std::vector<U_POINT16> Points(Count);
        for (std::uint32_t Index = 0; Index < Count; ++Index) {
            if (Sixteen)
                std::memcpy(&Points[Index], Record + 28 + Index * 4, 4);
            else
                Points[Index] = Point(28 + Index * 8);
        }
        const bool Polygon = Type == U_EMR_POLYGON || Type == U_EMR_POLYGON16;
        FWriter.Add(Polygon ? U_WMRPOLYGON_set(std::uint16_t(Count), Points.data())
                            : U_WMRPOLYLINE_set(std::uint16_t(Count), Points.data()));
        break;
    }
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYGON16: {
        const bool Sixteen = Type == U_EMR_POLYPOLYGON16;
        const std::uint32_t Polys = std::uint32_t(Int(24)), Count = std::uint32_t(Int(28));
        if (Polys > (Size - 32) / 4) break;
        if (Polys > 65535 || Count > 65535) {
            FExpressible = false;
            break;
        }
        const std::size_t PointsAt = 32 + std::size_t(Polys) * 4;
        if (Count > (Size - PointsAt) / (Sixteen ? 4 : 8)) break;
        std::vector<std::uint16_t> Counts(Polys);
        std::uint64_t Sum = 0;
        for (std::uint32_t Index = 0; Index < Polys; ++Index) {
            Sum += std::uint32_t(Int(32 + Index * 4));
            Counts[Index] = std::uint16_t(Int(32 + Index * 4));
        }
        // The record writer takes as many points as the counts add up to.
        if (Sum != Count) break;
        std::vector<U_POINT16> Points(Count);
        for (std::uint32_t Index = 0; Index < Count; ++Index) {
            if (Sixteen)
                std::memcpy(&Points[Index], Record + PointsAt + Index * 4, 4);
            else
                Points[Index] = Point(PointsAt + Index * 8);
        }
        FWriter.Add(U_WMRPOLYPOLYGON_set(std::uint16_t(Polys), Counts.data(), Points.data()));
        break;
    }
    case U_EMR_CREATEPEN:
        Created(std::uint32_t(Int(8)),
                U_WMRCREATEPENINDIRECT_set(U_PEN{
                    std::uint16_t(Int(12)), {std::uint16_t(Clamp16(Int(16))), 0}, ColorRef(std::uint32_t(Int(24)))}));
        break;
    case U_EMR_EXTCREATEPEN: {
        // Style, width, brush style, colour of the extended pen after its bitmap fields.
        const std::uint32_t Style = std::uint32_t(Int(28));
        const bool Geometric = (Style & U_PS_TYPE_MASK) == U_PS_GEOMETRIC;
        const std::uint16_t Kind = Int(36) == U_BS_NULL ? std::uint16_t(U_PS_NULL) : std::uint16_t(Style & 0xFFFF);
        // The WMF's pens dash only one pixel wide; wider ones are solid.
        const std::uint32_t Line = Style & U_PS_STYLE_MASK;
        if (Geometric && Int(32) > 1 && Kind != U_PS_NULL &&
            ((Line >= U_PS_DASH && Line <= U_PS_DASHDOTDOT) || Line == U_PS_USERSTYLE || Line == U_PS_ALTERNATE))
            FExpressible = false;
        Created(std::uint32_t(Int(8)),
                U_WMRCREATEPENINDIRECT_set(U_PEN{
                    Kind, {std::uint16_t(Geometric ? Clamp16(Int(32)) : 0), 0}, ColorRef(std::uint32_t(Int(40)))}));
        break;
    }
    case U_EMR_CREATEBRUSHINDIRECT:
        Created(std::uint32_t(Int(8)),
                U_WMRCREATEBRUSHINDIRECT_set(
                    U_WLOGBRUSH{std::uint16_t(Int(12)), ColorRef(std::uint32_t(Int(16))), std::uint16_t(Int(20))}));
        break;
    case U_EMR_CREATEDIBPATTERNBRUSHPT: {
        // The WMF record: size in words, function, brush style, colour usage, then the packed DIB, which
        // a reader splits by its header.
        const auto& Brush = *reinterpret_cast<const U_EMRCREATEDIBPATTERNBRUSHPT*>(Record);
        if (Brush.offBmi > Size || Brush.cbBmi > Size - Brush.offBmi || Brush.offBits > Size ||
            Brush.cbBits > Size - Brush.offBits)
            break;
        const std::size_t Bytes = (10 + std::size_t(Brush.cbBmi) + Brush.cbBits + 1) / 2 * 2;
        char* Made = static_cast<char*>(std::calloc(Bytes, 1));
        if (Made == nullptr) throw std::bad_alloc();
        const std::uint32_t Words = std::uint32_t(Bytes / 2);
        const std::uint16_t Fields[3] = {std::uint16_t(U_WMR_DIBCREATEPATTERNBRUSH | 0x0100), U_BS_DIBPATTERNPT,
                                         std::uint16_t(Brush.iUsage)};
        std::memcpy(Made, &Words, 4);
        std::memcpy(Made + 4, Fields, 6);
        std::memcpy(Made + 10, Record + Brush.offBmi, Brush.cbBmi);
        std::memcpy(Made + 10 + Brush.cbBmi, Record + Brush.offBits, Brush.cbBits);
        std::uint32_t BmiSize = 0, BitsSize = 0;
        if (!SplitDib(Made + 10, Made + 10 + Brush.cbBmi + Brush.cbBits, BmiSize, BitsSize) || BmiSize != Brush.cbBmi) {
            std::free(Made);
            FExpressible = false; // a colour table a reader would not find where it lies
            break;
        }
        Created(Brush.ihBrush, Made);
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW: {
        if (Size < 12 + 92) break;
        std::u16string Face(32, u'\0');
        std::memcpy(Face.data(), Record + 40, 64);
        Face.resize(std::min<std::size_t>(Face.find(u'\0'), 31));
        const auto* Bytes = reinterpret_cast<const std::uint8_t*>(Record + 32); // italic to pitch and family
        // The face name in the code page of the font's character set.
        std::string Name = CodePageFromUtf16(CharSetEncoding(Bytes[3]), Face).substr(0, 31);
        FFontCharSets[std::uint32_t(Int(8))] = Bytes[3];
        std::unique_ptr<U_FONT, decltype(&std::free)> Font(
            U_FONT_set(Clamp16(Int(12)), Clamp16(Int(16)), Clamp16(Int(20)), Clamp16(Int(24)), Clamp16(Int(28)),
                       Bytes[0], Bytes[1], Bytes[2], Bytes[3], Bytes[4], Bytes[5], Bytes[6], Bytes[7], Name.data()),
            &std::free);
        if (Font) Created(std::uint32_t(Int(8)), U_WMRCREATEFONTINDIRECT_set(Font.get()));
        break;
    }
    case U_EMR_SELECTOBJECT:
        Select(std::uint32_t(Int(8)));
        break;
    case U_EMR_DELETEOBJECT: {
        const auto Found = FSlots.find(std::uint32_t(Int(8)));
        if (Found == FSlots.end()) break;
        FWriter.Add(U_WMRDELETEOBJECT_set(Found->second));
        FWriter.FreeSlot(Found->second);
        FSlots.erase(Found);
        break;
    }
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW: {
        // Character count, string offset, options, rectangle, advances offset.
        const std::uint32_t Count = std::uint32_t(Int(44)), Offset = std::uint32_t(Int(48));
        const std::uint32_t DxOffset = std::uint32_t(Int(72));
        const std::uint32_t Unit = Type == U_EMR_EXTTEXTOUTW ? 2 : 1;
        if (Count == 0 || Count > 8192 || Offset > Size || Count > (Size - Offset) / Unit) break;
        std::vector<std::int16_t> Given;
        if (DxOffset != 0 && DxOffset <= Size && Count <= (Size - DxOffset) / 4)
            for (std::uint32_t Index = 0; Index < Count; ++Index) Given.push_back(Clamp16(Int(DxOffset + Index * 4)));
        if (Type == U_EMR_EXTTEXTOUTA) {
            // The bytes are already in the code page of the font's character set.
            Text(Record, Size, std::string(Record + Offset, Count), Given);
            break;
        }
        // Each character in the code page of the selected font's character set; its first byte takes its
        // advance, the others none.
        std::u16string Wide(Count, u'\0');
        std::memcpy(Wide.data(), Record + Offset, Count * 2);
        const char* Encoding = CharSetEncoding(FCharSet);
        std::string Bytes;
        std::vector<std::int16_t> Advances;
        for (std::size_t Index = 0; Index < Wide.size(); ++Index) {
            const std::size_t Units = QChar::isHighSurrogate(Wide[Index]) && Index + 1 < Wide.size() ? 2 : 1;
            const std::string Character = CodePageFromUtf16(Encoding, std::u16string_view(Wide).substr(Index, Units));
            Bytes += Character;
            if (!Given.empty())
                for (std::size_t Byte = 0; Byte < Character.size(); ++Byte)
                    Advances.push_back(Byte == 0 ? std::int16_t(Given[Index] + (Units == 2 ? Given[Index + 1] : 0))
                                                 : 0);
            Index += Units - 1;
        }
        Text(Record, Size, Bytes, Advances);
        break;
    }
    case U_EMR_BITBLT: {
        const auto& Blt = *reinterpret_cast<const U_EMRBITBLT*>(Record);
        if (Blt.cbBmiSrc == 0)
            FWriter.Add(U_WMRPATBLT_set(U_POINT16{Clamp16(Blt.Dest.x), Clamp16(Blt.Dest.y)},
                                        U_POINT16{Clamp16(Blt.cDest.x), Clamp16(Blt.cDest.y)}, Blt.dwRop));
        break;
    }
    case U_EMR_STRETCHDIBITS: {
        const auto& Blt = *reinterpret_cast<const U_EMRSTRETCHDIBITS*>(Record);
        if (Blt.cbBmiSrc < 40 || Blt.offBmiSrc > Size || Blt.cbBmiSrc > Size - Blt.offBmiSrc || Blt.offBitsSrc > Size ||
            Blt.cbBitsSrc > Size - Blt.offBitsSrc)
            break;
        FWriter.Add(U_WMRSTRETCHDIB_set(
            U_POINT16{Clamp16(Blt.Dest.x), Clamp16(Blt.Dest.y)}, U_POINT16{Clamp16(Blt.cDest.x), Clamp16(Blt.cDest.y)},
            U_POINT16{Clamp16(Blt.Src.x), Clamp16(Blt.Src.y)}, U_POINT16{Clamp16(Blt.cSrc.x), Clamp16(Blt.cSrc.y)},
            std::uint16_t(Blt.iUsageSrc), Blt.dwRop, reinterpret_cast<const U_BITMAPINFO*>(Record + Blt.offBmiSrc),
            Blt.cbBitsSrc, Record + Blt.offBitsSrc));
        break;
    }
    default:
        break;
    }
}

} // namespace

std::vector<std::uint8_t> EmfToWmf(std::span<const std::uint8_t> Emf)
{
    const TEmfHeaderInfo Header = ReadEmfHeader(Emf);
    // The file's units are the reference device's pixels; its box is the frame on that device.
    const QRectF Frame = EmfFrameInDevicePixels(Emf);
    const int Inch = std::clamp(int(std::lround(Header.PixelsPerMmX() * 25.4)), 1, 65535);
    const U_RECT16 Box{Clamp16(std::lround(Frame.left())), Clamp16(std::lround(Frame.top())),
                       Clamp16(std::lround(Frame.right())), Clamp16(std::lround(Frame.bottom()))};
    const auto Begun = [&] {
        TWmfWriter Writer;
        Writer.Add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        Writer.Add(U_WMRSETWINDOWORG_set(U_POINT16{Box.left, Box.top}));
        Writer.Add(
            U_WMRSETWINDOWEXT_set(U_POINT16{std::int16_t(Box.right - Box.left), std::int16_t(Box.bottom - Box.top)}));
        return Writer;
    };
    if (!NeedsBitmap(Emf)) {
        TWmfWriter Writer = Begun();
        TRecordTranslator Translator(Writer, Header, Box);
        ForEachEmfRecord(Emf, [&](std::uint32_t Type, const char* Record, std::uint32_t Size) {
            Translator.Record(Type, Record, Size);
        });
        if (Translator.Expressible()) return Writer.Finish(Box, std::uint16_t(Inch));
    }
    TWmfWriter Writer = Begun();
    WriteAsBitmap(Emf, Frame, Writer);
    return Writer.Finish(Box, std::uint16_t(Inch));
}
