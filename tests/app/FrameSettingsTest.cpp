#include "tests/app/FrameTestSupport.h"

#include "app/Histgram.h"
#include "app/Messages.h"
#include "app/SettingsText.h"
#include "platform/system/FileUtils.h"
#include "tests/support/TestPictures.h"

#include <QAction>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

void WriteSettingsFile(const std::filesystem::path& File, const std::vector<std::string>& Lines)
{
    WriteWholeFile(File.string(), SettingsFileOf(Lines));
}

} // namespace

TEST(FrameSettings, AFirstStartWritesTheHeaderAndEveryKeyAtClose)
{
    TFrameFixture Fixture;
    const std::filesystem::path File = Fixture.Form().Parameter1.FullName();
    EXPECT_FALSE(std::filesystem::exists(File));
    Fixture.Form().close();
    ASSERT_TRUE(std::filesystem::exists(File));
    const std::vector<std::string> Lines = SettingsLinesOf(ReadFileBytes(File));
    ASSERT_EQ(Lines.size(), 25u);
    EXPECT_EQ(Lines[0], Messages::SSettingsHeader);
    EXPECT_EQ(Lines[3], "Width=604");
    EXPECT_EQ(Lines[7], "エッジ強調レベル=1");
    EXPECT_EQ(Lines[16], "OpenDir=\x1A");
    EXPECT_EQ(Lines[24], "Histgram=False");
}

TEST(FrameSettings, LevelsFoldersAndOptionsComeBackAtTheNextStart)
{
    TFrameFixture Fixture;
    WriteBitmapFile(MakeGradient(10, 10), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Control<QSpinBox>("UpDown2").setValue(7);
    Fixture.Control<QSpinBox>("UpDown9").setValue(250);
    Fixture.Control<QRadioButton>("RadioButton2").setChecked(true);
    Fixture.Press("S1");
    Fixture.Restart();
    EXPECT_EQ(Fixture.Control<QSpinBox>("UpDown2").value(), 7);
    EXPECT_EQ(Fixture.Control<QSpinBox>("UpDown9").value(), 250);
    EXPECT_TRUE(Fixture.Control<QRadioButton>("RadioButton2").isChecked());
    EXPECT_TRUE(Fixture.Control<QAction>("S1").isChecked());
    EXPECT_EQ(Fixture.Form().OpenDir(), Fixture.Folder().string());
    // The picture, the zoom and the threshold are not kept.
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picNil);
    EXPECT_EQ(Fixture.Control<QSpinBox>("UpDown10").value(), -1);
    EXPECT_TRUE(Fixture.Messages().empty());
}

TEST(FrameSettings, ABadValueIsReportedAndTheOtherKeysStillApply)
{
    TFrameFixture Fixture;
    Fixture.Form().close();
    const std::filesystem::path File = Fixture.Form().Parameter1.FullName();
    std::vector<std::string> Lines = SettingsLinesOf(ReadFileBytes(File));
    for (std::string& Line : Lines) {
        if (Line.rfind("Smooth=", 0) == 0) Line = "Smooth=true";
        if (Line.rfind("エッジ強調レベル=", 0) == 0) Line = "エッジ強調レベル=9";
        // Names are matched without regard to letter case.
        if (Line.rfind("SaveDir=", 0) == 0) Line = "savedir=/tmp";
    }
    WriteSettingsFile(File, Lines);
    Fixture.Restart();
    ASSERT_EQ(Fixture.Messages().size(), 1u);
    EXPECT_EQ(Fixture.Messages()[0], "Value of Smooth 'true' is not Boolean Type.");
    EXPECT_EQ(Fixture.Control<QSpinBox>("UpDown2").value(), 9);
    EXPECT_EQ(Fixture.Form().SaveDir(), "/tmp");
    EXPECT_FALSE(Fixture.Control<QAction>("S1").isChecked());
}

TEST(FrameSettings, AFileThatCannotBeWrittenIsReportedAndTheCloseStillCompletes)
{
    TFrameFixture Fixture;
    // A folder where the settings file should be: it cannot be written, while the scratch copy beside it can.
    std::filesystem::create_directories(Fixture.Folder() / "taken");
    Fixture.Form().Parameter1.SetFileName("taken");
    WriteBitmapFile(MakeGradient(10, 10), Fixture.Folder() / "scene.bmp");
    Fixture.Open(Fixture.Folder() / "scene.bmp");
    Fixture.Press("Copy1");
    Fixture.Press("Paste1");
    const std::string Scratch = Fixture.Form().PicturePath();
    ASSERT_TRUE(std::filesystem::exists(Scratch));
    Fixture.Form().close();
    ASSERT_EQ(Fixture.Messages().size(), 1u);
    EXPECT_NE(Fixture.Messages()[0].find("を作成できません"), std::string::npos) << Fixture.Messages()[0];
    EXPECT_FALSE(Fixture.Form().isVisible());
    EXPECT_FALSE(std::filesystem::exists(Scratch));
}

TEST(FrameSettings, EveryBadKeyOfAStartIsInOneMessageBox)
{
    TFrameFixture Fixture;
    Fixture.Form().close();
    const std::filesystem::path File = Fixture.Form().Parameter1.FullName();
    // A file of its header alone: all 24 keys are missing.
    WriteSettingsFile(File, {Messages::SSettingsHeader});
    Fixture.Restart();
    ASSERT_EQ(Fixture.Messages().size(), 1u);
    const std::string& Text = Fixture.Messages()[0];
    EXPECT_EQ(std::count(Text.begin(), Text.end(), '\n'), 23) << Text;
    EXPECT_EQ(Text.rfind("Name 'Left' is not found in parameters.\n", 0), 0u) << Text;
    EXPECT_TRUE(Text.ends_with("Name 'Histgram' is not found in parameters.")) << Text;

    // A bad key of the histogram window, open at start, is reported once, among the others.
    Fixture.Form().close();
    std::vector<std::string> Lines = SettingsLinesOf(ReadFileBytes(File));
    for (std::string& Line : Lines) {
        if (Line.rfind("HLeft=", 0) == 0) Line = "HLeft=far";
        if (Line.rfind("Smooth=", 0) == 0) Line = "Smooth=yes";
        if (Line.rfind("Histgram=", 0) == 0) Line = "Histgram=True";
    }
    WriteSettingsFile(File, Lines);
    Fixture.Restart();
    ASSERT_TRUE(Fixture.Form().Form2->isVisible());
    ASSERT_EQ(Fixture.Messages().size(), 2u);
    EXPECT_EQ(Fixture.Messages()[1], "Value of Smooth 'yes' is not Boolean Type.\n'far' は整数ではありません");
}

TEST(FrameSettings, ASizeNoScreenCanShowStartsAtTheFirstStartsSize)
{
    TFrameFixture Fixture;
    Fixture.Form().close();
    const std::filesystem::path File = Fixture.Form().Parameter1.FullName();
    std::vector<std::string> Lines = SettingsLinesOf(ReadFileBytes(File));
    for (std::string& Line : Lines) {
        if (Line.rfind("Width=", 0) == 0) Line = "Width=100000";
        if (Line.rfind("Height=", 0) == 0) Line = "Height=-5";
    }
    WriteSettingsFile(File, Lines);
    Fixture.Restart();
    EXPECT_EQ(Fixture.Form().width(), 604);
    EXPECT_EQ(Fixture.Form().height(), 501);
    EXPECT_TRUE(Fixture.Messages().empty());
    Fixture.Form().close();
    Lines = SettingsLinesOf(ReadFileBytes(File));
    EXPECT_EQ(Lines[3], "Width=604");
    EXPECT_EQ(Lines[4], "Height=501");
}

TEST(FrameSettings, FoldersAndBytesShiftJisCannotHoldComeBackExactly)
{
    TFrameFixture Fixture;
    const std::filesystem::path Folder = Fixture.Folder() / "Café 😀";
    std::filesystem::create_directories(Folder);
    WriteBitmapFile(MakeGradient(10, 10), Folder / "scene.bmp");
    Fixture.Open(Folder / "scene.bmp");
    Fixture.Save(Folder / "copy.bmp");
    Fixture.Restart();
    EXPECT_EQ(Fixture.Form().OpenDir(), Folder.string());
    EXPECT_EQ(Fixture.Form().SaveDir(), Folder.string());

    // Bytes that begin no Shift-JIS character, in a value the program writes back unchanged and in a
    // line of the user's, stay as they were.
    Fixture.Form().close();
    const std::filesystem::path File = Fixture.Form().Parameter1.FullName();
    const auto Bytes = ReadFileBytes(File);
    std::string Text(Bytes.begin(), Bytes.end());
    const std::string OpenLine = "OpenDir=" + SettingsBytesOf(Folder.string());
    ASSERT_NE(Text.find(OpenLine), std::string::npos);
    Text.replace(Text.find(OpenLine), OpenLine.size(), "OpenDir=/x/\x81\x20\xFF");
    Text += "note=\x85\x40\x80\r\n";
    WriteWholeFile(File.string(), std::vector<std::uint8_t>(Text.begin(), Text.end()));
    Fixture.Restart();
    Fixture.Form().close();
    const auto Written = ReadFileBytes(File);
    const std::string Again(Written.begin(), Written.end());
    EXPECT_NE(Again.find("\r\nOpenDir=/x/\x81\x20\xFF\r\n"), std::string::npos);
    EXPECT_NE(Again.find("\r\nnote=\x85\x40\x80\r\n"), std::string::npos);
}
