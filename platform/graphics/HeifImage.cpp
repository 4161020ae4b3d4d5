#include "platform/graphics/HeifImage.h"

#include "platform/graphics/codecs/HeifCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

std::string THeifImage::DefaultExtension() const
{
    return IsAvif(Data()) ? "avif" : "heic";
}

void THeifImage::Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const
{
    if (!ReadHeif(Bytes, Target)) throw EInvalidGraphic(Messages::SInvalidHeif);
}
