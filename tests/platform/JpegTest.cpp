// TJPEGImage on hand-made pictures: compression, damaged data, the size guard, EXIF orientation.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Picture.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/ExifSample.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <jerror.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

TBitmap Flat(int Width, int Height, std::uint8_t Blue, std::uint8_t Green, std::uint8_t Red)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X) {
            Row[X * 3] = Blue;
            Row[X * 3 + 1] = Green;
            Row[X * 3 + 2] = Red;
        }
    }
    return Bitmap;
}

std::vector<std::uint8_t> Compress(const TBitmap& Bitmap)
{
    TJPEGImage Jpeg;
    Jpeg.Assign(Bitmap);
    std::vector<std::uint8_t> Bytes;
    Jpeg.SaveToStream(Bytes);
    return Bytes;
}

std::string JpegMessage(int Code)
{
    return FormatMessage(Messages::SJPEGError, Code);
}

// The message of the EJPEG that loading and decoding Bytes raises, or "" when they succeed.
std::string DecodeError(const std::vector<std::uint8_t>& Bytes)
{
    try {
        TJPEGImage Jpeg;
        Jpeg.LoadFromStream(Bytes);
        Jpeg.Bitmap();
    } catch (const EJPEG& Error) {
        return Error.Message();
    }
    return "";
}

// The offset of the first marker 0xFF Code after the SOI, walking the segments.
std::size_t FindMarker(const std::vector<std::uint8_t>& Bytes, std::uint8_t Code)
{
    std::size_t At = 2;
    while (At + 4 <= Bytes.size() && Bytes[At] == 0xFF && Bytes[At + 1] != Code)
        At += 2 + std::size_t(Bytes[At + 2] << 8 | Bytes[At + 3]);
    return At;
}

// Bytes with an APP1 segment holding Tiff (an EXIF block) inserted after the SOI.
std::vector<std::uint8_t> WithExif(std::vector<std::uint8_t> Bytes, const std::vector<std::uint8_t>& Tiff)
{
    std::vector<std::uint8_t> Segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    Segment.insert(Segment.end(), Tiff.begin(), Tiff.end());
    const std::size_t Length = Segment.size() - 2;
    Segment[2] = std::uint8_t(Length >> 8);
    Segment[3] = std::uint8_t(Length);
    Bytes.insert(Bytes.begin() + 2, Segment.begin(), Segment.end());
    return Bytes;
}

// A TIFF structure whose first directory holds one entry: the orientation tag as a SHORT.
std::vector<std::uint8_t> OrientationTiff(int Orientation, bool BigEndian)
{
    const auto V = std::uint8_t(Orientation);
    if (BigEndian) return {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, V, 0, 0, 0, 0, 0, 0};
    return {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, V, 0, 0, 0, 0, 0, 0, 0};
}

std::array<std::uint8_t, 3> PixelAt(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* P = Bitmap.ScanLine(Y) + X * 3;
    return {P[0], P[1], P[2]};
}

} // namespace

TEST(JpegImage, CompressesAFlatPictureAsBaselineColourAndDecodesItBack)
{
    const TBitmap Source = Flat(21, 13, 40, 120, 200);
    const auto Bytes = Compress(Source);
    ASSERT_GE(Bytes.size(), 4u);
    EXPECT_EQ(Bytes[0], 0xFF);
    EXPECT_EQ(Bytes[1], 0xD8);
    // Sequential baseline: a SOF0 frame of three components (YCbCr).
    const std::size_t Frame = FindMarker(Bytes, 0xC0);
    ASSERT_LT(Frame + 10, Bytes.size());
    EXPECT_EQ(Bytes[Frame + 9], 3);

    TJPEGImage Jpeg;
    Jpeg.LoadFromStream(Bytes);
    EXPECT_EQ(Jpeg.Width(), 21);
    EXPECT_EQ(Jpeg.Height(), 13);
    const TBitmap& Decoded = Jpeg.Bitmap();
    ASSERT_EQ(Decoded.BitCount(), 24);
    for (int Y = 0; Y < 13; ++Y)
        for (int X = 0; X < 21; ++X) {
            const auto P = PixelAt(Decoded, X, Y);
            EXPECT_NEAR(P[0], 40, 3);
            EXPECT_NEAR(P[1], 120, 3);
            EXPECT_NEAR(P[2], 200, 3);
        }
}

TEST(JpegImage, KeepsARandomPictureCloseAtQuality90)
{
    // A smooth picture with an odd width, so rows are padded.
    TBitmap Source;
    Source.SetLayout(37, 29, 24);
    for (int Y = 0; Y < 29; ++Y)
        for (int X = 0; X < 37; ++X) {
            std::uint8_t* P = Source.ScanLine(Y) + X * 3;
            P[0] = std::uint8_t(X * 6);
            P[1] = std::uint8_t(Y * 8);
            P[2] = std::uint8_t(128 + (X - Y) * 2);
        }
    TJPEGImage Jpeg;
    Jpeg.Assign(Source);
    TBitmap Decoded;
    Decoded.Assign(Jpeg);
    ASSERT_EQ(Decoded.Width(), 37);
    ASSERT_EQ(Decoded.Height(), 29);
    double Sum = 0;
    for (int Y = 0; Y < 29; ++Y)
        for (int X = 0; X < 37; ++X)
            for (int C = 0; C < 3; ++C) Sum += std::abs(Decoded.ScanLine(Y)[X * 3 + C] - Source.ScanLine(Y)[X * 3 + C]);
    EXPECT_LT(Sum / (37 * 29 * 3), 2.0);
}

TEST(JpegImage, CompressesA32BitBitmapLikeItsColours)
{
    TBitmap Wide;
    Wide.SetLayout(9, 9, 32);
    for (int Y = 0; Y < 9; ++Y)
        for (int X = 0; X < 9; ++X) {
            std::uint8_t* P = Wide.ScanLine(Y) + X * 4;
            P[0] = 10;
            P[1] = 220;
            P[2] = 90;
            P[3] = 0;
        }
    TJPEGImage Jpeg;
    Jpeg.Assign(Wide);
    const auto P = PixelAt(Jpeg.Bitmap(), 4, 4);
    EXPECT_NEAR(P[0], 10, 3);
    EXPECT_NEAR(P[1], 220, 3);
    EXPECT_NEAR(P[2], 90, 3);
}

TEST(JpegImage, DamagedDataRaiseTheJpegMessageWithLibjpegsCode)
{
    EXPECT_EQ(DecodeError({}), JpegMessage(JERR_INPUT_EMPTY));
    EXPECT_EQ(DecodeError({'B', 'M', 0, 0, 0, 0}), JpegMessage(JERR_NO_SOI));
    const auto Bytes = Compress(Flat(16, 16, 0, 0, 0));
    // Cut inside the tables: the data end before any frame or scan.
    const std::vector<std::uint8_t> Header(Bytes.begin(), Bytes.begin() + 30);
    EXPECT_EQ(DecodeError(Header), JpegMessage(JERR_NO_IMAGE));
    // A frame of zero width.
    auto NoWidth = Bytes;
    const std::size_t Frame = FindMarker(NoWidth, 0xC0);
    NoWidth[Frame + 7] = NoWidth[Frame + 8] = 0;
    EXPECT_EQ(DecodeError(NoWidth), JpegMessage(JERR_EMPTY_IMAGE));
}

TEST(JpegImage, DataEndingInsideTheScanStillGiveThePictureWithGreyBelow)
{
    // libjpeg warns of a premature end and fills the missing blocks with mid-grey; the picture is shown.
    const auto Bytes = Compress(Flat(16, 64, 0, 0, 0));
    const std::size_t Scan = FindMarker(Bytes, 0xDA);
    const std::vector<std::uint8_t> Cut(Bytes.begin(), Bytes.begin() + std::ptrdiff_t(Scan + 20));
    TJPEGImage Jpeg;
    ASSERT_NO_THROW(Jpeg.LoadFromStream(Cut));
    const TBitmap& Decoded = Jpeg.Bitmap();
    ASSERT_EQ(Decoded.Height(), 64);
    EXPECT_LE(PixelAt(Decoded, 0, 0)[1], 3);
    EXPECT_NEAR(PixelAt(Decoded, 0, 63)[1], 128, 3);
}

TEST(JpegImage, RefusesAHugeFrameOnASmallFileBeforeDecoding)
{
    auto Bytes = Compress(Flat(16, 16, 0, 0, 0));
    const std::size_t Frame = FindMarker(Bytes, 0xC0);
    for (int Offset = 5; Offset <= 8; ++Offset) Bytes[Frame + std::size_t(Offset)] = 0xFF;
    TJPEGImage Jpeg;
    try {
        Jpeg.LoadFromStream(Bytes);
        FAIL() << "a 65535 x 65535 frame in " << Bytes.size() << " bytes loaded";
    } catch (const EJPEG& Error) {
        EXPECT_EQ(Error.Message(), JpegMessage(JERR_IMAGE_TOO_BIG));
    }
    EXPECT_TRUE(Jpeg.Empty());
}

TEST(JpegImage, TurnsEveryExifOrientationUpright)
{
    // Stored 2 x 3 picture, pixels a b / c d / e f numbered 0..5 row by row. For each orientation: the
    // shown size and which stored pixel is shown at each place, row by row, worked out from where the
    // orientation puts the stored first row and first column.
    struct TCase
    {
        int Orientation, Width, Height;
        std::array<int, 6> Shown;
    };
    const TCase Cases[] = {
        {1, 2, 3, {0, 1, 2, 3, 4, 5}}, // a b / c d / e f
        {2, 2, 3, {1, 0, 3, 2, 5, 4}}, // b a / d c / f e: mirrored left-right
        {3, 2, 3, {5, 4, 3, 2, 1, 0}}, // f e / d c / b a: half a turn
        {4, 2, 3, {4, 5, 2, 3, 0, 1}}, // e f / c d / a b: mirrored top-bottom
        {5, 3, 2, {0, 2, 4, 1, 3, 5}}, // a c e / b d f: first row down the left side
        {6, 3, 2, {4, 2, 0, 5, 3, 1}}, // e c a / f d b: a quarter turn clockwise
        {7, 3, 2, {5, 3, 1, 4, 2, 0}}, // f d b / e c a: first row up the right side
        {8, 3, 2, {1, 3, 5, 0, 2, 4}}, // b d f / a c e: a quarter turn anticlockwise
    };
    TBitmap Source;
    Source.SetLayout(2, 3, 24);
    const std::uint8_t Levels[6] = {0, 255, 200, 40, 90, 150};
    for (int Index = 0; Index < 6; ++Index) {
        std::uint8_t* P = Source.ScanLine(Index / 2) + (Index % 2) * 3;
        P[0] = P[1] = P[2] = Levels[Index];
    }
    const auto Plain = Compress(Source);
    TJPEGImage Stored;
    Stored.LoadFromStream(Plain);
    std::set<std::array<std::uint8_t, 3>> Distinct;
    for (int Index = 0; Index < 6; ++Index) Distinct.insert(PixelAt(Stored.Bitmap(), Index % 2, Index / 2));
    ASSERT_EQ(Distinct.size(), 6u) << "the six pixels must stay distinguishable";

    for (const bool BigEndian : {true, false})
        for (const auto& Case : Cases) {
            SCOPED_TRACE(testing::Message() << "orientation " << Case.Orientation << (BigEndian ? " MM" : " II"));
            TJPEGImage Jpeg;
            Jpeg.LoadFromStream(WithExif(Plain, OrientationTiff(Case.Orientation, BigEndian)));
            EXPECT_EQ(Jpeg.Width(), Case.Width);
            EXPECT_EQ(Jpeg.Height(), Case.Height);
            const TBitmap& Shown = Jpeg.Bitmap();
            ASSERT_EQ(Shown.Width(), Case.Width);
            ASSERT_EQ(Shown.Height(), Case.Height);
            for (int Place = 0; Place < 6; ++Place) {
                const int From = Case.Shown[std::size_t(Place)];
                EXPECT_EQ(PixelAt(Shown, Place % Case.Width, Place / Case.Width),
                          PixelAt(Stored.Bitmap(), From % 2, From / 2))
                    << "place " << Place;
            }
        }
}

TEST(JpegImage, IgnoresExifBlocksThatPointOutsideThemselvesOrHoldNoOrientation)
{
    const auto Plain = Compress(Flat(2, 3, 0, 0, 0));
    const std::vector<std::vector<std::uint8_t>> Blocks = {
        {'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xF0},                         // directory far beyond the block
        {'M', 'M', 0, 42, 0, 0, 0, 8, 0x7F, 0xFF},                         // 32767 entries in a few bytes
        {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1}, // entry cut short
        {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 9, 0, 0, 0, 0, 0, 0}, // value 9
        {'X', 'X', 0, 42, 0, 0, 0, 8},                                                             // no order
    };
    for (const auto& Block : Blocks) {
        TJPEGImage Jpeg;
        Jpeg.LoadFromStream(WithExif(Plain, Block));
        EXPECT_EQ(Jpeg.Width(), 2);
        EXPECT_EQ(Jpeg.Height(), 3);
        EXPECT_EQ(Jpeg.Bitmap().Width(), 2);
    }
}

TEST(JpegImage, SavesTheBytesItLoadedAndCopiesShareThem)
{
    const auto Bytes = Compress(Flat(8, 8, 1, 2, 3));
    TJPEGImage Jpeg;
    Jpeg.LoadFromStream(Bytes);
    const auto Copy = Jpeg.Clone();
    std::vector<std::uint8_t> Saved;
    Copy->SaveToStream(Saved);
    EXPECT_EQ(Saved, Bytes);
    EXPECT_EQ(Copy->DefaultExtension(), "jpg");
    EXPECT_EQ(Copy->Width(), 8);
}

TEST(JpegImage, ACopyGivenAnExifBlockLeavesTheOriginalAsItWas)
{
    TJPEGImage Jpeg;
    Jpeg.Assign(Flat(6, 4, 10, 20, 30));
    std::vector<std::uint8_t> Plain;
    Jpeg.SaveToStream(Plain);
    const TBitmap* Decoded = &Jpeg.Bitmap();
    TJPEGImage Copy(Jpeg);
    int Changes = 0;
    Copy.OnChange = [&Changes] { ++Changes; };
    Copy.CarryExifFrom(WithApp1(Plain, MakeExifSample(true, 8, 4, 6).Payload));
    EXPECT_EQ(Changes, 1);
    std::vector<std::uint8_t> Carried;
    Copy.SaveToStream(Carried);
    EXPECT_EQ(App1ExifOf(Carried), MakeExifSample(true, 1, 6, 4).Payload);
    std::vector<std::uint8_t> Original;
    Jpeg.SaveToStream(Original);
    EXPECT_EQ(Original, Plain);
    // The block leaves the pixels alike: those decoded before are still shared.
    EXPECT_EQ(&Copy.Bitmap(), Decoded);

    // Assigning gives the file and tells of the change.
    Jpeg.OnChange = [&Changes] { ++Changes; };
    Jpeg = Copy;
    EXPECT_EQ(Changes, 2);
    Original.clear();
    Jpeg.SaveToStream(Original);
    EXPECT_EQ(Original, Carried);
    // Nothing to carry from a file without EXIF: no change.
    Copy.CarryExifFrom(Plain);
    EXPECT_EQ(Changes, 2);
}

TEST(JpegImage, DrawsItsDecodedPixelsStretchedOntoACanvas)
{
    TJPEGImage Jpeg;
    Jpeg.Assign(Flat(4, 4, 30, 60, 220));
    TBitmap Target = Flat(10, 10, 255, 255, 255);
    Target.Canvas().StretchDraw(Rect(2, 2, 10, 10), Jpeg);
    EXPECT_EQ(PixelAt(Target, 1, 1), (std::array<std::uint8_t, 3>{255, 255, 255}));
    const auto P = PixelAt(Target, 6, 6);
    EXPECT_NEAR(P[0], 30, 3);
    EXPECT_NEAR(P[1], 60, 3);
    EXPECT_NEAR(P[2], 220, 3);
}

TEST(JpegImage, LoadsByEitherExtensionInAnyCase)
{
    const auto Bytes = Compress(Flat(5, 7, 0, 0, 0));
    const auto Dir = std::filesystem::temp_directory_path();
    for (const char* Name : {"pixora-jpeg-test.JPG", "pixora-jpeg-test.Jpeg"}) {
        const auto Path = Dir / Name;
        std::ofstream(Path, std::ios::binary)
            .write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
        TPicture Picture;
        Picture.LoadFromFile(Path.string());
        EXPECT_NE(dynamic_cast<TJPEGImage*>(Picture.Graphic()), nullptr);
        EXPECT_EQ(Picture.Width(), 5);
        EXPECT_EQ(Picture.Height(), 7);
        std::filesystem::remove(Path);
    }
}
