#include "tests/app/FrameTestSupport.h"

#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/Clipboard.h"
#include "platform/system/FileUtils.h"
#include "tests/support/TestPictures.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMimeData>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

TEST(FramePaste, ReloadReadsTheScratchCopyAndCloseRemovesIt)
{
    TFrameFixture Fixture;
    const TBitmap Original = MakeGradient(60, 40);
    WriteBitmapFile(Original, Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Press("Copy1");
    Fixture.Press("Button14");
    Fixture.Slide("TrackBar2", 130);
    Fixture.Control<QSpinBox>("UpDown10").setValue(50);
    Fixture.Press("Paste1");

    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Original));
    EXPECT_EQ(Fixture.Control<QSlider>("TrackBar2").value(), 100);
    EXPECT_EQ(Fixture.Control<QSpinBox>("UpDown10").value(), -1);
    EXPECT_EQ(Fixture.Caption(), "Copied Bitmap  ( 60 × 40 )  -  24 bit Color ( pf24bit - bmDIB )");
    const std::string Scratch = Fixture.Form().PicturePath();
    EXPECT_EQ(std::filesystem::path(Scratch).filename(), "Pixora.bmp");
    ASSERT_TRUE(std::filesystem::exists(Scratch));
    // The save dialog proposes the scratch copy's name.
    Fixture.Save(Fixture.Folder() / "kept.bmp");
    EXPECT_EQ(Fixture.Save(Fixture.Folder() / "kept.bmp"), "Pixora.bmp");

    Fixture.Press("Button14");
    Fixture.Press("O1");
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Original));
    EXPECT_EQ(Fixture.Caption().rfind("Copied Bitmap  ( 60 × 40 )", 0), 0u) << Fixture.Caption();

    Fixture.Form().close();
    EXPECT_FALSE(std::filesystem::exists(Scratch));
    // The opened file is never taken for a scratch copy.
    EXPECT_TRUE(std::filesystem::exists(Fixture.Folder() / "scene.bmp"));
    EXPECT_TRUE(Fixture.Messages().empty());
}

TEST(FramePaste, AJpegIsRecompressedAndComesBackAsAJpeg)
{
    TFrameFixture Fixture;
    TJPEGImage Jpeg;
    Jpeg.Assign(MakeGradient(64, 48));
    std::vector<std::uint8_t> Bytes;
    Jpeg.SaveToStream(Bytes);
    const auto File = Fixture.Folder() / "photo.jpg";
    WriteWholeFile(File.string(), Bytes);
    Fixture.Open(File);
    Fixture.Slide("TrackBar1", 50);
    Fixture.Press("Copy1");
    const std::vector<TClipboardFormat> Offered = ClipboardFormats();
    ASSERT_EQ(Offered.size(), 1u);
    EXPECT_EQ(GetClipboardFormatName(Offered[0]), "JFIF");
    Fixture.Press("Paste1");
    ASSERT_EQ(Fixture.Form().KelvoImage1.PictureType(), picUnknown);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Picture().Width(), 32);
    EXPECT_EQ(Fixture.Caption().rfind("Copied JPEG  ( 32 × 24 )", 0), 0u) << Fixture.Caption();
    EXPECT_EQ(std::filesystem::path(Fixture.Form().PicturePath()).filename(), "Pixora.jpg");
    Fixture.Form().close();
}

TEST(FramePaste, DoesNothingWithoutAPictureOnTheClipboard)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(20, 10), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    QApplication::clipboard()->setText(QStringLiteral("only text"));
    Fixture.Press("Paste1");
    EXPECT_EQ(Fixture.Form().PictureName(), (Fixture.Folder() / "scene.bmp").string());
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 20);
    QApplication::clipboard()->clear();
    Fixture.Press("Paste1");
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 20);
}

TEST(FramePaste, AFileFromAFileManagerOpensAsIfChosen)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(24, 12), Fixture.Folder() / "copied.bmp");
    auto* Data = new QMimeData;
    Data->setUrls({QUrl::fromLocalFile(QString::fromStdString((Fixture.Folder() / "copied.bmp").string()))});
    QApplication::clipboard()->setMimeData(Data);
    Fixture.Press("Paste1");
    EXPECT_EQ(Fixture.Form().PictureName(), (Fixture.Folder() / "copied.bmp").string());
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 24);
    EXPECT_NE(Fixture.Caption().find("KB"), std::string::npos);
}

TEST(FramePaste, ACopiedFileThatIsNoPictureChangesNothing)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(20, 10), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Press("Copy1");
    Fixture.Press("Paste1");
    const std::string Scratch = Fixture.Form().PicturePath();
    const std::string Caption = Fixture.Caption();
    WriteWholeFile((Fixture.Folder() / "notes.txt").string(), std::vector<std::uint8_t>{'h', 'i', '\n'});
    // A picture's extension on bytes that are none is no picture either.
    WriteWholeFile((Fixture.Folder() / "fake.bmp").string(), std::vector<std::uint8_t>{'h', 'i', '\n'});
    for (const char* Name : {"notes.txt", "fake.bmp", "missing.bmp"}) {
        auto* Data = new QMimeData;
        Data->setUrls({QUrl::fromLocalFile(QString::fromStdString((Fixture.Folder() / Name).string()))});
        QApplication::clipboard()->setMimeData(Data);
        Fixture.Press("Paste1");
        EXPECT_EQ(Fixture.PictureBitmap().Width(), 20) << Name;
        EXPECT_EQ(Fixture.Caption(), Caption) << Name;
        EXPECT_EQ(Fixture.Form().PicturePath(), Scratch) << Name;
        EXPECT_TRUE(std::filesystem::exists(Scratch)) << Name;
    }
    EXPECT_TRUE(Fixture.Messages().empty());
    // The reload command still reads the pasted picture.
    Fixture.Press("O1");
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 20);
}

TEST(FrameCopy, OfAnIconIsRefusedWithTheClipboardsMessage)
{
    TFrameFixture Fixture;
    std::string Icon;
    for (const TCorpusEntry& Entry : CorpusEntries("ico"))
        if (Entry.Expectation == "good") Icon = (CorpusDir() / Entry.File).string();
    if (Icon.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    Fixture.Open(Icon);
    Fixture.Press("Copy1");
    ASSERT_EQ(Fixture.Messages().size(), 1u);
    EXPECT_EQ(Fixture.Messages()[0], "クリップボードはアイコンには対応していません");
}

TEST(FrameCopy, ABitmapAtAnotherZoomIsCopiedAtTheDisplayedSize)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(80, 60), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Slide("TrackBar1", 150);
    Fixture.Press("A1");
    Fixture.Press("Copy1");
    // The trimming area comes back after the copy.
    EXPECT_TRUE(Fixture.Control<QAction>("A1").isChecked());
    const std::unique_ptr<TGraphic> Copied = GraphicFromClipboard();
    ASSERT_NE(Copied, nullptr);
    EXPECT_EQ(Copied->Width(), 120);
    EXPECT_EQ(Copied->Height(), 90);
}
