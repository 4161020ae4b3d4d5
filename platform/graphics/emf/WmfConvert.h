#pragma once
// Windows metafiles: read by translating their records to EMF, written by translating EMF back.

#include <cstdint>
#include <span>
#include <vector>

// Whether Bytes begin like a WMF file (placeable or plain).
bool IsWmf(std::span<const std::uint8_t> Bytes);

struct TWmfToEmf
{
    std::vector<std::uint8_t> Emf;
    int Inch = 0; // units per inch of the placeable header; 0 for a plain WMF
};

// Translates a WMF file; raises "メタファイルが不正です" when its header or framing is unusable.
// Records that fail libUEMF's checks end the translation, keeping what precedes them.
TWmfToEmf WmfToEmf(std::span<const std::uint8_t> Wmf);

// A placeable WMF of the EMF's drawing in the reference device's pixels. Records that need a mapping mode,
// a world transform or a path, which the WMF does not carry the same way, are written as one bitmap of
// the whole drawing instead.
std::vector<std::uint8_t> EmfToWmf(std::span<const std::uint8_t> Emf);
