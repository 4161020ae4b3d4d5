#pragma once
// Row addresses of a bitmap, fetched once before the pixel loops (rows need not be adjacent).

#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <vector>

using TRowAddresses = std::vector<std::uint8_t*>;
using TConstRowAddresses = std::vector<const std::uint8_t*>;

TRowAddresses RowAddresses(TBitmap& Bitmap);
TConstRowAddresses RowAddresses(const TBitmap& Bitmap);
