#pragma once
// The EXIF orientation tag of a camera picture and the turn or mirror that shows it upright.

#include <cstdint>
#include <span>

class TBitmap;

// The orientation (1..8) in the payload of an APP1 segment ("Exif\0\0" and a TIFF structure); 1 when
// the payload is no EXIF block, lacks the tag or holds a value outside 1..8. Reads nothing beyond
// Payload, whatever its offsets claim.
int ReadExifOrientation(std::span<const std::uint8_t> Payload);

// How orientation 1..8 shows the stored picture upright, as three independent steps. Stored pixel
// (SX, SY) of a W x H picture is shown at X = (MirrorsRows ? W - 1 - SX : SX) and
// Y = (FlipsColumns ? H - 1 - SY : SY), X and Y then exchanged when SwapsSides: 2 mirrors left-right,
// 3 turns by 180 degrees, 4 mirrors top-bottom, 5 transposes, 6 turns clockwise by 90 degrees,
// 7 transposes across the other diagonal, 8 turns anticlockwise by 90 degrees.
constexpr bool SwapsSides(int Orientation)
{
    return Orientation >= 5 && Orientation <= 8;
}
constexpr bool MirrorsRows(int Orientation)
{
    return Orientation == 2 || Orientation == 3 || Orientation == 7 || Orientation == 8;
}
constexpr bool FlipsColumns(int Orientation)
{
    return Orientation == 3 || Orientation == 4 || Orientation == 6 || Orientation == 7;
}

// Target := Stored (24 or 32 bits a pixel, kept) shown upright: 2 mirrors left-right, 3 turns by 180 degrees,
// 4 mirrors top-bottom, 5 transposes, 6 turns clockwise by 90 degrees, 7 transposes across the other
// diagonal, 8 turns anticlockwise by 90 degrees.
void OrientBitmap(const TBitmap& Stored, int Orientation, TBitmap& Target);

// Target := Stored shown upright, moved without a copy when Orientation is 1 (or out of range).
void ShowUpright(TBitmap&& Stored, int Orientation, TBitmap& Target);
