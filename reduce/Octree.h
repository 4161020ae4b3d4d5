#pragma once
// The octree quantizer: the colours of a picture are sorted into a tree of depth 6 whose level d splits
// the colour cube by bit 7 − d of each channel; small branches are then merged upwards until few enough
// leaves remain, and each leaf becomes one palette entry, the mean colour of its pixels.

#include "platform/graphics/Palette.h"
#include "reduce/PackedColor.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

inline constexpr std::int32_t NoNode = -1;

// A node of the tree. Nodes live in their tree's pool and name each other by pool index (NoNode for
// none). While colours are being added, PixelCount and the sums are kept up to date in the leaves only: a
// node that is not a leaf totals its subtree when trimming or the reduction needs it.
struct TOctreeNode
{
    std::int64_t RedSum = 0;
    std::int64_t GreenSum = 0;
    std::int64_t BlueSum = 0;
    std::int32_t PixelCount = 0;
    std::int32_t Parent = NoNode;
    std::array<std::int32_t, 8> Children{NoNode, NoNode, NoNode, NoNode, NoNode, NoNode, NoNode, NoNode};
    std::int32_t ColorIndex = 0;
    std::int32_t FirstCell = 0; // the first of the consecutive cells below this node
    std::uint8_t ChildCount = 0;
    std::uint8_t LeafChildCount = 0;
    std::uint8_t Depth = 0;
    bool IsLeaf = false;
    bool Alive = true;

    // All existing children are leaves.
    bool IsFork() const { return !IsLeaf && ChildCount == LeafChildCount; }
};

class TOctree
{
public:
    // An insertion that leaves more than NodeLimit nodes trims the tree back to TrimmedNodeCount at once.
    static constexpr int NodeLimit = 100000;
    static constexpr int TrimmedNodeCount = 99000;
    static constexpr int CellCount = 1 << 18;

    TOctree();

    void AddColor(TPackedColor Color)
    {
        const std::uint32_t Cell = CellOf(Color);
        const std::int32_t Leaf = FLeafOfCell[Cell];
        if (Leaf == NoNode) return AddNewColor(Color, Cell);
        TOctreeNode& Node = FNodes[std::size_t(Leaf)];
        ++Node.PixelCount;
        Node.RedSum += RedOf(Color);
        Node.GreenSum += GreenOf(Color);
        Node.BlueSum += BlueOf(Color);
    }
    // Merges until at most Count leaves remain, then numbers the leaves in walk order.
    void ReduceColors(int Count);
    // The palette index of an added colour, after ReduceColors.
    int GetColorIndex(TPackedColor Color) const { return FNodes[std::size_t(FLeafOfCell[CellOf(Color)])].ColorIndex; }
    // One entry per leaf in walk order, the mean colour of its pixels.
    TPalette GetPalette() const;

    int NodeCount() const { return FNodeCount; }
    int LeafCount() const { return FLeafCount; }
    const TOctreeNode& Root() const { return FNodes[0]; }
    const TOctreeNode& Node(std::int32_t Index) const { return FNodes[std::size_t(Index)]; }

    // The cell of a colour: the child numbers of depths 0 to 5 (4 × red bit + 2 × green bit + blue bit)
    // one after another, so that the cells below a node of depth d are 8^(6 − d) consecutive numbers.
    static std::uint32_t CellOf(TPackedColor Color)
    {
        return CellBits[0][std::size_t(RedOf(Color))] | CellBits[1][std::size_t(GreenOf(Color))] |
               CellBits[2][std::size_t(BlueOf(Color))];
    }

private:
    static const std::array<std::array<std::uint32_t, 256>, 3> CellBits;

    void AddNewColor(TPackedColor Color, std::uint32_t Cell);
    std::int32_t NewNode(std::int32_t Parent, int ChildNumber);
    void SetLeaf(std::int32_t Index);
    void FreeLeaf(std::int32_t Index);
    // Makes a fork a leaf holding its children's pixels; returns its pixel count.
    std::int32_t MergeFork(std::int32_t Index);
    std::int32_t ChildrenPixelCount(const TOctreeNode& Node) const;
    std::int32_t TotalPixelCount(std::int32_t Index);
    void PushFork(std::int32_t Index, std::int32_t PixelCount);
    // Merges every fork of at most MinForkPixels pixels, and the forks this makes above them; adds the
    // pixel count − 1 of each merged node to FMergedSum.
    void TrimForks(std::int32_t MinForkPixels);
    void TrimToNodeLimit();
    void NumberLeaves(std::int32_t Index);
    void CollectLeaves(std::int32_t Index, std::vector<std::int32_t>& Leaves) const;

    std::vector<TOctreeNode> FNodes; // index 0 is the root
    std::vector<std::int32_t> FFreeNodes;
    std::vector<std::int32_t> FLeafOfCell; // the leaf each cell's path reaches, NoNode where it is missing
    std::int32_t FNodeCount = 0;
    std::int32_t FLeafCount = 0;
    std::int32_t FEntryCount = 0;
    // The forks by pixel count, smallest on top.
    std::vector<std::pair<std::int32_t, std::int32_t>> FForks;
    std::int64_t FMergedSum = 0;
};
