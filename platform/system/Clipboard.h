#pragma once
// The desktop clipboard with the platform's format numbers and movable memory blocks.
//
// Every format's data is a memory block of bytes:
//   CF_BITMAP, CF_DIB   a packed DIB (BITMAPINFOHEADER or core header, bit fields, colour table, rows);
//                       either one set makes both available with the same bytes
//   CF_METAFILEPICT     the bytes of a WMF file (a placeable header carries the extent)
//   CF_ENHMETAFILE      the bytes of an EMF file
//   CF_PALETTE          a logical palette: version 0x300, 16-bit entry count, entries red, green, blue, flags
//   registered formats  whatever the registering code puts there ("JFIF": a JPEG file)
//
// Data placed here is published to other programs as they expect it: bitmaps as image/png and
// image/bmp, EMF as image/x-emf, WMF as image/x-wmf, "JFIF" as image/jpeg, the palette and other
// registered names as application/x-pixora-NAME (application/x-pixora-palette for CF_PALETTE). A picture
// placed without a bitmap (a JPEG, a metafile) is offered as image/png too, after its own types, drawn
// by the PNG renderer only when a program asks for it.
// Data from other programs arrives under these formats: any image the toolkit decodes (PNG, GIF, BMP, ...)
// as CF_BITMAP and CF_DIB, image/jpeg as "JFIF" (unless a lossless image type is listed before it, of
// which the JPEG is only a recompression), image/x-emf and image/x-wmf as metafiles, and files copied in
// a file manager (text/uri-list) through ClipboardFileNames.
//
// Everything runs on the user-interface thread of an application object; without one the clipboard
// cannot be opened and offers nothing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

using TClipboardFormat = std::uint16_t;

inline constexpr TClipboardFormat CF_BITMAP = 2;
inline constexpr TClipboardFormat CF_METAFILEPICT = 3;
inline constexpr TClipboardFormat CF_DIB = 8;
inline constexpr TClipboardFormat CF_PALETTE = 9;
inline constexpr TClipboardFormat CF_ENHMETAFILE = 14;
// The first number RegisterClipboardFormat hands out.
inline constexpr TClipboardFormat FirstRegisteredClipboardFormat = 0xC000;

// A movable, shareable memory block. A block from GlobalAlloc belongs to the caller until it is freed or
// handed to SetClipboardData; a block from GetClipboardData belongs to the clipboard and stays valid
// until the clipboard's contents change.
struct TGlobalBlock;
using HGLOBAL = TGlobalBlock*;

// A new zero-filled block of Size bytes.
HGLOBAL GlobalAlloc(std::size_t Size);
// A new block holding a copy of Size bytes at Bytes; nullptr for no bytes.
HGLOBAL GlobalAllocCopy(const void* Bytes, std::size_t Size);
// A new block holding Bytes, taken over without a copy; nullptr for no bytes.
HGLOBAL GlobalAllocFrom(std::vector<std::uint8_t> Bytes);
// The block's first byte, counting one more lock; nullptr for an unknown handle or an empty block.
void* GlobalLock(HGLOBAL Block);
// Counts one lock less; true while the block is still locked.
bool GlobalUnlock(HGLOBAL Block);
// The block's size in bytes; 0 for an unknown handle.
std::size_t GlobalSize(HGLOBAL Block);
// Frees a block the caller owns; nullptr on success, Block itself when it is unknown or the clipboard's.
HGLOBAL GlobalFree(HGLOBAL Block);

// The number of the format Name (0xC000 and up); the same name, in any letter case, gives the same
// number within the process. An empty name gives 0.
TClipboardFormat RegisterClipboardFormat(const std::string& Name);
// The name of a registered format; empty for the predefined numbers and unknown ones.
std::string GetClipboardFormatName(TClipboardFormat Format);

// Opens the clipboard for this program; false when it is already open or there is no application.
bool OpenClipboard();
// Discards the clipboard's contents and makes this program their owner; needs the clipboard open.
bool EmptyClipboard();
// Places Block under Format; the block then belongs to the clipboard (a block already there under
// Format is freed). Needs the clipboard open and emptied by this program; false otherwise, and the block
// stays the caller's. Other programs see the data once the clipboard is closed.
bool SetClipboardData(TClipboardFormat Format, HGLOBAL Block);
// The data of Format, or nullptr when the clipboard does not offer it; needs the clipboard open.
HGLOBAL GetClipboardData(TClipboardFormat Format);
// Closes the clipboard, publishing what was placed since it was emptied; false when it was not open.
bool CloseClipboard();

// Whether the clipboard offers Format; the clipboard need not be open.
bool IsClipboardFormatAvailable(TClipboardFormat Format);
// The formats the clipboard offers, in the order their data came (the most faithful first).
std::vector<TClipboardFormat> ClipboardFormats();
// The local files (UTF-8 paths) a file manager copied, in order; empty when the clipboard holds none.
std::vector<std::string> ClipboardFileNames();

// Draws the picture of data placed under a format as a PNG file, for programs that read no other
// picture type; the picture layer provides it.
struct TClipboardPngRenderer
{
    // Whether data under the format holds a picture Render draws.
    std::function<bool(TClipboardFormat Format)> Draws;
    // The PNG file of the picture in Bytes; empty when they cannot be drawn.
    std::function<std::vector<std::uint8_t>(TClipboardFormat Format, std::span<const std::uint8_t> Bytes)> Render;
};
// Data published from now on offers image/png through Renderer; an empty renderer offers it for
// bitmaps only.
void SetClipboardPngRenderer(TClipboardPngRenderer Renderer);
