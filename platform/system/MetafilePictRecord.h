#pragma once
// The platform's metafile-picture record, the form of CF_METAFILEPICT data handed between programs: a
// mapping mode, the picture's extent and a Windows-format metafile held in a movable block.

#include "platform/system/Clipboard.h"

#include <cstdint>

// A Windows-format metafile: a movable block holding its records, header first (no placeable header).
using HMETAFILE = HGLOBAL;

inline constexpr std::int32_t MM_ISOTROPIC = 7;
inline constexpr std::int32_t MM_ANISOTROPIC = 8;

struct METAFILEPICT
{
    std::int32_t mm;   // mapping mode
    std::int32_t xExt; // with MM_ISOTROPIC and MM_ANISOTROPIC: the extent in 0.01 mm when positive
    std::int32_t yExt;
    HMETAFILE hMF;
};

// With Buffer nullptr the size of the metafile's bits; otherwise copies up to Size of them into Buffer
// and gives how many it copied. 0 with ERROR_INVALID_HANDLE as last error for an unknown or empty handle.
std::uint32_t GetMetaFileBitsEx(HMETAFILE Metafile, std::uint32_t Size, void* Buffer);
// Frees the metafile; false (ERROR_INVALID_HANDLE) for an unknown handle.
bool DeleteMetaFile(HMETAFILE Metafile);

// A new block holding a METAFILEPICT of Metafile, which then goes with the block: freeing the block
// frees it too. nullptr (and Metafile freed) when the block cannot be had.
HGLOBAL NewMetafilePictRecord(std::int32_t Mode, std::int32_t Width, std::int32_t Height, HMETAFILE Metafile);

// Frees a metafile-picture block and the metafile it holds, as releasing its medium does.
void FreeMetafilePictBlock(HGLOBAL Block);
