#include "engine/HistogramKernel.h"

#include "engine/Rows.h"
#include "platform/graphics/Canvas.h"

#include <algorithm>
#include <string>
#include <vector>

THistogram CountLevels(const TBitmap& Bitmap, int Shift)
{
    // Counted per level into two alternating sets, so that neighbouring pixels of one level do not wait
    // on each other's increments; folded into bins at the end. 32-bit counters hold any bitmap the
    // picture layer can allocate (each set sees at most half the pixels).
    std::array<std::array<std::uint32_t, 256>, 6> Levels{};
    const int Width = Bitmap.Width();
    for (const std::uint8_t* Row : RowAddresses(Bitmap)) {
        std::size_t X = 0;
        const std::uint8_t* Pixel = Row;
        for (; X + 2 <= std::size_t(Width); X += 2, Pixel += 6) {
            ++Levels[0][Pixel[0]];
            ++Levels[1][Pixel[1]];
            ++Levels[2][Pixel[2]];
            ++Levels[3][Pixel[3]];
            ++Levels[4][Pixel[4]];
            ++Levels[5][Pixel[5]];
        }
        if (X < std::size_t(Width)) {
            ++Levels[0][Pixel[0]];
            ++Levels[1][Pixel[1]];
            ++Levels[2][Pixel[2]];
        }
    }
    THistogram Histogram;
    Histogram.Bins = 256 >> Shift;
    for (int Channel = 0; Channel < 3; ++Channel)
        for (int Level = 0; Level < 256; ++Level)
            Histogram.Counts[std::size_t(Channel)][std::size_t(Level >> Shift)] +=
                std::int64_t(Levels[std::size_t(Channel)][std::size_t(Level)]) +
                Levels[std::size_t(Channel + 3)][std::size_t(Level)];
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
