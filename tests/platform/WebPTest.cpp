// TWebPImage: files made by libwebp's own tools, lossy and lossless, alpha, EXIF orientation, animation,
// damaged files, and the pictures it writes.
#include "platform/graphics/Picture.h"
#include "platform/graphics/WebPImage.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/PixelReader.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

class WebP : public TToolTest
{
protected:
    WebP() : TToolTest({"cwebp", "dwebp", "webpmux"}) {}

    // Encodes Pattern with cwebp and the given options; the file's path.
    std::string Encode(const TBitmap& Pattern, const std::string& Options, const std::string& Name)
    {
        WritePam(Pattern, PathOf(Name + ".pam"));
        EXPECT_TRUE(RunTool("cwebp -quiet " + Options + " " + PathOf(Name + ".pam") + " -o " + PathOf(Name)));
        return PathOf(Name);
    }
    // libwebp's own decoding of File.
    TBitmap Reference(const std::string& File)
    {
        EXPECT_TRUE(RunTool("dwebp -quiet -pam " + File + " -o " + File + ".pam"));
        return ReadPam(File + ".pam");
    }
};

TWebPImage Load(const std::string& File)
{
    TWebPImage Image;
    Image.LoadFromStream(ReadFileBytes(File));
    return Image;
}

// A bare TIFF structure holding one orientation tag, as a WebP EXIF chunk carries it.
std::vector<std::uint8_t> ExifWithOrientation(int Orientation)
{
    return {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, std::uint8_t(Orientation),
            0,   0,   0,  0, 0, 0, 0};
}

} // namespace

TEST_F(WebP, ReadsLossyFilesAsLibwebpDecodesThem)
{
    // Odd sizes exercise the row padding of the 24-bit bitmap and the chroma subsampling.
    for (const auto& [Width, Height] : {std::pair{1, 1}, {7, 5}, {101, 64}}) {
        const TBitmap Pattern = MakeTestPattern(Width, Height);
        const std::string File = Encode(Pattern, "-q 90", "lossy.webp");
        const TWebPImage Image = Load(File);
        ASSERT_EQ(Image.Width(), Width);
        ASSERT_EQ(Image.Height(), Height);
        EXPECT_FALSE(Image.HasAlpha());
        EXPECT_EQ(MaxDifference(Image.Bitmap(), Reference(File)), 0) << Width;
        EXPECT_LT(MeanDifference(Image.Bitmap(), Pattern), 10) << Width;
    }
}

TEST_F(WebP, ReadsLosslessFilesWithTheirAlphaExactly)
{
    const TBitmap Pattern = MakeTestPattern(33, 21, true);
    const TWebPImage Image = Load(Encode(Pattern, "-lossless -exact", "alpha.webp"));
    ASSERT_TRUE(Image.HasAlpha());
    EXPECT_TRUE(SamePixels(Image.Bitmap(), Pattern));
}

TEST_F(WebP, TurnsThePictureByItsExifOrientation)
{
    const TBitmap Pattern = MakeTestPattern(40, 24);
    const std::string Plain = Encode(Pattern, "-lossless -exact", "plain.webp");
    const std::string ExifFile = PathOf("exif.bin");
    for (const int Orientation : {3, 6, 8}) {
        const auto Exif = ExifWithOrientation(Orientation);
        std::ofstream(ExifFile, std::ios::binary)
            .write(reinterpret_cast<const char*>(Exif.data()), std::streamsize(Exif.size()));
        const std::string Turned = PathOf("turned.webp");
        ASSERT_TRUE(RunTool("webpmux -set exif " + ExifFile + " " + Plain + " -o " + Turned));
        const TWebPImage Image = Load(Turned);
        const TBitmap& Upright = Image.Bitmap();
        const int W = Pattern.Width(), H = Pattern.Height();
        if (Orientation == 3) {
            ASSERT_EQ(Upright.Width(), W);
            EXPECT_EQ(ReadPixel(Upright, 0, 0), ReadPixel(Pattern, W - 1, H - 1));
            EXPECT_EQ(ReadPixel(Upright, W - 1, 0), ReadPixel(Pattern, 0, H - 1));
        } else if (Orientation == 6) {
            // Turned clockwise: the stored top-left corner is shown at the top right.
            ASSERT_EQ(Upright.Width(), H);
            ASSERT_EQ(Upright.Height(), W);
            EXPECT_EQ(ReadPixel(Upright, H - 1, 0), ReadPixel(Pattern, 0, 0));
            EXPECT_EQ(ReadPixel(Upright, 0, 0), ReadPixel(Pattern, 0, H - 1));
        } else {
            // Turned anticlockwise: the stored top-left corner is shown at the bottom left.
            ASSERT_EQ(Upright.Width(), H);
            EXPECT_EQ(ReadPixel(Upright, 0, W - 1), ReadPixel(Pattern, 0, 0));
            EXPECT_EQ(ReadPixel(Upright, 0, 0), ReadPixel(Pattern, W - 1, 0));
        }
    }
}

TEST_F(WebP, ReadsTheFirstFrameOfAnAnimation)
{
    const TBitmap First = MakeTestPattern(16, 12);
    TBitmap Second = MakeTestPattern(16, 12);
    for (int Y = 0; Y < Second.Height(); ++Y) std::fill_n(Second.ScanLine(Y), 16 * 3, std::uint8_t(0));
    const std::string A = Encode(First, "-lossless -exact", "a.webp");
    const std::string B = Encode(Second, "-lossless -exact", "b.webp");
    const std::string Animation = PathOf("animation.webp");
    ASSERT_TRUE(RunTool("webpmux -frame " + A + " +100 -frame " + B + " +100 -o " + Animation));
    const TWebPImage Image = Load(Animation);
    EXPECT_FALSE(Image.HasAlpha());
    EXPECT_TRUE(SamePixels(Image.Bitmap(), First));
}

TEST_F(WebP, RefusesDamagedAndTruncatedFilesWithItsMessage)
{
    const auto Bytes = ReadFileBytes(Encode(MakeTestPattern(64, 48), "-q 80", "whole.webp"));
    ExpectCutsRefused<TWebPImage>(Bytes, {0, 11, 30, Bytes.size() / 2}, Messages::SInvalidWebP);
    // Lossy data carry no check sums, but a broken frame start code is seen.
    auto Broken = Bytes;
    static constexpr std::uint8_t StartCode[] = {0x9D, 0x01, 0x2A};
    const auto Found = std::search(Broken.begin(), Broken.end(), std::begin(StartCode), std::end(StartCode));
    ASSERT_NE(Found, Broken.end());
    *Found = 0;
    ExpectRefused<TWebPImage>(Broken, Messages::SInvalidWebP, "frame start code");
}

TEST_F(WebP, RefusesAHugeCanvasBeforeDecoding)
{
    // An extended file whose canvas claims 100000 x 100000 pixels around a one-pixel picture.
    const auto Small = ReadFileBytes(Encode(MakeTestPattern(1, 1), "-lossless", "one.webp"));
    std::vector<std::uint8_t> Bytes = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X', 10, 0,
                                       0,   0,   0,   0,   0, 0, 0, 0, 0,   0,   0,   0,   0,   0,   0,   0,   0,  0};
    const std::uint32_t Side = 100000 - 1;
    for (const int At : {24, 27}) {
        Bytes[std::size_t(At)] = std::uint8_t(Side);
        Bytes[std::size_t(At) + 1] = std::uint8_t(Side >> 8);
        Bytes[std::size_t(At) + 2] = std::uint8_t(Side >> 16);
    }
    Bytes.insert(Bytes.end(), Small.begin() + 12, Small.end());
    const std::uint32_t Riff = std::uint32_t(Bytes.size() - 8);
    for (int Byte = 0; Byte < 4; ++Byte) Bytes[std::size_t(4 + Byte)] = std::uint8_t(Riff >> (8 * Byte));
    ExpectRefused<TWebPImage>(Bytes, Messages::SInvalidWebP, "huge canvas");
}

TEST_F(WebP, WritesALossyFileAtQuality90)
{
    const TBitmap Pattern = MakeTestPattern(75, 50);
    TWebPImage Made;
    ASSERT_TRUE(Made.AssignFromBitmap(Pattern));
    std::vector<std::uint8_t> Bytes;
    Made.SaveToStream(Bytes);
    const std::string Written = PathOf("written.webp");
    std::ofstream(Written, std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
    // Lossy: a "VP8 " chunk, not the lossless "VP8L"; the same size as cwebp's file at quality 90.
    ASSERT_GT(Bytes.size(), 16u);
    EXPECT_EQ(std::string(Bytes.begin() + 12, Bytes.begin() + 16), "VP8 ");
    const auto Theirs = ReadFileBytes(Encode(Pattern, "-q 90", "theirs.webp"));
    EXPECT_NEAR(double(Bytes.size()), double(Theirs.size()), double(Theirs.size()) * 0.05);
    const TBitmap Decoded = Reference(Written);
    EXPECT_LT(MeanDifference(Decoded, Pattern), 6);
    EXPECT_EQ(MaxDifference(Made.Bitmap(), Decoded), 0);
    EXPECT_EQ(Made.Width(), 75);
}

TEST_F(WebP, LoadsByExtensionOrContent)
{
    const std::string File = Encode(MakeTestPattern(9, 9), "-q 90", "upper.WEBP");
    TPicture Picture;
    Picture.LoadFromFile(File);
    EXPECT_NE(dynamic_cast<TWebPImage*>(Picture.Graphic()), nullptr);
    std::filesystem::rename(File, PathOf("renamed.jpg"));
    Picture.LoadFromFile(PathOf("renamed.jpg"));
    EXPECT_NE(dynamic_cast<TWebPImage*>(Picture.Graphic()), nullptr);
}
