#pragma once
// Files made by other programs (the Debian tools of each format) for the codec tests, and the pixel
// comparisons that allow for a format's loss.

#include "platform/graphics/Bitmap.h"

#include <filesystem>
#include <string>

// Whether the program Name is on the path.
bool HaveTool(const std::string& Name);
// Runs Command through the shell, its output discarded; true when it exits with 0.
bool RunTool(const std::string& Command);

// A test picture of smooth gradients crossed by sharp edges (what photographs and drawings hold), 24 bits,
// or 32 with a varying straight alpha.
TBitmap MakeTestPattern(int Width, int Height, bool Alpha = false);

// Writes Bitmap (24 or 32 bits) as a PAM file, the plain format every tool reads.
void WritePam(const TBitmap& Bitmap, const std::filesystem::path& Path);
// Reads a PAM or binary PPM file of 8-bit samples (grey, RGB or RGBA) into 24 or 32 bits.
TBitmap ReadPam(const std::filesystem::path& Path);

// The largest and the mean difference of a blue, green or red level between two pictures of the same size
// (the fourth byte too where both have 32 bits); 256 when the sizes differ.
int MaxDifference(const TBitmap& A, const TBitmap& B);
double MeanDifference(const TBitmap& A, const TBitmap& B);

// A new empty folder for one test's files, removed by the caller.
std::filesystem::path MakeTestFolder(const std::string& Name);
