#include "platform/graphics/codecs/BmpCodec.h"

#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

// Placeholder until the codec lands: every file is refused.
void ReadBmp(std::span<const std::uint8_t>, TBitmap&)
{
    throw EInvalidGraphic(Messages::SInvalidBitmap);
}
void WriteBmp(const TBitmap&, std::vector<std::uint8_t>&)
{
    throw EInvalidGraphic(Messages::SInvalidBitmap);
}
