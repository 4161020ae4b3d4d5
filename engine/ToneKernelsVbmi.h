#pragma once
// The per-pixel tone passes over the whole 64-pixel blocks of a row of a 24-bit bitmap, for processors
// with 512-bit byte permutations (call only when HasVbmi()). Each returns how many of the Pixels it
// did; the caller does the rest.

#include "engine/ToneKernels.h"

#include <cstddef>
#include <cstdint>

std::size_t GrayScaleBlocks(std::uint8_t* Row, std::size_t Pixels, const TGrayTables& Gray);
std::size_t SepiaBlocks(std::uint8_t* Row, std::size_t Pixels, const TGrayTables& Gray, const TLevelTable& SepiaBlue,
                        const TLevelTable& SepiaGreen);
std::size_t BlackAndWhiteBlocks(std::uint8_t* Row, std::size_t Pixels, int Threshold);
