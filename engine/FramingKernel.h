#pragma once
// The bevelled frame, in place on a 24-bit bitmap: bands of FrameWidth pixels along each edge, brightened
// or darkened by Contrast percent on the sides and by half of it above and below, meeting in mitred
// corners. FrameWidth at least 1, Contrast 105..300.

#include "platform/graphics/Bitmap.h"

void ApplyFraming(TBitmap& Picture, int FrameWidth, int Contrast, bool LightFromLeft);
