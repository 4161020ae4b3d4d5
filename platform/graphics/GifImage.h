#pragma once
// TGifImage: a GIF picture (kind "Others"), its first frame; it is only read, never made from a bitmap.

#include "platform/graphics/EncodedImage.h"

class TGifImage : public TEncodedImage
{
public:
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TGifImage>(*this); }
    std::string DefaultExtension() const override { return "gif"; }

protected:
    // Damaged data raise "GIF イメージが不正です".
    void Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const override;
};
