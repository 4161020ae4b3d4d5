// The reductions against their plain references: the same palette and the same index for every pixel.

#include "reduce/CellScan.h"
#include "reduce/Reduce.h"
#include "tests/reduce/ReduceTestSupport.h"
#include "tests/reduce/reference/Reference.h"
#include "tests/support/TestPictures.h"

#include "platform/graphics/JPEGImage.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct TMode
{
    const char* Name;
    std::function<std::unique_ptr<TBitmap>(const TBitmap&)> Fast;
    std::function<Reference::TIndexed(const TBitmap&)> Plain;
};

std::vector<TMode> Modes()
{
    return {
        {"Octree", [](const TBitmap& B) { return OctreeReduce(B, 256); },
         [](const TBitmap& B) { return Reference::OctreeReduce(B, 256); }},
        {"Octree16", [](const TBitmap& B) { return OctreeReduce(B, 16); },
         [](const TBitmap& B) { return Reference::OctreeReduce(B, 16); }},
        {"MedianCut", [](const TBitmap& B) { return MedianCutReduce(B, 8); },
         [](const TBitmap& B) { return Reference::MedianCutReduce(B, 8, false); }},
        {"MedianCutByVariance", [](const TBitmap& B) { return MedianCutByVarianceReduce(B, 8); },
         [](const TBitmap& B) { return Reference::MedianCutReduce(B, 8, true); }},
        {"MedianCutDiffusion", [](const TBitmap& B) { return MedianCutDiffusionReduce(B, 8); },
         [](const TBitmap& B) { return Reference::MedianCutDiffusionReduce(B, 8, false); }},
        {"MedianCutByVarianceDiffusion", [](const TBitmap& B) { return MedianCutByVarianceDiffusionReduce(B, 8); },
         [](const TBitmap& B) { return Reference::MedianCutDiffusionReduce(B, 8, true); }},
        {"MedianCutDiffusion5", [](const TBitmap& B) { return MedianCutDiffusionReduce(B, 5); },
         [](const TBitmap& B) { return Reference::MedianCutDiffusionReduce(B, 5, false); }},
        {"StaticColorDiffusion", [](const TBitmap& B) { return StaticColorDiffusionReduce(B); },
         [](const TBitmap& B) { return Reference::StaticColorDiffusionReduce(B); }},
    };
}

void ExpectSameAsReference(const TBitmap& Picture, const std::string& What)
{
    for (const TMode& Mode : Modes()) {
        const auto Fast = Mode.Fast(Picture);
        ASSERT_EQ(Fast->PixelFormat(), pf8bit);
        const Reference::TIndexed Got = Reference::IndexedOf(*Fast);
        const Reference::TIndexed Expected = Mode.Plain(Picture);
        EXPECT_EQ(Got.Palette, Expected.Palette) << Mode.Name << " " << What;
        EXPECT_TRUE(Got.Indexes == Expected.Indexes) << Mode.Name << " " << What;
    }
}

// Smooth colour ramps with a little noise: few colours per region, like a photograph.
TBitmap Ramps(int Width, int Height, std::uint32_t Seed)
{
    std::mt19937 Random(Seed);
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
            const int Jitter = int(Random() % 9) - 4;
            Pixel[0] = std::uint8_t(std::clamp(X * 255 / Width + Jitter, 0, 255));
            Pixel[1] = std::uint8_t(std::clamp(Y * 255 / Height - Jitter, 0, 255));
            Pixel[2] = std::uint8_t(std::clamp((X + Y) * 128 / (Width + Height) + Jitter, 0, 255));
        }
    return Bitmap;
}

} // namespace

TEST(ReduceAgainstReference, RandomPictures)
{
    int Seed = 1;
    for (auto [W, H] : {std::pair{1, 1}, std::pair{1, 9}, std::pair{2, 3}, std::pair{3, 2}, std::pair{5, 7},
                        std::pair{7, 5}, std::pair{61, 37}, std::pair{129, 40}}) {
        ExpectSameAsReference(MakeRandomBitmap(W, H, 24, std::uint32_t(Seed++)), "noise " + std::to_string(W));
        ExpectSameAsReference(Ramps(W, H, std::uint32_t(Seed++)), "ramps " + std::to_string(W));
    }
}

TEST(ReduceAgainstReference, EmptyPictures)
{
    for (auto [W, H] : {std::pair{0, 3}, std::pair{3, 0}}) {
        TBitmap Empty;
        Empty.SetLayout(W, H, 24);
        ExpectSameAsReference(Empty, "empty");
    }
}

TEST(ReduceAgainstReference, CorpusPhotographs)
{
    const auto Entries = CorpusEntries("jpeg");
    if (Entries.empty()) GTEST_SKIP() << "the picture corpus is absent";
    int Photographs = 0;
    for (const TCorpusEntry& Entry : Entries) {
        if (Entry.Expectation != "good" || Entry.File.find("orientation") != std::string::npos) continue;
        TJPEGImage Jpeg;
        Jpeg.LoadFromStream(ReadFileBytes(CorpusDir() / Entry.File));
        ExpectSameAsReference(Jpeg.Bitmap(), Entry.File);
        ++Photographs;
    }
    EXPECT_GT(Photographs, 0);
}

// The median cut's passes on the bit-extract instructions give what the plain passes give; the reductions
// above check whichever of them this processor runs against the references.
TEST(ReduceAgainstReference, CellScansAgree)
{
    const TCellScans* Fast = BitExtractCellScans();
    if (!Fast) GTEST_SKIP() << "this processor has no fast bit-extract instruction";
    std::mt19937 Random(7);
    std::vector<std::uint8_t> IndexTable(TMedianCut::CellCount);
    for (std::uint8_t& Index : IndexTable) Index = std::uint8_t(Random());
    int Seed = 100;
    for (auto [W, H] :
         {std::pair{1, 3}, std::pair{7, 2}, std::pair{8, 1}, std::pair{9, 5}, std::pair{23, 11}, std::pair{130, 17}}) {
        for (const TBitmap& Picture :
             {MakeRandomBitmap(W, H, 24, std::uint32_t(Seed)), Ramps(W, H, std::uint32_t(Seed))}) {
            std::vector<TColorCell> Plain(TMedianCut::CellCount), Got(TMedianCut::CellCount);
            PlainCellScans.Count(Picture, Plain.data());
            Fast->Count(Picture, Got.data());
            for (std::size_t Cell = 0; Cell < Plain.size(); ++Cell) {
                const TColorCell &P = Plain[Cell], &G = Got[Cell];
                ASSERT_TRUE(P.Count == G.Count && P.Red == G.Red && P.Green == G.Green && P.Blue == G.Blue)
                    << "cell " << Cell << " of " << W << " x " << H;
            }
            TBitmap PlainResult, FastResult;
            PlainResult.SetLayout(W, H, 8);
            FastResult.SetLayout(W, H, 8);
            PlainCellScans.Index(Picture, IndexTable.data(), PlainResult);
            Fast->Index(Picture, IndexTable.data(), FastResult);
            EXPECT_TRUE(Reference::IndexedOf(PlainResult).Indexes == Reference::IndexedOf(FastResult).Indexes)
                << W << " x " << H;
            auto MedianCut = std::make_unique<TMedianCut>();
            MedianCut->AddColors(Picture);
            MedianCut->Cut(Seed % 2 == 0 ? 8 : 5, false);
            PlainCellScans.Diffuse(Picture, *MedianCut, PlainResult);
            Fast->Diffuse(Picture, *MedianCut, FastResult);
            EXPECT_TRUE(Reference::IndexedOf(PlainResult).Indexes == Reference::IndexedOf(FastResult).Indexes)
                << "diffused " << W << " x " << H;
        }
        ++Seed;
    }
}
