#pragma once
// The bevelled frame, in place on 24-bit rows: bands of FrameWidth pixels along each edge, brightened
// or darkened by Contrast percent on the sides and by half of it above and below, meeting in mitred
// corners. FrameWidth at least 1, Contrast 105..300.

#include "engine/PixelRows.h"

void FrameRows(const TPixelRows& Picture, int FrameWidth, int Contrast, bool LightFromLeft);
