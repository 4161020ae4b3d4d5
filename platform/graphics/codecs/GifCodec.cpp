#include "platform/graphics/codecs/GifCodec.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/DecodeLimits.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct TGifInput
{
    std::span<const std::uint8_t> Bytes;
    std::size_t At = 0;
};

int ReadInput(GifFileType* File, GifByteType* Buffer, int Size)
{
    auto& Input = *static_cast<TGifInput*>(File->UserData);
    const std::size_t Count = std::min(std::size_t(std::max(Size, 0)), Input.Bytes.size() - Input.At);
    std::memcpy(Buffer, Input.Bytes.data() + Input.At, Count);
    Input.At += Count;
    return int(Count);
}

struct TGifCloser
{
    void operator()(GifFileType* File) const
    {
        int Error = 0;
        DGifCloseFile(File, &Error);
    }
};
using TGifFile = std::unique_ptr<GifFileType, TGifCloser>;

// Reads the extension blocks up to the next record; Transparent := the transparent colour index of a
// graphic control extension among them, -1 where it marks none.
bool ReadExtension(GifFileType* File, int& Transparent)
{
    int Code = 0;
    GifByteType* Block = nullptr;
    if (DGifGetExtension(File, &Code, &Block) != GIF_OK) return false;
    if (Code == GRAPHICS_EXT_FUNC_CODE && Block != nullptr) {
        GraphicsControlBlock Control;
        if (DGifExtensionToGCB(Block[0], Block + 1, &Control) == GIF_OK) Transparent = Control.TransparentColor;
    }
    while (Block != nullptr)
        if (DGifGetExtensionNext(File, &Block) != GIF_OK) return false;
    return true;
}

// The rows of a frame in the order they are stored: interlaced frames in four passes.
std::vector<int> RowOrder(int Height, bool Interlaced)
{
    std::vector<int> Rows;
    Rows.reserve(std::size_t(Height));
    if (!Interlaced) {
        for (int Y = 0; Y < Height; ++Y) Rows.push_back(Y);
        return Rows;
    }
    static constexpr int Starts[] = {0, 4, 2, 1};
    static constexpr int Steps[] = {8, 8, 4, 2};
    for (int Pass = 0; Pass < 4; ++Pass)
        for (int Y = Starts[Pass]; Y < Height; Y += Steps[Pass]) Rows.push_back(Y);
    return Rows;
}

// Canvas := the first frame of File, whose image descriptor has just been read, on a transparent screen.
bool ReadFrame(GifFileType* File, int Transparent, TBitmap& Canvas, bool& AnyTransparent)
{
    const GifImageDesc& Frame = File->Image;
    const ColorMapObject* Colours = Frame.ColorMap ? Frame.ColorMap : File->SColorMap;
    if (Colours == nullptr || Frame.Width <= 0 || Frame.Height <= 0 || Frame.Left < 0 || Frame.Top < 0) return false;
    // A first frame reaching past a smaller logical screen widens it, as browsers do.
    const std::uint64_t Width =
        std::max<std::uint64_t>(std::uint64_t(File->SWidth), std::uint64_t(Frame.Left) + std::uint64_t(Frame.Width));
    const std::uint64_t Height =
        std::max<std::uint64_t>(std::uint64_t(File->SHeight), std::uint64_t(Frame.Top) + std::uint64_t(Frame.Height));
    if (!DecodableSize(Width, Height)) return false;
    Canvas.SetLayout(int(Width), int(Height), 32);
    AnyTransparent = Width != std::uint64_t(Frame.Width) || Height != std::uint64_t(Frame.Height);
    std::vector<GifPixelType> Line(std::size_t(Frame.Width));
    for (const int Y : RowOrder(Frame.Height, Frame.Interlace)) {
        if (DGifGetLine(File, Line.data(), Frame.Width) != GIF_OK) return false;
        std::uint8_t* Row = Canvas.ScanLine(Frame.Top + Y) + std::size_t(Frame.Left) * 4;
        for (int X = 0; X < Frame.Width; ++X, Row += 4) {
            const int Index = Line[std::size_t(X)];
            if (Index == Transparent) {
                AnyTransparent = true;
                continue;
            }
            // An index past the colour table shows black.
            const GifColorType Colour = Index < Colours->ColorCount ? Colours->Colors[Index] : GifColorType{0, 0, 0};
            Row[0] = Colour.Blue;
            Row[1] = Colour.Green;
            Row[2] = Colour.Red;
            Row[3] = 255;
        }
    }
    return true;
}

} // namespace

bool IsGif(std::span<const std::uint8_t> Bytes)
{
    return Bytes.size() >= 6 &&
           (std::memcmp(Bytes.data(), "GIF87a", 6) == 0 || std::memcmp(Bytes.data(), "GIF89a", 6) == 0);
}

bool ReadGif(std::span<const std::uint8_t> Bytes, TBitmap& Target)
{
    if (!IsGif(Bytes)) return false;
    TGifInput Input{Bytes};
    int Error = 0;
    const TGifFile File(DGifOpen(&Input, ReadInput, &Error));
    if (!File || !DecodableSize(std::uint64_t(std::max(File->SWidth, 1)), std::uint64_t(std::max(File->SHeight, 1))))
        return false;
    int Transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType Record;
        if (DGifGetRecordType(File.get(), &Record) != GIF_OK) return false;
        if (Record == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(File.get(), Transparent)) return false;
        } else if (Record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(File.get()) != GIF_OK) return false;
            TBitmap Canvas;
            bool AnyTransparent = false;
            if (!ReadFrame(File.get(), Transparent, Canvas, AnyTransparent)) return false;
            if (!AnyTransparent) Canvas.SetPixelFormat(pf24bit);
            Target = std::move(Canvas);
            return true;
        } else {
            // The file ends before any frame.
            return false;
        }
    }
}
