// Whole-file reads and writes on what is not an ordinary file: FIFOs, devices, links, and files whose
// permissions and owner the write must keep.
#include "platform/system/FileUtils.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using FileUtils = TFolderTest;

namespace {

std::span<const std::uint8_t> BytesOf(const std::string& Text)
{
    return {reinterpret_cast<const std::uint8_t*>(Text.data()), Text.size()};
}

std::string ReadRefusal(const std::string& FileName)
{
    try {
        ReadLargeFile(FileName);
    } catch (const EFOpenError& Error) {
        return Error.Message();
    }
    return "read";
}

std::string WriteRefusal(const std::string& FileName, const std::string& Text)
{
    try {
        WriteWholeFile(FileName, BytesOf(Text));
    } catch (const EFCreateError& Error) {
        return Error.Message();
    }
    return "written";
}

} // namespace

// A FIFO must not hold the reader until a writer comes: here one comes after a second, and by then the
// read must long have been refused.
TEST_F(FileUtils, FifoIsRefusedWithoutWaitingForAWriter)
{
    const std::string Fifo = PathOf("fifo.bmp");
    ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
    std::jthread Writer([&Fifo] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        // Succeeds only while a reader holds the FIFO open.
        const int Descriptor = open(Fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (Descriptor >= 0) {
            EXPECT_EQ(write(Descriptor, "BM", 2), 2);
            close(Descriptor);
        }
    });
    EXPECT_EQ(ReadRefusal(Fifo), FormatMessage(Messages::SFOpenError, Fifo.c_str()));
}

// Devices are refused before a byte is read: /dev/zero never ends, /dev/null would be an empty picture.
TEST_F(FileUtils, DevicesAreRefused)
{
    for (const std::string Device : {"/dev/zero", "/dev/null"})
        EXPECT_EQ(ReadRefusal(Device), FormatMessage(Messages::SFOpenError, Device.c_str()));
    // Also behind a link with a picture's name.
    std::filesystem::create_symlink("/dev/zero", PathOf("zero.bmp"));
    EXPECT_EQ(ReadRefusal(PathOf("zero.bmp")), FormatMessage(Messages::SFOpenError, PathOf("zero.bmp").c_str()));
}

TEST_F(FileUtils, RegularFilesAreReadWhole)
{
    WriteWholeFile(PathOf("plain"), BytesOf("contents"));
    const TLargeBlock Block = ReadLargeFile(PathOf("plain"));
    EXPECT_EQ(std::string(Block.Bytes().begin(), Block.Bytes().end()), "contents");
    // Files of the kernel's own file systems report no length.
    const std::vector<std::uint8_t> Status = ReadWholeFile("/proc/self/status");
    EXPECT_NE(std::string(Status.begin(), Status.end()).find("Pid:"), std::string::npos);
}

TEST_F(FileUtils, ReplacedFileKeepsItsPermissions)
{
    const mode_t OldMask = umask(022);
    WriteWholeFile(PathOf("private.bmp"), BytesOf("old"));
    ASSERT_EQ(chmod(PathOf("private.bmp").c_str(), 0600), 0);
    WriteWholeFile(PathOf("private.bmp"), BytesOf("new"));
    WriteWholeFile(PathOf("fresh.bmp"), BytesOf("new"));
    umask(OldMask);

    struct stat Status
    {
    };
    ASSERT_EQ(stat(PathOf("private.bmp").c_str(), &Status), 0);
    EXPECT_EQ(Status.st_mode & 07777, 0600u);
    EXPECT_EQ(TextOf("private.bmp"), "new");
    // A new file gets what the umask leaves of read and write for all.
    ASSERT_EQ(stat(PathOf("fresh.bmp").c_str(), &Status), 0);
    EXPECT_EQ(Status.st_mode & 07777, 0644u);
}

// Only a privileged process may give a file to another owner; a member of a group may give it that group.
TEST_F(FileUtils, ReplacedFileKeepsItsOwnerAndGroupWherePermitted)
{
    WriteWholeFile(PathOf("owned.bmp"), BytesOf("old"));
    uid_t Owner = getuid();
    gid_t Group = getgid();
    if (geteuid() == 0) {
        Owner = 65534;
        Group = 65534;
    } else {
        std::vector<gid_t> Groups(std::size_t(std::max(getgroups(0, nullptr), 0)));
        getgroups(int(Groups.size()), Groups.data());
        const auto Other = std::find_if(Groups.begin(), Groups.end(), [](gid_t Id) { return Id != getegid(); });
        if (Other == Groups.end()) GTEST_SKIP() << "this user belongs to no second group and may not change owners";
        Group = *Other;
    }
    ASSERT_EQ(chown(PathOf("owned.bmp").c_str(), Owner, Group), 0);
    WriteWholeFile(PathOf("owned.bmp"), BytesOf("new"));
    struct stat Status
    {
    };
    ASSERT_EQ(stat(PathOf("owned.bmp").c_str(), &Status), 0);
    EXPECT_EQ(Status.st_uid, Owner);
    EXPECT_EQ(Status.st_gid, Group);
    EXPECT_EQ(TextOf("owned.bmp"), "new");
}

TEST_F(FileUtils, WritesThroughSymbolicLinks)
{
    std::filesystem::create_directory(PathOf("pictures"));
    WriteWholeFile(PathOf("pictures/target.bmp"), BytesOf("old"));
    ASSERT_EQ(chmod(PathOf("pictures/target.bmp").c_str(), 0640), 0);
    // A relative link, through a second link in another folder.
    std::filesystem::create_symlink("pictures/target.bmp", PathOf("first.bmp"));
    std::filesystem::create_directory(PathOf("links"));
    std::filesystem::create_symlink("../first.bmp", PathOf("links/second.bmp"));
    WriteWholeFile(PathOf("links/second.bmp"), BytesOf("new"));
    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("links/second.bmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("first.bmp")));
    EXPECT_EQ(TextOf("pictures/target.bmp"), "new");
    EXPECT_EQ(std::filesystem::status(PathOf("pictures/target.bmp")).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"first.bmp", "links", "pictures"}));

    // A link to a file not yet there makes that file.
    std::filesystem::create_symlink("made.bmp", PathOf("dangling.bmp"));
    WriteWholeFile(PathOf("dangling.bmp"), BytesOf("made"));
    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("dangling.bmp")));
    EXPECT_EQ(TextOf("made.bmp"), "made");

    // Links that go round in a loop name no file.
    std::filesystem::create_symlink("loop-b.bmp", PathOf("loop-a.bmp"));
    std::filesystem::create_symlink("loop-a.bmp", PathOf("loop-b.bmp"));
    EXPECT_EQ(WriteRefusal(PathOf("loop-a.bmp"), "x"),
              FormatMessage(Messages::SFCreateError, PathOf("loop-a.bmp").c_str()));
}

TEST_F(FileUtils, WritesIntoAFifoAsItIs)
{
    const std::string Fifo = PathOf("out.bmp");
    ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
    std::string Received;
    std::jthread Reader([&] {
        std::ifstream Stream(Fifo, std::ios::binary);
        Received.assign(std::istreambuf_iterator<char>(Stream), {});
    });
    const std::string Picture(100000, 'p');
    WriteWholeFile(Fifo, BytesOf(Picture));
    Reader.join();
    EXPECT_EQ(Received, Picture);
    EXPECT_TRUE(std::filesystem::is_fifo(Fifo));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"out.bmp"});
}

// /dev/null reached through a link: a temporary file renamed over it would replace the link (and,
// written to directly as root, the device itself) with a regular file.
TEST_F(FileUtils, WritesIntoACharacterDeviceAsItIs)
{
    std::filesystem::create_symlink("/dev/null", PathOf("null.bmp"));
    WriteWholeFile(PathOf("null.bmp"), BytesOf("discarded"));
    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("null.bmp")));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"null.bmp"});
}

TEST_F(FileUtils, OtherKindsOfFileAreNotReplaced)
{
    std::filesystem::create_directory(PathOf("folder.bmp"));
    EXPECT_EQ(WriteRefusal(PathOf("folder.bmp"), "x"),
              FormatMessage(Messages::SFCreateError, PathOf("folder.bmp").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("folder.bmp")));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"folder.bmp"});
}
