#pragma once
// Helpers of the engine tests: components holding small pictures, pixels by hand, and an event log.

#include "engine/KelvoImg.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A 24-bit section of Width × Height pixels, every one (Blue, Green, Red).
TBitmap UniformBitmap(int Width, int Height, std::uint8_t Blue, std::uint8_t Green, std::uint8_t Red);

// Blue, green and red of pixel (X, Y) of a 24-bit bitmap.
std::array<int, 3> PixelAt(const TBitmap& Bitmap, int X, int Y);
void SetPixel(TBitmap& Bitmap, int X, int Y, std::uint8_t Blue, std::uint8_t Green, std::uint8_t Red);

// A component holding a copy of Picture.
std::unique_ptr<TKelvoImage> ImageWith(const TBitmap& Picture);

// The picture's bitmap; fails the test when the picture is not a bitmap.
const TBitmap& PictureOf(const TKelvoImage& Image);

// Every OnAmend and OnAmended of a component, as "Amend Kind" and "Amended Kind", in order.
struct TEventLog
{
    explicit TEventLog(TKelvoImage& Image);
    std::vector<std::string> Events;
    bool Amended() const;
};
