// Writing BMP files as the desktop writes them: a 40-byte info header, a colour table of 2^bits entries
// up to 8 bits, three bit-field masks for 16-bit 5-6-5 and custom layouts, rows bottom-up.
#include "platform/graphics/codecs/BmpCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/BmpFormat.h"
#include "platform/system/LargeBlock.h"

#include <algorithm>

namespace {

using namespace Bmp;

void PutU16(std::vector<std::uint8_t>& Bytes, std::uint32_t Value)
{
    Bytes.push_back(std::uint8_t(Value));
    Bytes.push_back(std::uint8_t(Value >> 8));
}

void PutU32(std::vector<std::uint8_t>& Bytes, std::uint32_t Value)
{
    PutU16(Bytes, Value & 0xFFFF);
    PutU16(Bytes, Value >> 16);
}

} // namespace

std::vector<std::span<const std::uint8_t>> BmpFileParts(const TBitmap& Source, std::vector<std::uint8_t>& Bytes)
{
    // An empty bitmap has no file form: nothing is written, as the desktop's bitmap writes nothing.
    if (Source.Empty()) return {};
    // A device-dependent bitmap is held in the 32-bit layout and written as such; a 15-bit one is the
    // plain 16-bit layout; 5-6-5 and custom layouts carry their masks.
    const int Bits = Source.BitCount();
    const TPixelFormat Format = Source.PixelFormat();
    const bool BitFields = Format == pf16bit || Format == pfcustom;
    const std::size_t TableBytes = Bits <= 8 ? (std::size_t(4) << Bits) : BitFields ? 12 : 0;
    const std::size_t RowBytes = BytesPerScanLine(Source.Width(), Bits);
    const std::size_t PixelBytes = RowBytes * std::size_t(Source.Height());
    const std::size_t PixelOffset = FileHeaderSize + InfoHeaderSize + TableBytes;
    const std::size_t FileSize = PixelOffset + PixelBytes;

    Bytes.reserve(Bytes.size() + PixelOffset);
    const std::size_t Start = Bytes.size();
    Bytes.push_back('B');
    Bytes.push_back('M');
    PutU32(Bytes, std::uint32_t(std::min<std::size_t>(FileSize, UINT32_MAX)));
    PutU32(Bytes, 0); // reserved
    PutU32(Bytes, std::uint32_t(PixelOffset));

    PutU32(Bytes, InfoHeaderSize);
    PutU32(Bytes, std::uint32_t(Source.Width()));
    PutU32(Bytes, std::uint32_t(Source.Height())); // positive: bottom-up
    PutU16(Bytes, 1);                              // planes
    PutU16(Bytes, std::uint32_t(Bits));
    PutU32(Bytes, BitFields ? BI_BITFIELDS : BI_RGB);
    PutU32(Bytes, std::uint32_t(std::min<std::size_t>(PixelBytes, UINT32_MAX)));
    PutU32(Bytes, 0); // pixels per metre, horizontally and vertically: unknown
    PutU32(Bytes, 0);
    PutU32(Bytes, 0); // colours used: the whole table
    PutU32(Bytes, 0); // colours important: all

    if (Bits <= 8) {
        const TPalette& Palette = Source.ColorTable();
        const int Entries = 1 << Bits;
        for (int Index = 0; Index < Entries; ++Index) {
            const TPaletteEntry Entry = Index < Palette.Count() ? Palette[Index] : TPaletteEntry{};
            const std::uint8_t Quad[4] = {Entry.peBlue, Entry.peGreen, Entry.peRed, 0};
            Bytes.insert(Bytes.end(), Quad, Quad + 4);
        }
    } else if (BitFields) {
        const TBitFields Masks = Source.BitFields();
        PutU32(Bytes, Masks.Red);
        PutU32(Bytes, Masks.Green);
        PutU32(Bytes, Masks.Blue);
    }

    // Whole rows at a time, padding included, last row first.
    std::vector<std::span<const std::uint8_t>> Parts{std::span<const std::uint8_t>(Bytes).subspan(Start)};
    Parts.reserve(std::size_t(Source.Height()) + 1);
    for (int Y = Source.Height() - 1; Y >= 0; --Y) Parts.emplace_back(Source.ScanLine(Y), RowBytes);
    return Parts;
}

namespace {

// Appends the BMP file of Source from its byte Skip on, each byte copied once.
void AppendFile(const TBitmap& Source, std::size_t Skip, std::vector<std::uint8_t>& Bytes)
{
    std::vector<std::uint8_t> Headers;
    auto Parts = BmpFileParts(Source, Headers);
    if (Parts.empty()) return;
    Parts.front() = Parts.front().subspan(Skip);
    std::size_t Size = 0;
    for (const auto Part : Parts) Size += Part.size();
    ReserveLargeAppend(Bytes, Size);
    for (const auto Part : Parts) Bytes.insert(Bytes.end(), Part.begin(), Part.end());
}

} // namespace

void WriteBmp(const TBitmap& Source, std::vector<std::uint8_t>& Bytes)
{
    AppendFile(Source, 0, Bytes);
}

void WriteDib(const TBitmap& Source, std::vector<std::uint8_t>& Bytes)
{
    AppendFile(Source, FileHeaderSize, Bytes);
}
