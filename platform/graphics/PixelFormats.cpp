#include "platform/graphics/Bitmap.h"

#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

// Placeholder until the conversions land.
void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (Value != PixelFormat()) throw EInvalidGraphic(Messages::SInvalidPixelFormat);
}
