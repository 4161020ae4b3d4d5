#pragma once
// The colour of one pixel of a bitmap of any layout, worked out from the layout's definition alone
// (palette index, bit fields, blue-green-red bytes), as a plain reference for the tests.

#include "platform/graphics/Bitmap.h"

// Bit-field channels are scaled to 0..255 and rounded (5-bit 3 becomes 25, 31 becomes 255), as the
// reference renderings of the corpus show.
TColor ReadPixel(const TBitmap& Bitmap, int X, int Y);
