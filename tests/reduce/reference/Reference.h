#pragma once
// Plain references of the colour reductions, written the slow and obvious way for the tests: a tree of
// owned nodes walked by visitors, a median cut over the cell records, and diffusion over a whole picture
// of errors. Each returns its 8-bit result: the palette and one index per pixel.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Palette.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace Reference {

struct TIndexed
{
    std::vector<TPaletteEntry> Palette;
    std::vector<std::uint8_t> Indexes; // row by row, Width per row
};

// The palette and the indexes of an 8-bit bitmap, in the same form.
TIndexed IndexedOf(const TBitmap& Bitmap);

// Packed colours of a 24-bit bitmap, rows from the top, each from the left.
std::vector<std::uint32_t> ColorsOf(const TBitmap& Bitmap);

class TOctree;

struct TOctreeNode
{
    TOctreeNode(TOctree* Owner, TOctreeNode* ParentNode);
    ~TOctreeNode();
    void SetLeaf(bool Value);
    void AddColor(int Depth, std::uint32_t Color);
    int GetColorIndex(int Depth, std::uint32_t Color) const;

    bool IsLeaf = false;
    TOctree* Octree;
    TOctreeNode* Parent;
    std::array<std::unique_ptr<TOctreeNode>, 8> Children;
    std::int32_t PixelCount = 0;
    std::int64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
    std::int32_t ColorIndex = 0;
    std::int32_t ChildCount = 0;
    std::int32_t LeafChildCount = 0;
};

class TOctree
{
public:
    TOctree();
    ~TOctree();
    void AddColor(std::uint32_t Color);
    void ReduceColors(int Count);
    int GetColorIndex(std::uint32_t Color) const { return Root->GetColorIndex(0, Color); }
    std::vector<TPaletteEntry> GetPalette();

    std::unique_ptr<TOctreeNode> Root;
    std::int32_t NodeCount = 0;
    std::int32_t LeafCount = 0;
    std::int32_t EntryCount = 0;
    std::int32_t MinForkPixels = 0;
    std::array<std::int32_t, 3> SmallForkSum{};
    std::vector<TPaletteEntry> Entries;
    // Thresholds of the trimming passes at the node limit, in order.
    std::vector<std::int32_t> LimitPasses;

private:
    void Walk(const std::function<void(TOctreeNode&)>& Visit);
};

TIndexed OctreeReduce(const TBitmap& Bitmap, int Count);

// Median cut: plain or by variance, compacted or not.
class TMedianCut
{
public:
    struct TCell
    {
        std::uint16_t Index = 0;
        std::int32_t CellNo = 0, Count = 0, Red = 0, Green = 0, Blue = 0;
    };
    TMedianCut();
    void AddColor(std::uint32_t Color);
    void Cut(int Depth, bool Compact, bool ByVariance);
    int GetColorIndex(std::uint32_t Color) const;
    std::vector<TPaletteEntry> GetPalette() const;

private:
    void Split(int First, int Last, int Level);
    std::vector<TCell> Cells;
    std::vector<std::uint8_t> IndexTable;
    std::vector<TPaletteEntry> Colors;
    int MaxDepth = 0;
    bool Variance = false;
};

TIndexed MedianCutReduce(const TBitmap& Bitmap, int Depth, bool ByVariance);
TIndexed MedianCutDiffusionReduce(const TBitmap& Bitmap, int Depth, bool ByVariance);
TIndexed StaticColorDiffusionReduce(const TBitmap& Bitmap);

// Floyd–Steinberg diffusion over the whole picture: Quantize maps (red, green, blue) to a palette colour;
// returns the chosen colours, packed, row by row.
using TQuantize = std::function<std::array<int, 3>(std::array<int, 3>)>;
std::vector<std::uint32_t> Diffuse(const TBitmap& Bitmap, const TQuantize& Quantize);

// The fixed palette's level of a channel value, from the ranges of the levels.
std::array<int, 3> StaticLevels(std::array<int, 3> RedGreenBlue);
int StaticIndex(std::array<int, 3> RedGreenBlue);

} // namespace Reference
