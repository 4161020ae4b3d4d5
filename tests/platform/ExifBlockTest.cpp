// The EXIF block carried from an opened JPEG file into one saved from its picture.
#include "platform/graphics/codecs/ExifBlock.h"

#include "platform/graphics/JPEGImage.h"
#include "tests/support/ExifSample.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> EncodedPicture(int Width, int Height)
{
    TJPEGImage Jpeg;
    Jpeg.Assign(MakeRandomBitmap(Width, Height, 24, 8));
    std::vector<std::uint8_t> Bytes;
    Jpeg.SaveToStream(Bytes);
    return Bytes;
}

} // namespace

TEST(ExifBlock, SetsOrientationAndSizesAndKeepsEveryOtherByte)
{
    for (const bool BigEndian : {false, true}) {
        const TExifSample Opened = MakeExifSample(BigEndian, 6, 3000, 4000);
        TExifSample Expected = MakeExifSample(BigEndian, 1, 1500, 1000);
        EXPECT_EQ(ExifForSavedPicture(Opened.Payload, 1500, 1000), Expected.Payload) << BigEndian;
        // A width beyond a SHORT's range leaves that SHORT as it was; the LONG height takes any value.
        PutExifNumber(Expected, Expected.PixelXAt, 3000, 2);
        PutExifNumber(Expected, Expected.PixelYAt, 70000, 4);
        EXPECT_EQ(ExifForSavedPicture(Opened.Payload, 70000, 70000), Expected.Payload) << BigEndian;
    }
}

TEST(ExifBlock, ReadsNothingBeyondADamagedBlock)
{
    const TExifSample Sample = MakeExifSample(true, 8, 64, 48);
    // Cut anywhere, the block is refused or patched where it still holds the entries; never read past.
    for (std::size_t Size = 0; Size < Sample.Payload.size(); ++Size) {
        const std::vector<std::uint8_t> Cut(Sample.Payload.begin(), Sample.Payload.begin() + std::ptrdiff_t(Size));
        const auto Result = ExifForSavedPicture(Cut, 10, 10);
        EXPECT_TRUE(Result.empty() || Result.size() == Size) << Size;
    }
    // A directory count claiming more entries than there are bytes.
    auto Claiming = Sample.Payload;
    Claiming[6 + 8] = 0x7F;
    EXPECT_TRUE(ExifForSavedPicture(Claiming, 10, 10).empty());
    EXPECT_TRUE(
        ExifForSavedPicture(std::vector<std::uint8_t>{'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 0, 42, 0, 0, 0, 8}, 10, 10)
            .empty());
}

TEST(ExifBlock, FoundInAFileAndInsertedAfterTheJfifSegment)
{
    const std::vector<std::uint8_t> Plain = EncodedPicture(16, 8);
    // The encoder writes a JFIF APP0 segment first; the EXIF block goes right after it.
    ASSERT_EQ(Plain[2], 0xFF);
    ASSERT_EQ(Plain[3], 0xE0);
    const std::size_t App0End = 4 + (std::size_t(Plain[4]) << 8 | Plain[5]);
    EXPECT_TRUE(FindExifBlock(Plain).empty());
    const TExifSample Sample = MakeExifSample(false, 3, 16, 8);
    std::vector<std::uint8_t> Carrying = Plain;
    InsertExifBlock(Carrying, Sample.Payload);
    EXPECT_EQ(Carrying.size(), Plain.size() + 4 + Sample.Payload.size());
    EXPECT_EQ(Carrying[App0End], 0xFF);
    EXPECT_EQ(Carrying[App0End + 1], 0xE1);
    EXPECT_EQ(FindExifBlock(Carrying), Sample.Payload);
    EXPECT_EQ(App1ExifOf(Carrying), Sample.Payload);
    // The file still decodes, to the same picture.
    TJPEGImage Reread;
    Reread.LoadFromStream(Carrying);
    EXPECT_EQ(Reread.Width(), 16);
    EXPECT_EQ(Reread.Height(), 8);
    // In a camera's file the block comes first, before any JFIF segment.
    EXPECT_EQ(FindExifBlock(WithApp1(Plain, Sample.Payload)), Sample.Payload);
    EXPECT_TRUE(FindExifBlock(std::vector<std::uint8_t>(Sample.Payload)).empty());
}
