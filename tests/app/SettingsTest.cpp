// The 24 keys: a first start's file, a round trip, a bad key amid good ones, maximised windows, and
// where an installed program keeps the file.
#include "app/Settings.h"
#include "app/Messages.h"
#include "app/Param.h"
#include "platform/system/ProgramFolders.h"
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::vector<std::string> FirstStartLines = {
    "Vorel.exe 環境設定ファイル --- このファイルは、編集しないで下さい。",
    "Left=10",
    "Top=20",
    "Width=604",
    "Height=501",
    "WindowState=0",
    "自動補正レベル=0",
    "エッジ強調レベル=1",
    "ノイズ除去レベル=0",
    "輪郭描画レベル=1",
    "モザイクレベル=2",
    "ポスタリゼーションレベル=2",
    "輪郭抽出レベル=1",
    "額縁の幅=1",
    "額縁のコントラスト=105",
    "額縁の光の方向=True",
    "OpenDir=\x1A",
    "SaveDir=\x1A",
    "Smooth=False",
    "HLeft=723",
    "HTop=520",
    "HWidth=294",
    "HHeight=209",
    "HWindowState=0",
    "Histgram=False",
};

TSettingsValues FirstStart()
{
    TSettingsValues Values;
    Values.Main.Left = 10;
    Values.Main.Top = 20;
    return Values;
}

} // namespace

TEST(Settings, AFirstStartWritesTheHeaderAndTheKeysInOrder)
{
    TParameter Parameter;
    WriteFirstStartSettings(Parameter, FirstStart());
    EXPECT_EQ(Parameter.Lines(), FirstStartLines);
}

TEST(Settings, ComeBackThroughTheFile)
{
    const auto Folder = std::filesystem::temp_directory_path() / "pixora-settings-round-trip";
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    TSettingsValues Values = FirstStart();
    Values.Main = {-40, 7, 800, 600, WindowStateNormal};
    Values.Levels = {-2, 3, 4, 5, 6, 7, 8, 9, 200};
    Values.LightFromLeft = false;
    Values.OpenDir = "/home/ユーザー/写真";
    Values.Smooth = true;
    Values.Histogram = {1, 2, 300, 400, WindowStateMinimised};
    Values.HistogramOpen = true;
    TParameter Parameter;
    Parameter.SetDir(Folder.string());
    Parameter.SetFileName("pixora.ini");
    WriteFirstStartSettings(Parameter, Values);
    Parameter.SaveValues();

    TParameter Back;
    Back.SetDir(Folder.string());
    Back.SetFileName("pixora.ini");
    Back.LoadValues();
    TSettingsValues Read;
    EXPECT_TRUE(ReadSettings(Back, Read).empty());
    EXPECT_EQ(Read.Main.Left, -40);
    EXPECT_EQ(Read.Main.Width, 800);
    EXPECT_EQ(Read.Levels, Values.Levels);
    EXPECT_FALSE(Read.LightFromLeft);
    EXPECT_EQ(Read.OpenDir, "/home/ユーザー/写真");
    EXPECT_EQ(Read.SaveDir, "");
    EXPECT_TRUE(Read.Smooth);
    EXPECT_EQ(Read.Histogram.Height, 400);
    EXPECT_EQ(Read.Histogram.WindowState, WindowStateMinimised);
    EXPECT_TRUE(Read.HistogramOpen);
}

TEST(Settings, ABadKeyReportsItsMessageAndTheOthersStillLoad)
{
    TParameter Parameter;
    for (std::string Line : FirstStartLines) {
        if (Line == "Width=604") Line = "width=abc";
        if (Line == "Smooth=False") Line = "Smooth=false";
        if (Line == "OpenDir=\x1A") Line = "OpenDir=";
        if (Line == "Left=10") Line = "LEFT=33";
        if (Line == "Height=501") Line = "Height=480";
        Parameter.AddLine(Line);
    }
    TSettingsValues Values;
    Values.Main.Width = 111;
    Values.OpenDir = "/kept";
    const std::vector<std::string> Errors = ReadSettings(Parameter, Values);
    EXPECT_EQ(Errors,
              (std::vector<std::string>{"'abc' は整数ではありません", "Name 'OpenDir' is not found in parameters.",
                                        "Value of Smooth 'false' is not Boolean Type."}));
    EXPECT_EQ(Values.Main.Left, 33) << "names match without regard to case";
    EXPECT_EQ(Values.Main.Width, 111) << "a bad key keeps the value it had";
    EXPECT_EQ(Values.Main.Height, 480);
    EXPECT_EQ(Values.OpenDir, "/kept");
    EXPECT_EQ(Values.Histogram.Left, 723) << "keys after the bad ones still load";
}

TEST(Settings, AMaximisedWindowKeepsItsNormalPlacement)
{
    TParameter Parameter;
    WriteFirstStartSettings(Parameter, FirstStart());
    TSettingsValues Closing = FirstStart();
    Closing.Main = {0, 0, 1920, 1080, WindowStateMaximised};
    Closing.Histogram = {0, 0, 1920, 1080, WindowStateMaximised};
    WriteSettings(Parameter, Closing);
    TSettingsValues Read;
    ASSERT_TRUE(ReadSettings(Parameter, Read).empty());
    EXPECT_EQ(Read.Main.Left, 10);
    EXPECT_EQ(Read.Main.Width, 604);
    EXPECT_EQ(Read.Main.WindowState, WindowStateMaximised);
    EXPECT_EQ(Read.Histogram.Width, 294);
    EXPECT_EQ(Read.Histogram.WindowState, WindowStateMaximised);
    EXPECT_EQ(Parameter.Count(), 25);

    TParameter Lacking;
    WriteSettings(Lacking, Closing);
    EXPECT_EQ(Lacking.ReadInteger("Width"), 1920) << "bounds the file lacks are written even when maximised";
}

TEST(Settings, TheHistogramWindowReadsAndWritesItsOwnKeys)
{
    TParameter Parameter;
    WriteFirstStartSettings(Parameter, FirstStart());
    WriteHistogramPlacement(Parameter, {5, 6, 300, 200, WindowStateNormal});
    TWindowPlacement Placement;
    EXPECT_TRUE(ReadHistogramPlacement(Parameter, Placement).empty());
    EXPECT_EQ(Placement.Left, 5);
    EXPECT_EQ(Placement.Height, 200);
    EXPECT_EQ(Parameter.Count(), 25);
}

TEST(Settings, LoadSettingsFindsTheFileOfTheRunningProgram)
{
    EnsureApplication();
    TParameter Parameter;
    Parameter.LoadSettings();
    EXPECT_EQ(Parameter.ExeName(), ExecutablePath());
    EXPECT_EQ(Parameter.FileName(), "app_tests.ini");
    EXPECT_EQ(Parameter.Dir(), ProgramFilesFolder(ExtractFileDir(ExecutablePath())));
}
