#include "engine/PixelBlocks.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

namespace {

// Eight pixels from From, one in each 32-bit lane. Three-byte pixels are read as two overlapping 16-byte
// halves, so that nothing past the 24 bytes is read.
template <int Size> __attribute__((target("avx2"))) inline __m256i LoadEight(const std::uint8_t* From)
{
    if constexpr (Size == 4) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(From));
    } else {
        const __m128i Low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From));
        const __m128i High = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From + 8));
        const __m256i Spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 4, 5, 6, -1, 7, 8,
                                                9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
        return _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(Low), High, 1), Spread);
    }
}

// Writes the eight pixels of the lanes to To, exactly 8 × Size bytes.
template <int Size> __attribute__((target("avx2"))) inline void StoreEight(std::uint8_t* To, __m256i Pixels)
{
    if constexpr (Size == 4) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(To), Pixels);
    } else {
        const __m256i Pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6,
                                              8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
        const __m256i Packed =
            _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Pixels, Pack), _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(To), _mm256_castsi256_si128(Packed));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(To + 16), _mm256_extracti128_si256(Packed, 1));
    }
}

// R[K][J] := R[J][K] for 8 × 8 32-bit lanes.
__attribute__((target("avx2"))) inline void Transpose(__m256i R[8])
{
    __m256i T[8];
    for (int K = 0; K < 8; K += 2) {
        T[K] = _mm256_unpacklo_epi32(R[K], R[K + 1]);
        T[K + 1] = _mm256_unpackhi_epi32(R[K], R[K + 1]);
    }
    __m256i U[8];
    for (int K = 0; K < 8; K += 4) {
        U[K] = _mm256_unpacklo_epi64(T[K], T[K + 2]);
        U[K + 1] = _mm256_unpackhi_epi64(T[K], T[K + 2]);
        U[K + 2] = _mm256_unpacklo_epi64(T[K + 1], T[K + 3]);
        U[K + 3] = _mm256_unpackhi_epi64(T[K + 1], T[K + 3]);
    }
    for (int K = 0; K < 4; ++K) {
        R[K] = _mm256_permute2x128_si256(U[K], U[K + 4], 0x20);
        R[K + 4] = _mm256_permute2x128_si256(U[K], U[K + 4], 0x31);
    }
}

// Bands of BandRows target rows: a block reads whole lines of its eight source rows one after another,
// while the target lines it writes into, one a row, stay in cache until the next blocks across fill them.
template <int Size>
__attribute__((target("avx2"))) void TurnTiles(const TConstRowAddresses& ColumnRows, const TRowAddresses& Target,
                                               int SourceWidth, bool Clockwise, int TargetRows, int TargetColumns)
{
    constexpr int BandRows = 128;
    for (int Band = 0; Band < TargetRows; Band += BandRows) {
        const int End = std::min(Band + BandRows, TargetRows);
        for (int X0 = 0; X0 < TargetColumns; X0 += 8)
            for (int Y0 = Band; Y0 < End; Y0 += 8) {
                // Lane J holds source column First + J, which is target row Y0 + J clockwise and Y0 + 7 - J
                // the other way.
                const int First = Clockwise ? Y0 : SourceWidth - 8 - Y0;
                __m256i Block[8];
                for (int K = 0; K < 8; ++K) Block[K] = LoadEight<Size>(ColumnRows[std::size_t(X0 + K)] + Size * First);
                Transpose(Block);
                for (int J = 0; J < 8; ++J)
                    StoreEight<Size>(Target[std::size_t(Clockwise ? Y0 + J : Y0 + 7 - J)] + Size * X0, Block[J]);
            }
    }
}

template <int Size> __attribute__((target("avx2"))) void MirrorEights(std::uint8_t* Row, int Width, int Count)
{
    const __m256i Backwards = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    for (int X = 0; X < Count; X += 8) {
        std::uint8_t* Left = Row + Size * X;
        std::uint8_t* Right = Row + Size * (Width - 8 - X);
        const __m256i FromLeft = LoadEight<Size>(Left);
        const __m256i FromRight = LoadEight<Size>(Right);
        StoreEight<Size>(Left, _mm256_permutevar8x32_epi32(FromRight, Backwards));
        StoreEight<Size>(Right, _mm256_permutevar8x32_epi32(FromLeft, Backwards));
    }
}

} // namespace

bool PixelBlocksAvailable()
{
    static const bool Available = __builtin_cpu_supports("avx2");
    return Available;
}

void TurnBlocks(const TConstRowAddresses& ColumnRows, const TRowAddresses& Target, int Size, int SourceWidth,
                bool Clockwise, int TargetRows, int TargetColumns)
{
    if (Size == 3)
        TurnTiles<3>(ColumnRows, Target, SourceWidth, Clockwise, TargetRows, TargetColumns);
    else
        TurnTiles<4>(ColumnRows, Target, SourceWidth, Clockwise, TargetRows, TargetColumns);
}

void MirrorBlocks(std::uint8_t* Row, int Width, int Size, int Count)
{
    if (Size == 3)
        MirrorEights<3>(Row, Width, Count);
    else
        MirrorEights<4>(Row, Width, Count);
}
