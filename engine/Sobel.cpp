#include "engine/FilterKernels.h"
#include "engine/Rows.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Rounded square roots of 0 .. 65280; from 65281 = 255.5² rounded up the magnitude is 255 anyway. An
// integer's root never ends in exactly .5, so nearest-even and nearest agree.
constexpr int RootCount = 65281;

const std::array<std::uint8_t, RootCount>& RoundedRoots()
{
    static const auto Table = [] {
        std::array<std::uint8_t, RootCount> Roots{};
        for (int Q = 0; Q < RootCount; ++Q) Roots[std::size_t(Q)] = std::uint8_t(std::nearbyint(std::sqrt(double(Q))));
        return Roots;
    }();
    return Table;
}

} // namespace

void ApplySobel(const TBitmap& SourceBitmap, TBitmap& TargetBitmap, int Level, bool Overlay)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    const int W = SourceBitmap.Width();
    const int H = SourceBitmap.Height();
    const std::size_t Bytes = std::size_t(3) * std::size_t(W);
    if (W < 3 || H < 3) {
        for (int Y = 0; Y < H; ++Y) std::memcpy(Target[Y], Source[Y], Bytes);
        return;
    }
    const auto& Roots = RoundedRoots();
    std::vector<std::uint8_t> Magnitudes(Bytes);
    for (int Y = 1; Y < H - 1; ++Y) {
        const std::uint8_t* A = Source[Y - 1];
        const std::uint8_t* B = Source[Y];
        const std::uint8_t* C = Source[Y + 1];
        for (std::size_t I = 3; I < Bytes - 3; ++I) {
            const int GX = (A[I - 3] - A[I + 3]) + 2 * (B[I - 3] - B[I + 3]) + (C[I - 3] - C[I + 3]);
            const int GY = (A[I - 3] + 2 * A[I] + A[I + 3]) - (C[I - 3] + 2 * C[I] + C[I + 3]);
            // At most 2 × 1020² × 100: within 32 bits.
            const int Scaled = (GX * GX + GY * GY) * Level / 100;
            Magnitudes[I] = Scaled >= RootCount ? 255 : Roots[std::size_t(Scaled)];
        }
        std::uint8_t* Out = Target[Y];
        for (std::size_t I = 3; I < Bytes - 3; I += 3) {
            const std::uint8_t V = std::uint8_t(255 - (Magnitudes[I] | Magnitudes[I + 1] | Magnitudes[I + 2]));
            if (Overlay) {
                Out[I] = B[I] & V;
                Out[I + 1] = B[I + 1] & V;
                Out[I + 2] = B[I + 2] & V;
            } else {
                Out[I] = Out[I + 1] = Out[I + 2] = V;
            }
        }
    }
    // Top and bottom rows repeat their neighbours, then the side columns (corners included) theirs.
    std::memcpy(Target[0] + 3, Target[1] + 3, Bytes - 6);
    std::memcpy(Target[H - 1] + 3, Target[H - 2] + 3, Bytes - 6);
    for (int Y = 0; Y < H; ++Y) {
        std::uint8_t* Out = Target[Y];
        std::memcpy(Out, Out + 3, 3);
        std::memcpy(Out + Bytes - 3, Out + Bytes - 6, 3);
    }
}
