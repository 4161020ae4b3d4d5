// The set-up that `make run` and `make test` do first: scripts/install-deps installs the missing Debian
// packages (through sudo when not root) and does nothing else when none is missing.
#include "platform/system/FileUtils.h"

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

namespace {

class Setup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FFolder = std::filesystem::temp_directory_path() / ("pixora_setup_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(FFolder / "bin");
        // Stand-ins for the system's tools: dpkg knows every package but those in MISSING, and
        // installing only writes down what would run.
        Tool("dpkg-query",
             "for word in \"$@\"; do case \"$word\" in -*) ;; *) case \" $MISSING \" in *\" $word \"*) ;; "
             "*) echo \"$word ii \";; esac;; esac; done");
        Tool("id", "echo \"$USER_ID\"");
        Tool("sudo", "echo sudo >> \"$LOG\"; \"$@\"");
        Tool("apt-get", "echo \"apt-get $*\" >> \"$LOG\"");
    }
    void TearDown() override { std::filesystem::remove_all(FFolder); }

    void Tool(const std::string& Name, const std::string& Body) const
    {
        const std::string Script = "#!/bin/sh\n" + Body + "\n";
        WriteWholeFile((FFolder / "bin" / Name).string(), std::vector<std::uint8_t>(Script.begin(), Script.end()));
        ::chmod((FFolder / "bin" / Name).c_str(), 0755);
    }

    // What installing with Missing absent, as the user UserId, runs.
    std::string Install(const std::string& Missing, const std::string& UserId) const
    {
        QProcess Script;
        QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
        Environment.insert("PATH",
                           QString::fromStdString((FFolder / "bin").string()) + ":" + Environment.value("PATH"));
        Environment.insert("MISSING", QString::fromStdString(Missing));
        Environment.insert("USER_ID", QString::fromStdString(UserId));
        Environment.insert("LOG", QString::fromStdString((FFolder / "log").string()));
        Script.setProcessEnvironment(Environment);
        Script.start(QStringLiteral(PIXORA_SOURCE_DIR "/scripts/install-deps"), {});
        EXPECT_TRUE(Script.waitForFinished(20000));
        EXPECT_EQ(Script.exitCode(), 0) << Script.readAllStandardError().toStdString();
        std::error_code Absent;
        if (!std::filesystem::exists(FFolder / "log", Absent)) return "";
        const auto Bytes = ReadWholeFile((FFolder / "log").string());
        std::filesystem::remove(FFolder / "log");
        return std::string(Bytes.begin(), Bytes.end());
    }

    std::filesystem::path FFolder;
};

} // namespace

TEST_F(Setup, InstallsOnlyWhatIsMissingThroughSudoWhenNotRoot)
{
    EXPECT_EQ(Install("", "1000"), "") << "nothing is missing, nothing runs";
    EXPECT_EQ(Install("openbox fonts-ipafont-gothic", "1000"),
              "sudo\napt-get update\nsudo\napt-get install -y --no-install-recommends fonts-ipafont-gothic openbox\n");
    EXPECT_EQ(Install("qt6-translations-l10n", "0"),
              "apt-get update\napt-get install -y --no-install-recommends qt6-translations-l10n\n");
}

TEST(MakeTargets, RunAndTestInstallWhatIsMissingFirst)
{
    if (std::system("command -v make > /dev/null") != 0) GTEST_SKIP() << "make is not installed";
    for (const char* Target : {"run", "test"}) {
        QProcess Make;
        Make.setWorkingDirectory(QStringLiteral(PIXORA_SOURCE_DIR));
        Make.start("make", {"-n", "--no-print-directory", Target, "BUILD=/nonexistent/pixora-build"});
        ASSERT_TRUE(Make.waitForFinished(20000));
        const std::string Commands = Make.readAllStandardOutput().toStdString();
        EXPECT_EQ(Commands.rfind("scripts/install-deps\n", 0), 0u) << Target << ":\n" << Commands;
    }
}
