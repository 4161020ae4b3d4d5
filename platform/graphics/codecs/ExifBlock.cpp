#include "platform/graphics/codecs/ExifBlock.h"

#include "platform/graphics/codecs/HeifCodec.h"
#include "platform/graphics/codecs/TiffStructure.h"
#include "platform/graphics/codecs/WebPCodec.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr std::uint8_t ExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::size_t MaxSegmentPayload = 65535 - 2;

constexpr std::uint16_t ImageWidthTag = 0x0100;
constexpr std::uint16_t ImageLengthTag = 0x0101;
constexpr std::uint16_t OrientationTag = 0x0112;
constexpr std::uint16_t ExifDirectoryTag = 0x8769;
constexpr std::uint16_t PixelXDimensionTag = 0xA002;
constexpr std::uint16_t PixelYDimensionTag = 0xA003;
constexpr std::uint16_t ShortType = 3;
constexpr std::uint16_t LongType = 4;
constexpr std::uint16_t DirectoryType = 13;

std::size_t SegmentLength(std::span<const std::uint8_t> Jpeg, std::size_t At)
{
    return std::size_t(Jpeg[At]) << 8 | Jpeg[At + 1];
}

// Where the marker segments before the image data start, each as (marker, offset of its length field);
// stops at the start of scan, the end of image or the first byte that breaks the structure.
template <typename TVisit> void ForEachSegment(std::span<const std::uint8_t> Jpeg, TVisit Visit)
{
    if (Jpeg.size() < 4 || Jpeg[0] != 0xFF || Jpeg[1] != 0xD8) return;
    std::size_t At = 2;
    while (At + 4 <= Jpeg.size() && Jpeg[At] == 0xFF) {
        const std::uint8_t Marker = Jpeg[At + 1];
        if (Marker == 0xFF) { // fill byte
            ++At;
            continue;
        }
        if (Marker == 0xDA || Marker == 0xD9) return;
        const std::size_t Length = SegmentLength(Jpeg, At + 2);
        if (Length < 2 || Length > Jpeg.size() - At - 2) return;
        if (!Visit(Marker, At + 2)) return;
        At += 2 + Length;
    }
}

// Writes Value in place of a SHORT or LONG of count 1 in the directory entry at Entry; a SHORT keeps its
// value where Value does not fit.
void SetNumber(std::span<std::uint8_t> Tiff, const TTiffReader& Reader, std::size_t Entry, std::uint32_t Value)
{
    const std::uint16_t Type = Reader.U16(Entry + 2);
    if (Reader.U32(Entry + 4) != 1 || (Type != ShortType && Type != LongType)) return;
    if (Type == ShortType && Value > 0xFFFF) return;
    const int Bytes = Type == ShortType ? 2 : 4;
    for (int Index = 0; Index < Bytes; ++Index) {
        // A value of count 1 sits left-justified in the entry's four-byte value field.
        const int Shift = Reader.BigEndian() ? 8 * (Bytes - 1 - Index) : 8 * Index;
        Tiff[Entry + 8 + std::size_t(Index)] = std::uint8_t(Value >> Shift);
    }
}

// Calls Visit(tag, entry offset) for every entry of the directory at Directory; false when the directory
// lies outside Tiff.
template <typename TVisit> bool ForEachEntry(const TTiffReader& Reader, std::size_t Directory, TVisit Visit)
{
    if (!Reader.Fits(Directory, 2)) return false;
    const std::size_t Count = Reader.U16(Directory);
    if (!Reader.Fits(Directory + 2, Count * 12)) return false;
    for (std::size_t Index = 0; Index < Count; ++Index) {
        const std::size_t Entry = Directory + 2 + Index * 12;
        Visit(Reader.U16(Entry), Entry);
    }
    return true;
}

// The payload of the first APP1 segment holding an EXIF block before the image data of JPEG file bytes.
std::vector<std::uint8_t> JpegExifBlock(std::span<const std::uint8_t> Jpeg)
{
    std::vector<std::uint8_t> Payload;
    ForEachSegment(Jpeg, [&](std::uint8_t Marker, std::size_t LengthAt) {
        const auto Data = Jpeg.subspan(LengthAt + 2, SegmentLength(Jpeg, LengthAt) - 2);
        if (Marker != 0xE1 || Data.size() < sizeof ExifSignature ||
            std::memcmp(Data.data(), ExifSignature, sizeof ExifSignature) != 0)
            return true;
        Payload.assign(Data.begin(), Data.end());
        return false;
    });
    return Payload;
}

} // namespace

std::vector<std::uint8_t> FindExifBlock(std::span<const std::uint8_t> File)
{
    if (IsWebP(File)) return WebPExifBlock(File);
    if (IsHeif(File)) return HeifExifBlock(File);
    return JpegExifBlock(File);
}

std::vector<std::uint8_t> ExifBlockOf(std::span<const std::uint8_t> Data)
{
    const bool HasSignature =
        Data.size() >= sizeof ExifSignature && std::memcmp(Data.data(), ExifSignature, sizeof ExifSignature) == 0;
    // Sized once and filled by copies: appending to a vector that may hold the signature makes GCC's -O3
    // see a read from an empty region that never happens (-Wstringop-overread).
    const std::size_t Prefix = HasSignature ? 0 : sizeof ExifSignature;
    std::vector<std::uint8_t> Block(Prefix + Data.size());
    std::copy_n(ExifSignature, Prefix, Block.begin());
    std::copy(Data.begin(), Data.end(), Block.begin() + std::ptrdiff_t(Prefix));
    return Block;
}

std::vector<std::uint8_t> ExifForSavedPicture(std::span<const std::uint8_t> Payload, int Width, int Height)
{
    if (Payload.size() < sizeof ExifSignature + 8 ||
        std::memcmp(Payload.data(), ExifSignature, sizeof ExifSignature) != 0)
        return {};
    std::vector<std::uint8_t> Result(Payload.begin(), Payload.end());
    const std::span<std::uint8_t> Tiff = std::span(Result).subspan(sizeof ExifSignature);
    if (!(Tiff[0] == 'M' && Tiff[1] == 'M') && !(Tiff[0] == 'I' && Tiff[1] == 'I')) return {};
    const TTiffReader Reader(Tiff, Tiff[0] == 'M');
    if (Reader.U16(2) != 42) return {};
    std::optional<std::size_t> ExifDirectory;
    const bool Read = ForEachEntry(Reader, Reader.U32(4), [&](std::uint16_t Tag, std::size_t Entry) {
        if (Tag == OrientationTag) SetNumber(Tiff, Reader, Entry, 1);
        if (Tag == ImageWidthTag) SetNumber(Tiff, Reader, Entry, std::uint32_t(Width));
        if (Tag == ImageLengthTag) SetNumber(Tiff, Reader, Entry, std::uint32_t(Height));
        if (Tag == ExifDirectoryTag && (Reader.U16(Entry + 2) == LongType || Reader.U16(Entry + 2) == DirectoryType))
            ExifDirectory = Reader.U32(Entry + 8);
    });
    if (!Read) return {};
    if (ExifDirectory)
        ForEachEntry(Reader, *ExifDirectory, [&](std::uint16_t Tag, std::size_t Entry) {
            if (Tag == PixelXDimensionTag) SetNumber(Tiff, Reader, Entry, std::uint32_t(Width));
            if (Tag == PixelYDimensionTag) SetNumber(Tiff, Reader, Entry, std::uint32_t(Height));
        });
    return Result;
}

void InsertExifBlock(std::vector<std::uint8_t>& Jpeg, std::span<const std::uint8_t> Payload)
{
    if (Payload.empty() || Payload.size() > MaxSegmentPayload || Jpeg.size() < 2 || Jpeg[0] != 0xFF || Jpeg[1] != 0xD8)
        return;
    std::size_t At = 2;
    ForEachSegment(Jpeg, [&](std::uint8_t Marker, std::size_t LengthAt) {
        if (Marker == 0xE0) At = LengthAt + SegmentLength(Jpeg, LengthAt);
        return false;
    });
    const std::size_t Length = Payload.size() + 2;
    std::vector<std::uint8_t> Segment = {0xFF, 0xE1, std::uint8_t(Length >> 8), std::uint8_t(Length)};
    Segment.insert(Segment.end(), Payload.begin(), Payload.end());
    Jpeg.insert(Jpeg.begin() + std::ptrdiff_t(At), Segment.begin(), Segment.end());
}
