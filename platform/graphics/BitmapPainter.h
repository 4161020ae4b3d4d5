#pragma once
// Painting with Qt onto a TBitmap's own pixels; internal to the picture layer.

#include <QPainter>

#include <functional>

class TBitmap;

// Opens a QPainter on Target's pixels and runs Paint with it. A plain 32-bit bitmap is painted in place;
// a 24-bit one through a 32-bit copy of its rows written back afterwards; any other format through a
// 24-bit conversion that is converted back to the bitmap's format.
void PaintOnBitmap(TBitmap& Target, const std::function<void(QPainter&)>& Paint);

// Paints a 24-bit Target band by band, as PaintOnBitmap paints it whole: each band of rows goes through
// a 32-bit copy small enough to stay in the processor's cache, on up to two threads. Paint draws the whole
// picture, its painter's row 0 being the target's row Top; it runs once per band and on several threads
// at once, so it may only read what it shares. An exception from Paint is raised again here once every
// band has ended.
void PaintOnBitmapInBands(TBitmap& Target, const std::function<void(QPainter& Painter, int Top)>& Paint);
