#pragma once
// TIFF through libtiff, kept out of the public headers.

#include <cstdint>
#include <span>
#include <vector>

class TBitmap;

// Whether Bytes begin like a TIFF file (classic or BigTIFF, either byte order).
bool IsTiff(std::span<const std::uint8_t> Bytes);

// Target := the first page turned upright by its orientation tag: 32 bits a pixel with straight alpha in
// the fourth byte when it has an alpha sample, else 24 bits; 16-bit samples are reduced to 8, CMYK,
// palette, grey and YCbCr pages are converted to colour. Returns false, Target unchanged, for damaged
// data, a layout libtiff cannot convert, or a page of more than MaxDecodedPixels.
bool ReadTiff(std::span<const std::uint8_t> Bytes, TBitmap& Target);

// Appends a TIFF file of Source (24 bits a pixel): RGB, 8 bits a sample, Deflate with horizontal
// differencing. Returns false when libtiff fails.
bool WriteTiff(const TBitmap& Source, std::vector<std::uint8_t>& Bytes);
