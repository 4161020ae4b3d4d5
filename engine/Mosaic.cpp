#include "engine/FilterKernels.h"
#include "engine/Rows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

void ApplyMosaic(TBitmap& Bitmap, int BlockSize)
{
    const auto Picture = RowAddresses(Bitmap);
    const int W = Bitmap.Width();
    const int H = Bitmap.Height();
    const int Half = BlockSize / 2;
    const std::size_t Bytes = std::size_t(3) * std::size_t(W);
    // One filled row per band: every sample of the band lies inside its own block, so reading all of
    // them before filling equals filling block by block.
    std::vector<std::uint8_t> Band(Bytes);
    for (int Y0 = 0; Y0 < H; Y0 += BlockSize) {
        const int Y1 = std::min(Y0 + BlockSize, H);
        for (int X0 = 0; X0 < W; X0 += BlockSize) {
            const bool CentreInside = Y0 + Half < H && X0 + Half < W;
            const std::uint8_t* Sample = CentreInside ? Picture[Y0 + Half] + 3 * (X0 + Half) : Picture[Y0] + 3 * X0;
            const int X1 = std::min(X0 + BlockSize, W);
            std::uint8_t* Out = Band.data() + 3 * X0;
            const std::uint8_t Blue = Sample[0], Green = Sample[1], Red = Sample[2];
            for (int X = X0; X < X1; ++X, Out += 3) {
                Out[0] = Blue;
                Out[1] = Green;
                Out[2] = Red;
            }
        }
        for (int Y = Y0; Y < Y1; ++Y) std::memcpy(Picture[Y], Band.data(), Bytes);
    }
}
