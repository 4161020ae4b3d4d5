#pragma once
// The row filters of PNG files, shared by the encoder and the decoder.

#include <emmintrin.h>

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

// The same on eight 16-bit lanes at once.
inline __m128i Abs16(__m128i V)
{
    return _mm_max_epi16(V, _mm_sub_epi16(_mm_setzero_si128(), V));
}

// Masks of the 16-bit lanes where the Paeth predictor is not A, and where it is C rather than B.
inline void PaethChoice(__m128i A, __m128i B, __m128i C, __m128i& NotA, __m128i& NotB)
{
    const __m128i FromC = _mm_sub_epi16(B, C);
    const __m128i ToA = Abs16(FromC);
    const __m128i ToB = Abs16(_mm_sub_epi16(A, C));
    const __m128i ToC = Abs16(_mm_add_epi16(FromC, _mm_sub_epi16(A, C)));
    NotA = _mm_or_si128(_mm_cmpgt_epi16(ToA, ToB), _mm_cmpgt_epi16(ToA, ToC));
    NotB = _mm_cmpgt_epi16(ToB, ToC);
}

inline __m128i Select(__m128i Mask, __m128i IfSet, __m128i IfClear)
{
    return _mm_or_si128(_mm_and_si128(Mask, IfSet), _mm_andnot_si128(Mask, IfClear));
}
