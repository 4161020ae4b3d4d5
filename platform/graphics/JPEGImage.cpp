#include "platform/graphics/JPEGImage.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/codecs/ExifBlock.h"
#include "platform/graphics/codecs/JpegCodec.h"

std::unique_ptr<TGraphic> TJPEGImage::Clone() const
{
    return std::make_unique<TJPEGImage>(*this);
}

void TJPEGImage::Draw(TCanvas& Canvas, const TRect& Rect) const
{
    const TBitmap& Pixels = Bitmap();
    Canvas.Device().StretchBitmap(Rect, Pixels, ::Rect(0, 0, Pixels.Width(), Pixels.Height()), TBlend::Opaque);
}

void TJPEGImage::LoadFromStream(std::span<const std::uint8_t> Bytes)
{
    const TJpegHeader Header = ReadJpegHeader(Bytes);
    Keep(std::vector<std::uint8_t>(Bytes.begin(), Bytes.end()), Header.Width, Header.Height, nullptr);
}

bool TJPEGImage::AssignTo(TBitmap& Target) const
{
    if (DecodedPixels() || Empty()) {
        Target = Bitmap();
        return true;
    }
    // Not decoded yet: decoded for Target alone, with no cached copy to make; Target is left as it was
    // when the data turn out damaged.
    TBitmap Decoded;
    DecodeJpeg(Data(), Decoded);
    Target = std::move(Decoded);
    return true;
}

void TJPEGImage::Assign(const TBitmap& Source)
{
    std::vector<std::uint8_t> Bytes;
    if (!Source.Empty()) EncodeJpeg(Source, CompressionQuality, Bytes);
    Keep(std::move(Bytes), Source.Empty() ? 0 : Source.Width(), Source.Empty() ? 0 : Source.Height(), nullptr);
}

void TJPEGImage::Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const
{
    DecodeJpeg(Bytes, Target);
}

void TJPEGImage::CarryExifFrom(std::span<const std::uint8_t> OpenedFile)
{
    const auto Block = ExifForSavedPicture(FindExifBlock(OpenedFile), Width(), Height());
    if (Block.empty()) return;
    // A new file, as copies of the picture share the old one; the block leaves the pixels as they were.
    std::vector<std::uint8_t> Bytes(Data().begin(), Data().end());
    InsertExifBlock(Bytes, Block);
    Keep(std::move(Bytes), Width(), Height(), DecodedPixels());
}
