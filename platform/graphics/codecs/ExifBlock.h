#pragma once
// The EXIF block of a camera's JPEG file (camera, date, place and the rest), carried into a JPEG file
// saved from its picture.

#include <cstdint>
#include <span>
#include <vector>

// The payload of the first APP1 segment of JPEG file bytes that holds an EXIF block ("Exif\0\0" and a
// TIFF structure); empty when there is none before the image data, or the file is no JPEG file.
std::vector<std::uint8_t> FindExifBlock(std::span<const std::uint8_t> Jpeg);

// Payload with its orientation set to 1 (the picture is stored upright) and the picture's pixel
// dimensions set to Width x Height where the block records them; every other tag, the thumbnail's
// included, stays as it was. Empty when Payload is no EXIF block this can read.
std::vector<std::uint8_t> ExifForSavedPicture(std::span<const std::uint8_t> Payload, int Width, int Height);

// Inserts an APP1 segment of Payload into JPEG file bytes, after the start of image and the JFIF APP0
// segment where there is one. A payload too large for a segment is left out.
void InsertExifBlock(std::vector<std::uint8_t>& Jpeg, std::span<const std::uint8_t> Payload);
