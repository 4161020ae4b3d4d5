#pragma once
// The platform's metafile-picture record, the form of CF_METAFILEPICT data handed between programs: a
// mapping mode, the picture's extent and a Windows-format metafile; and its conversions from and to
// enhanced metafiles.

#include "platform/graphics/Metafile.h"
#include "platform/system/MetafilePictRecord.h"

// A new movable block holding a METAFILEPICT of Metafile: MM_ANISOTROPIC, the frame's extent in 0.01 mm
// and a new Windows-format metafile converted from the records. nullptr for an empty metafile or when
// a block cannot be had (nothing is then left allocated).
HGLOBAL NewMetafilePictBlock(const TMetafile& Metafile);

// The enhanced metafile of a metafile picture: the Windows-format metafile's bits are read into a buffer
// and translated, the record's extent (positive, in the isotropic and anisotropic modes) becoming the
// frame. Raises EOSError with the last error when the bits cannot be had (ERROR_INVALID_HANDLE), fewer
// are read than their size, or they do not make a metafile (ERROR_INVALID_DATA).
TMetafile MetafileFromMetafilePict(const METAFILEPICT& Picture);
