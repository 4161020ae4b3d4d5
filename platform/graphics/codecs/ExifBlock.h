#pragma once
// The EXIF block of a camera's picture file (camera, date, place and the rest), carried into a JPEG file
// saved from its picture.

#include <cstdint>
#include <span>
#include <vector>

// The EXIF block of picture file bytes as an APP1 segment holds it ("Exif\0\0" and a TIFF structure): the
// first such APP1 segment before a JPEG file's image data, a WebP file's EXIF chunk or the Exif item of a
// HEIF file's primary image. Empty when the file has none or is in another format.
std::vector<std::uint8_t> FindExifBlock(std::span<const std::uint8_t> File);

// An EXIF block of Data, a TIFF structure as WebP and HEIF files store it, with or without the
// "Exif\0\0" header of a JPEG segment before it.
std::vector<std::uint8_t> ExifBlockOf(std::span<const std::uint8_t> Data);

// Payload with its orientation set to 1 (the picture is stored upright) and the picture's pixel
// dimensions set to Width x Height where the block records them; every other tag, the thumbnail's
// included, stays as it was. Empty when Payload is no EXIF block this can read.
std::vector<std::uint8_t> ExifForSavedPicture(std::span<const std::uint8_t> Payload, int Width, int Height);

// Inserts an APP1 segment of Payload into JPEG file bytes, after the start of image and the JFIF APP0
// segment where there is one. A payload too large for a segment is left out.
void InsertExifBlock(std::vector<std::uint8_t>& Jpeg, std::span<const std::uint8_t> Payload);
