// JPEG pixels in metafile bitmap records: decoded no larger than their destination needs, and drawn.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/JpegCodec.h"
#include "platform/graphics/emf/DibJpeg.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "tests/support/MetafileCompare.h"
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>

#include <cstring>
#include <uemf.h>

namespace {

// A JPEG of one colour, Width × Height.
std::vector<std::uint8_t> FlatJpeg(int Width, int Height, std::uint8_t Blue, std::uint8_t Green, std::uint8_t Red)
{
    TBitmap Flat;
    Flat.SetLayout(Width, Height, 24);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            std::uint8_t* Pixel = Flat.ScanLine(Y) + 3 * X;
            Pixel[0] = Blue, Pixel[1] = Green, Pixel[2] = Red;
        }
    std::vector<std::uint8_t> Bytes;
    EncodeJpeg(Flat, 90, Bytes);
    return Bytes;
}

// The same JPEG data claiming another frame size in its start-of-frame segment: the data then ends long
// before the picture, which the decoder fills with grey.
std::vector<std::uint8_t> Claiming(std::vector<std::uint8_t> Jpeg, int Width, int Height)
{
    for (std::size_t At = 2; At + 9 < Jpeg.size(); ++At)
        if (Jpeg[At] == 0xFF && Jpeg[At + 1] == 0xC0) {
            Jpeg[At + 5] = std::uint8_t(Height >> 8), Jpeg[At + 6] = std::uint8_t(Height);
            Jpeg[At + 7] = std::uint8_t(Width >> 8), Jpeg[At + 8] = std::uint8_t(Width);
            break;
        }
    return Jpeg;
}

// A STRETCHDIBITS record drawing the JPEG, whose header says Width × Height, into Dest (reference pixels).
void AddJpegBlit(TEmfWriter& Writer, const std::vector<std::uint8_t>& Jpeg, int Width, int Height, int DestX, int DestY,
                 int DestWidth, int DestHeight)
{
    constexpr std::int32_t Fixed = 80, Header = 40;
    std::vector<std::uint8_t> Tail(Header, 0);
    const std::int32_t Fields[] = {Header, Width, Height};
    std::memcpy(Tail.data(), Fields, sizeof Fields);
    const std::uint16_t Planes = 1, Bits = 0; // the bit count of compressed pixels is their own
    std::memcpy(Tail.data() + 12, &Planes, 2);
    std::memcpy(Tail.data() + 14, &Bits, 2);
    const std::uint32_t Compression = 4, ImageSize = std::uint32_t(Jpeg.size()); // BI_JPEG
    std::memcpy(Tail.data() + 16, &Compression, 4);
    std::memcpy(Tail.data() + 20, &ImageSize, 4);
    Tail.insert(Tail.end(), Jpeg.begin(), Jpeg.end());
    Writer.Add(U_EMR_STRETCHDIBITS,
               {0, 0, -1, -1, DestX, DestY, 0, 0, Width, Height, Fixed, Header, Fixed + Header,
                std::int32_t(Jpeg.size()), U_DIB_RGB_COLORS, std::int32_t(U_SRCCOPY), DestWidth, DestHeight},
               Tail);
}

} // namespace

TEST(MetafileJpegDib, DecodedAtTheSmallestScaleThatStillCoversTheDestination)
{
    const std::vector<std::uint8_t> Jpeg = FlatJpeg(64, 48, 0, 0, 255);
    EXPECT_EQ(DecodeDibJpeg(Jpeg.data(), Jpeg.size(), QSize(), 1 << 26).size(), QSize(64, 48));
    EXPECT_EQ(DecodeDibJpeg(Jpeg.data(), Jpeg.size(), QSize(64, 48), 1 << 26).size(), QSize(64, 48));
    EXPECT_EQ(DecodeDibJpeg(Jpeg.data(), Jpeg.size(), QSize(30, 20), 1 << 26).size(), QSize(32, 24));
    EXPECT_EQ(DecodeDibJpeg(Jpeg.data(), Jpeg.size(), QSize(16, 13), 1 << 26).size(), QSize(32, 24));
    EXPECT_EQ(DecodeDibJpeg(Jpeg.data(), Jpeg.size(), QSize(3, 3), 1 << 26).size(), QSize(8, 6));
    // A tiny file claiming 8192 × 4096 shown in 64 × 32 pixels costs an eighth of each side.
    const std::vector<std::uint8_t> Huge = Claiming(Jpeg, 8192, 4096);
    EXPECT_EQ(DecodeDibJpeg(Huge.data(), Huge.size(), QSize(64, 32), 1 << 26).size(), QSize(1024, 512));
    EXPECT_TRUE(DecodeDibJpeg(Huge.data(), Huge.size(), QSize(64, 32), 1 << 18).isNull()) << "beyond the limit";
    const std::vector<std::uint8_t> Noise(200, 0x33);
    EXPECT_TRUE(DecodeDibJpeg(Noise.data(), Noise.size(), QSize(), 1 << 26).isNull());
}

TEST(MetafileJpegDib, RecordsOfOneJpegAreDrawnInTheirDestinations)
{
    // A red JPEG drawn small in the left half many times over and a green one in the right half: each
    // destination shows its colour, white elsewhere.
    EnsureApplication();
    const std::vector<std::uint8_t> Red = FlatJpeg(64, 64, 0, 0, 255), Green = FlatJpeg(64, 64, 0, 255, 0);
    TEmfWriter Writer;
    for (int Index = 0; Index < 50; ++Index) AddJpegBlit(Writer, Red, 64, 64, 4, 4, 16, 16);
    AddJpegBlit(Writer, Green, 64, 64, 24, 4, 16, 16);
    const QImage Shown = PlayOnWhiteSquare(Writer, 48);
    // Flat colours, JPEG's rounding aside.
    EXPECT_NEAR(qRed(Shown.pixel(12, 12)), 255, 3);
    EXPECT_LT(qGreen(Shown.pixel(12, 12)), 4);
    EXPECT_NEAR(qGreen(Shown.pixel(32, 12)), 255, 3);
    EXPECT_LT(qRed(Shown.pixel(32, 12)), 4);
    EXPECT_EQ(Shown.pixel(12, 30), qRgb(255, 255, 255) | 0xFF000000);
}
