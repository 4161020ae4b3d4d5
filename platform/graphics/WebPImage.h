#pragma once
// TWebPImage: a WebP picture (kind "Others"); made from a bitmap, it compresses lossily at quality 90.

#include "platform/graphics/EncodedImage.h"

class TWebPImage : public TEncodedImage
{
public:
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TWebPImage>(*this); }
    std::string DefaultExtension() const override { return "webp"; }

protected:
    // Damaged data raise "WebP イメージが不正です".
    void Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const override;
    bool Encode(const TBitmap& Source, std::vector<std::uint8_t>& Bytes) const override;
};
