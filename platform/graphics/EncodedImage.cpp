#include "platform/graphics/EncodedImage.h"

#include "platform/graphics/Canvas.h"

TEncodedImage::TEncodedImage(const TEncodedImage& Source)
    : TGraphic(), FData(Source.FData), FOwner(Source.FOwner), FWidth(Source.FWidth), FHeight(Source.FHeight),
      FBitmap(Source.FBitmap)
{}

TEncodedImage& TEncodedImage::operator=(const TEncodedImage& Source)
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

void TEncodedImage::Draw(TCanvas& Canvas, const TRect& Rect) const
{
    if (Empty()) return;
    const TBitmap& Pixels = Bitmap();
    Canvas.Device().StretchBitmap(Rect, Pixels, ::Rect(0, 0, Pixels.Width(), Pixels.Height()),
                                  Pixels.BitCount() == 32 ? TBlend::Alpha : TBlend::Opaque);
}

void TEncodedImage::LoadFromStream(std::span<const std::uint8_t> Bytes)
{
    auto Copy = std::make_shared<const std::vector<std::uint8_t>>(Bytes.begin(), Bytes.end());
    const std::span<const std::uint8_t> Kept = *Copy;
    Load(Kept, std::move(Copy));
}

void TEncodedImage::LoadFromFileBytes(TLargeBlock&& File)
{
    auto Kept = std::make_shared<const TLargeBlock>(std::move(File));
    const std::span<const std::uint8_t> Bytes = Kept->Bytes();
    Load(Bytes, std::move(Kept));
}

void TEncodedImage::Load(std::span<const std::uint8_t> Bytes, std::shared_ptr<const void> Owner)
{
    auto Decoded = std::make_shared<TBitmap>();
    Decode(Bytes, *Decoded);
    FData = Bytes;
    FOwner = std::move(Owner);
    FWidth = Decoded->Width();
    FHeight = Decoded->Height();
    FBitmap = std::move(Decoded);
    Changed();
}

void TEncodedImage::SaveToStream(std::vector<std::uint8_t>& Bytes) const
{
    Bytes.insert(Bytes.end(), FData.begin(), FData.end());
}

std::vector<std::span<const std::uint8_t>> TEncodedImage::FileParts(std::vector<std::uint8_t>&) const
{
    return {FData};
}

bool TEncodedImage::AssignFromBitmap(const TBitmap& Source)
{
    TBitmap Opaque;
    const TBitmap* Pixels = &Source;
    if (Source.BitCount() != 24 || Source.HasBitFields()) {
        Opaque = Source;
        Opaque.SetPixelFormat(pf24bit);
        Pixels = &Opaque;
    }
    auto Encoded = std::make_shared<std::vector<std::uint8_t>>();
    if (!Encode(*Pixels, *Encoded)) return false;
    FData = *Encoded;
    FOwner = std::move(Encoded);
    FWidth = Source.Width();
    FHeight = Source.Height();
    // A lossy format's pixels are those its file gives back, decoded when first asked for.
    FBitmap.reset();
    Changed();
    return true;
}

const TBitmap& TEncodedImage::Bitmap() const
{
    if (!FBitmap) {
        auto Decoded = std::make_shared<TBitmap>();
        if (!FData.empty()) Decode(FData, *Decoded);
        FBitmap = std::move(Decoded);
    }
    return *FBitmap;
}
