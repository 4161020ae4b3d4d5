#include "platform/system/MetafilePictRecord.h"

#include "platform/system/GlobalBlocks.h"
#include "platform/system/LastError.h"

#include <algorithm>
#include <cstring>

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

HGLOBAL NewMetafilePictRecord(std::int32_t Mode, std::int32_t Width, std::int32_t Height, HMETAFILE Metafile)
{
    const METAFILEPICT Picture{Mode, Width, Height, Metafile};
    const HGLOBAL Block = GlobalAllocCopy(&Picture, sizeof Picture);
    if (Block == nullptr) {
        DeleteMetaFile(Metafile);
        return nullptr;
    }
    FindGlobalBlock(Block)->Companion = Metafile;
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
