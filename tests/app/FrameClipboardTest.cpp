#include "tests/app/FrameTestSupport.h"

#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/Clipboard.h"
#include "platform/system/FileUtils.h"
#include "tests/support/TestPictures.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
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

namespace {

// The image/png data the clipboard offers other programs, decoded by the toolkit.
QImage PublishedPng()
{
    const QMimeData* Published = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(Published->formats().contains("image/png")) << Published->formats().join(", ").toStdString();
    return QImage::fromData(Published->data("image/png"), "PNG").convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(FrameCopy, AJpegIsOfferedAsPngTooShowingWhatTheJpegShows)
{
    TFrameFixture Fixture;
    TJPEGImage Jpeg;
    Jpeg.Assign(MakeGradient(64, 48));
    std::vector<std::uint8_t> Bytes;
    Jpeg.SaveToStream(Bytes);
    WriteWholeFile((Fixture.Folder() / "photo.jpg").string(), Bytes);
    Fixture.Open(Fixture.Folder() / "photo.jpg");
    Fixture.Slide("TrackBar1", 50);
    Fixture.Press("Copy1");
    const QMimeData* Published = QApplication::clipboard()->mimeData();
    EXPECT_EQ(Published->formats(), (QStringList{"image/jpeg", "image/png"}));
    const QImage Png = PublishedPng();
    const QImage FromJpeg =
        QImage::fromData(Published->data("image/jpeg"), "JPEG").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(Png.size(), QSize(32, 24));
    ASSERT_EQ(FromJpeg.size(), QSize(32, 24));
    // The PNG holds the decoded JPEG data; two decoders may round a level apart.
    for (int Y = 0; Y < 24; ++Y)
        for (int X = 0; X < 32; ++X) {
            const QRgb A = Png.pixel(X, Y);
            const QRgb B = FromJpeg.pixel(X, Y);
            ASSERT_LE(std::abs(qRed(A) - qRed(B)) + std::abs(qGreen(A) - qGreen(B)) + std::abs(qBlue(A) - qBlue(B)), 6)
                << X << ", " << Y;
        }
    // This program still pastes the JPEG data.
    EXPECT_EQ(GetClipboardFormatName(ClipboardFormats().front()), "JFIF");
}

TEST(FrameCopy, AMetafileIsOfferedAsPngTooAtTheDisplayedSize)
{
    TFrameFixture Fixture;
    // Red on the left half, blue on the right.
    TMetafile Metafile;
    Metafile.SetWidth(80);
    Metafile.SetHeight(60);
    {
        TMetafileCanvas Canvas(Metafile);
        Canvas.Brush.Color = clRed;
        Canvas.FillRect(Rect(0, 0, 40, 60));
        Canvas.Brush.Color = clBlue;
        Canvas.FillRect(Rect(40, 0, 80, 60));
    }
    std::vector<std::uint8_t> Bytes;
    Metafile.SaveToStream(Bytes);
    WriteWholeFile((Fixture.Folder() / "chart.emf").string(), Bytes);
    Fixture.Open(Fixture.Folder() / "chart.emf");
    for (const int Zoom : {100, 50}) {
        Fixture.Slide("TrackBar1", Zoom);
        Fixture.Press("Copy1");
        EXPECT_EQ(QApplication::clipboard()->mimeData()->formats(),
                  (QStringList{"image/x-emf", "image/x-wmf", "image/png"}));
        const QImage Png = PublishedPng();
        const int Width = Fixture.Form().KelvoImage1.Width();
        const int Height = Fixture.Form().KelvoImage1.Height();
        ASSERT_EQ(Png.size(), QSize(Width, Height)) << Zoom;
        EXPECT_EQ(Png.pixel(Width / 4, Height / 2), qRgb(255, 0, 0)) << Zoom;
        EXPECT_EQ(Png.pixel(Width * 3 / 4, Height / 2), qRgb(0, 0, 255)) << Zoom;
    }
    EXPECT_TRUE(Fixture.Messages().empty());
}
