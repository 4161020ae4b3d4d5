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

// A placeable WMF of the EMF's drawing, its box the frame in the reference device's pixels. The records'
// page space (mapping mode, window, viewport, a world transform that only scales and moves) becomes the
// WMF's window over that box; Béziers, poly-draws and paths become polylines and polygons. A drawing
// with what the WMF cannot show (a rotated or sheared world, clipping paths and regions, alpha blends,
// gradients, block transfers between bitmaps) is written as one bitmap of the whole drawing instead.
std::vector<std::uint8_t> EmfToWmf(std::span<const std::uint8_t> Emf);
