// The EXIF block carried from an opened JPEG, WebP or HEIF file into a JPEG file saved from its picture.
#include "platform/graphics/codecs/ExifBlock.h"

#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Picture.h"
#include "platform/system/FileUtils.h"
#include "tests/support/ExifFiles.h"
#include "tests/support/ExifSample.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::uint8_t> EncodedPicture(int Width, int Height)
{
    TJPEGImage Jpeg;
    Jpeg.Assign(MakeRandomBitmap(Width, Height, 24, 8));
    std::vector<std::uint8_t> Bytes;
    Jpeg.SaveToStream(Bytes);
    return Bytes;
}

class PhoneFormatExif : public TToolTest
{
protected:
    PhoneFormatExif() : TToolTest({"cwebp", "webpmux", "heif-enc"}) {}
};

// The EXIF block of the JPEG file the editor saves of a picture opened from File of the format Extension
// names: the picture as shown,
// assigned to a new JPEG picture, given the file's block.
std::vector<std::uint8_t> ExifSavedFrom(const std::vector<std::uint8_t>& File, const std::string& Extension, int& Width,
                                        int& Height)
{
    const auto Opened = TPicture::MakeGraphicFor(Extension);
    Opened->LoadFromStream(File);
    TBitmap Shown;
    Shown.Assign(*Opened);
    Width = Shown.Width();
    Height = Shown.Height();
    TJPEGImage Saved;
    Saved.Assign(Shown);
    Saved.CarryExifFrom(File);
    std::vector<std::uint8_t> Bytes;
    Saved.SaveToStream(Bytes);
    return App1ExifOf(Bytes);
}

std::vector<std::uint8_t> ExifSavedFrom(const std::vector<std::uint8_t>& File, const std::string& Extension)
{
    int Width = 0, Height = 0;
    return ExifSavedFrom(File, Extension, Width, Height);
}

// Where the first copy of Part lies in File; File.size() when it is not there.
std::size_t Find(const std::vector<std::uint8_t>& File, const std::vector<std::uint8_t>& Part)
{
    return std::size_t(std::search(File.begin(), File.end(), Part.begin(), Part.end()) - File.begin());
}

void PutBigEndian32(std::vector<std::uint8_t>& Bytes, std::size_t At, std::uint32_t Value)
{
    for (int Byte = 0; Byte < 4; ++Byte) Bytes[At + std::size_t(Byte)] = std::uint8_t(Value >> (24 - 8 * Byte));
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

TEST_F(PhoneFormatExif, AWebPFilesExifChunkIsSavedUprightAtTheSavedSize)
{
    const TBitmap Pattern = MakeTestPattern(40, 24);
    for (const bool BigEndian : {false, true}) {
        // Turned by orientation 6 at load, to be shown 24 x 40.
        const TExifSample Camera = MakeExifSample(BigEndian, 6, 40, 24);
        const std::vector<std::uint8_t> Bare(Camera.Payload.begin() + 6, Camera.Payload.end());
        for (const auto& Chunk : {Camera.Payload, Bare}) {
            SCOPED_TRACE(std::string(BigEndian ? "big-endian" : "little-endian") +
                         (Chunk.size() == Bare.size() ? ", bare TIFF structure" : ", with the JPEG header"));
            const auto File = MakeWebPWithExif(Pattern, Chunk, FFolder);
            ASSERT_FALSE(File.empty());
            EXPECT_EQ(FindExifBlock(File), Camera.Payload);
            int Width = 0, Height = 0;
            EXPECT_EQ(ExifSavedFrom(File, "webp", Width, Height), MakeExifSample(BigEndian, 1, 24, 40).Payload);
            EXPECT_EQ(Width, 24);
            EXPECT_EQ(Height, 40);
        }
    }
    // cwebp copies a JPEG file's block without its header.
    const TExifSample Camera = MakeExifSample(false, 1, 40, 24);
    TJPEGImage Jpeg;
    Jpeg.Assign(Pattern);
    std::vector<std::uint8_t> Encoded;
    Jpeg.SaveToStream(Encoded);
    WriteWholeFile(PathOf("camera.jpg"), WithApp1(Encoded, Camera.Payload));
    ASSERT_TRUE(RunTool("cwebp -quiet -metadata exif " + PathOf("camera.jpg") + " -o " + PathOf("camera.webp")));
    EXPECT_EQ(ExifSavedFrom(ReadFileBytes(PathOf("camera.webp")), "webp"), Camera.Payload);
    // A file without the chunk gives none.
    const auto Plain = MakeWebPWithExif(Pattern, {}, FFolder);
    EXPECT_TRUE(FindExifBlock(Plain).empty());
    EXPECT_TRUE(ExifSavedFrom(Plain, "webp").empty());
}

TEST_F(PhoneFormatExif, AHeifFilesExifItemIsSavedUprightAtTheSavedSize)
{
    const TBitmap Pattern = MakeTestPattern(40, 24);
    for (const bool BigEndian : {false, true}) {
        // heif-enc keeps the block of its JPEG file as a bare TIFF structure at offset 0; the orientation
        // there does not turn the picture, whose turns are the file's own properties.
        const TExifSample Camera = MakeExifSample(BigEndian, 6, 40, 24);
        for (const bool Avif : {false, true}) {
            SCOPED_TRACE(std::string(BigEndian ? "big-endian" : "little-endian") + (Avif ? ", AVIF" : ", HEIC"));
            const auto File = MakeHeifWithExif(Pattern, Camera.Payload, Avif, FFolder);
            ASSERT_FALSE(File.empty());
            EXPECT_EQ(FindExifBlock(File), Camera.Payload);
            EXPECT_EQ(ExifSavedFrom(File, Avif ? "avif" : "heic"), MakeExifSample(BigEndian, 1, 40, 24).Payload);
        }
        // libheif's encoder keeps the header, the item's offset pointing past it; the picture turned by
        // its own rotation property is saved at its shown size.
        const auto Turned = EncodeHeic(Pattern, 8, Camera.Payload);
        ASSERT_NE(Find(Turned, Camera.Payload), Turned.size());
        EXPECT_EQ(FindExifBlock(Turned), Camera.Payload);
        EXPECT_EQ(ExifSavedFrom(Turned, "heic"), MakeExifSample(BigEndian, 1, 24, 40).Payload);
    }
    for (const bool Avif : {false, true}) {
        const auto Plain = MakeHeifWithExif(Pattern, {}, Avif, FFolder);
        ASSERT_FALSE(Plain.empty());
        EXPECT_TRUE(FindExifBlock(Plain).empty());
        EXPECT_TRUE(ExifSavedFrom(Plain, Avif ? "avif" : "heic").empty());
    }
}

TEST_F(PhoneFormatExif, DamagedBlocksAreLeftOut)
{
    const TBitmap Pattern = MakeTestPattern(16, 8);
    const TExifSample Camera = MakeExifSample(true, 1, 16, 8);

    // WebP: a chunk of garbage, one claiming more bytes than the file holds, an empty one.
    std::vector<std::uint8_t> Garbage(40);
    for (std::size_t Index = 0; Index < Garbage.size(); ++Index) Garbage[Index] = std::uint8_t(Index * 37 + 11);
    EXPECT_TRUE(ExifSavedFrom(MakeWebPWithExif(Pattern, Garbage, FFolder), "webp").empty());
    const auto WebP = MakeWebPWithExif(Pattern, Camera.Payload, FFolder);
    const std::size_t Chunk = Find(WebP, {'E', 'X', 'I', 'F'});
    // The last chunk, padded to an even size.
    ASSERT_EQ(Chunk + 8 + Camera.Payload.size() + Camera.Payload.size() % 2, WebP.size());
    auto Beyond = WebP;
    Beyond[Chunk + 4] = Beyond[Chunk + 5] = Beyond[Chunk + 6] = 0xF0;
    EXPECT_TRUE(FindExifBlock(Beyond).empty());
    auto Empty = std::vector<std::uint8_t>(WebP.begin(), WebP.begin() + std::ptrdiff_t(Chunk + 8));
    std::fill(Empty.begin() + std::ptrdiff_t(Chunk + 4), Empty.end(), 0);
    const std::size_t RiffSize = Empty.size() - 8;
    for (int Byte = 0; Byte < 4; ++Byte) Empty[4 + std::size_t(Byte)] = std::uint8_t(RiffSize >> (8 * Byte));
    int Width = 0, Height = 0;
    EXPECT_TRUE(ExifSavedFrom(Empty, "webp", Width, Height).empty());
    EXPECT_EQ(Width, 16);
    EXPECT_TRUE(FindExifBlock(Empty).empty());

    // HEIF: the item's offset to its TIFF structure at, and far beyond, its end; a structure of garbage.
    const auto Heic = EncodeHeic(Pattern, 1, Camera.Payload);
    const std::size_t Item = Find(Heic, Camera.Payload);
    ASSERT_NE(Item, Heic.size());
    ASSERT_EQ(Heic[Item - 1], 6);
    for (const std::uint32_t Offset : {std::uint32_t(Camera.Payload.size()), 0xFFFFFFF0u}) {
        auto Damaged = Heic;
        PutBigEndian32(Damaged, Item - 4, Offset);
        EXPECT_TRUE(FindExifBlock(Damaged).empty()) << Offset;
        EXPECT_TRUE(ExifSavedFrom(Damaged, "heic").empty()) << Offset;
    }
    auto Scrambled = Heic;
    std::copy(Garbage.begin(), Garbage.end(), Scrambled.begin() + std::ptrdiff_t(Item + 6));
    EXPECT_TRUE(ExifSavedFrom(Scrambled, "heic").empty());
    // Cut inside the item, the file is no longer read and gives nothing.
    EXPECT_TRUE(
        FindExifBlock(std::vector<std::uint8_t>(Heic.begin(), Heic.begin() + std::ptrdiff_t(Item + 10))).empty());
}
