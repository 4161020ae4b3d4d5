#include "platform/graphics/codecs/IcoCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <optional>

namespace {

// PNG entries larger than this are refused before decoding: icons stop at 256 x 256, and a small
// file claiming a huge compressed picture is a decompression bomb.
constexpr int MaxPngSide = 1024;
// A DIB entry's pixels must fit in its bytes, which bounds its size already; this keeps the
// arithmetic far from overflow.
constexpr int MaxDibSide = 32767;

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(Messages::SInvalidIcon);
}

std::uint16_t U16(const std::uint8_t* P)
{
    return std::uint16_t(P[0] | P[1] << 8);
}

std::uint32_t U32(const std::uint8_t* P)
{
    return std::uint32_t(U16(P)) | std::uint32_t(U16(P + 2)) << 16;
}

// Where the parts of a DIB entry lie, relative to the entry's start.
struct TDibLayout
{
    int Width = 0;
    int Height = 0; // of the picture: half the DIB's height
    int BitCount = 0;
    std::size_t PaletteOffset = 0;
    std::size_t Colors = 0;
    std::size_t PixelOffset = 0;
    std::size_t PixelRowBytes = 0;
    std::size_t MaskOffset = 0;
    std::size_t MaskRowBytes = 0;
    bool HasMask = false;
};

// The layout of a DIB entry of Size bytes, or nullopt when its header is unusable or its colour rows
// (and, below 32 bits, its mask) do not fit.
std::optional<TDibLayout> ParseDib(const std::uint8_t* Entry, std::size_t Size)
{
    if (Size < 40) return std::nullopt;
    const std::uint32_t HeaderSize = U32(Entry);
    const auto Width = std::int32_t(U32(Entry + 4));
    const auto DibHeight = std::int32_t(U32(Entry + 8));
    const int BitCount = U16(Entry + 14);
    const std::uint32_t Compression = U32(Entry + 16);
    const std::uint32_t ColorsUsed = U32(Entry + 32);
    if (HeaderSize < 40 || HeaderSize > Size || Compression != 0) return std::nullopt;
    if (Width < 1 || Width > MaxDibSide || DibHeight < 2 || DibHeight > 2 * MaxDibSide) return std::nullopt;
    if (BitCount != 1 && BitCount != 4 && BitCount != 8 && BitCount != 24 && BitCount != 32) return std::nullopt;
    TDibLayout Layout;
    Layout.Width = Width;
    Layout.Height = DibHeight / 2;
    Layout.BitCount = BitCount;
    Layout.PaletteOffset = HeaderSize;
    if (BitCount <= 8) {
        const std::size_t Full = std::size_t(1) << BitCount;
        if (ColorsUsed > Full) return std::nullopt;
        Layout.Colors = ColorsUsed == 0 ? Full : ColorsUsed;
    }
    Layout.PixelOffset = Layout.PaletteOffset + Layout.Colors * 4;
    Layout.PixelRowBytes = BytesPerScanLine(Width, BitCount);
    Layout.MaskOffset = Layout.PixelOffset + Layout.PixelRowBytes * std::size_t(Layout.Height);
    Layout.MaskRowBytes = BytesPerScanLine(Width, 1);
    const std::size_t End = Layout.MaskOffset + Layout.MaskRowBytes * std::size_t(Layout.Height);
    if (Layout.MaskOffset > Size) return std::nullopt;
    Layout.HasMask = End <= Size;
    // Only a 32-bit entry, whose alpha says what the mask would, may go without its mask.
    if (!Layout.HasMask && BitCount != 32) return std::nullopt;
    return Layout;
}

bool MaskBit(const std::uint8_t* Row, int X)
{
    return (Row[X / 8] >> (7 - X % 8) & 1) != 0;
}

// The palette index of pixel X of a row of 1, 4 or 8 bits.
unsigned PaletteIndex(const std::uint8_t* Row, int X, int BitCount)
{
    switch (BitCount) {
    case 1:
        return MaskBit(Row, X) ? 1 : 0;
    case 4:
        return X % 2 == 0 ? Row[X / 2] >> 4 : Row[X / 2] & 0x0F;
    default:
        return Row[X];
    }
}

void DecodeDib(const std::uint8_t* Entry, const TDibLayout& Layout, TBitmap& Target)
{
    TBitmap Decoded;
    Decoded.SetLayout(Layout.Width, Layout.Height, 32);
    bool AnyAlpha = false;
    // DIB rows run bottom-up.
    for (int Y = 0; Y < Layout.Height; ++Y) {
        const std::size_t SourceRow = std::size_t(Layout.Height - 1 - Y);
        const std::uint8_t* Pixels = Entry + Layout.PixelOffset + SourceRow * Layout.PixelRowBytes;
        std::uint8_t* Out = Decoded.ScanLine(Y);
        for (int X = 0; X < Layout.Width; ++X, Out += 4) {
            if (Layout.BitCount <= 8) {
                const unsigned Index = PaletteIndex(Pixels, X, Layout.BitCount);
                // An index beyond a short colour table shows black.
                if (Index < Layout.Colors) {
                    const std::uint8_t* Color = Entry + Layout.PaletteOffset + std::size_t(Index) * 4;
                    Out[0] = Color[0];
                    Out[1] = Color[1];
                    Out[2] = Color[2];
                }
            } else {
                const std::uint8_t* Pixel = Pixels + std::size_t(X) * std::size_t(Layout.BitCount / 8);
                Out[0] = Pixel[0];
                Out[1] = Pixel[1];
                Out[2] = Pixel[2];
                if (Layout.BitCount == 32) {
                    Out[3] = Pixel[3];
                    AnyAlpha = AnyAlpha || Pixel[3] != 0;
                }
            }
        }
    }
    if (!AnyAlpha) {
        for (int Y = 0; Y < Layout.Height; ++Y) {
            const std::uint8_t* Mask =
                Layout.HasMask ? Entry + Layout.MaskOffset + std::size_t(Layout.Height - 1 - Y) * Layout.MaskRowBytes
                               : nullptr;
            std::uint8_t* Out = Decoded.ScanLine(Y);
            for (int X = 0; X < Layout.Width; ++X) Out[std::size_t(X) * 4 + 3] = Mask && MaskBit(Mask, X) ? 0 : 255;
        }
    }
    Target = std::move(Decoded);
}

void DecodePngEntry(std::span<const std::uint8_t> Png, TBitmap& Target)
{
    TBitmap Decoded;
    if (!ReadPng(Png, Decoded)) Invalid();
    if (Decoded.BitCount() == 24) {
        TBitmap WithAlpha;
        WithAlpha.SetLayout(Decoded.Width(), Decoded.Height(), 32);
        for (int Y = 0; Y < Decoded.Height(); ++Y) {
            const std::uint8_t* In = Decoded.ScanLine(Y);
            std::uint8_t* Out = WithAlpha.ScanLine(Y);
            for (int X = 0; X < Decoded.Width(); ++X, In += 3, Out += 4) {
                Out[0] = In[0];
                Out[1] = In[1];
                Out[2] = In[2];
                Out[3] = 255;
            }
        }
        Decoded = std::move(WithAlpha);
    }
    Target = std::move(Decoded);
}

bool IsPng(std::span<const std::uint8_t> Entry)
{
    return Entry.size() >= 4 && Entry[0] == 0x89 && Entry[1] == 'P' && Entry[2] == 'N' && Entry[3] == 'G';
}

} // namespace

std::vector<TIconEntry> ReadIconDirectory(std::span<const std::uint8_t> Bytes)
{
    if (Bytes.size() < 6 || U16(Bytes.data()) != 0 || U16(Bytes.data() + 2) != 1) Invalid();
    const std::size_t Count = U16(Bytes.data() + 4);
    if (Count == 0 || 6 + Count * 16 > Bytes.size()) Invalid();
    std::vector<TIconEntry> Entries;
    Entries.reserve(Count);
    for (std::size_t Index = 0; Index < Count; ++Index) {
        const std::uint8_t* Record = Bytes.data() + 6 + Index * 16;
        TIconEntry Entry;
        Entry.Size = U32(Record + 8);
        Entry.Offset = U32(Record + 12);
        if (Entry.Offset > Bytes.size() || Entry.Size > Bytes.size() - Entry.Offset) Invalid();
        const auto Data = Bytes.subspan(Entry.Offset, Entry.Size);
        if (IsPng(Data)) {
            const auto Size = ReadPngSize(Data);
            if (!Size || Size->Width > MaxPngSide || Size->Height > MaxPngSide) Invalid();
            Entry.Png = true;
            Entry.Width = Size->Width;
            Entry.Height = Size->Height;
            Entry.BitCount = 32;
        } else {
            const auto Layout = ParseDib(Data.data(), Data.size());
            if (!Layout) Invalid();
            Entry.Width = Layout->Width;
            Entry.Height = Layout->Height;
            Entry.BitCount = Layout->BitCount;
        }
        Entries.push_back(Entry);
    }
    return Entries;
}

std::size_t BestIconEntry(const std::vector<TIconEntry>& Entries)
{
    std::size_t Best = 0;
    for (std::size_t Index = 1; Index < Entries.size(); ++Index) {
        const auto Area = [](const TIconEntry& Entry) { return std::int64_t(Entry.Width) * Entry.Height; };
        const TIconEntry& Candidate = Entries[Index];
        const TIconEntry& Current = Entries[Best];
        if (Area(Candidate) > Area(Current) ||
            (Area(Candidate) == Area(Current) && Candidate.BitCount > Current.BitCount))
            Best = Index;
    }
    return Best;
}

void DecodeIconEntry(std::span<const std::uint8_t> Bytes, const TIconEntry& Entry, TBitmap& Target)
{
    if (Entry.Offset > Bytes.size() || Entry.Size > Bytes.size() - Entry.Offset) Invalid();
    const auto Data = Bytes.subspan(Entry.Offset, Entry.Size);
    if (Entry.Png) {
        DecodePngEntry(Data, Target);
        return;
    }
    const auto Layout = ParseDib(Data.data(), Data.size());
    if (!Layout) Invalid();
    DecodeDib(Data.data(), *Layout, Target);
}
