#include "platform/graphics/TiffImage.h"

#include "platform/graphics/codecs/TiffCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

void TTiffImage::Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const
{
    if (!ReadTiff(Bytes, Target)) throw EInvalidGraphic(Messages::SInvalidTiff);
}

bool TTiffImage::Encode(const TBitmap& Source, std::vector<std::uint8_t>& Bytes) const
{
    if (!WriteTiff(Source, Bytes)) throw EInvalidGraphic(Messages::SInvalidTiff);
    return true;
}
