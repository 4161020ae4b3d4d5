#include "platform/system/FileUtils.h"

#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string ExtractFileExt(const std::string& FileName)
{
    const auto Dot = FileName.find_last_of('.');
    const auto Slash = FileName.find_last_of('/');
    if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash)) return {};
    return FileName.substr(Dot);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& FileName)
{
    std::FILE* File = std::fopen(FileName.c_str(), "rb");
    if (File == nullptr) throw EFOpenError(FormatMessage(Messages::SFOpenError, FileName.c_str()));
    std::vector<std::uint8_t> Bytes;
    std::uint8_t Buffer[1 << 16];
    std::size_t Read;
    while ((Read = std::fread(Buffer, 1, sizeof Buffer, File)) > 0) Bytes.insert(Bytes.end(), Buffer, Buffer + Read);
    const bool Failed = std::ferror(File) != 0;
    std::fclose(File);
    if (Failed) throw EFOpenError(FormatMessage(Messages::SFOpenError, FileName.c_str()));
    return Bytes;
}

void WriteWholeFile(const std::string& FileName, std::span<const std::uint8_t> Bytes)
{
    const std::string Temporary = FileName + ".tmp-XXXXXX";
    std::vector<char> Template(Temporary.begin(), Temporary.end());
    Template.push_back('\0');
    const int Descriptor = mkstemp(Template.data());
    if (Descriptor < 0) throw EFCreateError(FormatMessage(Messages::SFCreateError, FileName.c_str()));
    bool Written = true;
    std::size_t Offset = 0;
    while (Written && Offset < Bytes.size()) {
        const ssize_t Count = write(Descriptor, Bytes.data() + Offset, Bytes.size() - Offset);
        if (Count < 0 && errno == EINTR) continue;
        Written = Count > 0;
        if (Written) Offset += std::size_t(Count);
    }
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
