#include "engine/FramingKernel.h"
#include "engine/Rows.h"

#include "platform/graphics/PixelMath.h"

#include <array>
#include <cstdint>

namespace {

using TLevelMap = std::array<std::uint8_t, 256>;

// v × Factor div 100, capped at 255.
TLevelMap LightenTable(int Factor)
{
    TLevelMap Table{};
    for (int V = 0; V < 256; ++V) Table[std::size_t(V)] = std::uint8_t(ClampByte(V * Factor / 100));
    return Table;
}

// v × 100 div Factor: never above v.
TLevelMap DarkenTable(int Factor)
{
    TLevelMap Table{};
    for (int V = 0; V < 256; ++V) Table[std::size_t(V)] = std::uint8_t(V * 100 / Factor);
    return Table;
}

// Columns First..Last of Row.
void MapRow(std::uint8_t* Row, int First, int Last, const TLevelMap& Map)
{
    for (int I = 3 * First; I < 3 * (Last + 1); ++I) Row[I] = Map[Row[I]];
}

void MapColumn(const TRowAddresses& Picture, int Column, int FirstRow, int LastRow, const TLevelMap& Map)
{
    for (int Y = FirstRow; Y <= LastRow; ++Y) MapRow(Picture[Y], Column, Column, Map);
}

} // namespace

void ApplyFraming(TBitmap& Bitmap, int FrameWidth, int Contrast, bool LightFromLeft)
{
    const auto Picture = RowAddresses(Bitmap);
    const int W = Bitmap.Width();
    const int H = Bitmap.Height();
    const int HalfContrast = (Contrast - 100) / 2 + 100;
    const TLevelMap SideLight = LightenTable(Contrast), SideDark = DarkenTable(Contrast);
    const TLevelMap EndLight = LightenTable(HalfContrast), EndDark = DarkenTable(HalfContrast);
    const TLevelMap& Top = LightFromLeft ? EndLight : EndDark;
    const TLevelMap& Bottom = LightFromLeft ? EndDark : EndLight;
    const TLevelMap& Left = LightFromLeft ? SideLight : SideDark;
    const TLevelMap& Right = LightFromLeft ? SideDark : SideLight;
    // The limits of each band leave the pixels the bands before it claimed.
    for (int K = 0; K < FrameWidth && K < H / 2; ++K) MapRow(Picture[K], K, W - 1 - K, Top);
    for (int K = 0; K < FrameWidth && K < W / 2; ++K) MapColumn(Picture, K, K + 1, H - 1 - K, Left);
    for (int R = H - 1; R >= H - FrameWidth && R >= H / 2; --R) {
        const int K = H - 1 - R;
        MapRow(Picture[R], K + 1, W - 1 - K, Bottom);
    }
    for (int Col = W - 1; Col >= W - FrameWidth && Col >= W / 2; --Col) {
        const int K = W - 1 - Col;
        MapColumn(Picture, Col, K + 1, H - 2 - K, Right);
    }
}
