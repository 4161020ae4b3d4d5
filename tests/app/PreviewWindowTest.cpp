#include "app/Preview.h"
#include "platform/controls/Dialogs.h"
#include "platform/system/Printer.h"
#include "preview/GrphPrev.h"
#include "preview/PagePicture.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/FixedPrinter.h"
#include "tests/support/PdfPages.h"
#include "tests/support/PrivateScheduler.h"
#include "tests/support/TestPictures.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Runs Inspect on the print-preview window once V1 has opened it, then closes it.
void WithPreviewWindow(TFrameFixture& Fixture, const std::function<void(TForm3&)>& Inspect)
{
    bool Seen = false;
    QTimer::singleShot(0, [&] {
        auto* Window = dynamic_cast<TForm3*>(QApplication::activeModalWidget());
        ASSERT_NE(Window, nullptr);
        Seen = true;
        Inspect(*Window);
        Window->close();
    });
    Fixture.Press("V1");
    EXPECT_TRUE(Seen);
    EXPECT_EQ(Fixture.Form().findChild<QDialog*>(QStringLiteral("Form3")), nullptr)
        << "the window outlives its showing";
}

// Accepts the next print dialog, choosing Printer in it when given, and the pages From to To when given.
void AcceptPrintDialog(const QString& PrinterName = QString(), int From = 0, int To = 0)
{
    QTimer::singleShot(50, [PrinterName, From, To] {
        auto* Dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(Dialog, nullptr);
        if (!PrinterName.isEmpty()) {
            auto* Printers = Dialog->findChild<QComboBox*>(QStringLiteral("printers"));
            ASSERT_NE(Printers, nullptr);
            Printers->setCurrentIndex(Printers->findText(PrinterName));
        }
        if (From > 0) {
            auto* Range = Dialog->findChild<QRadioButton*>(QStringLiteral("printRange"));
            auto* First = Dialog->findChild<QSpinBox*>(QStringLiteral("from"));
            auto* Last = Dialog->findChild<QSpinBox*>(QStringLiteral("to"));
            ASSERT_TRUE(Range != nullptr && First != nullptr && Last != nullptr);
            Range->setChecked(true);
            First->setValue(From);
            Last->setValue(To);
        }
        Dialog->accept();
    });
}

class PreviewWindow : public testing::Test
{
protected:
    void TearDown() override { SetPrinter(nullptr); }
};

TEST_F(PreviewWindow, OpensFreshWithThePictureAndShowsThePaperInformationOnNil)
{
    SetPrinter(std::make_unique<TFixedPrinter>(Caps600()));
    TFrameFixture Fixture;
    WriteBitmapFile(MakeFilledBitmap(1000, 800, clRed), Fixture.Folder() / "red.bmp");
    Fixture.Open(Fixture.Folder() / "red.bmp");
    WithPreviewWindow(Fixture, [](TForm3& Window) {
        EXPECT_EQ(Window.windowTitle(), QStringLiteral("印刷プレビュー"));
        EXPECT_TRUE(Window.isModal());
        EXPECT_EQ(Window.Label1->text(), QStringLiteral("MScaleFactor = 100 × 100 %"));
        EXPECT_EQ(Window.Button1->text(), QStringLiteral("Nil"));
        TGraphicPreview& Preview = *Window.GraphicPreview1;
        EXPECT_EQ(Preview.PreviewRatio(), 30);
        EXPECT_EQ(Preview.GraphicMode(), gmGraphic);
        ASSERT_NE(Preview.Graphic(), nullptr);
        EXPECT_EQ(Preview.Graphic()->Width(), 1000);
        // 100 mm from the paper's corner: (100 − 4.23) / 25.4 inch at 600 dpi past the 100-pixel margin.
        EXPECT_EQ(Preview.GetPrintArea().Left, 2262);
        EXPECT_EQ(Preview.HorzPageCount(), 2);
        Window.Button1->click();
        EXPECT_NE(dynamic_cast<const TPagePicture*>(Preview.Graphic()), nullptr);
    });
    // The next opening shows the picture again, not the paper information.
    WithPreviewWindow(Fixture, [](TForm3& Window) {
        ASSERT_NE(Window.GraphicPreview1->Graphic(), nullptr);
        EXPECT_EQ(Window.GraphicPreview1->Graphic()->Width(), 1000);
    });
    EXPECT_TRUE(Fixture.Messages().empty());
}

TEST_F(PreviewWindow, PrintsBothSheetsThroughThePrintQueueWhereThePreviewPutsThem)
{
    TPrivateScheduler Scheduler;
    if (!TPrivateScheduler::Installed()) GTEST_SKIP() << Scheduler.Problem();
    ASSERT_TRUE(Scheduler.Started()) << Scheduler.Problem();
    Scheduler.AddQueue("PixoraTest", "A4", false, true);
    TFrameFixture Fixture;
    // 400 × 100 screen pixels at 100 mm from the corner run over the printable area's right edge.
    WriteBitmapFile(MakeFilledBitmap(400, 100, clBlue), Fixture.Folder() / "blue.bmp");
    Fixture.Open(Fixture.Folder() / "blue.bmp");
    WithPreviewWindow(Fixture, [&](TForm3& Window) {
        ASSERT_EQ(Window.GraphicPreview1->HorzPageCount(), 2);
        ASSERT_EQ(Window.GraphicPreview1->VertPageCount(), 1);
        AcceptPrintDialog();
        Window.Button2->click();
    });
    EXPECT_TRUE(Fixture.Messages().empty()) << Fixture.Messages().front();
    ASSERT_TRUE(Scheduler.WaitForJobs("PixoraTest", 15)) << Scheduler.ErrorLog();
    const auto Info = ReadPdfInfo(Scheduler.Output("PixoraTest"));
    ASSERT_TRUE(Info.has_value()) << Scheduler.ErrorLog();
    EXPECT_EQ(Info->Pages, 2);
    EXPECT_NEAR(Info->Width, 595, 1);
    EXPECT_NEAR(Info->Height, 842, 1);
    // Page 1: from 100 mm (283.5 pt) across and down, 300 pt wide but cut at the printable area's
    // right edge (12 + 559 pt), 75 pt high.
    const TPointBox First = FindColour(Scheduler.Output("PixoraTest"), 1, 0, 0, 255, 60);
    EXPECT_NEAR(First.Left, 283.5, 2);
    EXPECT_NEAR(First.Top, 283.5, 2);
    EXPECT_NEAR(First.Right, 571, 2);
    EXPECT_NEAR(First.Bottom, 358.5, 2);
    // Page 2: the rest, from the printable area's left edge (12 pt) on.
    const TPointBox Second = FindColour(Scheduler.Output("PixoraTest"), 2, 0, 0, 255, 60);
    EXPECT_NEAR(Second.Left, 12, 2);
    EXPECT_NEAR(Second.Right, 12 + 300 - (571 - 283.5), 2);
    EXPECT_NEAR(Second.Top, 283.5, 2);
}

TEST_F(PreviewWindow, PrintsTheFirstSheetOfATwelveMegapixelPhotographWhereThePreviewPutsIt)
{
    TPrivateScheduler Scheduler;
    if (!TPrivateScheduler::Installed()) GTEST_SKIP() << Scheduler.Problem();
    ASSERT_TRUE(Scheduler.Started()) << Scheduler.Problem();
    Scheduler.AddQueue("PixoraTest", "A4", false, true);
    TFrameFixture Fixture;
    WriteBitmapFile(MakeFilledBitmap(4000, 3000, clBlue), Fixture.Folder() / "photo.bmp");
    Fixture.Open(Fixture.Folder() / "photo.bmp");
    WithPreviewWindow(Fixture, [&](TForm3& Window) {
        EXPECT_EQ(Window.GraphicPreview1->HorzPageCount(), 6);
        AcceptPrintDialog(QString(), 1, 1);
        Window.Button2->click();
    });
    EXPECT_TRUE(Fixture.Messages().empty()) << Fixture.Messages().front();
    ASSERT_TRUE(Scheduler.WaitForJobs("PixoraTest", 15)) << Scheduler.ErrorLog();
    const auto Info = ReadPdfInfo(Scheduler.Output("PixoraTest"));
    ASSERT_TRUE(Info.has_value()) << Scheduler.ErrorLog();
    EXPECT_EQ(Info->Pages, 1);
    // From 100 mm across and down to the printable area's right and bottom edges (12 + 559, 36 + 782 pt).
    const TPointBox Box = FindColour(Scheduler.Output("PixoraTest"), 1, 0, 0, 255, 60);
    EXPECT_NEAR(Box.Left, 283.5, 2);
    EXPECT_NEAR(Box.Top, 283.5, 2);
    EXPECT_NEAR(Box.Right, 571, 2);
    EXPECT_NEAR(Box.Bottom, 818, 2);
}

TEST_F(PreviewWindow, ShowsThePrintServicesMessageWhenTheQueueRefusesTheJob)
{
    TPrivateScheduler Scheduler;
    if (!TPrivateScheduler::Installed()) GTEST_SKIP() << Scheduler.Problem();
    ASSERT_TRUE(Scheduler.Started()) << Scheduler.Problem();
    Scheduler.AddQueue("PixoraTest", "A4", false, true);
    RunCommand("cupsreject PixoraTest 2>&1");
    TFrameFixture Fixture;
    WriteBitmapFile(MakeFilledBitmap(100, 100, clBlue), Fixture.Folder() / "blue.bmp");
    Fixture.Open(Fixture.Folder() / "blue.bmp");
    WithPreviewWindow(Fixture, [&](TForm3& Window) {
        AcceptPrintDialog();
        Window.Button2->click();
    });
    ASSERT_EQ(Fixture.Messages().size(), 1u);
    EXPECT_NE(Fixture.Messages()[0].find("not accepting jobs"), std::string::npos) << Fixture.Messages()[0];
}

TEST_F(PreviewWindow, WritesAPdfFileTheUserNamesWhereThereIsNoPrinter)
{
    setenv("CUPS_SERVER", "/nonexistent/pixora-cups.sock", 1);
    TFrameFixture Fixture;
    WriteBitmapFile(MakeFilledBitmap(400, 100, clBlue), Fixture.Folder() / "blue.bmp");
    Fixture.Open(Fixture.Folder() / "blue.bmp");
    const std::filesystem::path Output = Fixture.Folder() / "printed.pdf";
    SetFileDialogAnswerer([&](const TFileDialogRequest& Request) -> std::optional<std::string> {
        EXPECT_TRUE(Request.Save);
        return Output.string();
    });
    WithPreviewWindow(Fixture, [&](TForm3& Window) { Window.Button2->click(); });
    EXPECT_TRUE(Fixture.Messages().empty());
    const auto Info = ReadPdfInfo(Output);
    ASSERT_TRUE(Info.has_value());
    // A PDF has no margins: one page holds the picture from 100 mm (283.5 pt) on.
    EXPECT_EQ(Info->Pages, 1);
    const TPointBox Box = FindColour(Output, 1, 0, 0, 255, 60);
    EXPECT_NEAR(Box.Left, 283.5, 2);
    EXPECT_NEAR(Box.Top, 283.5, 2);
    EXPECT_NEAR(Box.Right, 583.5, 2);
    EXPECT_NEAR(Box.Bottom, 358.5, 2);
}

TEST_F(PreviewWindow, PrinterSetupChoosesTheCurrentPrinter)
{
    TPrivateScheduler Scheduler;
    if (!TPrivateScheduler::Installed()) GTEST_SKIP() << Scheduler.Problem();
    ASSERT_TRUE(Scheduler.Started()) << Scheduler.Problem();
    Scheduler.AddQueue("PixoraLetter", "Letter", true, false);
    Scheduler.AddQueue("PixoraTest", "A4", false, true);
    TFrameFixture Fixture;
    ASSERT_EQ(Printer().DeviceCaps().LogPixelsX, 600);
    AcceptPrintDialog(QStringLiteral("PixoraLetter"));
    Fixture.Press("T2");
    auto& System = dynamic_cast<TSystemPrinter&>(Printer());
    EXPECT_EQ(System.PrinterName(), "PixoraLetter");
    EXPECT_EQ(Printer().DeviceCaps().LogPixelsX, 300);
    EXPECT_EQ(Printer().DeviceCaps().PhysicalOffsetX, 75);
}

} // namespace
