// Pictures with transparency made bitmaps: PNG, WebP, TIFF, GIF and HEIF files whose transparent pixels store a
// colour become bitmaps that show them on white, as an icon does, whatever colour the file keeps there;
// opaque pictures hand over their pixels unchanged, and an opened file's bytes are kept as read.
#include "platform/graphics/EncodedImage.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PngImage.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/system/FileUtils.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// 24 × 6 pixels, straight alpha: the left third transparent but holding green (blue 60, green 200, red
// 20), the middle third red at alpha 128 (none where Binary), the rest opaque in four colours.
TBitmap Transparent(bool Binary)
{
    TBitmap Picture;
    Picture.SetLayout(24, 6, 32);
    for (int Y = 0; Y < 6; ++Y)
        for (int X = 0; X < 24; ++X) {
            std::uint8_t* Pixel = Picture.ScanLine(Y) + X * 4;
            const std::uint8_t Opaque[4][3] = {{10, 20, 30}, {200, 100, 0}, {0, 0, 0}, {90, 160, 250}};
            if (X < 8) {
                Pixel[0] = 60, Pixel[1] = 200, Pixel[2] = 20, Pixel[3] = 0;
            } else if (X < 16 && !Binary) {
                Pixel[0] = 0, Pixel[1] = 0, Pixel[2] = 255, Pixel[3] = 128;
            } else {
                const std::uint8_t* Colour = Opaque[(X + Y) % 4];
                Pixel[0] = Colour[0], Pixel[1] = Colour[1], Pixel[2] = Colour[2], Pixel[3] = 255;
            }
        }
    return Picture;
}

// Expects Made (a bitmap assigned a picture of Source) to be 24 bits a pixel showing Source over white:
// transparent pixels white, opaque ones exact, others within one level of the blend worked out here; each
// within Loss levels more for a format that changes colours a little.
void ExpectShownOnWhite(const TBitmap& Made, const TBitmap& Source, int Loss, const std::string& Why)
{
    ASSERT_EQ(Made.BitCount(), 24) << Why;
    ASSERT_EQ(Made.Width(), Source.Width()) << Why;
    ASSERT_EQ(Made.Height(), Source.Height()) << Why;
    for (int Y = 0; Y < Source.Height(); ++Y)
        for (int X = 0; X < Source.Width(); ++X) {
            const std::uint8_t* Expected = Source.ScanLine(Y) + X * 4;
            const std::uint8_t* Got = Made.ScanLine(Y) + X * 3;
            for (int Channel = 0; Channel < 3; ++Channel) {
                const double Blend = (Expected[Channel] * Expected[3] + 255.0 * (255 - Expected[3])) / 255;
                ASSERT_LE(std::abs(Got[Channel] - Blend), (Expected[3] % 255 == 0 ? 0 : 1) + Loss)
                    << Why << " at " << X << "," << Y << " channel " << Channel;
            }
        }
}

class Transparency : public TToolTest
{
protected:
    Transparency() : TToolTest({"cwebp", "convert", "heif-enc"}) {}

    // The file Command makes of Source written as a PAM; its path.
    std::string Made(const TBitmap& Source, const std::string& Command, const std::string& Name)
    {
        WritePam(Source, PathOf(Name + ".pam"));
        std::string Line = Command;
        Line.replace(Line.find("IN"), 2, PathOf(Name + ".pam"));
        Line.replace(Line.find("OUT"), 3, PathOf(Name));
        EXPECT_TRUE(RunTool(Line)) << Line;
        return PathOf(Name);
    }
};

} // namespace

TEST_F(Transparency, PicturesWithAlphaBecomeBitmapsDrawnOnWhite)
{
    const TBitmap Soft = Transparent(false);
    const TBitmap Binary = Transparent(true);
    std::vector<std::uint8_t> Png;
    WritePng(Soft, Png);
    WriteWholeFile(PathOf("soft.png"), Png);
    ASSERT_TRUE(RunTool("heif-enc -L -p chroma=444 --matrix_coefficients=0 " + PathOf("soft.png") + " -o " +
                        PathOf("soft.heic")));
    const struct
    {
        std::string File;
        const TBitmap& Source;
        int Loss;
    } Cases[] = {
        {PathOf("soft.png"), Soft, 0},
        {Made(Soft, "cwebp -quiet -lossless -exact IN -o OUT", "soft.webp"), Soft, 0},
        {Made(Soft, "convert IN -compress Zip OUT", "soft.tif"), Soft, 0},
        {Made(Binary, "convert IN OUT", "binary.gif"), Binary, 0},
        // libheif rounds a level here and there even in its lossless RGB mode.
        {PathOf("soft.heic"), Soft, 1},
    };
    for (const auto& Case : Cases) {
        TPicture Picture;
        Picture.LoadFromFile(Case.File);
        ASSERT_NE(Picture.Graphic(), nullptr) << Case.File;
        // The decoded pixels keep a colour other than white under the transparent ones (the green, or GIF's
        // black), which must not reach the bitmap.
        const auto* PngImage = dynamic_cast<const TPngImage*>(Picture.Graphic());
        const auto* Encoded = dynamic_cast<const TEncodedImage*>(Picture.Graphic());
        ASSERT_TRUE(PngImage || Encoded) << Case.File;
        const std::uint8_t* Hidden = (PngImage ? PngImage->Bitmap() : Encoded->Bitmap()).ScanLine(0);
        ASSERT_EQ(Hidden[3], 0) << Case.File;
        EXPECT_LT(Hidden[0] + Hidden[1] + Hidden[2], 3 * 255) << Case.File;
        EXPECT_EQ(Picture.Graphic()->OpaqueBitmap(), nullptr) << Case.File;
        TBitmap Bitmap;
        Bitmap.Assign(*Picture.Graphic());
        ExpectShownOnWhite(Bitmap, Case.Source, Case.Loss, Case.File);
    }
}

TEST_F(Transparency, OpaquePicturesHandOverTheirPixelsAndKeepTheirFile)
{
    const TBitmap Pattern = MakeTestPattern(37, 11);
    const std::string File = Made(Pattern, "convert IN -compress Zip OUT", "opaque.tif");
    TPicture Picture;
    Picture.LoadFromFile(File);
    const TBitmap* Pixels = Picture.Graphic()->OpaqueBitmap();
    ASSERT_NE(Pixels, nullptr);
    EXPECT_TRUE(SamePixels(*Pixels, Pattern));
    TBitmap Bitmap;
    Bitmap.Assign(*Picture.Graphic());
    EXPECT_TRUE(SamePixels(Bitmap, Pattern));
    // Saved in its own format, the picture writes the bytes it was opened from.
    Picture.SaveToFile(PathOf("again.tif"));
    EXPECT_EQ(ReadFileBytes(PathOf("again.tif")), ReadFileBytes(File));
    const std::unique_ptr<TGraphic> Copy = Picture.Graphic()->Clone();
    Picture.SetGraphic(nullptr);
    std::vector<std::uint8_t> Saved;
    Copy->SaveToStream(Saved);
    EXPECT_EQ(Saved, ReadFileBytes(File));
}
