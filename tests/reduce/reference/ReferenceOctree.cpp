#include "tests/reduce/reference/Reference.h"

namespace Reference {

namespace {

int Red(std::uint32_t Color)
{
    return int(Color >> 16 & 255);
}
int Green(std::uint32_t Color)
{
    return int(Color >> 8 & 255);
}
int Blue(std::uint32_t Color)
{
    return int(Color & 255);
}

int ChildNumber(int Depth, std::uint32_t Color)
{
    const int Mask = 128 >> Depth;
    return ((Red(Color) & Mask) ? 4 : 0) + ((Green(Color) & Mask) ? 2 : 0) + ((Blue(Color) & Mask) ? 1 : 0);
}

bool IsFork(const TOctreeNode& Node)
{
    return !Node.IsLeaf && Node.ChildCount == Node.LeafChildCount;
}

void WalkNode(TOctreeNode& Node, const std::function<void(TOctreeNode&)>& Visit)
{
    for (auto& Child : Node.Children)
        if (Child) WalkNode(*Child, Visit);
    Visit(Node);
}

void Trim(TOctreeNode& Node, std::int32_t MinForkPixels)
{
    if (IsFork(Node) && Node.PixelCount <= MinForkPixels) {
        for (auto& Child : Node.Children) Child.reset();
        Node.SetLeaf(true);
    }
}

} // namespace

TOctreeNode::TOctreeNode(TOctree* Owner, TOctreeNode* ParentNode) : Octree(Owner), Parent(ParentNode)
{
    ++Octree->NodeCount;
    if (Parent) ++Parent->ChildCount;
}

TOctreeNode::~TOctreeNode()
{
    --Octree->NodeCount;
    if (IsLeaf) --Octree->LeafCount;
    if (Parent) {
        --Parent->ChildCount;
        if (IsLeaf) --Parent->LeafChildCount;
    }
    for (auto& Child : Children) Child.reset();
}

void TOctreeNode::SetLeaf(bool Value)
{
    IsLeaf = Value;
    if (Value) {
        ++Octree->LeafCount;
        if (Parent) ++Parent->LeafChildCount;
    }
}

void TOctreeNode::AddColor(int Depth, std::uint32_t Color)
{
    ++PixelCount;
    RedSum += Red(Color);
    GreenSum += Green(Color);
    BlueSum += Blue(Color);
    if (IsLeaf) return;
    auto& Child = Children[std::size_t(ChildNumber(Depth, Color))];
    if (!Child) {
        Child = std::make_unique<TOctreeNode>(Octree, this);
        if (Depth == 5) Child->SetLeaf(true);
    }
    Child->AddColor(Depth + 1, Color);
}

int TOctreeNode::GetColorIndex(int Depth, std::uint32_t Color) const
{
    if (IsLeaf) return ColorIndex;
    return Children[std::size_t(ChildNumber(Depth, Color))]->GetColorIndex(Depth + 1, Color);
}

TOctree::TOctree()
{
    Root = std::make_unique<TOctreeNode>(this, nullptr);
}

TOctree::~TOctree()
{
    Root.reset();
}

void TOctree::Walk(const std::function<void(TOctreeNode&)>& Visit)
{
    WalkNode(*Root, Visit);
}

void TOctree::AddColor(std::uint32_t Color)
{
    Root->AddColor(0, Color);
    if (NodeCount > 100000) {
        MinForkPixels = 1;
        while (NodeCount > 99000) {
            LimitPasses.push_back(MinForkPixels);
            Walk([this](TOctreeNode& Node) { Trim(Node, MinForkPixels); });
            ++MinForkPixels;
        }
    }
}

void TOctree::ReduceColors(int Count)
{
    MinForkPixels = 1;
    while (LeafCount > Count) {
        Walk([this](TOctreeNode& Node) { Trim(Node, MinForkPixels); });
        MinForkPixels = 999999999;
        Walk([this](TOctreeNode& Node) {
            if (IsFork(Node) && Node.PixelCount < MinForkPixels) MinForkPixels = Node.PixelCount;
        });
        SmallForkSum = {0, 0, 0};
        Walk([this](TOctreeNode& Node) {
            if (Node.IsLeaf) return;
            const int Margins[3] = {2, 4, 8};
            for (int M = 0; M < 3; ++M)
                if (MinForkPixels + Margins[M] >= Node.PixelCount) SmallForkSum[std::size_t(M)] += Node.PixelCount - 1;
        });
        const std::int32_t Excess = NodeCount - Count;
        if (SmallForkSum[2] < Excess)
            MinForkPixels += 8;
        else if (SmallForkSum[1] < Excess)
            MinForkPixels += 4;
        else if (SmallForkSum[0] < Excess)
            MinForkPixels += 2;
    }
    EntryCount = 0;
    Walk([this](TOctreeNode& Node) {
        if (Node.IsLeaf) Node.ColorIndex = EntryCount++;
    });
}

std::vector<TPaletteEntry> TOctree::GetPalette()
{
    EntryCount = 0;
    Entries.assign(std::size_t(LeafCount), TPaletteEntry{});
    Walk([this](TOctreeNode& Node) {
        if (!Node.IsLeaf) return;
        TPaletteEntry Entry{};
        if (Node.PixelCount > 0)
            Entry = TPaletteEntry{std::uint8_t(Node.RedSum / Node.PixelCount),
                                  std::uint8_t(Node.GreenSum / Node.PixelCount),
                                  std::uint8_t(Node.BlueSum / Node.PixelCount), 0};
        Entries[std::size_t(EntryCount++)] = Entry;
    });
    return Entries;
}

TIndexed OctreeReduce(const TBitmap& Bitmap, int Count)
{
    TOctree Tree;
    const auto Colors = ColorsOf(Bitmap);
    for (std::uint32_t Color : Colors) Tree.AddColor(Color);
    Tree.ReduceColors(Count);
    TIndexed Result{Tree.GetPalette(), {}};
    for (std::uint32_t Color : Colors) Result.Indexes.push_back(std::uint8_t(Tree.GetColorIndex(Color)));
    return Result;
}

} // namespace Reference
