#include "engine/FramingKernel.h"
#include "engine/Rows.h"

#include "platform/graphics/PixelMath.h"

#include <algorithm>
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
    // The limits of each band leave the pixels the bands before it claimed, so every pixel is mapped once
    // and the order of the bands does not matter: the side bands go row by row, each row touched once.
    for (int K = 0; K < FrameWidth && K < H / 2; ++K) MapRow(Picture[K], K, W - 1 - K, Top);
    for (int R = H - 1; R >= H - FrameWidth && R >= H / 2; --R) {
        const int K = H - 1 - R;
        MapRow(Picture[R], K + 1, W - 1 - K, Bottom);
    }
    // Left column K spans rows K + 1 .. H - 1 - K, right column W - 1 - K rows K + 1 .. H - 2 - K.
    const int LeftColumns = std::min(FrameWidth, W / 2);
    const int RightColumns = std::min(FrameWidth, W - W / 2);
    for (int Y = 1; Y < H; ++Y) {
        std::uint8_t* Row = Picture[std::size_t(Y)];
        const int LeftCount = std::min({LeftColumns, Y, H - Y});
        if (LeftCount > 0) MapRow(Row, 0, LeftCount - 1, Left);
        const int RightCount = std::min({RightColumns, Y, H - 1 - Y});
        if (RightCount > 0) MapRow(Row, W - RightCount, W - 1, Right);
    }
}
