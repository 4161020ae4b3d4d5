// pixora-batch writing a JPEG file from a camera's JPEG, WebP or HEIF file: the EXIF block comes along,
// upright and at the written size, whatever the operations did to the picture.
#include "cli/BatchCommand.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/codecs/JpegCodec.h"
#include "platform/system/FileUtils.h"
#include "tests/support/ExifFiles.h"
#include "tests/support/ExifSample.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class BatchExif : public TFolderTest
{
protected:
    // A JPEG file of a Width x Height picture as stored, with Exif as its APP1 segment when not empty.
    std::string WritePhoto(const std::string& Name, int Width, int Height, const std::vector<std::uint8_t>& Exif)
    {
        TJPEGImage Stored;
        Stored.Assign(MakeRandomBitmap(Width, Height, 24, 7));
        std::vector<std::uint8_t> Encoded;
        Stored.SaveToStream(Encoded);
        WriteWholeFile(PathOf(Name), Exif.empty() ? Encoded : WithApp1(Encoded, Exif));
        return PathOf(Name);
    }

    int Run(std::vector<std::string> Arguments)
    {
        FErrors.str("");
        return RunBatch(Arguments, FOutput, FErrors);
    }

    std::ostringstream FOutput;
    std::ostringstream FErrors;
};

class BatchPhoneFormatExif : public TToolTest
{
protected:
    BatchPhoneFormatExif() : TToolTest({"cwebp", "webpmux", "heif-enc"}) {}

    // Writes File as Name and then the JPEG file of it Shrink:15,20 gives; that file's bytes.
    std::vector<std::uint8_t> ShrunkJpegOf(const std::vector<std::uint8_t>& File, const std::string& Name)
    {
        WriteWholeFile(PathOf(Name), File);
        const std::vector<std::string> Arguments{PathOf(Name), "Shrink:15,20", "-o", PathOf("saved.jpg")};
        std::ostringstream Output, Errors;
        EXPECT_EQ(RunBatch(Arguments, Output, Errors), 0) << Errors.str();
        return ReadFileBytes(PathOf("saved.jpg"));
    }
};

} // namespace

TEST_F(BatchExif, AJpegFileWrittenFromAPhotographKeepsItsExifUprightAtTheWrittenSize)
{
    for (const bool BigEndian : {false, true}) {
        SCOPED_TRACE(BigEndian ? "big-endian" : "little-endian");
        // Stored 40 x 30 and turned by orientation 6 at load, to be shown 30 x 40.
        const std::string Photo = WritePhoto("photo.jpg", 40, 30, MakeExifSample(BigEndian, 6, 40, 30).Payload);
        const struct
        {
            std::vector<std::string> Operations;
            int Width, Height;
        } Cases[] = {
            {{}, 30, 40}, {{"Shrink:15,20"}, 15, 20}, {{"Turn:90"}, 40, 30}, {{"Turn:90", "Shrink:8,6"}, 8, 6}};
        for (const auto& Case : Cases) {
            SCOPED_TRACE(Case.Operations.empty() ? "no operation" : Case.Operations.front());
            std::vector<std::string> Arguments{Photo};
            Arguments.insert(Arguments.end(), Case.Operations.begin(), Case.Operations.end());
            Arguments.insert(Arguments.end(), {"-o", PathOf("saved.jpeg")});
            ASSERT_EQ(Run(Arguments), 0) << FErrors.str();
            const auto Saved = ReadFileBytes(PathOf("saved.jpeg"));
            // Orientation 1 and the written size; the make, date and GPS directory byte for byte.
            EXPECT_EQ(App1ExifOf(Saved), MakeExifSample(BigEndian, 1, Case.Width, Case.Height).Payload);
            const TJpegHeader Header = ReadJpegHeader(Saved);
            EXPECT_EQ(Header.Orientation, 1);
            EXPECT_EQ(Header.Width, Case.Width);
            EXPECT_EQ(Header.Height, Case.Height);
        }
    }
}

TEST_F(BatchExif, NothingIsCarriedFromAFileWithoutExifOrIntoAnotherFormat)
{
    const std::string Plain = WritePhoto("plain.jpg", 20, 10, {});
    ASSERT_EQ(Run({Plain, "-o", PathOf("plain-saved.jpg")}), 0) << FErrors.str();
    EXPECT_TRUE(App1ExifOf(ReadFileBytes(PathOf("plain-saved.jpg"))).empty());

    // A bitmap file read from, and a bitmap file written, have no EXIF block to give or take.
    const std::string Photo = WritePhoto("photo.jpg", 20, 10, MakeExifSample(false, 1, 20, 10).Payload);
    ASSERT_EQ(Run({Photo, "-o", PathOf("photo.bmp")}), 0) << FErrors.str();
    ASSERT_EQ(Run({PathOf("photo.bmp"), "-o", PathOf("from-bitmap.jpg")}), 0) << FErrors.str();
    const auto FromBitmap = ReadFileBytes(PathOf("from-bitmap.jpg"));
    EXPECT_TRUE(App1ExifOf(FromBitmap).empty());
    EXPECT_EQ(ReadJpegHeader(FromBitmap).Width, 20);
}

TEST_F(BatchPhoneFormatExif, AJpegFileWrittenFromAWebPOrHeifPhotographKeepsItsExif)
{
    const TBitmap Pattern = MakeTestPattern(40, 30);
    for (const bool BigEndian : {false, true}) {
        SCOPED_TRACE(BigEndian ? "big-endian" : "little-endian");
        const TExifSample Camera = MakeExifSample(BigEndian, 3, 40, 30);
        const struct
        {
            std::string Name;
            std::vector<std::uint8_t> File;
        } Photos[] = {{"photo.webp", MakeWebPWithExif(Pattern, Camera.Payload, FFolder)},
                      {"photo.heic", MakeHeifWithExif(Pattern, Camera.Payload, false, FFolder)},
                      {"photo.avif", MakeHeifWithExif(Pattern, Camera.Payload, true, FFolder)}};
        for (const auto& Photo : Photos) {
            SCOPED_TRACE(Photo.Name);
            ASSERT_FALSE(Photo.File.empty());
            const auto Saved = ShrunkJpegOf(Photo.File, Photo.Name);
            // Orientation 1 and the written size; the make, date and GPS directory byte for byte.
            EXPECT_EQ(App1ExifOf(Saved), MakeExifSample(BigEndian, 1, 15, 20).Payload);
            const TJpegHeader Header = ReadJpegHeader(Saved);
            EXPECT_EQ(Header.Orientation, 1);
            EXPECT_EQ(Header.Width, 15);
            EXPECT_EQ(Header.Height, 20);
        }
    }
    // Files without a block give none.
    EXPECT_TRUE(App1ExifOf(ShrunkJpegOf(MakeWebPWithExif(Pattern, {}, FFolder), "plain.webp")).empty());
    EXPECT_TRUE(App1ExifOf(ShrunkJpegOf(MakeHeifWithExif(Pattern, {}, false, FFolder), "plain.heic")).empty());
}
