#pragma once
// TEncodedImage: the common model of a picture in a format the platform's own layer never had (WebP,
// TIFF, GIF, HEIF and AVIF; kind "Others"). It keeps the bytes of its file, which saving writes back
// unchanged, and their decoded pixels: 32 bits a pixel with straight alpha in the fourth byte when the
// picture has transparency, else 24 bits. Its size follows from its data, as a JPEG picture's does.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/FileImage.h"

class TEncodedImage : public TFileImage
{
public:
    // Blends a picture with transparency over the canvas, draws any other opaquely.
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // Decodes Bytes and keeps a copy; damaged data raise the format's message, leaving the picture as it was.
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
    // The same, keeping the file's block itself.
    void LoadFromFileBytes(TLargeBlock&& File) override;
    // The file's bytes themselves, uncopied.
    std::vector<std::span<const std::uint8_t>> FileParts(std::vector<std::uint8_t>& Scratch) const override;
    // The decoded 24-bit pixels of a picture without transparency.
    const TBitmap* OpaqueBitmap() const override { return HasAlpha() ? nullptr : &Bitmap(); }
    // Encodes Source's pixels as an opaque picture (a bitmap carries no alpha); false for a format
    // that is only read.
    bool AssignFromBitmap(const TBitmap& Source) override;

    bool HasAlpha() const { return Bitmap().BitCount() == 32; }

protected:
    TEncodedImage() = default;
    TEncodedImage(const TEncodedImage& Source) = default;
    TEncodedImage& operator=(const TEncodedImage& Source) = default;

    // Appends a file of Source (24 bits a pixel); false where the format is only read.
    virtual bool Encode(const TBitmap&, std::vector<std::uint8_t>&) const { return false; }

private:
    // Decodes Bytes and keeps them, Owner holding them.
    void Load(std::span<const std::uint8_t> Bytes, std::shared_ptr<const void> Owner);
};
