#include "platform/graphics/codecs/PngCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/DecodeLimits.h"
#include "platform/graphics/codecs/PngFilters.h"

#include <libdeflate.h>
#include <spng.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr std::size_t MaxAncillaryBytes = std::size_t(64) << 20;

struct TContextDeleter
{
    void operator()(spng_ctx* Context) const { spng_ctx_free(Context); }
};

std::uint32_t BigEndian32(const std::uint8_t* P)
{
    return std::uint32_t(P[0]) << 24 | std::uint32_t(P[1]) << 16 | std::uint32_t(P[2]) << 8 | P[3];
}

// Every chunk up to IEND lies inside Bytes. libpng would otherwise skip a chunk claiming a gigabyte by
// reading (and clearing buffers for) all of it before noticing that the data ended long before.
bool ChunksFit(std::span<const std::uint8_t> Bytes)
{
    std::size_t At = 8;
    while (Bytes.size() - At >= 12) {
        const std::uint32_t Length = BigEndian32(Bytes.data() + At);
        if (Length > Bytes.size() - At - 12) return false;
        if (std::memcmp(Bytes.data() + At + 4, "IEND", 4) == 0) return true;
        At += 12 + std::size_t(Length);
    }
    return false;
}

// The Paeth filter reversed a pixel at a time, each pixel's channels in the lanes of one vector: every
// pixel's prediction needs the pixel before it. Reads four bytes a pixel: Row and Above must be
// followed by at least one more byte.
template <int Step> void UnfilterPaeth(std::uint8_t* Row, const std::uint8_t* Above, std::size_t Bytes)
{
    const __m128i Zero = _mm_setzero_si128();
    const auto Load = [Zero](const std::uint8_t* Pixel) {
        std::int32_t Word;
        std::memcpy(&Word, Pixel, 4);
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(Word), Zero);
    };
    __m128i A = Zero;
    __m128i C = Zero;
    for (std::size_t I = 0; I < Bytes; I += Step) {
        const __m128i B = Load(Above + I);
        __m128i NotA, NotB;
        PaethChoice(A, B, C, NotA, NotB);
        A = _mm_and_si128(_mm_add_epi16(Load(Row + I), Select(NotA, Select(NotB, C, B), A)), _mm_set1_epi16(0xFF));
        const std::uint32_t Word = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(A, Zero)));
        std::memcpy(Row + I, &Word, Step);
        C = B;
    }
}

// Reverses the filter of one row of Bytes bytes in place; Above is the row above, unfiltered (zeros for
// the first row). False for an unknown filter type.
template <int Step> bool Unfilter(std::uint8_t Type, std::uint8_t* Row, const std::uint8_t* Above, std::size_t Bytes)
{
    switch (Type) {
    case ftNone:
        return true;
    case ftSub:
        for (std::size_t I = Step; I < Bytes; ++I) Row[I] = std::uint8_t(Row[I] + Row[I - Step]);
        return true;
    case ftUp:
        for (std::size_t I = 0; I < Bytes; ++I) Row[I] = std::uint8_t(Row[I] + Above[I]);
        return true;
    case ftAverage:
        for (std::size_t I = 0; I < Step; ++I) Row[I] = std::uint8_t(Row[I] + Above[I] / 2);
        for (std::size_t I = Step; I < Bytes; ++I) Row[I] = std::uint8_t(Row[I] + (Row[I - Step] + Above[I]) / 2);
        return true;
    case ftPaeth:
        UnfilterPaeth<Step>(Row, Above, Bytes);
        return true;
    default:
        return false;
    }
}

// Target := Row (red, green, blue[, alpha] a pixel) in a bitmap row's order blue, green, red[, alpha].
template <int Step> void CopySwapped(const std::uint8_t* Row, std::size_t Bytes, std::uint8_t* Target)
{
    for (std::size_t I = 0; I < Bytes; I += Step) {
        Target[I] = Row[I + 2];
        Target[I + 1] = Row[I + 1];
        Target[I + 2] = Row[I];
        if constexpr (Step == 4) Target[I + 3] = Row[I + 3];
    }
}

struct TDecompressorDeleter
{
    void operator()(libdeflate_decompressor* Decompressor) const { libdeflate_free_decompressor(Decompressor); }
};

// The pixels of an 8-bit RGB (Step 3) or RGBA (Step 4) file without interlace or transparency chunk, the
// kind nearly every photograph and screenshot comes as: the image data inflated by libdeflate at once
// and unfiltered here, in about half the time of the general path. The chunks before the image data
// have been checked by libspng; this checks the image data's CRCs. False for damaged image data.
template <int Step> bool ReadPlainPng(std::span<const std::uint8_t> Bytes, int Width, int Height, TBitmap& Target)
{
    std::vector<std::span<const std::uint8_t>> Pieces;
    std::size_t Compressed = 0;
    for (std::size_t At = 8; std::memcmp(Bytes.data() + At + 4, "IEND", 4) != 0;) {
        const std::size_t Length = BigEndian32(Bytes.data() + At);
        if (std::memcmp(Bytes.data() + At + 4, "IDAT", 4) == 0) {
            if (libdeflate_crc32(0, Bytes.data() + At + 4, Length + 4) != BigEndian32(Bytes.data() + At + 8 + Length))
                return false;
            Pieces.push_back(Bytes.subspan(At + 8, Length));
            Compressed += Length;
        }
        At += 12 + Length;
    }
    std::vector<std::uint8_t> Joined;
    if (Pieces.size() != 1) {
        Joined.reserve(Compressed);
        for (const auto Piece : Pieces) Joined.insert(Joined.end(), Piece.begin(), Piece.end());
    }
    const std::span<const std::uint8_t> Data = Pieces.size() == 1 ? Pieces[0] : std::span<const std::uint8_t>(Joined);
    const std::size_t RowBytes = std::size_t(Width) * Step;
    const std::size_t RowsBytes = std::size_t(Height) * (RowBytes + 1);
    // Every byte is written by the decompressor before it is read, but for the one behind the last row
    // that the Paeth filter's reversal reads.
    const auto Rows = std::make_unique_for_overwrite<std::uint8_t[]>(RowsBytes + 1);
    Rows[RowsBytes] = 0;
    const std::unique_ptr<libdeflate_decompressor, TDecompressorDeleter> Decompressor(libdeflate_alloc_decompressor());
    if (!Decompressor) throw std::bad_alloc();
    if (libdeflate_zlib_decompress(Decompressor.get(), Data.data(), Data.size(), Rows.get(), RowsBytes, nullptr) !=
        LIBDEFLATE_SUCCESS)
        return false;
    TBitmap Decoded;
    Decoded.SetLayoutForOverwrite(Width, Height, Step * 8);
    const std::vector<std::uint8_t> Zeros(RowBytes + 1);
    const std::uint8_t* Above = Zeros.data();
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Rows.get() + std::size_t(Y) * (RowBytes + 1);
        if (!Unfilter<Step>(Row[0], Row + 1, Above, RowBytes)) return false;
        CopySwapped<Step>(Row + 1, RowBytes, Decoded.ScanLine(Y));
        Above = Row + 1;
    }
    Target = std::move(Decoded);
    return true;
}

} // namespace

std::optional<TPngSize> ReadPngSize(std::span<const std::uint8_t> Bytes)
{
    static constexpr std::uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Signature, then the IHDR chunk: length 13, type, width, height.
    if (Bytes.size() < 24 || std::memcmp(Bytes.data(), Signature, 8) != 0 || std::memcmp(Bytes.data() + 12, "IHDR", 4))
        return std::nullopt;
    const std::uint32_t Width = BigEndian32(Bytes.data() + 16);
    const std::uint32_t Height = BigEndian32(Bytes.data() + 20);
    if (Width == 0 || Height == 0 || Width > 0x7FFFFFFF || Height > 0x7FFFFFFF) return std::nullopt;
    return TPngSize{int(Width), int(Height)};
}

bool ReadPng(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    const auto Size = ReadPngSize(Bytes);
    if (!Size || !DecodableSize(std::uint64_t(Size->Width), std::uint64_t(Size->Height))) return false;
    if (!ChunksFit(Bytes)) return false;
    const std::unique_ptr<spng_ctx, TContextDeleter> Context(spng_ctx_new(0));
    if (!Context) throw std::bad_alloc();
    spng_ctx* const Png = Context.get();
    // Text and other ancillary chunks are kept by the library until it is freed: bound what they take.
    spng_set_chunk_limits(Png, MaxAncillaryBytes, MaxAncillaryBytes);
    spng_ihdr Header{};
    if (spng_set_png_buffer(Png, Bytes.data(), Bytes.size()) != 0 || spng_get_ihdr(Png, &Header) != 0) return false;
    spng_trns Transparency{};
    const bool Alpha = Header.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                       Header.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || spng_get_trns(Png, &Transparency) == 0;
    const bool Plain = Header.bit_depth == 8 && Header.interlace_method == SPNG_INTERLACE_NONE;
    if (Plain && Header.color_type == SPNG_COLOR_TYPE_TRUECOLOR && !Alpha)
        return ReadPlainPng<3>(Bytes, int(Header.width), int(Header.height), Target);
    if (Plain && Header.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA)
        return ReadPlainPng<4>(Bytes, int(Header.width), int(Header.height), Target);
    const int Format = Alpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
    if (spng_decode_image(Png, nullptr, 0, Format, SPNG_DECODE_PROGRESSIVE | (Alpha ? SPNG_DECODE_TRNS : 0)) != 0)
        return false;
    TBitmap Decoded;
    Decoded.SetLayoutForOverwrite(int(Header.width), int(Header.height), Alpha ? 32 : 24);
    const int Step = Alpha ? 4 : 3;
    const std::size_t RowBytes = std::size_t(Header.width) * std::size_t(Step);
    const bool Interlaced = Header.interlace_method != SPNG_INTERLACE_NONE;
    // The library gives red, green, blue[, alpha]; a bitmap row holds blue, green, red[, alpha].
    const auto ToBitmapOrder = [Step, RowBytes](std::uint8_t* Row) {
        for (std::size_t I = 0; I < RowBytes; I += std::size_t(Step)) std::swap(Row[I], Row[I + 2]);
    };
    for (;;) {
        spng_row_info Row{};
        if (spng_get_row_info(Png, &Row) != 0) return false;
        std::uint8_t* Out = Decoded.ScanLine(int(Row.row_num));
        const int Result = spng_decode_row(Png, Out, RowBytes);
        if (Result != 0 && Result != SPNG_EOI) return false;
        // An interlaced picture fills each row in several passes.
        if (!Interlaced) ToBitmapOrder(Out);
        if (Result == SPNG_EOI) break;
    }
    if (Interlaced)
        for (int Y = 0; Y < Decoded.Height(); ++Y) ToBitmapOrder(Decoded.ScanLine(Y));
    Target = std::move(Decoded);
    return true;
}
