#include "engine/LevelTable.h"

#include "engine/LevelTableVbmi.h"
#include "engine/RowBands.h"

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
    ForEveryRowInBands(Bitmap, [&](std::uint8_t* Row) { Apply(Row, Bytes, Table); });
}
