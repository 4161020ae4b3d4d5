// The editor's windows under a real window manager (openbox on a virtual display): where they come back
// start after start, how they fit the screen, and how the histogram window stacks. The offscreen
// platform has no window manager, so none of this shows there.

#include "app/Param.h"
#include "app/Settings.h"
#include "platform/system/FileUtils.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRect>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <unistd.h>

namespace {

bool HasCommand(const char* Name)
{
    return std::system(("command -v " + std::string(Name) + " > /dev/null 2>&1").c_str()) == 0;
}

class RealDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* Tool : {"Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "xmessage"})
            if (!HasCommand(Tool)) GTEST_SKIP() << Tool << " is not installed (scripts/install-deps installs it)";
        FFolder = std::filesystem::temp_directory_path() / ("pixora_desktop_" + std::to_string(::getpid()));
        std::filesystem::create_directories(FFolder);
        std::filesystem::copy_file(PIXORA_EXECUTABLE, FFolder / "pixora",
                                   std::filesystem::copy_options::overwrite_existing);
        // The server picks a free display and tells its number.
        FServer.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        ASSERT_TRUE(FServer.waitForReadyRead(10000)) << "Xvfb did not start";
        FDisplay = ":" + FServer.readAllStandardOutput().trimmed().toStdString();
        FEnvironment = QProcessEnvironment::systemEnvironment();
        FEnvironment.insert("DISPLAY", QString::fromStdString(FDisplay));
        FEnvironment.insert("QT_QPA_PLATFORM", "xcb");
        FManager.setProcessEnvironment(FEnvironment);
        FManager.start("openbox", {});
        // The work area is among the last things the window manager announces as it starts; a window
        // mapped before would be adopted unframed and framed later, as no desktop starts a program.
        ASSERT_TRUE(WaitFor(
            [this] {
                return Run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos &&
                       Run("xprop -root _NET_WORKAREA").find(" = ") != std::string::npos;
            },
            15000))
            << "openbox did not start on " << FDisplay
            << (FManager.waitForFinished(0) ? ", it exited: " + FManager.readAllStandardError().toStdString() : "")
            << (FServer.waitForFinished(0) ? ", the server exited: " + FServer.readAllStandardError().toStdString()
                                           : "");
        QThread::msleep(500);
    }

    void TearDown() override
    {
        for (QProcess* Process : {&FEditor, &FOther, &FManager, &FServer}) {
            Process->kill();
            Process->waitForFinished(5000);
        }
        std::error_code Ignored;
        if (!FFolder.empty()) std::filesystem::remove_all(FFolder, Ignored);
    }

    // Asks Condition every 50 ms until it holds or Milliseconds have passed: a deadline in time, since each
    // question runs programs that a busy machine slows down.
    template <class TCondition> static bool WaitFor(TCondition Condition, int Milliseconds = 5000)
    {
        QElapsedTimer Clock;
        Clock.start();
        for (;;) {
            if (Condition()) return true;
            if (Clock.hasExpired(Milliseconds)) return false;
            QThread::msleep(50);
        }
    }

    // Standard output of a command run on the virtual display.
    std::string Run(const std::string& Command) const
    {
        QProcess Shell;
        Shell.setProcessEnvironment(FEnvironment);
        Shell.start("sh", {"-c", QString::fromStdString(Command)});
        Shell.waitForFinished(10000);
        return Shell.readAllStandardOutput().toStdString();
    }

    // The visible window whose title is exactly Title, or "".
    std::string WindowNamed(const std::string& Title) const
    {
        std::istringstream Found(Run("xdotool search --onlyvisible --name '^" + Title + "$'"));
        std::string Window;
        Found >> Window;
        return Window;
    }

    // Starts the editor and waits for its window (and the histogram window when it opens at start).
    void StartEditor(bool WithHistogram)
    {
        FEditor.setProcessEnvironment(FEnvironment);
        FEditor.start(QString::fromStdString((FFolder / "pixora").string()), {});
        ASSERT_TRUE(WaitFor(
            [&] { return !WindowNamed("Pixora").empty() && (!WithHistogram || !WindowNamed("Histgram").empty()); },
            10000))
            << "the editor's windows did not appear";
        // The window manager frames the windows after they appear.
        QThread::msleep(300);
    }

    // Closes the editor as the user does, so that it writes its settings.
    void CloseEditor()
    {
        // Asked again where the key went elsewhere, the focus still moving on a busy machine.
        for (int Try = 0; Try < 4 && FEditor.state() != QProcess::NotRunning; ++Try) {
            Run("xdotool windowactivate --sync " + WindowNamed("Pixora") + " key ctrl+q");
            FEditor.waitForFinished(3000);
        }
        ASSERT_EQ(FEditor.state(), QProcess::NotRunning) << "the editor did not close";
    }

    std::map<std::string, std::string> StoredSettings() const
    {
        std::map<std::string, std::string> Keys;
        for (const std::string& Line : SettingsLinesOf(ReadWholeFile((FFolder / "pixora.ini").string()))) {
            const auto Equals = Line.find('=');
            if (Equals != std::string::npos) Keys[Line.substr(0, Equals)] = Line.substr(Equals + 1);
        }
        return Keys;
    }

    void WriteStoredSettings(const TSettingsValues& Values) const
    {
        TParameter Parameter;
        Parameter.SetDir(FFolder.string());
        Parameter.SetFileName("pixora.ini");
        WriteFirstStartSettings(Parameter, Values);
        Parameter.SaveValues();
    }

    // A window's bounds with the frame the window manager drew around it.
    QRect FrameOf(const std::string& Window) const
    {
        const std::string Info = Run("xwininfo -id " + Window);
        const auto Number = [&Info](const std::string& Label) {
            const auto At = Info.find(Label);
            return At == std::string::npos ? -1 : std::atoi(Info.c_str() + At + Label.size());
        };
        int Left = 0, Right = 0, Top = 0, Bottom = 0;
        std::sscanf(Run("xprop -id " + Window + " _NET_FRAME_EXTENTS").c_str(),
                    "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &Left, &Right, &Top, &Bottom);
        return QRect(Number("Absolute upper-left X:"), Number("Absolute upper-left Y:"), Number("Width:"),
                     Number("Height:"))
            .adjusted(-Left, -Top, Right, Bottom);
    }

    // The managed windows, bottom first.
    std::vector<std::string> Stacking() const
    {
        std::string List = Run("xprop -root _NET_CLIENT_LIST_STACKING");
        std::vector<std::string> Windows;
        for (auto At = List.find("0x"); At != std::string::npos; At = List.find("0x", At + 1))
            Windows.push_back(std::to_string(std::strtoul(List.c_str() + At, nullptr, 16)));
        return Windows;
    }

    std::filesystem::path FFolder;
    std::string FDisplay;
    QProcessEnvironment FEnvironment;
    QProcess FServer;
    QProcess FManager;
    QProcess FEditor;
    QProcess FOther;
};

} // namespace

TEST_F(RealDesktop, WindowsNotMovedComeBackWhereTheyWereStartAfterStart)
{
    TSettingsValues Values;
    Values.Main = {200, 150, 604, 501, WindowStateNormal};
    Values.HistogramOpen = true;
    WriteStoredSettings(Values);
    std::vector<std::map<std::string, std::string>> Runs;
    for (int Start = 0; Start < 2; ++Start) {
        StartEditor(true);
        CloseEditor();
        Runs.push_back(StoredSettings());
    }
    for (const char* Key : {"Left", "Top", "Width", "Height", "HLeft", "HTop", "HWidth", "HHeight"}) {
        EXPECT_EQ(Runs[0][Key], Runs[1][Key]) << Key;
    }
    EXPECT_EQ(Runs[1]["Left"], "200");
    EXPECT_EQ(Runs[1]["Top"], "150");
    EXPECT_EQ(Runs[1]["HTop"], "520");
}

TEST_F(RealDesktop, WindowsStoredOffTheScreenAreShownOnItAndTheHistogramStacksAsAToolWindow)
{
    TSettingsValues Values;
    Values.Main = {400, 300, 900, 900, WindowStateNormal};
    Values.Histogram = {900, 729, 294, 209, WindowStateNormal};
    Values.HistogramOpen = true;
    WriteStoredSettings(Values);
    StartEditor(true);
    const std::string Main = WindowNamed("Pixora");
    const std::string Histogram = WindowNamed("Histgram");
    const QRect Screen(0, 0, 1024, 768);
    // Moved, if at all, once the window manager has framed them.
    EXPECT_TRUE(WaitFor([&] { return Screen.contains(FrameOf(Main)); })) << FrameOf(Main).y();
    EXPECT_TRUE(WaitFor([&] { return Screen.contains(FrameOf(Histogram)); })) << FrameOf(Histogram).y();

    // Above its main window, which it belongs to, but not above another program's window.
    EXPECT_NE(Run("xprop -id " + Histogram + " WM_TRANSIENT_FOR").find("window id"), std::string::npos);
    std::vector<std::string> Order = Stacking();
    const auto Position = [&Order](const std::string& Window) {
        return std::find(Order.begin(), Order.end(), Window) - Order.begin();
    };
    EXPECT_GT(Position(Histogram), Position(Main));
    const QRect Over = FrameOf(Histogram);
    FOther.setProcessEnvironment(FEnvironment);
    FOther.start("xmessage", {"-geometry", QString("+%1+%2").arg(Over.x()).arg(Over.y()), "another program"});
    ASSERT_TRUE(WaitFor([&] { return Stacking().size() == 3; })) << "the other program's window did not appear";
    QThread::msleep(300);
    Order = Stacking();
    EXPECT_NE(Order.back(), Histogram) << "the histogram window stays above another program";
    EXPECT_NE(Order.back(), Main);
    EXPECT_GT(Position(Histogram), Position(Main));

    // Nor above the program's own dialogs.
    Run("xdotool windowactivate --sync " + Main + " key ctrl+o");
    ASSERT_TRUE(WaitFor([&] { return Stacking().size() == 4; })) << "the open dialog did not appear";
    QThread::msleep(300);
    Order = Stacking();
    EXPECT_NE(Order.back(), Histogram) << "the histogram window stays above the open dialog";
    Run("xdotool windowactivate --sync " + Order.back() + " key Escape");
    ASSERT_TRUE(WaitFor([&] { return Stacking().size() == 3; })) << "the open dialog did not close";
    CloseEditor();
}
