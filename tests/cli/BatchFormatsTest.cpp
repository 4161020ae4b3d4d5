// pixora-batch with the formats of phones and the web: files made by their own tools are read, turned
// and written again as WebP and TIFF.
#include "cli/BatchCommand.h"

#include "platform/graphics/EncodedImage.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/system/FileUtils.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class BatchFormats : public TToolTest
{
protected:
    BatchFormats() : TToolTest({"cwebp", "convert"}) {}

    int Run(std::vector<std::string> Arguments)
    {
        FOutput.str("");
        FErrors.str("");
        return RunBatch(Arguments, FOutput, FErrors);
    }

    // The pixels of File as the picture layer reads it.
    static TBitmap PixelsOf(const std::string& File)
    {
        TPicture Picture;
        Picture.LoadFromFile(File);
        TBitmap Pixels;
        Pixels.Assign(*Picture.Graphic());
        return Pixels;
    }

    std::filesystem::path FFolder;
    std::ostringstream FOutput;
    std::ostringstream FErrors;
};

} // namespace

TEST_F(BatchFormats, ReadsWebPAndTiffAndWritesThemAgain)
{
    const TBitmap Pattern = MakeTestPattern(48, 32);
    WritePam(Pattern, PathOf("pattern.pam"));
    ASSERT_TRUE(RunTool("cwebp -quiet -q 90 " + PathOf("pattern.pam") + " -o " + PathOf("in.webp")));
    ASSERT_TRUE(RunTool("convert " + PathOf("pattern.pam") + " -depth 16 -compress LZW " + PathOf("in.tif")));

    EXPECT_EQ(Run({"--info", PathOf("in.webp")}), 0) << FErrors.str();
    EXPECT_EQ(FOutput.str(), "kind=unknown width=48 height=32 bits=0 pixelformat=none handletype=none\n");

    // TIFF to WebP: lossy, within its loss of the pattern.
    ASSERT_EQ(Run({PathOf("in.tif"), "-o", PathOf("out.webp")}), 0) << FErrors.str();
    EXPECT_LT(MeanDifference(PixelsOf(PathOf("out.webp")), Pattern), 6);
    // WebP through an operation to TIFF: every pixel of the negative of what the WebP holds.
    ASSERT_EQ(Run({PathOf("in.webp"), "Negative", "-o", PathOf("out.tiff")}), 0) << FErrors.str();
    const TBitmap Decoded = PixelsOf(PathOf("in.webp"));
    const TBitmap Negative = PixelsOf(PathOf("out.tiff"));
    ASSERT_EQ(Negative.Width(), 48);
    for (int Y = 0; Y < 32; ++Y)
        for (int X = 0; X < 48 * 3; ++X)
            ASSERT_EQ(Negative.ScanLine(Y)[X], 255 - Decoded.ScanLine(Y)[X]) << X << "," << Y;
}

TEST_F(BatchFormats, APictureWithTransparencyIsWrittenAndWorkedOnAsItShowsOnWhite)
{
    // Transparent but storing green, half-transparent red, opaque blue-grey.
    TBitmap Source;
    Source.SetLayout(3, 1, 32);
    const std::uint8_t Pixels[12] = {0, 200, 0, 0, 0, 0, 255, 128, 90, 60, 30, 255};
    std::copy(Pixels, Pixels + 12, Source.ScanLine(0));
    std::vector<std::uint8_t> Png;
    WritePng(Source, Png);
    WriteWholeFile(PathOf("clear.png"), Png);

    ASSERT_EQ(Run({PathOf("clear.png"), "-o", PathOf("plain.bmp")}), 0) << FErrors.str();
    const TBitmap Plain = PixelsOf(PathOf("plain.bmp"));
    ASSERT_EQ(Plain.BitCount(), 24);
    const std::uint8_t* Row = Plain.ScanLine(0);
    EXPECT_EQ(std::vector<int>(Row, Row + 9), (std::vector<int>{255, 255, 255, 127, 127, 255, 90, 60, 30}));

    ASSERT_EQ(Run({PathOf("clear.png"), "Negative", "-o", PathOf("negative.bmp")}), 0) << FErrors.str();
    const TBitmap Negative = PixelsOf(PathOf("negative.bmp"));
    Row = Negative.ScanLine(0);
    EXPECT_EQ(std::vector<int>(Row, Row + 9), (std::vector<int>{0, 0, 0, 128, 128, 0, 165, 195, 225}));
}
