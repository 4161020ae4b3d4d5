#include "tests/engine/reference/Reference.h"

#include <cmath>

namespace {

// Pixel X of row Y as an unsigned value of the bitmap's depth.
std::uint32_t GetPixel(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* Row = Bitmap.ScanLine(Y);
    switch (Bitmap.BitCount()) {
    case 1:
        return (Row[X / 8] >> (7 - X % 8)) & 1;
    case 4:
        return X % 2 == 0 ? Row[X / 2] >> 4 : Row[X / 2] & 15;
    case 8:
        return Row[X];
    case 16:
        return Row[2 * X] | (Row[2 * X + 1] << 8);
    case 24:
        return Row[3 * X] | (Row[3 * X + 1] << 8) | (Row[3 * X + 2] << 16);
    default:
        return Row[4 * X] | (Row[4 * X + 1] << 8) | (Row[4 * X + 2] << 16) | (std::uint32_t(Row[4 * X + 3]) << 24);
    }
}

void SetPixel(TBitmap& Bitmap, int X, int Y, std::uint32_t Value)
{
    std::uint8_t* Row = Bitmap.ScanLine(Y);
    switch (Bitmap.BitCount()) {
    case 1:
        Row[X / 8] = std::uint8_t((Row[X / 8] & ~(1 << (7 - X % 8))) | (Value << (7 - X % 8)));
        break;
    case 4:
        Row[X / 2] = std::uint8_t(X % 2 == 0 ? (Row[X / 2] & 0x0F) | (Value << 4) : (Row[X / 2] & 0xF0) | Value);
        break;
    default:
        for (int Byte = 0; Byte < Bitmap.BitCount() / 8; ++Byte)
            Row[Bitmap.BitCount() / 8 * X + Byte] = std::uint8_t(Value >> (8 * Byte));
        break;
    }
}

TBitmap Like(const TBitmap& Source, int Width, int Height)
{
    TBitmap Result;
    Result.SetLayout(Width, Height, Source.BitCount(),
                     Source.HasBitFields() ? std::optional<TBitFields>(Source.BitFields()) : std::nullopt);
    Result.SetPalette(Source.ColorTable());
    return Result;
}

} // namespace

TBitmap ReferenceTurn(const TBitmap& Source, int Angle)
{
    const int W = Source.Width(), H = Source.Height();
    TBitmap Result = Angle == 180 ? Like(Source, W, H) : Like(Source, H, W);
    for (int Y = 0; Y < Result.Height(); ++Y)
        for (int X = 0; X < Result.Width(); ++X) {
            if (Angle == 90)
                SetPixel(Result, X, Y, GetPixel(Source, Y, H - 1 - X));
            else if (Angle == 180)
                SetPixel(Result, X, Y, GetPixel(Source, W - 1 - X, H - 1 - Y));
            else
                SetPixel(Result, X, Y, GetPixel(Source, W - 1 - Y, X));
        }
    return Result;
}

TBitmap ReferenceReverse(const TBitmap& Source)
{
    const int W = Source.Width(), H = Source.Height();
    TBitmap Result = Like(Source, W, H);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) SetPixel(Result, X, Y, GetPixel(Source, W - 1 - X, Y));
    return Result;
}

TBitmap ReferenceBilinear(const TBitmap& Source, int NewWidth, int NewHeight)
{
    const int W = Source.Width(), H = Source.Height();
    const long double SX = (long double)W / NewWidth;
    const long double SY = (long double)H / NewHeight;
    TBitmap Result;
    Result.SetLayout(NewWidth, NewHeight, 24);
    for (int Y = 0; Y < NewHeight; ++Y) {
        const long double FY = (Y + 0.5L) * SY - 0.5L;
        const int Y0 = int(std::floor(FY));
        const long double DY = FY - Y0;
        const int A = Y0 < 0 ? 0 : Y0;
        const int B = Y0 + 1 > H - 1 ? H - 1 : Y0 + 1;
        for (int X = 0; X < NewWidth; ++X) {
            const long double FX = (X + 0.5L) * SX - 0.5L;
            const int X0 = int(std::floor(FX));
            const long double DX = FX - X0;
            const int L = X0 < 0 ? 0 : X0;
            const int R = X0 + 1 > W - 1 ? W - 1 : X0 + 1;
            for (int C = 0; C < 3; ++C) {
                const int P00 = Level(Source, L, A, C), P01 = Level(Source, R, A, C);
                const int P10 = Level(Source, L, B, C), P11 = Level(Source, R, B, C);
                const long double Value = DX * (P01 - P00) + DX * DY * (P11 - P01 - P10 + P00) + DY * (P10 - P00) + P00;
                SetLevel(Result, X, Y, C, int(std::nearbyint(Value)));
            }
        }
    }
    return Result;
}

TBitmap ReferenceAreaAverage(const TBitmap& Source, int NewWidth, int NewHeight)
{
    const int W = Source.Width(), H = Source.Height();
    const double Scale = double(W * H) / NewWidth / NewHeight;
    const double SX = double(W) / NewWidth;
    const double SY = double(H) / NewHeight;
    TBitmap Result;
    Result.SetLayout(NewWidth, NewHeight, 24);
    for (int Y = 0; Y < NewHeight; ++Y)
        for (int X = 0; X < NewWidth; ++X) {
            const double X0 = X * SX, X1 = (X + 1) * SX - 0.000001;
            const double Y0 = Y * SY, Y1 = (Y + 1) * SY - 0.000001;
            double Sum[3] = {0, 0, 0};
            for (int I = int(std::floor(Y0)); I <= int(std::floor(Y1)); ++I)
                for (int J = int(std::floor(X0)); J <= int(std::floor(X1)); ++J) {
                    const double WX = std::min(double(J + 1), X1) - std::max(double(J), X0);
                    const double WY = std::min(double(I + 1), Y1) - std::max(double(I), Y0);
                    for (int C = 0; C < 3; ++C) Sum[C] += WX * WY * Level(Source, J, I, C);
                }
            for (int C = 0; C < 3; ++C) SetLevel(Result, X, Y, C, int(std::nearbyint(Sum[C] / Scale)));
        }
    return Result;
}
