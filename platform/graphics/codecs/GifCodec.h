#pragma once
// GIF through giflib, kept out of the public headers.

#include <cstdint>
#include <span>
#include <vector>

class TBitmap;

// Whether Bytes begin like a GIF file ("GIF87a" or "GIF89a").
bool IsGif(std::span<const std::uint8_t> Bytes);

// Target := the first frame on its logical screen, as browsers show it before any animation: the screen
// transparent where the frame leaves it or marks a pixel transparent. 32 bits a pixel with straight alpha
// in the fourth byte when any pixel is transparent, else 24 bits. Returns false, Target unchanged, for
// damaged or truncated data or a screen of more than MaxDecodedPixels.
bool ReadGif(std::span<const std::uint8_t> Bytes, TBitmap& Target);
