#include "platform/graphics/codecs/FileSignature.h"

#include "platform/graphics/codecs/GifCodec.h"
#include "platform/graphics/codecs/HeifCodec.h"
#include "platform/graphics/codecs/TiffCodec.h"
#include "platform/graphics/codecs/WebPCodec.h"
#include "platform/graphics/emf/WmfConvert.h"

#include <cstring>

namespace {

bool StartsWith(std::span<const std::uint8_t> Bytes, std::span<const std::uint8_t> Signature, std::size_t At = 0)
{
    return Bytes.size() >= At + Signature.size() &&
           std::memcmp(Bytes.data() + At, Signature.data(), Signature.size()) == 0;
}

std::uint32_t Little32(const std::uint8_t* P)
{
    return std::uint32_t(P[0]) | std::uint32_t(P[1]) << 8 | std::uint32_t(P[2]) << 16 | std::uint32_t(P[3]) << 24;
}

// An icon directory: reserved 0, type 1, at least one entry.
bool IsIcon(std::span<const std::uint8_t> Bytes)
{
    return Bytes.size() >= 6 && Bytes[0] == 0 && Bytes[1] == 0 && Bytes[2] == 1 && Bytes[3] == 0 &&
           (Bytes[4] != 0 || Bytes[5] != 0);
}

// An enhanced metafile begins with its header record (type 1) holding the signature " EMF" at offset 40.
bool IsEmf(std::span<const std::uint8_t> Bytes)
{
    return Bytes.size() >= 44 && Little32(Bytes.data()) == 1 && Little32(Bytes.data() + 40) == 0x464D4520;
}

} // namespace

std::string FormatOfContent(std::span<const std::uint8_t> Bytes)
{
    static constexpr std::uint8_t Bmp[] = {'B', 'M'};
    static constexpr std::uint8_t Jpeg[] = {0xFF, 0xD8, 0xFF};
    static constexpr std::uint8_t Png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (StartsWith(Bytes, Jpeg)) return "jpg";
    if (StartsWith(Bytes, Png)) return "png";
    if (StartsWith(Bytes, Bmp)) return "bmp";
    if (IsWebP(Bytes)) return "webp";
    if (IsTiff(Bytes)) return "tif";
    if (IsGif(Bytes)) return "gif";
    if (IsHeif(Bytes)) return IsAvif(Bytes) ? "avif" : "heic";
    if (IsEmf(Bytes)) return "emf";
    if (IsWmf(Bytes)) return "wmf";
    if (IsIcon(Bytes)) return "ico";
    return "";
}
