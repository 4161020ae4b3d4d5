#include "platform/graphics/FileImage.h"

#include "platform/graphics/Bitmap.h"

TFileImage::TFileImage(const TFileImage& Source)
    : TGraphic(), FData(Source.FData), FOwner(Source.FOwner), FWidth(Source.FWidth), FHeight(Source.FHeight),
      FBitmap(Source.FBitmap)
{}

TFileImage& TFileImage::operator=(const TFileImage& Source)
{
    if (this != &Source) {
        FData = Source.FData;
        FOwner = Source.FOwner;
        FWidth = Source.FWidth;
        FHeight = Source.FHeight;
        FBitmap = Source.FBitmap;
        Changed();
    }
    return *this;
}

void TFileImage::SaveToStream(std::vector<std::uint8_t>& Bytes) const
{
    Bytes.insert(Bytes.end(), FData.begin(), FData.end());
}

const TBitmap& TFileImage::Bitmap() const
{
    if (!FBitmap) {
        auto Decoded = std::make_shared<TBitmap>();
        if (!FData.empty()) Decode(FData, *Decoded);
        FBitmap = std::move(Decoded);
    }
    return *FBitmap;
}

void TFileImage::Keep(std::span<const std::uint8_t> Bytes, std::shared_ptr<const void> Owner, int Width, int Height,
                      std::shared_ptr<const TBitmap> Pixels)
{
    FData = Bytes;
    FOwner = std::move(Owner);
    FWidth = Width;
    FHeight = Height;
    FBitmap = std::move(Pixels);
    Changed();
}

void TFileImage::Keep(std::vector<std::uint8_t>&& Bytes, int Width, int Height, std::shared_ptr<const TBitmap> Pixels)
{
    auto Owner = std::make_shared<const std::vector<std::uint8_t>>(std::move(Bytes));
    const std::span<const std::uint8_t> Kept = *Owner;
    Keep(Kept, std::move(Owner), Width, Height, std::move(Pixels));
}
