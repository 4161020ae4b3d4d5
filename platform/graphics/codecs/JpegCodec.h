#pragma once
// JPEG/JFIF through libjpeg: header reading, decoding to an upright 24-bit bitmap, encoding.
// Every libjpeg failure raises EJPEG with "JPEG エラー #%d" and libjpeg's message code.

#include <cstdint>
#include <span>
#include <vector>

class TBitmap;

struct TJpegHeader
{
    int Width = 0;       // as shown, after the orientation
    int Height = 0;      // as shown, after the orientation
    int Orientation = 1; // EXIF orientation 1..8 (1 when absent or unreadable)
};

// Reads the frame header and the EXIF orientation without decoding the pixels. A picture whose pixel
// count the data cannot justify is refused with libjpeg's JERR_IMAGE_TOO_BIG.
TJpegHeader ReadJpegHeader(std::span<const std::uint8_t> Bytes);

// Replaces Target by the decoded picture at 24 bits a pixel, turned upright by its EXIF orientation.
// Greyscale becomes grey levels, CMYK and YCCK (Adobe's inverted storage included) become RGB.
// Warnings about corrupt data (a premature end, extraneous bytes) still yield the picture, with
// libjpeg's grey filling whatever is missing.
void DecodeJpeg(std::span<const std::uint8_t> Bytes, TBitmap& Target);

// Appends a JFIF file of Source: colour (YCbCr), sequential baseline, at Quality (1..100).
void EncodeJpeg(const TBitmap& Source, int Quality, std::vector<std::uint8_t>& Bytes);
