#include "engine/TrimmingArea.h"

#include "engine/KelvoImg.h"

#include <cstdint>

namespace {

// 64 bits: v × 1024 × To overflows 32 bits for pictures a few thousand pixels wide. The shift floors,
// so it equals the truncated quotient for coordinates that are not negative.
int Scale(int Value, int To, int From)
{
    if (From <= 0) return -1;
    return int((std::int64_t(Value) * 1024 * To / From) >> 10);
}

TRect ScaleRect(const TRect& Area, int ToWidth, int ToHeight, int FromWidth, int FromHeight)
{
    return TRect{Scale(Area.Left, ToWidth, FromWidth), Scale(Area.Top, ToHeight, FromHeight),
                 Scale(Area.Right, ToWidth, FromWidth), Scale(Area.Bottom, ToHeight, FromHeight)};
}

} // namespace

TTrimmingArea ScaleTrimmingArea(const TRect& Area, bool InPictureUnits, const TKelvoImage& Image)
{
    TTrimmingArea Result{Area, Area};
    if (Image.AutoSize() || !Image.Stretch()) return Result;
    const int W = Image.Picture().Width();
    const int H = Image.Picture().Height();
    if (InPictureUnits)
        Result.Control = ScaleRect(Area, Image.Width(), Image.Height(), W, H);
    else
        Result.Picture = ScaleRect(Area, W, H, Image.Width(), Image.Height());
    return Result;
}
