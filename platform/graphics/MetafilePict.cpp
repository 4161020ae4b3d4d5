#include "platform/graphics/MetafilePict.h"

#include "platform/graphics/emf/WmfConvert.h"
#include "platform/system/Exceptions.h"
#include "platform/system/LastError.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t PlaceableHeaderSize = 22;

// A new movable block holding Bytes; nullptr when it cannot be had.
HGLOBAL NewBlock(const void* Bytes, std::size_t Size)
{
    HGLOBAL Block = GlobalAlloc(Size);
    if (Block == nullptr) return nullptr;
    void* Target = GlobalLock(Block);
    if (Target == nullptr) {
        GlobalFree(Block);
        return nullptr;
    }
    std::memcpy(Target, Bytes, Size);
    GlobalUnlock(Block);
    return Block;
}

// An enhanced metafile from the bits of a Windows-format metafile and the record's mapping mode and
// extent; none (ERROR_INVALID_DATA) when the bits are no metafile.
std::optional<TMetafile> SetWinMetaFileBits(std::span<const std::uint8_t> Bits, const METAFILEPICT& Picture)
{
    TMetafile Result;
    try {
        Result.LoadFromStream(Bits);
    } catch (const EInvalidGraphic&) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    if (!IsWmf(Bits) || Result.Empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    Result.SetEnhanced(true);
    Result.SetInch(0);
    if ((Picture.mm == MM_ISOTROPIC || Picture.mm == MM_ANISOTROPIC) && Picture.xExt > 0 && Picture.yExt > 0) {
        Result.SetMMWidth(Picture.xExt);
        Result.SetMMHeight(Picture.yExt);
    }
    return Result;
}

} // namespace

std::uint32_t GetMetaFileBitsEx(HMETAFILE Metafile, std::uint32_t Size, void* Buffer)
{
    const std::size_t Available = GlobalSize(Metafile);
    const void* Bits = Available == 0 ? nullptr : GlobalLock(Metafile);
    if (Bits == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::uint32_t Result = std::uint32_t(Available);
    if (Buffer != nullptr) {
        Result = std::min(Size, Result);
        std::memcpy(Buffer, Bits, Result);
    }
    GlobalUnlock(Metafile);
    return Result;
}

bool DeleteMetaFile(HMETAFILE Metafile)
{
    if (Metafile != nullptr && GlobalFree(Metafile) == nullptr) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

HGLOBAL NewMetafilePictBlock(const TMetafile& Metafile)
{
    if (Metafile.Empty()) return nullptr;
    // The Windows-format metafile is the placeable WMF of the records without its placeable header.
    TMetafile Windows(Metafile);
    Windows.SetEnhanced(false);
    std::vector<std::uint8_t> Wmf;
    Windows.SaveToStream(Wmf);
    if (Wmf.size() <= PlaceableHeaderSize) return nullptr;
    HMETAFILE Bits = NewBlock(Wmf.data() + PlaceableHeaderSize, Wmf.size() - PlaceableHeaderSize);
    if (Bits == nullptr) return nullptr;
    const METAFILEPICT Picture{MM_ANISOTROPIC, Metafile.MMWidth(), Metafile.MMHeight(), Bits};
    HGLOBAL Block = NewBlock(&Picture, sizeof Picture);
    if (Block == nullptr) DeleteMetaFile(Bits);
    return Block;
}

void FreeMetafilePictBlock(HGLOBAL Block)
{
    METAFILEPICT Picture;
    if (GlobalSize(Block) < sizeof Picture) return;
    const void* Bytes = GlobalLock(Block);
    if (Bytes == nullptr) return;
    std::memcpy(&Picture, Bytes, sizeof Picture);
    GlobalUnlock(Block);
    DeleteMetaFile(Picture.hMF);
    GlobalFree(Block);
}

TMetafile MetafileFromMetafilePict(const METAFILEPICT& Picture)
{
    const std::uint32_t Size = GetMetaFileBitsEx(Picture.hMF, 0, nullptr);
    if (Size == 0) RaiseLastOSError();
    std::vector<std::uint8_t> Buffer(Size);
    if (GetMetaFileBitsEx(Picture.hMF, Size, Buffer.data()) < Size) RaiseLastOSError();
    std::optional<TMetafile> Result = SetWinMetaFileBits(Buffer, Picture);
    if (!Result) RaiseLastOSError();
    return std::move(*Result);
}
