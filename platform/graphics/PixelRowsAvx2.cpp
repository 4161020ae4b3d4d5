#include "platform/graphics/PixelRowsAvx2.h"

#include "platform/graphics/HalftonePalette.h"

#include <immintrin.h>

#define PIXORA_AVX2 __attribute__((target("avx2")))

namespace {

// Eight 24-bit pixels at Bgr as the low three bytes of eight 32-bit words (the top byte 0); reads 28
// bytes.
PIXORA_AVX2 inline __m256i LoadEightBgr(const std::uint8_t* Bgr)
{
    const __m128i Low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Bgr));
    const __m128i High = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Bgr + 12));
    const __m256i Both = _mm256_inserti128_si256(_mm256_castsi128_si256(Low), High, 1);
    const __m256i Spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    return _mm256_shuffle_epi8(Both, Spread);
}

// The 16-bit words of eight pixels' 32-bit words, each channel's top bits moved to its place: the
// shifts bring the top bits of blue, green and red (bytes 0, 1, 2) down to bit 0, GreenAt and RedAt.
template <int GreenBits, int GreenAt, int RedAt> PIXORA_AVX2 inline __m256i PackWords(__m256i Pixels)
{
    const __m256i Blue = _mm256_and_si256(_mm256_srli_epi32(Pixels, 3), _mm256_set1_epi32(0x1F));
    const __m256i Green = _mm256_and_si256(_mm256_srli_epi32(Pixels, 16 - GreenBits - GreenAt),
                                           _mm256_set1_epi32(((1 << GreenBits) - 1) << GreenAt));
    const __m256i Red = _mm256_and_si256(_mm256_srli_epi32(Pixels, 24 - 5 - RedAt), _mm256_set1_epi32(0x1F << RedAt));
    return _mm256_or_si256(_mm256_or_si256(Blue, Green), Red);
}

template <int GreenBits, int GreenAt, int RedAt>
PIXORA_AVX2 int WriteWords(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    // Sixteen pixels a step; the last read ends 4 bytes past the sixteenth pixel.
    int X = 0;
    for (; X + 18 <= Width; X += 16) {
        const __m256i First = PackWords<GreenBits, GreenAt, RedAt>(LoadEightBgr(Bgr + 3 * X));
        const __m256i Second = PackWords<GreenBits, GreenAt, RedAt>(LoadEightBgr(Bgr + 3 * X + 24));
        // packus works within each 128-bit half: the quarters come out as 0-3, 8-11, 4-7, 12-15.
        const __m256i Words = _mm256_permute4x64_epi64(_mm256_packus_epi32(First, Second), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Target + 2 * X), Words);
    }
    return X;
}

} // namespace

namespace Avx2Rows {

bool Available()
{
    static const bool Supported = __builtin_cpu_supports("avx2");
    return Supported;
}

PIXORA_AVX2 int WriteBgrx(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    int X = 0;
    for (; X + 10 <= Width; X += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Target + 4 * X), LoadEightBgr(Bgr + 3 * X));
    return X;
}

PIXORA_AVX2 int ReadBgrx(const std::uint8_t* Source, int Width, std::uint8_t* Bgr)
{
    // Each half keeps its four pixels' three bytes in its low 12 bytes; the words are then gathered
    // into the low 24 bytes.
    const __m256i Squeeze = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, //
                                             0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i Gather = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    int X = 0;
    for (; X + 8 <= Width; X += 8) {
        const __m256i Pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Source + 4 * X));
        const __m256i Packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Pixels, Squeeze), Gather);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Bgr + 3 * X), _mm256_castsi256_si128(Packed));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(Bgr + 3 * X + 16), _mm256_extracti128_si256(Packed, 1));
    }
    return X;
}

PIXORA_AVX2 int SwapRedBlue(const std::uint8_t* Source, int Width, std::uint8_t* Target)
{
    // Five pixels in the low 15 bytes of each 16 loaded; the 16th byte written is the next step's first,
    // written again by it, so a step needs 16 bytes of the row left, six pixels.
    const __m128i Swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int X = 0;
    for (; X + 6 <= Width; X += 5) {
        const __m128i Pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Source + 3 * X));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Target + 3 * X), _mm_shuffle_epi8(Pixels, Swap));
    }
    return X;
}

int Write565(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    return WriteWords<6, 5, 11>(Bgr, Width, Target);
}

int Write555(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    return WriteWords<5, 5, 10>(Bgr, Width, Target);
}

// The halftone map's sums of Index, eight pixels a step from gathered table words.
PIXORA_AVX2 int WriteHalftone(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    const THalftoneMap& Map = THalftoneMap::Instance();
    const auto* Red = reinterpret_cast<const int*>(Map.FRed.data());
    const auto* Green = reinterpret_cast<const int*>(Map.FGreen.data());
    const auto* Blue = reinterpret_cast<const int*>(Map.FBlue.data());
    const int* Grey = Map.FGrey.data();
    const __m256i Byte = _mm256_set1_epi32(0xFF);
    int X = 0;
    for (; X + 10 <= Width; X += 8) {
        const __m256i Pixels = LoadEightBgr(Bgr + 3 * X);
        const __m256i B = _mm256_and_si256(Pixels, Byte);
        const __m256i G = _mm256_and_si256(_mm256_srli_epi32(Pixels, 8), Byte);
        const __m256i R = _mm256_srli_epi32(Pixels, 16);
        const __m256i Word =
            _mm256_add_epi32(_mm256_add_epi32(_mm256_i32gather_epi32(Red, R, 4), _mm256_i32gather_epi32(Green, G, 4)),
                             _mm256_i32gather_epi32(Blue, B, 4));
        const __m256i GreyWord = _mm256_i32gather_epi32(Grey, _mm256_add_epi32(_mm256_add_epi32(R, G), B), 4);
        const __m256i Difference = _mm256_add_epi32(_mm256_srli_epi32(Word, 8), _mm256_srai_epi32(GreyWord, 8));
        const __m256i CubeIndex = _mm256_and_si256(Word, Byte);
        const __m256i GreyIndex = _mm256_and_si256(GreyWord, Byte);
        const __m256i Zero = _mm256_setzero_si256();
        const __m256i TakeGrey = _mm256_or_si256(
            _mm256_cmpgt_epi32(Zero, Difference),
            _mm256_and_si256(_mm256_cmpeq_epi32(Difference, Zero), _mm256_cmpgt_epi32(CubeIndex, GreyIndex)));
        const __m256i Index = _mm256_blendv_epi8(CubeIndex, GreyIndex, TakeGrey);
        // Eight words to eight bytes: each half packs its four into its low four bytes.
        const __m256i Bytes =
            _mm256_shuffle_epi8(Index, _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0,
                                                        4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
        const __m256i Together = _mm256_permutevar8x32_epi32(Bytes, _mm256_setr_epi32(0, 4, 1, 1, 1, 1, 1, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(Target + X), _mm256_castsi256_si128(Together));
    }
    return X;
}

} // namespace Avx2Rows
