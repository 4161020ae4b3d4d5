#pragma once
// A canvas device that draws through a QPainter (a printer's): vector calls stay vector, bitmaps are
// handed over at their own resolution, cut to the part the painter's clip can show.

#include "platform/graphics/Canvas.h"

#include <memory>

class QPainter;

std::unique_ptr<TCanvasDevice> MakePainterDevice(QPainter& Painter);
