#include "tests/app/FrameTestSupport.h"

#include "engine/KelvoImg.h"
#include "tests/support/TestPictures.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct TCommand
{
    const char* Control;
    // What the engine component does to the picture with the levels the test sets.
    std::function<void(TKelvoImage&)> Operation;
    bool Commits;
};

TBitmap Operated(const TBitmap& Source, const std::function<void(TKelvoImage&)>& Operation)
{
    TKelvoImage Image;
    Image.Picture().SetGraphic(&Source);
    Operation(Image);
    return Image.Picture().Bitmap();
}

} // namespace

// Each command of the panel and of the menus, on a reloaded photograph, gives what its operation gives with
// the spin boxes' levels, and the committing ones make that the base.
TEST(FrameCommandTable, EveryCommandAppliesItsOperationToAPhotograph)
{
    const std::filesystem::path Photograph = CorpusDir() / "jpeg/flower.jpg";
    if (CorpusDir().empty() || !std::filesystem::exists(Photograph)) GTEST_SKIP() << "corpus photograph absent";
    TFrameFixture Fixture;
    Fixture.Open(Photograph);
    const int Levels[] = {0, 5, 30, 60, 40, 7, 5, 60, 12, 150, 100};
    for (int Index = 1; Index <= 9; ++Index)
        Fixture.Control<QSpinBox>(("UpDown" + std::to_string(Index)).c_str()).setValue(Levels[Index]);
    Fixture.Control<QRadioButton>("RadioButton2").setChecked(true);

    const std::vector<TCommand> Commands = {
        {"Button3", [](TKelvoImage& I) { I.Automatic(5); }, true},
        {"Button4", [](TKelvoImage& I) { I.Edge(30); }, false},
        {"Button5", [](TKelvoImage& I) { I.Median(60); }, false},
        {"Button6", [](TKelvoImage& I) { I.Blur(); }, false},
        {"Button7", [](TKelvoImage& I) { I.Sobel(40, true); }, false},
        {"Button8", [](TKelvoImage& I) { I.Mosaic(7); }, false},
        {"Button9", [](TKelvoImage& I) { I.Posterization(5); }, false},
        {"Button10", [](TKelvoImage& I) { I.Sobel(60, false); }, false},
        {"Button11", [](TKelvoImage& I) { I.Framing(12, 150, false); }, false},
        {"Button12", [](TKelvoImage& I) { I.GrayScale(); }, false},
        {"Button13", [](TKelvoImage& I) { I.Sepia(); }, false},
        {"Button14", [](TKelvoImage& I) { I.Negative(); }, false},
        {"Button15",
         [](TKelvoImage& I) {
             int Threshold = 100;
             I.BlackAndWhite(100, Threshold);
         },
         false},
        {"Octree2561", [](TKelvoImage& I) { I.Reduce(rmOctree); }, true},
        {"MedianCut2561", [](TKelvoImage& I) { I.Reduce(rmMedianCut); }, true},
        {"MedianCutByVariance2561", [](TKelvoImage& I) { I.Reduce(rmMedianCutByVariance); }, true},
        {"MedianCut2562", [](TKelvoImage& I) { I.Reduce(rmMedianCutDiffusion); }, true},
        {"MedianCut2563", [](TKelvoImage& I) { I.Reduce(rmMedianCutByVarianceDiffusion); }, true},
        {"N4", [](TKelvoImage& I) { I.Reduce(rmStaticColorDiffusion); }, true},
        {"PixelFormat2561", [](TKelvoImage& I) { I.Picture().Bitmap().SetPixelFormat(pf8bit); }, true},
        {"N901", [](TKelvoImage& I) { I.Turn(90); }, true},
        {"N1801", [](TKelvoImage& I) { I.Turn(180); }, true},
        {"N2701", [](TKelvoImage& I) { I.Turn(270); }, true},
        {"R1", [](TKelvoImage& I) { I.Reverse(); }, true},
    };
    for (const TCommand& Command : Commands) {
        Fixture.Press("O1");
        // The reload returns the threshold to -1.
        Fixture.Control<QSpinBox>("UpDown10").setValue(100);
        ASSERT_EQ(Fixture.Control<QComboBox>("ComboBox1").currentIndex(), 1) << Command.Control; // JPEG
        // The first pixel command makes the JPEG picture a bitmap of the base with the sliders at neutral.
        const TBitmap Start = Operated(Fixture.Form().BaseBitmap(), [](TKelvoImage& I) {
            I.Light(0);
            I.Gamma(1);
            I.Contrast(100);
            I.Bright(100);
        });
        Fixture.Press(Command.Control);
        const TBitmap Expected = Operated(Start, Command.Operation);
        ASSERT_FALSE(SamePixels(Expected, Start)) << Command.Control << " changes nothing here";
        EXPECT_TRUE(SamePixels(Fixture.PictureBitmap(), Expected)) << Command.Control;
        EXPECT_EQ(SamePixels(Fixture.Form().BaseBitmap(), Expected), Command.Commits) << Command.Control;
    }
    EXPECT_TRUE(Fixture.Messages().empty());
    // A quarter turn at 100 % swaps the displayed size.
    Fixture.Press("O1");
    Fixture.Press("N901");
    EXPECT_EQ(Fixture.Form().KelvoImage1.Width(), 360);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Height(), 480);
}
