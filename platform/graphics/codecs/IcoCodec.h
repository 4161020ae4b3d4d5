#pragma once
// The ICO file format: a directory of entries, each a headerless DIB (colour rows then a 1-bit AND
// mask, the height doubled to cover both) or a PNG file.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class TBitmap;

struct TIconEntry
{
    int Width = 0;
    int Height = 0;
    int BitCount = 0;
    std::size_t Offset = 0;
    std::size_t Size = 0;
    bool Png = false;
};

// The entries of an icon file, their sizes taken from their own headers. Raises
// "アイコンイメージが不正です" unless every entry lies inside Bytes with a usable header whose pixels fit
// in the entry's bytes.
std::vector<TIconEntry> ReadIconDirectory(std::span<const std::uint8_t> Bytes);

// The index of the entry an icon shows: the largest area, then the highest bit count, then the first.
std::size_t BestIconEntry(const std::vector<TIconEntry>& Entries);

// Target := the entry at 32 bits a pixel with straight alpha: from a 32-bit entry's fourth byte (its
// AND mask when that byte is zero everywhere), from the AND mask for fewer bits (a set bit is
// transparent), from the PNG's own alpha. Raises "アイコンイメージが不正です".
void DecodeIconEntry(std::span<const std::uint8_t> Bytes, const TIconEntry& Entry, TBitmap& Target);
