#include "tests/reduce/reference/Reference.h"

#include <algorithm>

namespace Reference {

namespace {

int CellNumber(std::uint32_t Color)
{
    return int((Color >> 16 & 255) >> 2) * 2048 + int((Color >> 8 & 255) >> 2) * 32 + int((Color & 255) >> 3);
}

} // namespace

TMedianCut::TMedianCut() : Cells(131072), IndexTable(131072)
{
    for (int I = 0; I < 131072; ++I) Cells[std::size_t(I)].CellNo = I;
}

void TMedianCut::AddColor(std::uint32_t Color)
{
    TCell& Cell = Cells[std::size_t(CellNumber(Color))];
    ++Cell.Count;
    Cell.Red += int(Color >> 16 & 255) & 3;
    Cell.Green += int(Color >> 8 & 255) & 3;
    Cell.Blue += int(Color & 255) & 7;
}

void TMedianCut::Cut(int Depth, bool Compact, bool ByVariance)
{
    for (TCell& Cell : Cells) {
        const int R = Cell.CellNo / 2048, G = Cell.CellNo / 32 % 64, B = Cell.CellNo % 32;
        if (Cell.Count > 0) {
            Cell.Red = Cell.Red / Cell.Count + 4 * R;
            Cell.Green = Cell.Green / Cell.Count + 4 * G;
            Cell.Blue = Cell.Blue / Cell.Count + 8 * B;
        } else {
            Cell.Red = 4 * R + 2;
            Cell.Green = 4 * G + 2;
            Cell.Blue = 8 * B + 4;
        }
    }
    MaxDepth = Depth;
    Variance = ByVariance;
    Colors.clear();
    int N = 131072;
    if (Compact) {
        std::vector<TCell> Used;
        for (const TCell& Cell : Cells)
            if (Cell.Count > 0) Used.push_back(Cell);
        N = int(Used.size());
        std::copy(Used.begin(), Used.end(), Cells.begin());
    }
    Split(0, N, 0);
    std::fill(IndexTable.begin(), IndexTable.end(), 0);
    for (int I = 0; I < N; ++I)
        IndexTable[std::size_t(Cells[std::size_t(I)].CellNo)] = std::uint8_t(Cells[std::size_t(I)].Index);
}

void TMedianCut::Split(int First, int Last, int Level)
{
    if (First == Last) return;
    std::int64_t N = 0;
    int Min[3] = {999, 999, 999}, Max[3] = {-1, -1, -1};
    std::int64_t Sum[3] = {0, 0, 0};
    long double Square[3] = {0, 0, 0};
    for (int I = First; I < Last; ++I) {
        const TCell& Cell = Cells[std::size_t(I)];
        const int V[3] = {Cell.Red, Cell.Green, Cell.Blue};
        N += Cell.Count;
        for (int C = 0; C < 3; ++C) {
            Min[C] = std::min(Min[C], V[C]);
            Max[C] = std::max(Max[C], V[C]);
            Sum[C] += std::int64_t(Cell.Count) * V[C];
            Square[C] += (long double)Cell.Count * V[C] * V[C];
        }
    }
    std::int64_t Mean[3];
    for (int C = 0; C < 3; ++C) {
        if (N > 0) {
            Mean[C] = Sum[C] / N;
        } else {
            std::int64_t Plain = 0;
            for (int I = First; I < Last; ++I) {
                const TCell& Cell = Cells[std::size_t(I)];
                Plain += C == 0 ? Cell.Red : (C == 1 ? Cell.Green : Cell.Blue);
            }
            Mean[C] = Plain / (Last - First);
        }
    }
    if (Level == MaxDepth || N == 0) {
        Colors.push_back(TPaletteEntry{std::uint8_t(Mean[0]), std::uint8_t(Mean[1]), std::uint8_t(Mean[2]), 0});
        for (int I = First; I < Last; ++I) Cells[std::size_t(I)].Index = std::uint16_t(Colors.size() - 1);
        return;
    }
    int Channel;
    if (Variance) {
        long double V[3];
        for (int C = 0; C < 3; ++C) V[C] = Square[C] / N - (long double)(Mean[C] * Mean[C]);
        const long double R = 3 * V[0], G = 4 * V[1], B = 2 * V[2];
        Channel = (R >= G && R >= B) ? 0 : (G >= B ? 1 : 2);
    } else {
        // The weights 1.2, 1.4 and 1.0 as the integers 6, 7 and 5.
        const int R = 6 * (Max[0] - Min[0]), G = 7 * (Max[1] - Min[1]), B = 5 * (Max[2] - Min[2]);
        Channel = (R >= G && R >= B) ? 0 : (G >= B ? 1 : 2);
    }
    const auto Value = [&](int I) {
        const TCell& Cell = Cells[std::size_t(I)];
        return Channel == 0 ? Cell.Red : (Channel == 1 ? Cell.Green : Cell.Blue);
    };
    int I = First, J = Last;
    do {
        while (I < J && Value(I) <= Mean[Channel]) ++I;
        while (I < J && Value(J - 1) > Mean[Channel]) --J;
        if (I != J) std::swap(Cells[std::size_t(I)], Cells[std::size_t(J - 1)]);
    } while (I < J);
    Split(I, Last, Level + 1);
    Split(First, I, Level + 1);
}

int TMedianCut::GetColorIndex(std::uint32_t Color) const
{
    return IndexTable[std::size_t(CellNumber(Color))];
}

std::vector<TPaletteEntry> TMedianCut::GetPalette() const
{
    return Colors;
}

TIndexed MedianCutReduce(const TBitmap& Bitmap, int Depth, bool ByVariance)
{
    TMedianCut Cut;
    const auto Colors = ColorsOf(Bitmap);
    for (std::uint32_t Color : Colors) Cut.AddColor(Color);
    Cut.Cut(Depth, true, ByVariance);
    TIndexed Result{Cut.GetPalette(), {}};
    for (std::uint32_t Color : Colors) Result.Indexes.push_back(std::uint8_t(Cut.GetColorIndex(Color)));
    return Result;
}

TIndexed MedianCutDiffusionReduce(const TBitmap& Bitmap, int Depth, bool ByVariance)
{
    TMedianCut Cut;
    for (std::uint32_t Color : ColorsOf(Bitmap)) Cut.AddColor(Color);
    Cut.Cut(Depth, false, ByVariance);
    const auto Palette = Cut.GetPalette();
    const auto Diffused = Diffuse(Bitmap, [&](std::array<int, 3> Old) {
        const TPaletteEntry& Entry =
            Palette[std::size_t(Cut.GetColorIndex(std::uint32_t(Old[0] * 65536 + Old[1] * 256 + Old[2])))];
        return std::array<int, 3>{Entry.peRed, Entry.peGreen, Entry.peBlue};
    });
    TIndexed Result{Palette, {}};
    for (std::uint32_t Color : Diffused) Result.Indexes.push_back(std::uint8_t(Cut.GetColorIndex(Color)));
    return Result;
}

} // namespace Reference
