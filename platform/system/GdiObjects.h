#pragma once
// Handles of the graphics objects that data transfer hands between components: bitmaps, palettes and
// enhanced metafiles. Each holds the bytes of its object's portable form:
//   bitmap              a packed DIB (a BMP file without its file header)
//   palette             a logical palette: version 0x300, 16-bit entry count, entries red, green, blue, flags
//   enhanced metafile   the bytes of an EMF file
// A handle belongs to whoever made it until it is deleted or handed over with a storage medium.

#include <cstdint>
#include <span>
#include <vector>

struct TGdiObject;
using HGDIOBJ = TGdiObject*;
using HBITMAP = HGDIOBJ;
using HPALETTE = HGDIOBJ;
using HENHMETAFILE = HGDIOBJ;

enum TGdiObjectKind
{
    gdiBitmap,
    gdiPalette,
    gdiEnhMetafile
};

// A new object of Kind holding Bytes; nullptr for no bytes.
HGDIOBJ CreateGdiObject(TGdiObjectKind Kind, std::vector<std::uint8_t> Bytes);
// The bytes of a live object of Kind; empty for an unknown handle or one of another kind.
std::span<const std::uint8_t> GdiObjectBytes(HGDIOBJ Object, TGdiObjectKind Kind);
// Whether Object is a live handle of Kind.
bool IsGdiObject(HGDIOBJ Object, TGdiObjectKind Kind);
// Frees a bitmap or palette; false for an unknown handle.
bool DeleteObject(HGDIOBJ Object);
// Frees an enhanced metafile; false for an unknown handle.
bool DeleteEnhMetaFile(HENHMETAFILE Metafile);
