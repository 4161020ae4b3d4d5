#include "tests/app/FrameTestSupport.h"

#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/system/DragMimeData.h"
#include "platform/system/FileUtils.h"
#include "tests/support/DragEvents.h"
#include "tests/support/TestPictures.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// The drags the window starts, answered by a loop that records the data and what ScrollBox1 makes of it.
struct TRecordedDrags
{
    explicit TRecordedDrags(QWidget& Target)
    {
        SetDragLoop([this, &Target](IDataObject* Data, IDropSource*, DWORD OkEffects, DWORD* Effect) {
            ++Count;
            Allowed = OkEffects;
            const TDataObjectMimeData Mime(Data);
            Dragged = QImage::fromData(Mime.data("image/png"), "PNG");
            Types = Mime.formats();
            OwnDropAction = DeliverDrop(Target, Mime, QPoint(40, 40));
            *Effect = DROPEFFECT_NONE;
            return DRAGDROP_S_CANCEL;
        });
    }
    ~TRecordedDrags() { SetDragLoop(nullptr); }
    int Count = 0;
    DWORD Allowed = 0;
    QImage Dragged;
    QStringList Types;
    Qt::DropAction OwnDropAction = Qt::CopyAction;
};

void SendMouse(QWidget& View, QEvent::Type Type, QPoint At, Qt::MouseButtons Buttons,
               Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
{
    QMouseEvent Event(Type, QPointF(At), View.mapToGlobal(QPointF(At)),
                      Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Buttons, Modifiers);
    QApplication::sendEvent(&View, &Event);
}

QByteArray PngOf(const QImage& Image)
{
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "PNG");
    return Bytes;
}

} // namespace

TEST(FrameDrop, APngFromAnotherProgramComesInAsADroppedBitmap)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(30, 20), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Slide("TrackBar2", 130);
    QImage Image(64, 48, QImage::Format_RGB32);
    Image.fill(QColor(200, 40, 90));
    QMimeData Data;
    Data.setData("image/png", PngOf(Image));
    EXPECT_EQ(DeliverDrop(Fixture.Control<QScrollArea>("ScrollBox1"), Data, QPoint(50, 50)), Qt::CopyAction);
    EXPECT_EQ(Fixture.Caption(), "Dropped Bitmap  ( 64 × 48 )  -  24 bit Color ( pf24bit - bmDIB )");
    EXPECT_EQ(Fixture.Control<QSlider>("TrackBar2").value(), 100);
    EXPECT_EQ(Fixture.Control<QSpinBox>("UpDown10").value(), -1);
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 64);
    EXPECT_EQ(Fixture.PictureBitmap().ScanLine(3)[2], 200);
    EXPECT_EQ(std::filesystem::path(Fixture.Form().PicturePath()).filename(), "Pixora.bmp");
    EXPECT_TRUE(Fixture.Messages().empty());
    Fixture.Form().close();
}

// The base and the scratch copy of a dropped bitmap are made side by side; both hold the picture, and
// a scratch copy that cannot be written is reported as it was before.
TEST(FrameDrop, TheBaseAndTheScratchCopyHoldTheDroppedPicture)
{
    TFrameFixture Fixture;
    QImage Image(57, 31, QImage::Format_RGB32);
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X) Image.setPixel(X, Y, qRgb(X * 4, Y * 8, (X * Y) % 256));
    QMimeData Data;
    Data.setData("image/png", PngOf(Image));
    auto& Box = Fixture.Control<QScrollArea>("ScrollBox1");
    EXPECT_EQ(DeliverDrop(Box, Data, QPoint(50, 50)), Qt::CopyAction);
    const TBitmap Dropped = Fixture.PictureBitmap();
    TBitmap Scratch;
    Scratch.LoadFromStream(ReadWholeFile(Fixture.Form().PicturePath()));
    EXPECT_TRUE(SamePixels(Scratch, Dropped));
    Fixture.Slide("TrackBar2", 140);
    EXPECT_FALSE(SamePixels(Fixture.PictureBitmap(), Dropped));
    Fixture.Slide("TrackBar2", 100);
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Dropped));
    EXPECT_TRUE(Fixture.Messages().empty());

    // A folder where the next scratch copy would go.
    const std::string Blocked = Fixture.Form().PicturePath();
    Data.setData("image/png", PngOf(Image.mirrored(true, false)));
    std::filesystem::remove(Blocked);
    std::filesystem::create_directories(std::filesystem::path(Blocked) / "taken");
    DeliverDrop(Box, Data, QPoint(50, 50));
    ASSERT_EQ(Fixture.Messages().size(), 1u);
    EXPECT_EQ(Fixture.Messages()[0], "ファイル " + Blocked + " を作成できません");
    EXPECT_EQ(Fixture.Form().PicturePath(), Blocked);
    EXPECT_EQ(Fixture.PictureBitmap().ScanLine(0)[2], Dropped.ScanLine(0)[(Image.width() - 1) * 3 + 2]);
    Fixture.Slide("TrackBar2", 140);
    Fixture.Slide("TrackBar2", 100);
    EXPECT_EQ(Fixture.PictureBitmap().ScanLine(0)[2], Dropped.ScanLine(0)[(Image.width() - 1) * 3 + 2]);
    std::filesystem::remove_all(Blocked);
    Fixture.Form().close();
}

TEST(FrameDrop, AFileUrlOpensThePictureAndOtherUrlsChangeNothing)
{
    TFrameFixture Fixture;
    const auto File = Fixture.Folder() / "scene.bmp";
    WriteBitmapFile(MakeGradient(30, 20), File);
    auto& Box = Fixture.Control<QScrollArea>("ScrollBox1");
    QMimeData Data;
    Data.setUrls({QUrl::fromLocalFile(QString::fromStdString(File.string()))});
    EXPECT_EQ(DeliverDrop(Box, Data, QPoint(50, 50)), Qt::CopyAction);
    EXPECT_EQ(Fixture.Caption().rfind(File.string(), 0), 0u) << Fixture.Caption();
    EXPECT_EQ(Fixture.Form().PicturePath(), File.string());

    const std::string Before = Fixture.Caption();
    for (const QUrl& Url : {QUrl::fromLocalFile(QString::fromStdString(Fixture.Folder().string())),
                            QUrl("https://example.org/scene.png"), QUrl::fromLocalFile("/dev/zero")}) {
        QMimeData Other;
        Other.setUrls({Url});
        EXPECT_EQ(DeliverHover(Box, Other, QPoint(50, 50)), Qt::IgnoreAction) << Url.toString().toStdString();
        EXPECT_EQ(DeliverDrop(Box, Other, QPoint(50, 50)), Qt::IgnoreAction);
    }
    EXPECT_EQ(Fixture.Caption(), Before);
    EXPECT_TRUE(Fixture.Messages().empty());
}

TEST(FrameDrag, StartsPastTheThresholdWithTheLeftButtonAlone)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(80, 60), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    auto& View = Fixture.Control<QWidget>("KelvoImage1");
    TRecordedDrags Drags(Fixture.Control<QScrollArea>("ScrollBox1"));
    SendMouse(View, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton);
    SendMouse(View, QEvent::MouseMove, QPoint(14, 14), Qt::LeftButton);
    EXPECT_EQ(Drags.Count, 0);
    SendMouse(View, QEvent::MouseMove, QPoint(15, 14), Qt::LeftButton, Qt::ShiftModifier);
    SendMouse(View, QEvent::MouseMove, QPoint(15, 14), Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(Drags.Count, 0);
    SendMouse(View, QEvent::MouseMove, QPoint(10, 5), Qt::LeftButton);
    ASSERT_EQ(Drags.Count, 1);
    EXPECT_EQ(Drags.Allowed, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    // The window's own picture is refused while its drag runs, and taken again afterwards.
    EXPECT_EQ(Drags.OwnDropAction, Qt::IgnoreAction);
    EXPECT_EQ(Fixture.Form().DropPictureTarget1->Dragtypes, AllDragTypes);
    EXPECT_EQ(Drags.Dragged.size(), QSize(80, 60));
    EXPECT_EQ(Fixture.Form().DropBMPSource1->Bitmap().Width(), 80);
    EXPECT_TRUE(Drags.Types.contains("text/uri-list"));
}

TEST(FrameDrag, DragsTheDisplayedSizeAndAMetafileAtFullSizeUnchanged)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(80, 60), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Slide("TrackBar1", 50);
    auto& View = Fixture.Control<QWidget>("KelvoImage1");
    TRecordedDrags Drags(Fixture.Control<QScrollArea>("ScrollBox1"));
    SendMouse(View, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    SendMouse(View, QEvent::MouseMove, QPoint(20, 2), Qt::LeftButton);
    EXPECT_EQ(Drags.Dragged.size(), QSize(40, 30));

    TMetafile Metafile;
    Metafile.SetWidth(50);
    Metafile.SetHeight(40);
    {
        TMetafileCanvas Canvas(Metafile);
        Canvas.Brush = TBrush{clRed, bsSolid};
        Canvas.Rectangle(0, 0, 50, 40);
    }
    std::vector<std::uint8_t> Bytes;
    Metafile.SaveToStream(Bytes);
    WriteWholeFile((Fixture.Folder() / "shape.emf").string(), Bytes);
    Fixture.Open(Fixture.Folder() / "shape.emf");
    Fixture.Slide("TrackBar1", 100);
    SendMouse(View, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    SendMouse(View, QEvent::MouseMove, QPoint(20, 2), Qt::LeftButton);
    ASSERT_EQ(Drags.Count, 2);
    const auto* Shown = dynamic_cast<const TMetafile*>(Fixture.Form().KelvoImage1.Picture().Graphic());
    ASSERT_NE(Shown, nullptr);
    const auto Dragged = Fixture.Form().DropMetaSource1->Metafile().EmfBytes();
    EXPECT_TRUE(std::equal(Dragged.begin(), Dragged.end(), Shown->EmfBytes().begin(), Shown->EmfBytes().end()));
    EXPECT_TRUE(Drags.Types.contains("image/x-emf"));
}
