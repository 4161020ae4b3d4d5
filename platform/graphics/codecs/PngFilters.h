#pragma once
// The row filters of PNG files, shared by the encoder and the decoder.

#include <cstdint>
#include <cstdlib>

// The type byte in front of each filtered row.
enum TPngFilter : std::uint8_t
{
    ftNone,
    ftSub,
    ftUp,
    ftAverage,
    ftPaeth
};

// Of the left (A), upper (B) and upper-left (C) neighbours, the one nearest to A + B - C; ties go to A,
// then to B.
inline std::uint8_t PaethPredictor(int A, int B, int C)
{
    const int ToA = std::abs(B - C);
    const int ToB = std::abs(A - C);
    const int ToC = std::abs(A + B - 2 * C);
    return std::uint8_t(ToA <= ToB && ToA <= ToC ? A : ToB <= ToC ? B : C);
}
