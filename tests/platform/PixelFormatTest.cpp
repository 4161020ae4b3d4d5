#include "platform/graphics/Bitmap.h"
#include "platform/graphics/HalftonePalette.h"
#include "platform/graphics/PixelRows.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

using TBgr = std::array<int, 3>; // blue, green, red

TBgr Pixel24(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* Row = Bitmap.ScanLine(Y);
    return {Row[3 * X], Row[3 * X + 1], Row[3 * X + 2]};
}

// A one-row bitmap of 16-bit words.
TBitmap Words16(std::initializer_list<std::uint16_t> Words, std::optional<TBitFields> Fields)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(int(Words.size()), 1, 16, Fields);
    std::memcpy(Bitmap.ScanLine(0), Words.begin(), Words.size() * 2);
    return Bitmap;
}

TBitmap Words32(std::initializer_list<std::uint32_t> Words, std::optional<TBitFields> Fields)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(int(Words.size()), 1, 32, Fields);
    std::memcpy(Bitmap.ScanLine(0), Words.begin(), Words.size() * 4);
    return Bitmap;
}

TBitmap Bgr24(std::initializer_list<TBgr> Pixels)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(int(Pixels.size()), 1, 24);
    int X = 0;
    for (const TBgr& Pixel : Pixels) {
        for (int Channel = 0; Channel < 3; ++Channel)
            Bitmap.ScanLine(0)[3 * X + Channel] = std::uint8_t(Pixel[Channel]);
        ++X;
    }
    return Bitmap;
}

std::uint16_t Word16(const TBitmap& Bitmap, int X)
{
    std::uint16_t Word;
    std::memcpy(&Word, Bitmap.ScanLine(0) + 2 * X, 2);
    return Word;
}

constexpr int Widths[] = {1, 2, 3, 5, 7};
constexpr int Heights[] = {1, 3, 5};

} // namespace

TEST(PixelFormat, ReportsTheLayout)
{
    TBitmap Bitmap;
    EXPECT_EQ(Bitmap.PixelFormat(), pfDevice);
    Bitmap.SetPixelFormat(pf24bit);
    EXPECT_EQ(Bitmap.PixelFormat(), pf24bit);
    const std::pair<TPixelFormat, int> Formats[] = {{pf1bit, 1},   {pf4bit, 4},   {pf8bit, 8},   {pf15bit, 16},
                                                    {pf16bit, 16}, {pf24bit, 24}, {pf32bit, 32}, {pfDevice, 32}};
    for (const auto& [Format, Bits] : Formats) {
        Bitmap.SetPixelFormat(Format);
        EXPECT_EQ(Bitmap.PixelFormat(), Format);
        EXPECT_EQ(Bitmap.BitCount(), Bits);
        EXPECT_EQ(Bitmap.HandleType(), Format == pfDevice ? bmDDB : bmDIB);
    }
}

TEST(PixelFormat, WideFormatsRoundTripExactly)
{
    for (int Width : Widths)
        for (int Height : Heights) {
            const TBitmap Original = MakeRandomBitmap(Width, Height, 24, std::uint32_t(Width * 10 + Height));
            for (TPixelFormat Between : {pf32bit, pfDevice}) {
                TBitmap Copy = Original;
                Copy.SetPixelFormat(Between);
                Copy.SetPixelFormat(pf24bit);
                EXPECT_TRUE(SamePixels(Copy, Original)) << Width << "x" << Height << " through " << Between;
            }
        }
}

TEST(PixelFormat, ThirtyTwoBitsGainsZeroUnusedBytes)
{
    TBitmap Bitmap = Bgr24({{1, 2, 3}, {250, 251, 252}});
    Bitmap.SetPixelFormat(pf32bit);
    const std::uint8_t* Row = Bitmap.ScanLine(0);
    EXPECT_EQ(std::vector<int>(Row, Row + 8), (std::vector<int>{1, 2, 3, 0, 250, 251, 252, 0}));
    EXPECT_FALSE(Bitmap.HasBitFields());
}

TEST(PixelFormat, LowFormatsRoundTripThroughTwentyFourBits)
{
    // Pictures already in a format's own colours come back unchanged from 24 bits.
    for (int Width : Widths)
        for (int Height : Heights)
            for (TPixelFormat Format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit}) {
                TBitmap Start = MakeRandomBitmap(Width, Height, 24, std::uint32_t(Width + 100 * Height));
                Start.SetPixelFormat(Format);
                TBitmap Copy = Start;
                Copy.SetPixelFormat(pf24bit);
                Copy.SetPixelFormat(Format);
                EXPECT_TRUE(SamePixels(Copy, Start)) << Width << "x" << Height << " format " << Format;
                EXPECT_EQ(Copy.Palette(), Start.Palette());
            }
}

TEST(PixelFormat, SixteenBitsWidensByRepeatingTopBits)
{
    // 5-6-5: red 31, green 63, blue 31 is white; green 32 is 130; red 1 is 8; 5-bit 16 is 132.
    TBitmap Bitmap = Words16({0xFFFF, 0x0400, 0x0800, 0x8000 | 0x0010}, BitFields565);
    ASSERT_EQ(Bitmap.PixelFormat(), pf16bit);
    Bitmap.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Bitmap, 0, 0), (TBgr{255, 255, 255}));
    EXPECT_EQ(Pixel24(Bitmap, 1, 0), (TBgr{0, 130, 0}));
    EXPECT_EQ(Pixel24(Bitmap, 2, 0), (TBgr{0, 0, 8}));
    EXPECT_EQ(Pixel24(Bitmap, 3, 0), (TBgr{132, 0, 132}));
}

TEST(PixelFormat, FifteenBitsIgnoresTheTopBit)
{
    TBitmap Bitmap = Words16({0x7FFF, 0xC210, 0x001F}, std::nullopt);
    ASSERT_EQ(Bitmap.PixelFormat(), pf15bit);
    Bitmap.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Bitmap, 0, 0), (TBgr{255, 255, 255}));
    EXPECT_EQ(Pixel24(Bitmap, 1, 0), (TBgr{132, 132, 132}));
    EXPECT_EQ(Pixel24(Bitmap, 2, 0), (TBgr{255, 0, 0}));
}

TEST(PixelFormat, SixteenBitsKeepsTheTopBitsOfEachChannel)
{
    // Blue 0xFF, green 0x80, red 0x07: 5-6-5 holds 31, 32, 0; 5-5-5 holds 31, 16, 0.
    TBitmap Sixteen = Bgr24({{0xFF, 0x80, 0x07}, {0x07, 0x03, 0xF8}});
    TBitmap Fifteen = Sixteen;
    Sixteen.SetPixelFormat(pf16bit);
    Fifteen.SetPixelFormat(pf15bit);
    EXPECT_EQ(Sixteen.BitFields(), BitFields565);
    EXPECT_FALSE(Fifteen.HasBitFields());
    EXPECT_EQ(Word16(Sixteen, 0), 0x041F);
    EXPECT_EQ(Word16(Sixteen, 1), 0xF800);
    EXPECT_EQ(Word16(Fifteen, 0), 0x021F);
    EXPECT_EQ(Word16(Fifteen, 1), 0x7C00);
}

TEST(PixelFormat, CustomMasksAreReadThroughTheirFields)
{
    // 4-4-4 in 16 bits: red 15 is 255, green 8 is 136, blue 3 is 51.
    TBitmap Twelve = Words16({0x0F83}, TBitFields{0x0F00, 0x00F0, 0x000F});
    ASSERT_EQ(Twelve.PixelFormat(), pfcustom);
    Twelve.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Twelve, 0, 0), (TBgr{51, 136, 255}));

    // 10-10-10 in 32 bits keeps the top 8 bits: red 1023, green 512, blue 3 give 255, 128, 0.
    TBitmap Ten = Words32({(1023u << 20) | (512u << 10) | 3u}, TBitFields{0x3FF00000, 0x000FFC00, 0x000003FF});
    ASSERT_EQ(Ten.PixelFormat(), pfcustom);
    Ten.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Ten, 0, 0), (TBgr{0, 128, 255}));

    // Red and blue swapped in 32 bits, and a 3-bit channel at odd places: 101 becomes 10110110.
    TBitmap Swapped = Words32({0x00332211, 0x00000005}, TBitFields{0x000000FF, 0x0000FF00, 0x00FF0000});
    Swapped.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Swapped, 0, 0), (TBgr{0x33, 0x22, 0x11}));
    TBitmap Odd = Words32({0x5u << 29 | 0x5u << 1}, TBitFields{0xE0000000, 0x0000000E, 0});
    Odd.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Odd, 0, 0), (TBgr{0, 182, 182}));
}

TEST(PixelFormat, CustomIsNotATarget)
{
    TBitmap Bitmap = Bgr24({{1, 2, 3}});
    try {
        Bitmap.SetPixelFormat(pfcustom);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& Error) {
        EXPECT_EQ(Error.Message(), Messages::SInvalidPixelFormat);
    }
    EXPECT_EQ(Bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(Pixel24(Bitmap, 0, 0), (TBgr{1, 2, 3}));
}

TEST(PixelFormat, IndexedPicturesReadThroughTheirColorTable)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(3, 1, 8);
    Bitmap.SetPalette(TPalette(std::vector<TPaletteEntry>{{10, 20, 30, 0}, {40, 50, 60, 0}}));
    Bitmap.ScanLine(0)[0] = 1;
    Bitmap.ScanLine(0)[1] = 0;
    Bitmap.ScanLine(0)[2] = 200; // beyond the table
    Bitmap.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Bitmap, 0, 0), (TBgr{60, 50, 40}));
    EXPECT_EQ(Pixel24(Bitmap, 1, 0), (TBgr{30, 20, 10}));
    EXPECT_EQ(Pixel24(Bitmap, 2, 0), (TBgr{0, 0, 0}));
    EXPECT_TRUE(Bitmap.Palette().Empty());

    // Four bits, high nibble first; one bit, the most significant bit first.
    TBitmap Nibbles;
    Nibbles.SetLayout(3, 1, 4);
    Nibbles.SetPalette(StandardColorPalette());
    Nibbles.ScanLine(0)[0] = 0x9C; // red, blue
    Nibbles.ScanLine(0)[1] = 0xF0; // white
    Nibbles.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Nibbles, 0, 0), (TBgr{0, 0, 255}));
    EXPECT_EQ(Pixel24(Nibbles, 1, 0), (TBgr{255, 0, 0}));
    EXPECT_EQ(Pixel24(Nibbles, 2, 0), (TBgr{255, 255, 255}));

    TBitmap Bits;
    Bits.SetLayout(10, 1, 1);
    Bits.SetPalette(TPalette(std::vector<TPaletteEntry>{{1, 2, 3, 0}})); // no entry for index 1
    Bits.ScanLine(0)[0] = 0x80;
    Bits.ScanLine(0)[1] = 0x40;
    Bits.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(Bits, 0, 0), (TBgr{0, 0, 0}));
    EXPECT_EQ(Pixel24(Bits, 1, 0), (TBgr{3, 2, 1}));
    EXPECT_EQ(Pixel24(Bits, 9, 0), (TBgr{0, 0, 0}));
}

TEST(PixelFormat, OneBitTakesTheNearerOfBlackAndWhite)
{
    TBitmap Bitmap = Bgr24({{127, 128, 127},
                            {128, 128, 127},
                            {0, 0, 255},
                            {255, 255, 0},
                            {0, 0, 0},
                            {255, 255, 255},
                            {10, 250, 250},
                            {90, 90, 90},
                            {200, 200, 200}});
    Bitmap.SetPixelFormat(pf1bit);
    EXPECT_EQ(Bitmap.Palette(), BlackWhitePalette());
    EXPECT_EQ(Bitmap.ScanLine(0)[0], 0b01010110);
    EXPECT_EQ(Bitmap.ScanLine(0)[1], 0b10000000);
}

TEST(PixelFormat, FourBitsTakesTheNearestStandardColor)
{
    TBitmap Bitmap = Bgr24({{180, 190, 200}, {0, 0, 100}, {150, 150, 150}, {250, 10, 240}, {20, 140, 10}});
    Bitmap.SetPixelFormat(pf4bit);
    EXPECT_EQ(Bitmap.Palette(), StandardColorPalette());
    const std::uint8_t* Row = Bitmap.ScanLine(0);
    EXPECT_EQ(Row[0], 0x71); // silver, maroon
    EXPECT_EQ(Row[1], 0x8D); // grey, fuchsia
    EXPECT_EQ(Row[2], 0x20); // green
}

TEST(PixelFormat, PaletteFollowsTheFormat)
{
    TBitmap Bitmap = MakeRandomBitmap(5, 3, 24, 7);
    Bitmap.SetPixelFormat(pf8bit);
    EXPECT_EQ(Bitmap.Palette(), HalftonePalette());
    Bitmap.SetPixelFormat(pf4bit);
    EXPECT_EQ(Bitmap.Palette(), StandardColorPalette());
    Bitmap.SetPixelFormat(pf8bit);
    EXPECT_EQ(Bitmap.Palette(), HalftonePalette());
    Bitmap.SetPixelFormat(pf16bit);
    EXPECT_TRUE(Bitmap.Palette().Empty());

    // An 8-bit picture with its own palette stays as it is when asked for 8 bits again.
    TBitmap Own = MakeRandomBitmap(7, 5, 8, 11);
    const TBitmap Before = Own;
    Own.SetPixelFormat(pf8bit);
    EXPECT_TRUE(SamePixels(Own, Before));
    EXPECT_EQ(Own.Palette(), Before.Palette());
    // Through 24 bits it takes the halftone palette.
    Own.SetPixelFormat(pf24bit);
    Own.SetPixelFormat(pf8bit);
    EXPECT_EQ(Own.Palette(), HalftonePalette());
}

TEST(PixelFormat, DeviceBitmapIsThePlainThirtyTwoBitLayout)
{
    TBitmap Bitmap = Bgr24({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    Bitmap.SetPixelFormat(pfDevice);
    EXPECT_EQ(Bitmap.HandleType(), bmDDB);
    EXPECT_EQ(Bitmap.BitCount(), 32);
    Bitmap.SetHandleType(bmDIB);
    EXPECT_EQ(Bitmap.PixelFormat(), pf32bit);
    const std::uint8_t* Row = Bitmap.ScanLine(0);
    EXPECT_EQ(std::vector<int>(Row, Row + 12), (std::vector<int>{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}));

    // Back to a device bitmap and to 8 bits: the pixels stay, the palette follows.
    Bitmap.SetHandleType(bmDDB);
    EXPECT_EQ(Bitmap.PixelFormat(), pfDevice);
    const TBitmap& Device = Bitmap;
    EXPECT_EQ(Device.ScanLine(0)[4], 4);
    Bitmap.SetPixelFormat(pf8bit);
    EXPECT_EQ(Bitmap.HandleType(), bmDIB);
    EXPECT_EQ(Bitmap.Palette(), HalftonePalette());
    EXPECT_EQ(Bitmap.ScanLine(0)[0], 0); // all three are nearest to black
}

TEST(PixelFormat, EveryPairConverts)
{
    const TPixelFormat Formats[] = {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};
    for (TPixelFormat From : Formats)
        for (TPixelFormat To : Formats) {
            TBitmap Bitmap = MakeRandomBitmap(7, 3, 24, 3);
            Bitmap.SetPixelFormat(From);
            Bitmap.SetPixelFormat(To);
            EXPECT_EQ(Bitmap.PixelFormat(), To) << From << " to " << To;
            EXPECT_EQ(Bitmap.Width(), 7);
            EXPECT_EQ(Bitmap.Height(), 3);
        }
}

TEST(PixelFormat, RowPaddingStaysZero)
{
    const TPixelFormat Formats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};
    for (int Width : Widths)
        for (TPixelFormat From : Formats)
            for (TPixelFormat To : Formats) {
                TBitmap Bitmap = MakeRandomBitmap(Width, 3, 24, std::uint32_t(Width));
                Bitmap.SetPixelFormat(From);
                Bitmap.SetPixelFormat(To);
                const std::size_t UsedBits = std::size_t(Width) * std::size_t(Bitmap.BitCount());
                for (int Y = 0; Y < 3; ++Y) {
                    const std::uint8_t* Row = Bitmap.ScanLine(Y);
                    if (UsedBits % 8 != 0) {
                        EXPECT_EQ(Row[UsedBits / 8] & (0xFF >> (UsedBits % 8)), 0);
                    }
                    for (std::size_t Byte = (UsedBits + 7) / 8; Byte < Bitmap.RowBytes(); ++Byte)
                        EXPECT_EQ(Row[Byte], 0) << Width << " wide, " << From << " to " << To << ", row " << Y;
                }
            }
}

// Conversions of wide rows, whose bulk takes the block kernels and whose last pixels the plain ones,
// against each pixel's own formula: the widths leave every possible tail.
TEST(PixelFormat, WideRowsMatchThePerPixelFormulas)
{
    for (int Width : {1, 9, 17, 61, 257, 1003}) {
        constexpr int Height = 3;
        const auto Seed = std::uint32_t(Width);
        const TBitmap Original = MakeRandomBitmap(Width, Height, 24, Seed);
        const TBitmap Original32 = MakeRandomBitmap(Width, Height, 32, Seed + 1);
        TBitmap To32 = Original, To16 = Original, To15 = Original, From32 = Original32, From32To16 = Original32;
        To32.SetPixelFormat(pf32bit);
        To16.SetPixelFormat(pf16bit);
        To15.SetPixelFormat(pf15bit);
        From32.SetPixelFormat(pf24bit);
        From32To16.SetPixelFormat(pf16bit);
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X) {
                const std::uint8_t* Bgr = Original.ScanLine(Y) + 3 * X;
                const int Blue = Bgr[0], Green = Bgr[1], Red = Bgr[2];
                const std::uint8_t* Wide = To32.ScanLine(Y) + 4 * X;
                ASSERT_EQ((TBgr{Wide[0], Wide[1], Wide[2]}), (TBgr{Blue, Green, Red}))
                    << X << "," << Y << " of " << Width;
                ASSERT_EQ(Wide[3], 0);
                std::uint16_t Word;
                std::memcpy(&Word, To16.ScanLine(Y) + 2 * X, 2);
                ASSERT_EQ(Word, (Red >> 3) << 11 | (Green >> 2) << 5 | Blue >> 3) << X << "," << Y << " of " << Width;
                std::memcpy(&Word, To15.ScanLine(Y) + 2 * X, 2);
                ASSERT_EQ(Word, (Red >> 3) << 10 | (Green >> 3) << 5 | Blue >> 3) << X << "," << Y << " of " << Width;

                const std::uint8_t* Bgrx = Original32.ScanLine(Y) + 4 * X;
                ASSERT_EQ(Pixel24(From32, X, Y), (TBgr{Bgrx[0], Bgrx[1], Bgrx[2]})) << X << "," << Y << " of " << Width;
                std::memcpy(&Word, From32To16.ScanLine(Y) + 2 * X, 2);
                ASSERT_EQ(Word, (Bgrx[2] >> 3) << 11 | (Bgrx[1] >> 2) << 5 | Bgrx[0] >> 3) << X << "," << Y;
            }
    }
}

TEST(PixelFormat, EmptyBitmapsConvert)
{
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(pf8bit);
    EXPECT_EQ(Bitmap.PixelFormat(), pf8bit);
    EXPECT_TRUE(Bitmap.Empty());
    Bitmap.SetSize(0, 4);
    Bitmap.SetPixelFormat(pf24bit);
    EXPECT_EQ(Bitmap.Height(), 4);
}

TEST(PixelRows, SwapRedBlueExchangesTheOuterBytesOfEachPixelAndNothingElse)
{
    for (int Width : {0, 1, 5, 6, 7, 11, 16, 61, 1003}) {
        const TBitmap Random = MakeRandomBitmap(Width + 8, 1, 24, std::uint32_t(Width) + 40);
        const std::uint8_t* Source = Random.ScanLine(0);
        const std::size_t Bytes = std::size_t(Width) * 3;
        // Past the row the target holds a mark the kernel must leave.
        std::vector<std::uint8_t> Target(Bytes + 24, 0xA5);
        SwapRedBlueRow(Source, Width, Target.data());
        std::vector<std::uint8_t> InPlace(Source, Source + Bytes + 24);
        SwapRedBlueRow(InPlace.data(), Width, InPlace.data());
        for (std::size_t At = 0; At < Bytes; ++At) {
            const std::uint8_t Expected = Source[At - At % 3 + 2 - At % 3];
            ASSERT_EQ(Target[At], Expected) << "byte " << At << " of " << Width;
            ASSERT_EQ(InPlace[At], Expected) << "byte " << At << " of " << Width << " in place";
        }
        for (std::size_t At = Bytes; At < Bytes + 24; ++At) {
            ASSERT_EQ(Target[At], 0xA5) << "byte " << At << " past " << Width;
            ASSERT_EQ(InPlace[At], Source[At]) << "byte " << At << " past " << Width << " in place";
        }
    }
}
