#pragma once
// THeifImage: a HEIC or AVIF picture (kind "Others"), its primary image upright; it is only read, never
// made from a bitmap.

#include "platform/graphics/EncodedImage.h"

class THeifImage : public TEncodedImage
{
public:
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<THeifImage>(*this); }
    // "avif" for an AVIF file, else "heic".
    std::string DefaultExtension() const override;

protected:
    // Damaged data raise "HEIF イメージが不正です".
    void Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const override;
};
