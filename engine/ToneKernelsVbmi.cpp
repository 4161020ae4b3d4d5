// The 192 bytes of 64 pixels are split into one register of blues, one of greens and one of reds, worked
// on, and interleaved again, all by byte permutations.

#include "engine/ToneKernelsVbmi.h"

#include "engine/LevelTableVbmi.h"

#include <array>

namespace {

// The all-lane forms of some of these intrinsics start from an undefined register, which the compiler
// then reports as maybe uninitialised; their zero-masked forms with every lane selected are the same
// instructions.

using TIndices = std::array<std::uint8_t, 64>;

// Byte indices and lane masks of the permutations, built once.
struct TShuffles
{
    // Channel C of pixel K lies at byte 3 K + C of the 192; its index within the first two registers, or
    // within the third where FromThird[C] has bit K.
    std::array<TIndices, 3> Split;
    std::array<std::uint64_t, 3> FromThird;
    // Byte J of output register V belongs to pixel (64 V + J) div 3: its index in one register of 64
    // pixels, and for a green byte its index in the second of two registers.
    std::array<TIndices, 3> Spread;
    std::array<TIndices, 3> BlueOrGreen;
    // The red bytes of output register V.
    std::array<std::uint64_t, 3> RedBytes;
};

const TShuffles& Shuffles()
{
    static const TShuffles Result = [] {
        TShuffles S{};
        for (std::size_t Channel = 0; Channel < 3; ++Channel)
            for (std::size_t K = 0; K < 64; ++K) {
                const std::size_t Byte = 3 * K + Channel;
                S.Split[Channel][K] = std::uint8_t(Byte % 128);
                if (Byte >= 128) S.FromThird[Channel] |= 1ull << K;
            }
        for (std::size_t V = 0; V < 3; ++V)
            for (std::size_t J = 0; J < 64; ++J) {
                const std::size_t Byte = 64 * V + J;
                const std::size_t Pixel = Byte / 3;
                S.Spread[V][J] = std::uint8_t(Pixel);
                S.BlueOrGreen[V][J] = std::uint8_t(Byte % 3 == 1 ? 64 + Pixel : Pixel);
                if (Byte % 3 == 2) S.RedBytes[V] |= 1ull << J;
            }
        return S;
    }();
    return Result;
}

PIXORA_VBMI inline __m512i Load(const TIndices& Indices)
{
    return _mm512_loadu_si512(Indices.data());
}

// Channel of the 64 pixels in A, B, C.
PIXORA_VBMI inline __m512i Channel(const TShuffles& S, std::size_t Index, __m512i A, __m512i B, __m512i C)
{
    const __m512i Indices = Load(S.Split[Index]);
    return _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(A, Indices, B), S.FromThird[Index], Indices, C);
}

// The grey Y of 64 pixels at Bytes.
PIXORA_VBMI inline __m512i Grey(const TShuffles& S, const std::uint8_t* Bytes, const TVbmiTable& Blue,
                                const TVbmiTable& Green, const TVbmiTable& Red)
{
    const __m512i A = _mm512_loadu_si512(Bytes);
    const __m512i B = _mm512_loadu_si512(Bytes + 64);
    const __m512i C = _mm512_loadu_si512(Bytes + 128);
    // The three weights add up to at most 254, so byte sums do not wrap.
    return _mm512_add_epi8(_mm512_add_epi8(LookUp(Blue, Channel(S, 0, A, B, C)), LookUp(Green, Channel(S, 1, A, B, C))),
                           LookUp(Red, Channel(S, 2, A, B, C)));
}

// Every channel of the 64 pixels at Bytes becomes Levels' entry for its pixel.
PIXORA_VBMI inline void StoreInEveryChannel(const TShuffles& S, std::uint8_t* Bytes, __m512i Levels)
{
    for (std::size_t V = 0; V < 3; ++V)
        _mm512_storeu_si512(Bytes + 64 * V, _mm512_maskz_permutexvar_epi8(~0ull, Load(S.Spread[V]), Levels));
}

} // namespace

PIXORA_VBMI std::size_t GrayScaleBlocks(std::uint8_t* Row, std::size_t Pixels, const TGrayTables& Gray)
{
    const TShuffles& S = Shuffles();
    const TVbmiTable Blue = LoadVbmiTable(Gray.Blue), Green = LoadVbmiTable(Gray.Green), Red = LoadVbmiTable(Gray.Red);
    const std::size_t Done = Pixels / 64 * 64;
    for (std::uint8_t* Bytes = Row; Bytes < Row + 3 * Done; Bytes += 192)
        StoreInEveryChannel(S, Bytes, Grey(S, Bytes, Blue, Green, Red));
    return Done;
}

PIXORA_VBMI std::size_t SepiaBlocks(std::uint8_t* Row, std::size_t Pixels, const TGrayTables& Gray,
                                    const TLevelTable& SepiaBlue, const TLevelTable& SepiaGreen)
{
    const TShuffles& S = Shuffles();
    const TVbmiTable Blue = LoadVbmiTable(Gray.Blue), Green = LoadVbmiTable(Gray.Green), Red = LoadVbmiTable(Gray.Red);
    const TVbmiTable ToBlue = LoadVbmiTable(SepiaBlue), ToGreen = LoadVbmiTable(SepiaGreen);
    const std::size_t Done = Pixels / 64 * 64;
    for (std::uint8_t* Bytes = Row; Bytes < Row + 3 * Done; Bytes += 192) {
        const __m512i Y = Grey(S, Bytes, Blue, Green, Red);
        const __m512i NewBlue = LookUp(ToBlue, Y);
        const __m512i NewGreen = LookUp(ToGreen, Y);
        for (std::size_t V = 0; V < 3; ++V) {
            const __m512i BlueGreen = _mm512_permutex2var_epi8(NewBlue, Load(S.BlueOrGreen[V]), NewGreen);
            _mm512_storeu_si512(Bytes + 64 * V,
                                _mm512_mask_permutexvar_epi8(BlueGreen, S.RedBytes[V], Load(S.Spread[V]), Y));
        }
    }
    return Done;
}

PIXORA_VBMI std::size_t BlackAndWhiteBlocks(std::uint8_t* Row, std::size_t Pixels, int Threshold)
{
    const TShuffles& S = Shuffles();
    const __m512i Least = _mm512_set1_epi16(short(3 * Threshold));
    const std::size_t Done = Pixels / 64 * 64;
    for (std::uint8_t* Bytes = Row; Bytes < Row + 3 * Done; Bytes += 192) {
        const __m512i A = _mm512_loadu_si512(Bytes);
        const __m512i B = _mm512_loadu_si512(Bytes + 64);
        const __m512i C = _mm512_loadu_si512(Bytes + 128);
        const __m512i Channels[3] = {Channel(S, 0, A, B, C), Channel(S, 1, A, B, C), Channel(S, 2, A, B, C)};
        // The channel sums of pixels 0..31 and 32..63 in 16 bits each.
        __m512i Sums[2] = {_mm512_setzero_si512(), _mm512_setzero_si512()};
        for (const __m512i& Levels : Channels) {
            Sums[0] = _mm512_add_epi16(
                Sums[0], _mm512_maskz_cvtepu8_epi16(~0u, _mm512_maskz_extracti64x4_epi64(0xF, Levels, 0)));
            Sums[1] = _mm512_add_epi16(
                Sums[1], _mm512_maskz_cvtepu8_epi16(~0u, _mm512_maskz_extracti64x4_epi64(0xF, Levels, 1)));
        }
        const __mmask64 White = __mmask64(_mm512_cmpge_epu16_mask(Sums[0], Least)) |
                                __mmask64(_mm512_cmpge_epu16_mask(Sums[1], Least)) << 32;
        StoreInEveryChannel(S, Bytes, _mm512_movm_epi8(White));
    }
    return Done;
}
