// The JPEG codec on every layout it reads (baseline and progressive, 4:2:0, 4:4:4 and grey, each EXIF
// orientation) against libjpeg's plain decoding turned pixel by pixel, and within its memory budget:
// the decoded bitmap and a fifth more, whatever the orientation and however many scans the picture has.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/ExifOrientation.h"
#include "platform/graphics/codecs/JpegCodec.h"
#include "tests/support/MemoryLimit.h"
#include "tests/support/TestJpegs.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

// The upright picture of Stored by the plain pixel-by-pixel turn that the other codecs use.
TBitmap ReferenceOrientation(const TBitmap& Stored, int Orientation)
{
    TBitmap Shown;
    OrientBitmap(Stored, Orientation, Shown);
    return Shown;
}

// A smooth picture with some noise, which compresses to files of a realistic size.
TBitmap MakeScene(int Width, int Height)
{
    TBitmap Scene = MakeRandomBitmap(Width, Height, 24, 31);
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Scene.ScanLine(Y);
        for (int X = 0; X < Width; ++X) {
            Row[3 * X] = std::uint8_t(X * 255 / Width + Row[3 * X] % 16);
            Row[3 * X + 1] = std::uint8_t(Y * 255 / Height + Row[3 * X + 1] % 16);
            Row[3 * X + 2] = std::uint8_t((X + Y) % 256);
        }
    }
    return Scene;
}

TBitmap Decoded(const std::vector<std::uint8_t>& Bytes)
{
    TBitmap Bitmap;
    DecodeJpeg(Bytes, Bitmap);
    return Bitmap;
}

} // namespace

// 150 x 97: rows and columns past the 64-row strips the quarter turns gather, and odd sizes that leave
// partial blocks and row padding.
TEST(JpegLayout, EveryOrientationOfEveryLayoutMatchesTheReference)
{
    const TBitmap Scene = MakeScene(150, 97);
    const TJpegRecipe Layouts[] = {{}, {.Progressive = true, .FullChroma = true}, {.Grey = true}};
    for (const TJpegRecipe& Layout : Layouts) {
        const TBitmap Stored = DecodeJpegPlainly(MakeJpeg(Scene, Layout));
        for (int Orientation = 1; Orientation <= 8; ++Orientation) {
            SCOPED_TRACE(testing::Message() << "progressive " << Layout.Progressive << " grey " << Layout.Grey
                                            << " orientation " << Orientation);
            TJpegRecipe Recipe = Layout;
            Recipe.Orientation = Orientation;
            EXPECT_TRUE(SamePixels(Decoded(MakeJpeg(Scene, Recipe)), ReferenceOrientation(Stored, Orientation)));
        }
    }
}

// Coefficients beyond the codec's memory allowance go through its temporary file: 1600 x 1800 at 4:4:4
// are 17 MB of them.
TEST(JpegLayout, ProgressivePicturesOfManyCoefficientsDecodeAsLibjpegDecodesThem)
{
    const TBitmap Scene = MakeScene(1600, 1800);
    for (const int Orientation : {1, 7}) {
        SCOPED_TRACE(Orientation);
        const TJpegRecipe Recipe{.Progressive = true, .FullChroma = true, .Orientation = Orientation};
        const std::vector<std::uint8_t> Bytes = MakeJpeg(Scene, Recipe);
        EXPECT_TRUE(SamePixels(Decoded(Bytes), ReferenceOrientation(DecodeJpegPlainly(Bytes), Orientation)));
    }
}

// Frames of 6000 x 4000 claimed by a few kilobytes of data, as hostile files do: decoding them must not
// need more than the 72 MB bitmap and a fifth of it, turned or not, in one scan or several.
TEST(JpegLayout, DecodingStaysWithinTheBitmapAndAFifth)
{
    if (!AddressSpaceLimitApplies())
        GTEST_SKIP() << "the sanitizers' own mappings make an address-space limit meaningless";
    constexpr int Width = 6000, Height = 4000;
    constexpr std::size_t BitmapBytes = std::size_t(Width) * 3 * Height;
    const TBitmap Seed = MakeScene(64, 64);
    const TJpegRecipe Recipes[] = {
        {.Orientation = 6},
        {.Progressive = true},
        {.Progressive = true, .FullChroma = true, .Orientation = 8},
    };
    for (const TJpegRecipe& Recipe : Recipes) {
        SCOPED_TRACE(testing::Message() << "progressive " << Recipe.Progressive << " orientation "
                                        << Recipe.Orientation);
        const std::vector<std::uint8_t> Bytes = ClaimingSize(MakeJpeg(Seed, Recipe), Width, Height, 30000);
        const int Result = RunWithAddressSpaceLimit(BitmapBytes + BitmapBytes / 5, [&] {
            TBitmap Bitmap;
            try {
                DecodeJpeg(Bytes, Bitmap);
            } catch (...) {
                return 1;
            }
            const bool Turned = Recipe.Orientation >= 5;
            return Bitmap.Width() == (Turned ? Height : Width) && Bitmap.Height() == (Turned ? Width : Height) ? 0 : 2;
        });
        EXPECT_EQ(Result, 0) << "1: the decoding ran out of memory, 2: wrong size";
    }
}
