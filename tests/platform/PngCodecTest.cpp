// The PNG codec against Qt's own PNG decoder and encoder: every pixel format written, every kind of PNG
// file read, every row filter and a picture deflated in parts.
#include "platform/graphics/codecs/PngCodec.h"

#include "platform/graphics/codecs/DeflateParts.h"

#include "tests/support/TestPictures.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>
#include <libdeflate.h>

#include <memory>
#include <random>
#include <set>

namespace {

QImage DecodedByQt(const std::vector<std::uint8_t>& Bytes)
{
    QImage Image;
    EXPECT_TRUE(Image.loadFromData(Bytes.data(), int(Bytes.size()), "PNG"));
    return Image;
}

std::vector<std::uint8_t> EncodedByQt(const QImage& Image)
{
    QByteArray Encoded;
    QBuffer Buffer(&Encoded);
    Buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(Image.save(&Buffer, "PNG"));
    return std::vector<std::uint8_t>(Encoded.begin(), Encoded.end());
}

// Counts the pixels of Bitmap (24 or 32 bits) that differ from Image by more than Tolerance in a channel;
// a 24-bit bitmap is compared with the colour only.
int DifferingPixels(const TBitmap& Bitmap, const QImage& Image, int Tolerance = 0)
{
    if (Bitmap.Width() != Image.width() || Bitmap.Height() != Image.height()) return -1;
    const QImage Argb = Image.convertToFormat(QImage::Format_ARGB32);
    int Differing = 0;
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Row = Bitmap.ScanLine(Y);
        const QRgb* Expected = reinterpret_cast<const QRgb*>(Argb.constScanLine(Y));
        for (int X = 0; X < Bitmap.Width(); ++X) {
            const std::uint8_t* P = Row + X * (Bitmap.BitCount() / 8);
            const int Alpha = Bitmap.BitCount() == 32 ? P[3] : 255;
            if (std::abs(P[0] - qBlue(Expected[X])) > Tolerance || std::abs(P[1] - qGreen(Expected[X])) > Tolerance ||
                std::abs(P[2] - qRed(Expected[X])) > Tolerance || std::abs(Alpha - qAlpha(Expected[X])) > Tolerance)
                ++Differing;
        }
    }
    return Differing;
}

// A picture with bands of rows each of which one filter type suits best, so that the encoder's choice
// falls on every type.
TBitmap MixedPicture(int Width, int Height, int BitCount, std::uint32_t Seed)
{
    std::mt19937 Random(Seed);
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, BitCount);
    const int Step = BitCount / 8;
    std::vector<std::uint8_t> Blocks(std::size_t(Width) * std::size_t(Step));
    for (auto& Block : Blocks) Block = std::uint8_t(Random());
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Bitmap.ScanLine(Y);
        const std::uint8_t* Above = Y > 0 ? Bitmap.ScanLine(Y - 1) : nullptr;
        for (int X = 0; X < Width * Step; ++X) {
            const int Left = X >= Step ? Row[X - Step] : 0;
            const int Up = Above ? Above[X] : 0;
            switch ((Y / 7) % 5) {
            case 0: // small values about 0, unrelated to their neighbours: None
                Row[X] = std::uint8_t(int(Random() % 3) - 1);
                break;
            case 1: // a gradient along the row that shifts from row to row: Sub
                Row[X] = std::uint8_t(X / Step * 3 + X % Step * 40 + Y * 53);
                break;
            case 2: // the same in every row: Up
                Row[X] = std::uint8_t(X * 7919 % 251);
                break;
            case 3: // each value the mean of its left and upper neighbours, plus 1: Average
                Row[X] = std::uint8_t((Left + Up) / 2 + 1);
                break;
            default: // blocks four pixels wide, a little brighter at each row: Paeth
                Row[X] = std::uint8_t(Blocks[std::size_t(X / (4 * Step) * Step + X % Step)] + 5 * Y);
                break;
            }
        }
    }
    return Bitmap;
}

// The filter type bytes of the rows of a non-interlaced PNG file written by WritePng.
std::set<int> FilterTypes(const std::vector<std::uint8_t>& File, int Height, std::size_t RowBytes)
{
    // Signature 8, IHDR 25, then the one IDAT chunk: length, type, data, CRC.
    const std::size_t Length =
        std::size_t(File[33]) << 24 | std::size_t(File[34]) << 16 | std::size_t(File[35]) << 8 | File[36];
    std::vector<std::uint8_t> Rows(std::size_t(Height) * (RowBytes + 1));
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> Decompressor(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    EXPECT_EQ(
        libdeflate_zlib_decompress(Decompressor.get(), File.data() + 41, Length, Rows.data(), Rows.size(), nullptr),
        LIBDEFLATE_SUCCESS);
    std::set<int> Types;
    for (int Y = 0; Y < Height; ++Y) Types.insert(Rows[std::size_t(Y) * (RowBytes + 1)]);
    return Types;
}

} // namespace

TEST(PngCodec, WritesEveryPixelFormatAsAnotherDecoderReadsIt)
{
    const TPixelFormat Formats[] = {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};
    for (const TPixelFormat Format : Formats) {
        for (const int Width : {1, 2, 3, 5, 7, 40}) {
            TBitmap Source =
                MakeRandomBitmap(Width, 6, Format == pf32bit ? 32 : 24, std::uint32_t(Width + 100 * Format));
            if (Format != pf32bit) Source.SetPixelFormat(Format);
            ASSERT_EQ(Source.PixelFormat(), Format);
            std::vector<std::uint8_t> Bytes;
            WritePng(Source, Bytes);
            // The colours as the bitmap holds them; a 32-bit section's fourth byte is its alpha.
            TBitmap Expected = Source;
            if (Format != pf32bit) Expected.SetPixelFormat(pf24bit);
            EXPECT_EQ(DifferingPixels(Expected, DecodedByQt(Bytes)), 0) << "format " << Format << " width " << Width;
            TBitmap Read;
            ASSERT_TRUE(ReadPng(Bytes, Read));
            EXPECT_TRUE(SamePixels(Read, Expected)) << "format " << Format << " width " << Width;
        }
    }
    // A 16-bit bit-field layout of its own (4-4-4) is written as its colours.
    TBitmap Custom;
    Custom.SetLayout(9, 4, 16, TBitFields{0x0F00, 0x00F0, 0x000F});
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 18; ++X) Custom.ScanLine(Y)[X] = std::uint8_t(X * 37 + Y * 11);
    ASSERT_EQ(Custom.PixelFormat(), pfcustom);
    std::vector<std::uint8_t> Bytes;
    WritePng(Custom, Bytes);
    TBitmap Expected = Custom;
    Expected.SetPixelFormat(pf24bit);
    EXPECT_EQ(DifferingPixels(Expected, DecodedByQt(Bytes)), 0);
}

TEST(PngCodec, ChoosesEveryFilterAndSplitsALargePictureWithoutChangingAPixel)
{
    // 1100 × 700 at 24 bits and 900 × 700 at 32 bits fill more than one part of the deflate stream.
    for (const int BitCount : {24, 32}) {
        const int Width = BitCount == 24 ? 1100 : 900;
        const TBitmap Source = MixedPicture(Width, 700, BitCount, std::uint32_t(BitCount));
        std::vector<std::uint8_t> Bytes;
        WritePng(Source, Bytes);
        EXPECT_EQ(DifferingPixels(Source, DecodedByQt(Bytes)), 0) << BitCount;
        EXPECT_EQ(FilterTypes(Bytes, 700, std::size_t(Width) * std::size_t(BitCount / 8)),
                  (std::set<int>{0, 1, 2, 3, 4}))
            << BitCount;
        TBitmap Read;
        ASSERT_TRUE(ReadPng(Bytes, Read));
        EXPECT_TRUE(SamePixels(Read, Source)) << BitCount;
    }
}

TEST(PngCodec, ReadsEveryKindOfFileAsAnotherDecoderDoes)
{
    // Qt writes palette, grey, grey with alpha, 16-bit and 1-bit files from these formats.
    const QImage::Format Formats[] = {QImage::Format_Indexed8, QImage::Format_Grayscale8, QImage::Format_Grayscale16,
                                      QImage::Format_RGBA64,   QImage::Format_Mono,       QImage::Format_ARGB32,
                                      QImage::Format_RGB32,    QImage::Format_RGBX64};
    std::mt19937 Random(5);
    QImage Colours(13, 9, QImage::Format_ARGB32);
    for (int Y = 0; Y < Colours.height(); ++Y)
        for (int X = 0; X < Colours.width(); ++X) Colours.setPixel(X, Y, Random());
    for (const QImage::Format Format : Formats) {
        QImage Image = Colours.convertToFormat(Format);
        if (Format == QImage::Format_Indexed8) Image.setColor(3, qRgba(10, 20, 30, 0)); // transparency in the palette
        const auto Bytes = EncodedByQt(Image);
        TBitmap Read;
        ASSERT_TRUE(ReadPng(Bytes, Read)) << Format;
        const QImage Reference = DecodedByQt(Bytes);
        EXPECT_EQ(Read.BitCount(), Reference.hasAlphaChannel() ? 32 : 24) << Format;
        // Sixteen bits become eight by the top byte here and rounded by Qt: both are as the format allows.
        const bool Deep = Image.depth() == 16 || Image.depth() == 64;
        EXPECT_EQ(DifferingPixels(Read, Reference, Deep ? 1 : 0), 0) << Format;
    }
}

TEST(PngCodec, ReadsAnInterlacedFile)
{
    // An Adam7 file of an 8-bit RGB picture, every row unfiltered.
    const int Width = 11;
    const int Height = 10;
    std::mt19937 Random(3);
    QImage Picture(Width, Height, QImage::Format_RGB888);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width * 3; ++X) Picture.scanLine(Y)[X] = std::uint8_t(Random());
    struct TPass
    {
        int X0, Y0, DX, DY;
    };
    const TPass Passes[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::vector<std::uint8_t> Rows;
    for (const TPass& Pass : Passes) {
        if (Pass.X0 >= Width) continue;
        for (int Y = Pass.Y0; Y < Height; Y += Pass.DY) {
            Rows.push_back(0);
            for (int X = Pass.X0; X < Width; X += Pass.DX)
                Rows.insert(Rows.end(), Picture.constScanLine(Y) + 3 * X, Picture.constScanLine(Y) + 3 * X + 3);
        }
    }
    const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> Compressor(
        libdeflate_alloc_compressor(6), libdeflate_free_compressor);
    std::vector<std::uint8_t> Data(libdeflate_zlib_compress_bound(Compressor.get(), Rows.size()));
    Data.resize(libdeflate_zlib_compress(Compressor.get(), Rows.data(), Rows.size(), Data.data(), Data.size()));
    std::vector<std::uint8_t> File = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto Chunk = [&File](const char* Type, const std::vector<std::uint8_t>& Content) {
        for (const int Shift : {24, 16, 8, 0}) File.push_back(std::uint8_t(Content.size() >> Shift));
        const std::size_t At = File.size();
        File.insert(File.end(), Type, Type + 4);
        File.insert(File.end(), Content.begin(), Content.end());
        const std::uint32_t Crc = libdeflate_crc32(0, File.data() + At, Content.size() + 4);
        for (const int Shift : {24, 16, 8, 0}) File.push_back(std::uint8_t(Crc >> Shift));
    };
    Chunk("IHDR", {0, 0, 0, Width, 0, 0, 0, Height, 8, 2, 0, 0, 1});
    Chunk("IDAT", Data);
    Chunk("IEND", {});
    TBitmap Read;
    ASSERT_TRUE(ReadPng(File, Read));
    EXPECT_EQ(DifferingPixels(Read, Picture), 0);
    EXPECT_EQ(DifferingPixels(Read, DecodedByQt(File)), 0);
}

TEST(PngCodec, ReadsImageDataSplitIntoChunksAndRefusesItDamaged)
{
    const TBitmap Source = MixedPicture(60, 40, 24, 9);
    std::vector<std::uint8_t> Bytes;
    WritePng(Source, Bytes);
    // Signature 8, IHDR 25, then the one IDAT chunk: length, type, data, CRC; IEND 12.
    const std::size_t Length =
        std::size_t(Bytes[33]) << 24 | std::size_t(Bytes[34]) << 16 | std::size_t(Bytes[35]) << 8 | Bytes[36];
    const std::vector<std::uint8_t> Data(Bytes.begin() + 41, Bytes.begin() + 41 + std::ptrdiff_t(Length));
    const auto WithChunks = [&](std::size_t Piece, bool BreakCrc) {
        std::vector<std::uint8_t> File(Bytes.begin(), Bytes.begin() + 33);
        for (std::size_t At = 0; At < Data.size(); At += Piece) {
            const std::size_t Size = std::min(Piece, Data.size() - At);
            for (const int Shift : {24, 16, 8, 0}) File.push_back(std::uint8_t(Size >> Shift));
            const std::size_t Type = File.size();
            File.insert(File.end(), {'I', 'D', 'A', 'T'});
            File.insert(File.end(), Data.begin() + std::ptrdiff_t(At), Data.begin() + std::ptrdiff_t(At + Size));
            const std::uint32_t Crc = libdeflate_crc32(0, File.data() + Type, Size + 4) ^ (BreakCrc ? 1 : 0);
            for (const int Shift : {24, 16, 8, 0}) File.push_back(std::uint8_t(Crc >> Shift));
        }
        File.insert(File.end(), Bytes.end() - 12, Bytes.end());
        return File;
    };
    TBitmap Read;
    ASSERT_TRUE(ReadPng(WithChunks(100, false), Read));
    EXPECT_TRUE(SamePixels(Read, Source));
    EXPECT_EQ(DifferingPixels(Read, DecodedByQt(WithChunks(100, false))), 0);
    EXPECT_FALSE(ReadPng(WithChunks(100, true), Read));
    // A filter type beyond Paeth, with the checksums made right.
    std::vector<std::uint8_t> Rows(std::size_t(40) * (60 * 3 + 1));
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> Decompressor(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    ASSERT_EQ(
        libdeflate_zlib_decompress(Decompressor.get(), Data.data(), Data.size(), Rows.data(), Rows.size(), nullptr),
        LIBDEFLATE_SUCCESS);
    Rows[(60 * 3 + 1) * 20] = 5;
    std::vector<std::uint8_t> BadFilter(Bytes.begin(), Bytes.begin() + 33);
    const std::span<const std::uint8_t> Whole(Rows);
    std::vector<std::uint8_t> Stream;
    DeflateParts(std::span(&Whole, 1), 4, Stream);
    for (const int Shift : {24, 16, 8, 0}) BadFilter.push_back(std::uint8_t(Stream.size() >> Shift));
    BadFilter.insert(BadFilter.end(), {'I', 'D', 'A', 'T'});
    BadFilter.insert(BadFilter.end(), Stream.begin(), Stream.end());
    const std::uint32_t Crc = libdeflate_crc32(0, BadFilter.data() + 37, Stream.size() + 4);
    for (const int Shift : {24, 16, 8, 0}) BadFilter.push_back(std::uint8_t(Crc >> Shift));
    BadFilter.insert(BadFilter.end(), Bytes.end() - 12, Bytes.end());
    EXPECT_FALSE(ReadPng(BadFilter, Read));
}
