// Reading BMP files: core (OS/2 1.x) and OS/2 2.x headers, info headers V3 to V5, uncompressed, RLE8,
// RLE4 and bit-field pixels at 1, 2, 4, 8, 16, 24 and 32 bits, bottom-up or top-down. Every size is
// checked against the bytes present before anything is allocated.
#include "platform/graphics/codecs/BmpCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PixelRows.h"
#include "platform/graphics/codecs/BmpFormat.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

using namespace Bmp;

[[noreturn]] void Refuse()
{
    throw EInvalidGraphic(Messages::SInvalidBitmap);
}

// Densities above 25 400 dpi come from no real device: such a header is damaged.
constexpr std::int64_t MaxPixelsPerMetre = 1'000'000;
// One RLE code of two bytes paints at most 255 pixels, so a file whose pixel count exceeds what its
// codes could reasonably paint is refused before allocation. The slack lets small pictures through
// that end early and leave the rest of the picture at colour 0.
constexpr std::uint64_t MaxRlePixelsPerByte = 128;
constexpr std::uint64_t RlePixelSlack = std::uint64_t(1) << 18;

struct TBmpHeader
{
    bool Core = false; // 12-byte header: 16-bit sizes, 3-byte colour table entries
    int Width = 0;
    int Height = 0; // rows, always positive
    bool TopDown = false;
    int BitCount = 0;
    std::uint32_t Compression = BI_RGB;
    std::uint32_t SizeImage = 0;
    std::uint32_t ColorsUsed = 0;
    std::array<std::uint32_t, 3> Masks{}; // red, green, blue of the bit-field compressions
    std::size_t TableStart = 0;
    std::size_t PixelOffset = 0;
};

bool IsWindowsHeaderSize(std::uint32_t Size)
{
    return Size == InfoHeaderSize || Size == V2HeaderSize || Size == V3HeaderSize || Size == V4HeaderSize ||
           Size == V5HeaderSize;
}

bool ValidBitCount(const TBmpHeader& Header)
{
    const int Bits = Header.BitCount;
    switch (Header.Compression) {
    case BI_RGB:
        return Bits == 1 || Bits == 2 || Bits == 4 || Bits == 8 || Bits == 24 ||
               (!Header.Core && (Bits == 16 || Bits == 32));
    case BI_RLE8:
        return Bits == 8 && !Header.TopDown;
    case BI_RLE4:
        return Bits == 4 && !Header.TopDown;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        return Bits == 16 || Bits == 32;
    default:
        return false;
    }
}

// Reads the info header that starts InfoStart bytes into Bytes, with the rows at PixelOffset. FileSize is
// the size of the whole file the bytes stand for, which bounds the declared size of the pixels.
TBmpHeader ParseInfoHeader(std::span<const std::uint8_t> Bytes, std::size_t InfoStart, std::uint64_t PixelOffset,
                           std::uint64_t FileSize)
{
    if (Bytes.size() < InfoStart + 4) Refuse();
    TBmpHeader Header;
    const std::uint32_t HeaderSize = ReadU32(Bytes.data() + InfoStart);
    if (HeaderSize > Bytes.size() - InfoStart) Refuse();
    const std::uint8_t* Info = Bytes.data() + InfoStart;

    std::int64_t Width = 0;
    std::int64_t Height = 0;
    int Planes = 0;
    bool Os2V2 = false;
    if (HeaderSize == CoreHeaderSize) {
        Header.Core = true;
        Width = ReadU16(Info + 4);
        Height = ReadU16(Info + 6);
        Planes = ReadU16(Info + 8);
        Header.BitCount = ReadU16(Info + 10);
    } else {
        Os2V2 = !IsWindowsHeaderSize(HeaderSize);
        if (Os2V2 && (HeaderSize < Os2V2MinHeaderSize || HeaderSize > Os2V2MaxHeaderSize || HeaderSize % 2 != 0))
            Refuse();
        // Shortened OS/2 2.x headers leave the later fields out; they read as 0.
        const auto Field = [&](std::size_t Offset) { return Offset + 4 <= HeaderSize ? ReadU32(Info + Offset) : 0; };
        Width = std::int32_t(ReadU32(Info + 4));
        Height = std::int32_t(ReadU32(Info + 8));
        Planes = ReadU16(Info + 12);
        Header.BitCount = ReadU16(Info + 14);
        Header.Compression = Field(16);
        Header.SizeImage = Field(20);
        const std::int64_t XPixelsPerMetre = std::int32_t(Field(24));
        const std::int64_t YPixelsPerMetre = std::int32_t(Field(28));
        Header.ColorsUsed = Field(32);
        if (std::max(std::abs(XPixelsPerMetre), std::abs(YPixelsPerMetre)) > MaxPixelsPerMetre) Refuse();
        // OS/2 2.x numbers its own compressions 3 (Huffman 1-D) and 4 (RLE24), which are not read here.
        if (Os2V2 && Header.Compression >= BI_BITFIELDS) Refuse();
        if (Header.SizeImage > FileSize) Refuse();
    }
    if (Planes != 1 || Width <= 0 || Height == 0 || Height < -std::int64_t(INT32_MAX)) Refuse();
    Header.Width = int(Width);
    Header.TopDown = Height < 0;
    Header.Height = int(std::abs(Height));
    if (!ValidBitCount(Header)) Refuse();

    std::size_t MaskBytes = 0;
    if (Header.Compression == BI_BITFIELDS || Header.Compression == BI_ALPHABITFIELDS) {
        // A 40-byte header is followed by the masks (three, or four with alpha); later headers hold them.
        const std::uint8_t* MaskData = Info + InfoHeaderSize;
        if (HeaderSize == InfoHeaderSize) {
            MaskBytes = Header.Compression == BI_BITFIELDS ? 12 : 16;
            if (InfoStart + HeaderSize + MaskBytes > Bytes.size()) Refuse();
        }
        for (std::size_t Index = 0; Index < 3; ++Index) Header.Masks[Index] = ReadU32(MaskData + 4 * Index);
    }
    Header.TableStart = InfoStart + HeaderSize + MaskBytes;
    if (PixelOffset < Header.TableStart || PixelOffset > Bytes.size()) Refuse();
    Header.PixelOffset = std::size_t(PixelOffset);
    return Header;
}

TBmpHeader ParseFileHeader(std::span<const std::uint8_t> Bytes)
{
    if (Bytes.size() < FileHeaderSize + 4 || Bytes[0] != 'B' || Bytes[1] != 'M') Refuse();
    // A file shorter than its header says was cut off.
    if (ReadU32(Bytes.data() + 2) > Bytes.size()) Refuse();
    return ParseInfoHeader(Bytes, FileHeaderSize, ReadU32(Bytes.data() + 10), Bytes.size());
}

// The colour table of a picture of 8 bits or fewer: the declared number of entries (at most 2^bits are
// used), or as many of 2^bits as fit before the pixels when none is declared. A declared table that
// runs into the pixels is damage.
TPalette ReadColorTable(std::span<const std::uint8_t> Bytes, const TBmpHeader& Header)
{
    const std::size_t EntrySize = Header.Core ? 3 : 4;
    const std::size_t Room = (Header.PixelOffset - Header.TableStart) / EntrySize;
    if (Header.ColorsUsed > Room) Refuse();
    if (Header.BitCount > 8) return {};
    const std::size_t Full = std::size_t(1) << Header.BitCount;
    const std::size_t Count =
        Header.ColorsUsed != 0 ? std::min<std::size_t>(Header.ColorsUsed, Full) : std::min(Full, Room);
    std::vector<TPaletteEntry> Entries(Count);
    const std::uint8_t* Entry = Bytes.data() + Header.TableStart;
    for (auto& Target : Entries) {
        Target = TPaletteEntry{Entry[2], Entry[1], Entry[0], 0}; // stored blue, green, red
        Entry += EntrySize;
    }
    return TPalette(std::move(Entries));
}

// One channel of a bit-field layout.
struct TChannel
{
    int Shift = 0;
    int Bits = 0;
};

TChannel MaskChannel(std::uint32_t Mask, int BitCount)
{
    if (Mask == 0) return {};
    const TChannel Channel{std::countr_zero(Mask), std::popcount(Mask)};
    const bool Contiguous = (Mask >> Channel.Shift) == (std::uint64_t(1) << Channel.Bits) - 1;
    if (!Contiguous || Channel.Shift + Channel.Bits > BitCount) Refuse();
    return Channel;
}

// Where the pixels of an uncompressed picture lie: rows padded to 4 bytes, bottom-up unless top-down;
// the last row may lack its padding.
class TRowSource
{
public:
    TRowSource(std::span<const std::uint8_t> Bytes, const TBmpHeader& Header)
        : FHeader(Header), FRowBytes(BytesPerScanLine(Header.Width, Header.BitCount)),
          FUsedBytes((std::size_t(Header.Width) * std::size_t(Header.BitCount) + 7) / 8),
          FData(Bytes.subspan(Header.PixelOffset))
    {
        if (FData.size() < FUsedBytes || (FData.size() - FUsedBytes) / FRowBytes < std::size_t(Header.Height - 1))
            Refuse();
    }
    // The file's row that becomes bitmap row Y (0 at the top).
    const std::uint8_t* Row(int Y) const
    {
        const int Stored = FHeader.TopDown ? Y : FHeader.Height - 1 - Y;
        return FData.data() + std::size_t(Stored) * FRowBytes;
    }
    std::size_t UsedBytes() const { return FUsedBytes; }

private:
    const TBmpHeader& FHeader;
    std::size_t FRowBytes;
    std::size_t FUsedBytes;
    std::span<const std::uint8_t> FData;
};

void CopyRows(const TRowSource& Source, TBitmap& Result)
{
    for (int Y = 0; Y < Result.Height(); ++Y) std::memcpy(Result.ScanLine(Y), Source.Row(Y), Source.UsedBytes());
}

// 2-bit pictures become 4-bit ones: each 2-bit index moves into a nibble of its own.
void WidenTwoBitRows(const TRowSource& Source, TBitmap& Result)
{
    std::array<std::uint16_t, 256> Spread{};
    for (int Byte = 0; Byte < 256; ++Byte) {
        const int High = ((Byte >> 6) << 4) | ((Byte >> 4) & 3);
        const int Low = (((Byte >> 2) & 3) << 4) | (Byte & 3);
        Spread[std::size_t(Byte)] = std::uint16_t(High | (Low << 8)); // High lands first in memory
    }
    const std::size_t OutBytes = (std::size_t(Result.Width()) + 1) / 2;
    for (int Y = 0; Y < Result.Height(); ++Y) {
        const std::uint8_t* From = Source.Row(Y);
        std::uint8_t* To = Result.ScanLine(Y);
        for (std::size_t Out = 0; Out < OutBytes; Out += 2) {
            const std::uint16_t Pair = Spread[From[Out / 2]];
            To[Out] = std::uint8_t(Pair);
            if (Out + 1 < OutBytes) To[Out + 1] = std::uint8_t(Pair >> 8);
        }
    }
}

void ReadBitFieldRows(const TRowSource& Source, const TBmpHeader& Header, TBitmap& Result)
{
    const int Bits = Header.BitCount;
    std::array<TChannel, 3> Channels;
    for (std::size_t Index = 0; Index < 3; ++Index) Channels[Index] = MaskChannel(Header.Masks[Index], Bits);
    const auto [Red, Green, Blue] = Header.Masks;
    if ((Red & Green) != 0 || (Red & Blue) != 0 || (Green & Blue) != 0) Refuse();

    const bool Representable = std::all_of(Channels.begin(), Channels.end(), [](const TChannel& Channel) {
        return Channel.Bits >= 1 && Channel.Bits <= 8;
    });
    const TBitFields Fields{Red, Green, Blue};
    if (Representable) {
        // The masks of the uncompressed layouts are those layouts themselves.
        const bool Plain = Bits == 16 ? Fields == BitFields555 : Fields == TBitFields{0xFF0000, 0xFF00, 0xFF};
        Result.SetLayoutForOverwrite(Header.Width, Header.Height, Bits, Plain ? std::nullopt : std::optional(Fields));
        CopyRows(Source, Result);
        return;
    }
    // Channels wider than 8 bits, or missing, have no bit-field layout of their own: 24 bits instead.
    Result.SetLayoutForOverwrite(Header.Width, Header.Height, 24);
    const TMaskedReader Reader(Fields);
    for (int Y = 0; Y < Header.Height; ++Y)
        ReadMaskedRow(Source.Row(Y), Bits, Header.Width, Reader, Result.ScanLine(Y));
}

void ReadUncompressed(std::span<const std::uint8_t> Bytes, const TBmpHeader& Header, TBitmap& Result)
{
    const TRowSource Source(Bytes, Header);
    if (Header.Compression != BI_RGB) {
        ReadBitFieldRows(Source, Header, Result);
    } else if (Header.BitCount == 2) {
        Result.SetLayoutForOverwrite(Header.Width, Header.Height, 4);
        WidenTwoBitRows(Source, Result);
    } else {
        Result.SetLayoutForOverwrite(Header.Width, Header.Height, Header.BitCount);
        CopyRows(Source, Result);
    }
}

// Decodes RLE8 or RLE4 codes into an 8- or 4-bit bitmap. Pixels the codes skip (delta, early end of
// line or of bitmap) keep colour 0. Runs past the end of a row or of the picture, and codes cut off
// before the picture is complete, are damage.
class TRleDecoder
{
public:
    TRleDecoder(std::span<const std::uint8_t> Codes, TBitmap& Result) : FCodes(Codes), FResult(Result) {}

    void Decode()
    {
        const bool FourBit = FResult.BitCount() == 4;
        while (true) {
            if (FCodes.size() - FPosition < 2) {
                // A missing end-of-bitmap code is forgiven once every row is written.
                if (FY >= FResult.Height() || (FY == FResult.Height() - 1 && FX == FResult.Width())) return;
                Refuse();
            }
            const int Count = FCodes[FPosition];
            const int Value = FCodes[FPosition + 1];
            FPosition += 2;
            if (Count > 0) {
                std::uint8_t* Row = Span(Count);
                for (int Index = 0; Index < Count; ++Index)
                    Put(Row, FX + Index, FourBit ? (Index % 2 == 0 ? Value >> 4 : Value & 15) : Value);
                FX += Count;
            } else if (Value == 0) {
                FX = 0;
                if (++FY > FResult.Height()) Refuse();
            } else if (Value == 1) {
                return;
            } else if (Value == 2) {
                if (FCodes.size() - FPosition < 2) Refuse();
                FX += FCodes[FPosition];
                FY += FCodes[FPosition + 1];
                FPosition += 2;
                if (FX > FResult.Width() || FY > FResult.Height()) Refuse();
            } else {
                // Absolute mode: Value pixels follow, padded to an even number of bytes.
                const std::size_t DataBytes = FourBit ? std::size_t(Value + 1) / 2 : std::size_t(Value);
                const std::size_t Padded = (DataBytes + 1) & ~std::size_t(1);
                if (FCodes.size() - FPosition < DataBytes) Refuse();
                std::uint8_t* Row = Span(Value);
                const std::uint8_t* Data = FCodes.data() + FPosition;
                for (int Index = 0; Index < Value; ++Index)
                    Put(Row, FX + Index,
                        FourBit ? (Index % 2 == 0 ? Data[Index / 2] >> 4 : Data[Index / 2] & 15) : Data[Index]);
                FX += Value;
                FPosition += std::min(Padded, FCodes.size() - FPosition);
            }
        }
    }

private:
    // The bitmap row of the current line (lines count from the bottom), checked to hold Count more pixels.
    std::uint8_t* Span(int Count)
    {
        if (FY >= FResult.Height() || FX + Count > FResult.Width()) Refuse();
        return FResult.ScanLine(FResult.Height() - 1 - FY);
    }
    void Put(std::uint8_t* Row, int X, int Index)
    {
        if (FResult.BitCount() == 8) {
            Row[X] = std::uint8_t(Index);
        } else if (X % 2 == 0) {
            Row[X / 2] = std::uint8_t((Row[X / 2] & 0x0F) | (Index << 4));
        } else {
            Row[X / 2] = std::uint8_t((Row[X / 2] & 0xF0) | Index);
        }
    }

    std::span<const std::uint8_t> FCodes;
    TBitmap& FResult;
    std::size_t FPosition = 0;
    int FX = 0;
    int FY = 0;
};

void ReadRle(std::span<const std::uint8_t> Bytes, const TBmpHeader& Header, TBitmap& Result)
{
    auto Codes = Bytes.subspan(Header.PixelOffset);
    if (Header.SizeImage != 0 && Header.SizeImage < Codes.size()) Codes = Codes.first(Header.SizeImage);
    const std::uint64_t Pixels = std::uint64_t(Header.Width) * std::uint64_t(Header.Height);
    if (Pixels > MaxRlePixelsPerByte * Codes.size() + RlePixelSlack) Refuse();
    Result.SetLayout(Header.Width, Header.Height, Header.BitCount);
    TRleDecoder(Codes, Result).Decode();
}

// A palette index beyond a short colour table is damage.
void CheckIndices(const TBitmap& Result)
{
    const int Bits = Result.BitCount();
    const int Count = Result.ColorTable().Count();
    if (Bits > 8 || Count >= (1 << Bits)) return;
    const int PerByte = 8 / Bits;
    const int Mask = (1 << Bits) - 1;
    for (int Y = 0; Y < Result.Height(); ++Y) {
        const std::uint8_t* Row = Result.ScanLine(Y);
        for (int X = 0; X < Result.Width(); ++X) {
            const int Shift = 8 - Bits * (X % PerByte + 1);
            if (((Row[X / PerByte] >> Shift) & Mask) >= Count) Refuse();
        }
    }
}

// Target := the picture whose header Header describes in Bytes.
void ReadPicture(std::span<const std::uint8_t> Bytes, const TBmpHeader& Header, TBitmap& Target)
{
    TPalette Palette = ReadColorTable(Bytes, Header);
    TBitmap Result;
    if (Header.Compression == BI_RLE8 || Header.Compression == BI_RLE4)
        ReadRle(Bytes, Header, Result);
    else
        ReadUncompressed(Bytes, Header, Result);
    if (Result.BitCount() <= 8) {
        Result.SetPalette(std::move(Palette));
        CheckIndices(Result);
    }
    Target = std::move(Result);
}

} // namespace

void ReadBmp(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    ReadPicture(Bytes, ParseFileHeader(Bytes), Target);
}

void ReadDib(std::span<const std::uint8_t> Dib, std::uint64_t RowsOffset, TBitmap& Target)
{
    // Checked as the BMP file of the DIB would be, whose file header the DIB lacks.
    ReadPicture(Dib, ParseInfoHeader(Dib, 0, RowsOffset, Dib.size() + FileHeaderSize), Target);
}
