#pragma once
// The fixed palettes of the low-depth pixel formats, and the nearest-colour choice onto each.
//
// The halftone palette (pf8bit) has 256 entries:
//   0..215   a 6 × 6 × 6 colour cube, levels 0, 51, 102, 153, 204, 255 on each channel;
//            index = 36 × red step + 6 × green step + blue step (0 is black, 215 white);
//   216..255 40 further greys, eight in each gap between two neighbouring cube greys:
//            level 51 × k + (17 × j + 1) / 3 for k = 0..4, j = 1..8 (6, 11, 17, 23, 28, 34, 40, 45, 57, ...).
// A colour maps onto the entry nearest to it by the Euclidean distance in red, green and blue; among
// entries at the same distance the lowest index wins.

#include "platform/graphics/Palette.h"
#include "platform/graphics/PixelRowsAvx2.h"

#include <array>
#include <cstdint>

// The 256 colours of pf8bit, laid out as above.
const TPalette& HalftonePalette();
// The 16 standard colours of pf4bit in their customary order: black, maroon, green, olive, navy, purple,
// teal, silver, grey, red, lime, yellow, blue, fuchsia, aqua, white.
const TPalette& StandardColorPalette();
// Black (index 0) and white (index 1), the palette of pf1bit.
const TPalette& BlackWhitePalette();

// The nearest halftone entry of any 24-bit colour without searching: the nearest cube colour is found
// channel by channel, the nearest grey from the channel sum (the distance to a grey L is smallest where
// |3L - (red + green + blue)| is), and the closer of the two wins. The grey's squared distance less the
// cube colour's is the sum over the channels of (level² - the level's cube error), plus 3L² - 2L × sum:
// one table a channel holds its share of that difference and of the cube index in one word, so that
// three look-ups and two additions give both.
class THalftoneMap
{
public:
    static const THalftoneMap& Instance();

    std::uint8_t Index(std::uint8_t Red, std::uint8_t Green, std::uint8_t Blue) const
    {
        const std::uint32_t Word = FRed[Red] + FGreen[Green] + FBlue[Blue];
        const std::int32_t Grey = FGrey[std::size_t(Red + Green + Blue)];
        const std::int32_t Difference = std::int32_t(Word >> 8) + (Grey >> 8); // grey less cube
        const int CubeIndex = int(Word & 0xFF);
        const int GreyIndex = Grey & 0xFF;
        return std::uint8_t(Difference < 0 || (Difference == 0 && GreyIndex < CubeIndex) ? GreyIndex : CubeIndex);
    }

private:
    friend int Avx2Rows::WriteHalftone(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
    THalftoneMap();

    // Per level: (level² - cube error) << 8 | the cube index of the level's nearest step.
    std::array<std::uint32_t, 256> FRed{};
    std::array<std::uint32_t, 256> FGreen{};
    std::array<std::uint32_t, 256> FBlue{};
    // For the nearest grey L of a sum: (3L² - 2L × sum) × 256 + L's palette index.
    std::array<std::int32_t, 766> FGrey{};
};
