#pragma once
// TEncodedImage: the common model of a picture in a format the platform's own layer never had (WebP,
// TIFF, GIF, HEIF and AVIF; kind "Others"). It keeps the bytes of its file, which saving writes back
// unchanged, and their decoded pixels: 32 bits a pixel with straight alpha in the fourth byte when the
// picture has transparency, else 24 bits. Its size follows from its data, as a JPEG picture's does.

#include "platform/graphics/Bitmap.h"

#include <memory>

class TEncodedImage : public TGraphic
{
public:
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // The size follows from the data; setting it changes nothing.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override { return FData.empty(); }

    // Blends a picture with transparency over the canvas, draws any other opaquely.
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // Decodes Bytes and keeps a copy; damaged data raise the format's message, leaving the picture as it was.
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
    // The same, keeping the file's block itself.
    void LoadFromFileBytes(TLargeBlock&& File) override;
    // Appends the file's bytes as they were loaded or made.
    void SaveToStream(std::vector<std::uint8_t>& Bytes) const override;
    // The file's bytes themselves, uncopied.
    std::vector<std::span<const std::uint8_t>> FileParts(std::vector<std::uint8_t>& Scratch) const override;
    // The decoded 24-bit pixels of a picture without transparency.
    const TBitmap* OpaqueBitmap() const override { return HasAlpha() ? nullptr : &Bitmap(); }
    // Encodes Source's pixels as an opaque picture (a bitmap carries no alpha); false for a format
    // that is only read.
    bool AssignFromBitmap(const TBitmap& Source) override;

    // The decoded pixels; decoded on the first call after the picture was made from a bitmap.
    const TBitmap& Bitmap() const;
    bool HasAlpha() const { return Bitmap().BitCount() == 32; }

protected:
    TEncodedImage() = default;
    // Copies share the bytes and the pixels, which never change once made.
    TEncodedImage(const TEncodedImage& Source);
    TEncodedImage& operator=(const TEncodedImage& Source);

    // The file's bytes.
    std::span<const std::uint8_t> Data() const { return FData; }
    // Target := the pixels of a file of the format, upright; raises the format's message for damaged data.
    virtual void Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const = 0;
    // Appends a file of Source (24 bits a pixel); false where the format is only read.
    virtual bool Encode(const TBitmap&, std::vector<std::uint8_t>&) const { return false; }

private:
    // Decodes Bytes and keeps them, Owner holding them.
    void Load(std::span<const std::uint8_t> Bytes, std::shared_ptr<const void> Owner);

    // The file's bytes and what holds them (a file's block, or a vector loaded or made), shared by copies.
    std::span<const std::uint8_t> FData;
    std::shared_ptr<const void> FOwner;
    int FWidth = 0;
    int FHeight = 0;
    mutable std::shared_ptr<const TBitmap> FBitmap;
};
