// The neighbourhood filters and the framing effect of TKelvoImage. Blur, Edge, Median and Sobel read the
// untouched source and build a new bitmap; Mosaic and Framing change the picture's own bitmap.

#include "engine/FilterKernels.h"
#include "engine/FramingKernel.h"
#include "engine/KelvoImg.h"

void TKelvoImage::Blur()
{
    RunIntoNew("Blur", {}, ApplyBlur);
}

void TKelvoImage::Edge(int Level)
{
    RunIntoNew("Edge", {Level}, [Level](const TBitmap& Source, TBitmap& Result) { ApplyEdge(Source, Result, Level); });
}

void TKelvoImage::Median(int Level)
{
    RunIntoNew("Median", {Level},
               [Level](const TBitmap& Source, TBitmap& Result) { ApplyMedian(Source, Result, Level); });
}

void TKelvoImage::Sobel(int Level, bool Overlay)
{
    RunIntoNew("Sobel", {Level, Overlay}, [Level, Overlay](const TBitmap& Source, TBitmap& Result) {
        ApplySobel(Source, Result, Level, Overlay);
    });
}

void TKelvoImage::Mosaic(int BlockSize)
{
    RunInPlace("Mosaic", {BlockSize}, [BlockSize](TBitmap& Work) { ApplyMosaic(Work, BlockSize); });
}

void TKelvoImage::Framing(int FrameWidth, int Contrast, bool LightFromLeft)
{
    RunInPlace("Framing", {FrameWidth, Contrast, LightFromLeft},
               [=](TBitmap& Work) { ApplyFraming(Work, FrameWidth, Contrast, LightFromLeft); });
}
