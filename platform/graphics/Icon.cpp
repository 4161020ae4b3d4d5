#include "platform/graphics/Icon.h"

#include "platform/graphics/Canvas.h"
#include "platform/graphics/codecs/IcoCodec.h"

TIcon::TIcon(const TIcon& Source) : TGraphic(), FData(Source.FData), FImage(Source.FImage)
{}

TIcon& TIcon::operator=(const TIcon& Source)
{
    if (this != &Source) {
        FData = Source.FData;
        FImage = Source.FImage;
        Changed();
    }
    return *this;
}

std::unique_ptr<TGraphic> TIcon::Clone() const
{
    return std::make_unique<TIcon>(*this);
}

void TIcon::Draw(TCanvas& Canvas, const TRect& Rect) const
{
    Canvas.Device().StretchBitmap(Rect, FImage, ::Rect(0, 0, FImage.Width(), FImage.Height()), TBlend::Alpha);
}

void TIcon::LoadFromStream(std::span<const std::uint8_t> Bytes)
{
    const auto Entries = ReadIconDirectory(Bytes);
    TBitmap Image;
    DecodeIconEntry(Bytes, Entries[BestIconEntry(Entries)], Image);
    FData.assign(Bytes.begin(), Bytes.end());
    FImage = std::move(Image);
    Changed();
}

void TIcon::SaveToStream(std::vector<std::uint8_t>& Bytes) const
{
    Bytes.insert(Bytes.end(), FData.begin(), FData.end());
}
