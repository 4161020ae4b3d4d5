#pragma once
// Per-level look-up tables and the kernel that applies one to every channel of a 24-bit bitmap.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PixelMath.h"

#include <array>
#include <cstdint>

// One output level for each input level 0..255.
using TLevelTable = std::array<std::uint8_t, 256>;

// Every level through First, then through Then: the one table that does both.
TLevelTable ComposeTables(const TLevelTable& First, const TLevelTable& Then);

// Replaces blue, green and red of every pixel of a 24-bit bitmap by Table's entry for its old value;
// row padding is left alone.
void ApplyLevelTable(TBitmap& Bitmap, const TLevelTable& Table);
