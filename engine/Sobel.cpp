#include "engine/FilterKernels.h"
#include "engine/Rows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// (GX² + GY²) × Level from which the magnitude is 255: 65281 = 255.5² times 100.
constexpr int FullProduct = 6528100;

// The channel magnitudes of one interior row: rounded root of (GX² + GY²) × Level div 100, at most 255.
// In single precision, so that the loop runs on vectors (two and four times as wide where the processor has AVX2 or
// AVX-512): squares and their sum are exact, and the product with Level is exact below the cap of 2^23 and at least the
// cap above it; the quotient of an exact integer by 100, correctly rounded, truncates to the integer quotient, as it
// lies at least 0.01 from the next integer. The root of an integer up to 65281 is correctly rounded to within 2^-16,
// while an integer's root is never nearer than 2^-11 to a half, so adding a half and truncating rounds it to nearest
// exactly as a double root would.
__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void
RowMagnitudes(const std::uint8_t* A, const std::uint8_t* B, const std::uint8_t* C, std::uint8_t* Magnitudes,
              std::size_t Begin, std::size_t End, int Level)
{
    const float Factor = float(Level);
    for (std::size_t I = Begin; I < End; ++I) {
        const float GX = float((A[I - 3] - A[I + 3]) + 2 * (B[I - 3] - B[I + 3]) + (C[I - 3] - C[I + 3]));
        const float GY = float((A[I - 3] + 2 * A[I] + A[I + 3]) - (C[I - 3] + 2 * C[I] + C[I + 3]));
        const int Product = std::min(int((GX * GX + GY * GY) * Factor), FullProduct);
        const float Scaled = float(int(float(Product) / 100));
        const int Rounded = int(std::sqrt(Scaled) + 0.5f);
        Magnitudes[I] = std::uint8_t(std::min(Rounded, 255));
    }
}

// Joined[I] := 255 - (the OR of the three magnitudes of the pixel holding byte I), pixels starting at
// Begin. A byte at offset K of a 48-byte block (16 pixels) takes the OR of the window of three bytes
// starting K % 3 bytes before it, picked by masks, so the loop runs on whole vectors.
void JoinChannels(const std::uint8_t* Magnitudes, std::uint8_t* Joined, std::size_t Begin, std::size_t End)
{
    constexpr int Block = 48;
    static const auto Masks = [] {
        std::array<std::array<std::uint8_t, Block>, 3> Result{};
        for (int K = 0; K < Block; ++K) Result[std::size_t(K % 3)][std::size_t(K)] = 0xFF;
        return Result;
    }();
    const auto Window = [Magnitudes](std::size_t I) {
        return std::uint8_t(Magnitudes[I] | Magnitudes[I + 1] | Magnitudes[I + 2]);
    };
    std::size_t I = Begin;
    for (; I + Block <= End; I += Block)
        for (std::size_t K = 0; K < Block; ++K) {
            const std::size_t J = I + K;
            Joined[J] = std::uint8_t(
                255 - ((Window(J) & Masks[0][K]) | (Window(J - 1) & Masks[1][K]) | (Window(J - 2) & Masks[2][K])));
        }
    for (; I < End; I += 3) Joined[I] = Joined[I + 1] = Joined[I + 2] = std::uint8_t(255 - Window(I));
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
    // Bytes outside the interior stay 0; JoinChannels reads them only under a zero mask.
    std::vector<std::uint8_t> Magnitudes(Bytes);
    std::vector<std::uint8_t> Joined(Bytes);
    for (int Y = 1; Y < H - 1; ++Y) {
        const std::uint8_t* B = Source[Y];
        RowMagnitudes(Source[Y - 1], B, Source[Y + 1], Magnitudes.data(), 3, Bytes - 3, Level);
        JoinChannels(Magnitudes.data(), Joined.data(), 3, Bytes - 3);
        std::uint8_t* Out = Target[Y];
        if (Overlay)
            for (std::size_t I = 3; I < Bytes - 3; ++I) Out[I] = B[I] & Joined[I];
        else
            std::memcpy(Out + 3, Joined.data() + 3, Bytes - 6);
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
