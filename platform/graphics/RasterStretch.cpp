#include "platform/graphics/RasterStretch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The source coordinate of each visible destination column (or row), -1 outside the source.
struct TAxisMap
{
    int First = 0; // first visible destination coordinate
    std::vector<int> Source;
    bool AllInside = true;  // no -1
    bool Contiguous = true; // the source coordinates run up one by one, all inside
};

TAxisMap MapAxis(int DestFrom, int DestTo, int SourceFrom, int SourceTo, int DestLimit, int SourceLimit)
{
    const bool Mirrored = (DestTo < DestFrom) != (SourceTo < SourceFrom);
    const long long DestLow = std::min(DestFrom, DestTo);
    const long long DestCount = std::llabs((long long)DestTo - DestFrom);
    const long long SourceLow = std::min(SourceFrom, SourceTo);
    const long long SourceCount = std::llabs((long long)SourceTo - SourceFrom);
    TAxisMap Map;
    const long long Begin = std::max(0LL, -DestLow);
    const long long End = std::min(DestCount, DestLimit - DestLow);
    Map.First = int(DestLow + Begin);
    for (long long Index = Begin; Index < End; ++Index) {
        const long long Offset = (2 * Index + 1) * SourceCount / (2 * DestCount);
        const long long Source = Mirrored ? SourceLow + SourceCount - 1 - Offset : SourceLow + Offset;
        const int Inside = Source >= 0 && Source < SourceLimit ? int(Source) : -1;
        if (Inside < 0) Map.AllInside = false;
        if (Inside < 0 || (!Map.Source.empty() && Inside != Map.Source.back() + 1)) Map.Contiguous = false;
        Map.Source.push_back(Inside);
    }
    return Map;
}

std::uint8_t BlendLevel(int Source, int Destination, int Alpha)
{
    return std::uint8_t((Source * Alpha + Destination * (255 - Alpha) + 127) / 255);
}

// One row between blue-green-red layouts. A 32-bit destination keeps a 32-bit source's fourth byte
// and gets 0 from a 24-bit one.
template <int SourceBytes, int DestBytes>
void CopyBgrRow(const std::uint8_t* Source, std::uint8_t* Dest, const TAxisMap& Columns)
{
    if (SourceBytes == DestBytes && Columns.Contiguous) {
        std::memcpy(Dest, Source + std::size_t(Columns.Source.front()) * SourceBytes,
                    Columns.Source.size() * std::size_t(DestBytes));
        return;
    }
    for (const int SourceX : Columns.Source) {
        if (SourceX >= 0) {
            const std::uint8_t* Pixel = Source + std::size_t(SourceX) * SourceBytes;
            Dest[0] = Pixel[0];
            Dest[1] = Pixel[1];
            Dest[2] = Pixel[2];
            if constexpr (DestBytes == 4) Dest[3] = SourceBytes == 4 ? Pixel[3] : 0;
        }
        Dest += DestBytes;
    }
}

template <int DestBytes> void BlendBgrRow(const std::uint8_t* Source, std::uint8_t* Dest, const TAxisMap& Columns)
{
    for (const int SourceX : Columns.Source) {
        if (SourceX >= 0) {
            const std::uint8_t* Pixel = Source + std::size_t(SourceX) * 4;
            if (Pixel[3] != 0)
                for (int Channel = 0; Channel < 3; ++Channel)
                    Dest[Channel] = BlendLevel(Pixel[Channel], Dest[Channel], Pixel[3]);
        }
        Dest += DestBytes;
    }
}

void StretchBgrRow(const std::uint8_t* Source, int SourceBits, std::uint8_t* Dest, int DestBits,
                   const TAxisMap& Columns, bool Alpha)
{
    if (Alpha) {
        DestBits == 24 ? BlendBgrRow<3>(Source, Dest, Columns) : BlendBgrRow<4>(Source, Dest, Columns);
    } else if (SourceBits == 24) {
        DestBits == 24 ? CopyBgrRow<3, 3>(Source, Dest, Columns) : CopyBgrRow<3, 4>(Source, Dest, Columns);
    } else {
        DestBits == 24 ? CopyBgrRow<4, 3>(Source, Dest, Columns) : CopyBgrRow<4, 4>(Source, Dest, Columns);
    }
}

// Remembers recent colour-to-value mappings: on surfaces of 8 bits or fewer each colour's nearest
// colour-table entry is a search.
class TColorCache
{
public:
    std::uint32_t Map(const TRasterSurface& Surface, TColor Color)
    {
        if (!Surface.Indexed()) return Surface.Map(Color);
        TEntry& Entry = FEntries[(Color * 2654435761u) >> 20];
        if (!Entry.Used || Entry.Color != Color) Entry = TEntry{Color, Surface.Map(Color), true};
        return Entry.Value;
    }

private:
    struct TEntry
    {
        TColor Color = 0;
        std::uint32_t Value = 0;
        bool Used = false;
    };
    std::vector<TEntry> FEntries = std::vector<TEntry>(4096);
};

} // namespace

void StretchPixels(const TRasterSurface& From, const TRasterSurface& To, const TRect& Dest, const TRect& SourceRect,
                   bool Alpha)
{
    if (Dest.Width() == 0 || Dest.Height() == 0 || SourceRect.Width() == 0 || SourceRect.Height() == 0) return;
    const TAxisMap Columns =
        MapAxis(Dest.Left, Dest.Right, SourceRect.Left, SourceRect.Right, To.Width(), From.Width());
    const TAxisMap Rows = MapAxis(Dest.Top, Dest.Bottom, SourceRect.Top, SourceRect.Bottom, To.Height(), From.Height());
    if (Columns.Source.empty()) return;
    const bool Bytewise = From.PlainBgr() && To.PlainBgr();
    const bool SameValues = !Alpha && From.SameLayout(To);
    // An indexed source has few values: each is translated once.
    std::vector<std::uint32_t> Translation;
    if (From.Indexed() && !SameValues && !Alpha)
        for (std::uint32_t Value = 0; Value < (1u << From.BitCount()); ++Value)
            Translation.push_back(To.Map(From.ColorOf(Value)));
    // An enlarged row that repeats the one above is copied from it, where whole bytes hold the row.
    const bool RepeatRows = !Alpha && Columns.AllInside && To.BitCount() >= 8;
    const std::size_t PixelBytes = std::size_t(To.BitCount() / 8);
    TColorCache Cache;
    for (std::size_t Row = 0; Row < Rows.Source.size(); ++Row) {
        if (Rows.Source[Row] < 0) continue;
        const std::uint8_t* SourceLine = From.Row(Rows.Source[Row]);
        std::uint8_t* DestLine = To.Row(Rows.First + int(Row));
        if (RepeatRows && Row > 0 && Rows.Source[Row] == Rows.Source[Row - 1]) {
            const std::size_t Offset = std::size_t(Columns.First) * PixelBytes;
            std::memcpy(DestLine + Offset, To.Row(Rows.First + int(Row) - 1) + Offset,
                        Columns.Source.size() * PixelBytes);
            continue;
        }
        if (Bytewise) {
            StretchBgrRow(SourceLine, From.BitCount(),
                          DestLine + std::size_t(Columns.First) * std::size_t(To.BitCount() / 8), To.BitCount(),
                          Columns, Alpha);
            continue;
        }
        for (std::size_t Column = 0; Column < Columns.Source.size(); ++Column) {
            const int SourceX = Columns.Source[Column];
            if (SourceX < 0) continue;
            const int DestX = Columns.First + int(Column);
            const std::uint32_t Value = From.Get(SourceLine, SourceX);
            if (SameValues) {
                To.Put(DestLine, DestX, Value);
            } else if (!Translation.empty()) {
                To.Put(DestLine, DestX, Translation[Value]);
            } else if (!Alpha) {
                To.Put(DestLine, DestX, Cache.Map(To, From.ColorOf(Value)));
            } else {
                // Straight alpha in the top byte of the source's 32-bit pixel.
                const int Opacity = int(Value >> 24);
                if (Opacity == 0) continue;
                const TColor Color = From.ColorOf(Value);
                const TColor Under = To.ColorOf(To.Get(DestLine, DestX));
                To.Put(DestLine, DestX,
                       Cache.Map(To, RGB(BlendLevel(GetRValue(Color), GetRValue(Under), Opacity),
                                         BlendLevel(GetGValue(Color), GetGValue(Under), Opacity),
                                         BlendLevel(GetBValue(Color), GetBValue(Under), Opacity))));
            }
        }
    }
}
