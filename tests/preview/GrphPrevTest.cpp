#include "preview/GrphPrev.h"
#include "platform/controls/ImageView.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/system/Screen.h"
#include "preview/PagePicture.h"
#include "tests/support/FixedPrinter.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

class GraphicPreview : public testing::Test
{
protected:
    void SetUp() override
    {
        EnsureApplication();
        if (ScreenPixelsPerInch() != 96) GTEST_SKIP() << "the worked examples assume a screen of 96 pixels per inch";
    }
    TPrinterScope Printer{Caps600()};
};

TEST_F(GraphicPreview, ReadsThePrinterGeometryAndDerivesMarginsAndMillimetres)
{
    TGraphicPreview Preview;
    const TPrinterInfo I = Preview.GetPrinterInfo();
    EXPECT_EQ(I.PrintWidth, 4760);
    EXPECT_EQ(I.PrintHeight, 6779);
    EXPECT_EQ(I.PaperWidth, 4960);
    EXPECT_EQ(I.MarginRight, 100);  // 4960 - 4760 - 100
    EXPECT_EQ(I.MarginBottom, 119); // 7016 - 6779 - 118
    // Hundredths of an inch rounded up: 100 / 600 inch is 16.7, 118 / 600 is 19.7, 119 / 600 is 19.8.
    EXPECT_EQ(I.MarginLeftInch, 17);
    EXPECT_EQ(I.MarginTopInch, 20);
    EXPECT_EQ(I.MarginBottomInch, 20);
    EXPECT_NEAR(I.MarginLeftMM, 4.2333, 1e-4);
    EXPECT_NEAR(I.PaperWidthMM, 209.9733, 1e-4);
    EXPECT_EQ(I.Scale, 100);
    EXPECT_EQ(I.MetafileScaleX, 100);
    EXPECT_EQ(I.MetafileScaleY, 100);
    EXPECT_EQ(I.ScreenDPIX, 96);
}

TEST_F(GraphicPreview, ScaledMillimetresFollowThePrinterScale)
{
    TPrinterScope Half(Caps600(), 50);
    TGraphicPreview Preview;
    EXPECT_NEAR(Preview.GetPrinterInfo().ScaledPaperWidthMM, 104.9867, 1e-4);
    // 600 pixels are one inch, half of it on paper, after half the left margin (100 px).
    const TDoublePoint M = Preview.PointToMM(Point(600, 0));
    EXPECT_NEAR(M.X, 12.7 + 2.11667, 1e-4);
    EXPECT_NEAR(M.Y, 2.49767, 1e-4);
    EXPECT_EQ(Preview.MMToPoint(M), Point(600, 0));
    EXPECT_EQ(Preview.MMToPoint(TDoublePoint{12.7 + 2.11667 + 0.0211, 2.49767}), Point(601, 0));
}

TEST_F(GraphicPreview, PlacesAThousandByEightHundredBitmapOverTwoPages)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(1000, 800, clRed);
    Preview.SetGraphic(&Picture);
    EXPECT_EQ(Preview.GetPrintArea(), Rect(0, 0, 6249, 4999));
    EXPECT_EQ(Preview.HorzPageCount(), 2);
    EXPECT_EQ(Preview.VertPageCount(), 1);
    EXPECT_EQ(Preview.SheetCount(), 2);
    EXPECT_EQ(Preview.GetPageRect(2, 1), Rect(-4760, 0, 1489, 4999));
    // One inch of screen pixels covers one inch of printer pixels.
    const TBitmap Inch = MakeFilledBitmap(96, 10, clRed);
    Preview.SetGraphic(&Inch);
    EXPECT_EQ(Preview.GetPrintArea(), Rect(0, 0, 599, 61));
}

TEST_F(GraphicPreview, SizesALargePictureAtAHighRatioWithoutOverflow)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(4000, 10, clRed);
    Preview.SetGraphic(&Picture);
    Preview.SetPrintRatio(10000);
    // 4000 × 600 × 10000 exceeds 32 bits before the divisions bring it to 2 500 000.
    EXPECT_EQ(Preview.GetPrintArea().Right, 2499999);
    EXPECT_EQ(Preview.GetPrintArea().Bottom, 6249);
    EXPECT_EQ(Preview.HorzPageCount(), 16);
}

TEST_F(GraphicPreview, NormalisesPositionsOntoTheFirstPage)
{
    TPrinterScope Wide(TDeviceCaps{4800, 6779, 4960, 7016, 80, 118, 600, 600});
    TGraphicPreview Preview;
    Preview.SetPrintPos(Point(-10, 5));
    EXPECT_EQ(Preview.GetPrintArea().Left, 4790);
    EXPECT_EQ(Preview.GetPrintArea().Top, 5);
    Preview.SetPrintPos(Point(4800, 5));
    EXPECT_EQ(Preview.GetPrintArea().Left, 0);
    Preview.SetPrintPos(Point(-9601, -1));
    EXPECT_EQ(Preview.GetPrintArea().Left, 4799);
    EXPECT_EQ(Preview.GetPrintArea().Top, 6778);
    TRect Area = Rect(9700, -6779, 9800, 10);
    Preview.NormalizeRect(Area);
    EXPECT_EQ(Area, Rect(100, 0, 200, 6789));
}

TEST_F(GraphicPreview, CountsPagesUpToTheLastCoveredPixelAndCapsThemAtSixteen)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(10, 10, clBlue);
    Preview.SetGraphic(&Picture);
    Preview.SetPrintArea(Rect(0, 0, 4759, 6778));
    EXPECT_EQ(Preview.HorzPageCount(), 1);
    EXPECT_EQ(Preview.VertPageCount(), 1);
    Preview.SetPrintArea(Rect(0, 0, 4760, 6779));
    EXPECT_EQ(Preview.HorzPageCount(), 2);
    EXPECT_EQ(Preview.VertPageCount(), 2);
    Preview.SetPrintArea(Rect(0, 0, 20 * 4760 - 1, 100));
    EXPECT_EQ(Preview.HorzPageCount(), 16);
    EXPECT_EQ(Preview.SheetCount(), 16);
}

TEST_F(GraphicPreview, IgnoresRatiosAndModesOutOfRange)
{
    TGraphicPreview Preview;
    int Rebuilds = 0;
    Preview.OnPreview = [&](QObject*) { ++Rebuilds; };
    Preview.SetPreviewRatio(9);
    Preview.SetPreviewRatio(101);
    Preview.SetPrintRatio(0);
    Preview.SetPrintRatio(10001);
    Preview.SetGraphicMode(2);
    Preview.SetPrintMode(2);
    EXPECT_EQ(Rebuilds, 0);
    EXPECT_EQ(Preview.PreviewRatio(), 20);
    EXPECT_EQ(Preview.PrintRatio(), 100);
    Preview.SetPreviewRatio(10);
    EXPECT_EQ(Preview.PreviewRatio(), 10);
    Preview.SetPreviewRatio(100);
    EXPECT_EQ(Preview.PreviewRatio(), 100);
    Preview.SetPrintRatio(10000);
    EXPECT_EQ(Preview.PrintRatio(), 10000);
    Preview.SetGraphicMode(gmGraphic);
    EXPECT_EQ(Preview.GraphicMode(), gmGraphic);
    EXPECT_EQ(Rebuilds, 4);
}

TEST_F(GraphicPreview, RaisesTheRangeMessageForPagesOutside)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(1000, 800, clRed);
    Preview.SetGraphic(&Picture);
    try {
        Preview.GetPageRect(0, 1);
        FAIL() << "no error for column 0";
    } catch (const ERangeError& Error) {
        EXPECT_STREQ(Error.what(), "0 is not within the valid range of 1..2");
    }
    try {
        Preview.GetPageRect(1, 2);
        FAIL() << "no error for row 2";
    } catch (const ERangeError& Error) {
        EXPECT_STREQ(Error.what(), "2 is not within the valid range of 1..1");
    }
    EXPECT_EQ(Preview.GetPageMetafile(3, 1), nullptr);
    Preview.RenderPage(3, 1);
    EXPECT_EQ(Preview.SheetCount(), 2);
}

TEST_F(GraphicPreview, WithoutAGraphicFreesEverySheet)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(1000, 800, clRed);
    Preview.SetGraphic(&Picture);
    ASSERT_EQ(Preview.SheetCount(), 2);
    Preview.Clear();
    EXPECT_EQ(Preview.HorzPageCount(), 0);
    EXPECT_EQ(Preview.VertPageCount(), 0);
    EXPECT_EQ(Preview.SheetCount(), 0);
    EXPECT_EQ(Preview.Graphic(), nullptr);
}

TEST_F(GraphicPreview, KeepsThePlaceOnPaperWhenThePictureChanges)
{
    TGraphicPreview Preview;
    const TBitmap Small = MakeFilledBitmap(96, 96, clRed);
    const TBitmap Large = MakeFilledBitmap(192, 48, clRed);
    Preview.SetGraphic(&Small);
    Preview.SetPrintPos(Point(300, 400));
    Preview.SetGraphic(&Large);
    EXPECT_EQ(Preview.GetPrintArea(), Rect(300, 400, 300 + 1199, 400 + 299));
    Preview.SetPrintArea(Rect(10, 20, 1010, 2020));
    Preview.SetGraphic(&Small);
    EXPECT_EQ(Preview.PrintMode(), pmArea);
    EXPECT_EQ(Preview.GetPrintArea(), Rect(10, 20, 1010, 2020));
    // Back to pmRatio: the size follows the picture again, from the area's corner.
    Preview.SetPrintMode(pmRatio);
    EXPECT_EQ(Preview.GetPrintArea(), Rect(10, 20, 10 + 599, 20 + 599));
}

TEST_F(GraphicPreview, PagesHoldThePictureWithoutCopyingIt)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(2000, 2000, clRed);
    Preview.SetGraphic(&Picture);
    ASSERT_EQ(Preview.HorzPageCount(), 3);
    const auto First = Preview.GetPageMetafile(1, 1);
    const auto Last = Preview.GetPageMetafile(3, 2);
    EXPECT_EQ(First->Frame(), (TSize{4760, 6779}));
    const auto& Placed = std::get<TPagePicture::TPlaced>(Last->Commands().back());
    EXPECT_EQ(Placed.Rect, Preview.GetPageRect(3, 2));
    EXPECT_EQ(Placed.Graphic.get(), std::get<TPagePicture::TPlaced>(First->Commands().back()).Graphic.get());
    EXPECT_EQ(Placed.Graphic.get(), Preview.Graphic());
}

// The sheet of page 1 drawn at a tenth of printer resolution, so that 10 printer pixels make one.
TBitmap SheetAtATenth(const TGraphicPreview& Preview)
{
    const auto& Sheet = dynamic_cast<const TPagePicture&>(*Preview.Sheet(0).Picture().Graphic());
    TBitmap Pixels;
    Pixels.SetLayout(Sheet.Frame().cx / 10, Sheet.Frame().cy / 10, 24);
    Pixels.Canvas().StretchDraw(Rect(0, 0, Pixels.Width(), Pixels.Height()), Sheet);
    return Pixels;
}

TColor PixelAt(TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
    return RGB(Pixel[2], Pixel[1], Pixel[0]);
}

TEST_F(GraphicPreview, DrawsTheSheetWithShadowOutlineAndThePictureCutToThePrintableArea)
{
    TGraphicPreview Preview;
    const TBitmap Picture = MakeFilledBitmap(1000, 800, clRed);
    Preview.SetGraphic(&Picture);
    TBitmap Sheet = SheetAtATenth(Preview);
    ASSERT_EQ(Sheet.Width(), 511);
    ASSERT_EQ(Sheet.Height(), 716);
    const QColor Face = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(PixelAt(Sheet, 2, 2), RGB(Face.red(), Face.green(), Face.blue()));
    // The shadow below and right of the paper, the surround beyond it.
    EXPECT_EQ(PixelAt(Sheet, 250, 710), RGB(128, 128, 128));
    EXPECT_EQ(PixelAt(Sheet, 505, 300), RGB(128, 128, 128));
    EXPECT_EQ(PixelAt(Sheet, 507, 5), RGB(Face.red(), Face.green(), Face.blue()));
    // Paper margin white; the picture from the printable origin (15, 16.8) on, cut at its right edge
    // (15 + 476) though it runs on to the next page.
    EXPECT_EQ(PixelAt(Sheet, 10, 100), clWhite);
    EXPECT_EQ(PixelAt(Sheet, 20, 100), clRed);
    EXPECT_EQ(PixelAt(Sheet, 488, 100), clRed);
    EXPECT_EQ(PixelAt(Sheet, 494, 100), clWhite);
    // Below the picture's bottom (16.8 + 500) the printable area is white.
    EXPECT_EQ(PixelAt(Sheet, 100, 520), clWhite);
    // The paper's outline at 50 printer pixels: column 5.
    EXPECT_EQ(PixelAt(Sheet, 5, 300), clBlack);
}

TEST_F(GraphicPreview, ShowsSheetsAtPreviewRatioOfTheirPhysicalSizeSideBySide)
{
    TGraphicPreview Preview;
    int Previews = 0, Previewed = 0;
    Preview.OnPreview = [&](QObject* Sender) {
        EXPECT_EQ(Sender, &Preview);
        EXPECT_EQ(Previewed, Previews);
        ++Previews;
    };
    Preview.OnPreviewed = [&](QObject*) { ++Previewed; };
    const TBitmap Picture = MakeFilledBitmap(1000, 1000, clRed);
    Preview.SetGraphic(&Picture);
    EXPECT_EQ(Previews, 1);
    EXPECT_EQ(Previewed, 1);
    ASSERT_EQ(Preview.SheetCount(), 2);
    // (4960 + 150) printer pixels at 600 per inch are 817 screen pixels, a fifth of them 163.
    EXPECT_EQ(Preview.Sheet(0).Width(), 163);
    EXPECT_EQ(Preview.Sheet(0).Height(), 229);
    EXPECT_EQ(Preview.Sheet(1).Left(), 163);
    EXPECT_EQ(Preview.Sheet(1).Top(), 0);
    EXPECT_EQ(Preview.widget()->width(), 326);
    Preview.SetPreviewRatio(40);
    EXPECT_EQ(Preview.Sheet(0).Width(), 326); // 817 × 40 / 100, truncated
    EXPECT_EQ(Preview.Sheet(1).Left(), 326);
}

TEST_F(GraphicPreview, RelaysMouseInputOnASheetInThePreviewsCoordinates)
{
    TGraphicPreview Preview;
    Preview.resize(400, 300);
    const TBitmap Picture = MakeFilledBitmap(1000, 800, clRed);
    Preview.SetGraphic(&Picture);
    TPoint Down{-1, -1};
    int Clicks = 0;
    Preview.OnMouseDown = [&](QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers, int X, int Y) {
        EXPECT_EQ(Sender, &Preview);
        EXPECT_EQ(Button, Qt::LeftButton);
        Down = Point(X, Y);
    };
    Preview.OnClick = [&](QObject*) { ++Clicks; };
    QWidget& Second = Preview.SheetView(1);
    QMouseEvent Press(QEvent::MouseButtonPress, QPointF(5, 6), Second.mapToGlobal(QPointF(5, 6)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Second, &Press);
    QMouseEvent Release(QEvent::MouseButtonRelease, QPointF(5, 6), Second.mapToGlobal(QPointF(5, 6)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&Second, &Release);
    EXPECT_EQ(Down, Point(163 + 5, 6));
    EXPECT_EQ(Clicks, 1);
}

TEST_F(GraphicPreview, RelaysDragsOverASheetAndAcceptsOnlyWhatItsHandlerAccepts)
{
    TGraphicPreview Preview;
    Preview.resize(400, 300);
    const TBitmap Picture = MakeFilledBitmap(1000, 800, clRed);
    Preview.SetGraphic(&Picture);
    QMimeData Data;
    Data.setText(QStringLiteral("dragged"));
    QWidget& Second = Preview.SheetView(1);
    QDragEnterEvent Refused(QPoint(7, 8), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Second, &Refused);
    EXPECT_FALSE(Refused.isAccepted());

    TPoint Over{-1, -1}, Dropped{-1, -1};
    Preview.OnDragOver = [&](QObject*, const QMimeData* Source, int X, int Y, bool& Accept) {
        Over = Point(X, Y);
        Accept = Source->text() == QStringLiteral("dragged");
    };
    Preview.OnDragDrop = [&](QObject*, const QMimeData*, int X, int Y) { Dropped = Point(X, Y); };
    QDragEnterEvent Accepted(QPoint(7, 8), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Second, &Accepted);
    EXPECT_TRUE(Accepted.isAccepted());
    EXPECT_EQ(Over, Point(163 + 7, 8));
    QDropEvent Drop(QPointF(9, 10), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Second, &Drop);
    EXPECT_EQ(Dropped, Point(163 + 9, 10));
}

} // namespace
