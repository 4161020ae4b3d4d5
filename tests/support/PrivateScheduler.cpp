#include "tests/support/PrivateScheduler.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace {

std::string PpdFor(const std::string& PaperName, bool LowResolution, const std::filesystem::path& Filter)
{
    std::ostringstream Ppd;
    Ppd << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
           "*LanguageEncoding: ISOLatin1\n*PCFileName: \"PIXTEST.PPD\"\n*Manufacturer: \"Test\"\n"
           "*Product: \"(Test Printer)\"\n*ModelName: \"Test Printer\"\n*ShortNickName: \"Test Printer\"\n"
           "*NickName: \"Test Printer\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n"
           "*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n"
           "*TTRasterizer: Type42\n*cupsVersion: 2.4\n*cupsLanguages: \"en\"\n"
        << "*cupsFilter2: \"application/pdf application/vnd.cups-pdf 0 " << Filter.string() << "\"\n";
    for (const char* Option : {"PageSize", "PageRegion"}) {
        Ppd << "*OpenUI *" << Option << "/Media Size: PickOne\n*OrderDependency: 10 AnySetup *" << Option << "\n"
            << "*Default" << Option << ": " << PaperName << "\n"
            << "*" << Option << " A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
            << "*" << Option << " Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
            << "*CloseUI: *" << Option << "\n";
    }
    Ppd << "*DefaultImageableArea: " << PaperName << "\n*ImageableArea A4/A4: \"12 24 571 806\"\n"
        << "*ImageableArea Letter/US Letter: \"18 18 594 774\"\n*DefaultPaperDimension: " << PaperName << "\n"
        << "*PaperDimension A4/A4: \"595 842\"\n*PaperDimension Letter/US Letter: \"612 792\"\n"
        << "*OpenUI *Resolution/Resolution: PickOne\n*OrderDependency: 20 AnySetup *Resolution\n"
        << "*DefaultResolution: " << (LowResolution ? "300dpi" : "600dpi") << "\n"
        << "*Resolution 300dpi/300 DPI: \"<</HWResolution[300 300]>>setpagedevice\"\n";
    if (!LowResolution) Ppd << "*Resolution 600dpi/600 DPI: \"<</HWResolution[600 600]>>setpagedevice\"\n";
    Ppd << "*CloseUI: *Resolution\n";
    return Ppd.str();
}

bool Exists(int Pid)
{
    return kill(Pid, 0) == 0;
}

} // namespace

int RunCommand(const std::string& Command, std::string* Output)
{
    FILE* Pipe = popen(Command.c_str(), "r");
    if (Pipe == nullptr) return -1;
    std::string Text;
    char Buffer[4096];
    while (const std::size_t Read = std::fread(Buffer, 1, sizeof Buffer, Pipe)) Text.append(Buffer, Read);
    const int Status = pclose(Pipe);
    if (Output != nullptr) *Output = Text;
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

TPrivateScheduler::TPrivateScheduler()
{
    if (!Installed()) {
        FProblem = "the print scheduler (cups-daemon, cups-client) is not installed";
        return;
    }
    char Template[] = "/tmp/pixora-cups-XXXXXX";
    if (mkdtemp(Template) == nullptr) {
        FProblem = "no temporary folder";
        return;
    }
    FFolder = Template;
    std::string Pid;
    const std::filesystem::path Script = PIXORA_SOURCE_DIR "/tests/support/private-print-scheduler";
    const int Status = RunCommand(Script.string() + " " + FFolder.string(), &Pid);
    FPid = Status == 0 ? std::atoi(Pid.c_str()) : 0;
    if (FPid <= 0) {
        FProblem = "the scheduler did not start: " + ErrorLog();
        return;
    }
    setenv("CUPS_SERVER", (FFolder / "cups.sock").c_str(), 1);
}

bool TPrivateScheduler::Installed()
{
    return std::filesystem::exists("/usr/sbin/cupsd") && std::filesystem::exists("/usr/sbin/lpadmin");
}

TPrivateScheduler::~TPrivateScheduler()
{
    if (FPid > 0) {
        kill(FPid, SIGTERM);
        for (int Waited = 0; Waited < 100 && Exists(FPid); ++Waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!FFolder.empty()) {
        std::error_code Ignored;
        std::filesystem::remove_all(FFolder, Ignored);
    }
}

void TPrivateScheduler::AddQueue(const std::string& Name, const std::string& PaperName, bool LowResolution,
                                 bool Default)
{
    const std::filesystem::path Ppd = FFolder / (Name + ".ppd");
    std::ofstream(Ppd) << PpdFor(PaperName, LowResolution, FFolder / "filter" / "passthrough");
    RunCommand("lpadmin -p " + Name + " -E -v file://" + Output(Name).string() + " -P " + Ppd.string() + " 2>&1");
    if (Default) RunCommand("lpadmin -d " + Name + " 2>&1");
}

bool TPrivateScheduler::WaitForJobs(const std::string& Name, int Seconds) const
{
    for (int Waited = 0; Waited < Seconds * 20; ++Waited) {
        std::string Pending, Completed;
        RunCommand("lpstat -o " + Name + " 2>/dev/null", &Pending);
        RunCommand("lpstat -W completed -o " + Name + " 2>/dev/null", &Completed);
        if (Pending.empty() && !Completed.empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string TPrivateScheduler::ErrorLog() const
{
    std::string Log;
    RunCommand("grep -E '^[EW] ' " + (FFolder / "log" / "error_log").string() + " 2>/dev/null | tail -20", &Log);
    return Log;
}
