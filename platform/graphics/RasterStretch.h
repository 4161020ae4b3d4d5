#pragma once
// Nearest-neighbour stretching between raster surfaces of any two layouts.

#include "platform/graphics/RasterSurface.h"

// Draws SourceRect of From into Dest of To: each destination pixel takes the source pixel whose span
// holds the destination pixel's centre. A reversed rectangle (Right < Left or Bottom < Top) mirrors.
// With Alpha, From is 32 bits with straight alpha in the fourth byte, blended over the destination.
// Pixels outside either surface are skipped.
void StretchPixels(const TRasterSurface& From, const TRasterSurface& To, const TRect& Dest, const TRect& SourceRect,
                   bool Alpha);
