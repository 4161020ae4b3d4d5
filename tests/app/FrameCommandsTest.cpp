#include "tests/app/FrameTestSupport.h"

#include "engine/KelvoImg.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/system/FileUtils.h"
#include "tests/support/TestPictures.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

// The bitmap an engine component makes of Source by Operation, apart from the window.
template <class TOperation> TBitmap Operated(const TBitmap& Source, TOperation Operation)
{
    TKelvoImage Image;
    Image.Picture().SetGraphic(&Source);
    Operation(Image);
    return *dynamic_cast<TBitmap*>(Image.Picture().Graphic());
}

// A window holding an opened 40 × 30 bitmap.
struct TOpenedGradient
{
    TOpenedGradient()
    {
        WriteBitmapFile(Original, Fixture.Folder() / "gradient.bmp");
        Fixture.Open(Fixture.Folder() / "gradient.bmp");
    }
    TFrameFixture Fixture;
    TBitmap Original = MakeGradient(40, 30);
};

} // namespace

TEST(FrameCommands, DoNothingWithoutAPicture)
{
    TFrameFixture Fixture;
    for (const char* Name : {"Button3", "Button6", "Button11", "Button15", "Button2", "U1", "O1", "N901", "R1",
                             "Octree2561", "PixelFormat2561", "Save1", "Button1"})
        Fixture.Press(Name);
    Fixture.Slide("TrackBar2", 120);
    EXPECT_EQ(Fixture.Control<QLabel>("Label3").text(), QString::fromUtf8("明るさ ( 120 % )"));
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picNil);
    EXPECT_EQ(Fixture.Caption(), "Pixora");
    EXPECT_TRUE(Fixture.Messages().empty());
}

TEST(FrameCommands, UndoAfterBlurReturnsToTheBase)
{
    TOpenedGradient Opened;
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("Button6");
    const TBitmap Blurred = Operated(Opened.Original, [](TKelvoImage& Image) { Image.Blur(); });
    ASSERT_TRUE(SamePixels(Fixture.PictureBitmap(), Blurred));
    ASSERT_FALSE(SamePixels(Blurred, Opened.Original));
    Fixture.Press("U1");
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Opened.Original));
    // One level only: a second undo changes nothing further.
    Fixture.Press("U1");
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Opened.Original));
}

TEST(FrameCommands, ASliderAfterBlurStartsFromTheBase)
{
    TOpenedGradient Opened;
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("Button6");
    Fixture.Slide("TrackBar2", 120);
    const TBitmap Brightened = Operated(Opened.Original, [](TKelvoImage& Image) { Image.Bright(120); });
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Brightened));
    EXPECT_EQ(Fixture.Control<QLabel>("Label3").text(), QString::fromUtf8("明るさ ( 120 % )"));
}

TEST(FrameCommands, ASliderAfterBlurAndOkKeepsTheBlur)
{
    TOpenedGradient Opened;
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("Button6");
    Fixture.Press("Button2");
    const TBitmap Blurred = Operated(Opened.Original, [](TKelvoImage& Image) { Image.Blur(); });
    EXPECT_TRUE(SamePixels(Fixture.Form().BaseBitmap(), Blurred));
    Fixture.Slide("TrackBar2", 120);
    const TBitmap Expected = Operated(Blurred, [](TKelvoImage& Image) { Image.Bright(120); });
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Expected));
}

TEST(FrameCommands, OkReturnsTheSlidersToNeutralWithoutChangingThePicture)
{
    TOpenedGradient Opened;
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Slide("TrackBar2", 130);
    Fixture.Slide("TrackBar3", 80);
    Fixture.Slide("TrackBar4", -30);
    Fixture.Slide("TrackBar5", -40);
    EXPECT_EQ(Fixture.Control<QLabel>("Label7").text(), QString::fromUtf8("ガンマ値 ( 0.32 )"));
    EXPECT_EQ(Fixture.Control<QLabel>("Label9").text(), QString::fromUtf8("輝度 ( -40 )"));
    const TBitmap Adjusted = Fixture.PictureBitmap();
    Fixture.Press("Button2");
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Adjusted));
    EXPECT_TRUE(SamePixels(Fixture.Form().BaseBitmap(), Adjusted));
    EXPECT_EQ(Fixture.Control<QLabel>("Label3").text(), QString::fromUtf8("明るさ ( 100 % )"));
    EXPECT_EQ(Fixture.Control<QLabel>("Label5").text(), QString::fromUtf8("コントラスト ( 100 % )"));
    EXPECT_EQ(Fixture.Control<QLabel>("Label7").text(), QString::fromUtf8("ガンマ値 ( 1.00 )"));
    EXPECT_EQ(Fixture.Control<QLabel>("Label9").text(), QString::fromUtf8("輝度 ( +0 )"));
}

TEST(FrameCommands, BlackAndWhiteLeavesTheChosenThresholdOnlyWhenAskedToChoose)
{
    TOpenedGradient Opened;
    TFrameFixture& Fixture = Opened.Fixture;
    auto& Threshold = Fixture.Control<QSpinBox>("UpDown10");
    Fixture.Press("Button15");
    EXPECT_NE(Threshold.value(), -1);
    Fixture.Press("U1");
    Threshold.setValue(77);
    Fixture.Press("Button15");
    EXPECT_EQ(Threshold.value(), 77);
    // Reloading asks again.
    Fixture.Press("O1");
    EXPECT_EQ(Threshold.value(), -1);
}

TEST(FrameCommands, ReductionCommitsAnEightBitPicture)
{
    TOpenedGradient Opened;
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("MedianCut2561");
    EXPECT_EQ(Fixture.PictureBitmap().PixelFormat(), pf8bit);
    EXPECT_EQ(Fixture.Form().BaseBitmap().PixelFormat(), pf8bit);
    EXPECT_EQ(Fixture.Control<QComboBox>("ComboBox2").currentIndex(), 3);
    Fixture.Press("U1");
    EXPECT_EQ(Fixture.PictureBitmap().PixelFormat(), pf8bit);
}

TEST(FrameCommands, PixelFormatReductionConvertsToEightBits)
{
    TOpenedGradient Opened;
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("PixelFormat2561");
    EXPECT_EQ(Fixture.PictureBitmap().PixelFormat(), pf8bit);
    EXPECT_NE(Fixture.Caption().find("  -  8 bit Color ( pf8bit - bmDIB )"), std::string::npos) << Fixture.Caption();
}

TEST(FrameCommands, RotationAtHalfSizeSwapsTheDisplayedSize)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(300, 200), Fixture.Folder() / "wide.bmp");
    Fixture.Open(Fixture.Folder() / "wide.bmp");
    Fixture.Slide("TrackBar1", 50);
    ASSERT_EQ(Fixture.Form().KelvoImage1.Width(), 150);
    Fixture.Press("N901");
    EXPECT_EQ(Fixture.Form().KelvoImage1.Width(), 100);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Height(), 150);
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 200);
    EXPECT_EQ(Fixture.PictureBitmap().Height(), 300);
    EXPECT_TRUE(Fixture.Form().KelvoImage1.Stretch());
}

TEST(FrameCommands, IconsAreLeftAloneButTheLabelsMove)
{
    TFrameFixture Fixture;
    const auto Corpus = CorpusEntries("ico");
    if (Corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    std::string Icon;
    for (const TCorpusEntry& Entry : Corpus)
        if (Entry.Expectation == "good") Icon = (CorpusDir() / Entry.File).string();
    ASSERT_FALSE(Icon.empty());
    Fixture.Open(Icon);
    ASSERT_EQ(Fixture.Form().KelvoImage1.PictureType(), picIcon);
    Fixture.Press("Button6");
    Fixture.Press("N901");
    Fixture.Slide("TrackBar2", 120);
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picIcon);
    EXPECT_EQ(Fixture.Control<QLabel>("Label3").text(), QString::fromUtf8("明るさ ( 120 % )"));
}

TEST(FrameCommands, ErrorsAreShownAndTheWindowCarriesOn)
{
    TFrameFixture Fixture;
    const auto Unknown = Fixture.Folder() / "notes.xyz";
    WriteWholeFile(Unknown.string(), std::vector<std::uint8_t>{1, 2, 3});
    Fixture.Open(Unknown);
    ASSERT_EQ(Fixture.Messages().size(), 1u);
    EXPECT_EQ(Fixture.Messages()[0], "拡張子 .xyz の画像形式は処理できません");
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picNil);
    EXPECT_FALSE(Fixture.Form().KelvoImage1.Stretch());

    WriteBitmapFile(MakeGradient(8, 8), Fixture.Folder() / "small.bmp");
    Fixture.Open(Fixture.Folder() / "small.bmp");
    Fixture.Choose("ComboBox2", 8);
    ASSERT_EQ(Fixture.Messages().size(), 2u);
    EXPECT_EQ(Fixture.Messages()[1], "画像フォーマットが不正です");
}

TEST(FrameCommands, PixelFormatAndHandleTypeBoxesConvertOnlyBitmaps)
{
    TOpenedGradient Opened;
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Choose("ComboBox2", 5);
    EXPECT_EQ(Fixture.PictureBitmap().PixelFormat(), pf16bit);
    Fixture.Choose("ComboBox3", 1);
    EXPECT_EQ(Fixture.PictureBitmap().HandleType(), bmDDB);
    EXPECT_NE(Fixture.Caption().find("bmDDB )"), std::string::npos);
    // Neither box touches the base.
    EXPECT_EQ(Fixture.Form().BaseBitmap().PixelFormat(), pf24bit);
}

TEST(FrameCaption, OfAnOpenedJpegNamesPathSizeDimensionsAndFormat)
{
    TFrameFixture Fixture;
    // A smooth picture compresses well below 35 KB.
    TBitmap Smooth;
    Smooth.SetLayout(640, 480, 24);
    for (int Y = 0; Y < 480; ++Y)
        for (int X = 0; X < 640; ++X) {
            Smooth.ScanLine(Y)[3 * X] = std::uint8_t(X / 3);
            Smooth.ScanLine(Y)[3 * X + 1] = std::uint8_t(Y / 2);
            Smooth.ScanLine(Y)[3 * X + 2] = 128;
        }
    TJPEGImage Jpeg;
    Jpeg.Assign(Smooth);
    std::vector<std::uint8_t> Bytes;
    Jpeg.SaveToStream(Bytes);
    // The decoder ignores what follows the image; 35 KB and 100 bytes round to 35.
    ASSERT_LT(Bytes.size(), 35u * 1024);
    Bytes.resize(35 * 1024 + 100, 0);
    const auto File = Fixture.Folder() / "photo.jpg";
    WriteWholeFile(File.string(), Bytes);
    Fixture.Open(File);
    EXPECT_EQ(Fixture.Caption(), File.string() + "  35KB  ( 640 × 480 )  -  24 bit Color ( pf24bit - bmDIB )");
    EXPECT_EQ(Fixture.Control<QComboBox>("ComboBox1").currentIndex(), 1);
    EXPECT_EQ(Fixture.Form().OpenDir(), Fixture.Folder().string());
    // Still a JPEG picture: undo does nothing, the first slider movement makes it a bitmap.
    Fixture.Press("U1");
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picUnknown);
    Fixture.Slide("TrackBar3", 110);
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picBitmap);
}

TEST(FrameCommands, WorkOnAPictureWithTransparencyAsItShowsOnWhite)
{
    TFrameFixture Fixture;
    // Two pixels: transparent but storing green, and opaque blue-grey.
    TBitmap Source;
    Source.SetLayout(2, 1, 32);
    const std::uint8_t Pixels[8] = {0, 200, 0, 0, 90, 60, 30, 255};
    std::copy(Pixels, Pixels + 8, Source.ScanLine(0));
    std::vector<std::uint8_t> Png;
    WritePng(Source, Png);
    WriteWholeFile((Fixture.Folder() / "clear.png").string(), Png);
    Fixture.Open(Fixture.Folder() / "clear.png");
    Fixture.Press("Button14");
    const TBitmap& Negative = Fixture.PictureBitmap();
    ASSERT_EQ(Negative.BitCount(), 24);
    const std::uint8_t* Row = Negative.ScanLine(0);
    EXPECT_EQ(std::vector<int>(Row, Row + 6), (std::vector<int>{0, 0, 0, 165, 195, 225}));
}
