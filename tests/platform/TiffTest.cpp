// TTiffImage: files made by ImageMagick and libtiff's tools in every compression, depth and colour model
// users meet, alpha, orientation, several pages, damaged files, and the file it writes.
#include "platform/graphics/Picture.h"
#include "platform/graphics/TiffImage.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/PixelReader.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class Tiff : public TToolTest
{
protected:
    Tiff() : TToolTest({"convert", "tiffcp", "tiffset", "tiffinfo"}) {}

    // Converts Pattern with ImageMagick and the given options; the file's path.
    std::string Convert(const TBitmap& Pattern, const std::string& Options, const std::string& Name)
    {
        WritePam(Pattern, PathOf(Name + ".pam"));
        EXPECT_TRUE(RunTool("convert " + PathOf(Name + ".pam") + " " + Options + " " + PathOf(Name)));
        return PathOf(Name);
    }
};

TTiffImage Load(const std::string& File)
{
    TTiffImage Image;
    Image.LoadFromStream(ReadFileBytes(File));
    return Image;
}

void Append16(std::vector<std::uint8_t>& Bytes, unsigned Value)
{
    Bytes.push_back(std::uint8_t(Value));
    Bytes.push_back(std::uint8_t(Value >> 8));
}

void Append32(std::vector<std::uint8_t>& Bytes, std::uint32_t Value)
{
    Append16(Bytes, Value & 0xFFFF);
    Append16(Bytes, Value >> 16);
}

} // namespace

TEST_F(Tiff, ReadsEveryLosslessCompressionAndDepthExactly)
{
    const TBitmap Pattern = MakeTestPattern(37, 23);
    for (const std::string Options : {"-compress None", "-compress LZW", "-compress Zip", "-compress Zip -depth 16",
                                      "-compress LZW -depth 16", "-compress RLE"}) {
        const TTiffImage Image = Load(Convert(Pattern, Options, "lossless.tif"));
        EXPECT_FALSE(Image.HasAlpha()) << Options;
        EXPECT_TRUE(SamePixels(Image.Bitmap(), Pattern)) << Options;
    }
}

TEST_F(Tiff, ReadsTiledStripsOfSeveralRows)
{
    const TBitmap Pattern = MakeTestPattern(50, 40);
    const std::string Strips = Convert(Pattern, "-compress LZW", "strips.tif");
    ASSERT_TRUE(RunTool("tiffcp -t -w 16 -l 16 " + Strips + " " + PathOf("tiled.tif")));
    EXPECT_TRUE(SamePixels(Load(PathOf("tiled.tif")).Bitmap(), Pattern));
}

TEST_F(Tiff, ConvertsJpegCmykAndGreyPagesToColour)
{
    const TBitmap Pattern = MakeTestPattern(64, 40);
    const TTiffImage Jpeg = Load(Convert(Pattern, "-compress JPEG -quality 92", "jpeg.tif"));
    EXPECT_LT(MeanDifference(Jpeg.Bitmap(), Pattern), 4);
    const TTiffImage Cmyk = Load(Convert(Pattern, "-colorspace CMYK -compress LZW", "cmyk.tif"));
    EXPECT_LE(MaxDifference(Cmyk.Bitmap(), Pattern), 2);
    for (const std::string Depth : {"8", "16"}) {
        const TTiffImage Grey =
            Load(Convert(Pattern, "-colorspace Gray -depth " + Depth + " -compress Zip", "grey.tif"));
        const TColor Corner = ReadPixel(Grey.Bitmap(), 63, 39);
        EXPECT_NE(Corner, 0u) << Depth;
        EXPECT_EQ(Corner & 0xFF, (Corner >> 8) & 0xFF) << Depth;
        EXPECT_EQ(Corner & 0xFF, (Corner >> 16) & 0xFF) << Depth;
    }
}

TEST_F(Tiff, KeepsStraightAlpha)
{
    const TBitmap Pattern = MakeTestPattern(30, 20, true);
    for (const std::string Options : {"-compress Zip", "-define tiff:alpha=associated -compress Zip"}) {
        const TTiffImage Image = Load(Convert(Pattern, Options, "alpha.tif"));
        ASSERT_TRUE(Image.HasAlpha()) << Options;
        // Premultiplied samples lose precision where alpha is low; compare where it is at least half.
        int Largest = 0;
        for (int Y = 0; Y < 20; ++Y)
            for (int X = 0; X < 30; ++X) {
                const std::uint8_t* Want = Pattern.ScanLine(Y) + X * 4;
                const std::uint8_t* Got = Image.Bitmap().ScanLine(Y) + X * 4;
                EXPECT_EQ(Got[3], Want[3]);
                if (Want[3] >= 128)
                    for (int Channel = 0; Channel < 3; ++Channel)
                        Largest = std::max(Largest, std::abs(Got[Channel] - Want[Channel]));
            }
        EXPECT_LE(Largest, 1) << Options;
    }
}

TEST_F(Tiff, TurnsThePictureByItsOrientationTag)
{
    const TBitmap Pattern = MakeTestPattern(40, 24);
    const int W = 40, H = 24;
    for (const int Orientation : {2, 4, 6, 8}) {
        const std::string File = Convert(Pattern, "-compress LZW", "turned.tif");
        ASSERT_TRUE(RunTool("tiffset -s 274 " + std::to_string(Orientation) + " " + File));
        const TBitmap Upright = Load(File).Bitmap();
        const bool Swapped = Orientation >= 5;
        ASSERT_EQ(Upright.Width(), Swapped ? H : W) << Orientation;
        // Where the stored top-left corner is shown: 2 top right, 4 bottom left, 6 top right (turned
        // clockwise), 8 bottom left (turned anticlockwise).
        const int X = Orientation == 2 ? W - 1 : Orientation == 6 ? H - 1 : 0;
        const int Y = Orientation == 4 ? H - 1 : Orientation == 8 ? W - 1 : 0;
        EXPECT_EQ(ReadPixel(Upright, X, Y), ReadPixel(Pattern, 0, 0)) << Orientation;
        EXPECT_NE(ReadPixel(Upright, 0, 0), ReadPixel(Pattern, 0, 0)) << Orientation;
    }
}

TEST_F(Tiff, ReadsTheFirstPage)
{
    const TBitmap First = MakeTestPattern(20, 10);
    const TBitmap Second = MakeTestPattern(10, 20);
    const std::string A = Convert(First, "-compress LZW", "a.tif");
    const std::string B = Convert(Second, "-compress LZW", "b.tif");
    ASSERT_TRUE(RunTool("tiffcp " + A + " " + B + " " + PathOf("pages.tif")));
    EXPECT_TRUE(SamePixels(Load(PathOf("pages.tif")).Bitmap(), First));
}

TEST_F(Tiff, RefusesDamagedAndTruncatedFilesWithItsMessage)
{
    const auto Bytes = ReadFileBytes(Convert(MakeTestPattern(64, 48), "-compress LZW", "whole.tif"));
    ExpectCutsRefused<TTiffImage>(Bytes, {0, 4, 8, 100, Bytes.size() / 2}, Messages::SInvalidTiff);
}

TEST_F(Tiff, RefusesAHugePageBeforeDecoding)
{
    // Header, then one directory: 100000 x 100000 RGB, one uncompressed strip of 3 bytes.
    std::vector<std::uint8_t> Bytes = {'I', 'I', 42, 0};
    Append32(Bytes, 8);
    const std::vector<std::pair<unsigned, std::uint32_t>> Tags = {
        {256, 100000}, {257, 100000}, {258, 8}, {259, 1}, {262, 2}, {273, 200}, {277, 3}, {278, 100000}, {279, 3}};
    Append16(Bytes, unsigned(Tags.size()));
    for (const auto& [Tag, Value] : Tags) {
        Append16(Bytes, Tag);
        Append16(Bytes, 4); // LONG
        Append32(Bytes, 1);
        Append32(Bytes, Value);
    }
    Append32(Bytes, 0);
    Bytes.resize(203, 0x80);
    ExpectRefused<TTiffImage>(Bytes, Messages::SInvalidTiff, "huge page");
}

TEST_F(Tiff, WritesDeflateThatOtherProgramsRead)
{
    const TBitmap Pattern = MakeTestPattern(77, 45);
    TTiffImage Made;
    ASSERT_TRUE(Made.AssignFromBitmap(Pattern));
    std::vector<std::uint8_t> Bytes;
    Made.SaveToStream(Bytes);
    const std::string Written = PathOf("written.tif");
    std::ofstream(Written, std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
    std::FILE* Info = popen(("tiffinfo " + Written + " 2>&1").c_str(), "r");
    std::string Text;
    for (char Buffer[256]; std::fgets(Buffer, sizeof Buffer, Info);) Text += Buffer;
    pclose(Info);
    EXPECT_NE(Text.find("AdobeDeflate"), std::string::npos) << Text;
    ASSERT_TRUE(RunTool("convert " + Written + " " + PathOf("back.pam")));
    EXPECT_TRUE(SamePixels(ReadPam(PathOf("back.pam")), Pattern));
    EXPECT_TRUE(SamePixels(Load(Written).Bitmap(), Pattern));
}
