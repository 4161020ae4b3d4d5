#pragma once
// Arithmetic on 8-bit levels shared by the picture layer, the engine and the colour reduction.

#include <cmath>
#include <cstdint>

// Value limited to the level range 0..255; wide, so sums and products of levels clamp without overflow.
constexpr int ClampByte(std::int64_t Value)
{
    return int(Value < 0 ? 0 : (Value > 255 ? 255 : Value));
}

// Nearest integer, halves to the even neighbour (the default rounding mode, unlike std::round).
inline int RoundHalfEven(long double Value)
{
    return int(std::nearbyint(Value));
}
