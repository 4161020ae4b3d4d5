#include "engine/ToneKernels.h"

#include "engine/HistogramKernel.h"
#include "engine/LevelTableVbmi.h"
#include "engine/RowBands.h"
#include "engine/Rows.h"
#include "engine/ToneKernelsVbmi.h"

#include <array>
#include <cmath>
#include <limits>

namespace {

// (Level × Factor) shr 10 of the product of a level and a factor of 1024ths; wide, so that any
// percentage the argument checks admit stays exact.
std::int64_t ScaleLevel(int Level, std::int64_t Factor)
{
    return (std::int64_t(Level) * Factor) >> 10;
}

// Percent × 1024 div 100.
std::int64_t PercentFactor(int Percent)
{
    return std::int64_t(Percent) * 1024 / 100;
}

// Power as the extended-precision runtime defines it: 1 for exponent 0, 0 for base 0 with a positive
// exponent, the repeated product for a whole exponent, exp(exponent × ln base) otherwise.
long double Power(long double Base, long double Exponent)
{
    if (Exponent == 0) return 1;
    if (Base == 0 && Exponent > 0) return 0;
    if (Exponent == std::floor(Exponent) && std::fabs(Exponent) <= std::numeric_limits<int>::max()) {
        long double Product = 1;
        for (long long Count = (long long)std::fabs(Exponent); Count > 0; --Count) Product *= Base;
        return Exponent < 0 ? 1 / Product : Product;
    }
    return std::exp(Exponent * std::log(Base));
}

} // namespace

TLevelTable MakeBrightTable(int Percent)
{
    const std::int64_t Factor = PercentFactor(Percent);
    TLevelTable Table{};
    for (int Level = 0; Level < 256; ++Level) Table[Level] = ClampByte(ScaleLevel(Level, Factor));
    return Table;
}

TLevelTable MakeLightTable(int Delta)
{
    TLevelTable Table{};
    for (int Level = 0; Level < 256; ++Level) Table[Level] = ClampByte(std::int64_t(Level) + Delta);
    return Table;
}

TLevelTable MakeLinearTable(int Slope, int Offset)
{
    const std::int64_t Factor = PercentFactor(Slope);
    TLevelTable Table{};
    for (int Level = 0; Level < 256; ++Level) Table[Level] = ClampByte(Offset + ScaleLevel(Level, Factor));
    return Table;
}

TLevelTable MakeContrastTable(int Percent, int Middle)
{
    TLevelTable Table{};
    // Division truncates toward zero, also below the middle.
    for (int Level = 0; Level < 256; ++Level)
        Table[Level] = ClampByte(Middle + std::int64_t(Percent) * (Level - Middle) / 100);
    return Table;
}

TLevelTable MakeGammaTable(long double Value)
{
    const long double Exponent = 1 / Value;
    TLevelTable Table{};
    for (int Level = 0; Level < 256; ++Level)
        Table[Level] = ClampByte(RoundHalfEven(Power((long double)Level / 255, Exponent) * 255));
    return Table;
}

TLevelTable MakeNegativeTable()
{
    TLevelTable Table{};
    for (int Level = 0; Level < 256; ++Level) Table[Level] = std::uint8_t(255 - Level);
    return Table;
}

TLevelTable MakePosterizationTable(int Levels)
{
    const int StepOut = 255 / (Levels - 1);
    const int Band = 256 / Levels;
    TLevelTable Table{};
    for (int Level = 0; Level < 256; ++Level) {
        const int K = Level / Band;
        Table[Level] = std::uint8_t(K == 0 ? 0 : K < Levels - 1 ? StepOut * K : 255);
    }
    return Table;
}

TGrayTables MakeGrayTables()
{
    TGrayTables Tables{};
    for (int Level = 0; Level < 256; ++Level) {
        Tables.Blue[Level] = std::uint8_t((Level * 117) >> 10);
        Tables.Green[Level] = std::uint8_t((Level * 601) >> 10);
        Tables.Red[Level] = std::uint8_t((Level * 306) >> 10);
    }
    return Tables;
}

void ApplyGrayScale(TBitmap& Bitmap)
{
    const TGrayTables Gray = MakeGrayTables();
    const std::size_t Width = std::size_t(Bitmap.Width());
    ForEveryRowInBands(Bitmap, [&](std::uint8_t* Row) {
        const std::size_t Done = HasVbmi() ? GrayScaleBlocks(Row, Width, Gray) : 0;
        for (std::uint8_t* Pixel = Row + 3 * Done; Pixel < Row + 3 * Width; Pixel += 3) {
            const std::uint8_t Y = std::uint8_t(Gray.Blue[Pixel[0]] + Gray.Green[Pixel[1]] + Gray.Red[Pixel[2]]);
            Pixel[0] = Y;
            Pixel[1] = Y;
            Pixel[2] = Y;
        }
    });
}

void ApplySepia(TBitmap& Bitmap)
{
    const TGrayTables Gray = MakeGrayTables();
    TLevelTable SepiaBlue{};
    TLevelTable SepiaGreen{};
    for (int Y = 0; Y < 256; ++Y) {
        SepiaBlue[Y] = std::uint8_t((Y * 619) >> 10);
        SepiaGreen[Y] = std::uint8_t((Y * 853) >> 10);
    }
    const std::size_t Width = std::size_t(Bitmap.Width());
    ForEveryRowInBands(Bitmap, [&](std::uint8_t* Row) {
        const std::size_t Done = HasVbmi() ? SepiaBlocks(Row, Width, Gray, SepiaBlue, SepiaGreen) : 0;
        for (std::uint8_t* Pixel = Row + 3 * Done; Pixel < Row + 3 * Width; Pixel += 3) {
            const std::uint8_t Y = std::uint8_t(Gray.Blue[Pixel[0]] + Gray.Green[Pixel[1]] + Gray.Red[Pixel[2]]);
            Pixel[0] = SepiaBlue[Y];
            Pixel[1] = SepiaGreen[Y];
            Pixel[2] = Y;
        }
    });
}

void ApplyBlackAndWhite(TBitmap& Bitmap, int Threshold)
{
    // One entry per channel sum 0..765.
    std::array<std::uint8_t, 766> Table{};
    for (int Sum = 0; Sum < 766; ++Sum) Table[std::size_t(Sum)] = Sum >= 3 * Threshold ? 255 : 0;
    const std::size_t Width = std::size_t(Bitmap.Width());
    ForEveryRowInBands(Bitmap, [&](std::uint8_t* Row) {
        const std::size_t Done = HasVbmi() ? BlackAndWhiteBlocks(Row, Width, Threshold) : 0;
        for (std::uint8_t* Pixel = Row + 3 * Done; Pixel < Row + 3 * Width; Pixel += 3) {
            const std::uint8_t Level = Table[std::size_t(Pixel[0] + Pixel[1] + Pixel[2])];
            Pixel[0] = Level;
            Pixel[1] = Level;
            Pixel[2] = Level;
        }
    });
}

TLevelRange MeasureLevelRange(const TBitmap& Bitmap, int Step, int Percent)
{
    if (Step == 1) return LevelRangeOf(CountLevels(Bitmap, 0), std::int64_t(Bitmap.Width()) * Bitmap.Height(), Percent);
    THistogram Sampled;
    std::int64_t Count = 0;
    const auto Rows = RowAddresses(Bitmap);
    for (int Y = 0; Y < Bitmap.Height(); Y += Step) {
        const std::uint8_t* Row = Rows[std::size_t(Y)];
        for (int X = 0; X < Bitmap.Width(); X += Step) {
            const std::uint8_t* Pixel = Row + 3 * X;
            for (std::size_t Channel = 0; Channel < 3; ++Channel) ++Sampled.Counts[Channel][Pixel[Channel]];
            ++Count;
        }
    }
    return LevelRangeOf(Sampled, Count, Percent);
}

TLevelRange LevelRangeOf(const THistogram& Levels, std::int64_t Count, int Percent)
{
    const auto& Blue = Levels.Counts[0];
    const auto& Green = Levels.Counts[1];
    const auto& Red = Levels.Counts[2];
    // Whether a running sum, in whole percent truncated, exceeds Percent.
    const auto Exceeds = [Count, Percent](std::int64_t Sum) { return Sum * 100 / Count > Percent; };
    const auto ScanEnds = [&](int Level, std::int64_t& SumBlue, std::int64_t& SumGreen, std::int64_t& SumRed) {
        SumBlue += Blue[std::size_t(Level)];
        if (Exceeds(SumBlue)) return true;
        SumGreen += Green[std::size_t(Level)];
        if (Exceeds(SumGreen)) return true;
        SumRed += Red[std::size_t(Level)];
        return Exceeds(SumRed);
    };

    std::int64_t SumBlue = 0, SumGreen = 0, SumRed = 0;
    int Level = 0;
    while (Level <= 255 && !ScanEnds(Level, SumBlue, SumGreen, SumRed)) ++Level;
    TLevelRange Range{std::max(Level - 1, 0), 0};

    SumBlue = SumGreen = SumRed = 0;
    Level = 255;
    while (Level >= 0 && !ScanEnds(Level, SumBlue, SumGreen, SumRed)) --Level;
    Range.High = std::min(Level + 1, 255);
    return Range;
}

THistogram MapLevels(const THistogram& Levels, const TLevelTable& Table)
{
    THistogram Mapped;
    for (std::size_t Channel = 0; Channel < 3; ++Channel)
        for (std::size_t Level = 0; Level < 256; ++Level)
            Mapped.Counts[Channel][Table[Level]] += Levels.Counts[Channel][Level];
    return Mapped;
}
