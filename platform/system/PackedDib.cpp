#include "platform/system/PackedDib.h"

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t CoreHeaderSize = 12;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t BitFieldsCompression = 3;
constexpr std::uint32_t AlphaBitFieldsCompression = 6;

std::uint32_t ReadLittle(std::span<const std::uint8_t> Bytes, std::size_t Offset, int Size)
{
    std::uint32_t Value = 0;
    for (int Index = Size - 1; Index >= 0; --Index) Value = Value << 8 | Bytes[Offset + std::size_t(Index)];
    return Value;
}

void AppendLittle(std::vector<std::uint8_t>& Bytes, std::uint32_t Value, int Size)
{
    for (int Index = 0; Index < Size; ++Index) Bytes.push_back(std::uint8_t(Value >> (8 * Index)));
}

} // namespace

std::uint64_t PackedDibRowsOffset(std::span<const std::uint8_t> Dib)
{
    if (Dib.size() < 4) return Dib.size() + 1;
    const std::uint32_t HeaderSize = ReadLittle(Dib, 0, 4);
    if (HeaderSize == CoreHeaderSize) {
        if (Dib.size() < CoreHeaderSize) return Dib.size() + 1;
        const std::uint32_t BitCount = ReadLittle(Dib, 10, 2);
        return CoreHeaderSize + (BitCount <= 8 ? 3u << BitCount : 0u);
    }
    if (HeaderSize < InfoHeaderSize || Dib.size() < InfoHeaderSize) return Dib.size() + 1;
    const std::uint32_t BitCount = ReadLittle(Dib, 14, 2);
    const std::uint32_t Compression = ReadLittle(Dib, 16, 4);
    const std::uint32_t ColorsUsed = ReadLittle(Dib, 32, 4);
    std::uint64_t Masks = 0;
    if (HeaderSize == InfoHeaderSize && Compression == BitFieldsCompression) Masks = 12;
    if (HeaderSize == InfoHeaderSize && Compression == AlphaBitFieldsCompression) Masks = 16;
    const std::uint64_t Colors = ColorsUsed != 0 ? ColorsUsed : (BitCount <= 8 ? 1u << BitCount : 0u);
    return std::uint64_t(HeaderSize) + Masks + 4 * Colors;
}

std::vector<std::uint8_t> BmpFileOfPackedDib(std::span<const std::uint8_t> Dib)
{
    const std::uint64_t Offset = FileHeaderSize + PackedDibRowsOffset(Dib);
    std::vector<std::uint8_t> File;
    File.reserve(FileHeaderSize + Dib.size());
    File.push_back('B');
    File.push_back('M');
    AppendLittle(File, std::uint32_t(FileHeaderSize + Dib.size()), 4);
    AppendLittle(File, 0, 4);
    AppendLittle(File, Offset > UINT32_MAX ? UINT32_MAX : std::uint32_t(Offset), 4);
    File.insert(File.end(), Dib.begin(), Dib.end());
    return File;
}

std::optional<std::vector<std::uint8_t>> PackedDibOfBmpFile(std::span<const std::uint8_t> File)
{
    if (File.size() <= FileHeaderSize || File[0] != 'B' || File[1] != 'M') return std::nullopt;
    return std::vector<std::uint8_t>(File.begin() + FileHeaderSize, File.end());
}
