#include "platform/graphics/codecs/PngCodec.h"

#include "platform/graphics/Bitmap.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cstring>

namespace {

constexpr std::uint64_t MaxPngPixels = std::uint64_t(1) << 26;

std::uint32_t BigEndian32(const std::uint8_t* P)
{
    return std::uint32_t(P[0]) << 24 | std::uint32_t(P[1]) << 16 | std::uint32_t(P[2]) << 8 | P[3];
}

// Every chunk up to IEND lies inside Bytes. libpng would otherwise skip a chunk claiming a gigabyte by
// reading (and clearing buffers for) all of it before noticing that the data ended long before.
bool ChunksFit(std::span<const std::uint8_t> Bytes)
{
    std::size_t At = 8;
    while (Bytes.size() - At >= 12) {
        const std::uint32_t Length = BigEndian32(Bytes.data() + At);
        if (Length > Bytes.size() - At - 12) return false;
        if (std::memcmp(Bytes.data() + At + 4, "IEND", 4) == 0) return true;
        At += 12 + std::size_t(Length);
    }
    return false;
}

} // namespace

std::optional<TPngSize> ReadPngSize(std::span<const std::uint8_t> Bytes)
{
    static constexpr std::uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Signature, then the IHDR chunk: length 13, type, width, height.
    if (Bytes.size() < 24 || std::memcmp(Bytes.data(), Signature, 8) != 0 || std::memcmp(Bytes.data() + 12, "IHDR", 4))
        return std::nullopt;
    const std::uint32_t Width = BigEndian32(Bytes.data() + 16);
    const std::uint32_t Height = BigEndian32(Bytes.data() + 20);
    if (Width == 0 || Height == 0 || Width > 0x7FFFFFFF || Height > 0x7FFFFFFF) return std::nullopt;
    return TPngSize{int(Width), int(Height)};
}

bool ReadPng(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    const auto Size = ReadPngSize(Bytes);
    if (!Size || std::uint64_t(Size->Width) * std::uint64_t(Size->Height) > MaxPngPixels) return false;
    if (!ChunksFit(Bytes)) return false;
    QImage Image;
    if (!Image.loadFromData(Bytes.data(), int(Bytes.size()), "PNG") || Image.isNull()) return false;
    // Qt's ARGB32 and BGR888 hold their bytes in the order of a 32-bit and a 24-bit DIB row.
    const bool Alpha = Image.hasAlphaChannel();
    Image.convertTo(Alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    const int BytesPerRow = Image.width() * (Alpha ? 4 : 3);
    TBitmap Decoded;
    Decoded.SetLayout(Image.width(), Image.height(), Alpha ? 32 : 24);
    for (int Y = 0; Y < Image.height(); ++Y)
        std::memcpy(Decoded.ScanLine(Y), Image.constScanLine(Y), std::size_t(BytesPerRow));
    Target = std::move(Decoded);
    return true;
}

void WritePng(const TBitmap& Source, std::vector<std::uint8_t>& Bytes)
{
    TBitmap Converted;
    const TBitmap* Pixels = &Source;
    const bool Alpha = Source.BitCount() == 32 && !Source.HasBitFields();
    if (!Alpha && Source.BitCount() != 24) {
        Converted = Source;
        Converted.SetPixelFormat(pf24bit);
        Pixels = &Converted;
    }
    QImage Image(Pixels->Width(), Pixels->Height(), Alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    const std::size_t BytesPerRow = std::size_t(Pixels->Width()) * (Alpha ? 4 : 3);
    for (int Y = 0; Y < Pixels->Height(); ++Y) std::memcpy(Image.scanLine(Y), Pixels->ScanLine(Y), BytesPerRow);
    QByteArray Encoded;
    QBuffer Buffer(&Encoded);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "PNG");
    Bytes.insert(Bytes.end(), Encoded.begin(), Encoded.end());
}
