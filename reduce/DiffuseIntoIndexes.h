#pragma once
// Error diffusion straight into palette indexes, with the results of BitmapFilter and ErrorDiffusionPixel
// followed by building the 8-bit result, but without the 24-bit picture between them.
//
// A pixel's value is its source value after the clamped updates from its upper neighbours (the share of
// the pixel up left for its below right, of the pixel above for its below, of the pixel up right for its
// below left, in that order) and then from its left neighbour. Every update is a subtraction clamped to
// 0..255, which is a saturating byte addition (of a negative share) followed by a saturating byte
// subtraction (of a positive one), so the four updates of one pixel's error are two byte-vector
// operations on a window of four pixels: below left, below, below right and right, 4 bytes each (blue,
// green, red, unused).
//
// Since a row needs only the finished pixels above it up to one column to the right, a row can run two
// columns behind the row above it: Rows rows are diffused together in one sweep, each handing every pixel
// below it that has received all its shares straight to the row below, so the processor works on several
// chains of dependent pixels at once. Only the last row of a sweep stores its finished row below, as
// 8-byte records (that row's source below it, then its own value), where the first row of the next sweep
// reads them.

#include "platform/graphics/Bitmap.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include <emmintrin.h>

namespace DiffusionDetail {

// Window slots, 4 bytes each: the pixel below left, below, below right and right of the current one.
constexpr std::array<int, 4> SlotWeights{3, 5, 1, 7};

// The shares of one channel's error as byte vectors over the window: Subtract holds the positive shares,
// Add the magnitudes of the negative ones.
struct alignas(16) TShareVectors
{
    std::array<std::uint8_t, 16> Subtract{};
    std::array<std::uint8_t, 16> Add{};
};

using TErrorShares = std::array<TShareVectors, 511>; // for error + 255

// e × w div 16, truncated toward zero, for each slot's weight w, in channel Channel (0 blue, 1 green, 2 red).
constexpr TShareVectors SharesOf(int Error, int Channel)
{
    TShareVectors Shares;
    for (std::size_t Slot = 0; Slot < 4; ++Slot) {
        const int Share = Error * SlotWeights[Slot] / 16;
        const std::size_t Lane = 4 * Slot + std::size_t(Channel);
        Shares.Subtract[Lane] = std::uint8_t(Share > 0 ? Share : 0);
        Shares.Add[Lane] = std::uint8_t(Share < 0 ? -Share : 0);
    }
    return Shares;
}

constexpr TErrorShares MakeErrorShares(int Channel)
{
    TErrorShares Table{};
    for (int Error = -255; Error <= 255; ++Error) Table[std::size_t(Error + 255)] = SharesOf(Error, Channel);
    return Table;
}

inline constexpr std::array<TErrorShares, 3> ErrorShares{MakeErrorShares(0), MakeErrorShares(1), MakeErrorShares(2)};

inline __m128i Load(const std::array<std::uint8_t, 16>& Bytes)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(Bytes.data()));
}

// The share vectors of the three channels together.
struct TWindowShares
{
    __m128i Subtract;
    __m128i Add;
};

inline TWindowShares Combine(const TShareVectors& Blue, const TShareVectors& Green, const TShareVectors& Red)
{
    return {_mm_or_si128(_mm_or_si128(Load(Blue.Subtract), Load(Green.Subtract)), Load(Red.Subtract)),
            _mm_or_si128(_mm_or_si128(Load(Blue.Add), Load(Green.Add)), Load(Red.Add))};
}

inline std::uint32_t ReadPixel(const std::uint8_t* Pixel)
{
    return std::uint32_t(Pixel[0]) | std::uint32_t(Pixel[1]) << 8 | std::uint32_t(Pixel[2]) << 16;
}

// 4 bytes from Pixel: its 3 and one more, which must exist.
inline std::uint32_t ReadPixelAndOne(const std::uint8_t* Pixel)
{
    std::uint32_t Value;
    std::memcpy(&Value, Pixel, 4);
    return Value;
}

inline std::uint32_t Slot0(__m128i Window)
{
    return std::uint32_t(_mm_cvtsi128_si32(Window));
}

// One row of a sweep.
struct TRow
{
    __m128i Window;        // below left, below, below right, right, for the current column
    std::uint32_t Current; // the current pixel (blue, green, red; the top byte is ignored)
    __m128i Handed;        // slot 0: the pixel below left, finished by the last step
    const std::uint8_t* SourceBelow;
    std::uint8_t* Target;
};

// Rows rows from Top on. Records holds the first row's values and the source row below it; the last row
// leaves its finished row below there, with the source row below that one.
template <int Rows, class TChoose> class TSweep
{
public:
    TSweep(const TBitmap& Source, TBitmap& Result, int Top, std::vector<std::uint8_t>& Records,
           const std::vector<std::uint8_t>& Zeros, const TChoose& Choose)
        : FWidth(Source.Width()), FRecords(Records.data()), FChoose(Choose)
    {
        const auto SourceRow = [&](int Y) { return Y < Source.Height() ? Source.ScanLine(Y) : Zeros.data(); };
        for (int K = 0; K < Rows; ++K) {
            TRow& Row = FRows[std::size_t(K)];
            Row.SourceBelow = SourceRow(Top + K + 1);
            Row.Target = Result.ScanLine(Top + K);
            Row.Window = _mm_slli_si128(_mm_cvtsi32_si128(int(ReadPixel(Row.SourceBelow))), 4);
            Row.Handed = _mm_setzero_si128();
        }
        FRows[0].Current = ReadPixel(FRecords + 4);
        FNextSource = SourceRow(Top + Rows + 1);
    }

    void Run()
    {
        // Row K is at column Sweep − 2K; the columns where every row is away from the edges need no checks.
        const int Last = FWidth + 2 * (Rows - 1);
        const int FastFirst = 2 * Rows - 1, FastLast = FWidth - 3;
        int Sweep = 0;
        for (; Sweep <= Last && (Sweep < FastFirst || Sweep > FastLast); ++Sweep) CheckedSweep(Sweep);
        for (; Sweep <= FastLast; ++Sweep) [&]<int... K>(std::integer_sequence<int, K...>)
            {
                (FastStep<K>(Sweep - 2 * K), ...);
            }
        (std::make_integer_sequence<int, Rows>());
        for (; Sweep <= Last; ++Sweep) CheckedSweep(Sweep);
    }

private:
    // Chooses the current pixel's colour, spreads its error over the window and moves on by one column.
    // The window's right slot and below-right slot have been filled for this column.
    void Diffuse(TRow& Row, int Column)
    {
        TWindowShares Shares;
        Row.Target[Column] = std::uint8_t(FChoose(Row.Current & 0xFFFFFF, Shares));
        const __m128i Updated = _mm_subs_epu8(_mm_adds_epu8(Row.Window, Shares.Add), Shares.Subtract);
        Row.Handed = Updated;
        Row.Current = Slot0(_mm_srli_si128(Updated, 12));
        Row.Window = _mm_srli_si128(Updated, 4);
    }

    // The right slot from the row above's handed pixel (or the records) and the below-right slot from the
    // source below.
    template <int K> void FillWindow(TRow& Row, std::uint32_t SourceBelowRight)
    {
        if constexpr (K == 0) {
            (void)SourceBelowRight;
            return;
        } else {
            const __m128i Kept = _mm_and_si128(Row.Window, _mm_set_epi32(0, 0, -1, -1));
            const __m128i Below = _mm_slli_si128(_mm_cvtsi32_si128(int(SourceBelowRight)), 8);
            const __m128i Right = _mm_slli_si128(FRows[std::size_t(K - 1)].Handed, 12);
            Row.Window = _mm_or_si128(Kept, _mm_or_si128(Below, Right));
        }
    }

    void LoadRecord(TRow& Row, int Column)
    {
        Row.Window = _mm_castpd_si128(
            _mm_loadh_pd(_mm_castsi128_pd(Row.Window), reinterpret_cast<const double*>(FRecords + 8 * Column)));
    }

    // The finished pixel Column of the row below the last row, with the source pixel below it.
    void StoreRecord(int Column, std::uint32_t Finished, std::uint32_t SourceBelow)
    {
        std::memcpy(FRecords + 8 * Column, &SourceBelow, 4);
        std::memcpy(FRecords + 8 * Column + 4, &Finished, 4);
    }

    // Column 1 to width − 3 of row K: every neighbour exists and 4-byte reads stay inside their rows.
    template <int K> void FastStep(int Column)
    {
        TRow& Row = FRows[std::size_t(K)];
        if constexpr (K == 0)
            LoadRecord(Row, Column + 1);
        else
            FillWindow<K>(Row, ReadPixelAndOne(Row.SourceBelow + 3 * (Column + 1)));
        Diffuse(Row, Column);
        if constexpr (K == Rows - 1)
            StoreRecord(Column - 1, Slot0(Row.Handed), ReadPixelAndOne(FNextSource + 3 * (Column - 1)));
    }

    void CheckedSweep(int Sweep)
    {
        [&]<int... K>(std::integer_sequence<int, K...>)
        {
            (CheckedStep<K>(Sweep - 2 * K), ...);
        }
        (std::make_integer_sequence<int, Rows>());
    }

    template <int K> void CheckedStep(int Column)
    {
        TRow& Row = FRows[std::size_t(K)];
        if constexpr (K > 0) {
            // The first pixel of the row, just finished by the row above.
            if (Column == -1) {
                Row.Current = Slot0(FRows[std::size_t(K - 1)].Handed);
                return;
            }
        }
        if (Column < 0 || Column > FWidth) return;
        if (Column < FWidth) {
            const bool HasRight = Column + 1 < FWidth;
            if constexpr (K == 0)
                LoadRecord(Row, Column + 1);
            else
                FillWindow<K>(Row, HasRight ? ReadPixel(Row.SourceBelow + 3 * (Column + 1)) : 0);
            Diffuse(Row, Column);
        } else {
            // Past the last column the window's below-left slot holds the last pixel below, finished.
            Row.Handed = Row.Window;
        }
        if (K == Rows - 1 && Column >= 1)
            StoreRecord(Column - 1, Slot0(Row.Handed), ReadPixel(FNextSource + 3 * (Column - 1)));
    }

    int FWidth;
    std::uint8_t* FRecords;
    const TChoose& FChoose;
    std::array<TRow, Rows> FRows;
    const std::uint8_t* FNextSource;
};

} // namespace DiffusionDetail

// Choose(Current, Shares) is given the current pixel as blue + 256 × green + 65536 × red, fills Shares
// with the shares of the error of the colour it chooses, and returns the index stored for that colour.
template <int Rows, class TChoose>
void DiffuseIntoIndexes(const TBitmap& Source, TBitmap& Result, const TChoose& Choose)
{
    using namespace DiffusionDetail;
    const int Width = Source.Width(), Height = Source.Height();
    if (Width == 0 || Height == 0) return;
    // Source rows below the last one read as zeros, with room for a 4-byte read at the end.
    const std::vector<std::uint8_t> Zeros(std::size_t(Width) * 3 + 4, 0);
    // Two records of slack: the window reads one column past the last.
    std::vector<std::uint8_t> Records(std::size_t(Width + 2) * 8, 0);
    const std::uint8_t* Below = Height > 1 ? Source.ScanLine(1) : Zeros.data();
    for (int X = 0; X < Width; ++X) {
        const std::uint32_t SourceBelow = ReadPixel(Below + 3 * X), First = ReadPixel(Source.ScanLine(0) + 3 * X);
        std::memcpy(Records.data() + 8 * X, &SourceBelow, 4);
        std::memcpy(Records.data() + 8 * X + 4, &First, 4);
    }
    int Top = 0;
    for (; Top + Rows <= Height; Top += Rows) TSweep<Rows, TChoose>(Source, Result, Top, Records, Zeros, Choose).Run();
    for (; Top < Height; ++Top) TSweep<1, TChoose>(Source, Result, Top, Records, Zeros, Choose).Run();
}
