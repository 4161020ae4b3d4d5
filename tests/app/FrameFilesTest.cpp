#include "tests/app/FrameTestSupport.h"

#include "app/FrameRules.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"
#include "platform/system/FileUtils.h"
#include "tests/support/ExifFiles.h"
#include "tests/support/ExifSample.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestPictures.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QImageReader>
#include <QSlider>
#include <QWheelEvent>
#include <cctype>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// The size of the picture a file holds.
TSize PictureSizeIn(const std::filesystem::path& File)
{
    TPicture Picture;
    Picture.LoadFromFile(File.string());
    return TSize{Picture.Width(), Picture.Height()};
}

// The extension of Name with its dot, in lower case.
std::string LowerCaseExtension(const std::string& Name)
{
    std::string Extension = ExtractFileExt(Name);
    for (char& C : Extension) C = char(std::tolower(static_cast<unsigned char>(C)));
    return Extension;
}

} // namespace

TEST(ZoomRule, OpensLargePicturesAtTheLargestTenthThatFits)
{
    EXPECT_EQ(ZoomForPictureSize(2048, 100), 50);
    EXPECT_EQ(ZoomForPictureSize(100, 3000), 30);
    EXPECT_EQ(ZoomForPictureSize(20000, 20), 10);
    EXPECT_EQ(ZoomForPictureSize(1024, 1024), 100);
    EXPECT_EQ(ZoomForPictureSize(1025, 10), 90);
}

TEST(ZoomRule, SizesTheControlOfAnOpenedPicture)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(2048, 100), Fixture.Folder() / "long.bmp");
    Fixture.Open(Fixture.Folder() / "long.bmp");
    EXPECT_EQ(Fixture.Control<QSlider>("TrackBar1").value(), 50);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Width(), 1024);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Height(), 50);
    EXPECT_NE(Fixture.Caption().find("  ( 1024 × 50 )"), std::string::npos) << Fixture.Caption();
}

TEST(FileSize, RoundsToWholeKilobytes)
{
    EXPECT_EQ(FileSizeInKB(0), 0u);
    EXPECT_EQ(FileSizeInKB(1), 1u);
    EXPECT_EQ(FileSizeInKB(1023), 1u);
    EXPECT_EQ(FileSizeInKB(1535), 1u);
    EXPECT_EQ(FileSizeInKB(1536), 2u);
    EXPECT_EQ(FileSizeInKB(2048), 2u);
}

TEST(FileSize, AppearsInTheCaptionOfAnOpenedFile)
{
    TFrameFixture Fixture;
    // 16 × 16 at 24 bits: 54 bytes of headers and 768 of pixels, under 1 KB.
    WriteBitmapFile(MakeGradient(16, 16), Fixture.Folder() / "tiny.bmp");
    Fixture.Open(Fixture.Folder() / "tiny.bmp");
    EXPECT_EQ(Fixture.Caption().rfind((Fixture.Folder() / "tiny.bmp").string() + "  1KB  ( 16 × 16 )", 0), 0u)
        << Fixture.Caption();
}

TEST(FrameSave, WritesTheNamedFormatsAtTheDisplayedSize)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(400, 300), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Slide("TrackBar1", 50);
    for (const char* Name : {"half.bmp", "half.BMP", "half.jpg", "half.Jpeg", "half.png", "half.emf", "half.wmf"}) {
        const auto File = Fixture.Folder() / Name;
        EXPECT_EQ(Fixture.Save(File), "scene.bmp");
        const std::string Loadable = std::string("half") + LowerCaseExtension(Name);
        std::filesystem::rename(File, Fixture.Folder() / Loadable);
        const TSize Size = PictureSizeIn(Fixture.Folder() / Loadable);
        EXPECT_NEAR(Size.cx, 200, std::string(Name).find("mf") != std::string::npos ? 1 : 0) << Name;
        EXPECT_NEAR(Size.cy, 150, std::string(Name).find("mf") != std::string::npos ? 1 : 0) << Name;
    }
    EXPECT_EQ(Fixture.Form().SaveDir(), Fixture.Folder().string());
    EXPECT_TRUE(Fixture.Messages().empty());
}

TEST(FrameSave, WritesOtherNamesInThePicturesOwnFormatAndSize)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(400, 300), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Slide("TrackBar1", 50);
    for (const char* Name : {"own.dat", "own"}) {
        Fixture.Save(Fixture.Folder() / Name);
        std::filesystem::rename(Fixture.Folder() / Name, Fixture.Folder() / "own.bmp");
        EXPECT_EQ(PictureSizeIn(Fixture.Folder() / "own.bmp"), (TSize{400, 300})) << Name;
    }
    // Saving changes neither the picture nor its names.
    EXPECT_EQ(Fixture.Form().PictureName(), (Fixture.Folder() / "scene.bmp").string());
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 400);
}

TEST(FrameSave, AFailedSaveKeepsTheSaveFolder)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(20, 20), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Save(Fixture.Folder() / "missing" / "out.bmp");
    ASSERT_EQ(Fixture.Messages().size(), 1u);
    EXPECT_NE(Fixture.Messages()[0].find("を作成できません"), std::string::npos) << Fixture.Messages()[0];
    EXPECT_EQ(Fixture.Form().SaveDir(), "");
}

TEST(GraphicTypeBox, ConvertsBetweenKindsButNeverToIconsOrOthers)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(40, 30), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    auto& Box = Fixture.Control<QComboBox>("ComboBox1");
    for (int Refused : {4, 5}) {
        Fixture.Choose("ComboBox1", Refused);
        EXPECT_EQ(Box.currentIndex(), 2);
        EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picBitmap);
    }
    Fixture.Choose("ComboBox1", 3);
    ASSERT_EQ(Fixture.Form().KelvoImage1.PictureType(), picMetafile);
    const auto* Metafile = dynamic_cast<const TMetafile*>(Fixture.Form().KelvoImage1.Picture().Graphic());
    EXPECT_NE(Metafile->Inch(), 0);
    EXPECT_NEAR(Metafile->Width(), 40, 1);
    Fixture.Choose("ComboBox1", 1);
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picUnknown);
    EXPECT_EQ(Box.currentIndex(), 1);

    Fixture.Choose("ComboBox1", 0);
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picNil);
    EXPECT_EQ(Fixture.Caption(), "Pixora");
    // With the picture emptied there is nothing to reload, and nothing to convert.
    Fixture.Press("O1");
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picNil);
    Fixture.Choose("ComboBox1", 2);
    EXPECT_EQ(Box.currentIndex(), 0);
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picNil);
}

TEST(GraphicTypeBox, TheWheelOverTheBoxesChoosesNothing)
{
    TFrameFixture Fixture;
    const TBitmap Original = MakeGradient(40, 30);
    WriteBitmapFile(Original, Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    for (const char* Name : {"ComboBox1", "ComboBox2", "ComboBox3"}) {
        auto& Box = Fixture.Control<QComboBox>(Name);
        const int Before = Box.currentIndex();
        for (const int Notch : {-120, -120, -120, 120}) {
            QWheelEvent Wheel(QPointF(5, 5), Box.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, Notch), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&Box, &Wheel);
        }
        EXPECT_EQ(Box.currentIndex(), Before) << Name;
        EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picBitmap) << Name;
        EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Original)) << Name;
    }
    EXPECT_NE(Fixture.Form().PicturePath(), "");
}

TEST(FrameReload, ReadsTheOpenedFileAgain)
{
    TFrameFixture Fixture;
    const TBitmap Original = MakeGradient(40, 30);
    WriteBitmapFile(Original, Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Press("Button14");
    Fixture.Press("Button2");
    Fixture.Slide("TrackBar1", 150);
    Fixture.Press("O1");
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Original));
    EXPECT_EQ(Fixture.Control<QSlider>("TrackBar1").value(), 100);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Width(), 40);
}

TEST(FrameSave, AJpegFileSavedFromAPhotographKeepsItsExifUprightAtTheSavedSize)
{
    TFrameFixture Fixture;
    // A photograph stored 40 × 30 and turned by its orientation 6 to be shown 30 × 40.
    TJPEGImage Stored;
    Stored.Assign(MakeGradient(40, 30));
    std::vector<std::uint8_t> Encoded;
    Stored.SaveToStream(Encoded);
    const TExifSample Camera = MakeExifSample(false, 6, 40, 30);
    const auto Photo = WithApp1(Encoded, Camera.Payload);
    std::ofstream(Fixture.Folder() / "photo.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(Photo.data()), std::streamsize(Photo.size()));
    Fixture.Open(Fixture.Folder() / "photo.jpg");
    Fixture.Slide("TrackBar1", 50);
    Fixture.Press("Button6"); // Blur: the picture becomes a bitmap, no longer the file's JPEG data
    Fixture.Save(Fixture.Folder() / "saved.jpg");
    const auto Saved = ReadFileBytes(Fixture.Folder() / "saved.jpg");
    TExifSample Expected = MakeExifSample(false, 1, 15, 20);
    EXPECT_EQ(App1ExifOf(Saved), Expected.Payload);
    QImageReader Reader(QString::fromStdString((Fixture.Folder() / "saved.jpg").string()));
    EXPECT_EQ(Reader.transformation(), QImageIOHandler::TransformationNone);
    EXPECT_EQ(Reader.size(), QSize(15, 20));
    // A picture from a file without EXIF saves without it.
    WriteBitmapFile(MakeGradient(20, 10), Fixture.Folder() / "plain.bmp");
    Fixture.Open(Fixture.Folder() / "plain.bmp");
    Fixture.Save(Fixture.Folder() / "plain.jpg");
    EXPECT_TRUE(App1ExifOf(ReadFileBytes(Fixture.Folder() / "plain.jpg")).empty());
    EXPECT_TRUE(Fixture.Messages().empty());
}

TEST(FrameSave, AJpegFileSavedFromAWebPOrHeifPhotographKeepsItsExif)
{
    if (!HaveTool("cwebp") || !HaveTool("webpmux") || !HaveTool("heif-enc"))
        GTEST_SKIP() << "cwebp, webpmux or heif-enc is missing";
    TFrameFixture Fixture;
    // The WebP file is turned by its orientation 6 to be shown 30 x 40; the HEIF file is not.
    const TExifSample Camera = MakeExifSample(true, 6, 40, 30);
    const struct
    {
        std::string Name;
        std::vector<std::uint8_t> File;
        int Width, Height;
    } Photos[] = {
        {"photo.webp", MakeWebPWithExif(MakeGradient(40, 30), Camera.Payload, Fixture.Folder()), 30, 40},
        {"photo.heic", MakeHeifWithExif(MakeGradient(40, 30), Camera.Payload, false, Fixture.Folder()), 40, 30}};
    for (const auto& Photo : Photos) {
        SCOPED_TRACE(Photo.Name);
        ASSERT_FALSE(Photo.File.empty());
        WriteWholeFile((Fixture.Folder() / Photo.Name).string(), Photo.File);
        Fixture.Open(Fixture.Folder() / Photo.Name);
        Fixture.Save(Fixture.Folder() / "saved.jpg");
        EXPECT_EQ(App1ExifOf(ReadFileBytes(Fixture.Folder() / "saved.jpg")),
                  MakeExifSample(true, 1, Photo.Width, Photo.Height).Payload);
    }
    EXPECT_TRUE(Fixture.Messages().empty());
}
