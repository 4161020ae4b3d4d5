#include "platform/system/ProgramFolders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

std::string ExecutablePath()
{
    std::error_code Error;
    const std::filesystem::path Path = std::filesystem::read_symlink("/proc/self/exe", Error);
    return Error ? std::string() : Path.string();
}

std::string ExtractFileDir(const std::string& FileName)
{
    const auto Slash = FileName.find_last_of('/');
    if (Slash == std::string::npos) return {};
    return Slash == 0 ? "/" : FileName.substr(0, Slash);
}

std::string ExtractFileName(const std::string& FileName)
{
    const auto Slash = FileName.find_last_of('/');
    return Slash == std::string::npos ? FileName : FileName.substr(Slash + 1);
}

bool FolderIsWritable(const std::string& Folder)
{
    if (Folder.empty()) return false;
    std::string Template = Folder + (Folder.back() == '/' ? "" : "/") + ".pixora-write-test-XXXXXX";
    const int Descriptor = mkstemp(Template.data());
    if (Descriptor < 0) return false;
    close(Descriptor);
    unlink(Template.c_str());
    return true;
}

std::string UserConfigFolder()
{
    const char* ConfigHome = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path Base;
    if (ConfigHome != nullptr && ConfigHome[0] == '/') {
        Base = ConfigHome;
    } else {
        const char* Home = std::getenv("HOME");
        Base = std::filesystem::path(Home != nullptr && Home[0] != '\0' ? Home : "/") / ".config";
    }
    const std::filesystem::path Folder = Base / "pixora";
    std::error_code Error;
    std::filesystem::create_directories(Folder, Error);
    return Folder.string();
}

bool IsInstalledProgramFolder(const std::string& ExeFolder)
{
    std::error_code Error;
    const auto Entry = std::filesystem::path(ExeFolder) / ".." / "share" / "applications" / "pixora.desktop";
    return !ExeFolder.empty() && std::filesystem::is_regular_file(Entry, Error);
}

std::string ProgramFilesFolder(const std::string& ExeFolder)
{
    return !IsInstalledProgramFolder(ExeFolder) && FolderIsWritable(ExeFolder) ? ExeFolder : UserConfigFolder();
}

std::string ProgramFilesFolder()
{
    return ProgramFilesFolder(ExtractFileDir(ExecutablePath()));
}
