#include "tests/app/FrameTestSupport.h"

#include "app/Histgram.h"
#include "platform/graphics/Metafile.h"

#include <QAction>
#include <gtest/gtest.h>

namespace {

// The records of the drawing the histogram window shows.
std::vector<std::uint8_t> Drawing(TForm2& Window)
{
    const auto* Metafile = dynamic_cast<const TMetafile*>(Window.Image1.Picture().Graphic());
    if (Metafile == nullptr) return {};
    return {Metafile->EmfBytes().begin(), Metafile->EmfBytes().end()};
}

} // namespace

TEST(FrameHistogram, FollowsPictureChangesButNotZooms)
{
    TFrameFixture Fixture;
    TForm2& Window = *Fixture.Form().Form2;
    Fixture.Press("H1");
    ASSERT_TRUE(Window.isVisible());
    EXPECT_TRUE(Fixture.Control<QAction>("H1").isChecked());
    // With no picture it shows the empty picture's drawing.
    EXPECT_FALSE(Drawing(Window).empty());

    WriteBitmapFile(MakeGradient(64, 32), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    const std::vector<std::uint8_t> Opened = Drawing(Window);
    Fixture.Press("Button14");
    const std::vector<std::uint8_t> Negative = Drawing(Window);
    EXPECT_NE(Negative, Opened);
    const int Requests = Window.Image1.RepaintRequests();
    Fixture.Slide("TrackBar1", 150);
    Fixture.Press("N1801");
    EXPECT_EQ(Window.Image1.RepaintRequests(), Requests);
    // The trimming rectangle is not counted: a slider moved while it is shown redraws the histogram
    // as it is without it.
    Fixture.Press("A1");
    Fixture.Slide("TrackBar2", 120);
    ASSERT_TRUE(Fixture.Control<QAction>("A1").isChecked());
    const std::vector<std::uint8_t> WithArea = Drawing(Window);
    Fixture.Press("A1");
    Fixture.Slide("TrackBar2", 122);
    Fixture.Slide("TrackBar2", 120);
    EXPECT_EQ(Drawing(Window), WithArea);
}

TEST(FrameHistogram, ItsCloseBoxUnchecksTheItemAndTheNextStartRemembers)
{
    TFrameFixture Fixture;
    Fixture.Press("H1");
    Fixture.Form().Form2->close();
    EXPECT_FALSE(Fixture.Control<QAction>("H1").isChecked());
    Fixture.Restart();
    EXPECT_FALSE(Fixture.Form().Form2->isVisible());

    Fixture.Press("H1");
    Fixture.Form().Form2->move(300, 200);
    Fixture.Restart();
    EXPECT_TRUE(Fixture.Form().Form2->isVisible());
    EXPECT_TRUE(Fixture.Control<QAction>("H1").isChecked());
    // Closing the main window takes the histogram window with it.
    Fixture.Form().close();
    EXPECT_FALSE(Fixture.Form().Form2->isVisible());
}
