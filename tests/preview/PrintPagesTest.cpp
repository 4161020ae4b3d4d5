#include "preview/PrintPages.h"
#include "preview/GrphPrev.h"
#include "tests/support/FixedPrinter.h"
#include "tests/support/PdfPages.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A PDF printer of the fixed printer's paper and resolution, without margins.
class PrintPages : public testing::Test
{
protected:
    void SetUp() override
    {
        EnsureApplication();
        Device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        Device->setOutputFormat(QPrinter::PdfFormat);
        Device->setResolution(600);
        Device->setFullPage(false);
        Device->setPageMargins(QMarginsF(0, 0, 0, 0));
        Device->setOutputFileName(Folder.filePath(QStringLiteral("pages.pdf")));
    }
    std::filesystem::path Output() const { return Device->outputFileName().toStdString(); }

    TPrinterScope Printer{Caps600()};
    QTemporaryDir Folder;
    std::unique_ptr<QPrinter> Device;
};

TEST_F(PrintPages, PrintsTheChosenSheetsInTheirOrder)
{
    TGraphicPreview Preview;
    // Four pages, two across and two down; the second row of pages lies under the picture's lower half.
    const TBitmap Picture = MakeFilledBitmap(100, 100, clBlue);
    Preview.SetGraphic(&Picture);
    Preview.SetPrintArea(Rect(4000, 6000, 5000, 7000));
    ASSERT_EQ(Preview.HorzPageCount() * Preview.VertPageCount(), 4);
    std::vector<int> Reported;
    EXPECT_TRUE(PrintPreviewPages(Preview, *Device, 3, 9, [&](int Done, int Count) {
        EXPECT_EQ(Count, 2);
        Reported.push_back(Done);
        return true;
    }));
    EXPECT_EQ(Reported, (std::vector<int>{0, 1, 2}));
    const auto Info = ReadPdfInfo(Output());
    ASSERT_TRUE(Info.has_value());
    EXPECT_EQ(Info->Pages, 2);
    // Page 3 (first column, second row): the picture from (4000, 0) of the printable area, 760 × 221
    // printer pixels of it, at 72 / 600 points a pixel.
    const TPointBox Third = FindColour(Output(), 1, 0, 0, 255, 60);
    EXPECT_NEAR(Third.Left, 480, 2);
    EXPECT_NEAR(Third.Top, 0, 2);
    EXPECT_NEAR(Third.Right, 571.2, 2);
    EXPECT_NEAR(Third.Bottom, 26.5, 2);
    // Page 4 holds the rest across.
    const TPointBox Fourth = FindColour(Output(), 2, 0, 0, 255, 60);
    EXPECT_NEAR(Fourth.Left, 0, 2);
    EXPECT_NEAR(Fourth.Right, 28.8, 2);
}

TEST_F(PrintPages, StopsWhenTheProgressCancels)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(100, 100, clBlue);
    Preview.SetGraphic(&Picture);
    Preview.SetPrintArea(Rect(4000, 6000, 5000, 7000));
    int Calls = 0;
    EXPECT_FALSE(PrintPreviewPages(Preview, *Device, 1, 4, [&](int Done, int) {
        ++Calls;
        return Done < 2;
    }));
    EXPECT_EQ(Calls, 3);
}

TEST_F(PrintPages, NamesTheFileThatCannotBeWritten)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(10, 10, clBlue);
    Preview.SetGraphic(&Picture);
    Device->setOutputFileName(QStringLiteral("/nonexistent/folder/out.pdf"));
    try {
        PrintPreviewPages(Preview, *Device, 1, 1, nullptr);
        FAIL() << "no error";
    } catch (const Exception& Error) {
        EXPECT_EQ(Error.Message(), "ファイル /nonexistent/folder/out.pdf を作成できません");
    }
}

TEST_F(PrintPages, ReportsAFileCutShortByAFullDisk)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(10, 10, clBlue);
    Preview.SetGraphic(&Picture);
    // Writing to /dev/full fails as on a full disk; the toolkit says nothing of it.
    Device->setOutputFileName(QStringLiteral("/dev/full"));
    try {
        PrintPreviewPages(Preview, *Device, 1, 1, nullptr);
        FAIL() << "no error";
    } catch (const Exception& Error) {
        EXPECT_EQ(Error.Message(), "ファイル /dev/full を作成できません");
    }
}

} // namespace
