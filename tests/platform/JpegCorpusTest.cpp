// Every JPEG of the shared corpus against the PNG an independent decoder made of it.
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/PngImage.h"
#include "platform/system/Exceptions.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>

namespace {

// Mean absolute difference of blue, green and red over every pixel; -1 when the sizes differ.
double MeanDifference(const TBitmap& Picture, const TBitmap& Reference)
{
    if (Picture.Width() != Reference.Width() || Picture.Height() != Reference.Height()) return -1;
    const int Step = Reference.BitCount() / 8;
    double Sum = 0;
    for (int Y = 0; Y < Picture.Height(); ++Y) {
        const std::uint8_t* A = Picture.ScanLine(Y);
        const std::uint8_t* B = Reference.ScanLine(Y);
        for (int X = 0; X < Picture.Width(); ++X)
            for (int Channel = 0; Channel < 3; ++Channel) Sum += std::abs(A[X * 3 + Channel] - B[X * Step + Channel]);
    }
    return Sum / (3.0 * Picture.Width() * Picture.Height());
}

} // namespace

TEST(JpegCorpus, GoodFilesMatchTheirReferencesAndOthersLoadOrFailWithTheMessage)
{
    const auto Entries = CorpusEntries("jpeg");
    if (Entries.empty()) GTEST_SKIP() << "the shared corpus is absent";
    const std::regex JpegMessage("JPEG エラー #[0-9]+");
    std::printf("%-36s %-13s %-10s %s\n", "file", "expectation", "size", "result");
    for (const auto& Entry : Entries) {
        SCOPED_TRACE(Entry.File);
        std::string Result;
        std::string Size = "-";
        try {
            TJPEGImage Jpeg;
            Jpeg.LoadFromStream(ReadFileBytes(CorpusDir() / Entry.File));
            const TBitmap& Pixels = Jpeg.Bitmap();
            Size = std::to_string(Pixels.Width()) + "x" + std::to_string(Pixels.Height());
            EXPECT_EQ(Pixels.Width(), Jpeg.Width());
            EXPECT_EQ(Pixels.Height(), Jpeg.Height());
            EXPECT_EQ(Pixels.BitCount(), 24);
            Result = "loaded";
            if (!Entry.Reference.empty()) {
                TPngImage Reference;
                Reference.LoadFromStream(ReadFileBytes(CorpusDir() / Entry.Reference));
                const double Difference = MeanDifference(Pixels, Reference.Bitmap());
                char Text[64];
                std::snprintf(Text, sizeof Text, "loaded, mean difference %.3f", Difference);
                Result = Text;
                EXPECT_GE(Difference, 0.0) << "size differs from the reference";
                EXPECT_LE(Difference, 1.0);
            }
            if (Entry.Expectation == "bad") ADD_FAILURE() << "a bad file loaded";
        } catch (const EJPEG& Error) {
            Result = "refused: " + Error.Message();
            EXPECT_TRUE(std::regex_match(Error.Message(), JpegMessage)) << Error.Message();
            if (Entry.Expectation == "good") ADD_FAILURE() << Result;
        }
        std::printf("%-36s %-13s %-10s %s\n", Entry.File.c_str(), Entry.Expectation.c_str(), Size.c_str(),
                    Result.c_str());
    }
}
