// The PNG encoder: rows filtered by the usual heuristic and deflated in parts on every core.
#include "platform/graphics/codecs/PngCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/DeflateParts.h"
#include "platform/graphics/codecs/PngFilters.h"
#include "platform/system/Workers.h"

#include <emmintrin.h>
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

// libdeflate's level 4 compresses a photograph's filtered rows about as well as zlib's level 7 at a
// fraction of its time.
constexpr int CompressionLevel = 4;
// Below this many bytes of filtered rows a second core costs more than it brings.
constexpr std::size_t MinPartBytes = std::size_t(1) << 21;

// How far a filtered byte is from 0, reading it as signed.
inline unsigned Distance(std::uint8_t Byte)
{
    return Byte < 128 ? Byte : 256u - Byte;
}

// Adds the filtered bytes' magnitudes of Row[From..To) to Sums, by filter, and writes the bytes the
// Paeth filter gives to Out, the filter a photograph's rows take nearly always. From is at least Step.
template <int Step>
void AddScalarSums(const std::uint8_t* Row, const std::uint8_t* Above, std::size_t From, std::size_t To,
                   std::array<std::uint64_t, 5>& Sums, std::uint8_t* Out)
{
    for (std::size_t I = From; I < To; ++I) {
        const int A = Row[I - Step];
        const int B = Above[I];
        const int C = Above[I - Step];
        const int X = Row[I];
        Out[I] = std::uint8_t(X - PaethPredictor(A, B, C));
        Sums[ftNone] += Distance(std::uint8_t(X));
        Sums[ftSub] += Distance(std::uint8_t(X - A));
        Sums[ftUp] += Distance(std::uint8_t(X - B));
        Sums[ftAverage] += Distance(std::uint8_t(X - (A + B) / 2));
        Sums[ftPaeth] += Distance(Out[I]);
    }
}

// The byte-wise magnitudes of V read as signed bytes, summed into two 64-bit halves.
inline __m128i SumOfDistances(__m128i V)
{
    return _mm_sad_epu8(_mm_min_epu8(V, _mm_sub_epi8(_mm_setzero_si128(), V)), _mm_setzero_si128());
}

// AddScalarSums on 16 bytes at a time; To - From is a multiple of 16.
template <int Step>
void AddVectorSums(const std::uint8_t* Row, const std::uint8_t* Above, std::size_t From, std::size_t To,
                   std::array<std::uint64_t, 5>& Sums, std::uint8_t* Out)
{
    const auto Load = [](const std::uint8_t* P) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(P)); };
    const __m128i Zero = _mm_setzero_si128();
    __m128i None = Zero, Sub = Zero, Up = Zero, Average = Zero, Paeth = Zero;
    for (std::size_t I = From; I < To; I += 16) {
        const __m128i X = Load(Row + I);
        const __m128i A = Load(Row + I - Step);
        const __m128i B = Load(Above + I);
        const __m128i C = Load(Above + I - Step);
        __m128i NotALow, NotBLow, NotAHigh, NotBHigh;
        PaethChoice(_mm_unpacklo_epi8(A, Zero), _mm_unpacklo_epi8(B, Zero), _mm_unpacklo_epi8(C, Zero), NotALow,
                    NotBLow);
        PaethChoice(_mm_unpackhi_epi8(A, Zero), _mm_unpackhi_epi8(B, Zero), _mm_unpackhi_epi8(C, Zero), NotAHigh,
                    NotBHigh);
        const __m128i Predicted =
            Select(_mm_packs_epi16(NotALow, NotAHigh), Select(_mm_packs_epi16(NotBLow, NotBHigh), C, B), A);
        const __m128i Filtered = _mm_sub_epi8(X, Predicted);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + I), Filtered);
        // The rounded-up mean less the lost half gives the rounded-down mean.
        const __m128i Mean = _mm_sub_epi8(_mm_avg_epu8(A, B), _mm_and_si128(_mm_xor_si128(A, B), _mm_set1_epi8(1)));
        None = _mm_add_epi64(None, SumOfDistances(X));
        Sub = _mm_add_epi64(Sub, SumOfDistances(_mm_sub_epi8(X, A)));
        Up = _mm_add_epi64(Up, SumOfDistances(_mm_sub_epi8(X, B)));
        Average = _mm_add_epi64(Average, SumOfDistances(_mm_sub_epi8(X, Mean)));
        Paeth = _mm_add_epi64(Paeth, SumOfDistances(Filtered));
    }
    const auto Total = [](__m128i Halves) {
        return std::uint64_t(_mm_cvtsi128_si64(Halves)) +
               std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(Halves, Halves)));
    };
    Sums[ftNone] += Total(None);
    Sums[ftSub] += Total(Sub);
    Sums[ftUp] += Total(Up);
    Sums[ftAverage] += Total(Average);
    Sums[ftPaeth] += Total(Paeth);
}

// The filter whose output, read as signed bytes, has the smallest sum of magnitudes, the usual heuristic of
// PNG encoders. Writes the Paeth filter's bytes to Out on the way. Above is a row of zeros for the first
// row.
template <int Step>
TPngFilter ChooseFilter(const std::uint8_t* Row, const std::uint8_t* Above, std::size_t Bytes, std::uint8_t* Out)
{
    std::array<std::uint64_t, 5> Sums{};
    // The first pixel has no left neighbour: its A and C are 0.
    const std::size_t First = std::min<std::size_t>(Step, Bytes);
    for (std::size_t I = 0; I < First; ++I) {
        Out[I] = std::uint8_t(Row[I] - Above[I]);
        Sums[ftNone] += Distance(Row[I]);
        Sums[ftSub] += Distance(Row[I]);
        Sums[ftUp] += Distance(Out[I]);
        Sums[ftAverage] += Distance(std::uint8_t(Row[I] - Above[I] / 2));
        Sums[ftPaeth] += Distance(Out[I]);
    }
    const std::size_t VectorEnd = First + (Bytes - First) / 16 * 16;
    AddVectorSums<Step>(Row, Above, First, VectorEnd, Sums, Out);
    AddScalarSums<Step>(Row, Above, VectorEnd, Bytes, Sums, Out);
    return TPngFilter(std::min_element(Sums.begin(), Sums.end()) - Sums.begin());
}

template <int Step, typename TPredictor>
void FilterWith(const std::uint8_t* Row, const std::uint8_t* Above, std::size_t Bytes, std::uint8_t* Out,
                TPredictor Predict)
{
    for (std::size_t I = 0; I < Step; ++I) Out[I] = std::uint8_t(Row[I] - Predict(0, Above[I], 0));
    for (std::size_t I = Step; I < Bytes; ++I)
        Out[I] = std::uint8_t(Row[I] - Predict(Row[I - Step], Above[I], Above[I - Step]));
}

// Out := the filter type and the filtered bytes of Row (blue, green, red[, alpha] a pixel), with the
// channels in the file's order red, green, blue[, alpha]. Filters act on each channel alone, so
// exchanging red and blue after filtering gives the same bytes as before.
template <int Step>
void FilterRow(const std::uint8_t* Row, const std::uint8_t* Above, std::size_t Bytes, std::uint8_t* Out)
{
    const TPngFilter Filter = ChooseFilter<Step>(Row, Above, Bytes, Out + 1);
    *Out++ = Filter;
    switch (Filter) {
    case ftPaeth:
        break;
    case ftNone:
        std::memcpy(Out, Row, Bytes);
        break;
    case ftSub:
        FilterWith<Step>(Row, Above, Bytes, Out, [](int A, int, int) { return A; });
        break;
    case ftUp:
        FilterWith<Step>(Row, Above, Bytes, Out, [](int, int B, int) { return B; });
        break;
    case ftAverage:
        FilterWith<Step>(Row, Above, Bytes, Out, [](int A, int B, int) { return (A + B) / 2; });
        break;
    }
    for (std::size_t I = 0; I < Bytes; I += Step) std::swap(Out[I], Out[I + 2]);
}

void AppendBigEndian(std::vector<std::uint8_t>& Bytes, std::uint32_t Value)
{
    for (const int Shift : {24, 16, 8, 0}) Bytes.push_back(std::uint8_t(Value >> Shift));
}

// Appends the length field (filled in by CloseChunk) and the type of a chunk; returns where it starts.
std::size_t OpenChunk(std::vector<std::uint8_t>& Bytes, std::string_view Type)
{
    const std::size_t At = Bytes.size();
    AppendBigEndian(Bytes, 0);
    Bytes.insert(Bytes.end(), Type.begin(), Type.end());
    return At;
}

// The chunk at At holds the bytes appended since: sets its length and appends the CRC of type and data.
void CloseChunk(std::vector<std::uint8_t>& Bytes, std::size_t At)
{
    const std::size_t Length = Bytes.size() - At - 8;
    for (int I = 0; I < 4; ++I) Bytes[At + std::size_t(I)] = std::uint8_t(Length >> (24 - 8 * I));
    AppendBigEndian(Bytes, libdeflate_crc32(0, Bytes.data() + At + 4, Length + 4));
}

} // namespace

void WritePng(const TBitmap& Source, std::vector<std::uint8_t>& Bytes)
{
    TBitmap Converted;
    const TBitmap* Pixels = &Source;
    const bool Alpha = Source.PixelFormat() == pf32bit;
    if (!Alpha && Source.BitCount() != 24) {
        Converted = Source;
        Converted.SetPixelFormat(pf24bit);
        Pixels = &Converted;
    }
    const int Width = Pixels->Width();
    const int Height = Pixels->Height();
    const int Step = Alpha ? 4 : 3;
    const std::size_t RowBytes = std::size_t(Width) * std::size_t(Step);
    const std::size_t FilteredBytes = (RowBytes + 1) * std::size_t(Height);

    // The rows in bands, one for each core, each band filtered and deflated on its own core.
    const unsigned Bands = unsigned(std::clamp<std::size_t>(FilteredBytes / MinPartBytes, 1, CoreCount()));
    std::vector<std::uint8_t> Filtered(FilteredBytes);
    const std::vector<std::uint8_t> Zeros(RowBytes);
    RunOnWorkers(Bands, [&](unsigned Band) {
        const int First = int(std::int64_t(Height) * Band / Bands);
        const int Last = int(std::int64_t(Height) * (Band + 1) / Bands);
        for (int Y = First; Y < Last; ++Y) {
            const std::uint8_t* Above = Y > 0 ? Pixels->ScanLine(Y - 1) : Zeros.data();
            std::uint8_t* Out = Filtered.data() + std::size_t(Y) * (RowBytes + 1);
            if (Alpha)
                FilterRow<4>(Pixels->ScanLine(Y), Above, RowBytes, Out);
            else
                FilterRow<3>(Pixels->ScanLine(Y), Above, RowBytes, Out);
        }
    });
    std::vector<std::span<const std::uint8_t>> Parts;
    for (unsigned Band = 0; Band < Bands; ++Band) {
        const std::size_t First = std::size_t(std::int64_t(Height) * Band / Bands);
        const std::size_t Last = std::size_t(std::int64_t(Height) * (Band + 1) / Bands);
        Parts.emplace_back(Filtered.data() + First * (RowBytes + 1), (Last - First) * (RowBytes + 1));
    }

    static constexpr std::uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes.insert(Bytes.end(), Signature, Signature + 8);
    const std::size_t Header = OpenChunk(Bytes, "IHDR");
    AppendBigEndian(Bytes, std::uint32_t(Width));
    AppendBigEndian(Bytes, std::uint32_t(Height));
    // 8 bits a sample; colour type 6 (RGBA) or 2 (RGB); deflate; adaptive filtering; no interlace.
    for (const std::uint8_t Byte : {8, Alpha ? 6 : 2, 0, 0, 0}) Bytes.push_back(Byte);
    CloseChunk(Bytes, Header);
    const std::size_t Data = OpenChunk(Bytes, "IDAT");
    DeflateParts(Parts, CompressionLevel, Bytes);
    CloseChunk(Bytes, Data);
    CloseChunk(Bytes, OpenChunk(Bytes, "IEND"));
}
