#include "platform/graphics/PictureClipboard.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/GdiHandles.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/system/ClipboardMime.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "platform/system/PackedDib.h"

#include <cstring>
#include <typeinfo>

namespace {

std::vector<std::pair<TClipboardFormat, TPicture::TGraphicFactory>>& BoundFormats()
{
    static std::vector<std::pair<TClipboardFormat, TPicture::TGraphicFactory>> Formats;
    return Formats;
}

// Places Bytes under Format on the open clipboard; the block is freed again when placing fails.
void Place(TClipboardFormat Format, std::span<const std::uint8_t> Bytes)
{
    if (Bytes.empty()) return;
    const HGLOBAL Block = GlobalAlloc(Bytes.size());
    std::memcpy(GlobalLock(Block), Bytes.data(), Bytes.size());
    GlobalUnlock(Block);
    if (!SetClipboardData(Format, Block)) GlobalFree(Block);
}

void PlaceBitmap(const TBitmap& Bitmap)
{
    Place(CF_BITMAP, PackedDibOf(Bitmap));
    if (!Bitmap.ColorTable().Empty()) Place(CF_PALETTE, LogPaletteBytes(Bitmap.ColorTable()));
}

void PlaceMetafile(const TMetafile& Metafile)
{
    TMetafile Copy(Metafile);
    for (const bool Enhanced : {Metafile.Enhanced(), !Metafile.Enhanced()}) {
        Copy.SetEnhanced(Enhanced);
        std::vector<std::uint8_t> Bytes;
        Copy.SaveToStream(Bytes);
        Place(Enhanced ? CF_ENHMETAFILE : CF_METAFILEPICT, Bytes);
    }
}

// The bytes of Format on the open clipboard, the whole block.
std::vector<std::uint8_t> BytesOf(TClipboardFormat Format)
{
    const HGLOBAL Block = GetClipboardData(Format);
    const auto* First = static_cast<const std::uint8_t*>(GlobalLock(Block));
    if (First == nullptr) return {};
    std::vector<std::uint8_t> Bytes(First, First + GlobalSize(Block));
    GlobalUnlock(Block);
    return Bytes;
}

// The graphic of Bytes placed under Format, or nullptr when Format is no picture format.
std::unique_ptr<TGraphic> GraphicOfBytes(TClipboardFormat Format, std::span<const std::uint8_t> Bytes)
{
    if (Format == CF_BITMAP || Format == CF_DIB) {
        auto Bitmap = std::make_unique<TBitmap>();
        ReadPackedDib(Bytes, *Bitmap);
        return Bitmap;
    }
    std::unique_ptr<TGraphic> Graphic;
    if (Format == CF_ENHMETAFILE || Format == CF_METAFILEPICT) Graphic = std::make_unique<TMetafile>();
    for (const auto& [Bound, Factory] : BoundFormats())
        if (Bound == Format) Graphic = Factory();
    if (Graphic) Graphic->LoadFromStream(Bytes);
    return Graphic;
}

// The graphic of Format on the open clipboard, or nullptr when Format is no picture format.
std::unique_ptr<TGraphic> ReadFormat(TClipboardFormat Format)
{
    return GraphicOfBytes(Format, BytesOf(Format));
}

bool IsPictureFormat(TClipboardFormat Format)
{
    if (Format == CF_BITMAP || Format == CF_DIB || Format == CF_METAFILEPICT || Format == CF_ENHMETAFILE) return true;
    for (const auto& Entry : BoundFormats())
        if (Entry.first == Format) return true;
    return false;
}

// A packed DIB of the picture in a file of the format Extension names, laid on white where it is
// transparent (a bitmap has no alpha to keep it); nothing for damaged data.
std::optional<std::vector<std::uint8_t>> DibOfPictureFile(const std::string& Extension,
                                                          std::span<const std::uint8_t> File)
{
    try {
        const auto Graphic = TPicture::MakeGraphicFor(Extension);
        Graphic->LoadFromStream(File);
        TBitmap Opaque;
        Opaque.SetLayout(Graphic->Width(), Graphic->Height(), 24);
        Opaque.Canvas().Brush = TBrush{clWhite, bsSolid};
        Opaque.Canvas().FillRect(Rect(0, 0, Opaque.Width(), Opaque.Height()));
        Opaque.Canvas().Draw(0, 0, *Graphic);
        return PackedDibOf(Opaque);
    } catch (const EInvalidGraphic&) {
        return std::nullopt;
    }
}

// Other programs offer pictures in these formats, which the toolkit may lack readers for.
[[maybe_unused]] const bool PictureFileTypesRegistered = [] {
    for (const auto& [MimeType, Extension] : {std::pair{"image/webp", "webp"},
                                              {"image/tiff", "tif"},
                                              {"image/gif", "gif"},
                                              {"image/heic", "heic"},
                                              {"image/heif", "heif"},
                                              {"image/avif", "avif"}})
        RegisterPictureFileType(MimeType, [Name = std::string(Extension)](std::span<const std::uint8_t> File) {
            return DibOfPictureFile(Name, File);
        });
    return true;
}();

void OpenOrRaise()
{
    if (!OpenClipboard()) throw Exception(Messages::SCannotOpenClipboard);
}

// The PNG file of a picture placed on the clipboard, as it shows when pasted here: a metafile measured
// physically, anything but a bitmap drawn on white.
std::vector<std::uint8_t> PngOfPlacedPicture(TClipboardFormat Format, std::span<const std::uint8_t> Bytes)
{
    std::vector<std::uint8_t> Png;
    try {
        const std::unique_ptr<TGraphic> Graphic = GraphicOfBytes(Format, Bytes);
        if (!Graphic || Graphic->Empty()) return Png;
        if (auto* Metafile = dynamic_cast<TMetafile*>(Graphic.get()); Metafile && Metafile->Inch() == 0)
            Metafile->SetInch(1);
        if (const auto* Bitmap = dynamic_cast<const TBitmap*>(Graphic.get())) {
            WritePng(*Bitmap, Png);
        } else {
            TBitmap Drawn;
            Drawn.Assign(*Graphic);
            WritePng(Drawn, Png);
        }
    } catch (const Exception&) {
        Png.clear(); // damaged data: no PNG rather than an error in another program's paste
    }
    return Png;
}

// Lets the clipboard draw placed pictures as PNG for other programs.
void UsePngRenderer()
{
    SetClipboardPngRenderer({IsPictureFormat, PngOfPlacedPicture});
}

} // namespace

void RegisterClipboardGraphic(TClipboardFormat Format, TPicture::TGraphicFactory Factory)
{
    UsePngRenderer();
    for (auto& Entry : BoundFormats())
        if (Entry.first == Format) {
            Entry.second = std::move(Factory);
            return;
        }
    BoundFormats().emplace_back(Format, std::move(Factory));
}

bool ClipboardHasGraphic()
{
    for (const TClipboardFormat Format : ClipboardFormats())
        if (IsPictureFormat(Format)) return true;
    return false;
}

void CopyGraphicToClipboard(const TGraphic& Graphic)
{
    if (dynamic_cast<const TIcon*>(&Graphic) != nullptr) throw EInvalidGraphic(Messages::SNoClipboardIcon);
    OpenOrRaise();
    try {
        EmptyClipboard();
        PlaceGraphicOnClipboard(Graphic);
    } catch (...) {
        CloseClipboard();
        throw;
    }
    CloseClipboard();
}

bool PlaceGraphicOnClipboard(const TGraphic& Graphic)
{
    if (dynamic_cast<const TIcon*>(&Graphic) != nullptr) throw EInvalidGraphic(Messages::SNoClipboardIcon);
    if (Graphic.Empty()) return false;
    UsePngRenderer();
    for (const auto& [Format, Factory] : BoundFormats()) {
        const auto Sample = Factory();
        const TGraphic& SampleGraphic = *Sample;
        if (typeid(SampleGraphic) == typeid(Graphic)) {
            std::vector<std::uint8_t> Bytes;
            Graphic.SaveToStream(Bytes);
            Place(Format, Bytes);
            return true;
        }
    }
    if (const auto* Bitmap = dynamic_cast<const TBitmap*>(&Graphic)) {
        PlaceBitmap(*Bitmap);
    } else if (const auto* Metafile = dynamic_cast<const TMetafile*>(&Graphic)) {
        PlaceMetafile(*Metafile);
    } else {
        TBitmap Drawn;
        Drawn.Assign(Graphic);
        PlaceBitmap(Drawn);
    }
    return true;
}

std::unique_ptr<TGraphic> GraphicFromClipboard()
{
    OpenOrRaise();
    std::unique_ptr<TGraphic> Graphic;
    try {
        for (const TClipboardFormat Format : ClipboardFormats())
            if (IsPictureFormat(Format)) {
                Graphic = ReadFormat(Format);
                break;
            }
    } catch (...) {
        CloseClipboard();
        throw;
    }
    CloseClipboard();
    return Graphic;
}

std::vector<std::uint8_t> PackedDibOf(const TBitmap& Bitmap)
{
    std::vector<std::uint8_t> Dib;
    WriteDib(Bitmap, Dib);
    return Dib;
}

void ReadPackedDib(std::span<const std::uint8_t> Dib, TBitmap& Target)
{
    ReadDib(Dib, PackedDibRowsOffset(Dib), Target);
}
