#pragma once
// Plain per-pixel versions of the tone operations, written step by step from their definitions and used
// only to check the fast kernels. Each works on a 24-bit bitmap in place.

#include "platform/graphics/Bitmap.h"

namespace Reference {

void Bright(TBitmap& Bitmap, int Percent);
void Light(TBitmap& Bitmap, int Delta);
void Linear(TBitmap& Bitmap, int Slope, int Offset);
// Returns false when the picture has no level range (the operation stops).
bool Contrast(TBitmap& Bitmap, int Percent);
void Gamma(TBitmap& Bitmap, long double Value);
void Negative(TBitmap& Bitmap);
void GrayScale(TBitmap& Bitmap);
void Sepia(TBitmap& Bitmap);
// Level -1 finds the threshold; returns false when there is no level range.
bool BlackAndWhite(TBitmap& Bitmap, int Level);
void Posterization(TBitmap& Bitmap, int Levels);
void LevelRange(const TBitmap& Bitmap, int Step, int Percent, int& Low, int& High);

} // namespace Reference
