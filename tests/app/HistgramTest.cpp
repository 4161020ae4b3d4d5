// The histogram window: its caption and flags, its placement through the settings, its drawing, and
// the hooks the main window follows.
#include "app/Histgram.h"
#include "app/Param.h"
#include "app/Settings.h"
#include "engine/KelvoImg.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/ImageView.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "tests/support/TestApplication.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

class HistogramWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureApplication();
        TSettingsValues Values;
        WriteFirstStartSettings(Parameter, Values);
        SetMessageBoxAnswerer([this](const std::string& Text) { Shown.push_back(Text); });
        Form2 = std::make_unique<TForm2>(Parameter);
        Form2->OnOpenChanged = [this](bool Open) { OpenReports.push_back(Open); };
        Form2->OnDrawRequest = [this] { ++DrawRequests; };
    }
    void TearDown() override { SetMessageBoxAnswerer({}); }

    TParameter Parameter;
    std::unique_ptr<TForm2> Form2;
    std::vector<std::string> Shown;
    std::vector<bool> OpenReports;
    int DrawRequests = 0;
};

// The recording's bytes, to tell two drawings apart.
std::vector<std::uint8_t> BytesOf(const TGraphic* Graphic)
{
    const auto* Metafile = dynamic_cast<const TMetafile*>(Graphic);
    if (Metafile == nullptr) return {};
    return std::vector<std::uint8_t>(Metafile->EmfBytes().begin(), Metafile->EmfBytes().end());
}

void Fill(TKelvoImage& Image, TColor Color)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(8, 8, 24);
    Bitmap.Canvas().Brush.Color = Color;
    Bitmap.Canvas().FillRect(Rect(0, 0, 8, 8));
    Image.Picture().SetGraphic(&Bitmap);
}

} // namespace

TEST_F(HistogramWindow, IsAHiddenToolWindowCaptionedHistgram)
{
    EXPECT_EQ(Form2->windowTitle(), "Histgram");
    // Above its main window only, not above other programs and the dialogs.
    EXPECT_EQ(Form2->windowType(), Qt::Tool);
    EXPECT_FALSE(Form2->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(Form2->isWindow());
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_NE(Form2->findChild<TImageView*>("Image1"), nullptr);
    EXPECT_TRUE(Form2->Image1.Stretch());
}

TEST_F(HistogramWindow, ShowsAtItsStoredPlacementAndReportsItselfOpen)
{
    Parameter.WriteInteger("HLeft", 100);
    Parameter.WriteInteger("HTop", 120);
    Form2->show();
    EXPECT_EQ(Form2->geometry().topLeft(), QPoint(100, 120));
    EXPECT_EQ(Form2->size(), QSize(286, 175)) << "the client area inside 294 × 209";
    EXPECT_EQ(Form2->Image1.Width(), 286);
    EXPECT_EQ(Form2->Image1.Height(), 175);
    EXPECT_EQ(DrawRequests, 1);
    EXPECT_EQ(OpenReports, std::vector<bool>{true});
    EXPECT_TRUE(Shown.empty());
}

TEST_F(HistogramWindow, ClosingHidesItAndStoresItsPlacement)
{
    Form2->show();
    Form2->ApplyPlacement({40, 50, 408, 334, WindowStateNormal});
    Form2->close();
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_EQ(OpenReports, (std::vector<bool>{true, false}));
    EXPECT_EQ(Parameter.ReadInteger("HLeft"), 40);
    EXPECT_EQ(Parameter.ReadInteger("HTop"), 50);
    EXPECT_EQ(Parameter.ReadInteger("HWidth"), 408);
    EXPECT_EQ(Parameter.ReadInteger("HHeight"), 334);
    EXPECT_EQ(Parameter.ReadInteger("HWindowState"), 0);

    Form2->show();
    EXPECT_EQ(Form2->geometry().topLeft(), QPoint(40, 50)) << "the placement is read again at each showing";
    EXPECT_EQ(Form2->size(), QSize(400, 300));
}

TEST_F(HistogramWindow, AMaximisedWindowClosedKeepsItsNormalPlacement)
{
    Parameter.WriteInteger("HLeft", 100);
    Form2->show();
    Form2->setWindowState(Qt::WindowMaximized);
    Form2->close();
    EXPECT_EQ(Parameter.ReadInteger("HWindowState"), 2);
    EXPECT_EQ(Parameter.ReadInteger("HLeft"), 100);
    EXPECT_EQ(Parameter.ReadInteger("HWidth"), 294);
}

TEST_F(HistogramWindow, ABadKeyIsShownAndTheOthersApply)
{
    Parameter.WriteInteger("HLeft", 100);
    Parameter.WriteText("HWidth", "wide");
    const auto Top = std::find(Parameter.Lines().begin(), Parameter.Lines().end(), "HTop=520");
    const int Index = int(Top - Parameter.Lines().begin());
    Parameter.DeleteLine(Index);
    Parameter.InsertLine(Index, "HTop=");
    Form2->show();
    EXPECT_EQ(Shown, std::vector<std::string>{"Name 'HTop' is not found in parameters.\n'wide' は整数ではありません"});
    EXPECT_EQ(Form2->geometry().left(), 100);
    EXPECT_EQ(Form2->size().height(), 175);
    EXPECT_EQ(OpenReports, std::vector<bool>{true}) << "the window still opens";
}

TEST_F(HistogramWindow, APlacementOffTheScreenIsShownInsideItsAvailableArea)
{
    const QRect Available = QGuiApplication::primaryScreen()->availableGeometry();
    Parameter.WriteInteger("HLeft", Available.right() - 100);
    Parameter.WriteInteger("HTop", Available.bottom() - 39);
    Parameter.WriteInteger("HWidth", 100000);
    Form2->show();
    EXPECT_TRUE(Available.contains(Form2->frameGeometry()))
        << Form2->frameGeometry().x() << "," << Form2->frameGeometry().y();
    EXPECT_EQ(Form2->width(), 286) << "a width no screen shows is the first start's";
    EXPECT_EQ(Form2->height(), 175);
}

TEST_F(HistogramWindow, DrawsTheHistogramOfThePicture)
{
    TKelvoImage Picture;
    Form2->DrawHistogram(Picture);
    const auto* Empty = dynamic_cast<const TMetafile*>(Form2->Image1.Picture().Graphic());
    ASSERT_NE(Empty, nullptr);
    EXPECT_EQ(Empty->Width(), 572);
    EXPECT_EQ(Empty->Height(), 350);
    const auto EmptyBytes = BytesOf(Empty);

    Fill(Picture, clBlack);
    Form2->DrawHistogram(Picture);
    const auto BlackBytes = BytesOf(Form2->Image1.Picture().Graphic());
    Fill(Picture, clWhite);
    Form2->DrawHistogram(Picture);
    const auto WhiteBytes = BytesOf(Form2->Image1.Picture().Graphic());
    EXPECT_NE(BlackBytes, EmptyBytes) << "curves appear";
    EXPECT_NE(WhiteBytes, BlackBytes) << "and follow the picture";
    EXPECT_EQ(Picture.PictureType(), picBitmap);
}
