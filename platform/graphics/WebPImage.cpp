#include "platform/graphics/WebPImage.h"

#include "platform/graphics/codecs/WebPCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

void TWebPImage::Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const
{
    if (!ReadWebP(Bytes, Target)) throw EInvalidGraphic(Messages::SInvalidWebP);
}

bool TWebPImage::Encode(const TBitmap& Source, std::vector<std::uint8_t>& Bytes) const
{
    if (!WriteWebP(Source, Bytes)) throw EInvalidGraphic(Messages::SInvalidWebP);
    return true;
}
