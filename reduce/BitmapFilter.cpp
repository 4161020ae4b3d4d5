#include "reduce/Messages.h"
#include "reduce/Reduce.h"

#include "platform/system/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int WindowRows = 11;
constexpr int Margin = 5; // pixels of zeros left and right of every row copy

// Zeros Copy and, when Y lies inside the picture, puts source row Y after the left margin. A picture
// without columns has no row memory to copy from.
void LoadRowCopy(std::vector<std::uint8_t>& Copy, const TBitmap& Source, int Y)
{
    std::fill(Copy.begin(), Copy.end(), std::uint8_t(0));
    if (Y >= 0 && Y < Source.Height() && Source.Width() > 0)
        std::memcpy(Copy.data() + 3 * Margin, Source.ScanLine(Y), std::size_t(Source.Width()) * 3);
}

} // namespace

std::unique_ptr<TBitmap> BitmapFilter(const TBitmap& Source, TPixelFilterProc Proc, const void* Data)
{
    if (Source.PixelFormat() != pf24bit) throw Exception(ReduceMessages::SBitmapFilterNeeds24Bit);
    const int Width = Source.Width();
    const std::size_t CopyLength = (std::size_t(Width) + 2 * Margin) * 3;
    auto Result = std::make_unique<TBitmap>();
    Result->SetLayout(Width, Source.Height(), 24);

    // Copy k holds row y − 5 + k; rows outside the picture stay all zeros.
    std::array<std::vector<std::uint8_t>, WindowRows> Copies;
    for (int K = 0; K < WindowRows; ++K) {
        Copies[std::size_t(K)].resize(CopyLength);
        LoadRowCopy(Copies[std::size_t(K)], Source, K - Margin);
    }
    // One output pixel for the whole pass: a procedure that writes nothing repeats its last pixel.
    std::array<std::uint8_t, 3> Output{};
    for (int Y = 0; Y < Source.Height(); ++Y) {
        TFilterWindow Window;
        for (int K = 0; K < WindowRows; ++K) Window[std::size_t(K)] = Copies[std::size_t(K)].data();
        std::uint8_t* Target = Result->ScanLine(Y);
        for (int X = 0; X < Width; ++X, Target += 3) {
            Proc(X, Y, Window, Output.data(), Data);
            std::memcpy(Target, Output.data(), 3);
            for (auto& Position : Window) Position += 3;
        }
        // The oldest copy is reused for row y + 6.
        std::rotate(Copies.begin(), Copies.begin() + 1, Copies.end());
        LoadRowCopy(Copies.back(), Source, Y + 1 + Margin);
    }
    return Result;
}
