#pragma once
// WebP through libwebp, kept out of the public headers.

#include <cstdint>
#include <span>
#include <vector>

class TBitmap;

// Whether Bytes begin like a WebP file: a RIFF container of form type "WEBP".
bool IsWebP(std::span<const std::uint8_t> Bytes);

// The EXIF block of a WebP file's EXIF chunk, as FindExifBlock gives it; empty without one.
std::vector<std::uint8_t> WebPExifBlock(std::span<const std::uint8_t> Bytes);

// Target := the picture (the first frame of an animation) turned upright by its EXIF orientation: 32 bits
// a pixel with straight alpha in the fourth byte when it has an alpha channel, else 24 bits. Returns
// false, Target unchanged, for damaged data or a picture of more than MaxDecodedPixels.
bool ReadWebP(std::span<const std::uint8_t> Bytes, TBitmap& Target);

// Appends a lossy WebP file of Source (24 bits a pixel) at quality 90; false when libwebp refuses the
// picture (a side longer than 16383 pixels).
bool WriteWebP(const TBitmap& Source, std::vector<std::uint8_t>& Bytes);
