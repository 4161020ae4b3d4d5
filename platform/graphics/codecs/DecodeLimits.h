#pragma once
// The largest picture a decoder accepts, checked against the sizes a file declares before any pixel
// memory is allocated, so a small hostile file cannot claim gigabytes.

#include <cstdint>

// 2^26 pixels: 64 megapixels, 256 MiB at 32 bits a pixel.
inline constexpr std::uint64_t MaxDecodedPixels = std::uint64_t(1) << 26;

inline bool DecodableSize(std::uint64_t Width, std::uint64_t Height)
{
    return Width > 0 && Height > 0 && Width <= MaxDecodedPixels && Height <= MaxDecodedPixels &&
           Width * Height <= MaxDecodedPixels;
}
