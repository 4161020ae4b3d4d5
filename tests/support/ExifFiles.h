#pragma once
// WebP and HEIF files carrying an EXIF block, made by libwebp's and libheif's own tools and encoder.

#include <cstdint>
#include <filesystem>
#include <vector>

class TBitmap;

// A lossless WebP file of Pattern with Chunk as its EXIF chunk (webpmux), none when Chunk is empty; the
// tools' files go into Folder. Empty when a tool fails.
std::vector<std::uint8_t> MakeWebPWithExif(const TBitmap& Pattern, const std::vector<std::uint8_t>& Chunk,
                                           const std::filesystem::path& Folder);

// A HEIC file, or an AVIF file when Avif, that heif-enc makes of a JPEG file of Pattern whose APP1 segment
// holds Payload ("Exif\0\0" and a TIFF structure), none when Payload is empty. Empty when a tool fails.
std::vector<std::uint8_t> MakeHeifWithExif(const TBitmap& Pattern, const std::vector<std::uint8_t>& Payload, bool Avif,
                                           const std::filesystem::path& Folder);

// A HEIC file of Stored made by libheif's encoder with the orientation Orientation (1..8) in its irot and
// imir properties, and an Exif item of Exif ("Exif\0\0" and a TIFF structure, the item's offset pointing
// past the header) when that is not empty.
std::vector<std::uint8_t> EncodeHeic(const TBitmap& Stored, int Orientation,
                                     const std::vector<std::uint8_t>& Exif = {});
