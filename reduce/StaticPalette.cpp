#include "reduce/Reduce.h"

namespace {

// Level number of every channel value, from the run lengths of the levels. The runs are not everywhere
// the nearest level (red 230 stays at 204, green 234 goes to 255); every level value maps to itself.
template <std::size_t N> constexpr std::array<std::uint8_t, 256> IndexFromRuns(const std::array<int, N>& Runs)
{
    std::array<std::uint8_t, 256> Table{};
    int Value = 0;
    for (std::size_t Level = 0; Level < N; ++Level)
        for (int Run = 0; Run < Runs[Level]; ++Run) Table[std::size_t(Value++)] = std::uint8_t(Level);
    return Table;
}

} // namespace

constexpr std::array<std::uint8_t, 256> RedIndex = IndexFromRuns(std::array<int, 6>{26, 51, 51, 51, 52, 25});
constexpr std::array<std::uint8_t, 256> GreenIndex = IndexFromRuns(std::array<int, 7>{22, 42, 43, 43, 43, 41, 22});
constexpr std::array<std::uint8_t, 256> BlueIndex = IndexFromRuns(std::array<int, 5>{32, 64, 64, 64, 32});

const TPalette& StaticPalette()
{
    // Made once, on first use; red outermost, then green, blue innermost.
    static const TPalette Palette = [] {
        TLogPalette Record;
        for (std::uint8_t Red : RedLevel)
            for (std::uint8_t Green : GreenLevel)
                for (std::uint8_t Blue : BlueLevel) Record.palPalEntry.push_back(TPaletteEntry{Red, Green, Blue, 0});
        return TPalette(Record);
    }();
    return Palette;
}

int StaticColorIndex(TPackedColor Color)
{
    return RedIndex[std::size_t(RedOf(Color))] * 35 + GreenIndex[std::size_t(GreenOf(Color))] * 5 +
           BlueIndex[std::size_t(BlueOf(Color))];
}

void TQuantizeToStaticColor::Quantize(TPackedColor Color, std::uint8_t* Pixel) const
{
    Pixel[0] = BlueLevel[BlueIndex[std::size_t(BlueOf(Color))]];
    Pixel[1] = GreenLevel[GreenIndex[std::size_t(GreenOf(Color))]];
    Pixel[2] = RedLevel[RedIndex[std::size_t(RedOf(Color))]];
}
