#include "platform/graphics/HalftonePalette.h"

#include <cstdlib>
#include <vector>

namespace {

constexpr int CubeLevelStep = 51; // 255 / 5: six levels per channel
constexpr int CubeSize = 216;

int CubeLevel(int Step)
{
    return Step * CubeLevelStep;
}

// The grey level of halftone entry CubeSize + Extra, Extra = 0..39.
int ExtraGreyLevel(int Extra)
{
    const int Gap = Extra / 8;
    const int Within = Extra % 8 + 1;
    return Gap * CubeLevelStep + (17 * Within + 1) / 3;
}

TPalette MakeHalftonePalette()
{
    std::vector<TPaletteEntry> Entries;
    Entries.reserve(256);
    for (int Red = 0; Red < 6; ++Red)
        for (int Green = 0; Green < 6; ++Green)
            for (int Blue = 0; Blue < 6; ++Blue)
                Entries.push_back(TPaletteEntry{std::uint8_t(CubeLevel(Red)), std::uint8_t(CubeLevel(Green)),
                                                std::uint8_t(CubeLevel(Blue)), 0});
    for (int Extra = 0; Extra < 256 - CubeSize; ++Extra) {
        const auto Level = std::uint8_t(ExtraGreyLevel(Extra));
        Entries.push_back(TPaletteEntry{Level, Level, Level, 0});
    }
    return TPalette(std::move(Entries));
}

} // namespace

const TPalette& HalftonePalette()
{
    static const TPalette Palette = MakeHalftonePalette();
    return Palette;
}

const TPalette& StandardColorPalette()
{
    static const TPalette Palette(std::vector<TPaletteEntry>{
        {0, 0, 0, 0},
        {128, 0, 0, 0},
        {0, 128, 0, 0},
        {128, 128, 0, 0},
        {0, 0, 128, 0},
        {128, 0, 128, 0},
        {0, 128, 128, 0},
        {192, 192, 192, 0},
        {128, 128, 128, 0},
        {255, 0, 0, 0},
        {0, 255, 0, 0},
        {255, 255, 0, 0},
        {0, 0, 255, 0},
        {255, 0, 255, 0},
        {0, 255, 255, 0},
        {255, 255, 255, 0},
    });
    return Palette;
}

const TPalette& BlackWhitePalette()
{
    static const TPalette Palette(std::vector<TPaletteEntry>{{0, 0, 0, 0}, {255, 255, 255, 0}});
    return Palette;
}

const THalftoneMap& THalftoneMap::Instance()
{
    static const THalftoneMap Map;
    return Map;
}

THalftoneMap::THalftoneMap()
{
    // Levels half-way between two cube levels do not exist (the step is odd), so the nearest step is unique.
    for (int Level = 0; Level < 256; ++Level) {
        const int Step = (Level + CubeLevelStep / 2) / CubeLevelStep;
        const int Error = Level - CubeLevel(Step);
        // Within half a step of its cube level, a level's square is never below its error's square.
        const auto Share = std::uint32_t(Level * Level - Error * Error) << 8;
        FRed[std::size_t(Level)] = Share | std::uint32_t(36 * Step);
        FGreen[std::size_t(Level)] = Share | std::uint32_t(6 * Step);
        FBlue[std::size_t(Level)] = Share | std::uint32_t(Step);
    }
    // Every grey of the palette with its index: the six cube greys and the extra ones.
    struct TGrey
    {
        int Level;
        int Index;
    };
    std::vector<TGrey> Greys;
    for (int Step = 0; Step < 6; ++Step) Greys.push_back({CubeLevel(Step), 43 * Step});
    for (int Extra = 0; Extra < 256 - CubeSize; ++Extra) Greys.push_back({ExtraGreyLevel(Extra), CubeSize + Extra});
    for (int Sum = 0; Sum < 766; ++Sum) {
        TGrey Best = Greys.front();
        for (const TGrey& Grey : Greys) {
            const int Distance = std::abs(3 * Grey.Level - Sum);
            const int BestDistance = std::abs(3 * Best.Level - Sum);
            if (Distance < BestDistance || (Distance == BestDistance && Grey.Index < Best.Index)) Best = Grey;
        }
        FGrey[std::size_t(Sum)] = (3 * Best.Level * Best.Level - 2 * Best.Level * Sum) * 256 + Best.Index;
    }
}
