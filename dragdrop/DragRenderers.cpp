#include "dragdrop/DragRenderers.h"

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/graphics/PngImage.h"
#include "platform/system/ClipboardMime.h"
#include "platform/system/DragMimeData.h"

namespace {

// The metafile drawn at its size on white; nothing for records that make no picture.
std::optional<std::vector<std::uint8_t>> DibOfEmf(std::span<const std::uint8_t> Emf)
{
    try {
        TMetafile Metafile;
        Metafile.LoadFromStream(Emf);
        TBitmap Drawn;
        Drawn.SetPixelFormat(pf24bit);
        Drawn.SetSize(Metafile.Width(), Metafile.Height());
        const TRect Area = Rect(0, 0, Drawn.Width(), Drawn.Height());
        Drawn.Canvas().Brush = TBrush{clWhite, bsSolid};
        Drawn.Canvas().FillRect(Area);
        Drawn.Canvas().StretchDraw(Area, Metafile);
        return PackedDibOf(Drawn);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<std::uint8_t> PngOfDib(std::span<const std::uint8_t> Dib)
{
    std::vector<std::uint8_t> Png;
    try {
        TBitmap Bitmap;
        ReadPackedDib(Dib, Bitmap);
        TPngImage Image;
        Image.Assign(Bitmap);
        Image.SaveToStream(Png);
    } catch (const std::exception&) {
        Png.clear();
    }
    return Png;
}

// An opaque PNG read by the picture layer's codec, several times faster than the toolkit's; a PNG with
// transparency is left to the toolkit's path, which lays it on white.
std::optional<std::vector<std::uint8_t>> DibOfOpaquePng(std::span<const std::uint8_t> File)
{
    try {
        TPngImage Png;
        Png.LoadFromStream(File);
        if (Png.HasAlpha()) return std::nullopt;
        return PackedDibOf(Png.Bitmap());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

void InstallDragRenderers()
{
    SetDragRenderers(TDragRenderers{DibOfEmf, PngOfDib});
    RegisterPictureFileType("image/png", DibOfOpaquePng);
}
