#include "platform/graphics/GifImage.h"

#include "platform/graphics/codecs/GifCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

void TGifImage::Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const
{
    if (!ReadGif(Bytes, Target)) throw EInvalidGraphic(Messages::SInvalidGif);
}
