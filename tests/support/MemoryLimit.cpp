#include "tests/support/MemoryLimit.h"

#include "platform/system/LargeBlock.h"

#include <exception>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define PIXORA_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIXORA_TEST_SANITIZED 1
#endif
#endif

namespace {

// The address space mapped now, from the kernel's account of the process.
std::size_t MappedBytes()
{
    std::ifstream Status("/proc/self/status");
    std::string Word;
    std::size_t KiB = 0;
    while (Status >> Word)
        if (Word == "VmSize:" && Status >> KiB) break;
    return KiB << 10;
}

} // namespace

bool AddressSpaceLimitApplies()
{
#ifdef PIXORA_TEST_SANITIZED
    return false;
#else
    return true;
#endif
}

TAddressSpaceLimit::TAddressSpaceLimit(std::size_t Extra)
{
    ReleaseKeptBlocks();
    if (getrlimit(RLIMIT_AS, &FOld) != 0) return;
    rlimit Tight = FOld;
    Tight.rlim_cur = MappedBytes() + Extra;
    FSet = setrlimit(RLIMIT_AS, &Tight) == 0;
}

TAddressSpaceLimit::~TAddressSpaceLimit()
{
    if (FSet) setrlimit(RLIMIT_AS, &FOld);
}

int RunWithAddressSpaceLimit(std::size_t Extra, const std::function<int()>& Body)
{
    const pid_t Child = fork();
    if (Child == 0) {
        const TAddressSpaceLimit Limit(Extra);
        if (!Limit.Set()) _exit(125);
        // An exception that escapes Body ends the child as it would end a program, never the test
        // program's copy in the child.
        try {
            _exit(Body());
        } catch (...) {
            std::terminate();
        }
    }
    int Status = 0;
    if (Child < 0 || waitpid(Child, &Status, 0) != Child) return -1;
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}
