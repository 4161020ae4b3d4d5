#include "engine/HistogramKernel.h"

#include "engine/RowBands.h"
#include "engine/Rows.h"
#include "platform/graphics/Canvas.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using TLevels = std::array<std::array<std::int64_t, 256>, 3>; // [channel: blue, green, red][level]

constexpr std::size_t PairLevels = 256 * 256;
constexpr std::size_t PairTablesSize = 3 * PairLevels;

// Counts rows First … End − 1 into Levels, through the three pair tables at Pairs (cleared here).
void CountRows(const TConstRowAddresses& Rows, int First, int End, std::size_t Width, std::uint32_t* Pairs,
               TLevels& Levels)
{
    // Two neighbouring pixels B0 G0 R0 B1 G1 R1 are counted as the three level pairs (B0, G0), (R0, B1)
    // and (G1, R1), one increment for every two bytes instead of one for every byte; each pair table is
    // folded into the levels of both its channels at the end. 32-bit counters hold any bitmap the
    // picture layer can allocate (a pair counter sees at most half the pixels).
    std::fill(Pairs, Pairs + PairTablesSize, 0u);
    // Channels of the low and the high byte of each pair, in table order.
    constexpr int PairChannels[3][2] = {{0, 1}, {2, 0}, {1, 2}};
    std::uint32_t* const BlueGreen = Pairs;
    std::uint32_t* const RedBlue = BlueGreen + PairLevels;
    std::uint32_t* const GreenRed = RedBlue + PairLevels;
    for (int Y = First; Y < End; ++Y) {
        const std::uint8_t* Pixel = Rows[std::size_t(Y)];
        for (const std::uint8_t* const Last = Pixel + 6 * (Width / 2); Pixel < Last; Pixel += 6) {
            ++BlueGreen[std::size_t(Pixel[0] | Pixel[1] << 8)];
            ++RedBlue[std::size_t(Pixel[2] | Pixel[3] << 8)];
            ++GreenRed[std::size_t(Pixel[4] | Pixel[5] << 8)];
        }
        if (Width % 2 == 1)
            for (int Channel = 0; Channel < 3; ++Channel) ++Levels[std::size_t(Channel)][Pixel[Channel]];
    }
    for (std::size_t Table = 0; Table < 3; ++Table) {
        auto& LowLevels = Levels[std::size_t(PairChannels[Table][0])];
        auto& HighLevels = Levels[std::size_t(PairChannels[Table][1])];
        for (std::size_t High = 0; High < 256; ++High) {
            const std::uint32_t* Counts = Pairs + Table * PairLevels + High * 256;
            std::int64_t Sum = 0;
            for (std::size_t Low = 0; Low < 256; ++Low) {
                LowLevels[Low] += Counts[Low];
                Sum += Counts[Low];
            }
            HighLevels[High] += Sum;
        }
    }
}

} // namespace

THistogram CountLevels(const TBitmap& Bitmap, int Shift)
{
    const auto Rows = RowAddresses(Bitmap);
    const int Bands = RowBandCount(std::int64_t(Bitmap.Width()) * Bitmap.Height());
    // Each band counts into tables of its own; they are left for the band to clear, on its own core.
    const auto Pairs = std::make_unique_for_overwrite<std::uint32_t[]>(std::size_t(Bands) * PairTablesSize);
    std::vector<TLevels> BandLevels(static_cast<std::size_t>(Bands));
    ForEachRowBand(Bitmap.Height(), Bands, [&](int Band, int First, int End) {
        CountRows(Rows, First, End, std::size_t(Bitmap.Width()), Pairs.get() + std::size_t(Band) * PairTablesSize,
                  BandLevels[std::size_t(Band)]);
    });
    THistogram Histogram;
    Histogram.Bins = 256 >> Shift;
    for (const TLevels& Levels : BandLevels)
        for (std::size_t Channel = 0; Channel < 3; ++Channel)
            for (std::size_t Level = 0; Level < 256; ++Level)
                Histogram.Counts[Channel][Level >> Shift] += Levels[Channel][Level];
    return Histogram;
}

int ToPercentages(THistogram& Histogram, std::int64_t Pixels)
{
    int MaxPercent = 0;
    for (auto& Channel : Histogram.Counts)
        for (int Bin = 0; Bin < Histogram.Bins; ++Bin) {
            std::int64_t& Counter = Channel[std::size_t(Bin)];
            Counter = Counter * 100 / Pixels;
            MaxPercent = std::max(MaxPercent, int(Counter));
        }
    return MaxPercent;
}

int ChooseVerticalMax(int Requested, int MaxPercent)
{
    if (Requested == 0) return MaxPercent == 0 ? 20 : (MaxPercent + 19) / 20 * 20;
    return Requested % 2 == 1 ? Requested + 1 : Requested;
}

void DrawHistogramOn(TCanvas& Canvas, const THistogram* Percentages, int Scale, int VerticalMax)
{
    const int S = Scale;
    const auto Line = [&Canvas](int X1, int Y1, int X2, int Y2) {
        Canvas.MoveTo(X1, Y1);
        Canvas.LineTo(X2, Y2);
    };
    Canvas.Pen = TPen{};
    Canvas.Brush = TBrush{clBtnFace, bsSolid};
    Canvas.FillRect(Rect(0, 0, 286 * S, 175 * S));

    if (Percentages != nullptr) {
        const int Step = 256 / Percentages->Bins;
        const TColor Colors[3] = {clBlue, clLime, clRed};
        std::vector<TPoint> Points(std::size_t(Percentages->Bins));
        for (int Channel = 0; Channel < 3; ++Channel) {
            for (int Bin = 0; Bin < Percentages->Bins; ++Bin) {
                const auto Percent = Percentages->Counts[std::size_t(Channel)][std::size_t(Bin)];
                Points[std::size_t(Bin)] =
                    Point((Step / 2 + 15 + Bin * Step) * S, int(159 - Percent * 150 / VerticalMax) * S);
            }
            Canvas.Pen.Color = Colors[Channel];
            Canvas.MoveTo(Points[0].X, Points[0].Y);
            for (std::size_t Index = 1; Index < Points.size(); ++Index) Canvas.LineTo(Points[Index].X, Points[Index].Y);
        }
    }

    Canvas.Pen.Color = clBlack;
    Canvas.Font.Size = 8 * S;
    // The top ends of both percentage axes lie at y = 10 whatever the scale.
    Canvas.MoveTo(15 * S, 10);
    Canvas.LineTo(15 * S, 159 * S);
    Canvas.LineTo(271 * S, 159 * S);
    Canvas.LineTo(271 * S, 10);
    Line(11 * S, 85 * S, 14 * S, 85 * S);
    Line(272 * S, 85 * S, 275 * S, 85 * S);

    int UnitOffset = 0;
    if (Percentages != nullptr) {
        const std::string Half = std::to_string(VerticalMax / 2);
        Canvas.TextOut(273 * S, 87 * S, Half);
        if (VerticalMax >= 20) {
            const int Difference = Canvas.TextWidth(Half) - Canvas.TextWidth("%");
            // Halved and rounded down, also when "%" is the wider text.
            UnitOffset = Difference >= 0 ? Difference / 2 : (Difference - 1) / 2;
        }
    }
    Canvas.TextOut(273 * S + UnitOffset, 97 * S, "%");

    for (int Mark = 0; Mark <= 16; ++Mark) {
        const int X = Mark * 16 + 15;
        Line(X * S, 160 * S, X * S, (160 + (Mark % 2 == 0 ? 3 : 1)) * S);
        if (Mark % 4 == 0) {
            const std::string Label = Mark == 16 ? "255" : std::to_string(Mark * 16);
            Canvas.TextOut(X * S - Canvas.TextWidth(Label) / 2, 162 * S, Label);
        }
    }
}
