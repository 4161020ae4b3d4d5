#pragma once
// A trimming area (inclusive) in both of its units: picture pixels and control pixels. The two differ
// only while the control shows the picture stretched (AutoSize off, Stretch on).

#include "platform/graphics/Types.h"

class TKelvoImage;

struct TTrimmingArea
{
    TRect Picture;
    TRect Control;
};

// Area is in picture pixels when InPictureUnits, else in control pixels; the other form is scaled from
// it by v × 1024 × To div From, shifted right by 10 (a small negative coordinate stays negative). A
// control or picture without pixels yields -1 coordinates, which no picture contains.
TTrimmingArea ScaleTrimmingArea(const TRect& Area, bool InPictureUnits, const TKelvoImage& Image);
