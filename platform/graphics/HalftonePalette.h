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
// |3L - (red + green + blue)| is), and the closer of the two wins.
class THalftoneMap
{
public:
    static const THalftoneMap& Instance();

    std::uint8_t Index(std::uint8_t Red, std::uint8_t Green, std::uint8_t Blue) const
    {
        const int CubeDistance = FCubeError[Red] + FCubeError[Green] + FCubeError[Blue];
        const int CubeIndex = 36 * FCubeStep[Red] + 6 * FCubeStep[Green] + FCubeStep[Blue];
        const int Sum = Red + Green + Blue;
        const int Grey = FGreyLevel[std::size_t(Sum)];
        const int GreyDistance =
            (Red - Grey) * (Red - Grey) + (Green - Grey) * (Green - Grey) + (Blue - Grey) * (Blue - Grey);
        const int GreyIndex = FGreyIndex[std::size_t(Sum)];
        if (GreyDistance < CubeDistance) return std::uint8_t(GreyIndex);
        if (GreyDistance > CubeDistance) return std::uint8_t(CubeIndex);
        return std::uint8_t(GreyIndex < CubeIndex ? GreyIndex : CubeIndex);
    }

private:
    THalftoneMap();

    std::array<std::uint8_t, 256> FCubeStep{};   // nearest cube step 0..5 of a level
    std::array<std::uint16_t, 256> FCubeError{}; // squared distance of a level to that step
    std::array<std::uint8_t, 766> FGreyLevel{};  // nearest grey (cube greys included) of a channel sum
    std::array<std::uint8_t, 766> FGreyIndex{};  // its palette index
};
