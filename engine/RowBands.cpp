#include "engine/RowBands.h"

#include <algorithm>

int RowBandCount(std::int64_t Pixels)
{
    constexpr std::int64_t LeastBandPixels = std::int64_t(1) << 19;
    // Every band's tables cost memory; more cores than this gain little on memory-bound kernels.
    constexpr std::int64_t MostBands = 8;
    const std::int64_t Cores = CoreCount();
    return int(std::clamp(Pixels / LeastBandPixels, std::int64_t(1), std::min(Cores, MostBands)));
}
