#pragma once
// Level tables on processors with 512-bit byte permutations (AVX-512 VBMI): a table sits in four
// registers and 64 levels are looked up at once. Only functions compiled for that target, and called
// after HasVbmi(), use these.

#include "engine/LevelTable.h"

#include <immintrin.h>

#define PIXORA_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// Whether the processor has the byte permutations.
inline bool HasVbmi()
{
    static const bool Supported = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    return Supported;
}

struct TVbmiTable
{
    __m512i Low0, Low1, High0, High1;
};

PIXORA_VBMI inline TVbmiTable LoadVbmiTable(const TLevelTable& Table)
{
    return {_mm512_loadu_si512(Table.data()), _mm512_loadu_si512(Table.data() + 64),
            _mm512_loadu_si512(Table.data() + 128), _mm512_loadu_si512(Table.data() + 192)};
}

// Table's entries for 64 levels: two two-register byte permutations look up the lower and the upper
// half of the levels, and the top bit of each level picks between them.
PIXORA_VBMI inline __m512i LookUp(const TVbmiTable& Table, __m512i Levels)
{
    const __m512i Lower = _mm512_permutex2var_epi8(Table.Low0, Levels, Table.Low1);
    const __m512i Upper = _mm512_permutex2var_epi8(Table.High0, Levels, Table.High1);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(Levels), Lower, Upper);
}
