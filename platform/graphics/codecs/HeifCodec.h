#pragma once
// HEIC and AVIF through libheif, kept out of the public headers.

#include <cstdint>
#include <span>

class TBitmap;

// Whether Bytes begin like a HEIF file (a "ftyp" box naming a HEIF brand), and whether that file is AVIF.
bool IsHeif(std::span<const std::uint8_t> Bytes);
bool IsAvif(std::span<const std::uint8_t> Bytes);

// Target := the primary image with its rotation and mirroring applied, reduced to 8 bits a sample: 32
// bits a pixel with straight alpha in the fourth byte when it has an alpha plane, else 24 bits. Returns
// false, Target unchanged, for damaged data, a codec libheif lacks, or a picture of more than
// MaxDecodedPixels.
bool ReadHeif(std::span<const std::uint8_t> Bytes, TBitmap& Target);
