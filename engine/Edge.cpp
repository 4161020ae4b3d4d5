#include "engine/FilterKernels.h"
#include "engine/Rows.h"

#include "platform/graphics/PixelMath.h"

#include <cstdint>
#include <cstring>

void ApplyEdge(const TBitmap& SourceBitmap, TBitmap& TargetBitmap, int Level)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    const int W = SourceBitmap.Width();
    const int H = SourceBitmap.Height();
    const int Bytes = 3 * W;
    for (int Y = 0; Y < H; ++Y) {
        const std::uint8_t* Row = Source[Y];
        std::uint8_t* Out = Target[Y];
        if (Y == 0 || Y == H - 1 || W < 3) {
            std::memcpy(Out, Row, std::size_t(Bytes));
            continue;
        }
        const std::uint8_t* Up = Source[Y - 1];
        const std::uint8_t* Down = Source[Y + 1];
        for (int I = 0; I < 3; ++I) {
            Out[I] = Row[I];
            Out[Bytes - 3 + I] = Row[Bytes - 3 + I];
        }
        for (int I = 3; I < Bytes - 3; ++I) {
            const int Centre = Row[I];
            const int Laplace = 4 * Centre - (Up[I] + Down[I] + Row[I - 3] + Row[I + 3]);
            // The product may be negative: / truncates toward zero as the filter asks.
            const int Value = Laplace * Level / 100 + Centre;
            Out[I] = std::uint8_t(ClampByte(Value));
        }
    }
}
