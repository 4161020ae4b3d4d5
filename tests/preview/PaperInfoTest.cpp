#include "platform/system/Screen.h"
#include "preview/GrphPrev.h"
#include "preview/PagePicture.h"
#include "tests/support/FixedPrinter.h"
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>
#include <map>

namespace {

// The page's lines by row: each text's top divided by the line pitch.
std::map<int, std::string> Rows(const TGraphicPreview& Preview)
{
    const auto& Page = dynamic_cast<const TPagePicture&>(*Preview.Graphic());
    std::vector<const TPagePicture::TText*> Texts;
    for (const auto& Command : Page.Commands())
        if (const auto* Text = std::get_if<TPagePicture::TText>(&Command)) Texts.push_back(Text);
    std::map<int, std::string> Result;
    if (Texts.empty()) return Result;
    const int Pitch = Texts[0]->At.Y / 2; // the first line is row 2
    for (const auto* Text : Texts) {
        EXPECT_EQ(Text->At.X, 0);
        EXPECT_EQ(Text->At.Y % Pitch, 0) << Text->Text;
        Result[Text->At.Y / Pitch] = Text->Text;
    }
    return Result;
}

class PaperInfo : public testing::Test
{
protected:
    void SetUp() override { EnsureApplication(); }
};

TEST_F(PaperInfo, ReportsTheGeometryOfA600DpiPrinter)
{
    TPrinterScope Printer(Caps600());
    TGraphicPreview Preview;
    Preview.MakePaperInfo();
    const std::map<int, std::string> Lines = Rows(Preview);
    EXPECT_EQ(Lines.size(), 37u);
    EXPECT_EQ(Lines.count(3), 0u);
    EXPECT_EQ(Lines.at(2), "    紙情報");
    EXPECT_EQ(Lines.at(5), "      4760×6779 pixel");
    EXPECT_EQ(Lines.at(6), "      201.51×286.98 mm");
    EXPECT_EQ(Lines.at(8), "      600×600 dot per inch");
    EXPECT_EQ(Lines.at(10), "      100 %");
    EXPECT_EQ(Lines.at(12), "      4960×7016 pixel");
    EXPECT_EQ(Lines.at(15), "      100, 118 pixel");
    EXPECT_EQ(Lines.at(16), "      4.23, 5.00 mm");
    EXPECT_EQ(Lines.at(18), "      100, 119 pixel");
    EXPECT_EQ(Lines.at(21), "      (100, 118, 4860, 6897) pixel");
    EXPECT_EQ(Lines.at(22), "      (4.23, 5.00, 205.74, 291.97) mm");
    EXPECT_EQ(Lines.at(24), "      IPAPGothic");
    EXPECT_EQ(Lines.at(26), "      10 point");
    EXPECT_EQ(Lines.at(27), "      83.33 pixel");
    EXPECT_EQ(Lines.at(28), "      3.53 mm");
    EXPECT_EQ(Lines.at(30), "      -83");
    EXPECT_EQ(Lines.at(31), "    テキストの高さ( 例 :「ABCDEFGHIJ」,「漢字の練習」)");
    EXPECT_EQ(Lines.at(39), "      1 inch = 25.4 mm");
}

TEST_F(PaperInfo, MeasuresTextAtThePrintersResolution)
{
    TPrinterScope Printer(Caps600());
    TGraphicPreview Preview;
    Preview.MakePaperInfo();
    const std::map<int, std::string> Lines = Rows(Preview);
    int HeightA = 0, HeightK = 0, WidthA = 0, WidthK = 0;
    ASSERT_EQ(std::sscanf(Lines.at(32).c_str(), " %d, %d pixel", &HeightA, &HeightK), 2);
    ASSERT_EQ(std::sscanf(Lines.at(35).c_str(), " %d, %d pixel", &WidthA, &WidthK), 2);
    // A 10-point font at 600 pixels per inch is 83 pixels high; its line a little more.
    EXPECT_GE(HeightA, 83);
    EXPECT_LT(HeightA, 140);
    EXPECT_GE(HeightK, 83);
    // Ten Latin capitals and five ideographs of 83 pixels.
    EXPECT_GT(WidthA, 400);
    EXPECT_GT(WidthK, 5 * 70);
    // The page has the physical size of the printable area and covers one page in pmRatio.
    EXPECT_EQ(Preview.HorzPageCount(), 1);
    EXPECT_EQ(Preview.VertPageCount(), 1);
}

TEST_F(PaperInfo, ShowsAScaleAndAnEmptyFontNameAsTheyAre)
{
    TPrinterScope Printer(Caps600(), 50, TPrinterFont{"", 10});
    TGraphicPreview Preview;
    Preview.MakePaperInfo();
    const std::map<int, std::string> Lines = Rows(Preview);
    EXPECT_EQ(Lines.at(10), "      50 %");
    EXPECT_EQ(Lines.at(16), "      2.12, 2.50 mm");
    EXPECT_EQ(Lines.at(24), "      ");
}

TEST_F(PaperInfo, GivesTheSamePageTwice)
{
    TPrinterScope Printer(Caps600());
    TGraphicPreview Preview;
    Preview.MakePaperInfo();
    const std::map<int, std::string> First = Rows(Preview);
    Preview.MakePaperInfo();
    EXPECT_EQ(Rows(Preview), First);
}

TEST_F(PaperInfo, ReadsThePrinterAgain)
{
    TPrinterScope Printer(Caps600());
    TGraphicPreview Preview;
    TPrinterScope Other(TDeviceCaps{2380, 3389, 2480, 3508, 50, 59, 300, 300});
    EXPECT_EQ(Preview.GetPrinterInfo().PrinterDPIX, 600);
    Preview.MakePaperInfo();
    EXPECT_EQ(Preview.GetPrinterInfo().PrinterDPIX, 300);
    EXPECT_EQ(Rows(Preview).at(8), "      300×300 dot per inch");
}

} // namespace
