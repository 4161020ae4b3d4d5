#pragma once
// Files made by other programs (the Debian tools of each format) for the codec tests, and the pixel
// comparisons that allow for a format's loss.

#include "platform/graphics/Bitmap.h"
#include "platform/system/Exceptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// Whether the program Name is on the path.
bool HaveTool(const std::string& Name);
// Runs Command through the shell, its output discarded; true when it exits with 0.
bool RunTool(const std::string& Command);

// A test picture of smooth gradients crossed by sharp edges (what photographs and drawings hold), 24 bits,
// or 32 with a varying straight alpha.
TBitmap MakeTestPattern(int Width, int Height, bool Alpha = false);

// Writes Bitmap (24 or 32 bits) as a PAM file, the plain format every tool reads.
void WritePam(const TBitmap& Bitmap, const std::filesystem::path& Path);
// Reads a PAM or binary PPM file of 8-bit samples (grey, RGB or RGBA) into 24 or 32 bits.
TBitmap ReadPam(const std::filesystem::path& Path);

// The largest and the mean difference of a blue, green or red level between two pictures of the same size
// (the fourth byte too where both have 32 bits); 256 when the sizes differ.
int MaxDifference(const TBitmap& A, const TBitmap& B);
double MeanDifference(const TBitmap& A, const TBitmap& B);

// A new empty folder for one test's files, removed by the caller.
std::filesystem::path MakeTestFolder(const std::string& Name);

// A test of files made by other programs: skipped, saying so, when one of its tools is missing; its files
// live in a folder of their own, removed afterwards.
class TToolTest : public ::testing::Test
{
protected:
    explicit TToolTest(std::vector<std::string> Tools) : FTools(std::move(Tools)) {}
    void SetUp() override;
    void TearDown() override;
    std::string PathOf(const std::string& Name) const { return (FFolder / Name).string(); }

    std::filesystem::path FFolder;

private:
    std::vector<std::string> FTools;
};

// Expects loading Bytes into a new picture of class TImage to raise EInvalidGraphic with Message and to
// leave the picture empty.
template <typename TImage>
void ExpectRefused(const std::vector<std::uint8_t>& Bytes, const char* Message, const std::string& Why)
{
    TImage Image;
    try {
        Image.LoadFromStream(Bytes);
        ADD_FAILURE() << Why << ": no error";
    } catch (const EInvalidGraphic& Error) {
        EXPECT_STREQ(Error.what(), Message) << Why;
    }
    EXPECT_TRUE(Image.Empty()) << Why;
}

// Expects every cut of Bytes at Lengths to be refused as ExpectRefused says.
template <typename TImage>
void ExpectCutsRefused(const std::vector<std::uint8_t>& Bytes, std::initializer_list<std::size_t> Lengths,
                       const char* Message)
{
    for (const std::size_t Length : Lengths)
        ExpectRefused<TImage>(std::vector<std::uint8_t>(Bytes.begin(), Bytes.begin() + std::ptrdiff_t(Length)), Message,
                              "cut at " + std::to_string(Length));
}
