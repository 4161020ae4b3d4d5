#include "platform/system/FileUtils.h"

#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

std::string ExtractFileExt(const std::string& FileName)
{
    const auto Dot = FileName.find_last_of('.');
    const auto Slash = FileName.find_last_of('/');
    if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash)) return {};
    return FileName.substr(Dot);
}

namespace {

// Reads the whole file into a TBlock, sized by the file's length when it has one and grown by doubling
// past it (a file that grows meanwhile, or one without a length such as a pipe). TBlock offers
// construction from a size, size(), get() and Shrink, as TLargeBlock does.
template <class TBlock> TBlock ReadWholeFileInto(const std::string& FileName)
{
    const auto Refuse = [&] { throw EFOpenError(FormatMessage(Messages::SFOpenError, FileName.c_str())); };
    const int Descriptor = open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (Descriptor < 0) Refuse();
    struct stat Status
    {
    };
    const bool Sized = fstat(Descriptor, &Status) == 0 && S_ISREG(Status.st_mode) && Status.st_size > 0;
    TBlock Block(Sized ? std::size_t(Status.st_size) : std::size_t(1) << 16);
    std::size_t Filled = 0;
    bool Failed = false;
    while (true) {
        if (Filled == Block.size()) {
            // Full: one more byte tells whether the file goes on.
            std::uint8_t Probe;
            const ssize_t Count = read(Descriptor, &Probe, 1);
            if (Count < 0 && errno == EINTR) continue;
            if (Count <= 0) {
                Failed = Count < 0;
                break;
            }
            TBlock Larger(2 * Block.size());
            std::memcpy(Larger.get(), Block.get(), Filled);
            Larger.get()[Filled++] = Probe;
            Block = std::move(Larger);
            continue;
        }
        const ssize_t Count = read(Descriptor, Block.get() + Filled, Block.size() - Filled);
        if (Count < 0 && errno == EINTR) continue;
        if (Count <= 0) {
            Failed = Count < 0;
            break;
        }
        Filled += std::size_t(Count);
    }
    close(Descriptor);
    if (Failed) Refuse();
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

} // namespace

void WriteWholeFile(const std::string& FileName, std::span<const std::span<const std::uint8_t>> Parts)
{
    const std::string Temporary = FileName + ".tmp-XXXXXX";
    std::vector<char> Template(Temporary.begin(), Temporary.end());
    Template.push_back('\0');
    const int Descriptor = mkstemp(Template.data());
    if (Descriptor < 0) throw EFCreateError(FormatMessage(Messages::SFCreateError, FileName.c_str()));
    bool Written = WriteParts(Descriptor, Parts);
    // New files get the usual permissions rather than mkstemp's owner-only ones.
    const mode_t Mask = umask(0);
    umask(Mask);
    Written = Written && fchmod(Descriptor, 0666 & ~Mask) == 0;
    Written = close(Descriptor) == 0 && Written;
    if (!Written || std::rename(Template.data(), FileName.c_str()) != 0) {
        std::remove(Template.data());
        throw EFCreateError(FormatMessage(Messages::SFCreateError, FileName.c_str()));
    }
}
