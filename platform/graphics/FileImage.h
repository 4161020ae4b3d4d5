#pragma once
// TFileImage: the common part of a picture that keeps the bytes of its file and decodes them when their
// pixels are first asked for (JPEG, and the formats of TEncodedImage). Its size follows from the data.

#include "platform/graphics/Graphic.h"

#include <memory>

class TFileImage : public TGraphic
{
public:
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // The size follows from the data; setting it changes nothing.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override { return FData.empty(); }
    // Appends the file's bytes as they were loaded or made.
    void SaveToStream(std::vector<std::uint8_t>& Bytes) const override;

    // The decoded pixels, upright; decoded on the first call, raising the format's message when the data
    // turn out damaged. An empty picture gives an empty bitmap.
    const TBitmap& Bitmap() const;

protected:
    TFileImage() = default;
    // Copies share the bytes and the pixels, which are replaced whole and never changed in place.
    TFileImage(const TFileImage& Source);
    TFileImage& operator=(const TFileImage& Source);

    // The file's bytes.
    std::span<const std::uint8_t> Data() const { return FData; }
    // The pixels decoded so far; null until Bitmap decodes them.
    const std::shared_ptr<const TBitmap>& DecodedPixels() const { return FBitmap; }
    // Target := the pixels of a file of the format, upright; raises the format's message for damaged data.
    virtual void Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const = 0;

    // Takes Bytes, which Owner holds, as the file of a Width x Height picture whose decoded pixels are
    // Pixels (null when not decoded yet), and tells of the change.
    void Keep(std::span<const std::uint8_t> Bytes, std::shared_ptr<const void> Owner, int Width, int Height,
              std::shared_ptr<const TBitmap> Pixels);
    // The same for bytes the picture holds itself.
    void Keep(std::vector<std::uint8_t>&& Bytes, int Width, int Height, std::shared_ptr<const TBitmap> Pixels);

private:
    // The file's bytes and what holds them (a file's block, or a vector loaded or made), shared by copies.
    std::span<const std::uint8_t> FData;
    std::shared_ptr<const void> FOwner;
    int FWidth = 0;
    int FHeight = 0;
    mutable std::shared_ptr<const TBitmap> FBitmap;
};
