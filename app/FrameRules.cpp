#include "app/FrameRules.h"

#include <algorithm>

int ZoomForPictureSize(int Width, int Height)
{
    const int Longer = std::max(Width, Height);
    if (Longer <= 1024) return 100;
    const int Zoom = 102400 / Longer / 10 * 10;
    // The zoom slider's tick frequency is the smallest zoom the window shows.
    return Zoom == 0 ? 10 : Zoom;
}

std::uintmax_t FileSizeInKB(std::uintmax_t Bytes)
{
    std::uintmax_t KB = Bytes / 1024;
    const std::uintmax_t Rest = Bytes % 1024;
    if (Rest != 0 && (KB == 0 || Rest >= 512)) ++KB;
    return KB;
}
