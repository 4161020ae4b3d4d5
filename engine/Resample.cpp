#include "engine/GeometryKernels.h"
#include "engine/RowBands.h"
#include "engine/Rows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Round half to even without a library call: adding and taking away 2^63 (2^52 for double) leaves the
// integer nearest in the default rounding mode, for values from 0 up to that power. The values here
// are levels, within -1..256.
std::uint8_t RoundLevel(long double Value)
{
    constexpr long double Magic = 0x1p63L;
    return std::uint8_t(int(Value < 0 ? -((-Value + Magic) - Magic) : (Value + Magic) - Magic));
}

std::uint8_t RoundLevel(double Value)
{
    constexpr double Magic = 0x1p52;
    return std::uint8_t(int((Value + Magic) - Magic));
}

struct TBilinearAxis
{
    int Low;            // the position before the sample point, clamped to the picture
    int High;           // the position after it, clamped
    long double Weight; // the distance from Low's centre to the sample point
};

// Sample points of one axis: (i + 0.5) × Scale - 0.5, with the edge repeated beyond the picture.
std::vector<TBilinearAxis> BilinearAxis(int SourceSize, int TargetSize)
{
    const long double Scale = (long double)SourceSize / TargetSize;
    std::vector<TBilinearAxis> Axis(static_cast<std::size_t>(TargetSize));
    for (int I = 0; I < TargetSize; ++I) {
        const long double F = (I + 0.5L) * Scale - 0.5L;
        const long double Floor = std::floor(F);
        const int Low = int(Floor);
        Axis[std::size_t(I)] =
            TBilinearAxis{Low < 0 ? 0 : Low, Low + 1 > SourceSize - 1 ? SourceSize - 1 : Low + 1, F - Floor};
    }
    return Axis;
}

struct TAreaSpan
{
    int First;
    std::vector<double> Weights; // overlap of each source position from First on with the span
};

// Spans of one axis: [i × Scale, (i + 1) × Scale - 0.000001], weighted by overlap.
std::vector<TAreaSpan> AreaAxis(int SourceSize, int TargetSize)
{
    const double Scale = double(SourceSize) / TargetSize;
    std::vector<TAreaSpan> Axis(static_cast<std::size_t>(TargetSize));
    for (int I = 0; I < TargetSize; ++I) {
        const double Start = I * Scale;
        const double End = (I + 1) * Scale - 0.000001;
        TAreaSpan& Span = Axis[std::size_t(I)];
        Span.First = int(std::floor(Start));
        for (int J = Span.First; J <= int(std::floor(End)); ++J)
            Span.Weights.push_back(std::min(double(J + 1), End) - std::max(double(J), Start));
    }
    return Axis;
}

} // namespace

namespace {

// Whether a weight is a multiple of 2^-20: the bilinear sums of such weights are exact in double
// precision, as in extended precision.
bool IsCoarse(long double Weight)
{
    const long double Scaled = Weight * 0x1p20L;
    return Scaled == std::floor(Scaled);
}

} // namespace

// Each level's bilinear sum is formed in double precision first: with weights in [0, 1] and level
// differences within ±510 it lies within 10^-12 of the extended-precision sum, so unless it is within
// 10^-9 of a half both round alike, and with coarse weights both are exact. Otherwise the
// extended-precision sum decides, as written.
void BilinearPixels(const TBitmap& SourceBitmap, TBitmap& TargetBitmap)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    const auto Columns = BilinearAxis(SourceBitmap.Width(), TargetBitmap.Width());
    const auto Rows = BilinearAxis(SourceBitmap.Height(), TargetBitmap.Height());
    std::vector<double> Across(Columns.size());
    std::vector<std::uint8_t> CoarseAcross(Columns.size());
    for (std::size_t X = 0; X < Columns.size(); ++X) {
        Across[X] = double(Columns[X].Weight);
        CoarseAcross[X] = IsCoarse(Columns[X].Weight);
    }
    const auto Band = [&](int First, int End) {
        for (int Y = First; Y < End; ++Y) {
            const TBilinearAxis& Row = Rows[std::size_t(Y)];
            const std::uint8_t* A = Source[Row.Low];
            const std::uint8_t* B = Source[Row.High];
            const double DY = double(Row.Weight);
            const bool CoarseDown = IsCoarse(Row.Weight);
            std::uint8_t* Out = Target[Y];
            for (std::size_t X = 0; X < Columns.size(); ++X) {
                const TBilinearAxis& Column = Columns[X];
                const double DX = Across[X];
                const double DXY = DX * DY;
                const bool Exact = CoarseDown && CoarseAcross[X];
                const std::uint8_t* P00 = A + 3 * Column.Low;
                const std::uint8_t* P01 = A + 3 * Column.High;
                const std::uint8_t* P10 = B + 3 * Column.Low;
                const std::uint8_t* P11 = B + 3 * Column.High;
                for (int C = 0; C < 3; ++C) {
                    const int V00 = P00[C], V01 = P01[C], V10 = P10[C], V11 = P11[C];
                    const double Sum = DX * (V01 - V00) + DXY * (V11 - V01 - V10 + V00) + DY * (V10 - V00) + V00;
                    const std::uint8_t Nearest = RoundLevel(Sum);
                    if (Exact || std::fabs(std::fabs(Sum - Nearest) - 0.5) > 1e-9) {
                        *Out++ = Nearest;
                    } else {
                        const long double LX = Column.Weight, LY = Row.Weight;
                        *Out++ =
                            RoundLevel(LX * (V01 - V00) + LX * LY * (V11 - V01 - V10 + V00) + LY * (V10 - V00) + V00);
                    }
                }
            }
        }
    };
    ForEachRowBandOf(TargetBitmap, Band);
}

void AreaAveragePixels(const TBitmap& SourceBitmap, TBitmap& TargetBitmap)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    const double Scale =
        double(SourceBitmap.Width()) * SourceBitmap.Height() / TargetBitmap.Width() / TargetBitmap.Height();
    const auto Columns = AreaAxis(SourceBitmap.Width(), TargetBitmap.Width());
    const auto Rows = AreaAxis(SourceBitmap.Height(), TargetBitmap.Height());
    const auto Band = [&](int First, int End) {
        for (int Y = First; Y < End; ++Y) {
            const TAreaSpan& Down = Rows[std::size_t(Y)];
            std::uint8_t* Out = Target[Y];
            for (const TAreaSpan& Across : Columns) {
                double Blue = 0, Green = 0, Red = 0;
                for (std::size_t I = 0; I < Down.Weights.size(); ++I) {
                    const std::uint8_t* In = Source[Down.First + int(I)] + 3 * Across.First;
                    const double WY = Down.Weights[I];
                    for (const double WX : Across.Weights) {
                        const double Weight = WX * WY;
                        Blue += Weight * In[0];
                        Green += Weight * In[1];
                        Red += Weight * In[2];
                        In += 3;
                    }
                }
                Out[0] = RoundLevel(Blue / Scale);
                Out[1] = RoundLevel(Green / Scale);
                Out[2] = RoundLevel(Red / Scale);
                Out += 3;
            }
        }
    };
    ForEachRowBandOf(TargetBitmap, Band);
}
