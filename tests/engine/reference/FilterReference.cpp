#include "tests/engine/reference/Reference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

int Level(const TBitmap& Bitmap, int X, int Y, int Channel)
{
    return Bitmap.ScanLine(Y)[3 * X + Channel];
}

void SetLevel(TBitmap& Bitmap, int X, int Y, int Channel, int Value)
{
    Bitmap.ScanLine(Y)[3 * X + Channel] = std::uint8_t(Value);
}

namespace {

TBitmap SameLayout(const TBitmap& Source)
{
    TBitmap Result;
    Result.SetLayout(Source.Width(), Source.Height(), 24);
    return Result;
}

int Clamp(int V)
{
    return V < 0 ? 0 : V > 255 ? 255 : V;
}

void CopyPixel(TBitmap& To, int ToX, int ToY, const TBitmap& From, int FromX, int FromY)
{
    for (int C = 0; C < 3; ++C) SetLevel(To, ToX, ToY, C, Level(From, FromX, FromY, C));
}

} // namespace

TBitmap ReferenceBlur(const TBitmap& Source)
{
    const int W = Source.Width(), H = Source.Height();
    TBitmap Result = SameLayout(Source);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            for (int C = 0; C < 3; ++C) {
                int Sum = 0, Count = 0;
                for (int DY = -1; DY <= 1; ++DY)
                    for (int DX = -1; DX <= 1; ++DX) {
                        if (X + DX < 0 || X + DX >= W || Y + DY < 0 || Y + DY >= H) continue;
                        Sum += Level(Source, X + DX, Y + DY, C);
                        ++Count;
                    }
                SetLevel(Result, X, Y, C, Sum / Count);
            }
    return Result;
}

TBitmap ReferenceEdge(const TBitmap& Source, int EdgeLevel)
{
    const int W = Source.Width(), H = Source.Height();
    TBitmap Result = SameLayout(Source);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            for (int C = 0; C < 3; ++C) {
                const int Centre = Level(Source, X, Y, C);
                if (X == 0 || Y == 0 || X == W - 1 || Y == H - 1) {
                    SetLevel(Result, X, Y, C, Centre);
                    continue;
                }
                int V = 5 * Centre - (Level(Source, X, Y - 1, C) + Level(Source, X, Y + 1, C) +
                                      Level(Source, X - 1, Y, C) + Level(Source, X + 1, Y, C));
                V = (V - Centre) * EdgeLevel / 100 + Centre;
                SetLevel(Result, X, Y, C, Clamp(V));
            }
    return Result;
}

TBitmap ReferenceMedian(const TBitmap& Source, int MedianLevel)
{
    const int W = Source.Width(), H = Source.Height();
    TBitmap Result = SameLayout(Source);
    const int Threshold = (25500 - MedianLevel * 255) / 100;
    struct TEntry
    {
        int X, Y, S;
    };
    auto Sum = [&](int X, int Y) { return Level(Source, X, Y, 0) + Level(Source, X, Y, 1) + Level(Source, X, Y, 2); };
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            const int SC = Sum(X, Y);
            TEntry Entries[9];
            int N = 0;
            for (int Row = Y - 1; Row <= Y + 1; ++Row)
                for (int Column = X - 1; Column <= X + 1; ++Column)
                    if (Row >= 0 && Row < H && Column >= 0 && Column < W)
                        Entries[N++] = TEntry{Column, Row, Sum(Column, Row)};
            for (int P = 0; P <= N / 2; ++P)
                for (int Q = P + 1; Q <= N - 1; ++Q)
                    if (Entries[Q].S < Entries[P].S) std::swap(Entries[P], Entries[Q]);
            const TEntry& M = Entries[N / 2];
            if (std::abs(SC - M.S) >= Threshold)
                CopyPixel(Result, X, Y, Source, M.X, M.Y);
            else
                CopyPixel(Result, X, Y, Source, X, Y);
        }
    return Result;
}

TBitmap ReferenceSobel(const TBitmap& Source, int SobelLevel, bool Overlay)
{
    const int W = Source.Width(), H = Source.Height();
    if (W < 3 || H < 3) return Source;
    TBitmap Result = SameLayout(Source);
    const int KX[3][3] = {{1, 0, -1}, {2, 0, -2}, {1, 0, -1}};
    const int KY[3][3] = {{1, 2, 1}, {0, 0, 0}, {-1, -2, -1}};
    for (int Y = 1; Y <= H - 2; ++Y)
        for (int X = 1; X <= W - 2; ++X) {
            int Magnitude[3];
            for (int C = 0; C < 3; ++C) {
                int GX = 0, GY = 0;
                for (int DY = -1; DY <= 1; ++DY)
                    for (int DX = -1; DX <= 1; ++DX) {
                        GX += KX[DY + 1][DX + 1] * Level(Source, X + DX, Y + DY, C);
                        GY += KY[DY + 1][DX + 1] * Level(Source, X + DX, Y + DY, C);
                    }
                const double Root = std::nearbyint(std::sqrt(double((GX * GX + GY * GY) * SobelLevel / 100)));
                Magnitude[C] = Root > 255 ? 255 : int(Root);
            }
            const int V = 255 - (Magnitude[0] | Magnitude[1] | Magnitude[2]);
            for (int C = 0; C < 3; ++C) SetLevel(Result, X, Y, C, Overlay ? (Level(Source, X, Y, C) & V) : V);
        }
    for (int X = 1; X <= W - 2; ++X) {
        CopyPixel(Result, X, 0, Result, X, 1);
        CopyPixel(Result, X, H - 1, Result, X, H - 2);
    }
    for (int Y = 0; Y <= H - 1; ++Y) {
        CopyPixel(Result, 0, Y, Result, 1, Y);
        CopyPixel(Result, W - 1, Y, Result, W - 2, Y);
    }
    return Result;
}

void ReferenceMosaic(TBitmap& Picture, int BlockSize)
{
    const int W = Picture.Width(), H = Picture.Height();
    const int Half = BlockSize / 2;
    for (int Y0 = 0; Y0 < H; Y0 += BlockSize)
        for (int X0 = 0; X0 < W; X0 += BlockSize) {
            int Sample[3];
            const bool Centre = Y0 + Half < H && X0 + Half < W;
            for (int C = 0; C < 3; ++C)
                Sample[C] = Centre ? Level(Picture, X0 + Half, Y0 + Half, C) : Level(Picture, X0, Y0, C);
            for (int Y = Y0; Y <= std::min(Y0 + BlockSize, H) - 1; ++Y)
                for (int X = X0; X <= std::min(X0 + BlockSize, W) - 1; ++X)
                    for (int C = 0; C < 3; ++C) SetLevel(Picture, X, Y, C, Sample[C]);
        }
}

void ReferenceFraming(TBitmap& Picture, int FrameWidth, int Contrast, bool LightFromLeft)
{
    const int W = Picture.Width(), H = Picture.Height();
    const int HalfContrast = (Contrast - 100) / 2 + 100;
    auto Lighten = [](int V, int F) { return V * F / 100 > 255 ? 255 : V * F / 100; };
    auto Darken = [](int V, int F) { return V * 100 / F; };
    auto Apply = [&](int X, int Y, bool Light, int F) {
        for (int C = 0; C < 3; ++C) {
            const int V = Level(Picture, X, Y, C);
            SetLevel(Picture, X, Y, C, Light ? Lighten(V, F) : Darken(V, F));
        }
    };
    for (int K = 0; K < FrameWidth && K < H / 2; ++K)
        for (int X = K; X <= W - 1 - K; ++X) Apply(X, K, LightFromLeft, HalfContrast);
    for (int K = 0; K < FrameWidth && K < W / 2; ++K)
        for (int Y = K + 1; Y <= H - 1 - K; ++Y) Apply(K, Y, LightFromLeft, Contrast);
    for (int R = H - 1; R >= H - FrameWidth && R >= H / 2; --R) {
        const int K = H - 1 - R;
        for (int X = K + 1; X <= W - 1 - K; ++X) Apply(X, R, !LightFromLeft, HalfContrast);
    }
    for (int Col = W - 1; Col >= W - FrameWidth && Col >= W / 2; --Col) {
        const int K = W - 1 - Col;
        for (int Y = K + 1; Y <= H - 2 - K; ++Y) Apply(Col, Y, !LightFromLeft, Contrast);
    }
}
