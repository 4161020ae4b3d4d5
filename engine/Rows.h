#pragma once
// Row addresses of a bitmap, fetched once before the pixel loops (rows need not be adjacent).

#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <vector>

std::vector<std::uint8_t*> RowAddresses(TBitmap& Bitmap);
std::vector<const std::uint8_t*> RowAddresses(const TBitmap& Bitmap);
