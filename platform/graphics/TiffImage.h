#pragma once
// TTiffImage: a TIFF picture (kind "Others"), its first page; made from a bitmap, it is written as
// Deflate-compressed RGB.

#include "platform/graphics/EncodedImage.h"

class TTiffImage : public TEncodedImage
{
public:
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TTiffImage>(*this); }
    std::string DefaultExtension() const override { return "tif"; }

protected:
    // Damaged data raise "TIFF イメージが不正です".
    void Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const override;
    bool Encode(const TBitmap& Source, std::vector<std::uint8_t>& Bytes) const override;
};
