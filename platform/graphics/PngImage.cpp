#include "platform/graphics/PngImage.h"

#include "platform/graphics/Canvas.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

TPngImage::TPngImage(const TPngImage& Source) : TGraphic(), FBitmap(Source.FBitmap)
{}

TPngImage& TPngImage::operator=(const TPngImage& Source)
{
    if (this != &Source) {
        FBitmap = Source.FBitmap;
        Changed();
    }
    return *this;
}

void TPngImage::SetWidth(int Value)
{
    FBitmap.SetSize(Value, FBitmap.Height());
    Changed();
}

void TPngImage::SetHeight(int Value)
{
    FBitmap.SetSize(FBitmap.Width(), Value);
    Changed();
}

std::unique_ptr<TGraphic> TPngImage::Clone() const
{
    return std::make_unique<TPngImage>(*this);
}

void TPngImage::Draw(TCanvas& Canvas, const TRect& Rect) const
{
    Canvas.Device().StretchBitmap(Rect, FBitmap, ::Rect(0, 0, FBitmap.Width(), FBitmap.Height()),
                                  HasAlpha() ? TBlend::Alpha : TBlend::Opaque);
}

void TPngImage::LoadFromStream(std::span<const std::uint8_t> Bytes)
{
    if (!ReadPng(Bytes, FBitmap)) throw EInvalidGraphic(Messages::SInvalidBitmap);
    Changed();
}

void TPngImage::SaveToStream(std::vector<std::uint8_t>& Bytes) const
{
    if (!FBitmap.Empty()) WritePng(FBitmap, Bytes);
}

void TPngImage::Assign(const TBitmap& Source)
{
    TBitmap Opaque(Source);
    if (!Opaque.Empty() && Opaque.PixelFormat() != pf24bit) Opaque.SetPixelFormat(pf24bit);
    FBitmap = std::move(Opaque);
    Changed();
}
