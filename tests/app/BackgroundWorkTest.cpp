#include "app/BackgroundWork.h"
#include "platform/system/Exceptions.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace {

// The override cursor's shape at this moment, or nothing when no cursor overrides the windows'.
std::optional<Qt::CursorShape> OverrideShape()
{
    const QCursor* Cursor = QGuiApplication::overrideCursor();
    if (Cursor == nullptr) return std::nullopt;
    return Cursor->shape();
}

void ProcessEventsFor(int Milliseconds)
{
    QElapsedTimer Clock;
    Clock.start();
    while (Clock.elapsed() < Milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(BackgroundWork, LongWorkShowsTheBusyCursorFromAThirdOfASecondUntilItEnds)
{
    EnsureApplication();
    std::optional<Qt::CursorShape> Early = Qt::ArrowCursor;
    std::optional<Qt::CursorShape> Late;
    // The timers fire in the loop that waits for the work.
    QTimer::singleShot(150, [&] { Early = OverrideShape(); });
    QTimer::singleShot(600, [&] { Late = OverrideShape(); });
    std::thread::id WorkThread;
    RunOffInterfaceThread([&WorkThread] {
        WorkThread = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
    });
    EXPECT_EQ(Early, std::nullopt);
    EXPECT_EQ(Late, Qt::WaitCursor);
    EXPECT_EQ(OverrideShape(), std::nullopt);
    EXPECT_NE(WorkThread, std::this_thread::get_id());
}

TEST(BackgroundWork, QuickWorkNeverShowsTheBusyCursor)
{
    EnsureApplication();
    int Sum = 0;
    RunOffInterfaceThread([&Sum] {
        for (int I = 1; I <= 100; ++I) Sum += I;
    });
    EXPECT_EQ(Sum, 5050);
    // Nor later, once the time of the busy cursor has passed.
    ProcessEventsFor(450);
    EXPECT_EQ(OverrideShape(), std::nullopt);
}

TEST(BackgroundWork, AnErrorOfTheWorkIsRaisedAgainWithItsMessage)
{
    EnsureApplication();
    try {
        RunOffInterfaceThread([] { throw EJPEG("JPEG エラー #42"); });
        FAIL() << "no error raised";
    } catch (const EJPEG& Error) {
        EXPECT_STREQ(Error.what(), "JPEG エラー #42");
    }
    EXPECT_EQ(OverrideShape(), std::nullopt);
}

TEST(BackgroundWork, ACommandStartedDuringAnotherCommandsWorkRunsAfterIt)
{
    TFrameFixture Fixture;
    const TBitmap Original = MakeGradient(1201, 801);
    WriteBitmapFile(Original, Fixture.Folder() / "large.bmp");
    Fixture.Open(Fixture.Folder() / "large.bmp");
    // Pressed from a timer while the blur is being computed, the negative waits for the blur's end.
    QTimer::singleShot(0, [&Fixture] { Fixture.Press("Button14"); });
    Fixture.Press("Button6");
    ProcessEventsFor(50);
    TKelvoImage Expected;
    Expected.Picture().SetGraphic(&Original);
    Expected.Blur();
    Expected.Negative();
    EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), *dynamic_cast<TBitmap*>(Expected.Picture().Graphic())));
    EXPECT_TRUE(Fixture.Messages().empty());
}
