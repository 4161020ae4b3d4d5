#include "reduce/Reduce.h"
#include "tests/reduce/ReduceTestSupport.h"
#include "tests/support/TestPictures.h"

#include "platform/system/Exceptions.h"

#include <gtest/gtest.h>

TEST(MedianCut, OneColourCompactedIsOneEntry)
{
    for (auto Reduce : {MedianCutReduce, MedianCutByVarianceReduce}) {
        auto Result = Reduce(PictureOf(3, 4, {{200, 13, 77}}), 8);
        ASSERT_EQ(Result->PixelFormat(), pf8bit);
        ASSERT_EQ(Result->ColorTable().Count(), 1);
        EXPECT_EQ(RgbOf(Result->ColorTable()[0]), (TRgb{200, 13, 77}));
        for (int Y = 0; Y < 4; ++Y)
            for (int X = 0; X < 3; ++X) EXPECT_EQ(Result->ScanLine(Y)[X], 0);
    }
}

TEST(MedianCut, BlackWithoutCompactionIsGreyThenBlack)
{
    for (bool ByVariance : {false, true}) {
        TMedianCut Cut;
        for (int I = 0; I < 10; ++I) Cut.AddColor(Packed({0, 0, 0}));
        if (ByVariance)
            Cut.CutByVariance(8, false);
        else
            Cut.Cut(8, false);
        const TPalette Palette = Cut.GetPalette();
        ASSERT_EQ(Palette.Count(), 2) << ByVariance;
        EXPECT_EQ(RgbOf(Palette[0]), (TRgb{128, 128, 128}));
        EXPECT_EQ(RgbOf(Palette[1]), (TRgb{0, 0, 0}));
        EXPECT_EQ(Cut.GetColorIndex(Packed({0, 0, 0})), 1);
        EXPECT_EQ(Cut.GetColorIndex(Packed({3, 3, 7})), 1) << "same cell as black";
        EXPECT_EQ(Cut.GetColorIndex(Packed({4, 0, 0})), 0);
        EXPECT_EQ(Cut.GetColorIndex(Packed({255, 255, 255})), 0);
    }
}

TEST(MedianCut, CellMatesShareAnIndexAndDepthBoundsTheEntries)
{
    const TBitmap Noise = MakeRandomBitmap(31, 17, 24, 5);
    for (int Depth : {0, 1, 3, 5}) {
        TMedianCut Cut;
        Cut.AddColors(Noise);
        Cut.CutByVariance(Depth, true);
        EXPECT_LE(Cut.ColorCount(), 1 << Depth);
        EXPECT_GE(Cut.ColorCount(), 1);
    }
    TMedianCut Cut;
    Cut.AddColors(Noise);
    Cut.Cut(8, false);
    // Same top 6 bits of red and green and top 5 of blue.
    EXPECT_EQ(Cut.GetColorIndex(Packed({100, 40, 8})), Cut.GetColorIndex(Packed({103, 43, 15})));
}

TEST(MedianCut, EmptyRangeMakesItsEntryAtOnce)
{
    // Two colours far apart at depth 8: each half holds one cell and passes down unsplit, so two entries.
    TMedianCut Cut;
    Cut.AddColor(Packed({10, 10, 10}));
    Cut.AddColor(Packed({250, 250, 250}));
    Cut.Cut(8, true);
    ASSERT_EQ(Cut.ColorCount(), 2);
    // The upper half is cut first.
    EXPECT_EQ(RgbOf(Cut.GetPalette()[0]), (TRgb{250, 250, 250}));
    EXPECT_EQ(RgbOf(Cut.GetPalette()[1]), (TRgb{10, 10, 10}));
}

TEST(MedianCut, EntryPointsAssertTheirArguments)
{
    const TBitmap Picture = PictureOf(2, 2, {{1, 2, 3}});
    TBitmap Indexed;
    Indexed.SetLayout(2, 2, 8);
    struct TCase
    {
        std::unique_ptr<TBitmap> (*Reduce)(const TBitmap&, int);
        int DepthLine, FormatLine;
    };
    for (const TCase& Case :
         {TCase{MedianCutReduce, 573, 574}, TCase{MedianCutByVarianceReduce, 630, 631},
          TCase{MedianCutDiffusionReduce, 689, 690}, TCase{MedianCutByVarianceDiffusionReduce, 758, 759}}) {
        for (int Depth : {-1, 9}) {
            try {
                Case.Reduce(Picture, Depth);
                FAIL() << Depth;
            } catch (const EAssertionFailed& Error) {
                EXPECT_EQ(Error.Message(), "Assertion failure (Reduce, " + std::to_string(Case.DepthLine) + " 行)");
            }
        }
        try {
            Case.Reduce(Indexed, 8);
            FAIL();
        } catch (const EAssertionFailed& Error) {
            EXPECT_EQ(Error.Line(), Case.FormatLine);
        }
        EXPECT_EQ(Case.Reduce(Picture, 0)->ColorTable().Count(), 1);
    }
}

TEST(MedianCut, CountsCellsOfManyPixelsExactly)
{
    // 50000 pixels in one cell, three of every four (3, 3, 7) and one black: the cell's sums of the low
    // bits are 3 × 37500 for red and green and 7 × 37500 for blue, so its mean is (2, 2, 5).
    auto Result = MedianCutReduce(PictureOf(250, 200, {{3, 3, 7}, {3, 3, 7}, {3, 3, 7}, {0, 0, 0}}), 8);
    ASSERT_EQ(Result->ColorTable().Count(), 1);
    EXPECT_EQ(RgbOf(Result->ColorTable()[0]), (TRgb{2, 2, 5}));
}
