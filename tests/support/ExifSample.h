#pragma once
// A camera's EXIF block written byte by byte: make, orientation, date, pixel dimensions and a GPS
// directory, in either byte order.

#include <cstddef>
#include <cstdint>
#include <vector>

struct TExifSample
{
    std::vector<std::uint8_t> Payload; // "Exif\0\0" and the TIFF structure, as an APP1 segment holds it
    std::size_t OrientationAt = 0;     // the orientation's SHORT in Payload
    std::size_t PixelXAt = 0;          // PixelXDimension, a SHORT
    std::size_t PixelYAt = 0;          // PixelYDimension, a LONG
    bool BigEndian = false;
};

TExifSample MakeExifSample(bool BigEndian, int Orientation, int PixelX, int PixelY);

// Writes Value into Payload at At as Bytes bytes in the sample's byte order.
void PutExifNumber(TExifSample& Sample, std::size_t At, std::uint32_t Value, int Bytes);

// JPEG file bytes with an APP1 segment of Payload right after the start of image.
std::vector<std::uint8_t> WithApp1(const std::vector<std::uint8_t>& Jpeg, const std::vector<std::uint8_t>& Payload);

// The payload of the first APP1 segment of JPEG file bytes that starts with "Exif\0\0"; empty when none.
std::vector<std::uint8_t> App1ExifOf(const std::vector<std::uint8_t>& Jpeg);
