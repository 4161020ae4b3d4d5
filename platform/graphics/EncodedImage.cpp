#include "platform/graphics/EncodedImage.h"

#include "platform/graphics/Canvas.h"

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
    const int Width = Decoded->Width();
    const int Height = Decoded->Height();
    Keep(Bytes, std::move(Owner), Width, Height, std::move(Decoded));
}

std::vector<std::span<const std::uint8_t>> TEncodedImage::FileParts(std::vector<std::uint8_t>&) const
{
    return {Data()};
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
    std::vector<std::uint8_t> Encoded;
    if (!Encode(*Pixels, Encoded)) return false;
    // A lossy format's pixels are those its file gives back, decoded when first asked for.
    Keep(std::move(Encoded), Source.Width(), Source.Height(), nullptr);
    return true;
}
