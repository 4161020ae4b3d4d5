#include "engine/FilterKernels.h"
#include "engine/Rows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The interior bytes of one row. The step Laplace × Level div 100 is taken in single precision, so that
// the loop runs on vectors (two and four times as wide where the processor has AVX2 or AVX-512): the product, at most
// 102000, is an exact float, and its quotient by 100, correctly rounded, truncates toward zero to the integer quotient,
// as it lies at least 0.01 from the next integer.
__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void
EdgeRow(const std::uint8_t* Up, const std::uint8_t* Row, const std::uint8_t* Down, std::uint8_t* Out, std::size_t Begin,
        std::size_t End, int Level)
{
    const float Factor = float(Level);
    for (std::size_t I = Begin; I < End; ++I) {
        const int Centre = Row[I];
        const int Laplace = 4 * Centre - (Up[I] + Down[I] + Row[I - 3] + Row[I + 3]);
        const int Value = int(float(Laplace) * Factor / 100) + Centre;
        Out[I] = std::uint8_t(std::min(std::max(Value, 0), 255));
    }
}

} // namespace

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
        EdgeRow(Up, Row, Down, Out, 3, std::size_t(Bytes - 3), Level);
    }
}
