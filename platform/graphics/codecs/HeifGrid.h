#pragma once
// The size a HEIF file's primary "grid" image declares in its own descriptor. libheif allocates the whole
// grid by that size, which nothing ties to the sizes checked before decoding, so a few hostile bytes
// could claim gigabytes; the reader checks it first.

#include <cstdint>
#include <optional>
#include <span>

struct THeifGridSize
{
    std::uint64_t Width = 0;
    std::uint64_t Height = 0;
};

// The output size of the primary item when it is a grid; nullopt when it is none or its descriptor cannot
// be found (libheif then refuses or decodes it as it decides).
std::optional<THeifGridSize> PrimaryGridSize(std::span<const std::uint8_t> Bytes);
