// pixora-batch at the limits of the machine: a picture larger than the memory it may have, and an output
// larger than the file-size limit. Both end in the message and exit status of any failure.
#include "cli/BatchCommand.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/MemoryLimit.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestJpegs.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using BatchLimits = TFolderTest;

namespace {

// The tool as the build tree holds it: its cli folder beside the tests' folder.
std::string BatchExecutable()
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "cli" / "pixora-batch")
        .string();
}

} // namespace

// 6000 x 4000 pixels claimed by a 30 KB file need a 72 MB bitmap; with room for 16 MB only, the failed
// allocation is the command's failure.
TEST_F(BatchLimits, APictureLargerThanTheMemoryLeftFailsWithTheOutOfMemoryMessage)
{
    if (!AddressSpaceLimitApplies())
        GTEST_SKIP() << "the sanitizers' own mappings make an address-space limit meaningless";
    const std::vector<std::uint8_t> Bytes =
        ClaimingSize(MakeJpeg(MakeRandomBitmap(64, 64, 24, 3), {}), 6000, 4000, 30000);
    std::ofstream(PathOf("huge.jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
    const std::string Output = PathOf("out.bmp");
    const int Result = RunWithAddressSpaceLimit(std::size_t(16) << 20, [&] {
        std::ostringstream Out, Errors;
        const int Status = RunBatch(std::vector<std::string>{PathOf("huge.jpg"), "-o", Output}, Out, Errors);
        if (Errors.str() != std::string(Messages::SErrorNotEnoughMemory) + "\n") return 100;
        return Status;
    });
    EXPECT_EQ(Result, 1) << "100: another message; 134: the process was aborted";
    EXPECT_FALSE(std::filesystem::exists(Output));
}

// The file-size limit stops the write of a 120 KB bitmap after 10 KB: the tool reports it, removes its
// temporary file and leaves the previous output as it was, instead of being killed by SIGXFSZ.
TEST_F(BatchLimits, AWriteBeyondTheFileSizeLimitIsReported)
{
    TPicture Picture;
    const TBitmap Source = MakeRandomBitmap(200, 200, 24, 4);
    Picture.SetGraphic(&Source);
    Picture.SaveToFile(PathOf("in.bmp"));
    std::ofstream(PathOf("out.bmp")) << "previous";

    ASSERT_TRUE(std::filesystem::exists(BatchExecutable())) << BatchExecutable() << " is not built";
    int Pipe[2];
    ASSERT_EQ(pipe(Pipe), 0);
    const pid_t Child = fork();
    if (Child == 0) {
        dup2(Pipe[1], STDERR_FILENO);
        close(Pipe[0]);
        rlimit Limit{};
        getrlimit(RLIMIT_FSIZE, &Limit);
        Limit.rlim_cur = 10000;
        setrlimit(RLIMIT_FSIZE, &Limit);
        // The signal's disposition as a shell gives it.
        signal(SIGXFSZ, SIG_DFL);
        const std::string Tool = BatchExecutable();
        execl(Tool.c_str(), Tool.c_str(), PathOf("in.bmp").c_str(), "-o", PathOf("out.bmp").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(Pipe[1]);
    std::string Errors;
    char Buffer[256];
    for (ssize_t Count; (Count = read(Pipe[0], Buffer, sizeof Buffer)) > 0;) Errors.append(Buffer, std::size_t(Count));
    close(Pipe[0]);
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFEXITED(Status)) << "ended by signal " << WTERMSIG(Status);
    EXPECT_EQ(WEXITSTATUS(Status), 1);
    EXPECT_NE(Errors.find(FormatMessage(Messages::SFCreateError, PathOf("out.bmp").c_str())), std::string::npos)
        << Errors;
    EXPECT_EQ(TextOf("out.bmp"), "previous");
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"in.bmp", "out.bmp"}));
}
