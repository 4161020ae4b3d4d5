#pragma once
// The raster device: paints into a bitmap's own pixels, at whatever layout the bitmap has at the time
// of each call (1 to 32 bits, bit fields, device-dependent). Colours map onto the nearest colour-table
// entry up to 8 bits and onto the bit fields above; the pen's raster modes combine pixel values, so an
// inverting outline drawn twice restores every pixel, and drawing never converts the rest of the
// picture. One-pixel pens are traced by Bresenham's rule with the end point excluded; wider pens (round
// ends and joins) and text are rasterised without antialiasing. Text needs a QGuiApplication. Every
// drawing call ends with the bitmap's Modified().

#include "platform/graphics/Canvas.h"

#include <memory>

std::unique_ptr<TCanvasDevice> MakeRasterDevice(TBitmap& Target);
