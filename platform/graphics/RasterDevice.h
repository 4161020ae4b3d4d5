#pragma once
// The raster device: paints into a bitmap's own pixels.

#include "platform/graphics/Canvas.h"

#include <memory>

std::unique_ptr<TCanvasDevice> MakeRasterDevice(TBitmap& Target);
