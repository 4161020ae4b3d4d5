#pragma once
// The packed colour of the colour reduction: red × 65536 + green × 256 + blue; bits 24 to 31 carry
// nothing and every reader ignores them.

#include <cstdint>

using TPackedColor = std::uint32_t;

// The packed colour of a 3-byte pixel stored blue, green, red.
constexpr TPackedColor PackPixel(const std::uint8_t* Pixel)
{
    return TPackedColor(Pixel[2]) << 16 | TPackedColor(Pixel[1]) << 8 | TPackedColor(Pixel[0]);
}
constexpr int RedOf(TPackedColor Color)
{
    return int((Color >> 16) & 0xFF);
}
constexpr int GreenOf(TPackedColor Color)
{
    return int((Color >> 8) & 0xFF);
}
constexpr int BlueOf(TPackedColor Color)
{
    return int(Color & 0xFF);
}
