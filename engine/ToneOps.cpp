// The tone operations of TKelvoImage: each pixel changes by its own value alone, in place.

#include "engine/KelvoImg.h"
#include "engine/ToneKernels.h"

void TKelvoImage::Bright(int Percent)
{
    RunInPlace("Bright", {Percent}, [Percent](TBitmap& Work) { ApplyLevelTable(Work, MakeBrightTable(Percent)); });
}

void TKelvoImage::Light(int Delta)
{
    RunInPlace("Light", {Delta}, [Delta](TBitmap& Work) { ApplyLevelTable(Work, MakeLightTable(Delta)); });
}

void TKelvoImage::Linear(int Slope, int Offset)
{
    RunInPlace("Linear", {Slope, Offset},
               [Slope, Offset](TBitmap& Work) { ApplyLevelTable(Work, MakeLinearTable(Slope, Offset)); });
}

void TKelvoImage::Contrast(int Percent)
{
    RunInPlace("Contrast", {Percent}, [this, Percent](TBitmap& Work) {
        int Low = 0;
        int High = 0;
        GetLevelRange(Low, High, 1, 40);
        if (High < Low) return false;
        ApplyLevelTable(Work, MakeContrastTable(Percent, (Low + High) / 2));
        return true;
    });
}

void TKelvoImage::Gamma(long double Value)
{
    RunInPlace("Gamma", {Value}, [Value](TBitmap& Work) { ApplyLevelTable(Work, MakeGammaTable(Value)); });
}

void TKelvoImage::Negative()
{
    RunInPlace("Negative", {}, [](TBitmap& Work) { ApplyLevelTable(Work, MakeNegativeTable()); });
}

void TKelvoImage::Posterization(int Levels)
{
    RunInPlace("Posterization", {Levels},
               [Levels](TBitmap& Work) { ApplyLevelTable(Work, MakePosterizationTable(Levels)); });
}

void TKelvoImage::GrayScale()
{
    RunInPlace("GrayScale", {}, [](TBitmap& Work) { ApplyGrayScale(Work); });
}

void TKelvoImage::Sepia()
{
    RunInPlace("Sepia", {}, [](TBitmap& Work) { ApplySepia(Work); });
}

void TKelvoImage::BlackAndWhite(int Level, int& Threshold)
{
    RunInPlace("BlackAndWhite", {Level}, [this, Level, &Threshold](TBitmap& Work) {
        if (Level == -1) {
            int Low = 0;
            int High = 0;
            GetLevelRange(Low, High, 1, 40);
            if (High < Low) return false;
            Threshold = (Low + High) / 2;
        } else {
            Threshold = Level;
        }
        ApplyBlackAndWhite(Work, Threshold);
        return true;
    });
}

// Every step of the four is a table over the levels (Contrast's from the levels the steps before it
// leave), so the steps compose their tables, and the pixels go through the composed table once. Handlers
// could look at the picture between the steps, so then each step changes it on its own.
void TKelvoImage::AdjustTones(int Delta, long double Value, int ContrastPercent, int BrightPercent)
{
    TBitmap* Work = PictureBitmap();
    if (Work == nullptr || OnAmend || OnAmended || BitsPerPixel() != 24 || Work->PixelFormat() != pf24bit) {
        Light(Delta);
        Gamma(Value);
        Contrast(ContrastPercent);
        Bright(BrightPercent);
        return;
    }
    TLevelTable Composed{};
    for (std::size_t Level = 0; Level < 256; ++Level) Composed[Level] = std::uint8_t(Level);
    bool Changed = false;
    const auto Then = [&Composed, &Changed](const TLevelTable& Next) {
        Composed = ComposeTables(Composed, Next);
        Changed = true;
    };
    RunInPlace("Light", {Delta}, [&](TBitmap&) { Then(MakeLightTable(Delta)); });
    RunInPlace("Gamma", {Value}, [&](TBitmap&) { Then(MakeGammaTable(Value)); });
    RunInPlace("Contrast", {ContrastPercent}, [&](TBitmap& Picture) {
        const std::int64_t Pixels = std::int64_t(Picture.Width()) * Picture.Height();
        const TLevelRange Range = LevelRangeOf(MapLevels(CountLevels(Picture, 0), Composed), Pixels, 40);
        if (Range.High < Range.Low) return false;
        Then(MakeContrastTable(ContrastPercent, (Range.Low + Range.High) / 2));
        return true;
    });
    RunInPlace("Bright", {BrightPercent}, [&](TBitmap&) { Then(MakeBrightTable(BrightPercent)); });
    if (Changed) ApplyLevelTable(*Work, Composed);
}

// Spread and Automatic leave the gate, the normalisation and the repaint to Linear; they announce their
// end with the kind Linear left behind.
void TKelvoImage::Spread(int InLow, int InHigh, int OutHigh, int OutLow)
{
    Announce("Spread");
    if (!ArgumentsAccepted("Spread", {InLow, InHigh, OutHigh, OutLow})) return;
    // Whole percent, so the stretch is quantised: (10, 200) onto (0, 255) gives 134 and -13.
    const int Slope = (OutHigh - OutLow) * 100 / (InHigh - InLow);
    const int Offset = OutHigh - InHigh * Slope / 100;
    Linear(Slope, Offset);
    DoAmended();
}

void TKelvoImage::Automatic(int Level)
{
    Announce("Automatic");
    if (!ArgumentsAccepted("Automatic", {Level})) return;
    int Low = 0;
    int High = 0;
    GetLevelRange(Low, High, 1, Level);
    if (High < Low) return;
    Spread(Low, High, 255, 0);
    DoAmended();
}

void TKelvoImage::GetLevelRange(int& Low, int& High, int Step, int Percent)
{
    Low = 255;
    High = 0;
    if (Percent < 0 || Percent > 49 || Step < 1 || Step > 8 || BitsPerPixel() < 8) return;
    TBitmap& Work = *PictureBitmap();
    const TPixelFormat Original = NormalisePixelFormat(Work);
    const TLevelRange Range = MeasureLevelRange(Work, Step, Percent);
    RestorePixelFormat(Work, Original);
    Low = Range.Low;
    High = Range.High;
}
