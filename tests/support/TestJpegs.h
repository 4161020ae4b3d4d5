#pragma once
// JPEG files made for the tests with libjpeg itself: the layouts the codec must read (progressive,
// sampling, grey, EXIF orientation) and frames that claim more pixels than their data hold.

#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <vector>

struct TJpegRecipe
{
    bool Progressive = false;
    bool FullChroma = false; // 4:4:4 rather than libjpeg's 4:2:0
    bool Grey = false;
    int Orientation = 1; // written as an EXIF block unless 1
};

// Bitmap (24 bits) compressed at quality 90 as Recipe says.
std::vector<std::uint8_t> MakeJpeg(const TBitmap& Bitmap, const TJpegRecipe& Recipe);

// Bytes whose frame header is made to claim Width x Height pixels, padded with comments to FileBytes: the
// data of the first blocks followed by a premature end, which libjpeg fills with grey. The pixel guard
// of the codec admits about a thousand pixels a byte.
std::vector<std::uint8_t> ClaimingSize(std::vector<std::uint8_t> Bytes, int Width, int Height, std::size_t FileBytes);

// Bytes decoded by libjpeg with its defaults and its own memory manager into 24-bit blue, green, red
// rows, the EXIF orientation not applied: the reference for the codec's decoding.
TBitmap DecodeJpegPlainly(const std::vector<std::uint8_t>& Bytes);
