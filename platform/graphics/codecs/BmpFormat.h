#pragma once
// Constants and little-endian access of the BMP file layout, shared by its reader and writer.

#include <cstddef>
#include <cstdint>

namespace Bmp {

inline constexpr std::size_t FileHeaderSize = 14;   // BITMAPFILEHEADER
inline constexpr std::uint32_t CoreHeaderSize = 12; // BITMAPCOREHEADER (OS/2 1.x)
inline constexpr std::uint32_t InfoHeaderSize = 40; // BITMAPINFOHEADER
inline constexpr std::uint32_t V2HeaderSize = 52;   // with the red, green and blue masks
inline constexpr std::uint32_t V3HeaderSize = 56;   // with the alpha mask too
inline constexpr std::uint32_t V4HeaderSize = 108;
inline constexpr std::uint32_t V5HeaderSize = 124;
inline constexpr std::uint32_t Os2V2MinHeaderSize = 16; // OS/2 2.x headers may stop after any field
inline constexpr std::uint32_t Os2V2MaxHeaderSize = 64;

inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;
inline constexpr std::uint32_t BI_ALPHABITFIELDS = 6;

inline std::uint16_t ReadU16(const std::uint8_t* Bytes)
{
    return std::uint16_t(Bytes[0] | (Bytes[1] << 8));
}
inline std::uint32_t ReadU32(const std::uint8_t* Bytes)
{
    return std::uint32_t(Bytes[0]) | (std::uint32_t(Bytes[1]) << 8) | (std::uint32_t(Bytes[2]) << 16) |
           (std::uint32_t(Bytes[3]) << 24);
}

} // namespace Bmp
