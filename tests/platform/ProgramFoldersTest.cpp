// Where the program keeps its files: beside itself while it can write there, in the user's settings
// folder otherwise.
#include "platform/system/ProgramFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

// Sets an environment variable for one test and puts the old value back.
class TEnvironmentVariable
{
public:
    TEnvironmentVariable(const char* Name, const char* Value) : FName(Name)
    {
        if (const char* Old = std::getenv(Name)) FOld = Old;
        if (Value != nullptr)
            setenv(Name, Value, 1);
        else
            unsetenv(Name);
    }
    ~TEnvironmentVariable()
    {
        if (FOld)
            setenv(FName, FOld->c_str(), 1);
        else
            unsetenv(FName);
    }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

std::filesystem::path FreshFolder(const char* Name)
{
    const auto Folder = std::filesystem::temp_directory_path() / Name;
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    return Folder;
}

} // namespace

TEST(ProgramFolders, SplitsPaths)
{
    EXPECT_EQ(ExtractFileDir("/usr/local/bin/pixora"), "/usr/local/bin");
    EXPECT_EQ(ExtractFileDir("/pixora"), "/");
    EXPECT_EQ(ExtractFileDir("pixora"), "");
    EXPECT_EQ(ExtractFileName("/usr/local/bin/pixora"), "pixora");
    EXPECT_EQ(ExtractFileName("pixora"), "pixora");
}

TEST(ProgramFolders, KnowsTheRunningExecutable)
{
    EXPECT_EQ(ExtractFileName(ExecutablePath()), "platform_tests");
}

TEST(ProgramFolders, StaysBesideAWritableExecutable)
{
    const auto Folder = FreshFolder("pixora-folders-writable");
    EXPECT_TRUE(FolderIsWritable(Folder.string()));
    EXPECT_EQ(ProgramFilesFolder(Folder.string()), Folder.string());
    EXPECT_TRUE(std::filesystem::is_empty(Folder)) << "the trial file is removed";
}

TEST(ProgramFolders, MovesToTheConfigFolderWhenTheExecutablesCannotBeWritten)
{
    const auto Home = FreshFolder("pixora-folders-home");
    // A path through a plain file cannot hold a new file, whoever runs the test.
    std::ofstream(Home / "plain-file") << "x";
    const std::string Unwritable = (Home / "plain-file" / "bin").string();
    EXPECT_FALSE(FolderIsWritable(Unwritable));

    {
        const TEnvironmentVariable Config("XDG_CONFIG_HOME", (Home / "config").c_str());
        EXPECT_EQ(ProgramFilesFolder(Unwritable), (Home / "config" / "pixora").string());
        EXPECT_TRUE(std::filesystem::is_directory(Home / "config" / "pixora"));
    }
    const TEnvironmentVariable HomeVariable("HOME", Home.c_str());
    {
        const TEnvironmentVariable Config("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(ProgramFilesFolder(Unwritable), (Home / ".config" / "pixora").string());
    }
    const TEnvironmentVariable Relative("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(UserConfigFolder(), (Home / ".config" / "pixora").string()) << "a relative value is ignored";
}

TEST(ProgramFolders, AnInstalledProgramUsesTheConfigFolderEvenWhereItCouldWrite)
{
    const auto Prefix = FreshFolder("pixora-folders-prefix");
    std::filesystem::create_directories(Prefix / "bin");
    EXPECT_FALSE(IsInstalledProgramFolder((Prefix / "bin").string()));
    std::filesystem::create_directories(Prefix / "share" / "applications");
    std::ofstream(Prefix / "share" / "applications" / "pixora.desktop") << "[Desktop Entry]\n";
    EXPECT_TRUE(IsInstalledProgramFolder((Prefix / "bin").string()));
    const TEnvironmentVariable Config("XDG_CONFIG_HOME", (Prefix / "config").c_str());
    EXPECT_EQ(ProgramFilesFolder((Prefix / "bin").string()), (Prefix / "config" / "pixora").string());
}
