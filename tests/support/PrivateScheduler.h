#pragma once
// A print scheduler of the test's own, with every file in a temporary folder and queues that write the
// PDF they receive to a file. While it runs, CUPS_SERVER points the print clients of this process (the
// toolkit's print support included) at it. Each test runs in a process of its own, so the clients
// never saw another server before.

#include <filesystem>
#include <string>

class TPrivateScheduler
{
public:
    // Starts the scheduler; Started() tells whether it runs, Problem() why not.
    TPrivateScheduler();
    ~TPrivateScheduler();
    TPrivateScheduler(const TPrivateScheduler&) = delete;
    TPrivateScheduler& operator=(const TPrivateScheduler&) = delete;

    // Whether the scheduler's programs are there at all.
    static bool Installed();
    bool Started() const { return FPid > 0; }
    const std::string& Problem() const { return FProblem; }

    // Adds a queue whose driver is a PPD of a printer on PaperName ("A4", "Letter"): 300 and 600 pixels
    // per inch (only 300 with LowResolution), margins left 12, top 36, right 24, bottom 24 points on A4
    // and 18 on Letter. The queue writes to Output(Name); Default makes it the default printer.
    void AddQueue(const std::string& Name, const std::string& PaperName, bool LowResolution, bool Default);
    std::filesystem::path Output(const std::string& Name) const { return FFolder / "out" / (Name + ".pdf"); }
    // Waits up to Seconds for every job of the queue to complete; false on a time-out.
    bool WaitForJobs(const std::string& Name, int Seconds) const;
    // The scheduler's error log, for failure messages.
    std::string ErrorLog() const;

private:
    std::filesystem::path FFolder;
    int FPid = 0;
    std::string FProblem;
};

// Runs a shell command; its exit status, and its standard output in Output when given.
int RunCommand(const std::string& Command, std::string* Output = nullptr);
