#include "tests/app/FrameTestSupport.h"

#include "engine/KelvoImg.h"
#include "tests/support/TestPictures.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// A window holding an opened Width × Height bitmap.
struct TOpened
{
    TOpened(int Width, int Height) : Original(MakeGradient(Width, Height))
    {
        WriteBitmapFile(Original, Fixture.Folder() / "scene.bmp");
        Fixture.Open(Fixture.Folder() / "scene.bmp");
    }
    TFrameFixture Fixture;
    TBitmap Original;
};

// A press as the window system delivers it to the picture. (QTest's own clicks register a test pointing
// device that outlives the tests' application object and crashes at exit.)
void Click(TFrameFixture& Fixture, Qt::MouseButton Button, int X, int Y, QEvent::Type Type = QEvent::MouseButtonPress)
{
    QWidget& View = Fixture.Control<QWidget>("KelvoImage1");
    const QPointF At(X, Y);
    QMouseEvent Press(Type, At, View.mapToGlobal(At), Button, Button, Qt::NoModifier);
    QCoreApplication::sendEvent(&View, &Press);
}

} // namespace

TEST(FrameZoom, ZeroBecomesTenAndOnlyTheControlChanges)
{
    TOpened Opened(200, 100);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Slide("TrackBar1", 0);
    EXPECT_EQ(Fixture.Control<QSlider>("TrackBar1").value(), 10);
    EXPECT_EQ(Fixture.Control<QLabel>("Label2").text(), QString::fromUtf8("表示倍率 ( 10 % )"));
    EXPECT_EQ(Fixture.Form().KelvoImage1.Width(), 20);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Height(), 10);
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Opened.Original));
    EXPECT_NE(Fixture.Caption().find("  ( 20 × 10 )"), std::string::npos);
}

TEST(FrameZoom, RebaseByPlainStretchingHalvesThePicture)
{
    TOpened Opened(200, 100);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Slide("TrackBar1", 50);
    Fixture.Press("Button1");
    EXPECT_EQ(Fixture.Control<QSlider>("TrackBar1").value(), 100);
    ASSERT_EQ(Fixture.PictureBitmap().Width(), 100);
    EXPECT_EQ(Fixture.PictureBitmap().Height(), 50);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Width(), 100);
    // Nearest neighbour: every pixel is one of the four source pixels it stands for.
    TBitmap Half = Fixture.PictureBitmap();
    Half.SetPixelFormat(pf24bit);
    for (int Y = 0; Y < 50; ++Y)
        for (int X = 0; X < 100; ++X) {
            bool Found = false;
            for (int Dy = 0; Dy < 2; ++Dy)
                for (int Dx = 0; Dx < 2; ++Dx)
                    Found = Found || std::memcmp(Half.ScanLine(Y) + 3 * X,
                                                 Opened.Original.ScanLine(2 * Y + Dy) + 3 * (2 * X + Dx), 3) == 0;
            ASSERT_TRUE(Found) << X << ", " << Y;
        }
}

TEST(FrameZoom, SmoothRebaseShrinksAndEnlargesTheBase)
{
    TOpened Opened(200, 100);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("S1");
    Fixture.Press("Button14"); // not committed: the rebase drops it
    Fixture.Slide("TrackBar1", 50);
    Fixture.Press("Button1");
    TKelvoImage Shrunk;
    Shrunk.Picture().SetGraphic(&Opened.Original);
    Shrunk.Shrink(100, 50);
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), *dynamic_cast<TBitmap*>(Shrunk.Picture().Graphic())));

    Fixture.Slide("TrackBar1", 150);
    Fixture.Press("Button1");
    TKelvoImage Enlarged;
    Enlarged.Picture().SetGraphic(Shrunk.Picture().Graphic());
    Enlarged.Enlarge(150, 75);
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), *dynamic_cast<TBitmap*>(Enlarged.Picture().Graphic())));
    EXPECT_EQ(Fixture.Control<QSlider>("TrackBar1").value(), 100);
}

TEST(FrameTrimming, ShowingAndHidingRestoresEveryPixel)
{
    TOpened Opened(120, 110);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("A1");
    ASSERT_TRUE(Fixture.Control<QAction>("A1").isChecked());
    EXPECT_TRUE(Fixture.Control<QAction>("T1").isEnabled());
    EXPECT_FALSE(SamePixels(Fixture.PictureBitmap(), Opened.Original));
    Fixture.Press("A1");
    EXPECT_FALSE(Fixture.Control<QAction>("T1").isEnabled());
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Opened.Original));
}

TEST(FrameTrimming, ShowingTurnsAJpegIntoABitmap)
{
    TFrameFixture Fixture;
    const auto Corpus = CorpusDir() / "jpeg" / "hopper.jpg";
    if (CorpusDir().empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    Fixture.Open(Corpus);
    ASSERT_EQ(Fixture.Form().KelvoImage1.PictureType(), picUnknown);
    Fixture.Press("A1");
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picBitmap);
    EXPECT_EQ(Fixture.Control<QComboBox>("ComboBox1").currentIndex(), 2);
}

TEST(FrameTrimming, ClicksAtZoom200MoveTheCornerInPicturePixels)
{
    TOpened Opened(400, 300);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("A1");
    Fixture.Slide("TrackBar1", 200);
    ASSERT_TRUE(Fixture.Control<QAction>("A1").isChecked());
    Click(Fixture, Qt::LeftButton, 300, 100);
    EXPECT_EQ(Fixture.Form().TrimRect(), Rect(150, 50, 250, 150));
    EXPECT_EQ(Fixture.Form().DownPoint(), Point(300, 100));
}

TEST(FrameTrimming, ALeftClickNearTheEdgesKeepsTheSizeInside)
{
    TOpened Opened(200, 150);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("A1");
    Click(Fixture, Qt::RightButton, 30, 20);
    ASSERT_EQ(Fixture.Form().TrimRect(), Rect(0, 0, 30, 20));
    Click(Fixture, Qt::LeftButton, 190, 145);
    EXPECT_EQ(Fixture.Form().TrimRect(), Rect(169, 129, 199, 149));
    // Hiding restores the picture wherever the rectangle went.
    Fixture.Press("A1");
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Opened.Original));
}

TEST(FrameTrimming, TheSecondPressOfADoubleClickPlacesTheRectangleToo)
{
    TOpened Opened(200, 100);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("A1");
    Click(Fixture, Qt::RightButton, 50, 40);
    Click(Fixture, Qt::RightButton, 53, 43, QEvent::MouseButtonDblClick);
    EXPECT_EQ(Fixture.Form().TrimRect(), Rect(0, 0, 53, 43));
    Fixture.Press("T1");
    EXPECT_EQ(Fixture.PictureBitmap().Width(), 54);
    EXPECT_EQ(Fixture.PictureBitmap().Height(), 44);
}

TEST(FrameTrimming, IsClampedToTheDisplayedSizeWhenShown)
{
    TOpened Opened(80, 60);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("A1");
    EXPECT_EQ(Fixture.Form().TrimRect(), Rect(0, 0, 79, 59));
    Fixture.Slide("TrackBar1", 50);
    EXPECT_TRUE(Fixture.Control<QAction>("A1").isChecked());
    EXPECT_EQ(Fixture.Form().TrimRect(), Rect(0, 0, 39, 29));
}

TEST(FrameTrimming, ExecutingCropsAndCommits)
{
    TOpened Opened(200, 100);
    TFrameFixture& Fixture = Opened.Fixture;
    Fixture.Press("A1");
    Click(Fixture, Qt::RightButton, 49, 29);
    Click(Fixture, Qt::LeftButton, 10, 10);
    ASSERT_EQ(Fixture.Form().TrimRect(), Rect(10, 10, 59, 39));
    Fixture.Press("T1");
    EXPECT_FALSE(Fixture.Control<QAction>("A1").isChecked());
    ASSERT_EQ(Fixture.PictureBitmap().Width(), 50);
    EXPECT_EQ(Fixture.PictureBitmap().Height(), 30);
    EXPECT_EQ(Fixture.Form().BaseBitmap().Width(), 50);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Width(), 50);
    // The crop's rows are the original's from (10, 10), with the rectangle's pen erased.
    for (int Y = 0; Y < 30; ++Y)
        EXPECT_EQ(0,
                  std::memcmp(Fixture.PictureBitmap().ScanLine(Y), Opened.Original.ScanLine(10 + Y) + 3 * 10, 3 * 50))
            << "row " << Y;
    EXPECT_NE(Fixture.Caption().find("  ( 50 × 30 )"), std::string::npos);
}
