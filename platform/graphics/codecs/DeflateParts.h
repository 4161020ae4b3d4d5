#pragma once
// One zlib stream compressed in independent parts at the same time, as a single standard stream.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Where the last block of a raw deflate stream begins and where its end-of-block code ends, in bits
// from the start; nullopt when the stream is damaged or ends before its final block does.
struct TFinalBlock
{
    std::size_t HeaderBit = 0;
    std::size_t EndBit = 0;
};
std::optional<TFinalBlock> FindFinalBlock(std::span<const std::uint8_t> Stream);

// Appends a zlib stream (RFC 1950) of the concatenated Parts to Out, at libdeflate's Level (1..12).
// Each part is compressed on a core of its own; every part but the last loses its final-block flag and
// ends with an empty stored block, so the parts join on a byte boundary into one stream.
void DeflateParts(std::span<const std::span<const std::uint8_t>> Parts, int Level, std::vector<std::uint8_t>& Out);
