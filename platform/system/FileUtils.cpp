#include "platform/system/FileUtils.h"

#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

std::string ExtractFileExt(const std::string& FileName)
{
    const auto Dot = FileName.find_last_of('.');
    const auto Slash = FileName.find_last_of('/');
    if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash)) return {};
    return FileName.substr(Dot);
}

namespace {

// No picture or settings file read here comes near this; a regular file that keeps growing while it is
// read is refused there rather than read until memory runs out.
constexpr std::size_t MaxFileBytes = std::size_t(1) << 32;

// Closes the descriptor it holds on every path.
class TDescriptor
{
public:
    explicit TDescriptor(int Value) : FValue(Value) {}
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    ~TDescriptor()
    {
        if (FValue >= 0) close(FValue);
    }
    int get() const { return FValue; }
    // Closes now; false when closing reports an error (a write the file system could not complete).
    bool Close() { return close(std::exchange(FValue, -1)) == 0; }

private:
    int FValue;
};

// Reads the whole file into a TBlock, sized by the file's length and grown by doubling past it while the
// file grows meanwhile (files of special file systems report none). Only regular files are read, and
// opening waits for nothing, so a FIFO is refused as promptly as a device or a folder. TBlock offers
// construction from a size, size(), get() and Shrink, as TLargeBlock does.
template <class TBlock> TBlock ReadWholeFileInto(const std::string& FileName)
{
    const auto Refuse = [&] { throw EFOpenError(FormatMessage(Messages::SFOpenError, FileName.c_str())); };
    const TDescriptor Descriptor(open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat Status
    {
    };
    if (Descriptor.get() < 0 || fstat(Descriptor.get(), &Status) != 0 || !S_ISREG(Status.st_mode) ||
        std::uint64_t(Status.st_size) > MaxFileBytes)
        Refuse();
    TBlock Block(Status.st_size > 0 ? std::size_t(Status.st_size) : std::size_t(1) << 16);
    std::size_t Filled = 0;
    while (true) {
        if (Filled == Block.size()) {
            // Full: one more byte tells whether the file goes on.
            std::uint8_t Probe;
            const ssize_t Count = read(Descriptor.get(), &Probe, 1);
            if (Count < 0 && errno == EINTR) continue;
            if (Count == 0) break;
            if (Count < 0 || Filled == MaxFileBytes) Refuse();
            TBlock Larger(std::min(2 * Block.size(), MaxFileBytes));
            std::memcpy(Larger.get(), Block.get(), Filled);
            Larger.get()[Filled++] = Probe;
            Block = std::move(Larger);
            continue;
        }
        const ssize_t Count = read(Descriptor.get(), Block.get() + Filled, Block.size() - Filled);
        if (Count < 0 && errno == EINTR) continue;
        if (Count == 0) break;
        if (Count < 0) Refuse();
        Filled += std::size_t(Count);
    }
    Block.Shrink(Filled);
    return Block;
}

// A vector in the shape ReadWholeFileInto uses.
struct TVectorBlock
{
    std::vector<std::uint8_t> Bytes;
    explicit TVectorBlock(std::size_t Size) : Bytes(Size) {}
    std::size_t size() const { return Bytes.size(); }
    std::uint8_t* get() { return Bytes.data(); }
    void Shrink(std::size_t Size) { Bytes.resize(Size); }
};

} // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& FileName)
{
    return std::move(ReadWholeFileInto<TVectorBlock>(FileName).Bytes);
}

TLargeBlock ReadLargeFile(const std::string& FileName)
{
    return ReadWholeFileInto<TLargeBlock>(FileName);
}

void WriteWholeFile(const std::string& FileName, std::span<const std::uint8_t> Bytes)
{
    const std::span<const std::uint8_t> Parts[] = {Bytes};
    WriteWholeFile(FileName, Parts);
}

namespace {

// Writes every byte of Parts to Descriptor, gathering up to IOV_MAX parts a call and going on after
// short writes; false on an error.
bool WriteParts(int Descriptor, std::span<const std::span<const std::uint8_t>> Parts)
{
    std::size_t Next = 0;   // the first part not wholly written
    std::size_t Offset = 0; // bytes of it already written
    while (Next < Parts.size()) {
        std::vector<iovec> Vectors;
        for (std::size_t Index = Next; Index < Parts.size() && Vectors.size() < IOV_MAX; ++Index) {
            const std::size_t Skip = Index == Next ? Offset : 0;
            if (Parts[Index].size() > Skip)
                Vectors.push_back({const_cast<std::uint8_t*>(Parts[Index].data() + Skip), Parts[Index].size() - Skip});
        }
        if (Vectors.empty()) return true;
        ssize_t Count = writev(Descriptor, Vectors.data(), int(Vectors.size()));
        if (Count < 0 && errno == EINTR) continue;
        if (Count <= 0) return false;
        // Advance past what was written, whole parts first.
        while (Next < Parts.size() && std::size_t(Count) >= Parts[Next].size() - Offset) {
            Count -= ssize_t(Parts[Next].size() - Offset);
            Offset = 0;
            ++Next;
        }
        Offset += std::size_t(Count);
    }
    return true;
}

// The file Name leads to through symbolic links, relative ones taken from the folder of the link; empty
// when the links go round in a loop.
std::string FollowLinks(std::string Name)
{
    for (int Hops = 0; Hops < 40; ++Hops) {
        struct stat Status
        {
        };
        if (lstat(Name.c_str(), &Status) != 0 || !S_ISLNK(Status.st_mode)) return Name;
        std::vector<char> Target(PATH_MAX);
        const ssize_t Length = readlink(Name.c_str(), Target.data(), Target.size());
        if (Length <= 0 || std::size_t(Length) == Target.size()) return {};
        const std::filesystem::path Link(std::string(Target.data(), std::size_t(Length)));
        Name = Link.is_absolute() ? Link.string() : (std::filesystem::path(Name).parent_path() / Link).string();
    }
    return {};
}

// Creates a file of a name not yet taken beginning with Prefix, with the permissions a new file gets
// (the umask applies, unlike mkstemp's owner-only ones); Name receives the name.
int CreateTemporary(const std::string& Prefix, std::string& Name)
{
    static constexpr char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        std::uint8_t Random[6];
        if (getrandom(Random, sizeof Random, 0) != ssize_t(sizeof Random)) return -1;
        Name = Prefix;
        for (const std::uint8_t Byte : Random) Name += Digits[Byte % 36];
        const int Descriptor = open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Descriptor >= 0 || errno != EEXIST) return Descriptor;
    }
    return -1;
}

// Gives the new file at Descriptor the owner, group and permissions of the file it replaces, as far as
// this process may: another owner needs privilege, another group membership of it; without them the new
// file stays this process's. The permissions come last, as a change of owner clears set-id bits.
bool KeepOwnerAndMode(int Descriptor, const struct stat& Replaced)
{
    if (fchown(Descriptor, Replaced.st_uid, Replaced.st_gid) != 0)
        static_cast<void>(fchown(Descriptor, uid_t(-1), Replaced.st_gid) == 0);
    return fchmod(Descriptor, Replaced.st_mode & 07777) == 0;
}

// Writes a FIFO or a character device as it is: there is nothing to replace, and a temporary file beside
// it would be a regular file.
void WriteInto(const std::string& FileName, std::span<const std::span<const std::uint8_t>> Parts)
{
    TDescriptor Descriptor(open(FileName.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (Descriptor.get() < 0 || !WriteParts(Descriptor.get(), Parts) || !Descriptor.Close())
        throw EFCreateError(FormatMessage(Messages::SFCreateError, FileName.c_str()));
}

} // namespace

void WriteWholeFile(const std::string& FileName, std::span<const std::span<const std::uint8_t>> Parts)
{
    const auto Refuse = [&] { throw EFCreateError(FormatMessage(Messages::SFCreateError, FileName.c_str())); };
    struct stat Status
    {
    };
    if (stat(FileName.c_str(), &Status) == 0 && (S_ISFIFO(Status.st_mode) || S_ISCHR(Status.st_mode))) {
        WriteInto(FileName, Parts);
        return;
    }
    // A link stays a link: the file it names is replaced.
    const std::string Target = FollowLinks(FileName);
    if (Target.empty()) Refuse();
    const bool Replacing = lstat(Target.c_str(), &Status) == 0;
    if (Replacing && !S_ISREG(Status.st_mode)) Refuse();
    std::string Temporary;
    TDescriptor Descriptor(CreateTemporary(Target + ".tmp-", Temporary));
    if (Descriptor.get() < 0) Refuse();
    bool Written = WriteParts(Descriptor.get(), Parts);
    Written = Written && (!Replacing || KeepOwnerAndMode(Descriptor.get(), Status));
    Written = Descriptor.Close() && Written;
    if (!Written || std::rename(Temporary.c_str(), Target.c_str()) != 0) {
        std::remove(Temporary.c_str());
        Refuse();
    }
}

void IgnoreWriteSignals()
{
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}
