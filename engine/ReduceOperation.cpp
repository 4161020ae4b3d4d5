#include "engine/KelvoImg.h"

// The picture's bitmap is itself converted to 24 bits before the reduction, which returns a new 8-bit
// bitmap that becomes the picture's graphic.
void TKelvoImage::Reduce(TReduceMode Mode)
{
    Announce("Reduce");
    if (!ArgumentsAccepted("Reduce", {int(Mode)}) || !PassesGate(FindOperation("Reduce")->Gate)) return;
    TBitmap& Source = *PictureBitmap();
    Source.SetPixelFormat(pf24bit);
    std::unique_ptr<TBitmap> Result;
    switch (Mode) {
    case rmOctree:
        Result = OctreeReduce(Source, 256);
        break;
    case rmMedianCut:
        Result = MedianCutReduce(Source, 8);
        break;
    case rmMedianCutByVariance:
        Result = MedianCutByVarianceReduce(Source, 8);
        break;
    case rmMedianCutDiffusion:
        Result = MedianCutDiffusionReduce(Source, 8);
        break;
    case rmMedianCutByVarianceDiffusion:
        Result = MedianCutByVarianceDiffusionReduce(Source, 8);
        break;
    case rmStaticColorDiffusion:
        Result = StaticColorDiffusionReduce(Source);
        break;
    }
    InstallBitmap(std::move(Result));
    Finish();
}
