#include "platform/graphics/emf/DibImage.h"
#include "platform/graphics/emf/EmfPlayer.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "platform/graphics/emf/WmfConvert.h"
#include "platform/graphics/emf/WmfRecords.h"

#include "platform/system/CodePage.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <uemf.h>
#include <uwmf.h>
#include <vector>

namespace {

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr std::size_t PlaceableSize = 22;
constexpr std::size_t HeaderSize = 18;
// The reference device of a translated WMF: a 96-dpi screen of 1920 × 1080 pixels.
constexpr int ReferenceDpi = 96;
constexpr TEmfReference Reference{1920, 1080, 1920 * 25400 / ReferenceDpi, 1080 * 25400 / ReferenceDpi};
constexpr std::size_t MaxObjects = 65535;

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(Messages::SInvalidMetafile);
}

std::uint16_t Read16(const std::uint8_t* Bytes)
{
    std::uint16_t Value;
    std::memcpy(&Value, Bytes, 2);
    return Value;
}

std::int32_t Color32(const U_COLORREF& Color)
{
    return std::int32_t(Color.Red | (Color.Green << 8) | (Color.Blue << 16));
}

std::span<const std::uint8_t> AsBytes(const void* Data, std::size_t Size)
{
    return {static_cast<const std::uint8_t*>(Data), Size};
}

// The size of the record at Offset when it lies inside the file and holds every parameter of its function,
// else 0: an incomplete record ends the picture.
std::size_t WholeRecordSize(std::span<const std::uint8_t> Wmf, std::size_t Offset)
{
    if (Wmf.size() - Offset < 6) return 0;
    std::uint32_t Words;
    std::memcpy(&Words, Wmf.data() + Offset, 4);
    if (Words < 3 || Words > (Wmf.size() - Offset) / 2) return 0;
    const char* Record = reinterpret_cast<const char*>(Wmf.data() + Offset);
    if (!WmfRecordComplete(Record, std::size_t(Words) * 2)) return 0;
    // libUEMF then checks the record against the end of the file and its type's layout.
    return U_WMRRECSAFE_get(Record, reinterpret_cast<const char*>(Wmf.data() + Wmf.size()));
}

class TWmfTranslator
{
public:
    TWmfTranslator(std::span<const std::uint8_t> Wmf, bool Placeable, const U_RECT16& Box, int Inch)
        : FWmf(Wmf), FPlaceable(Placeable), FBox(Box), FInch(Inch)
    {}

    std::vector<std::uint8_t> Translate(std::size_t Offset);

private:
    void Record(const char* Record, std::size_t Size);
    std::uint32_t NewObject();
    void StretchDib(const U_POINT16& Dest, const U_POINT16& DestSize, U_POINT16 Source, const U_POINT16& SourceSize,
                    std::uint32_t Rop, const char* Dib, const char* End, std::uint16_t Usage, bool TopDownSource);
    void PatBlt(const U_POINT16& Dest, const U_POINT16& Size, std::uint32_t Rop);

    std::span<const std::uint8_t> FWmf;
    bool FPlaceable;
    U_RECT16 FBox;
    int FInch;
    TEmfWriter FWriter;
    std::vector<bool> FSlots; // WMF object slots in use; slot i is EMF handle i + 1
    U_POINT16 FWindowOrg{0, 0}, FViewportOrg{0, 0};
    std::vector<std::pair<U_POINT16, U_POINT16>> FSavedOrigins;
};

std::uint32_t TWmfTranslator::NewObject()
{
    // A new object takes the lowest free slot, as the desktop's player assigns them.
    const auto Free = std::find(FSlots.begin(), FSlots.end(), false);
    const std::size_t Slot = std::size_t(Free - FSlots.begin());
    if (Free == FSlots.end()) {
        if (FSlots.size() >= MaxObjects) return 0;
        FSlots.push_back(true);
    } else {
        *Free = true;
    }
    FWriter.UseHandle(std::uint32_t(Slot + 1));
    return std::uint32_t(Slot + 1);
}

void TWmfTranslator::PatBlt(const U_POINT16& Dest, const U_POINT16& Size, std::uint32_t Rop)
{
    // A bit-block transfer without a source: bounds, destination, extent, operation, the rest empty.
    FWriter.Add(U_EMR_BITBLT,
                {0, 0, -1, -1, Dest.x, Dest.y, Size.x, Size.y, std::int32_t(Rop), 0, 0, 0x3F800000, 0, 0, 0x3F800000,
                 0, 0, 0,  0,  0,      0,      0,      0});
}

void TWmfTranslator::StretchDib(const U_POINT16& Dest, const U_POINT16& DestSize, U_POINT16 Source,
                                const U_POINT16& SourceSize, std::uint32_t Rop, const char* Dib, const char* End,
                                std::uint16_t Usage, bool TopDownSource)
{
    std::uint32_t BmiSize, BitsSize;
    if (!SplitDib(Dib, End, BmiSize, BitsSize)) return;
    if (TopDownSource) {
        // The record counts source rows from the top; the EMF record from the bottom of a bottom-up DIB.
        std::int32_t Height;
        std::memcpy(&Height, Dib + 8, 4);
        if (Height > 0) Source.y = std::int16_t(Height - Source.y - SourceSize.y);
    }
    constexpr std::int32_t Fixed = 80; // the fixed part of the stretched-DIB record
    FWriter.Add(U_EMR_STRETCHDIBITS,
                {0, 0, -1, -1, Dest.x, Dest.y, Source.x, Source.y, SourceSize.x, SourceSize.y, Fixed,
                 std::int32_t(BmiSize), Fixed + std::int32_t(BmiSize), std::int32_t(BitsSize), Usage, std::int32_t(Rop),
                 DestSize.x, DestSize.y},
                AsBytes(Dib, BmiSize + BitsSize));
}

void TWmfTranslator::Record(const char* Rec, std::size_t Size)
{
    const char* End = Rec + Size;
    const std::uint8_t Type = reinterpret_cast<const U_METARECORD*>(Rec)->iType;
    U_POINT16 A{}, B{}, C{}, D{};
    U_RECT16 Box{};
    std::uint16_t Mode = 0;
    std::int16_t Value = 0;
    U_COLORREF Color{};
    std::uint32_t Rop = 0;
    const char* Data = nullptr;
    switch (Type) {
    case U_WMR_SETBKCOLOR & 0xFF:
        if (U_WMRSETBKCOLOR_get(Rec, &Color)) FWriter.Add(U_EMR_SETBKCOLOR, {Color32(Color)});
        break;
    case U_WMR_SETTEXTCOLOR & 0xFF:
        if (U_WMRSETTEXTCOLOR_get(Rec, &Color)) FWriter.Add(U_EMR_SETTEXTCOLOR, {Color32(Color)});
        break;
    case U_WMR_SETBKMODE & 0xFF:
        if (U_WMRSETBKMODE_get(Rec, &Mode)) FWriter.Add(U_EMR_SETBKMODE, {Mode});
        break;
    case U_WMR_SETROP2 & 0xFF:
        if (U_WMRSETROP2_get(Rec, &Mode)) FWriter.Add(U_EMR_SETROP2, {Mode});
        break;
    case U_WMR_SETPOLYFILLMODE & 0xFF:
        if (U_WMRSETPOLYFILLMODE_get(Rec, &Mode)) FWriter.Add(U_EMR_SETPOLYFILLMODE, {Mode});
        break;
    case U_WMR_SETSTRETCHBLTMODE & 0xFF:
        if (U_WMRSETSTRETCHBLTMODE_get(Rec, &Mode)) FWriter.Add(U_EMR_SETSTRETCHBLTMODE, {Mode});
        break;
    case U_WMR_SETTEXTALIGN & 0xFF:
        if (U_WMRSETTEXTALIGN_get(Rec, &Mode)) FWriter.Add(U_EMR_SETTEXTALIGN, {Mode});
        break;
    case U_WMR_SETMAPMODE & 0xFF:
        // A placeable file is fitted to its box by the viewport set up front; only the scaling modes keep it.
        if (U_WMRSETMAPMODE_get(Rec, &Mode) && (!FPlaceable || Mode == U_MM_ISOTROPIC || Mode == U_MM_ANISOTROPIC))
            FWriter.Add(U_EMR_SETMAPMODE, {Mode});
        break;
    case U_WMR_SETWINDOWORG & 0xFF:
        if (U_WMRSETWINDOWORG_get(Rec, &A)) {
            FWindowOrg = A;
            FWriter.Add(U_EMR_SETWINDOWORGEX, {A.x, A.y});
        }
        break;
    case U_WMR_SETWINDOWEXT & 0xFF:
        if (U_WMRSETWINDOWEXT_get(Rec, &A)) FWriter.Add(U_EMR_SETWINDOWEXTEX, {A.x, A.y});
        break;
    case U_WMR_OFFSETWINDOWORG & 0xFF:
        if (U_WMROFFSETWINDOWORG_get(Rec, &A)) {
            FWindowOrg.x = std::int16_t(FWindowOrg.x + A.x);
            FWindowOrg.y = std::int16_t(FWindowOrg.y + A.y);
            FWriter.Add(U_EMR_SETWINDOWORGEX, {FWindowOrg.x, FWindowOrg.y});
        }
        break;
    case U_WMR_SCALEWINDOWEXT & 0xFF:
        if (U_WMRSCALEWINDOWEXT_get(Rec, &A, &B)) FWriter.Add(U_EMR_SCALEWINDOWEXTEX, {B.x, A.x, B.y, A.y});
        break;
    case U_WMR_SETVIEWPORTORG & 0xFF:
        if (!FPlaceable && U_WMRSETVIEWPORTORG_get(Rec, &A)) {
            FViewportOrg = A;
            FWriter.Add(U_EMR_SETVIEWPORTORGEX, {A.x, A.y});
        }
        break;
    case U_WMR_SETVIEWPORTEXT & 0xFF:
        if (!FPlaceable && U_WMRSETVIEWPORTEXT_get(Rec, &A)) FWriter.Add(U_EMR_SETVIEWPORTEXTEX, {A.x, A.y});
        break;
    case U_WMR_OFFSETVIEWPORTORG & 0xFF:
        if (!FPlaceable && U_WMROFFSETVIEWPORTORG_get(Rec, &A)) {
            FViewportOrg.x = std::int16_t(FViewportOrg.x + A.x);
            FViewportOrg.y = std::int16_t(FViewportOrg.y + A.y);
            FWriter.Add(U_EMR_SETVIEWPORTORGEX, {FViewportOrg.x, FViewportOrg.y});
        }
        break;
    case U_WMR_SCALEVIEWPORTEXT & 0xFF:
        if (!FPlaceable && U_WMRSCALEVIEWPORTEXT_get(Rec, &A, &B))
            FWriter.Add(U_EMR_SCALEVIEWPORTEXTEX, {B.x, A.x, B.y, A.y});
        break;
    case U_WMR_MOVETO & 0xFF:
        if (U_WMRMOVETO_get(Rec, &A)) FWriter.Add(U_EMR_MOVETOEX, {A.x, A.y});
        break;
    case U_WMR_LINETO & 0xFF:
        if (U_WMRLINETO_get(Rec, &A)) FWriter.Add(U_EMR_LINETO, {A.x, A.y});
        break;
    case U_WMR_EXCLUDECLIPRECT & 0xFF:
        if (U_WMREXCLUDECLIPRECT_get(Rec, &Box))
            FWriter.Add(U_EMR_EXCLUDECLIPRECT, {Box.left, Box.top, Box.right, Box.bottom});
        break;
    case U_WMR_INTERSECTCLIPRECT & 0xFF:
        if (U_WMRINTERSECTCLIPRECT_get(Rec, &Box))
            FWriter.Add(U_EMR_INTERSECTCLIPRECT, {Box.left, Box.top, Box.right, Box.bottom});
        break;
    case U_WMR_OFFSETCLIPRGN & 0xFF:
        if (U_WMROFFSETCLIPRGN_get(Rec, &A)) FWriter.Add(U_EMR_OFFSETCLIPRGN, {A.x, A.y});
        break;
    case U_WMR_RECTANGLE & 0xFF:
        if (U_WMRRECTANGLE_get(Rec, &Box)) FWriter.Add(U_EMR_RECTANGLE, {Box.left, Box.top, Box.right, Box.bottom});
        break;
    case U_WMR_ELLIPSE & 0xFF:
        if (U_WMRELLIPSE_get(Rec, &Box)) FWriter.Add(U_EMR_ELLIPSE, {Box.left, Box.top, Box.right, Box.bottom});
        break;
    case U_WMR_ROUNDRECT & 0xFF: {
        std::int16_t Width = 0, Height = 0;
        if (U_WMRROUNDRECT_get(Rec, &Width, &Height, &Box))
            FWriter.Add(U_EMR_ROUNDRECT, {Box.left, Box.top, Box.right, Box.bottom, Width, Height});
        break;
    }
    case U_WMR_ARC & 0xFF:
        if (U_WMRARC_get(Rec, &A, &B, &Box))
            FWriter.Add(U_EMR_ARC, {Box.left, Box.top, Box.right, Box.bottom, A.x, A.y, B.x, B.y});
        break;
    case U_WMR_PIE & 0xFF:
        if (U_WMRPIE_get(Rec, &A, &B, &Box))
            FWriter.Add(U_EMR_PIE, {Box.left, Box.top, Box.right, Box.bottom, A.x, A.y, B.x, B.y});
        break;
    case U_WMR_CHORD & 0xFF:
        if (U_WMRCHORD_get(Rec, &A, &B, &Box))
            FWriter.Add(U_EMR_CHORD, {Box.left, Box.top, Box.right, Box.bottom, A.x, A.y, B.x, B.y});
        break;
    case U_WMR_SETPIXEL & 0xFF:
        if (U_WMRSETPIXEL_get(Rec, &Color, &A)) FWriter.Add(U_EMR_SETPIXELV, {A.x, A.y, Color32(Color)});
        break;
    case U_WMR_POLYGON & 0xFF:
    case U_WMR_POLYLINE & 0xFF: {
        std::uint16_t Count = 0;
        const bool Polygon = Type == (U_WMR_POLYGON & 0xFF);
        if (!(Polygon ? U_WMRPOLYGON_get(Rec, &Count, &Data) : U_WMRPOLYLINE_get(Rec, &Count, &Data))) break;
        if (std::size_t(End - Data) < std::size_t(Count) * 4) break;
        FWriter.Add(Polygon ? U_EMR_POLYGON16 : U_EMR_POLYLINE16, {0, 0, -1, -1, Count}, AsBytes(Data, Count * 4u));
        break;
    }
    case U_WMR_POLYPOLYGON & 0xFF: {
        std::uint16_t Polys = 0;
        const std::uint16_t* Counts = nullptr;
        if (!U_WMRPOLYPOLYGON_get(Rec, &Polys, &Counts, &Data)) break;
        if (reinterpret_cast<const char*>(Counts + Polys) > End || Data < reinterpret_cast<const char*>(Counts)) break;
        std::uint32_t Total = 0;
        std::vector<std::uint8_t> Tail;
        for (std::uint16_t Index = 0; Index < Polys; ++Index) {
            std::uint16_t Count;
            std::memcpy(&Count, Counts + Index, 2);
            Total += Count;
            const std::uint32_t Wide = Count;
            Tail.insert(Tail.end(), reinterpret_cast<const std::uint8_t*>(&Wide),
                        reinterpret_cast<const std::uint8_t*>(&Wide) + 4);
        }
        if (std::size_t(End - Data) < std::size_t(Total) * 4) break;
        Tail.insert(Tail.end(), Data, Data + Total * 4);
        FWriter.Add(U_EMR_POLYPOLYGON16, {0, 0, -1, -1, Polys, std::int32_t(Total)}, Tail);
        break;
    }
    case U_WMR_TEXTOUT & 0xFF:
    case U_WMR_EXTTEXTOUT & 0xFF: {
        std::int16_t Length = 0;
        std::uint16_t Options = 0;
        const std::int16_t* Advances = nullptr;
        U_RECT16 Clip{};
        if (Type == (U_WMR_TEXTOUT & 0xFF)) {
            if (!U_WMRTEXTOUT_get(Rec, &A, &Length, &Data)) break;
        } else if (!U_WMREXTTEXTOUT_get(Rec, &A, &Length, &Options, &Data, &Advances, &Clip)) {
            break;
        }
        if (Length <= 0 || End - Data < Length) break;
        // The bytes stay as they are, in the code page of the font's character set, which the player reads
        // them in and a WMF written again keeps; each has its advance.
        const bool HasAdvances = Advances != nullptr && reinterpret_cast<const char*>(Advances + Length) <= End;
        // Fixed part: bounds, graphics mode, scales, reference, count, string offset, options, rectangle, dx.
        constexpr std::int32_t Fixed = 76;
        const std::int32_t TextBytes = (Length + 3) / 4 * 4;
        std::vector<std::uint8_t> Tail(std::size_t(TextBytes), 0);
        std::memcpy(Tail.data(), Data, std::size_t(Length));
        if (HasAdvances)
            for (std::int16_t Index = 0; Index < Length; ++Index) {
                std::int16_t Advance;
                std::memcpy(&Advance, Advances + Index, 2);
                const std::int32_t Wide = Advance;
                Tail.insert(Tail.end(), reinterpret_cast<const std::uint8_t*>(&Wide),
                            reinterpret_cast<const std::uint8_t*>(&Wide) + 4);
            }
        const std::uint32_t Flags = Options & (U_ETO_OPAQUE | U_ETO_CLIPPED);
        FWriter.Add(U_EMR_EXTTEXTOUTA,
                    {0, 0, -1, -1, U_GM_COMPATIBLE, 0, 0, A.x, A.y, Length, Fixed, std::int32_t(Flags), Clip.left,
                     Clip.top, Clip.right, Clip.bottom, HasAdvances ? Fixed + TextBytes : 0},
                    Tail);
        break;
    }
    case U_WMR_SAVEDC & 0xFF:
        FSavedOrigins.emplace_back(FWindowOrg, FViewportOrg);
        FWriter.Add(U_EMR_SAVEDC, {});
        break;
    case U_WMR_RESTOREDC & 0xFF:
        if (U_WMRRESTOREDC_get(Rec, &Value)) {
            const int Count = int(FSavedOrigins.size());
            const int Index = Value < 0 ? Count + Value : Value - 1;
            if (Index >= 0 && Index < Count) {
                std::tie(FWindowOrg, FViewportOrg) = FSavedOrigins[std::size_t(Index)];
                FSavedOrigins.resize(std::size_t(Index));
            }
            FWriter.Add(U_EMR_RESTOREDC, {Value});
        }
        break;
    case U_WMR_SELECTOBJECT & 0xFF:
        if (U_WMRSELECTOBJECT_get(Rec, &Mode) && Mode < FSlots.size() && FSlots[Mode])
            FWriter.Add(U_EMR_SELECTOBJECT, {Mode + 1});
        break;
    case U_WMR_DELETEOBJECT & 0xFF:
        if (U_WMRDELETEOBJECT_get(Rec, &Mode) && Mode < FSlots.size() && FSlots[Mode]) {
            FSlots[Mode] = false;
            FWriter.Add(U_EMR_DELETEOBJECT, {Mode + 1});
        }
        break;
    case U_WMR_SELECTCLIPREGION & 0xFF:
        // Selecting no region (slot 0 used as "none" by writers) removes the clip; regions are not kept.
        FWriter.Add(U_EMR_EXTSELECTCLIPRGN, {0, U_RGN_COPY});
        break;
    case U_WMR_CREATEPENINDIRECT & 0xFF: {
        U_PEN Pen{};
        if (!U_WMRCREATEPENINDIRECT_get(Rec, &Pen)) break;
        const std::uint32_t Handle = NewObject();
        if (Handle == 0) break;
        std::int16_t Width;
        std::memcpy(&Width, Pen.Widthw, 2);
        FWriter.Add(U_EMR_CREATEPEN, {std::int32_t(Handle), Pen.Style, Width, 0, Color32(Pen.Color)});
        break;
    }
    case U_WMR_CREATEBRUSHINDIRECT & 0xFF: {
        if (!U_WMRCREATEBRUSHINDIRECT_get(Rec, &Data) || End - Data < 8) break;
        U_WLOGBRUSH Brush;
        std::memcpy(&Brush, Data, sizeof Brush);
        const std::uint32_t Handle = NewObject();
        if (Handle == 0) break;
        FWriter.Add(U_EMR_CREATEBRUSHINDIRECT, {std::int32_t(Handle), Brush.Style, Color32(Brush.Color), Brush.Hatch});
        break;
    }
    case U_WMR_CREATEFONTINDIRECT & 0xFF: {
        if (!U_WMRCREATEFONTINDIRECT_get(Rec, &Data) || End - Data < 18) break;
        U_FONT Font;
        std::memcpy(&Font, Data, 18);
        const std::uint32_t Handle = NewObject();
        if (Handle == 0) break;
        // The face name follows the 18 fixed bytes, up to its terminator or the record's end.
        std::size_t Length = 0;
        while (Length < 31 && Data + 18 + Length < End && Data[18 + Length] != 0) ++Length;
        // The face name is in the code page of the font's own character set.
        const std::u16string Face =
            Utf16FromCodePage(CharSetEncoding(Font.CharSet), std::string_view(Data + 18, Length));
        // A full extended logical font: 92 bytes of the logical font, then names and the rest, zeroed.
        std::vector<std::uint8_t> Tail(320 - 20, 0);
        std::memcpy(Tail.data() + 8, Face.data(), Face.size() * 2);
        std::uint8_t Flags[8] = {Font.Italic,       Font.Underline,     Font.StrikeOut, Font.CharSet,
                                 Font.OutPrecision, Font.ClipPrecision, Font.Quality,   Font.PitchAndFamily};
        std::memcpy(Tail.data(), Flags, 8);
        FWriter.Add(U_EMR_EXTCREATEFONTINDIRECTW,
                    {std::int32_t(Handle), Font.Height, Font.Width, Font.Escapement, Font.Orientation, Font.Weight},
                    Tail);
        break;
    }
    case U_WMR_DIBCREATEPATTERNBRUSH & 0xFF: {
        std::uint16_t Style = 0, Usage = 0;
        const char* Bitmap16 = nullptr;
        const char* Dib = nullptr;
        const std::uint32_t Handle = NewObject();
        if (Handle == 0) break;
        std::uint32_t BmiSize = 0, BitsSize = 0;
        if (U_WMRDIBCREATEPATTERNBRUSH_get(Rec, &Style, &Usage, &Bitmap16, &Dib) && Dib != nullptr &&
            SplitDib(Dib, End, BmiSize, BitsSize)) {
            constexpr std::int32_t Fixed = 32;
            FWriter.Add(U_EMR_CREATEDIBPATTERNBRUSHPT,
                        {std::int32_t(Handle), Usage, Fixed, std::int32_t(BmiSize), Fixed + std::int32_t(BmiSize),
                         std::int32_t(BitsSize)},
                        AsBytes(Dib, BmiSize + BitsSize));
        } else {
            // A pattern we cannot read still takes its slot; grey stands in for it.
            FWriter.Add(U_EMR_CREATEBRUSHINDIRECT, {std::int32_t(Handle), U_BS_SOLID, 0x808080, 0});
        }
        break;
    }
    case U_WMR_CREATEPATTERNBRUSH & 0xFF: {
        const std::uint32_t Handle = NewObject();
        if (Handle != 0) FWriter.Add(U_EMR_CREATEBRUSHINDIRECT, {std::int32_t(Handle), U_BS_SOLID, 0x808080, 0});
        break;
    }
    case U_WMR_CREATEPALETTE & 0xFF:
    case U_WMR_CREATEREGION & 0xFF:
    case U_WMR_CREATEBITMAP & 0xFF:
    case U_WMR_CREATEBITMAPINDIRECT & 0xFF: {
        // Objects we do not draw with still occupy a slot, so later slots are numbered right.
        const std::uint32_t Handle = NewObject();
        if (Handle != 0) FWriter.Add(U_EMR_CREATEBRUSHINDIRECT, {std::int32_t(Handle), U_BS_NULL, 0, 0});
        break;
    }
    case U_WMR_PATBLT & 0xFF:
        if (U_WMRPATBLT_get(Rec, &A, &B, &Rop)) PatBlt(A, B, Rop);
        break;
    case U_WMR_DIBBITBLT & 0xFF:
        if (U_WMRDIBBITBLT_get(Rec, &A, &B, &C, &Rop, &Data)) {
            if (Data == nullptr)
                PatBlt(A, B, Rop);
            else
                StretchDib(A, B, C, B, Rop, Data, End, U_DIB_RGB_COLORS, true);
        }
        break;
    case U_WMR_DIBSTRETCHBLT & 0xFF:
        if (U_WMRDIBSTRETCHBLT_get(Rec, &A, &B, &C, &D, &Rop, &Data)) {
            if (Data == nullptr)
                PatBlt(A, B, Rop);
            else
                StretchDib(A, B, C, D, Rop, Data, End, U_DIB_RGB_COLORS, true);
        }
        break;
    case U_WMR_STRETCHDIB & 0xFF: {
        std::uint16_t Usage = 0;
        if (U_WMRSTRETCHDIB_get(Rec, &A, &B, &C, &D, &Usage, &Rop, &Data) && Data != nullptr)
            StretchDib(A, B, C, D, Rop, Data, End, Usage, false);
        break;
    }
    case U_WMR_SETDIBTODEV & 0xFF: {
        std::uint16_t Usage = 0, Scans = 0, Start = 0;
        if (U_WMRSETDIBTODEV_get(Rec, &A, &B, &C, &Usage, &Scans, &Start, &Data) && Data != nullptr)
            StretchDib(A, B, C, B, U_SRCCOPY, Data, End, Usage, false);
        break;
    }
    default:
        break; // records without an EMF counterpart we draw: palettes, escapes, flood fills
    }
}

std::vector<std::uint8_t> TWmfTranslator::Translate(std::size_t Offset)
{
    const int Width = std::max(1, std::abs(FBox.right - FBox.left));
    const int Height = std::max(1, std::abs(FBox.bottom - FBox.top));
    const int Inch = FInch > 0 ? FInch : 1440;
    // The box fills a viewport of its physical size on the reference device, to the nearest pixel.
    const int DeviceWidth = std::max(1, int((std::int64_t(Width) * ReferenceDpi * 2 + Inch) / (2 * Inch)));
    const int DeviceHeight = std::max(1, int((std::int64_t(Height) * ReferenceDpi * 2 + Inch) / (2 * Inch)));
    FWriter.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
    FWriter.Add(U_EMR_SETWINDOWORGEX, {FBox.left, FBox.top});
    FWriter.Add(U_EMR_SETWINDOWEXTEX, {FBox.right - FBox.left, FBox.bottom - FBox.top});
    FWriter.Add(U_EMR_SETVIEWPORTORGEX, {0, 0});
    FWriter.Add(U_EMR_SETVIEWPORTEXTEX, {DeviceWidth, DeviceHeight});
    FWindowOrg = U_POINT16{FBox.left, FBox.top};
    while (Offset + 6 <= FWmf.size()) {
        const char* Rec = reinterpret_cast<const char*>(FWmf.data() + Offset);
        const std::size_t Size = WholeRecordSize(FWmf, Offset);
        if (Size == 0) break;
        if (reinterpret_cast<const U_METARECORD*>(Rec)->iType == (U_WMR_EOF & 0xFF)) break;
        Record(Rec, Size);
        Offset += Size;
    }
    FWriter.IncludeBounds(0, 0, DeviceWidth, DeviceHeight);
    // The frame is the viewport in 0.01 mm, rounded up, so that measured back in pixels it is the viewport.
    const auto Extent = [](int Pixels) {
        return std::int32_t((std::int64_t(Pixels) * 2540 + ReferenceDpi - 1) / ReferenceDpi);
    };
    const std::int32_t Frame[4] = {0, 0, Extent(DeviceWidth), Extent(DeviceHeight)};
    return FWriter.Finish(Frame, Reference);
}

} // namespace

bool IsWmf(std::span<const std::uint8_t> Bytes)
{
    if (Bytes.size() >= 4) {
        std::uint32_t Key;
        std::memcpy(&Key, Bytes.data(), 4);
        if (Key == PlaceableKey) return true;
    }
    // A plain file starts with its header: type 1 (memory) or 2 (disk), 9 words, version 0x100 or 0x300.
    return Bytes.size() >= HeaderSize && (Read16(Bytes.data()) == 1 || Read16(Bytes.data()) == 2) &&
           Read16(Bytes.data() + 2) == 9 && (Read16(Bytes.data() + 4) == 0x100 || Read16(Bytes.data() + 4) == 0x300);
}

TWmfToEmf WmfToEmf(std::span<const std::uint8_t> Wmf)
{
    if (!IsWmf(Wmf)) Invalid();
    std::uint32_t Key;
    std::memcpy(&Key, Wmf.data(), 4);
    const bool Placeable = Key == PlaceableKey;
    std::size_t Offset = Placeable ? PlaceableSize : 0;
    if (Wmf.size() < Offset + HeaderSize || Read16(Wmf.data() + Offset + 2) != 9) Invalid();
    U_RECT16 Box{0, 0, 0, 0};
    int Inch = 0;
    if (Placeable) {
        std::int16_t Edges[4];
        std::memcpy(Edges, Wmf.data() + 6, sizeof Edges);
        Box = U_RECT16{Edges[0], Edges[1], Edges[2], Edges[3]};
        Inch = Read16(Wmf.data() + 14);
    } else {
        // Without a placeable header the first window the records set is the picture's box.
        std::size_t Scan = HeaderSize;
        std::optional<U_POINT16> Origin, Extent;
        while (Scan + 6 <= Wmf.size() && !(Origin && Extent)) {
            const char* Rec = reinterpret_cast<const char*>(Wmf.data() + Scan);
            const std::size_t Size = WholeRecordSize(Wmf, Scan);
            if (Size == 0) break;
            U_POINT16 Point;
            const std::uint8_t Type = reinterpret_cast<const U_METARECORD*>(Rec)->iType;
            if (Type == (U_WMR_SETWINDOWORG & 0xFF) && U_WMRSETWINDOWORG_get(Rec, &Point)) Origin = Point;
            if (Type == (U_WMR_SETWINDOWEXT & 0xFF) && U_WMRSETWINDOWEXT_get(Rec, &Point)) Extent = Point;
            Scan += Size;
        }
        const U_POINT16 From = Origin.value_or(U_POINT16{0, 0});
        const U_POINT16 Size = Extent.value_or(U_POINT16{1000, 1000});
        Box = U_RECT16{From.x, From.y, std::int16_t(From.x + Size.x), std::int16_t(From.y + Size.y)};
        // Large windows are in fine units; small ones in screen pixels.
        Inch = std::max(std::abs(Size.x), std::abs(Size.y)) > 2000 ? 1440 : ReferenceDpi;
    }
    if (Box.right == Box.left || Box.bottom == Box.top) Invalid();
    Offset += HeaderSize;
    TWmfTranslator Translator(Wmf, Placeable, Box, Inch);
    TWmfToEmf Result;
    Result.Emf = Translator.Translate(Offset);
    // The header's bounds are those of what the records draw, as the desktop records them.
    const QRectF Drawn = EmfDrawingBounds(Result.Emf);
    if (!Drawn.isEmpty()) {
        const std::int32_t Bounds[4] = {std::int32_t(std::floor(Drawn.left())), std::int32_t(std::floor(Drawn.top())),
                                        std::int32_t(std::ceil(Drawn.right())),
                                        std::int32_t(std::ceil(Drawn.bottom()))};
        std::memcpy(Result.Emf.data() + 8, Bounds, sizeof Bounds);
    }
    Result.Inch = Placeable ? Inch : 0;
    return Result;
}
