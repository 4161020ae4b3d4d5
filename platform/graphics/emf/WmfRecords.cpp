#include "platform/graphics/emf/WmfRecords.h"

#include <cstdint>
#include <cstring>
#include <uemf.h>
#include <uwmf.h>

namespace {

constexpr std::size_t DibHeader = 40; // the bitmap information header the DIB records carry
// SETDIBTODEV's nine parameter words before its DIB; libUEMF's size constant leaves the last one out.
constexpr std::size_t SetDibToDevFixed = 6 + 9 * 2;

std::size_t Word(const char* Record, std::size_t At)
{
    std::uint16_t Value;
    std::memcpy(&Value, Record + At, 2);
    return Value;
}

// Bytes of a string of Count bytes, padded to a word.
std::size_t Padded(std::size_t Count)
{
    return (Count + 1) & ~std::size_t(1);
}

// The bytes the record's function needs; 0 when the fixed part read so far is already missing.
std::size_t Needed(std::uint8_t Type, const char* Record, std::size_t Size)
{
    const auto Is = [Type](int Function) { return Type == (Function & 0xFF); };
    if (Is(U_WMR_SETBKCOLOR) || Is(U_WMR_SETTEXTCOLOR)) return U_SIZE_WMRSETBKCOLOR;
    if (Is(U_WMR_SETBKMODE) || Is(U_WMR_SETROP2) || Is(U_WMR_SETPOLYFILLMODE) || Is(U_WMR_SETSTRETCHBLTMODE) ||
        Is(U_WMR_SETTEXTALIGN) || Is(U_WMR_SETMAPMODE) || Is(U_WMR_RESTOREDC) || Is(U_WMR_SELECTOBJECT) ||
        Is(U_WMR_DELETEOBJECT) || Is(U_WMR_SELECTCLIPREGION))
        return U_SIZE_WMRSETMAPMODE;
    if (Is(U_WMR_SETWINDOWORG) || Is(U_WMR_SETWINDOWEXT) || Is(U_WMR_OFFSETWINDOWORG) || Is(U_WMR_SETVIEWPORTORG) ||
        Is(U_WMR_SETVIEWPORTEXT) || Is(U_WMR_OFFSETVIEWPORTORG) || Is(U_WMR_MOVETO) || Is(U_WMR_LINETO) ||
        Is(U_WMR_OFFSETCLIPRGN))
        return U_SIZE_WMRSETWINDOWORG;
    if (Is(U_WMR_SCALEWINDOWEXT) || Is(U_WMR_SCALEVIEWPORTEXT) || Is(U_WMR_EXCLUDECLIPRECT) ||
        Is(U_WMR_INTERSECTCLIPRECT) || Is(U_WMR_RECTANGLE) || Is(U_WMR_ELLIPSE) || Is(U_WMR_SETPIXEL))
        return U_SIZE_WMRRECTANGLE;
    if (Is(U_WMR_ROUNDRECT)) return U_SIZE_WMRROUNDRECT;
    if (Is(U_WMR_ARC) || Is(U_WMR_PIE) || Is(U_WMR_CHORD)) return U_SIZE_WMRARC;
    if (Is(U_WMR_PATBLT)) return U_SIZE_WMRPATBLT;
    if (Is(U_WMR_CREATEPENINDIRECT)) return U_SIZE_WMRCREATEPENINDIRECT;
    if (Is(U_WMR_CREATEBRUSHINDIRECT)) return U_SIZE_WMRCREATEBRUSHINDIRECT;
    if (Is(U_WMR_CREATEFONTINDIRECT)) return U_SIZE_WMRCREATEFONTINDIRECT;
    if (Is(U_WMR_POLYGON) || Is(U_WMR_POLYLINE)) {
        if (Size < U_SIZE_WMRPOLYGON - 2) return 0;
        return U_SIZE_WMRPOLYGON - 2 + 4 * Word(Record, 6);
    }
    if (Is(U_WMR_POLYPOLYGON)) {
        if (Size < U_SIZE_WMRPOLYPOLYGON - 2) return 0;
        const std::size_t Polys = Word(Record, 6);
        const std::size_t Counts = U_SIZE_WMRPOLYPOLYGON - 2 + 2 * Polys;
        if (Size < Counts) return 0;
        std::size_t Points = 0;
        for (std::size_t Index = 0; Index < Polys; ++Index) Points += Word(Record, 8 + 2 * Index);
        return Counts + 4 * Points;
    }
    if (Is(U_WMR_TEXTOUT)) {
        // Length, string padded to a word, then y and x.
        if (Size < U_SIZE_WMRTEXTOUT) return 0;
        return U_SIZE_WMRTEXTOUT + Padded(Word(Record, 6)) + 4;
    }
    if (Is(U_WMR_EXTTEXTOUT)) {
        // y, x, length, options, the rectangle when the options name one, then the string.
        if (Size < U_SIZE_WMREXTTEXTOUT) return 0;
        const std::size_t Options = Word(Record, 12);
        const std::size_t Rectangle = (Options & (U_ETO_OPAQUE | U_ETO_CLIPPED)) ? 8 : 0;
        return U_SIZE_WMREXTTEXTOUT + Rectangle + Padded(Word(Record, 10));
    }
    // The bitmap records: their fixed part, then a DIB whose header libUEMF reads. Without pixels the two
    // block transfers have a fixed part of their own.
    if (Is(U_WMR_DIBBITBLT)) return Size == U_SIZE_WMRDIBBITBLT_NOPX ? Size : U_SIZE_WMRDIBBITBLT_PX + DibHeader;
    if (Is(U_WMR_DIBSTRETCHBLT))
        return Size == U_SIZE_WMRDIBSTRETCHBLT_NOPX ? Size : U_SIZE_WMRDIBSTRETCHBLT_PX + DibHeader;
    if (Is(U_WMR_STRETCHDIB)) return U_SIZE_WMRSTRETCHDIB + DibHeader;
    if (Is(U_WMR_SETDIBTODEV)) return SetDibToDevFixed + DibHeader;
    if (Is(U_WMR_DIBCREATEPATTERNBRUSH)) {
        // A pattern brush of style BS_PATTERN carries a 10-byte device-dependent bitmap header instead.
        if (Size < U_SIZE_WMRDIBCREATEPATTERNBRUSH) return 0;
        return U_SIZE_WMRDIBCREATEPATTERNBRUSH + (Word(Record, 6) == U_BS_PATTERN ? 10 : DibHeader);
    }
    return 6; // functions read for their type only, or not at all
}

} // namespace

bool WmfRecordComplete(const char* Record, std::size_t Size)
{
    if (Size < 6) return false;
    const std::size_t Need = Needed(static_cast<std::uint8_t>(Record[4]), Record, Size);
    return Need != 0 && Size >= Need;
}
