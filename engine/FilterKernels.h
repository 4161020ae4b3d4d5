#pragma once
// Neighbourhood filters on 24-bit bitmaps (blue, green, red a pixel). Blur, Edge, Median and Sobel read
// Source and write every pixel of Target, a separate 24-bit bitmap of the same size; Mosaic works in
// place. Each fetches its row addresses once.

#include "platform/graphics/Bitmap.h"

// Mean of the 3 × 3 window, clipped to the picture; the sum is divided by the number of pixels kept,
// truncating.
void ApplyBlur(const TBitmap& Source, TBitmap& Target);

// Centre + (4 × centre - the four direct neighbours) × Level div 100, clamped to 0..255; the outermost
// rows and columns are copied. Level 1..100.
void ApplyEdge(const TBitmap& Source, TBitmap& Target, int Level);

// Replaces a pixel by the median-by-channel-sum pixel of its window when the sums differ by at least
// (25500 - Level × 255) div 100. Ties are decided by the partial exchange sort over the window in
// collection order (rows top to bottom, columns left to right), exactly as that loop leaves them.
void ApplyMedian(const TBitmap& Source, TBitmap& Target, int Level);

// Sobel contours: 255 - (OR of the three channel magnitudes), drawn over the picture with AND when
// Overlay, else on white; the border repeats its interior neighbours. Pictures with fewer than 3 rows
// or columns have no interior and are copied unchanged.
void ApplySobel(const TBitmap& Source, TBitmap& Target, int Level, bool Overlay);

// Fills blocks of BlockSize × BlockSize (clipped at the right and bottom edges) with the block's centre
// pixel, or its top-left pixel when the centre lies outside the picture. BlockSize 2..50.
void ApplyMosaic(TBitmap& Picture, int BlockSize);
