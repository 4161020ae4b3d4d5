#pragma once
// Graphics objects of the picture layer as handles (GdiObjects.h), the form in which data transfer hands
// them between components: a bitmap as a device-dependent copy, a palette, an enhanced metafile.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/system/GdiObjects.h"

#include <cstdint>
#include <optional>
#include <vector>

// A new handle of a device-dependent copy of Bitmap; nullptr for an empty bitmap.
HBITMAP NewBitmapHandle(const TBitmap& Bitmap);
// Target := the bitmap of a handle, device-dependent; false for a handle that is no bitmap. Damaged
// data raises "ビットマップイメージが不正です".
bool LoadBitmapHandle(HBITMAP Handle, TBitmap& Target);

// The logical palette record of Palette as bytes: version, entry count, entries red, green, blue, flags.
std::vector<std::uint8_t> LogPaletteBytes(const TPalette& Palette);
// A new palette handle with Palette's entries; nullptr for a palette without entries.
HPALETTE NewPaletteHandle(const TPalette& Palette);
// The palette of a handle; nothing for a handle that is no palette or a record that runs short.
std::optional<TPalette> PaletteOfHandle(HPALETTE Handle);

// A new handle of a copy of Metafile's records; nullptr for an empty metafile.
HENHMETAFILE NewEnhMetafileHandle(const TMetafile& Metafile);
// Target := the enhanced metafile of a handle; false for a handle that is no enhanced metafile. Damaged
// records raise "メタファイルが不正です".
bool LoadEnhMetafileHandle(HENHMETAFILE Handle, TMetafile& Target);
