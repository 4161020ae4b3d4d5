#include "reduce/IndexedResult.h"
#include "reduce/Reduce.h"

#include "platform/system/Exceptions.h"

#include <algorithm>
#include <functional>

namespace {

constexpr int TreeDepth = 6;
constexpr std::int32_t NoForkPixels = 999999999;

// Bits a channel value contributes to its cell: bit 7 − d of the value at position 3 × (5 − d) + Shift.
constexpr std::array<std::uint32_t, 256> ChannelCellBits(int Shift)
{
    std::array<std::uint32_t, 256> Table{};
    for (int Value = 0; Value < 256; ++Value)
        for (int Depth = 0; Depth < TreeDepth; ++Depth)
            Table[std::size_t(Value)] |= std::uint32_t((Value >> (7 - Depth)) & 1) << (3 * (5 - Depth) + Shift);
    return Table;
}

int ChildNumber(std::uint32_t Cell, int Depth)
{
    return int((Cell >> (3 * (5 - Depth))) & 7);
}

} // namespace

const std::array<std::array<std::uint32_t, 256>, 3> TOctree::CellBits{ChannelCellBits(2), ChannelCellBits(1),
                                                                      ChannelCellBits(0)};

TOctree::TOctree() : FLeafOfCell(CellCount, NoNode)
{
    // Trimming keeps at most NodeLimit nodes after an insertion, which adds at most 6, so the pool never
    // moves.
    FNodes.reserve(NodeLimit + TreeDepth + 1);
    FNodes.emplace_back();
    FNodeCount = 1;
}

std::int32_t TOctree::NewNode(std::int32_t Parent, int ChildNumber)
{
    std::int32_t Index;
    if (FFreeNodes.empty()) {
        Index = std::int32_t(FNodes.size());
        FNodes.emplace_back();
    } else {
        Index = FFreeNodes.back();
        FFreeNodes.pop_back();
        FNodes[std::size_t(Index)] = TOctreeNode{};
    }
    TOctreeNode& Owner = FNodes[std::size_t(Parent)];
    TOctreeNode& Node = FNodes[std::size_t(Index)];
    Node.Parent = Parent;
    Node.Depth = std::uint8_t(Owner.Depth + 1);
    Node.FirstCell = Owner.FirstCell + (ChildNumber << (3 * (5 - Owner.Depth)));
    Owner.Children[std::size_t(ChildNumber)] = Index;
    ++Owner.ChildCount;
    ++FNodeCount;
    return Index;
}

void TOctree::SetLeaf(std::int32_t Index)
{
    TOctreeNode& Node = FNodes[std::size_t(Index)];
    Node.IsLeaf = true;
    ++FLeafCount;
    if (Node.Parent != NoNode) ++FNodes[std::size_t(Node.Parent)].LeafChildCount;
}

void TOctree::FreeLeaf(std::int32_t Index)
{
    TOctreeNode& Node = FNodes[std::size_t(Index)];
    TOctreeNode& Owner = FNodes[std::size_t(Node.Parent)];
    --FNodeCount;
    --FLeafCount;
    --Owner.ChildCount;
    --Owner.LeafChildCount;
    Owner.Children[std::size_t(ChildNumber(std::uint32_t(Node.FirstCell), Owner.Depth))] = NoNode;
    Node.Alive = false;
    FFreeNodes.push_back(Index);
}

void TOctree::AddNewColor(TPackedColor Color, std::uint32_t Cell)
{
    // The path ends at a missing child (a path that reaches a leaf is in FLeafOfCell).
    std::int32_t Index = 0;
    int Depth = 0;
    while (FNodes[std::size_t(Index)].Children[std::size_t(ChildNumber(Cell, Depth))] != NoNode) {
        Index = FNodes[std::size_t(Index)].Children[std::size_t(ChildNumber(Cell, Depth))];
        ++Depth;
    }
    for (; Depth < TreeDepth; ++Depth) Index = NewNode(Index, ChildNumber(Cell, Depth));
    SetLeaf(Index);
    FLeafOfCell[Cell] = Index;
    TOctreeNode& Leaf = FNodes[std::size_t(Index)];
    Leaf.PixelCount = 1;
    Leaf.RedSum = RedOf(Color);
    Leaf.GreenSum = GreenOf(Color);
    Leaf.BlueSum = BlueOf(Color);
    if (FNodeCount > NodeLimit) TrimToNodeLimit();
}

std::int32_t TOctree::ChildrenPixelCount(const TOctreeNode& Node) const
{
    std::int32_t Count = 0;
    for (std::int32_t Child : Node.Children)
        if (Child != NoNode) Count += FNodes[std::size_t(Child)].PixelCount;
    return Count;
}

std::int32_t TOctree::MergeFork(std::int32_t Index)
{
    TOctreeNode& Node = FNodes[std::size_t(Index)];
    Node.PixelCount = 0;
    Node.RedSum = Node.GreenSum = Node.BlueSum = 0;
    for (std::int32_t Child : Node.Children) {
        if (Child == NoNode) continue;
        const TOctreeNode& Leaf = FNodes[std::size_t(Child)];
        Node.PixelCount += Leaf.PixelCount;
        Node.RedSum += Leaf.RedSum;
        Node.GreenSum += Leaf.GreenSum;
        Node.BlueSum += Leaf.BlueSum;
        FreeLeaf(Child);
    }
    SetLeaf(Index);
    // Every cell below the node now ends its path here, also those whose path was missing.
    const std::size_t Cells = std::size_t(1) << (3 * (TreeDepth - Node.Depth));
    std::fill_n(FLeafOfCell.begin() + Node.FirstCell, Cells, Index);
    return Node.PixelCount;
}

void TOctree::PushFork(std::int32_t Index, std::int32_t PixelCount)
{
    FForks.emplace_back(PixelCount, Index);
    std::push_heap(FForks.begin(), FForks.end(), std::greater<>());
}

void TOctree::TrimForks(std::int32_t MinForkPixels)
{
    // A merge can only make the parent a fork, and a parent holds at least its child's pixels, so taking
    // the smallest forks until none is left at the threshold merges exactly what one post-order pass does.
    while (!FForks.empty() && FForks.front().first <= MinForkPixels) {
        std::pop_heap(FForks.begin(), FForks.end(), std::greater<>());
        const std::int32_t Index = FForks.back().second;
        FForks.pop_back();
        FMergedSum += MergeFork(Index) - 1;
        const std::int32_t Parent = FNodes[std::size_t(Index)].Parent;
        if (Parent != NoNode && FNodes[std::size_t(Parent)].IsFork())
            PushFork(Parent, ChildrenPixelCount(FNodes[std::size_t(Parent)]));
    }
}

void TOctree::TrimToNodeLimit()
{
    FForks.clear();
    for (std::size_t Index = 0; Index < FNodes.size(); ++Index) {
        const TOctreeNode& Node = FNodes[Index];
        if (Node.Alive && Node.IsFork()) FForks.emplace_back(ChildrenPixelCount(Node), std::int32_t(Index));
    }
    std::make_heap(FForks.begin(), FForks.end(), std::greater<>());
    // Thresholds 1, 2, 3, ...; a threshold below the smallest fork merges nothing and is skipped.
    std::int32_t MinForkPixels = 1;
    while (FNodeCount > TrimmedNodeCount && !FForks.empty()) {
        MinForkPixels = std::max(MinForkPixels, FForks.front().first);
        TrimForks(MinForkPixels);
        ++MinForkPixels;
    }
}

std::int32_t TOctree::TotalPixelCount(std::int32_t Index)
{
    TOctreeNode& Node = FNodes[std::size_t(Index)];
    if (Node.IsLeaf) return Node.PixelCount;
    std::int32_t Count = 0;
    for (std::int32_t Child : Node.Children)
        if (Child != NoNode) Count += TotalPixelCount(Child);
    FNodes[std::size_t(Index)].PixelCount = Count;
    return Count;
}

void TOctree::ReduceColors(int Count)
{
    TotalPixelCount(0);
    // Pixel counts of the nodes that are not leaves, sorted, with the running sums of count − 1: the
    // margins' sums are those of the nodes at or below a count, less those merged since.
    std::vector<std::int32_t> InnerCounts;
    FForks.clear();
    for (std::size_t Index = 0; Index < FNodes.size(); ++Index) {
        const TOctreeNode& Node = FNodes[Index];
        if (!Node.Alive || Node.IsLeaf) continue;
        InnerCounts.push_back(Node.PixelCount);
        if (Node.IsFork()) FForks.emplace_back(Node.PixelCount, std::int32_t(Index));
    }
    std::make_heap(FForks.begin(), FForks.end(), std::greater<>());
    std::sort(InnerCounts.begin(), InnerCounts.end());
    std::vector<std::int64_t> RunningSums(InnerCounts.size() + 1, 0);
    for (std::size_t I = 0; I < InnerCounts.size(); ++I) RunningSums[I + 1] = RunningSums[I] + InnerCounts[I] - 1;
    FMergedSum = 0;
    const auto SmallForkSum = [&](std::int64_t Limit) {
        const auto End = std::upper_bound(InnerCounts.begin(), InnerCounts.end(), Limit);
        return RunningSums[std::size_t(End - InnerCounts.begin())] - FMergedSum;
    };

    std::int64_t MinForkPixels = 1;
    while (FLeafCount > Count) {
        TrimForks(std::int32_t(MinForkPixels));
        MinForkPixels = FForks.empty() ? NoForkPixels : FForks.front().first;
        const std::int64_t Excess = std::int64_t(FNodeCount) - Count;
        if (SmallForkSum(MinForkPixels + 8) < Excess)
            MinForkPixels += 8;
        else if (SmallForkSum(MinForkPixels + 4) < Excess)
            MinForkPixels += 4;
        else if (SmallForkSum(MinForkPixels + 2) < Excess)
            MinForkPixels += 2;
    }
    FEntryCount = 0;
    NumberLeaves(0);
}

void TOctree::NumberLeaves(std::int32_t Index)
{
    TOctreeNode& Node = FNodes[std::size_t(Index)];
    if (Node.IsLeaf) {
        Node.ColorIndex = FEntryCount++;
        return;
    }
    for (std::int32_t Child : Node.Children)
        if (Child != NoNode) NumberLeaves(Child);
}

void TOctree::CollectLeaves(std::int32_t Index, std::vector<std::int32_t>& Leaves) const
{
    const TOctreeNode& Node = FNodes[std::size_t(Index)];
    if (Node.IsLeaf) {
        Leaves.push_back(Index);
        return;
    }
    for (std::int32_t Child : Node.Children)
        if (Child != NoNode) CollectLeaves(Child, Leaves);
}

TPalette TOctree::GetPalette() const
{
    std::vector<std::int32_t> Leaves;
    CollectLeaves(0, Leaves);
    TLogPalette Record;
    for (std::int32_t Index : Leaves) {
        const TOctreeNode& Leaf = FNodes[std::size_t(Index)];
        // Truncating means; a leaf without pixels is black.
        TPaletteEntry Entry;
        if (Leaf.PixelCount > 0)
            Entry = TPaletteEntry{std::uint8_t(Leaf.RedSum / Leaf.PixelCount),
                                  std::uint8_t(Leaf.GreenSum / Leaf.PixelCount),
                                  std::uint8_t(Leaf.BlueSum / Leaf.PixelCount), 0};
        Record.palPalEntry.push_back(Entry);
    }
    return TPalette(Record);
}

std::unique_ptr<TBitmap> OctreeReduce(const TBitmap& Bitmap, int Count)
{
    Assert(Count >= 2 && Count <= 256, "Reduce", 515);
    Assert(Bitmap.PixelFormat() == pf24bit, "Reduce", 516);
    TOctree Tree;
    const int Width = Bitmap.Width();
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Pixel = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X, Pixel += 3) Tree.AddColor(PackPixel(Pixel));
    }
    Tree.ReduceColors(Count);
    return BuildIndexedResult(Bitmap, Tree.GetPalette(),
                              [&](const std::uint8_t* Pixel) { return Tree.GetColorIndex(PackPixel(Pixel)); });
}
