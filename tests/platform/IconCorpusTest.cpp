// Every icon of the shared corpus against the PNG an independent decoder made of its largest entry.
#include "platform/graphics/Icon.h"
#include "platform/graphics/PngImage.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct TAlphaComparison
{
    int Opaque = 0;           // reference pixels with alpha 255
    int ColourMismatches = 0; // of those, pixels whose colour or opacity differs
    int Transparent = 0;      // reference pixels with alpha 0
    int AlphaMismatches = 0;  // of those, pixels the icon does not leave transparent
};

// Reference is a 32-bit picture with straight alpha; so is Picture.
TAlphaComparison CompareWhereDecided(const TBitmap& Picture, const TBitmap& Reference)
{
    TAlphaComparison Result;
    for (int Y = 0; Y < Reference.Height(); ++Y) {
        const std::uint8_t* A = Picture.ScanLine(Y);
        const std::uint8_t* B = Reference.ScanLine(Y);
        for (int X = 0; X < Reference.Width(); ++X, A += 4, B += 4) {
            if (B[3] == 255) {
                ++Result.Opaque;
                if (A[0] != B[0] || A[1] != B[1] || A[2] != B[2] || A[3] != 255) ++Result.ColourMismatches;
            } else if (B[3] == 0) {
                ++Result.Transparent;
                if (A[3] != 0) ++Result.AlphaMismatches;
            }
        }
    }
    return Result;
}

} // namespace

TEST(IconCorpus, GoodFilesMatchTheirReferencesWhereOpaqueAndBadOnesAreRefused)
{
    const auto Entries = CorpusEntries("ico");
    if (Entries.empty()) GTEST_SKIP() << "the shared corpus is absent";
    std::printf("%-28s %-13s %-9s %s\n", "file", "expectation", "size", "result");
    for (const auto& Entry : Entries) {
        SCOPED_TRACE(Entry.File);
        std::string Result;
        std::string Size = "-";
        try {
            TIcon Icon;
            Icon.LoadFromStream(ReadFileBytes(CorpusDir() / Entry.File));
            Size = std::to_string(Icon.Width()) + "x" + std::to_string(Icon.Height());
            Result = "loaded";
            if (!Entry.Reference.empty()) {
                TPngImage Reference;
                Reference.LoadFromStream(ReadFileBytes(CorpusDir() / Entry.Reference));
                ASSERT_TRUE(Reference.HasAlpha());
                ASSERT_EQ(Icon.Width(), Reference.Width());
                ASSERT_EQ(Icon.Height(), Reference.Height());
                const auto Comparison = CompareWhereDecided(Icon.Bitmap(), Reference.Bitmap());
                Result = "opaque " + std::to_string(Comparison.ColourMismatches) + "/" +
                         std::to_string(Comparison.Opaque) + " differ, transparent " +
                         std::to_string(Comparison.AlphaMismatches) + "/" + std::to_string(Comparison.Transparent) +
                         " differ";
                EXPECT_GT(Comparison.Opaque, 0);
                EXPECT_EQ(Comparison.ColourMismatches, 0);
                EXPECT_EQ(Comparison.AlphaMismatches, 0);
            }
            if (Entry.Expectation == "bad") ADD_FAILURE() << "a bad file loaded";
        } catch (const EInvalidGraphic& Error) {
            Result = "refused: " + Error.Message();
            EXPECT_EQ(Error.Message(), Messages::SInvalidIcon);
            if (Entry.Expectation == "good") ADD_FAILURE() << Result;
        }
        std::printf("%-28s %-13s %-9s %s\n", Entry.File.c_str(), Entry.Expectation.c_str(), Size.c_str(),
                    Result.c_str());
    }
}
