#pragma once
// The platform's metafile-picture record, the form of CF_METAFILEPICT data handed between programs: a
// mapping mode, the picture's extent and a Windows-format metafile; and its conversions from and to
// enhanced metafiles.

#include "platform/graphics/Metafile.h"
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

// A new movable block holding a METAFILEPICT of Metafile: MM_ANISOTROPIC, the frame's extent in 0.01 mm
// and a new Windows-format metafile converted from the records. nullptr for an empty metafile or when
// a block cannot be had (nothing is then left allocated).
HGLOBAL NewMetafilePictBlock(const TMetafile& Metafile);
// Frees a metafile-picture block and the metafile it holds, as releasing its medium does.
void FreeMetafilePictBlock(HGLOBAL Block);

// The enhanced metafile of a metafile picture: the Windows-format metafile's bits are read into a buffer
// and translated, the record's extent (positive, in the isotropic and anisotropic modes) becoming the
// frame. Raises EOSError with the last error when the bits cannot be had (ERROR_INVALID_HANDLE), fewer
// are read than their size, or they do not make a metafile (ERROR_INVALID_DATA).
TMetafile MetafileFromMetafilePict(const METAFILEPICT& Picture);
