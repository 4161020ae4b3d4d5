// Hand-made BMP files: header variants, RLE codes, bit fields, refusals of damaged files, and round trips
// of what the writer produces.
#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "platform/system/PackedDib.h"
#include "tests/support/PixelReader.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

void PutU16(TBytes& Bytes, std::uint32_t Value)
{
    Bytes.push_back(std::uint8_t(Value));
    Bytes.push_back(std::uint8_t(Value >> 8));
}
void PutU32(TBytes& Bytes, std::uint32_t Value)
{
    PutU16(Bytes, Value & 0xFFFF);
    PutU16(Bytes, Value >> 16);
}
std::uint32_t GetU32(const TBytes& Bytes, std::size_t Offset)
{
    return std::uint32_t(Bytes[Offset]) | (std::uint32_t(Bytes[Offset + 1]) << 8) |
           (std::uint32_t(Bytes[Offset + 2]) << 16) | (std::uint32_t(Bytes[Offset + 3]) << 24);
}
std::uint16_t GetU16(const TBytes& Bytes, std::size_t Offset)
{
    return std::uint16_t(Bytes[Offset] | (Bytes[Offset + 1] << 8));
}

// The parts of a BMP file a test varies; the file header's offset and size follow from them.
struct TBmpLayout
{
    std::uint32_t HeaderSize = 40;
    std::int32_t Width = 1;
    std::int32_t Height = 1;
    std::uint16_t Planes = 1;
    std::uint16_t BitCount = 24;
    std::uint32_t Compression = 0;
    std::uint32_t ColorsUsed = 0;
    std::vector<std::uint32_t> Masks;   // written after a 40-byte header, or inside a longer one
    std::vector<std::uint32_t> Palette; // 0x00RRGGBB; three bytes each under a 12-byte header
    TBytes Pixels;
};

TBytes MakeBmp(const TBmpLayout& Layout)
{
    TBytes Info;
    PutU32(Info, Layout.HeaderSize);
    if (Layout.HeaderSize == 12) {
        PutU16(Info, std::uint32_t(Layout.Width));
        PutU16(Info, std::uint32_t(Layout.Height));
        PutU16(Info, Layout.Planes);
        PutU16(Info, Layout.BitCount);
    } else {
        PutU32(Info, std::uint32_t(Layout.Width));
        PutU32(Info, std::uint32_t(Layout.Height));
        PutU16(Info, Layout.Planes);
        PutU16(Info, Layout.BitCount);
        PutU32(Info, Layout.Compression);
        PutU32(Info, std::uint32_t(Layout.Pixels.size()));
        PutU32(Info, 2835); // 72 dpi
        PutU32(Info, 2835);
        PutU32(Info, Layout.ColorsUsed);
        PutU32(Info, 0);
        for (const auto Mask : Layout.Masks) PutU32(Info, Mask);
        Info.resize(std::max<std::size_t>(Info.size(), Layout.HeaderSize), 0);
    }
    for (const auto Color : Layout.Palette) {
        Info.push_back(std::uint8_t(Color));
        Info.push_back(std::uint8_t(Color >> 8));
        Info.push_back(std::uint8_t(Color >> 16));
        if (Layout.HeaderSize != 12) Info.push_back(0);
    }
    TBytes File{'B', 'M'};
    PutU32(File, std::uint32_t(14 + Info.size() + Layout.Pixels.size()));
    PutU32(File, 0);
    PutU32(File, std::uint32_t(14 + Info.size()));
    File.insert(File.end(), Info.begin(), Info.end());
    File.insert(File.end(), Layout.Pixels.begin(), Layout.Pixels.end());
    return File;
}

TBitmap Read(const TBytes& Bytes)
{
    TBitmap Bitmap;
    ReadBmp(Bytes, Bitmap);
    return Bitmap;
}

TBytes Write(const TBitmap& Bitmap)
{
    TBytes Bytes;
    WriteBmp(Bitmap, Bytes);
    return Bytes;
}

::testing::AssertionResult Refused(const TBytes& Bytes)
{
    try {
        TBitmap Bitmap;
        ReadBmp(Bytes, Bitmap);
        return ::testing::AssertionFailure() << "loaded";
    } catch (const EInvalidGraphic& Error) {
        if (Error.Message() == Messages::SInvalidBitmap) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "message " << Error.Message();
    }
}

std::vector<int> Indices(const TBitmap& Bitmap, int Y)
{
    std::vector<int> Result;
    const int Bits = Bitmap.BitCount();
    const std::uint8_t* Row = Bitmap.ScanLine(Y);
    for (int X = 0; X < Bitmap.Width(); ++X) {
        const int PerByte = 8 / Bits;
        Result.push_back((Row[X / PerByte] >> (8 - Bits * (X % PerByte + 1))) & ((1 << Bits) - 1));
    }
    return Result;
}

const std::vector<std::uint32_t> FourColours{0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

TBmpLayout Rle8(int Width, int Height, TBytes Codes)
{
    TBmpLayout Layout;
    Layout.Width = Width;
    Layout.Height = Height;
    Layout.BitCount = 8;
    Layout.Compression = 1;
    Layout.ColorsUsed = 4;
    Layout.Palette = FourColours;
    Layout.Pixels = std::move(Codes);
    return Layout;
}

} // namespace

TEST(BmpReader, ReadsBottomUpAndTopDownRows)
{
    TBmpLayout Layout;
    Layout.Height = 2;
    Layout.Pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    const TBitmap BottomUp = Read(MakeBmp(Layout));
    EXPECT_EQ(BottomUp.PixelFormat(), pf24bit);
    EXPECT_EQ(BottomUp.HandleType(), bmDIB);
    EXPECT_EQ(BottomUp.ScanLine(0)[0], 4);
    EXPECT_EQ(BottomUp.ScanLine(1)[2], 3);
    Layout.Height = -2;
    const TBitmap TopDown = Read(MakeBmp(Layout));
    EXPECT_EQ(TopDown.Height(), 2);
    EXPECT_EQ(TopDown.ScanLine(0)[0], 1);
    EXPECT_EQ(TopDown.ScanLine(1)[2], 6);
}

TEST(BmpReader, CoreHeaderHasThreeByteColours)
{
    TBmpLayout Layout;
    Layout.HeaderSize = 12;
    Layout.Width = 3;
    Layout.BitCount = 1;
    Layout.Palette = {0x302010, 0x605040};
    Layout.Pixels = {0xA0, 0, 0, 0};
    const TBitmap Bitmap = Read(MakeBmp(Layout));
    EXPECT_EQ(Bitmap.PixelFormat(), pf1bit);
    EXPECT_EQ(Indices(Bitmap, 0), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(ReadPixel(Bitmap, 0, 0), RGB(0x60, 0x50, 0x40));
    EXPECT_EQ(ReadPixel(Bitmap, 1, 0), RGB(0x30, 0x20, 0x10));
}

TEST(BmpReader, TwoBitPicturesBecomeFourBit)
{
    TBmpLayout Layout;
    Layout.Width = 5;
    Layout.BitCount = 2;
    Layout.ColorsUsed = 4;
    Layout.Palette = FourColours;
    Layout.Pixels = {0x1B, 0x80, 0, 0}; // 0 1 2 3 2
    const TBitmap Bitmap = Read(MakeBmp(Layout));
    EXPECT_EQ(Bitmap.PixelFormat(), pf4bit);
    EXPECT_EQ(Indices(Bitmap, 0), (std::vector<int>{0, 1, 2, 3, 2}));
    EXPECT_EQ(Bitmap.ColorTable().Count(), 4);
    EXPECT_EQ(ReadPixel(Bitmap, 3, 0), RGB(0, 0, 255));
}

TEST(BmpReader, ShortColourTableIsKeptAndIndicesBeyondItAreRefused)
{
    TBmpLayout Layout;
    Layout.Width = 3;
    Layout.BitCount = 8;
    Layout.ColorsUsed = 2;
    Layout.Palette = {0x112233, 0x445566};
    Layout.Pixels = {1, 0, 1, 0};
    const TBitmap Bitmap = Read(MakeBmp(Layout));
    EXPECT_EQ(Bitmap.ColorTable().Count(), 2);
    EXPECT_EQ(ReadPixel(Bitmap, 0, 0), RGB(0x44, 0x55, 0x66));
    Layout.Pixels = {1, 2, 1, 0};
    EXPECT_TRUE(Refused(MakeBmp(Layout)));
}

TEST(BmpReader, BitFieldLayoutsAreKept)
{
    TBmpLayout Layout;
    Layout.BitCount = 16;
    Layout.Compression = 3;
    Layout.Masks = {0xF800, 0x07E0, 0x001F};
    Layout.Pixels = {0xE0, 0x07, 0, 0}; // pure green
    TBitmap Bitmap = Read(MakeBmp(Layout));
    EXPECT_EQ(Bitmap.PixelFormat(), pf16bit);
    EXPECT_EQ(ReadPixel(Bitmap, 0, 0), RGB(0, 255, 0));

    Layout.Masks = {0x7C00, 0x03E0, 0x001F};
    EXPECT_EQ(Read(MakeBmp(Layout)).PixelFormat(), pf15bit);

    // A V5 header carries the masks itself.
    Layout.HeaderSize = 124;
    Layout.BitCount = 32;
    Layout.Masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    Layout.Pixels = {0x10, 0x20, 0x30, 0};
    Bitmap = Read(MakeBmp(Layout));
    EXPECT_EQ(Bitmap.PixelFormat(), pfcustom);
    EXPECT_EQ(Bitmap.BitFields(), (TBitFields{0xFF, 0xFF00, 0xFF0000}));
    EXPECT_EQ(ReadPixel(Bitmap, 0, 0), RGB(0x10, 0x20, 0x30));

    Layout.Masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    EXPECT_EQ(Read(MakeBmp(Layout)).PixelFormat(), pf32bit);

    // Alpha bit fields after a 40-byte header: four masks, pixels at 70.
    Layout.HeaderSize = 40;
    Layout.Compression = 6;
    Layout.Masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    const TBytes File = MakeBmp(Layout);
    EXPECT_EQ(GetU32(File, 10), 70u);
    EXPECT_EQ(ReadPixel(Read(File), 0, 0), RGB(0x10, 0x20, 0x30));
}

TEST(BmpReader, WideChannelsAreScaledToTwentyFourBits)
{
    TBmpLayout Layout;
    Layout.BitCount = 32;
    Layout.Compression = 3;
    Layout.Masks = {0xFFE00000, 0x001FFC00, 0x000003FF}; // 11, 11 and 10 bits
    // Red 2047, green 0, blue 512: each keeps its top 8 bits, 255, 0 and 128.
    const std::uint32_t Pixel = (2047u << 21) | 512u;
    Layout.Pixels = {std::uint8_t(Pixel), std::uint8_t(Pixel >> 8), std::uint8_t(Pixel >> 16),
                     std::uint8_t(Pixel >> 24)};
    const TBitmap Bitmap = Read(MakeBmp(Layout));
    EXPECT_EQ(Bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(Bitmap.ScanLine(0)[0], 128);
    EXPECT_EQ(Bitmap.ScanLine(0)[1], 0);
    EXPECT_EQ(Bitmap.ScanLine(0)[2], 255);
}

TEST(BmpReader, Rle8RunsAbsoluteRunsAndEndCodes)
{
    // Bottom line: three of index 1, end of line; top line: absolute 2 3 1 (padded), one 2, end of bitmap.
    const TBitmap Bitmap = Read(MakeBmp(Rle8(4, 2, {3, 1, 0, 0, 0, 3, 2, 3, 1, 0, 1, 2, 0, 1})));
    EXPECT_EQ(Bitmap.PixelFormat(), pf8bit);
    EXPECT_EQ(Indices(Bitmap, 0), (std::vector<int>{2, 3, 1, 2}));
    EXPECT_EQ(Indices(Bitmap, 1), (std::vector<int>{1, 1, 1, 0}));
}

TEST(BmpReader, Rle8DeltaLeavesSkippedPixelsAtIndexZero)
{
    const TBitmap Bitmap = Read(MakeBmp(Rle8(4, 3, {0, 2, 1, 1, 2, 3, 0, 1})));
    EXPECT_EQ(Indices(Bitmap, 0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(Indices(Bitmap, 1), (std::vector<int>{0, 3, 3, 0}));
    EXPECT_EQ(Indices(Bitmap, 2), (std::vector<int>{0, 0, 0, 0}));
}

TEST(BmpReader, Rle4AlternatesNibbles)
{
    TBmpLayout Layout = Rle8(8, 1, {5, 0x12, 0, 3, 0x31, 0x20, 0, 1});
    Layout.BitCount = 4;
    Layout.Compression = 2;
    const TBitmap Bitmap = Read(MakeBmp(Layout));
    EXPECT_EQ(Bitmap.PixelFormat(), pf4bit);
    EXPECT_EQ(Indices(Bitmap, 0), (std::vector<int>{1, 2, 1, 2, 1, 3, 1, 2}));
}

TEST(BmpReader, RleEndingWithoutEndCodeNeedsEveryRow)
{
    EXPECT_EQ(Indices(Read(MakeBmp(Rle8(2, 2, {2, 1, 0, 0, 2, 3}))), 0), (std::vector<int>{3, 3}));
    EXPECT_TRUE(Refused(MakeBmp(Rle8(2, 2, {2, 1, 0, 0}))));
    EXPECT_TRUE(Refused(MakeBmp(Rle8(2, 2, {2, 1, 0}))));
}

TEST(BmpReader, RefusesRlePastTheRowOrPicture)
{
    EXPECT_TRUE(Refused(MakeBmp(Rle8(4, 1, {5, 1, 0, 1}))));
    EXPECT_TRUE(Refused(MakeBmp(Rle8(4, 1, {0, 5, 1, 1, 1, 1, 1, 0, 0, 1}))));
    EXPECT_TRUE(Refused(MakeBmp(Rle8(4, 1, {0, 0, 0, 0, 1, 1, 0, 1}))));
    EXPECT_TRUE(Refused(MakeBmp(Rle8(4, 1, {0, 2, 5, 0, 0, 1}))));
    EXPECT_TRUE(Refused(MakeBmp(Rle8(4, 1, {0, 4, 1, 1}))));  // absolute run cut off
    EXPECT_TRUE(Refused(MakeBmp(Rle8(4, -1, {4, 1, 0, 1})))); // RLE cannot be top-down
}

TEST(BmpReader, RefusesHugeClaimsOnTinyFiles)
{
    TBmpLayout Layout;
    Layout.Width = 100000;
    Layout.Height = 100000;
    Layout.Pixels = TBytes(146, 0);
    EXPECT_TRUE(Refused(MakeBmp(Layout)));
    TBmpLayout Rle = Rle8(100000, 100000, {0, 1});
    Rle.Pixels.resize(130, 0);
    EXPECT_TRUE(Refused(MakeBmp(Rle)));
}

TEST(BmpReader, RefusesDamagedHeaders)
{
    TBmpLayout Good;
    Good.Width = 2;
    Good.Pixels = TBytes(8, 0);
    ASSERT_NO_THROW(Read(MakeBmp(Good)));

    TBytes Magic = MakeBmp(Good);
    Magic[1] = 'A';
    EXPECT_TRUE(Refused(Magic));

    const auto RefusedWith = [&](auto Change) {
        TBmpLayout Layout = Good;
        Change(Layout);
        return Refused(MakeBmp(Layout));
    };
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.HeaderSize = 41; }));
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.Planes = 2; }));
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.BitCount = 7; }));
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.Width = 0; }));
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.Width = -2; }));
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.Height = 0; }));
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.Compression = 1; }));   // RLE8 at 24 bits
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.Compression = 4; }));   // embedded JPEG
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.Compression = 3; }));   // bit fields at 24 bits
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) { S.ColorsUsed = 1000; })); // table running into the pixels
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) {
        S.BitCount = 16;
        S.Compression = 3;
        S.Masks = {0xF0F0, 0x0F00, 0x000F}; // not contiguous
    }));
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) {
        S.BitCount = 16;
        S.Compression = 3;
        S.Masks = {0xFF00, 0x0FF0, 0x000F}; // overlapping
    }));
    EXPECT_TRUE(RefusedWith([](TBmpLayout& S) {
        S.BitCount = 16;
        S.Compression = 3;
        S.Masks = {0xF8000, 0x07E0, 0x001F}; // beyond 16 bits
    }));

    TBytes Offset = MakeBmp(Good);
    Offset[10] = 200; // pixels past the end
    EXPECT_TRUE(Refused(Offset));
}

TEST(BmpReader, RefusesEveryTruncation)
{
    const TBitmap Source = MakeRandomBitmap(5, 3, 8, 7);
    const TBytes Full = Write(Source);
    for (std::size_t Size = 0; Size < Full.size(); ++Size)
        EXPECT_TRUE(Refused(TBytes(Full.begin(), Full.begin() + std::ptrdiff_t(Size)))) << Size;
    // With the file size left 0, as some writers leave it, the pixels themselves must be there; only the
    // last row's padding may be missing.
    TBytes NoSize = Full;
    std::memset(NoSize.data() + 2, 0, 4);
    const std::size_t LastRowEnd = Full.size() - 3;
    for (std::size_t Size = 0; Size < LastRowEnd; ++Size)
        EXPECT_TRUE(Refused(TBytes(NoSize.begin(), NoSize.begin() + std::ptrdiff_t(Size)))) << Size;
    EXPECT_TRUE(SamePixels(Read(TBytes(NoSize.begin(), NoSize.begin() + std::ptrdiff_t(LastRowEnd))), Source));
}

TEST(BmpWriter, PixelsFollowHeaderAndTable)
{
    const TBytes Bytes24 = Write(MakeRandomBitmap(3, 2, 24, 1));
    EXPECT_EQ(GetU32(Bytes24, 10), 54u);
    EXPECT_EQ(GetU32(Bytes24, 14), 40u);
    EXPECT_EQ(GetU32(Bytes24, 30), 0u); // BI_RGB
    EXPECT_EQ(GetU32(Bytes24, 2), Bytes24.size());
    EXPECT_EQ(Bytes24.size(), 54u + 2 * 12);

    const TBytes Bytes8 = Write(MakeRandomBitmap(3, 2, 8, 1));
    EXPECT_EQ(GetU32(Bytes8, 10), 1078u);

    TBitmap Custom;
    Custom.SetLayout(3, 2, 32, TBitFields{0xFF, 0xFF00, 0xFF0000});
    const TBytes Bytes32 = Write(Custom);
    EXPECT_EQ(GetU32(Bytes32, 10), 66u);
    EXPECT_EQ(GetU32(Bytes32, 30), 3u); // BI_BITFIELDS
    EXPECT_EQ(GetU32(Bytes32, 54), 0xFFu);
    EXPECT_EQ(GetU32(Bytes32, 62), 0xFF0000u);

    TBitmap Fifteen;
    Fifteen.SetLayout(3, 2, 16);
    const TBytes Bytes15 = Write(Fifteen);
    EXPECT_EQ(GetU32(Bytes15, 10), 54u);
    EXPECT_EQ(GetU32(Bytes15, 30), 0u);

    TBitmap Sixteen;
    Sixteen.SetLayout(3, 2, 16, BitFields565);
    const TBytes Bytes16 = Write(Sixteen);
    EXPECT_EQ(GetU32(Bytes16, 10), 66u);
    EXPECT_EQ(GetU32(Bytes16, 54), 0xF800u);
}

TEST(BmpWriter, DeviceBitmapIsWrittenAsThirtyTwoBits)
{
    TBitmap Device;
    Device.SetSize(3, 2);
    ASSERT_EQ(Device.PixelFormat(), pfDevice);
    const TBytes Bytes = Write(Device);
    EXPECT_EQ(GetU16(Bytes, 28), 32);
    EXPECT_EQ(GetU32(Bytes, 30), 0u);
    EXPECT_EQ(GetU32(Bytes, 10), 54u);
    EXPECT_EQ(Read(Bytes).PixelFormat(), pf32bit);
}

TEST(BmpWriter, ShortPaletteIsPaddedToTheFullTable)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(2, 1, 4);
    Bitmap.SetPalette(TPalette(std::vector<TPaletteEntry>{{10, 20, 30, 0}, {40, 50, 60, 0}}));
    const TBytes Bytes = Write(Bitmap);
    EXPECT_EQ(GetU32(Bytes, 10), 54u + 64);
    EXPECT_EQ(Bytes[54 + 4], 60); // blue of entry 1
    EXPECT_EQ(Bytes[54 + 6], 40); // red
    for (std::size_t Offset = 54 + 8; Offset < 54 + 64; ++Offset) EXPECT_EQ(Bytes[Offset], 0) << Offset;
    EXPECT_EQ(Read(Bytes).ColorTable().Count(), 16);
}

TEST(BmpWriter, EmptyBitmapWritesNothing)
{
    EXPECT_TRUE(Write(TBitmap()).empty());
}

struct TLayoutCase
{
    int BitCount;
    std::optional<TBitFields> Fields;
    TPixelFormat Format;
};

class BmpRoundTrip : public ::testing::TestWithParam<TLayoutCase>
{
};

TEST_P(BmpRoundTrip, ReadsBackIdentically)
{
    const TLayoutCase Case = GetParam();
    for (const int Width : {1, 2, 3, 5, 7}) {
        const TBitmap Random = MakeRandomBitmap(Width, 3, Case.BitCount, std::uint32_t(Width * 31 + Case.BitCount));
        TBitmap Source;
        Source.SetLayout(Width, 3, Case.BitCount, Case.Fields);
        for (int Y = 0; Y < 3; ++Y) std::memcpy(Source.ScanLine(Y), Random.ScanLine(Y), Random.RowBytes());
        Source.SetPalette(Random.ColorTable());
        ASSERT_EQ(Source.PixelFormat(), Case.Format);

        const TBitmap Back = Read(Write(Source));
        EXPECT_TRUE(SamePixels(Back, Source)) << "width " << Width;
        EXPECT_EQ(Back.PixelFormat(), Case.Format) << "width " << Width;
        EXPECT_EQ(Back.BitFields(), Source.BitFields()) << "width " << Width;
        EXPECT_EQ(Back.ColorTable(), Source.ColorTable()) << "width " << Width;
    }
}

const TLayoutCase AllLayouts[] = {
    {1, std::nullopt, pf1bit},   {4, std::nullopt, pf4bit},   {8, std::nullopt, pf8bit},
    {16, std::nullopt, pf15bit}, {16, BitFields565, pf16bit}, {16, TBitFields{0xF00, 0xF0, 0xF}, pfcustom},
    {24, std::nullopt, pf24bit}, {32, std::nullopt, pf32bit}, {32, TBitFields{0xFF, 0xFF00, 0xFF0000}, pfcustom},
};

INSTANTIATE_TEST_SUITE_P(EveryLayout, BmpRoundTrip, ::testing::ValuesIn(AllLayouts));

// ImageMagick, an independent reader, sees the size of every layout we write, and the bit count as its
// depth for palette pictures (direct-colour ones it reports at 8 bits a channel).
TEST(BmpWriter, ImageMagickReadsWhatIsWritten)
{
    if (!std::filesystem::exists("/usr/bin/identify")) GTEST_SKIP() << "ImageMagick's identify is not installed";
    const auto Folder = std::filesystem::temp_directory_path() / ("pixora-bmp-" + std::to_string(getpid()));
    std::filesystem::create_directories(Folder);
    for (const TLayoutCase& Case : AllLayouts) {
        TBitmap Bitmap = MakeRandomBitmap(7, 3, Case.BitCount, 5);
        if (Case.Fields) {
            TBitmap WithFields;
            WithFields.SetLayout(7, 3, Case.BitCount, Case.Fields);
            for (int Y = 0; Y < 3; ++Y) std::memcpy(WithFields.ScanLine(Y), Bitmap.ScanLine(Y), Bitmap.RowBytes());
            Bitmap = std::move(WithFields);
        }
        const auto Path =
            Folder / ("layout" + std::to_string(Case.BitCount) + "-" + std::to_string(Case.Format) + ".bmp");
        const TBytes Bytes = Write(Bitmap);
        std::FILE* File = std::fopen(Path.c_str(), "wb");
        ASSERT_NE(File, nullptr);
        std::fwrite(Bytes.data(), 1, Bytes.size(), File);
        std::fclose(File);

        const std::string Command = "/usr/bin/identify -format '%w %h %z' '" + Path.string() + "' 2>&1";
        std::FILE* Pipe = popen(Command.c_str(), "r");
        ASSERT_NE(Pipe, nullptr);
        char Output[256] = {};
        const std::size_t Length = std::fread(Output, 1, sizeof Output - 1, Pipe);
        EXPECT_EQ(pclose(Pipe), 0) << Output;
        const std::string Expected = "7 3 " + std::to_string(Case.BitCount <= 8 ? Case.BitCount : 8);
        EXPECT_EQ(std::string(Output, Length), Expected) << Path;
    }
    std::filesystem::remove_all(Folder);
}

namespace {

// A DIB as the clipboard or a drop carries it: the file without its 14-byte file header.
TBytes DibOf(const TBytes& File)
{
    return TBytes(File.begin() + 14, File.end());
}

// What reading Dib in place gives, or "refused", beside what reading its BMP file gives.
std::string Outcome(const std::function<void(TBitmap&)>& Read)
{
    TBitmap Bitmap;
    try {
        Read(Bitmap);
    } catch (const EInvalidGraphic& Error) {
        return "refused: " + Error.Message();
    }
    std::string Text = std::to_string(Bitmap.Width()) + "x" + std::to_string(Bitmap.Height()) + " format " +
                       std::to_string(Bitmap.PixelFormat()) + " palette " +
                       std::to_string(Bitmap.ColorTable().Count()) + " fields " +
                       std::to_string(Bitmap.BitFields().Red) + ":";
    for (int Y = 0; Y < Bitmap.Height(); ++Y)
        for (int X = 0; X < int((std::size_t(Bitmap.Width()) * std::size_t(Bitmap.BitCount()) + 7) / 8); ++X)
            Text += " " + std::to_string(Bitmap.ScanLine(Y)[X]);
    for (int Index = 0; Index < Bitmap.ColorTable().Count(); ++Index)
        Text += " #" + std::to_string(Bitmap.ColorTable()[Index].peRed) + "," +
                std::to_string(Bitmap.ColorTable()[Index].peBlue);
    return Text;
}

} // namespace

// A DIB is read where it lies; the reference is the same DIB made into a BMP file and read as a file.
TEST(BmpReader, DibReadInPlaceAsItsFile)
{
    std::vector<TBytes> Dibs;
    for (const TLayoutCase& Case : AllLayouts) Dibs.push_back(DibOf(Write(MakeRandomBitmap(5, 3, Case.BitCount, 9))));
    TBmpLayout TopDown;
    TopDown.Height = -2;
    TopDown.Pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    Dibs.push_back(DibOf(MakeBmp(TopDown)));
    TBmpLayout Core;
    Core.HeaderSize = 12;
    Core.BitCount = 1;
    Core.Palette = {0x102030, 0x405060};
    Core.Pixels = {0x80, 0, 0, 0};
    Dibs.push_back(DibOf(MakeBmp(Core)));
    Dibs.push_back(DibOf(MakeBmp(Rle8(3, 2, {2, 1, 1, 3, 0, 0, 3, 2, 0, 1}))));
    TBmpLayout Masked;
    Masked.BitCount = 16;
    Masked.Compression = 3;
    Masked.Width = 2;
    Masked.Masks = {0xF800, 0x07E0, 0x001F};
    Masked.Pixels = {1, 2, 3, 4};
    Dibs.push_back(DibOf(MakeBmp(Masked)));
    Masked.HeaderSize = 124; // the masks inside a long header
    Dibs.push_back(DibOf(MakeBmp(Masked)));

    std::mt19937 Random(11);
    for (const TBytes& Dib : Dibs) {
        std::vector<TBytes> Variants{Dib};
        for (std::size_t Size = 0; Size < Dib.size(); ++Size)
            Variants.emplace_back(Dib.begin(), Dib.begin() + std::ptrdiff_t(Size));
        for (int Change = 0; Change < 300; ++Change) {
            TBytes Damaged = Dib;
            const std::size_t At = Random() % std::min<std::size_t>(Dib.size(), 64);
            Damaged[At] = std::uint8_t(Random() % 3 == 0 ? Random() : Damaged[At] ^ (1u << (Random() % 8)));
            Variants.push_back(std::move(Damaged));
        }
        for (const TBytes& Variant : Variants) {
            const std::string InPlace = Outcome([&](TBitmap& Bitmap) { ReadPackedDib(Variant, Bitmap); });
            const std::string AsFile = Outcome([&](TBitmap& Bitmap) { ReadBmp(BmpFileOfPackedDib(Variant), Bitmap); });
            ASSERT_EQ(InPlace, AsFile) << "DIB of " << Variant.size() << " bytes";
        }
    }
}

TEST(BmpWriter, DibIsTheFileWithoutItsFileHeader)
{
    for (const TLayoutCase& Case : AllLayouts) {
        const TBitmap Source = MakeRandomBitmap(7, 3, Case.BitCount, 21);
        TBytes Dib{0xAA}; // appended after what is there
        WriteDib(Source, Dib);
        TBytes Expected{0xAA};
        const TBytes File = Write(Source);
        Expected.insert(Expected.end(), File.begin() + 14, File.end());
        EXPECT_EQ(Dib, Expected) << Case.BitCount;
        EXPECT_EQ(PackedDibOf(Source), DibOf(File)) << Case.BitCount;
    }
    TBytes Empty;
    WriteDib(TBitmap(), Empty);
    EXPECT_TRUE(Empty.empty());
}
