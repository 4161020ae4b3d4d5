#pragma once
// The level histogram behind DrawHistogram: counting, percentages and the drawing of the curves, axes
// and labels on a canvas of 286 × 175 units of Scale pixels.

#include "platform/graphics/Bitmap.h"

#include <array>
#include <cstdint>

class TCanvas;

// Bins of blue, green and red; a level v falls into bin v shr Shift.
struct THistogram
{
    int Bins = 256;
    std::array<std::array<std::int64_t, 256>, 3> Counts{}; // [channel: blue, green, red][bin]
};

// Counts every pixel of a 24-bit bitmap into 256 shr Shift bins per channel.
THistogram CountLevels(const TBitmap& Bitmap, int Shift);

// Every counter := counter × 100 div Pixels (truncated); returns the largest percentage.
int ToPercentages(THistogram& Histogram, std::int64_t Pixels);

// The top of the plot: Requested 0 asks for MaxPercent rounded up to a multiple of 20 (20 when nothing
// reaches 1 %); an odd request is raised by one.
int ChooseVerticalMax(int Requested, int MaxPercent);

// Draws background, curves (unless Percentages is null, for an empty picture), axes, marks and labels.
void DrawHistogramOn(TCanvas& Canvas, const THistogram* Percentages, int Scale, int VerticalMax);
