#pragma once
// Pictures and corpus access shared by the tests.

#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A DIB of the given size and bit count filled with pseudo-random bytes (padding left zero); an
// 8-bit or smaller bitmap gets a random palette of 2^BitCount colours.
TBitmap MakeRandomBitmap(int Width, int Height, int BitCount, std::uint32_t Seed);

// A 24-bit bitmap of one colour.
TBitmap MakeFilledBitmap(int Width, int Height, TColor Color);

// Every byte of the pixels of two bitmaps' rows (padding ignored) and their layouts are equal.
bool SamePixels(const TBitmap& A, const TBitmap& B);

// The shared corpus folder, or an empty path when it is absent.
std::filesystem::path CorpusDir();

struct TCorpusEntry
{
    std::string File;        // relative to the corpus folder
    std::string Kind;        // bmp, ico, jpeg, wmf, emf
    std::string Expectation; // good, questionable, bad
    std::string Reference;   // PNG relative to the corpus folder, or empty
};

// The rows of MANIFEST.tsv of Kind; empty when the corpus is absent.
std::vector<TCorpusEntry> CorpusEntries(const std::string& Kind);

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& Path);
