#pragma once
// Plain versions of the engine's kernels, written step by step from the description of each operation
// for the tests to compare the fast kernels with. Pictures are 24-bit unless a depth is named; each
// function returns the result as a new bitmap (or changes Picture in place where the operation does).

#include "platform/graphics/Bitmap.h"

TBitmap ReferenceBlur(const TBitmap& Source);
TBitmap ReferenceEdge(const TBitmap& Source, int Level);
TBitmap ReferenceMedian(const TBitmap& Source, int Level);
TBitmap ReferenceSobel(const TBitmap& Source, int Level, bool Overlay);
void ReferenceMosaic(TBitmap& Picture, int BlockSize);
void ReferenceFraming(TBitmap& Picture, int FrameWidth, int Contrast, bool LightFromLeft);

// At the source's depth: 1, 4, 8, 16, 24 or 32 bits.
TBitmap ReferenceTurn(const TBitmap& Source, int Angle);
TBitmap ReferenceReverse(const TBitmap& Source);
TBitmap ReferenceBilinear(const TBitmap& Source, int NewWidth, int NewHeight);
TBitmap ReferenceAreaAverage(const TBitmap& Source, int NewWidth, int NewHeight);

// Reading and writing one channel (0 blue, 1 green, 2 red) of a 24-bit pixel.
int Level(const TBitmap& Bitmap, int X, int Y, int Channel);
void SetLevel(TBitmap& Bitmap, int X, int Y, int Channel, int Value);
