#include "platform/graphics/RasterDevice.h"

#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

// Placeholder until the raster device lands.
std::unique_ptr<TCanvasDevice> MakeRasterDevice(TBitmap&)
{
    throw EInvalidGraphicOperation(Messages::SInvalidPixelFormat);
}
