#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

TEST(KelvoImage, StartsEmptyWithoutKind)
{
    TKelvoImage Image;
    EXPECT_EQ(Image.Kind(), "");
    EXPECT_EQ(Image.PictureType(), picNil);
    EXPECT_EQ(Image.BitsPerPixel(), 0);
}

TEST(KelvoImage, PictureTypeOfABitmap)
{
    auto Image = ImageWith(UniformBitmap(2, 2, 1, 2, 3));
    EXPECT_EQ(Image->PictureType(), picBitmap);
    EXPECT_EQ(Image->BitsPerPixel(), 24);
}

TEST(KelvoImage, BitsPerPixelTurnsADeviceBitmapIntoASection)
{
    TBitmap Device;
    Device.SetSize(3, 2);
    ASSERT_EQ(Device.HandleType(), bmDDB);
    auto Image = ImageWith(Device);
    ASSERT_EQ(PictureOf(*Image).HandleType(), bmDDB);
    EXPECT_EQ(Image->BitsPerPixel(), 32);
    EXPECT_EQ(PictureOf(*Image).HandleType(), bmDIB);
    EXPECT_EQ(PictureOf(*Image).PixelFormat(), pf32bit);
}

TEST(KelvoImage, BitsPerPixelOfAnEmptyBitmapIsZero)
{
    auto Image = ImageWith(TBitmap());
    EXPECT_EQ(Image->BitsPerPixel(), 0);
}

TEST(KelvoImage, SettingPictureTypeToNilEmptiesThePicture)
{
    auto Image = ImageWith(UniformBitmap(2, 2, 1, 2, 3));
    Image->SetPictureType(picNil);
    EXPECT_EQ(Image->Picture().Graphic(), nullptr);
    EXPECT_EQ(Image->PictureType(), picNil);
}

TEST(KelvoImage, SettingPictureTypeToIconUnknownOrTheSameKindChangesNothing)
{
    auto Image = ImageWith(UniformBitmap(2, 2, 1, 2, 3));
    const TGraphic* Before = Image->Picture().Graphic();
    for (TPictureType Value : {picIcon, picUnknown, picBitmap}) {
        Image->SetPictureType(Value);
        EXPECT_EQ(Image->Picture().Graphic(), Before);
        EXPECT_EQ(Image->PictureType(), picBitmap);
    }
    TKelvoImage Empty;
    Empty.SetPictureType(picBitmap);
    EXPECT_EQ(Empty.PictureType(), picBitmap);
    EXPECT_TRUE(Empty.Picture().Graphic()->Empty());
}

TEST(KelvoImage, SettingPictureTypeToMetafileRecordsTheBitmapAtItsSize)
{
    const TBitmap Original = MakeRandomBitmap(7, 5, 24, 11);
    auto Image = ImageWith(Original);
    Image->SetPictureType(picMetafile);
    ASSERT_EQ(Image->PictureType(), picMetafile);
    const auto& Metafile = dynamic_cast<const TMetafile&>(*Image->Picture().Graphic());
    EXPECT_EQ(Metafile.Inch(), 1);
    EXPECT_EQ(Metafile.Width(), 7);
    EXPECT_EQ(Metafile.Height(), 5);
    // Back to a bitmap, the recorded pixels come back unchanged.
    Image->SetPictureType(picBitmap);
    ASSERT_EQ(Image->PictureType(), picBitmap);
    TBitmap Back = PictureOf(*Image);
    Back.SetPixelFormat(pf24bit);
    EXPECT_TRUE(SamePixels(Back, Original));
}

TEST(KelvoImage, SettingPictureTypeFiresNoEventAndKeepsKind)
{
    auto Image = ImageWith(UniformBitmap(2, 2, 1, 2, 3));
    TEventLog Log(*Image);
    Image->SetPictureType(picNil);
    EXPECT_TRUE(Log.Events.empty());
    EXPECT_EQ(Image->Kind(), "");
}

TEST(OperationProtocol, AFullRunFiresBothEventsAndRequestsARepaint)
{
    auto Image = ImageWith(UniformBitmap(3, 1, 10, 20, 30));
    TEventLog Log(*Image);
    const int Repaints = Image->RepaintRequests();
    Image->Negative();
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Negative", "Amended Negative"}));
    EXPECT_EQ(Image->Kind(), "Negative");
    EXPECT_GT(Image->RepaintRequests(), Repaints);
    EXPECT_EQ(PixelAt(PictureOf(*Image), 2, 0), (std::array<int, 3>{245, 235, 225}));
}

TEST(OperationProtocol, RefusalsFireOnlyOnAmendAndLeaveTheBytes)
{
    const TBitmap Original = MakeRandomBitmap(5, 3, 24, 7);
    auto Image = ImageWith(Original);
    TEventLog Log(*Image);
    Image->Bright(100);
    Image->Light(256);
    Image->Gamma(10.5L);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Bright", "Amend Light", "Amend Gamma"}));
    EXPECT_EQ(Image->Kind(), "Gamma");
    TBitmap Back = PictureOf(*Image);
    Back.SetPixelFormat(pf24bit);
    EXPECT_TRUE(SamePixels(Back, Original));
}

TEST(OperationProtocol, AnEmptyComponentRefusesEveryPixelOperation)
{
    TKelvoImage Image;
    TEventLog Log(Image);
    int Threshold = 7;
    Image.GrayScale();
    Image.BlackAndWhite(-1, Threshold);
    Image.Automatic(1);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend GrayScale", "Amend BlackAndWhite", "Amend Automatic"}));
    EXPECT_EQ(Threshold, 7);
    EXPECT_EQ(Image.Picture().Graphic(), nullptr);
}

TEST(KelvoImage, PictureTypeNamesMetafilesIconsAndJpegPictures)
{
    TKelvoImage Image;
    TEventLog Log(Image);
    Image.Picture().SetGraphic(std::make_unique<TMetafile>());
    EXPECT_EQ(Image.PictureType(), picMetafile);
    Image.Negative();
    Image.Picture().SetGraphic(std::make_unique<TIcon>());
    EXPECT_EQ(Image.PictureType(), picIcon);
    Image.Sepia();
    TJPEGImage Jpeg;
    Jpeg.Assign(UniformBitmap(5, 3, 200, 100, 50));
    Image.Picture().SetGraphic(&Jpeg);
    EXPECT_EQ(Image.PictureType(), picUnknown);
    Image.Bright(50);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Negative", "Amend Sepia", "Amend Bright"}));
}

TEST(KelvoImage, AJpegPictureBecomesABitmapOfItsSize)
{
    TKelvoImage Image;
    TJPEGImage Jpeg;
    Jpeg.Assign(UniformBitmap(5, 3, 200, 100, 50));
    Image.Picture().SetGraphic(&Jpeg);
    Image.SetPictureType(picBitmap);
    ASSERT_EQ(Image.PictureType(), picBitmap);
    TBitmap Bitmap = PictureOf(Image);
    EXPECT_EQ(Bitmap.Width(), 5);
    EXPECT_EQ(Bitmap.Height(), 3);
    Bitmap.SetPixelFormat(pf24bit);
    // JPEG is lossy; a flat colour comes back within a few levels.
    const auto Pixel = PixelAt(Bitmap, 2, 1);
    EXPECT_NEAR(Pixel[0], 200, 4);
    EXPECT_NEAR(Pixel[1], 100, 4);
    EXPECT_NEAR(Pixel[2], 50, 4);
}
