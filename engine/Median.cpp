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

// Eight neighbouring pixels at a time, one in each 16-bit lane. An entry is its channel sum (at most
// 765) shifted left by 4 with its window position 0..8 below: comparing an entry against the other's
// sum part (low 4 bits cleared) is "sum strictly below", so the exchanges are those of the scalar loop,
// and the position left in the middle names the pixel.
using TLanes = std::int16_t __attribute__((vector_size(16)));
constexpr int LaneCount = 8;

void Exchange(TLanes& P, TLanes& Q)
{
    const TLanes Below = Q < (P & std::int16_t(~15));
    const TLanes NewP = (Q & Below) | (P & ~Below);
    Q = (P & Below) | (Q & ~Below);
    P = NewP;
}

TLanes Load(const std::uint16_t* Sums, int Position)
{
    TLanes Lanes;
    std::memcpy(&Lanes, Sums, sizeof Lanes);
    return (Lanes << 4) | std::int16_t(Position);
}

// The interior pixels X .. X + 7 of an interior row Y; Sums holds the channel sums of rows Y - 1, Y and
// Y + 1.
void InteriorLanes(const TConstRowAddresses& Source, const TRowAddresses& Target, const std::uint16_t* const Sums[3],
                   int X, int Y, int Limit)
{
    TLanes E[9];
    for (int Row = 0; Row < 3; ++Row)
        for (int Column = 0; Column < 3; ++Column)
            E[3 * Row + Column] = Load(Sums[Row] + X - 1 + Column, 3 * Row + Column);
    for (int P = 0; P <= 4; ++P)
        for (int Q = P + 1; Q < 9; ++Q) Exchange(E[P], E[Q]);
    const std::uint8_t* Rows[3] = {Source[Y - 1], Source[Y], Source[Y + 1]};
    std::uint8_t* Out = Target[Y];
    for (int Lane = 0; Lane < LaneCount; ++Lane) {
        const int Entry = E[4][Lane];
        const int Position = Entry & 15;
        const int Column = X + Lane - 1 + Position % 3;
        Choose(Rows[1] + 3 * (X + Lane), Rows[Position / 3] + 3 * Column, Entry >> 4, Limit, Out + 3 * (X + Lane));
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
        ClippedPixel(Source, Target, W, 0, Y, Limit);
        int X = 1;
        for (; X + LaneCount <= W - 1; X += LaneCount) InteriorLanes(Source, Target, Sums, X, Y, Limit);
        for (; X < W; ++X) ClippedPixel(Source, Target, W, X, Y, Limit);
    }
}
