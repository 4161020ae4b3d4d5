#include "engine/OperationTable.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <array>

namespace {

std::unique_ptr<TBitmap> Expected(const TBitmap& Picture, TReduceMode Mode)
{
    switch (Mode) {
    case rmOctree:
        return OctreeReduce(Picture, 256);
    case rmMedianCut:
        return MedianCutReduce(Picture, 8);
    case rmMedianCutByVariance:
        return MedianCutByVarianceReduce(Picture, 8);
    case rmMedianCutDiffusion:
        return MedianCutDiffusionReduce(Picture, 8);
    case rmMedianCutByVarianceDiffusion:
        return MedianCutByVarianceDiffusionReduce(Picture, 8);
    case rmStaticColorDiffusion:
        return StaticColorDiffusionReduce(Picture);
    }
    return nullptr;
}

} // namespace

TEST(Reduce, EveryModeInstallsItsReduction)
{
    const TBitmap Picture = MakeRandomBitmap(13, 7, 24, 3);
    for (int Mode = 0; Mode < 6; ++Mode) {
        auto Image = ImageWith(Picture);
        TEventLog Log(*Image);
        Image->Reduce(TReduceMode(Mode));
        EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Reduce", "Amended Reduce"})) << Mode;
        const TBitmap& Result = PictureOf(*Image);
        EXPECT_EQ(Result.PixelFormat(), pf8bit);
        const auto Direct = Expected(Picture, TReduceMode(Mode));
        EXPECT_TRUE(SamePixels(Result, *Direct)) << Mode;
        EXPECT_EQ(Result.ColorTable(), Direct->ColorTable()) << Mode;
    }
}

TEST(Reduce, ModeSixAndEightBitPicturesFireOnlyOnAmend)
{
    const TBitmap Picture = MakeRandomBitmap(5, 3, 24, 4);
    auto Image = ImageWith(Picture);
    TEventLog Log(*Image);
    Image->Reduce(TReduceMode(6));
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Reduce"}));
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Picture));

    for (int Bits : {1, 4, 8}) {
        const TBitmap Indexed = MakeRandomBitmap(5, 3, Bits, 5);
        auto Small = ImageWith(Indexed);
        TEventLog SmallLog(*Small);
        Small->Reduce(rmOctree);
        EXPECT_EQ(SmallLog.Events, (std::vector<std::string>{"Amend Reduce"})) << Bits;
        EXPECT_TRUE(SamePixels(PictureOf(*Small), Indexed));
        EXPECT_EQ(PictureOf(*Small).ColorTable(), Indexed.ColorTable());
    }

    TKelvoImage Empty;
    TEventLog EmptyLog(Empty);
    Empty.Reduce(rmMedianCut);
    EXPECT_EQ(EmptyLog.Events, (std::vector<std::string>{"Amend Reduce"}));
    EXPECT_EQ(Empty.Kind(), "Reduce");
}

TEST(Reduce, ThirtyTwoBitPictureIsReducedFromTwentyFourBits)
{
    TBitmap Picture = MakeRandomBitmap(9, 4, 32, 6);
    auto Image = ImageWith(Picture);
    Image->Reduce(rmMedianCutDiffusion);
    Picture.SetPixelFormat(pf24bit);
    const auto Direct = MedianCutDiffusionReduce(Picture, 8);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), *Direct));
}

TEST(Reduce, RunsFromTheOperationTable)
{
    const TOperationInfo* Operation = FindOperation("Reduce");
    ASSERT_NE(Operation, nullptr);
    ASSERT_NE(Operation->Apply, nullptr);
    const TBitmap Picture = MakeRandomBitmap(6, 6, 24, 7);
    auto Image = ImageWith(Picture);
    const std::array<TArgument, 1> Arguments{5};
    Operation->Apply(*Image, Arguments);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), *StaticColorDiffusionReduce(Picture)));
}
