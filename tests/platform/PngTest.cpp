// TPngImage: round trips with and without alpha, damaged files, bitmaps in and out.
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PngImage.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::vector<std::uint8_t> Saved(const TPngImage& Png)
{
    std::vector<std::uint8_t> Bytes;
    Png.SaveToStream(Bytes);
    return Bytes;
}

} // namespace

TEST(PngImage, KeepsEveryPixelAndItsAlphaThroughAFile)
{
    // Widths 1, 2, 3, 5 and 7 pad the 24-bit rows differently.
    for (const int Width : {1, 2, 3, 5, 7}) {
        const TBitmap Source = MakeRandomBitmap(Width, 4, 32, std::uint32_t(Width));
        std::vector<std::uint8_t> Bytes;
        WritePng(Source, Bytes);
        TPngImage Png;
        Png.LoadFromStream(Bytes);
        ASSERT_TRUE(Png.HasAlpha());
        EXPECT_TRUE(SamePixels(Png.Bitmap(), Source)) << Width;
        TPngImage Again;
        Again.LoadFromStream(Saved(Png));
        EXPECT_TRUE(SamePixels(Again.Bitmap(), Source)) << Width;
    }
}

TEST(PngImage, TakesABitmapAsOpaqueColour)
{
    const TBitmap Source = MakeRandomBitmap(5, 3, 24, 7);
    TPngImage Png;
    Png.Assign(Source);
    EXPECT_FALSE(Png.HasAlpha());
    TPngImage Loaded;
    Loaded.LoadFromStream(Saved(Png));
    EXPECT_FALSE(Loaded.HasAlpha());
    EXPECT_TRUE(SamePixels(Loaded.Bitmap(), Source));
    TBitmap Out;
    Out.Assign(Loaded);
    EXPECT_TRUE(SamePixels(Out, Source));
    EXPECT_EQ(Loaded.DefaultExtension(), "png");
}

TEST(PngImage, BlendsItsAlphaWhenDrawn)
{
    TBitmap Source;
    Source.SetLayout(2, 1, 32);
    std::uint8_t* P = Source.ScanLine(0);
    const std::uint8_t Pixels[8] = {0, 0, 255, 0, 0, 0, 255, 255}; // transparent red, opaque red
    std::copy(Pixels, Pixels + 8, P);
    std::vector<std::uint8_t> Bytes;
    WritePng(Source, Bytes);
    TPngImage Png;
    Png.LoadFromStream(Bytes);
    TBitmap Target;
    Target.SetLayout(2, 1, 24);
    Target.Canvas().Brush = TBrush{clWhite, bsSolid};
    Target.Canvas().FillRect(Rect(0, 0, 2, 1));
    Target.Canvas().Draw(0, 0, Png);
    const std::uint8_t* Row = Target.ScanLine(0);
    EXPECT_EQ(Row[0] + Row[1] + Row[2], 3 * 255);
    EXPECT_EQ(Row[3], 0);
    EXPECT_EQ(Row[5], 255);
}

TEST(PngImage, RefusesDamagedFilesWithTheBitmapMessage)
{
    std::vector<std::uint8_t> Bytes;
    WritePng(MakeRandomBitmap(9, 9, 24, 3), Bytes);
    const std::vector<std::vector<std::uint8_t>> Damaged = {
        {},
        {'G', 'I', 'F', '8', '9', 'a'},
        std::vector<std::uint8_t>(Bytes.begin(), Bytes.begin() + 30),
    };
    for (const auto& File : Damaged) {
        TPngImage Png;
        try {
            Png.LoadFromStream(File);
            ADD_FAILURE() << "a damaged file of " << File.size() << " bytes loaded";
        } catch (const EInvalidGraphic& Error) {
            EXPECT_EQ(Error.Message(), Messages::SInvalidBitmap);
        }
    }
}

TEST(PngImage, RefusesChunksRunningPastTheEndWithoutReadingThem)
{
    std::vector<std::uint8_t> Bytes;
    WritePng(MakeRandomBitmap(9, 9, 24, 4), Bytes);
    // A text chunk claiming 1 GiB before the IEND chunk, which would otherwise be skipped byte by byte.
    auto Huge = Bytes;
    const std::vector<std::uint8_t> Text = {0x41, 0, 0, 0x25, 't', 'E', 'X', 't', 'a', 0, 'b'};
    Huge.insert(Huge.end() - 12, Text.begin(), Text.end());
    // The same file without its IEND chunk.
    const std::vector<std::uint8_t> NoEnd(Bytes.begin(), Bytes.end() - 12);
    for (const auto& File : {Huge, NoEnd}) {
        TPngImage Png;
        try {
            Png.LoadFromStream(File);
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& Error) {
            EXPECT_EQ(Error.Message(), Messages::SInvalidBitmap);
        }
    }
}

TEST(PngImage, LoadsByItsExtension)
{
    TPngImage Png;
    Png.Assign(MakeRandomBitmap(4, 6, 24, 5));
    const auto Path = std::filesystem::temp_directory_path() / "pixora-png-test.Png";
    TPicture Picture;
    Picture.SetGraphic(&Png);
    Picture.SaveToFile(Path.string());
    TPicture Loaded;
    Loaded.LoadFromFile(Path.string());
    std::filesystem::remove(Path);
    ASSERT_NE(dynamic_cast<TPngImage*>(Loaded.Graphic()), nullptr);
    EXPECT_EQ(Loaded.Width(), 4);
    EXPECT_EQ(Loaded.Height(), 6);
}
