#include "platform/graphics/codecs/JpegCoefficientFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

// The methods below are called from libjpeg's C code: they never throw, and report failures through
// libjpeg's error_exit, which does not return.

namespace {

// Rows of coefficient blocks an array keeps in memory at a time: about this many bytes, and never fewer
// rows than libjpeg asks for at once.
constexpr std::size_t WindowBytes = std::size_t(1) << 20;

// A file without a name, in the folder TMPDIR names, else where large temporary files belong, else /tmp.
int CreateTemporaryFile()
{
    const char* Folders[] = {std::getenv("TMPDIR"), "/var/tmp", "/tmp"};
    for (const char* Folder : Folders)
        if (Folder != nullptr && *Folder != '\0')
            if (const int File = open(Folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); File >= 0) return File;
    return -1;
}

[[noreturn]] void Fail(j_common_ptr Info, int Code)
{
    Info->err->msg_code = Code;
    Info->err->error_exit(Info);
    std::abort(); // error_exit does not return
}

} // namespace

struct TJpegCoefficientFile::TArray
{
    JDIMENSION BlocksPerRow;
    JDIMENSION Rows;
    JDIMENSION MaxAccess; // rows libjpeg asks for at once at most
    JBLOCKARRAY Window;   // rows First .. First + WindowRows - 1, as far as there are rows
    JDIMENSION WindowRows;
    JDIMENSION First;
    bool Dirty;           // the window holds rows not yet written to the file
    std::uint64_t Offset; // of row 0 in the file
    TArray* Next;

    std::size_t RowBytes() const { return std::size_t(BlocksPerRow) * sizeof(JBLOCK); }
};

struct TJpegCoefficientFileAccess
{
    using TArray = TJpegCoefficientFile::TArray;

    static TJpegCoefficientFile& Of(j_common_ptr Info)
    {
        return *static_cast<TJpegCoefficientFile*>(Info->client_data);
    }

    // Arrays are pre-zeroed in any case: the file is made at its full size, and reads as zero.
    static jvirt_barray_ptr Request(j_common_ptr Info, int Pool, boolean, JDIMENSION BlocksPerRow, JDIMENSION Rows,
                                    JDIMENSION MaxAccess)
    {
        TJpegCoefficientFile& File = Of(Info);
        auto* Array = new (Info->mem->alloc_small(Info, Pool, sizeof(TArray)))
            TArray{BlocksPerRow, Rows, MaxAccess, nullptr, 0, 0, false, 0, File.FArrays};
        File.FArrays = Array;
        return reinterpret_cast<jvirt_barray_ptr>(Array);
    }

    static void Realize(j_common_ptr Info)
    {
        TJpegCoefficientFile& File = Of(Info);
        File.FRealizeOthers(Info);
        std::uint64_t Total = 0;
        for (TArray* Array = File.FArrays; Array != nullptr; Array = Array->Next) {
            Array->Offset = Total;
            Total += std::uint64_t(Array->RowBytes()) * Array->Rows;
        }
        File.FFile = CreateTemporaryFile();
        if (File.FFile >= 0 && ftruncate(File.FFile, off_t(Total)) != 0) {
            close(File.FFile);
            File.FFile = -1;
        }
        for (TArray* Array = File.FArrays; Array != nullptr; Array = Array->Next) {
            // Without a file the window is the whole array.
            Array->WindowRows =
                File.FFile < 0 ? Array->Rows
                               : std::clamp(JDIMENSION(WindowBytes / Array->RowBytes()), Array->MaxAccess, Array->Rows);
            Array->Window = Info->mem->alloc_barray(Info, JPOOL_IMAGE, Array->BlocksPerRow, Array->WindowRows);
            for (JDIMENSION Row = 0; Row < Array->WindowRows; ++Row)
                std::memset(Array->Window[Row], 0, Array->RowBytes());
        }
    }

    // Reads or writes the rows of the window, each run of rows adjacent in memory in one call.
    static void Transfer(j_common_ptr Info, const TArray& Array, bool Write)
    {
        const int File = Of(Info).FFile;
        const JDIMENSION Count = std::min(Array.WindowRows, Array.Rows - Array.First);
        const std::size_t RowBytes = Array.RowBytes();
        JDIMENSION Row = 0;
        while (Row < Count) {
            JDIMENSION End = Row + 1;
            while (End < Count && Array.Window[End] == Array.Window[End - 1] + Array.BlocksPerRow) ++End;
            auto* Bytes = reinterpret_cast<char*>(Array.Window[Row]);
            std::size_t Left = (End - Row) * RowBytes;
            auto Offset = off_t(Array.Offset + std::uint64_t(Array.First + Row) * RowBytes);
            while (Left > 0) {
                const ssize_t Done = Write ? pwrite(File, Bytes, Left, Offset) : pread(File, Bytes, Left, Offset);
                if (Done < 0 && errno == EINTR) continue;
                if (Done <= 0) Fail(Info, Write ? JERR_TFILE_WRITE : JERR_TFILE_READ);
                Bytes += Done;
                Left -= std::size_t(Done);
                Offset += Done;
            }
            Row = End;
        }
    }

    static JBLOCKARRAY Access(j_common_ptr Info, jvirt_barray_ptr Pointer, JDIMENSION Start, JDIMENSION Count,
                              boolean Writable)
    {
        TArray& Array = *reinterpret_cast<TArray*>(Pointer);
        const JDIMENSION End = Start + Count;
        if (Array.Window == nullptr || End > Array.Rows || Count > Array.WindowRows)
            Fail(Info, JERR_BAD_VIRTUAL_ACCESS);
        if (Start < Array.First || End > Array.First + Array.WindowRows) {
            if (Array.Dirty) Transfer(Info, Array, true);
            Array.Dirty = false;
            // Forward, the window starts at the rows asked for; backward, it ends with them.
            Array.First = Start > Array.First ? Start : (End > Array.WindowRows ? End - Array.WindowRows : 0);
            Transfer(Info, Array, false);
        }
        if (Writable) Array.Dirty = true;
        return Array.Window + (Start - Array.First);
    }
};

TJpegCoefficientFile::~TJpegCoefficientFile()
{
    if (FFile >= 0) close(FFile);
}

void TJpegCoefficientFile::Install(jpeg_decompress_struct& Info)
{
    Info.client_data = this;
    FRealizeOthers = Info.mem->realize_virt_arrays;
    Info.mem->request_virt_barray = TJpegCoefficientFileAccess::Request;
    Info.mem->realize_virt_arrays = TJpegCoefficientFileAccess::Realize;
    Info.mem->access_virt_barray = TJpegCoefficientFileAccess::Access;
}

std::uint64_t WholeImageCoefficientBytes(const jpeg_decompress_struct& Info)
{
    // libjpeg's own test for a picture of several scans, as its input controller makes it.
    if (!Info.progressive_mode && Info.comps_in_scan >= Info.num_components) return 0;
    std::uint64_t Bytes = 0;
    for (int Index = 0; Index < Info.num_components; ++Index) {
        const jpeg_component_info& Component = Info.comp_info[Index];
        const auto RoundUp = [](std::uint64_t Value, std::uint64_t Unit) { return (Value + Unit - 1) / Unit * Unit; };
        Bytes += RoundUp(Component.width_in_blocks, std::uint64_t(Component.h_samp_factor)) *
                 RoundUp(Component.height_in_blocks, std::uint64_t(Component.v_samp_factor)) * sizeof(JBLOCK);
    }
    return Bytes;
}
