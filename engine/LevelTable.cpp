#include "engine/LevelTable.h"

#include "engine/Rows.h"

#include <immintrin.h>

namespace {

// Four bytes a step keeps the table loads independent of each other.
void ApplyToBytes(std::uint8_t* Bytes, std::size_t Count, const TLevelTable& Table)
{
    std::size_t Index = 0;
    for (; Index + 4 <= Count; Index += 4) {
        const std::uint8_t A = Table[Bytes[Index]];
        const std::uint8_t B = Table[Bytes[Index + 1]];
        const std::uint8_t C = Table[Bytes[Index + 2]];
        const std::uint8_t D = Table[Bytes[Index + 3]];
        Bytes[Index] = A;
        Bytes[Index + 1] = B;
        Bytes[Index + 2] = C;
        Bytes[Index + 3] = D;
    }
    for (; Index < Count; ++Index) Bytes[Index] = Table[Bytes[Index]];
}

#define PIXORA_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// Table's entries for 64 levels at once: the table sits in four registers; two two-register byte
// permutations look up the lower and the upper half of the levels, and the top bit of each level picks
// between them.
struct TVbmiTable
{
    __m512i Low0, Low1, High0, High1;
};

PIXORA_VBMI inline TVbmiTable LoadVbmiTable(const TLevelTable& Table)
{
    return {_mm512_loadu_si512(Table.data()), _mm512_loadu_si512(Table.data() + 64),
            _mm512_loadu_si512(Table.data() + 128), _mm512_loadu_si512(Table.data() + 192)};
}

PIXORA_VBMI inline __m512i LookUp(const TVbmiTable& Table, __m512i Levels)
{
    const __m512i Lower = _mm512_permutex2var_epi8(Table.Low0, Levels, Table.Low1);
    const __m512i Upper = _mm512_permutex2var_epi8(Table.High0, Levels, Table.High1);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(Levels), Lower, Upper);
}

// 64 bytes a step; the last bytes of a row go through a masked load and store, so the padding is not
// touched.
PIXORA_VBMI void ApplyToBytesVbmi(std::uint8_t* Bytes, std::size_t Count, const TLevelTable& Table)
{
    const TVbmiTable Registers = LoadVbmiTable(Table);
    std::size_t Index = 0;
    for (; Index + 64 <= Count; Index += 64)
        _mm512_storeu_si512(Bytes + Index, LookUp(Registers, _mm512_loadu_si512(Bytes + Index)));
    if (Index < Count) {
        const __mmask64 Tail = ~0ull >> (64 - (Count - Index));
        _mm512_mask_storeu_epi8(Bytes + Index, Tail, LookUp(Registers, _mm512_maskz_loadu_epi8(Tail, Bytes + Index)));
    }
}

bool HasVbmi()
{
    static const bool Supported = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    return Supported;
}

} // namespace

TLevelTable ComposeTables(const TLevelTable& First, const TLevelTable& Then)
{
    TLevelTable Both{};
    for (std::size_t Level = 0; Level < 256; ++Level) Both[Level] = Then[First[Level]];
    return Both;
}

void ApplyLevelTable(TBitmap& Bitmap, const TLevelTable& Table)
{
    const std::size_t Bytes = std::size_t(Bitmap.Width()) * 3;
    const auto Apply = HasVbmi() ? ApplyToBytesVbmi : ApplyToBytes;
    for (std::uint8_t* Row : RowAddresses(Bitmap)) Apply(Row, Bytes, Table);
}
