// TGifImage: files made by ImageMagick and gifsicle, interlaced, transparent, animated and placed on a
// larger screen, damaged files, and what saving under ".gif" writes.
#include "platform/graphics/GifImage.h"
#include "platform/graphics/Picture.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

class Gif : public TToolTest
{
protected:
    Gif() : TToolTest({"convert", "gifsicle"}) {}

    // ImageMagick's GIF of Pattern, which holds few enough colours to keep every one.
    std::string Convert(const TBitmap& Pattern, const std::string& Name)
    {
        WritePam(Pattern, PathOf(Name + ".pam"));
        EXPECT_TRUE(RunTool("convert " + PathOf(Name + ".pam") + " " + PathOf(Name)));
        return PathOf(Name);
    }
};

// The test pattern with each level rounded to one of four, 64 colours in all; a straight alpha
// pattern keeps only alpha 0 (its colour black) and 255.
TBitmap FewColours(int Width, int Height, bool Alpha = false)
{
    TBitmap Pattern = MakeTestPattern(Width, Height, Alpha);
    const int Bytes = Alpha ? 4 : 3;
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            std::uint8_t* Pixel = Pattern.ScanLine(Y) + X * Bytes;
            for (int Channel = 0; Channel < 3; ++Channel) Pixel[Channel] = std::uint8_t(Pixel[Channel] / 64 * 85);
            if (Alpha) {
                Pixel[3] = Pixel[3] < 128 ? 0 : 255;
                if (Pixel[3] == 0) Pixel[0] = Pixel[1] = Pixel[2] = 0;
            }
        }
    return Pattern;
}

TGifImage Load(const std::string& File)
{
    TGifImage Image;
    Image.LoadFromStream(ReadFileBytes(File));
    return Image;
}

} // namespace

TEST_F(Gif, ReadsEveryColourOfPlainAndInterlacedFiles)
{
    for (const auto& [Width, Height] : {std::pair{1, 1}, {5, 3}, {67, 41}}) {
        const TBitmap Pattern = FewColours(Width, Height);
        const std::string File = Convert(Pattern, "plain.gif");
        const TGifImage Plain = Load(File);
        EXPECT_FALSE(Plain.HasAlpha());
        EXPECT_TRUE(SamePixels(Plain.Bitmap(), Pattern)) << Width;
        ASSERT_TRUE(RunTool("gifsicle -i " + File + " -o " + PathOf("interlaced.gif")));
        EXPECT_TRUE(SamePixels(Load(PathOf("interlaced.gif")).Bitmap(), Pattern)) << Width;
    }
}

TEST_F(Gif, KeepsTransparentPixelsTransparent)
{
    const TBitmap Pattern = FewColours(40, 30, true);
    const TGifImage Image = Load(Convert(Pattern, "transparent.gif"));
    ASSERT_TRUE(Image.HasAlpha());
    for (int Y = 0; Y < 30; ++Y)
        for (int X = 0; X < 40; ++X) {
            const std::uint8_t* Want = Pattern.ScanLine(Y) + X * 4;
            const std::uint8_t* Got = Image.Bitmap().ScanLine(Y) + X * 4;
            ASSERT_EQ(Got[3], Want[3]) << X << "," << Y;
            if (Want[3] == 255) {
                ASSERT_EQ(std::vector(Got, Got + 3), std::vector(Want, Want + 3)) << X << "," << Y;
            }
        }
}

TEST_F(Gif, ShowsTheFirstFrameOnItsScreen)
{
    const TBitmap First = FewColours(20, 10);
    TBitmap Second = First;
    for (int Y = 0; Y < 10; ++Y) std::fill_n(Second.ScanLine(Y), 60, std::uint8_t(255));
    const std::string A = Convert(First, "a.gif");
    const std::string B = Convert(Second, "b.gif");
    ASSERT_TRUE(RunTool("gifsicle " + A + " " + B + " -o " + PathOf("animation.gif")));
    EXPECT_TRUE(SamePixels(Load(PathOf("animation.gif")).Bitmap(), First));
    // Placed at (5, 7) on a 30 x 25 screen: transparent around it.
    ASSERT_TRUE(RunTool("gifsicle --logical-screen 30x25 --position 5,7 " + A + " -o " + PathOf("placed.gif")));
    const TGifImage Placed = Load(PathOf("placed.gif"));
    ASSERT_EQ(Placed.Width(), 30);
    ASSERT_EQ(Placed.Height(), 25);
    ASSERT_TRUE(Placed.HasAlpha());
    EXPECT_EQ(Placed.Bitmap().ScanLine(0)[3], 0);
    EXPECT_EQ(Placed.Bitmap().ScanLine(24)[29 * 4 + 3], 0);
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 20; ++X) {
            const std::uint8_t* Got = Placed.Bitmap().ScanLine(7 + Y) + (5 + X) * 4;
            const std::uint8_t* Want = First.ScanLine(Y) + X * 3;
            ASSERT_EQ(std::vector(Got, Got + 4), (std::vector<std::uint8_t>{Want[0], Want[1], Want[2], 255}));
        }
}

TEST_F(Gif, RefusesDamagedAndTruncatedFilesWithItsMessage)
{
    const auto Bytes = ReadFileBytes(Convert(FewColours(64, 48), "whole.gif"));
    ExpectCutsRefused<TGifImage>(Bytes, {0, 6, 13, 40, Bytes.size() / 2}, Messages::SInvalidGif);
    // A 65535 x 65535 screen and frame in a file of a few bytes.
    const std::vector<std::uint8_t> Huge = {'G',  'I',  'F',  '8',  '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0,
                                            0,    0,    0,    0,    255, 255, 255,  ',',  0,    0,    0,    0,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0,   2,   2,    0x44, 0x01, 0,    ';'};
    ExpectRefused<TGifImage>(Huge, Messages::SInvalidGif, "huge screen");
}

TEST_F(Gif, IsSavedInThePicturesOwnFormat)
{
    // GIF is only read: a picture written under ".gif" keeps its own format, and is opened again by it.
    const std::string File = Convert(FewColours(8, 8), "own.gif");
    TPicture Picture;
    Picture.LoadFromFile(File);
    ASSERT_NE(dynamic_cast<TGifImage*>(Picture.Graphic()), nullptr);
    EXPECT_FALSE(TPicture::MakeGraphicFor("gif")->AssignFromBitmap(MakeTestPattern(4, 4)));
    Picture.SaveToFile(PathOf("again.gif"));
    EXPECT_EQ(ReadFileBytes(PathOf("again.gif")), ReadFileBytes(File));
    std::filesystem::rename(File, PathOf("renamed.dat"));
    Picture.LoadFromFile(PathOf("renamed.dat"));
    EXPECT_NE(dynamic_cast<TGifImage*>(Picture.Graphic()), nullptr);
}
