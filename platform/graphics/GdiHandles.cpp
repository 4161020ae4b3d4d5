#include "platform/graphics/GdiHandles.h"

#include "platform/graphics/PictureClipboard.h"

HBITMAP NewBitmapHandle(const TBitmap& Bitmap)
{
    if (Bitmap.Empty()) return nullptr;
    TBitmap Device(Bitmap);
    Device.SetHandleType(bmDDB);
    return CreateGdiObject(gdiBitmap, PackedDibOf(Device));
}

bool LoadBitmapHandle(HBITMAP Handle, TBitmap& Target)
{
    if (!IsGdiObject(Handle, gdiBitmap)) return false;
    ReadPackedDib(GdiObjectBytes(Handle, gdiBitmap), Target);
    Target.SetHandleType(bmDDB);
    return true;
}

std::vector<std::uint8_t> LogPaletteBytes(const TPalette& Palette)
{
    std::vector<std::uint8_t> Bytes;
    const TLogPalette Record = Palette.LogPalette();
    Bytes.push_back(std::uint8_t(Record.palVersion));
    Bytes.push_back(std::uint8_t(Record.palVersion >> 8));
    Bytes.push_back(std::uint8_t(Record.palNumEntries()));
    Bytes.push_back(std::uint8_t(Record.palNumEntries() >> 8));
    for (const TPaletteEntry& Entry : Record.palPalEntry)
        Bytes.insert(Bytes.end(), {Entry.peRed, Entry.peGreen, Entry.peBlue, Entry.peFlags});
    return Bytes;
}

HPALETTE NewPaletteHandle(const TPalette& Palette)
{
    if (Palette.Empty()) return nullptr;
    return CreateGdiObject(gdiPalette, LogPaletteBytes(Palette));
}

std::optional<TPalette> PaletteOfHandle(HPALETTE Handle)
{
    const std::span<const std::uint8_t> Bytes = GdiObjectBytes(Handle, gdiPalette);
    if (Bytes.size() < 4) return std::nullopt;
    const std::size_t Count = std::size_t(Bytes[2] | Bytes[3] << 8);
    if (Bytes.size() < 4 + 4 * Count) return std::nullopt;
    std::vector<TPaletteEntry> Entries(Count);
    for (std::size_t Index = 0; Index < Count; ++Index) {
        const std::uint8_t* Entry = &Bytes[4 + 4 * Index];
        Entries[Index] = TPaletteEntry{Entry[0], Entry[1], Entry[2], Entry[3]};
    }
    return TPalette(std::move(Entries));
}

HENHMETAFILE NewEnhMetafileHandle(const TMetafile& Metafile)
{
    if (Metafile.Empty()) return nullptr;
    TMetafile Enhanced(Metafile);
    Enhanced.SetEnhanced(true);
    std::vector<std::uint8_t> Bytes;
    Enhanced.SaveToStream(Bytes);
    return CreateGdiObject(gdiEnhMetafile, std::move(Bytes));
}

bool LoadEnhMetafileHandle(HENHMETAFILE Handle, TMetafile& Target)
{
    if (!IsGdiObject(Handle, gdiEnhMetafile)) return false;
    Target.LoadFromStream(GdiObjectBytes(Handle, gdiEnhMetafile));
    Target.SetEnhanced(true);
    return true;
}
