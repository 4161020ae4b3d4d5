#include "reduce/Reduce.h"
#include "tests/reduce/ReduceTestSupport.h"
#include "tests/reduce/reference/Reference.h"

#include "platform/system/Exceptions.h"

#include <gtest/gtest.h>

#include <random>

TEST(Octree, OneColourIsOneLeafAtDepthSix)
{
    TOctree Tree;
    for (int I = 0; I < 50; ++I) Tree.AddColor(Packed({200, 13, 77}));
    EXPECT_EQ(Tree.NodeCount(), 7);
    EXPECT_EQ(Tree.LeafCount(), 1);
    Tree.ReduceColors(256);
    const TPalette Palette = Tree.GetPalette();
    ASSERT_EQ(Palette.Count(), 1);
    EXPECT_EQ(RgbOf(Palette[0]), (TRgb{200, 13, 77}));

    auto Result = OctreeReduce(PictureOf(5, 3, {{200, 13, 77}}), 256);
    ASSERT_EQ(Result->PixelFormat(), pf8bit);
    ASSERT_EQ(Result->ColorTable().Count(), 1);
    EXPECT_EQ(RgbOf(Result->ColorTable()[0]), (TRgb{200, 13, 77}));
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 5; ++X) EXPECT_EQ(Result->ScanLine(Y)[X], 0);
}

TEST(Octree, LeavesAreNumberedByTheirPaths)
{
    // Given red first and black last, numbered black (path 0…0), blue (child 1), green (2), red (4).
    auto Result = OctreeReduce(PictureOf(4, 1, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}}), 256);
    ASSERT_EQ(Result->ColorTable().Count(), 4);
    EXPECT_EQ(RgbOf(Result->ColorTable()[0]), (TRgb{0, 0, 0}));
    EXPECT_EQ(RgbOf(Result->ColorTable()[1]), (TRgb{0, 0, 255}));
    EXPECT_EQ(RgbOf(Result->ColorTable()[2]), (TRgb{0, 255, 0}));
    EXPECT_EQ(RgbOf(Result->ColorTable()[3]), (TRgb{255, 0, 0}));
    const std::uint8_t* Row = Result->ScanLine(0);
    EXPECT_EQ(Row[0], 3);
    EXPECT_EQ(Row[1], 2);
    EXPECT_EQ(Row[2], 1);
    EXPECT_EQ(Row[3], 0);
}

TEST(Octree, CellsAreMeansOfTheirPixelsAndLowBitsShareAnIndex)
{
    // (1, 2, 3) and (2, 3, 0) differ only in the two lowest bits: one cell, mean (1, 2, 1).
    auto Result = OctreeReduce(PictureOf(3, 1, {{1, 2, 3}, {2, 3, 0}, {200, 100, 50}}), 256);
    ASSERT_EQ(Result->ColorTable().Count(), 2);
    EXPECT_EQ(RgbOf(Result->ColorTable()[0]), (TRgb{1, 2, 1}));
    EXPECT_EQ(RgbOf(Result->ColorTable()[1]), (TRgb{200, 100, 50}));
    EXPECT_EQ(Result->ScanLine(0)[0], 0);
    EXPECT_EQ(Result->ScanLine(0)[1], 0);
    EXPECT_EQ(Result->ScanLine(0)[2], 1);
}

TEST(Octree, EightLeavesUnderOneForkReducedToTwoEndAtTheRoot)
{
    // 64 and 68 differ in bit 2 only: the eight colours are the eight children of one depth-5 node.
    TOctree Tree;
    for (int R : {64, 68})
        for (int G : {64, 68})
            for (int B : {64, 68}) Tree.AddColor(Packed({R, G, B}));
    EXPECT_EQ(Tree.NodeCount(), 14);
    EXPECT_EQ(Tree.LeafCount(), 8);
    Tree.ReduceColors(2);
    EXPECT_EQ(Tree.NodeCount(), 1);
    EXPECT_EQ(Tree.LeafCount(), 1);
    EXPECT_TRUE(Tree.Root().IsLeaf);
    const TPalette Palette = Tree.GetPalette();
    ASSERT_EQ(Palette.Count(), 1);
    EXPECT_EQ(RgbOf(Palette[0]), (TRgb{66, 66, 66}));
    EXPECT_EQ(Tree.GetColorIndex(Packed({68, 64, 68})), 0);
}

TEST(Octree, TheNodeAboveTheLimitTrimsTheTree)
{
    // Random colours fill the tree; after every insertion it matches the plain tree, the first trimming
    // passes run at thresholds 1, 2, 3, ... and no insertion leaves more than 100000 nodes.
    std::mt19937 Random(7);
    TOctree Tree;
    Reference::TOctree Plain;
    int Trimmings = 0;
    std::vector<std::uint32_t> Colors;
    for (int I = 0; I < 160000; ++I) {
        const std::uint32_t Color = Random() & 0xFFFFFF;
        Colors.push_back(Color);
        const int Before = Tree.NodeCount();
        Tree.AddColor(Color);
        Plain.AddColor(Color);
        ASSERT_EQ(Tree.NodeCount(), Plain.NodeCount) << I;
        ASSERT_EQ(Tree.LeafCount(), Plain.LeafCount) << I;
        EXPECT_LE(Tree.NodeCount(), 100000);
        if (Tree.NodeCount() < Before) {
            // At most 6 nodes come with one colour, so the tree stood just below the limit.
            EXPECT_GT(Before, 100000 - 6);
            EXPECT_LE(Tree.NodeCount(), 99000);
            ++Trimmings;
        }
    }
    ASSERT_GE(Trimmings, 2);
    ASSERT_GE(Plain.LimitPasses.size(), 1u);
    EXPECT_EQ(Plain.LimitPasses[0], 1);
    Tree.ReduceColors(256);
    Plain.ReduceColors(256);
    const TPalette Palette = Tree.GetPalette();
    const auto Expected = Plain.GetPalette();
    ASSERT_EQ(std::vector<TPaletteEntry>(Palette.Entries().begin(), Palette.Entries().end()), Expected);
    for (std::uint32_t Color : Colors) ASSERT_EQ(Tree.GetColorIndex(Color), Plain.GetColorIndex(Color));
}

TEST(OctreeReduce, AssertsItsArguments)
{
    const TBitmap Picture = PictureOf(2, 2, {{1, 2, 3}});
    for (int Count : {1, 257}) {
        try {
            OctreeReduce(Picture, Count);
            FAIL() << Count;
        } catch (const EAssertionFailed& Error) {
            EXPECT_EQ(Error.Message(), "Assertion failure (Reduce, 515 行)");
        }
    }
    TBitmap Indexed;
    Indexed.SetLayout(2, 2, 8);
    try {
        OctreeReduce(Indexed, 256);
        FAIL();
    } catch (const EAssertionFailed& Error) {
        EXPECT_EQ(Error.Line(), 516);
    }
    EXPECT_EQ(OctreeReduce(Picture, 2)->ColorTable().Count(), 1);
}
