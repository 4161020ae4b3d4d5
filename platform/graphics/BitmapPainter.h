#pragma once
// Painting with Qt onto a TBitmap's own pixels; internal to the picture layer.

#include <QPainter>

#include <functional>

class TBitmap;

// Opens a QPainter on Target's pixels and runs Paint with it. A plain 32-bit bitmap is painted in place;
// a 24-bit one through a 32-bit copy of its rows written back afterwards; any other format through a
// 24-bit conversion that is converted back to the bitmap's format.
void PaintOnBitmap(TBitmap& Target, const std::function<void(QPainter&)>& Paint);
