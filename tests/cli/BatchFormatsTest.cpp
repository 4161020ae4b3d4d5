// pixora-batch with the formats of phones and the web: files made by their own tools are read, turned
// and written again as WebP and TIFF.
#include "cli/BatchCommand.h"

#include "platform/graphics/EncodedImage.h"
#include "platform/graphics/Picture.h"
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
