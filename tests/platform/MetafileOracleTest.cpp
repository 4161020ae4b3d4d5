// Metafiles we write, rendered by independent renderers (EMF: emf2svg-conv then rsvg-convert; WMF:
// wmf2svg then rsvg-convert), look like our own rendering of them. Skipped where the renderers are absent.
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "tests/support/MetafileCompare.h"
#include "tests/support/TestApplication.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

bool HasProgram(const std::string& Name)
{
    return std::system(("command -v " + Name + " >/dev/null 2>&1").c_str()) == 0;
}

// A 160 × 120 drawing: a pale background, a framed rectangle, a thick line, thin lines and a caption. The
// background is a framed rectangle too: the WMF renderer leaves out the pattern fills that FillRect
// records. The colours are ones it has names for, as it writes the nearest named colour.
TMetafile MakeDrawing()
{
    TMetafile Metafile;
    Metafile.SetWidth(160);
    Metafile.SetHeight(120);
    {
        TMetafileCanvas Canvas(Metafile);
        Canvas.Brush.Color = RGB(255, 255, 224);
        Canvas.Pen.Color = RGB(255, 255, 224);
        Canvas.Rectangle(0, 0, 160, 120);
        Canvas.Pen.Color = clBlue;
        Canvas.Pen.Width = 3;
        Canvas.Brush.Color = RGB(0, 128, 0);
        Canvas.Rectangle(20, 15, 90, 70);
        Canvas.Pen.Color = clRed;
        Canvas.Pen.Width = 6;
        Canvas.MoveTo(10, 100);
        Canvas.LineTo(150, 80);
        Canvas.Pen.Width = 1;
        Canvas.Pen.Color = clBlack;
        Canvas.MoveTo(100, 10);
        Canvas.LineTo(150, 60);
        Canvas.LineTo(100, 60);
        Canvas.Brush.Color = RGB(255, 255, 224);
        Canvas.Font.Size = 12;
        Canvas.TextOut(100, 20, "Pixora");
    }
    return Metafile;
}

class MetafileOracle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureApplication();
        FFolder = std::filesystem::temp_directory_path() / ("pixora-oracle-" + std::to_string(getpid()));
        std::filesystem::create_directories(FFolder);
    }
    void TearDown() override { std::filesystem::remove_all(FFolder); }

    // Writes Metafile to Name in the test's folder and reads it back as the renderers will read it.
    TMetafile WriteAndReadBack(const TMetafile& Metafile, const std::string& Name)
    {
        std::vector<std::uint8_t> Bytes;
        Metafile.SaveToStream(Bytes);
        std::ofstream(FFolder / Name, std::ios::binary)
            .write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
        TMetafile Written;
        Written.LoadFromStream(Bytes);
        return Written;
    }

    // Runs Command in the test's folder and loads the PNG it leaves.
    QImage Rendered(const std::string& Command, const std::string& Png)
    {
        const std::string InFolder = "cd '" + FFolder.string() + "' && " + Command + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(InFolder.c_str()), 0) << Command;
        return QImage(QString::fromStdString((FFolder / Png).string()));
    }

    std::filesystem::path FFolder;
};

} // namespace

TEST_F(MetafileOracle, EnhancedMetafileRendersLikeOurs)
{
    if (!HasProgram("emf2svg-conv") || !HasProgram("rsvg-convert"))
        GTEST_SKIP() << "emf2svg-conv or rsvg-convert absent";
    const TMetafile Written = WriteAndReadBack(MakeDrawing(), "drawing.emf");
    const QImage Reference = Rendered(
        "emf2svg-conv -i drawing.emf -o drawing.svg && rsvg-convert drawing.svg -o drawing.png", "drawing.png");
    ASSERT_FALSE(Reference.isNull());
    const double Difference = MeanAbsoluteDifference(RenderLikeReference(Written, Reference.size()), Reference);
    std::printf("EMF %dx%d: %.2f\n", Reference.width(), Reference.height(), Difference);
    EXPECT_LE(Difference, ReferenceTolerance);
}

TEST_F(MetafileOracle, WindowsMetafileRendersLikeOurs)
{
    if (!HasProgram("wmf2svg") || !HasProgram("rsvg-convert")) GTEST_SKIP() << "wmf2svg or rsvg-convert absent";
    TMetafile Drawing = MakeDrawing();
    Drawing.SetEnhanced(false);
    const TMetafile Written = WriteAndReadBack(Drawing, "drawing.wmf");
    const QImage Reference =
        Rendered("wmf2svg -o drawing.svg drawing.wmf && rsvg-convert drawing.svg -o drawing.png", "drawing.png");
    ASSERT_FALSE(Reference.isNull());
    const double Difference = MeanAbsoluteDifference(RenderLikeReference(Written, Reference.size()), Reference);
    std::printf("WMF %dx%d: %.2f\n", Reference.width(), Reference.height(), Difference);
    EXPECT_LE(Difference, ReferenceTolerance);
}
