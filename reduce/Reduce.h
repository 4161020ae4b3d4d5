#pragma once
// Colour reduction of 24-bit pictures to 8 bits with at most 256 palette colours.

#include <cstdint>

enum TReduceMode : std::uint8_t
{
    rmOctree,
    rmMedianCut,
    rmMedianCutByVariance,
    rmMedianCutDiffusion,
    rmMedianCutByVarianceDiffusion,
    rmStaticColorDiffusion
};
