#include "engine/LevelTable.h"

#include "engine/Rows.h"

void ApplyLevelTable(TBitmap& Bitmap, const TLevelTable& Table)
{
    const std::size_t Bytes = std::size_t(Bitmap.Width()) * 3;
    for (std::uint8_t* Row : RowAddresses(Bitmap)) {
        std::size_t Index = 0;
        // Four bytes a step keeps the table loads independent of each other.
        for (; Index + 4 <= Bytes; Index += 4) {
            const std::uint8_t A = Table[Row[Index]];
            const std::uint8_t B = Table[Row[Index + 1]];
            const std::uint8_t C = Table[Row[Index + 2]];
            const std::uint8_t D = Table[Row[Index + 3]];
            Row[Index] = A;
            Row[Index + 1] = B;
            Row[Index + 2] = C;
            Row[Index + 3] = D;
        }
        for (; Index < Bytes; ++Index) Row[Index] = Table[Row[Index]];
    }
}
