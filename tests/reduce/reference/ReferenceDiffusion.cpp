#include "tests/reduce/reference/Reference.h"

#include <algorithm>

namespace Reference {

TIndexed IndexedOf(const TBitmap& Bitmap)
{
    TIndexed Result;
    const auto Entries = Bitmap.ColorTable().Entries();
    Result.Palette.assign(Entries.begin(), Entries.end());
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Row = Bitmap.ScanLine(Y);
        Result.Indexes.insert(Result.Indexes.end(), Row, Row + Bitmap.Width());
    }
    return Result;
}

std::vector<std::uint32_t> ColorsOf(const TBitmap& Bitmap)
{
    std::vector<std::uint32_t> Colors;
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (int X = 0; X < Bitmap.Width(); ++X)
            Colors.push_back(std::uint32_t(Row[3 * X + 2] << 16 | Row[3 * X + 1] << 8 | Row[3 * X]));
    }
    return Colors;
}

std::vector<std::uint32_t> Diffuse(const TBitmap& Bitmap, const TQuantize& Quantize)
{
    const int W = Bitmap.Width(), H = Bitmap.Height();
    // Level (x, y, channel red/green/blue), updated in place.
    std::vector<int> Levels(std::size_t(W) * std::size_t(H) * 3);
    const auto At = [&](int X, int Y, int C) -> int& {
        return Levels[(std::size_t(Y) * std::size_t(W) + std::size_t(X)) * 3 + std::size_t(C)];
    };
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            for (int C = 0; C < 3; ++C) At(X, Y, C) = Bitmap.ScanLine(Y)[3 * X + 2 - C];
    std::vector<std::uint32_t> Result;
    for (int Y = 0; Y < H; ++Y) {
        for (int X = 0; X < W; ++X) {
            const std::array<int, 3> Old{At(X, Y, 0), At(X, Y, 1), At(X, Y, 2)};
            const std::array<int, 3> New = Quantize(Old);
            Result.push_back(std::uint32_t(New[0] << 16 | New[1] << 8 | New[2]));
            const int Dx[4] = {1, -1, 0, 1}, Dy[4] = {0, 1, 1, 1}, Weight[4] = {7, 3, 5, 1};
            for (int N = 0; N < 4; ++N) {
                const int Nx = X + Dx[N], Ny = Y + Dy[N];
                if (Nx < 0 || Nx >= W || Ny >= H) continue;
                for (int C = 0; C < 3; ++C) {
                    int& Value = At(Nx, Ny, C);
                    Value = std::clamp(Value - (New[C] - Old[C]) * Weight[N] / 16, 0, 255);
                }
            }
        }
    }
    return Result;
}

namespace {

const int RedLevels[6] = {0, 51, 102, 153, 204, 255};
const int GreenLevels[7] = {0, 43, 85, 128, 171, 214, 255};
const int BlueLevels[5] = {0, 64, 128, 192, 255};

// The last value of each level's range.
int LevelNumber(int Value, std::initializer_list<int> Ends)
{
    int Level = 0;
    for (int End : Ends) {
        if (Value <= End) return Level;
        ++Level;
    }
    return Level;
}

} // namespace

std::array<int, 3> StaticLevels(std::array<int, 3> RedGreenBlue)
{
    return {RedLevels[LevelNumber(RedGreenBlue[0], {25, 76, 127, 178, 230, 255})],
            GreenLevels[LevelNumber(RedGreenBlue[1], {21, 63, 106, 149, 192, 233, 255})],
            BlueLevels[LevelNumber(RedGreenBlue[2], {31, 95, 159, 223, 255})]};
}

int StaticIndex(std::array<int, 3> RedGreenBlue)
{
    return LevelNumber(RedGreenBlue[0], {25, 76, 127, 178, 230, 255}) * 35 +
           LevelNumber(RedGreenBlue[1], {21, 63, 106, 149, 192, 233, 255}) * 5 +
           LevelNumber(RedGreenBlue[2], {31, 95, 159, 223, 255});
}

TIndexed StaticColorDiffusionReduce(const TBitmap& Bitmap)
{
    TIndexed Result;
    for (int R = 0; R < 6; ++R)
        for (int G = 0; G < 7; ++G)
            for (int B = 0; B < 5; ++B)
                Result.Palette.push_back(TPaletteEntry{std::uint8_t(RedLevels[R]), std::uint8_t(GreenLevels[G]),
                                                       std::uint8_t(BlueLevels[B]), 0});
    for (std::uint32_t Color : Diffuse(Bitmap, StaticLevels))
        Result.Indexes.push_back(
            std::uint8_t(StaticIndex({int(Color >> 16 & 255), int(Color >> 8 & 255), int(Color & 255)})));
    return Result;
}

} // namespace Reference
