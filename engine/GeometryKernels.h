#pragma once
// Geometry from one bitmap into another, prepared by the caller with the right size and layout. Turn, Reverse and Crop
// work at the picture's own depth (1, 4, 8, 16, 24 or 32 bits a pixel; a 1- or 4-bit pixel is written into its own
// bits, the others of its byte kept); the resamplers work on 24-bit bitmaps.

#include "platform/graphics/Bitmap.h"

// The depths whose rows Turn and Reverse address directly.
inline bool KeepsItsDepth(int BitCount)
{
    return BitCount == 1 || BitCount == 4 || BitCount == 8 || BitCount == 16 || BitCount == 24 || BitCount == 32;
}

// Target := Source turned clockwise by Angle (90, 180 or 270); Target is H × W for 90 and 270.
void TurnPixels(const TBitmap& Source, TBitmap& Target, int Angle);

// Mirrors Bitmap left to right in place.
void ReversePixels(TBitmap& Bitmap);

// Target := the Target-sized part of Source whose top-left pixel is (Left, Top).
void CropPixels(const TBitmap& Source, TBitmap& Target, int Left, int Top);

// Bilinear interpolation with pixel centres aligned and the edge rows and columns repeated, each
// value summed in extended precision and rounded half to even.
void BilinearPixels(const TBitmap& Source, TBitmap& Target);

// Area averaging: each target pixel is the mean of the source area it covers, weighted by overlap,
// its span ending 0.000001 short of the next pixel's; rounded half to even.
void AreaAveragePixels(const TBitmap& Source, TBitmap& Target);
