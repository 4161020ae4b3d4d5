#pragma once
// Arithmetic on 8-bit levels shared by the engine and the colour reduction.

#include <cstdint>

// Value limited to the level range 0..255.
constexpr int ClampByte(int Value)
{
    return Value < 0 ? 0 : (Value > 255 ? 255 : Value);
}
