#pragma once
// PNG files: read through libspng, written by our own encoder on libdeflate.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class TBitmap;

struct TPngSize
{
    int Width = 0;
    int Height = 0;
};

// The size in the IHDR chunk, read without decoding; nullopt when Bytes do not start like a PNG.
std::optional<TPngSize> ReadPngSize(std::span<const std::uint8_t> Bytes);

// Target := the picture: 32 bits a pixel with straight alpha in the fourth byte when the file has an
// alpha channel (or transparency), else 24 bits. Returns false, Target unchanged, for damaged data (a
// chunk running past the end, no IEND chunk) or a picture of more than 2^26 pixels.
bool ReadPng(std::span<const std::uint8_t> Bytes, TBitmap& Target);

// Appends a PNG file of Source: a pf32bit section keeps its fourth byte as alpha, any other layout
// (a device-dependent bitmap included) is written as 24-bit colour. The rows are filtered and deflated
// on every core.
void WritePng(const TBitmap& Source, std::vector<std::uint8_t>& Bytes);
