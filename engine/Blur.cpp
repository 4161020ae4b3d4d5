#include "engine/FilterKernels.h"
#include "engine/Rows.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Divides the window sums of the interior columns Begin..End-1 of one row. The window's sum, at most
// 9 × 255, is kept in 16 bits, so that the constant division becomes a 16-bit high multiply on whole
// vectors.
template <int Divisor>
__attribute__((always_inline)) inline void DivideWindowSums(const std::uint16_t* Sums, std::uint8_t* Out, int Begin,
                                                            int End)
{
    for (int I = Begin; I < End; ++I) {
        const std::uint16_t Sum = std::uint16_t(Sums[I - 3] + Sums[I] + Sums[I + 3]);
        Out[I] = std::uint8_t(Sum / Divisor);
    }
}

// The interior columns of one row, where three column sums meet, summed over Rows rows; twice as
// wide where the processor has AVX2. (Clones of a template are not portable across compilers, so
// the divisor is chosen inside.)
__attribute__((target_clones("avx2", "default"))) void BlurInterior(const std::uint16_t* Sums, std::uint8_t* Out,
                                                                    int Begin, int End, int Rows)
{
    switch (Rows) {
    case 3:
        DivideWindowSums<9>(Sums, Out, Begin, End);
        break;
    case 2:
        DivideWindowSums<6>(Sums, Out, Begin, End);
        break;
    default:
        DivideWindowSums<3>(Sums, Out, Begin, End);
        break;
    }
}

} // namespace

void ApplyBlur(const TBitmap& SourceBitmap, TBitmap& TargetBitmap)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    const int W = SourceBitmap.Width();
    const int H = SourceBitmap.Height();
    const int Bytes = 3 * W;
    // Per byte of the row: the channel summed over the window's rows (at most 3 × 255).
    std::vector<std::uint16_t> Sums(static_cast<std::size_t>(Bytes));
    for (int Y = 0; Y < H; ++Y) {
        const int First = std::max(Y - 1, 0);
        const int Last = std::min(Y + 1, H - 1);
        const int RowCount = Last - First + 1;
        const std::uint8_t* A = Source[First];
        const std::uint8_t* B = Source[Y];
        const std::uint8_t* C = Source[Last];
        if (RowCount == 3) {
            for (int I = 0; I < Bytes; ++I) Sums[std::size_t(I)] = std::uint16_t(A[I] + B[I] + C[I]);
        } else if (RowCount == 2) {
            const std::uint8_t* Other = First == Y ? C : A;
            for (int I = 0; I < Bytes; ++I) Sums[std::size_t(I)] = std::uint16_t(B[I] + Other[I]);
        } else {
            for (int I = 0; I < Bytes; ++I) Sums[std::size_t(I)] = B[I];
        }
        std::uint8_t* Out = Target[Y];
        const std::uint16_t* S = Sums.data();
        if (W == 1) {
            for (int I = 0; I < 3; ++I) Out[I] = std::uint8_t(S[I] / RowCount);
            continue;
        }
        // First and last columns keep two columns of the window.
        for (int I = 0; I < 3; ++I) {
            Out[I] = std::uint8_t((S[I] + S[I + 3]) / (2 * RowCount));
            Out[Bytes - 3 + I] = std::uint8_t((S[Bytes - 3 + I] + S[Bytes - 6 + I]) / (2 * RowCount));
        }
        BlurInterior(S, Out, 3, Bytes - 3, RowCount);
    }
}
