#include "engine/FilterKernels.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/reference/Reference.h"
#include "tests/support/TestPictures.h"

#include "platform/graphics/Metafile.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using TOperation = std::function<void(TKelvoImage&)>;

struct TNamedOperation
{
    const char* Kind;
    TOperation Run;
};

} // namespace

TEST(FilterOperations, FullRunsInstallTheFilteredPictureAndFireBothEvents)
{
    const TBitmap Source = MakeRandomBitmap(7, 5, 24, 42);
    const std::pair<TNamedOperation, TBitmap> Cases[] = {
        {{"Blur", [](TKelvoImage& I) { I.Blur(); }}, ReferenceBlur(Source)},
        {{"Edge", [](TKelvoImage& I) { I.Edge(70); }}, ReferenceEdge(Source, 70)},
        {{"Median", [](TKelvoImage& I) { I.Median(40); }}, ReferenceMedian(Source, 40)},
        {{"Sobel", [](TKelvoImage& I) { I.Sobel(30, true); }}, ReferenceSobel(Source, 30, true)},
    };
    for (const auto& [Operation, Expected] : Cases) {
        auto Image = ImageWith(Source);
        TEventLog Log(*Image);
        const int Repaints = Image->RepaintRequests();
        Operation.Run(*Image);
        EXPECT_TRUE(SamePixels(PictureOf(*Image), Expected)) << Operation.Kind;
        EXPECT_EQ(Log.Events, (std::vector<std::string>{std::string("Amend ") + Operation.Kind,
                                                        std::string("Amended ") + Operation.Kind}));
        EXPECT_GT(Image->RepaintRequests(), Repaints);
    }
    TBitmap Mosaic = Source;
    ReferenceMosaic(Mosaic, 3);
    auto Image = ImageWith(Source);
    Image->Mosaic(3);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Mosaic));
    TBitmap Framed = Source;
    ReferenceFraming(Framed, 2, 150, false);
    Image->Picture().SetGraphic(&Source);
    Image->Framing(2, 150, false);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Framed));
}

TEST(FilterOperations, ArgumentsOutOfRangeFireOnlyOnAmendAndLeaveTheBytes)
{
    const TBitmap Source = MakeRandomBitmap(5, 3, 24, 43);
    const TNamedOperation Refused[] = {
        {"Edge", [](TKelvoImage& I) { I.Edge(0); }},
        {"Edge", [](TKelvoImage& I) { I.Edge(101); }},
        {"Median", [](TKelvoImage& I) { I.Median(-1); }},
        {"Median", [](TKelvoImage& I) { I.Median(101); }},
        {"Sobel", [](TKelvoImage& I) { I.Sobel(0, false); }},
        {"Sobel", [](TKelvoImage& I) { I.Sobel(101, true); }},
        {"Mosaic", [](TKelvoImage& I) { I.Mosaic(1); }},
        {"Mosaic", [](TKelvoImage& I) { I.Mosaic(51); }},
        {"Framing", [](TKelvoImage& I) { I.Framing(0, 150, true); }},
        {"Framing", [](TKelvoImage& I) { I.Framing(1, 104, true); }},
        {"Framing", [](TKelvoImage& I) { I.Framing(1, 301, false); }},
    };
    for (const auto& Operation : Refused) {
        auto Image = ImageWith(Source);
        TEventLog Log(*Image);
        const int Repaints = Image->RepaintRequests();
        Operation.Run(*Image);
        EXPECT_EQ(Log.Events, std::vector<std::string>{std::string("Amend ") + Operation.Kind});
        EXPECT_EQ(Image->Kind(), Operation.Kind);
        EXPECT_TRUE(SamePixels(PictureOf(*Image), Source)) << Operation.Kind;
        EXPECT_EQ(Image->RepaintRequests(), Repaints);
    }
}

TEST(FilterOperations, PicturesThatAreNotBitmapsAreRefused)
{
    TKelvoImage Image;
    TMetafile Metafile;
    Image.Picture().SetGraphic(&Metafile);
    TEventLog Log(Image);
    Image.Blur();
    Image.Framing(3, 150, true);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Blur", "Amend Framing"}));
}

TEST(FilterOperations, DepthIsRestoredForEightAndThirtyTwoBitsOnly)
{
    for (const auto& [Depth, Expected] : {std::pair{8, 8}, {16, 24}, {32, 32}}) {
        auto Image = ImageWith(MakeRandomBitmap(6, 4, Depth, 44));
        Image->Blur();
        EXPECT_EQ(PictureOf(*Image).BitCount(), Expected) << Depth;
        Image->Mosaic(2);
        EXPECT_EQ(PictureOf(*Image).BitCount(), Expected) << Depth;
    }
    // Four and one bits fail the gate.
    auto Image = ImageWith(MakeRandomBitmap(6, 4, 4, 45));
    TEventLog Log(*Image);
    Image->Median(50);
    EXPECT_FALSE(Log.Amended());
}
