#include "engine/FilterKernels.h"
#include "engine/Rows.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

int Threshold(int Level)
{
    return (25500 - Level * 255) / 100;
}

// The window of (X, Y) collected in its order, sorted by the partial exchange loop; returns the entry
// left in the middle position. Used where the window is cut by the picture's edge.
const std::uint8_t* MedianOfClippedWindow(const TConstRowAddresses& Source, int W, int X, int Y, int& MedianSum)
{
    const std::uint8_t* Pixels[9];
    int Sums[9];
    int N = 0;
    for (int Row = Y - 1; Row <= Y + 1; ++Row) {
        if (Row < 0 || Row >= int(Source.size())) continue;
        for (int Column = X - 1; Column <= X + 1; ++Column) {
            if (Column < 0 || Column >= W) continue;
            const std::uint8_t* Pixel = Source[Row] + 3 * Column;
            Pixels[N] = Pixel;
            Sums[N] = Pixel[0] + Pixel[1] + Pixel[2];
            ++N;
        }
    }
    for (int P = 0; P <= N / 2; ++P)
        for (int Q = P + 1; Q < N; ++Q)
            if (Sums[Q] < Sums[P]) {
                std::swap(Sums[P], Sums[Q]);
                std::swap(Pixels[P], Pixels[Q]);
            }
    MedianSum = Sums[N / 2];
    return Pixels[N / 2];
}

void Choose(const std::uint8_t* Centre, const std::uint8_t* Median, int MedianSum, int Limit, std::uint8_t* Out)
{
    const int CentreSum = Centre[0] + Centre[1] + Centre[2];
    const std::uint8_t* Chosen = std::abs(CentreSum - MedianSum) >= Limit ? Median : Centre;
    Out[0] = Chosen[0];
    Out[1] = Chosen[1];
    Out[2] = Chosen[2];
}

void ClippedPixel(const TConstRowAddresses& Source, const TRowAddresses& Target, int W, int X, int Y, int Limit)
{
    int MedianSum = 0;
    const std::uint8_t* Median = MedianOfClippedWindow(Source, W, X, Y, MedianSum);
    Choose(Source[Y] + 3 * X, Median, MedianSum, Limit, Target[Y] + 3 * X);
}

// Sixteen neighbouring pixels at a time, one in each 16-bit lane (twice as wide a vector where the
// processor has AVX2). An entry is its channel sum (at most 765) shifted left by 4 with its window place
// below, 4 × row + column: comparing an entry against the other's sum part (low 4 bits cleared) is "sum
// strictly below", so the exchanges are those of the scalar loop, and the place left in the middle names
// the pixel. The last pass only fills the middle, so it leaves the later places alone.
using TLanes = std::int16_t __attribute__((vector_size(32)));
constexpr int LaneCount = 16;
constexpr int CentrePlace = 4 + 1;

// The interior pixels Begin .. End - 1 of an interior row (End - Begin a multiple of LaneCount); Sums holds
// the channel sums of the rows above, at and below, Rows their pixels.
__attribute__((target_clones("avx2", "default"))) void InteriorLanes(const std::uint16_t* const Sums[3],
                                                                     const std::uint8_t* const Rows[3],
                                                                     std::uint8_t* Out, int Begin, int End, int Limit)
{
    for (int X = Begin; X < End; X += LaneCount) {
        TLanes E[9];
        for (int Row = 0; Row < 3; ++Row)
            for (int Column = 0; Column < 3; ++Column) {
                TLanes Lanes;
                std::memcpy(&Lanes, Sums[Row] + X - 1 + Column, sizeof Lanes);
                E[3 * Row + Column] = (Lanes << 4) | std::int16_t(4 * Row + Column);
            }
        for (int P = 0; P < 4; ++P)
            for (int Q = P + 1; Q < 9; ++Q) {
                const TLanes Below = E[Q] < (E[P] & std::int16_t(~15));
                const TLanes Low = Below ? E[Q] : E[P];
                E[Q] = Below ? E[P] : E[Q];
                E[P] = Low;
            }
        for (int Q = 5; Q < 9; ++Q) E[4] = E[Q] < (E[4] & std::int16_t(~15)) ? E[Q] : E[4];
        TLanes Centre;
        std::memcpy(&Centre, Sums[1] + X, sizeof Centre);
        const TLanes Step = Centre - (E[4] >> 4);
        const TLanes Replaced = (Step < 0 ? -Step : Step) >= std::int16_t(Limit);
        const TLanes Places = Replaced ? E[4] & std::int16_t(15) : std::int16_t(CentrePlace);
        // The row as it is, then the pixels that take their window's median.
        std::memcpy(Out + 3 * X, Rows[1] + 3 * X, 3 * LaneCount);
        for (int Lane = 0; Lane < LaneCount; ++Lane) {
            const int Place = Places[Lane];
            if (Place == CentrePlace) continue;
            std::memcpy(Out + 3 * (X + Lane), Rows[Place >> 2] + 3 * (X + Lane - 1 + (Place & 3)), 3);
        }
    }
}

} // namespace

void ApplyMedian(const TBitmap& SourceBitmap, TBitmap& TargetBitmap, int Level)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    const int W = SourceBitmap.Width();
    const int H = SourceBitmap.Height();
    const int Limit = Threshold(Level);
    std::vector<std::uint16_t> SumRows[3];
    for (auto& Row : SumRows) Row.resize(std::size_t(W));
    auto FillSums = [&](std::vector<std::uint16_t>& Sums, int Y) {
        const std::uint8_t* Row = Source[Y];
        for (int X = 0; X < W; ++X) Sums[std::size_t(X)] = std::uint16_t(Row[3 * X] + Row[3 * X + 1] + Row[3 * X + 2]);
    };
    if (H >= 3) {
        FillSums(SumRows[0], 0);
        FillSums(SumRows[1], 1);
    }
    for (int Y = 0; Y < H; ++Y) {
        if (Y == 0 || Y == H - 1 || W < 3) {
            for (int X = 0; X < W; ++X) ClippedPixel(Source, Target, W, X, Y, Limit);
            continue;
        }
        // Rows Y - 1, Y, Y + 1 cycle through the three sum buffers.
        FillSums(SumRows[(Y + 1) % 3], Y + 1);
        const std::uint16_t* Sums[3] = {SumRows[(Y - 1) % 3].data(), SumRows[Y % 3].data(),
                                        SumRows[(Y + 1) % 3].data()};
        const std::uint8_t* Rows[3] = {Source[Y - 1], Source[Y], Source[Y + 1]};
        ClippedPixel(Source, Target, W, 0, Y, Limit);
        const int End = 1 + (W - 2) / LaneCount * LaneCount;
        InteriorLanes(Sums, Rows, Target[Y], 1, End, Limit);
        int X = End;
        for (; X < W; ++X) ClippedPixel(Source, Target, W, X, Y, Limit);
    }
}
