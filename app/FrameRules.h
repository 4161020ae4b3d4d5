#pragma once
// Two rules of the main window that depend on numbers alone.

#include <cstdint>

// The zoom a Width × Height picture opens at: 100 up to 1024 pixels on the longer side, else the largest
// multiple of 10 that keeps the longer side at or below 1024 displayed pixels, and never below 10.
int ZoomForPictureSize(int Width, int Height);

// A file size in whole KB for the caption: truncated, but a remainder of 512 bytes or more, or any
// remainder of a file under 1 KB, counts as one more.
std::uintmax_t FileSizeInKB(std::uintmax_t Bytes);
