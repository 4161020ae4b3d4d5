#pragma once
// Whole-pixel moves of 24- and 32-bit bitmaps on AVX2 vectors, eight pixels to a lane group. Callers check
// PixelBlocksAvailable() first and do what the blocks leave over in plain code.

#include "engine/Rows.h"

// True where the processor has AVX2.
bool PixelBlocksAvailable();

// The quarter turn's 8 × 8 blocks: target row Y, for Y below TargetRows (a multiple of 8), takes source
// column Y (Clockwise) or SourceWidth - 1 - Y; target column X, for X below TargetColumns (a multiple of 8),
// comes from row ColumnRows[X]. Size is 3 or 4 bytes a pixel.
void TurnBlocks(const TConstRowAddresses& ColumnRows, const TRowAddresses& Target, int Size, int SourceWidth,
                bool Clockwise, int TargetRows, int TargetColumns);

// Mirrors the first and last Count pixels of a row of Width pixels (Size 3 or 4 bytes) into each other's
// place, Count a multiple of 8 and at most Width / 2.
void MirrorBlocks(std::uint8_t* Row, int Width, int Size, int Count);
