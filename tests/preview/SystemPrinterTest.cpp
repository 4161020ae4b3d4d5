#include "platform/system/Printer.h"
#include "tests/support/PrivateScheduler.h"
#include "tests/support/TestApplication.h"

#include <QLocale>
#include <QPageSize>
#include <QPrinter>
#include <gtest/gtest.h>

namespace {

TEST(SystemPrinter, TakesTheDefaultQueueWithItsPaperMarginsAndResolution)
{
    TPrivateScheduler Scheduler;
    if (!TPrivateScheduler::Installed()) GTEST_SKIP() << Scheduler.Problem();
    ASSERT_TRUE(Scheduler.Started()) << Scheduler.Problem();
    Scheduler.AddQueue("PixoraLetter", "Letter", true, false);
    Scheduler.AddQueue("PixoraTest", "A4", false, true);
    EnsureApplication();
    TSystemPrinter Printer;
    EXPECT_FALSE(Printer.IsPdf());
    EXPECT_EQ(Printer.PrinterName(), "PixoraTest");
    // A4 (595 × 842 pt) at 600 dpi; margins 12, 36, 24, 24 pt.
    const TDeviceCaps Caps = Printer.DeviceCaps();
    EXPECT_EQ(Caps.LogPixelsX, 600);
    EXPECT_EQ(Caps.LogPixelsY, 600);
    EXPECT_EQ(Caps.PhysicalWidth, 4958);
    EXPECT_EQ(Caps.PhysicalHeight, 7017);
    EXPECT_EQ(Caps.PhysicalOffsetX, 100);
    EXPECT_EQ(Caps.PhysicalOffsetY, 300);
    EXPECT_EQ(Caps.HorzRes, 4658);
    EXPECT_EQ(Caps.VertRes, 6517);
    EXPECT_EQ(Printer.Scale(), 100);

    // Another printer chosen in a dialog: its own resolution and minimum margins, not the larger ones of
    // the printer before; the paper the dialog chose.
    Printer.Device()->setPrinterName("PixoraLetter");
    Printer.Device()->setPageSize(QPageSize(QPageSize::Letter));
    Printer.Refit();
    const TDeviceCaps Letter = Printer.DeviceCaps();
    EXPECT_EQ(Letter.LogPixelsX, 300);
    EXPECT_EQ(Letter.PhysicalWidth, 2550);
    EXPECT_EQ(Letter.PhysicalHeight, 3300);
    EXPECT_EQ(Letter.PhysicalOffsetX, 75);
    EXPECT_EQ(Letter.PhysicalOffsetY, 75);
    EXPECT_EQ(Letter.HorzRes, 2400);

    // Landscape: the paper turns, and the margins with it.
    Printer.Device()->setPageOrientation(QPageLayout::Landscape);
    Printer.Refit();
    const TDeviceCaps Turned = Printer.DeviceCaps();
    EXPECT_EQ(Turned.PhysicalWidth, 3300);
    EXPECT_EQ(Turned.PhysicalHeight, 2550);
    EXPECT_EQ(Turned.HorzRes, 3150);
    EXPECT_EQ(Turned.VertRes, 2400);
}

TEST(SystemPrinter, StartsOnThePapersOfItsOwnDriver)
{
    TPrivateScheduler Scheduler;
    if (!TPrivateScheduler::Installed()) GTEST_SKIP() << Scheduler.Problem();
    ASSERT_TRUE(Scheduler.Started()) << Scheduler.Problem();
    Scheduler.AddQueue("PixoraLetter", "Letter", true, true);
    EnsureApplication();
    TSystemPrinter Printer;
    EXPECT_EQ(Printer.PrinterName(), "PixoraLetter");
    EXPECT_EQ(Printer.DeviceCaps().PhysicalWidth, 2550);
    EXPECT_EQ(Printer.DeviceCaps().HorzRes, 2400);
}

TEST(SystemPrinter, IsAPdfPrinterWhereThereIsNoPrintService)
{
    setenv("CUPS_SERVER", "/nonexistent/pixora-cups.sock", 1);
    EnsureApplication();
    TSystemPrinter Printer;
    EXPECT_TRUE(Printer.IsPdf());
    EXPECT_EQ(Printer.PrinterName(), "");
    const TDeviceCaps Caps = Printer.DeviceCaps();
    EXPECT_EQ(Caps.LogPixelsX, 600);
    // A PDF has no unprintable margins.
    EXPECT_EQ(Caps.PhysicalOffsetX, 0);
    EXPECT_EQ(Caps.PhysicalOffsetY, 0);
    EXPECT_EQ(Caps.HorzRes, Caps.PhysicalWidth);
    EXPECT_EQ(Caps.VertRes, Caps.PhysicalHeight);
    if (QLocale().measurementSystem() == QLocale::MetricSystem) {
        EXPECT_EQ(Caps.PhysicalWidth, 4958);
        EXPECT_EQ(Caps.PhysicalHeight, 7017);
    }
}

TEST(SystemPrinter, IsTheCurrentPrinterUntilReplaced)
{
    setenv("CUPS_SERVER", "/nonexistent/pixora-cups.sock", 1);
    EnsureApplication();
    TPrinter& First = Printer();
    EXPECT_EQ(&Printer(), &First);
    ASSERT_NE(dynamic_cast<TSystemPrinter*>(&First), nullptr);
    EXPECT_NE(First.Device(), nullptr);
}

} // namespace
