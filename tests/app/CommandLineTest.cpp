// The editor's start: its command line, the toolkit's Japanese texts and the check for a Japanese font.
#include "app/CommandLine.h"
#include "app/Messages.h"
#include "app/ToolkitTranslations.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/system/FileUtils.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/TestApplication.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QProcess>
#include <QTranslator>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

namespace {

TCommandLine Parse(std::initializer_list<const char*> Words)
{
    QStringList Arguments;
    for (const char* Word : Words) Arguments << QString::fromUtf8(Word);
    return ParseCommandLine(Arguments);
}

// The program run in a folder of its own with Arguments and Environment added to the test's own.
struct TRun
{
    int Status = -1;
    std::string Output;
    std::string Errors;
};

TRun RunEditor(const QStringList& Arguments, const std::map<QString, QString>& Environment)
{
    QProcess Editor;
    QProcessEnvironment Variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [Name, Value] : Environment) Variables.insert(Name, Value);
    Editor.setProcessEnvironment(Variables);
    Editor.start(QStringLiteral(PIXORA_EXECUTABLE), Arguments);
    TRun Run;
    if (!Editor.waitForFinished(20000)) {
        Editor.kill();
        Editor.waitForFinished();
        return Run;
    }
    Run.Status = Editor.exitCode();
    Run.Output = Editor.readAllStandardOutput().toStdString();
    Run.Errors = Editor.readAllStandardError().toStdString();
    return Run;
}

} // namespace

TEST(CommandLine, TakesABareFileOrOpenAndTheHelpOption)
{
    EXPECT_EQ(Parse({"/pictures/a b.jpg"}).Open, "/pictures/a b.jpg");
    EXPECT_EQ(Parse({"--open", "x.bmp"}).Open, "x.bmp");
    EXPECT_EQ(Parse({"first.bmp", "second.bmp"}).Open, "first.bmp");
    EXPECT_EQ(Parse({"--", "--odd-name.bmp"}).Open, "--odd-name.bmp");
    EXPECT_EQ(Parse({"--screenshot", "s.png", "x.bmp"}).Screenshot, "s.png");
    EXPECT_TRUE(Parse({"--help"}).Help);
    EXPECT_TRUE(Parse({}).Open.empty());
    EXPECT_EQ(Parse({"--frobnicate"}).Error, "unknown option --frobnicate");
    EXPECT_EQ(Parse({"--open"}).Error, "--open takes a FILE");
}

TEST(CommandLine, HelpPrintsTheUsageWithoutOpeningAWindow)
{
    // No display at all: a window could not open.
    const TRun Run = RunEditor({"--help"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", "xcb"}});
    EXPECT_EQ(Run.Status, 0) << Run.Errors;
    EXPECT_EQ(Run.Output, CommandLineUsage);
    EXPECT_EQ(RunEditor({"--frobnicate"}, {}).Status, 2);
}

TEST(CommandLine, ABareFileIsOpenedAtStart)
{
    TFrameFixture Fixture; // for its folder
    WriteBitmapFile(MakeGradient(300, 200), Fixture.Folder() / "scene.bmp");
    const std::filesystem::path Shot = Fixture.Folder() / "window.png";
    const TRun Run = RunEditor({QString::fromStdString((Fixture.Folder() / "scene.bmp").string()), "--screenshot",
                                QString::fromStdString(Shot.string())},
                               {{"QT_QPA_PLATFORM", "offscreen"}});
    ASSERT_EQ(Run.Status, 0) << Run.Errors;
    TPicture Picture;
    Picture.LoadFromFile(Shot.string());
    TBitmap Window;
    Window.Assign(*Picture.Graphic());
    Window.SetPixelFormat(pf24bit);
    // Right of the panel the picture shows: far more colours than an empty window has.
    std::set<std::uint32_t> Colours;
    for (int Y = 60; Y < 200; ++Y) {
        const std::uint8_t* Row = Window.ScanLine(Y);
        for (int X = 220; X < 400; ++X)
            Colours.insert(Row[3 * X] | (Row[3 * X + 1] << 8) | (std::uint32_t(Row[3 * X + 2]) << 16));
    }
    EXPECT_GT(Colours.size(), 1000u);
}

TEST(CommandLine, AStartWithoutAJapaneseFontSaysSoInEnglish)
{
    TFrameFixture Fixture; // for its folder
    // Fonts of the Latin script only.
    const std::filesystem::path Config = Fixture.Folder() / "fonts.conf";
    WriteWholeFile(Config.string(), [&] {
        const std::string Text = "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"fonts.dtd\"><fontconfig>"
                                 "<dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>" +
                                 (Fixture.Folder() / "cache").string() + "</cachedir></fontconfig>";
        return std::vector<std::uint8_t>(Text.begin(), Text.end());
    }());
    const std::string Shot = (Fixture.Folder() / "window.png").string();
    const TRun Run =
        RunEditor({"--screenshot", QString::fromStdString(Shot)},
                  {{"QT_QPA_PLATFORM", "offscreen"}, {"FONTCONFIG_FILE", QString::fromStdString(Config.string())}});
    EXPECT_EQ(Run.Status, 0) << Run.Errors;
    EXPECT_NE(Run.Errors.find(std::string("pixora: ") + Messages::SNoJapaneseFont + "\n"), std::string::npos)
        << Run.Errors;
    EXPECT_NE(std::string(Messages::SNoJapaneseFont).find("fonts-ipafont-gothic"), std::string::npos);
    // With the fonts of the machine nothing is said.
    const TRun Usual = RunEditor({"--screenshot", QString::fromStdString(Shot)}, {{"QT_QPA_PLATFORM", "offscreen"}});
    EXPECT_EQ(Usual.Errors.find(Messages::SNoJapaneseFont), std::string::npos);
}

TEST(ToolkitTranslations, TheToolkitsDialogsSpeakJapanese)
{
    EnsureApplication();
    if (!std::filesystem::exists(
            (QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")).toStdString()))
        GTEST_SKIP() << "Qt's Japanese translations (qt6-translations-l10n) are not installed";
    QTranslator* Translator = InstallToolkitTranslations();
    ASSERT_NE(Translator, nullptr);
    const QString Open = QCoreApplication::translate("QFileDialog", "Open");
    const QString Cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    QCoreApplication::removeTranslator(Translator);
    delete Translator;
    EXPECT_NE(Open, QStringLiteral("Open"));
    EXPECT_NE(Cancel, QStringLiteral("Cancel"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("Open"));
}
