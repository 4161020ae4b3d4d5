// THeifImage: HEIC and AVIF files made by heif-enc and by libheif's encoder, 8 and 10 bits, alpha,
// rotation and mirroring, damaged files.
#include "platform/graphics/HeifImage.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/codecs/HeifGrid.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/ExifFiles.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Heif : public TToolTest
{
protected:
    Heif() : TToolTest({"heif-enc", "heif-convert", "convert"}) {}

    // heif-enc's file of Pattern, given as a PNG (ImageMagick's, at Depth bits a sample).
    std::string Encode(const TBitmap& Pattern, const std::string& Options, const std::string& Name, int Depth = 8)
    {
        WritePam(Pattern, PathOf(Name + ".pam"));
        EXPECT_TRUE(RunTool("convert " + PathOf(Name + ".pam") + " -depth " + std::to_string(Depth) + " " +
                            PathOf(Name + ".png")));
        EXPECT_TRUE(RunTool("heif-enc " + Options + " " + PathOf(Name + ".png") + " -o " + PathOf(Name)));
        return PathOf(Name);
    }
    // heif-convert's decoding of File.
    TBitmap Reference(const std::string& File)
    {
        EXPECT_TRUE(RunTool("heif-convert " + File + " " + File + ".png"));
        EXPECT_TRUE(RunTool("convert " + File + ".png " + File + ".pam"));
        return ReadPam(File + ".pam");
    }
};

THeifImage Load(const std::string& File)
{
    THeifImage Image;
    Image.LoadFromStream(ReadFileBytes(File));
    return Image;
}

// Four quadrants of distinct colours: red, green (top), blue, white (bottom), as blue, green, red bytes.
TBitmap Quadrants(int Width, int Height)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    static constexpr std::uint8_t Colours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            std::memcpy(Bitmap.ScanLine(Y) + X * 3, Colours[(Y < Height / 2 ? 0 : 2) + (X < Width / 2 ? 0 : 1)], 3);
    return Bitmap;
}

// The colour at (X, Y) of a 24-bit picture, as blue, green, red.
std::vector<int> ColourAt(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* Pixel = Bitmap.ScanLine(Y) + X * (Bitmap.BitCount() / 8);
    return {Pixel[0], Pixel[1], Pixel[2]};
}

bool Near(const std::vector<int>& A, const std::vector<int>& B)
{
    for (std::size_t Index = 0; Index < 3; ++Index)
        if (std::abs(A[Index] - B[Index]) > 24) return false;
    return true;
}

} // namespace

TEST_F(Heif, ReadsHeicAndAvifAsLibheifDecodesThem)
{
    const TBitmap Pattern = MakeTestPattern(64, 48);
    for (const std::string Options : {"-q 90", "-A -q 90"}) {
        const std::string File = Encode(Pattern, Options, "picture.heif");
        const THeifImage Image = Load(File);
        ASSERT_EQ(Image.Width(), 64);
        ASSERT_EQ(Image.Height(), 48);
        EXPECT_FALSE(Image.HasAlpha());
        EXPECT_LE(MaxDifference(Image.Bitmap(), Reference(File)), 1) << Options;
        EXPECT_LT(MeanDifference(Image.Bitmap(), Pattern), 8) << Options;
        EXPECT_EQ(Image.DefaultExtension(), Options[1] == 'A' ? "avif" : "heic");
    }
}

TEST_F(Heif, ReducesTenBitsAndKeepsAlpha)
{
    const TBitmap Pattern = MakeTestPattern(64, 48);
    const THeifImage Deep = Load(Encode(Pattern, "-q 90 -b 10", "deep.heic", 16));
    EXPECT_LT(MeanDifference(Deep.Bitmap(), Pattern), 8);
    const TBitmap Translucent = MakeTestPattern(64, 48, true);
    const THeifImage Alpha = Load(Encode(Translucent, "-q 95", "alpha.heic"));
    ASSERT_TRUE(Alpha.HasAlpha());
    int AlphaError = 0;
    for (int Y = 0; Y < 48; ++Y)
        for (int X = 0; X < 64; ++X)
            AlphaError = std::max(AlphaError,
                                  std::abs(Alpha.Bitmap().ScanLine(Y)[X * 4 + 3] - Translucent.ScanLine(Y)[X * 4 + 3]));
    EXPECT_LE(AlphaError, 12);
}

TEST_F(Heif, AppliesItsRotationAndMirroring)
{
    const TBitmap Stored = Quadrants(64, 48);
    const std::vector<int> Red = {0, 0, 255}, Green = {0, 255, 0}, Blue = {255, 0, 0};
    // Where the stored red (top-left) quadrant shows, probed inside each quadrant of the upright picture.
    for (const int Orientation : {1, 2, 3, 6, 8}) {
        const std::string File = PathOf("turned.heic");
        const auto Bytes = EncodeHeic(Stored, Orientation);
        ASSERT_FALSE(Bytes.empty());
        THeifImage Image;
        Image.LoadFromStream(Bytes);
        const TBitmap& Upright = Image.Bitmap();
        const bool Swapped = Orientation >= 5;
        ASSERT_EQ(Upright.Width(), Swapped ? 48 : 64) << Orientation;
        const int W = Upright.Width(), H = Upright.Height();
        const bool RedRight = Orientation == 2 || Orientation == 3 || Orientation == 6;
        const bool RedBottom = Orientation == 3 || Orientation == 8;
        EXPECT_TRUE(Near(ColourAt(Upright, RedRight ? W * 3 / 4 : W / 4, RedBottom ? H * 3 / 4 : H / 4), Red))
            << Orientation;
        // Turned clockwise, the stored bottom-left (blue) comes to the top left; anticlockwise, the
        // stored top-right (green) does.
        if (Orientation == 6) {
            EXPECT_TRUE(Near(ColourAt(Upright, W / 4, H / 4), Blue));
        } else if (Orientation == 8) {
            EXPECT_TRUE(Near(ColourAt(Upright, W / 4, H / 4), Green));
        }
    }
}

TEST_F(Heif, RefusesDamagedAndTruncatedFilesWithItsMessage)
{
    const auto Bytes = ReadFileBytes(Encode(MakeTestPattern(64, 48), "-q 50", "whole.heic"));
    ExpectCutsRefused<THeifImage>(Bytes, {0, 12, 40, Bytes.size() / 2, Bytes.size() - 10}, Messages::SInvalidHeif);
}

TEST_F(Heif, RefusesAHugeSizeBeforeDecoding)
{
    // The picture's "ispe" property rewritten to claim 100000 x 100000 pixels.
    auto Bytes = ReadFileBytes(Encode(MakeTestPattern(64, 48), "-q 50", "small.heic"));
    const std::string Ispe = "ispe";
    auto At = std::search(Bytes.begin(), Bytes.end(), Ispe.begin(), Ispe.end());
    ASSERT_NE(At, Bytes.end());
    for (; At != Bytes.end(); At = std::search(At + 1, Bytes.end(), Ispe.begin(), Ispe.end())) {
        // Type, version and flags, then width and height as 32-bit big-endian numbers.
        const auto Width = At + 8;
        for (const auto Field : {Width, Width + 4}) {
            const std::uint32_t Huge = 100000;
            for (int Byte = 0; Byte < 4; ++Byte) Field[Byte] = std::uint8_t(Huge >> (24 - 8 * Byte));
        }
    }
    ExpectRefused<THeifImage>(Bytes, Messages::SInvalidHeif, "huge ispe");
}

TEST_F(Heif, LoadsByExtensionOrContent)
{
    const std::string File = Encode(MakeTestPattern(16, 16), "-A -q 50", "phone.AVIF");
    TPicture Picture;
    Picture.LoadFromFile(File);
    EXPECT_NE(dynamic_cast<THeifImage*>(Picture.Graphic()), nullptr);
    std::filesystem::rename(File, PathOf("renamed.png"));
    Picture.LoadFromFile(PathOf("renamed.png"));
    EXPECT_NE(dynamic_cast<THeifImage*>(Picture.Graphic()), nullptr);
}

TEST(HeifGrid, AGridClaimingGigapixelsIsRefusedBeforeDecoding)
{
    // Found by the fuzzer: a grid descriptor of 24950 x 26982 pixels behind an "ispe" of 8 x 6, which
    // libheif would allocate whole.
    const auto Bytes =
        ReadFileBytes(std::filesystem::path(PIXORA_SOURCE_DIR) / "fuzz/corpus/Heif/grid-claiming-gigapixels.heic");
    const auto Grid = PrimaryGridSize(Bytes);
    ASSERT_TRUE(Grid.has_value());
    EXPECT_EQ(Grid->Width, 24950u);
    EXPECT_EQ(Grid->Height, 26982u);
    ExpectRefused<THeifImage>(Bytes, Messages::SInvalidHeif, "gigapixel grid");
    // A file whose primary image is a single coded picture has no grid to check.
    EXPECT_FALSE(
        PrimaryGridSize(ReadFileBytes(std::filesystem::path(PIXORA_SOURCE_DIR) / "fuzz/corpus/Heif/plain.avif")));
}
