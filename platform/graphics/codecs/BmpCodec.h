#pragma once
// The BMP file format: reading every common variant, writing what the desktop writes.

#include <cstdint>
#include <span>
#include <vector>

class TBitmap;

// Replaces Target by the picture in Bytes; damaged data raises "ビットマップイメージが不正です".
void ReadBmp(std::span<const std::uint8_t> Bytes, TBitmap& Target);
// The same for a packed DIB (a BMP file without its file header) whose rows start RowsOffset bytes in,
// read where it lies; it is refused exactly where its BMP file would be.
void ReadDib(std::span<const std::uint8_t> Dib, std::uint64_t RowsOffset, TBitmap& Target);
// Appends a BMP file of Source: colour table of 2^bits entries up to 8 bits, bit fields for pf16bit and
// pfcustom, rows bottom-up. An empty bitmap appends nothing.
void WriteBmp(const TBitmap& Source, std::vector<std::uint8_t>& Bytes);
// Appends the packed DIB of Source: the same file without its file header.
void WriteDib(const TBitmap& Source, std::vector<std::uint8_t>& Bytes);
// The same file as pieces: the headers and colour table in Headers, then the bitmap's own rows, last
// row first. The bitmap and Headers must outlive the pieces.
std::vector<std::span<const std::uint8_t>> BmpFileParts(const TBitmap& Source, std::vector<std::uint8_t>& Headers);
