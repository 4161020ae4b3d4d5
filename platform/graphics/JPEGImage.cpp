#include "platform/graphics/JPEGImage.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/codecs/ExifBlock.h"
#include "platform/graphics/codecs/JpegCodec.h"

TJPEGImage::TJPEGImage(const TJPEGImage& Source)
    : TGraphic(), FData(Source.FData), FWidth(Source.FWidth), FHeight(Source.FHeight), FBitmap(Source.FBitmap)
{}

TJPEGImage& TJPEGImage::operator=(const TJPEGImage& Source)
{
    if (this != &Source) {
        FData = Source.FData;
        FWidth = Source.FWidth;
        FHeight = Source.FHeight;
        FBitmap = Source.FBitmap;
        Changed();
    }
    return *this;
}

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
    FData.assign(Bytes.begin(), Bytes.end());
    FWidth = Header.Width;
    FHeight = Header.Height;
    FBitmap.reset();
    Changed();
}

void TJPEGImage::SaveToStream(std::vector<std::uint8_t>& Bytes) const
{
    Bytes.insert(Bytes.end(), FData.begin(), FData.end());
}

bool TJPEGImage::AssignTo(TBitmap& Target) const
{
    if (FBitmap || FData.empty()) {
        Target = Bitmap();
        return true;
    }
    // Not decoded yet: decoded for Target alone, with no cached copy to make; Target is left as it was
    // when the data turn out damaged.
    TBitmap Decoded;
    DecodeJpeg(FData, Decoded);
    Target = std::move(Decoded);
    return true;
}

void TJPEGImage::Assign(const TBitmap& Source)
{
    std::vector<std::uint8_t> Bytes;
    if (!Source.Empty()) EncodeJpeg(Source, CompressionQuality, Bytes);
    FData = std::move(Bytes);
    FWidth = Source.Empty() ? 0 : Source.Width();
    FHeight = Source.Empty() ? 0 : Source.Height();
    FBitmap.reset();
    Changed();
}

const TBitmap& TJPEGImage::Bitmap() const
{
    if (!FBitmap) {
        auto Decoded = std::make_shared<TBitmap>();
        if (!FData.empty()) DecodeJpeg(FData, *Decoded);
        FBitmap = std::move(Decoded);
    }
    return *FBitmap;
}

void TJPEGImage::CarryExifFrom(std::span<const std::uint8_t> OpenedFile)
{
    const auto Block = ExifForSavedPicture(FindExifBlock(OpenedFile), FWidth, FHeight);
    if (Block.empty()) return;
    InsertExifBlock(FData, Block);
    Changed();
}
