#pragma once
// HEIC and AVIF through libheif, kept out of the public headers.

#include <cstdint>
#include <span>
#include <vector>

class TBitmap;

// Whether Bytes begin like a HEIF file (a "ftyp" box naming a HEIF brand), and whether that file is AVIF.
bool IsHeif(std::span<const std::uint8_t> Bytes);
bool IsAvif(std::span<const std::uint8_t> Bytes);

// Target := the primary image with its rotation and mirroring applied, reduced to 8 bits a sample: 32
// bits a pixel with straight alpha in the fourth byte when it has an alpha plane, else 24 bits. Returns
// false, Target unchanged, for damaged data, a codec libheif lacks, or a picture of more than
// MaxDecodedPixels.
bool ReadHeif(std::span<const std::uint8_t> Bytes, TBitmap& Target);

// The EXIF block of the Exif item of a HEIF file's primary image, as FindExifBlock gives it; empty without
// one, or when the item's offset to its TIFF structure points beyond it.
std::vector<std::uint8_t> HeifExifBlock(std::span<const std::uint8_t> Bytes);
