#include "tests/engine/reference/ToneReference.h"

#include <cmath>
#include <cstdint>
#include <functional>

namespace Reference {

namespace {

int Clamp(long long Value)
{
    if (Value < 0) return 0;
    if (Value > 255) return 255;
    return int(Value);
}

// Calls Change on each of blue, green and red of every pixel, one row lookup per pixel.
void EachChannel(TBitmap& Bitmap, const std::function<int(int)>& Change)
{
    for (int Y = 0; Y < Bitmap.Height(); ++Y)
        for (int X = 0; X < Bitmap.Width(); ++X)
            for (int C = 0; C < 3; ++C) {
                std::uint8_t& Value = Bitmap.ScanLine(Y)[3 * X + C];
                Value = std::uint8_t(Change(Value));
            }
}

int Grey(const std::uint8_t* Pixel)
{
    return ((Pixel[0] * 117) >> 10) + ((Pixel[1] * 601) >> 10) + ((Pixel[2] * 306) >> 10);
}

} // namespace

void Bright(TBitmap& Bitmap, int Percent)
{
    const long long Factor = (long long)Percent * 1024 / 100;
    EachChannel(Bitmap, [&](int V) {
        const long long Result = (V * Factor) >> 10;
        return Result > 255 ? 255 : int(Result);
    });
}

void Light(TBitmap& Bitmap, int Delta)
{
    EachChannel(Bitmap, [&](int V) { return Clamp((long long)V + Delta); });
}

void Linear(TBitmap& Bitmap, int Slope, int Offset)
{
    const long long Factor = (long long)Slope * 1024 / 100;
    EachChannel(Bitmap, [&](int V) { return Clamp(Offset + ((V * Factor) >> 10)); });
}

bool Contrast(TBitmap& Bitmap, int Percent)
{
    int Low = 0;
    int High = 0;
    LevelRange(Bitmap, 1, 40, Low, High);
    if (High < Low) return false;
    const int Middle = (Low + High) / 2;
    EachChannel(Bitmap, [&](int V) { return Clamp(Middle + (long long)Percent * (V - Middle) / 100); });
    return true;
}

void Gamma(TBitmap& Bitmap, long double Value)
{
    const long double E = 1 / Value;
    EachChannel(Bitmap, [&](int V) {
        const long double Base = (long double)V / 255;
        long double Power;
        if (Base == 0) {
            Power = 0;
        } else if (E == std::floor(E)) {
            Power = 1;
            for (int Count = 0; Count < int(E); ++Count) Power = Power * Base;
        } else {
            Power = std::exp(E * std::log(Base));
        }
        return int(std::nearbyint(Power * 255));
    });
}

void Negative(TBitmap& Bitmap)
{
    EachChannel(Bitmap, [](int V) { return 255 - V; });
}

void GrayScale(TBitmap& Bitmap)
{
    for (int Y = 0; Y < Bitmap.Height(); ++Y)
        for (int X = 0; X < Bitmap.Width(); ++X) {
            std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
            const int G = Grey(Pixel);
            Pixel[0] = Pixel[1] = Pixel[2] = std::uint8_t(G);
        }
}

void Sepia(TBitmap& Bitmap)
{
    for (int Y = 0; Y < Bitmap.Height(); ++Y)
        for (int X = 0; X < Bitmap.Width(); ++X) {
            std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
            const int G = Grey(Pixel);
            Pixel[0] = std::uint8_t((G * 619) >> 10);
            Pixel[1] = std::uint8_t((G * 853) >> 10);
            Pixel[2] = std::uint8_t(G);
        }
}

bool BlackAndWhite(TBitmap& Bitmap, int Level)
{
    int Threshold = Level;
    if (Level == -1) {
        int Low = 0;
        int High = 0;
        LevelRange(Bitmap, 1, 40, Low, High);
        if (High < Low) return false;
        Threshold = (Low + High) / 2;
    }
    for (int Y = 0; Y < Bitmap.Height(); ++Y)
        for (int X = 0; X < Bitmap.Width(); ++X) {
            std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
            const bool White = Pixel[0] + Pixel[1] + Pixel[2] >= 3 * Threshold;
            Pixel[0] = Pixel[1] = Pixel[2] = White ? 255 : 0;
        }
    return true;
}

void Posterization(TBitmap& Bitmap, int Levels)
{
    const int StepOut = 255 / (Levels - 1);
    const int Band = 256 / Levels;
    EachChannel(Bitmap, [&](int V) {
        const int K = V / Band;
        if (K == 0) return 0;
        if (K < Levels - 1) return StepOut * K;
        return 255;
    });
}

void LevelRange(const TBitmap& Bitmap, int Step, int Percent, int& Low, int& High)
{
    long long HB[256] = {}, HG[256] = {}, HR[256] = {};
    long long N = 0;
    for (int Y = 0; Y < Bitmap.Height(); Y += Step)
        for (int X = 0; X < Bitmap.Width(); X += Step) {
            const std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
            HB[Pixel[0]]++;
            HG[Pixel[1]]++;
            HR[Pixel[2]]++;
            N++;
        }
    long long SB = 0, SG = 0, SR = 0;
    int I = 0;
    for (; I <= 255; ++I) {
        SB += HB[I];
        if (SB * 100 / N > Percent) break;
        SG += HG[I];
        if (SG * 100 / N > Percent) break;
        SR += HR[I];
        if (SR * 100 / N > Percent) break;
    }
    Low = I - 1 < 0 ? 0 : I - 1;
    SB = SG = SR = 0;
    I = 255;
    for (; I >= 0; --I) {
        SB += HB[I];
        if (SB * 100 / N > Percent) break;
        SG += HG[I];
        if (SG * 100 / N > Percent) break;
        SR += HR[I];
        if (SR * 100 / N > Percent) break;
    }
    High = I + 1 > 255 ? 255 : I + 1;
}

} // namespace Reference
