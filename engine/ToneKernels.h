#pragma once
// Kernels of the tone operations: per-level tables and per-pixel passes over 24-bit bitmaps. All
// arithmetic is integer (division truncating toward zero) except the gamma table.

#include "engine/HistogramKernel.h"
#include "engine/LevelTable.h"

// (i × (Percent × 1024 div 100)) shr 10, 255 where that exceeds 255. Percent at least 0.
TLevelTable MakeBrightTable(int Percent);
// clamp(i + Delta).
TLevelTable MakeLightTable(int Delta);
// clamp(Offset + ((i × (Slope × 1024 div 100)) shr 10)). Slope at least 0.
TLevelTable MakeLinearTable(int Slope, int Offset);
// clamp(Middle + Percent × (i - Middle) div 100).
TLevelTable MakeContrastTable(int Percent, int Middle);
// (i / 255) to the power 1 / Value, times 255, in extended precision, rounded half to even.
TLevelTable MakeGammaTable(long double Value);
// 255 - i.
TLevelTable MakeNegativeTable();
// Levels evenly spaced output levels, Levels 2..128.
TLevelTable MakePosterizationTable(int Levels);

// The three grey weights, truncated separately: Y = TB[blue] + TG[green] + TR[red], at most 254.
struct TGrayTables
{
    TLevelTable Blue;
    TLevelTable Green;
    TLevelTable Red;
};
TGrayTables MakeGrayTables();

// Every pixel becomes its grey Y in all three channels.
void ApplyGrayScale(TBitmap& Bitmap);
// Every pixel becomes blue (Y × 619) shr 10, green (Y × 853) shr 10, red Y.
void ApplySepia(TBitmap& Bitmap);
// White where blue + green + red reaches 3 × Threshold, black elsewhere.
void ApplyBlackAndWhite(TBitmap& Bitmap, int Threshold);

// The levels below Low and above High hold no more than Percent % of the sampled pixels of some
// channel, scanning blue, green, red at each level; every Step-th pixel of every Step-th row is
// sampled. The bitmap is 24-bit and not empty; Step at least 1.
struct TLevelRange
{
    int Low;
    int High;
};
TLevelRange MeasureLevelRange(const TBitmap& Bitmap, int Step, int Percent);
// The same range of Levels, counted at full resolution from Count pixels.
TLevelRange LevelRangeOf(const THistogram& Levels, std::int64_t Count, int Percent);
// Levels as they are counted once Table has replaced every channel value.
THistogram MapLevels(const THistogram& Levels, const TLevelTable& Table);
