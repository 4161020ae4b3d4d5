// The fast tone kernels against the plain references on random pictures of odd sizes and every depth
// the operations accept.

#include "tests/engine/reference/ToneReference.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

// Picture of Width × Height at BitCount (16 means pf16bit), as the component would hold it.
TBitmap RandomPicture(int Width, int Height, int BitCount, std::uint32_t Seed)
{
    if (BitCount == 8) return MakeRandomBitmap(Width, Height, 8, Seed);
    TBitmap Bitmap = MakeRandomBitmap(Width, Height, 24, Seed);
    if (BitCount == 15) Bitmap.SetPixelFormat(pf15bit);
    if (BitCount == 16) Bitmap.SetPixelFormat(pf16bit);
    if (BitCount == 32) Bitmap.SetPixelFormat(pf32bit);
    return Bitmap;
}

// What the protocol does around the reference: 24 bits, the change, the format restored.
TBitmap ExpectedAfter(const TBitmap& Original, const std::function<bool(TBitmap&)>& Change)
{
    TBitmap Work = Original;
    const TPixelFormat Format = Work.PixelFormat();
    Work.SetPixelFormat(pf24bit);
    const bool Completed = Change(Work);
    if (Format == pf8bit || Format == pf32bit) Work.SetPixelFormat(Format);
    return Completed ? Work : Original;
}

void CheckAgainstReference(const std::function<void(TKelvoImage&)>& Fast, const std::function<bool(TBitmap&)>& Slow,
                           int Width, int Height, int BitCount, std::uint32_t Seed)
{
    const TBitmap Original = RandomPicture(Width, Height, BitCount, Seed);
    auto Image = ImageWith(Original);
    Fast(*Image);
    const TBitmap Expected = ExpectedAfter(Original, Slow);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Expected))
        << Width << " x " << Height << " at " << BitCount << " bits, seed " << Seed;
}

class ToneReference : public ::testing::TestWithParam<int>
{
};

} // namespace

TEST_P(ToneReference, FastKernelsGiveTheReferenceBytes)
{
    const int BitCount = GetParam();
    std::mt19937 Random(std::uint32_t(BitCount) * 7919u);
    std::vector<std::pair<int, int>> Sizes = {{1, 1}, {2, 3}, {3, 1}, {5, 7}, {7, 5}, {13, 2}, {67, 45}, {131, 9}};
    // Large enough to be changed in bands on several threads; the kernels work on 24 bits whatever the
    // depth, so one depth will do.
    if (BitCount == 24) Sizes.emplace_back(1031, 1025);
    for (auto [Width, Height] : Sizes) {
        const std::uint32_t Seed = Random();
        const int Percent = int(Random() % 301);
        const int Delta = int(Random() % 511) - 255;
        const int Slope = int(Random() % 400);
        const int Offset = int(Random() % 300) - 150;
        const long double Value = 0.1L + (long double)(Random() % 10000) / 1000;
        const int Levels = 2 + int(Random() % 127);
        const int Level = int(Random() % 258) - 1;
        if (Percent != 100) {
            CheckAgainstReference([&](TKelvoImage& I) { I.Bright(Percent); },
                                  [&](TBitmap& B) { return Reference::Bright(B, Percent), true; }, Width, Height,
                                  BitCount, Seed);
            CheckAgainstReference([&](TKelvoImage& I) { I.Contrast(Percent); },
                                  [&](TBitmap& B) { return Reference::Contrast(B, Percent); }, Width, Height, BitCount,
                                  Seed);
        }
        if (Delta != 0)
            CheckAgainstReference([&](TKelvoImage& I) { I.Light(Delta); },
                                  [&](TBitmap& B) { return Reference::Light(B, Delta), true; }, Width, Height, BitCount,
                                  Seed);
        CheckAgainstReference([&](TKelvoImage& I) { I.Linear(Slope, Offset); },
                              [&](TBitmap& B) { return Reference::Linear(B, Slope, Offset), true; }, Width, Height,
                              BitCount, Seed);
        for (long double Gamma : {Value, 0.5L, 2.0L, 0.25L})
            CheckAgainstReference([&](TKelvoImage& I) { I.Gamma(Gamma); },
                                  [&](TBitmap& B) { return Reference::Gamma(B, Gamma), true; }, Width, Height, BitCount,
                                  Seed);
        CheckAgainstReference([](TKelvoImage& I) { I.Negative(); },
                              [](TBitmap& B) { return Reference::Negative(B), true; }, Width, Height, BitCount, Seed);
        CheckAgainstReference([](TKelvoImage& I) { I.GrayScale(); },
                              [](TBitmap& B) { return Reference::GrayScale(B), true; }, Width, Height, BitCount, Seed);
        CheckAgainstReference([](TKelvoImage& I) { I.Sepia(); }, [](TBitmap& B) { return Reference::Sepia(B), true; },
                              Width, Height, BitCount, Seed);
        CheckAgainstReference([&](TKelvoImage& I) { I.Posterization(Levels); },
                              [&](TBitmap& B) { return Reference::Posterization(B, Levels), true; }, Width, Height,
                              BitCount, Seed);
        for (int Threshold : {Level, -1})
            CheckAgainstReference(
                [&](TKelvoImage& I) {
                    int Found = 0;
                    I.BlackAndWhite(Threshold, Found);
                },
                [&](TBitmap& B) { return Reference::BlackAndWhite(B, Threshold); }, Width, Height, BitCount, Seed);
        for (int Step = 1; Step <= 8; Step += 3) {
            const int Share = int(Random() % 50);
            const TBitmap Original = RandomPicture(Width, Height, BitCount, Seed);
            auto Image = ImageWith(Original);
            int Low = 0, High = 0, ExpectedLow = 0, ExpectedHigh = 0;
            Image->GetLevelRange(Low, High, Step, Share);
            TBitmap Work = Original;
            Work.SetPixelFormat(pf24bit);
            Reference::LevelRange(Work, Step, Share, ExpectedLow, ExpectedHigh);
            EXPECT_EQ(Low, ExpectedLow) << Width << " x " << Height << " step " << Step << " percent " << Share;
            EXPECT_EQ(High, ExpectedHigh) << Width << " x " << Height << " step " << Step << " percent " << Share;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryAcceptedDepth, ToneReference, ::testing::Values(8, 15, 16, 24, 32));

namespace {

// Records the kinds of its events through the virtual hooks, leaving the handlers unset.
class TWatchedImage : public TKelvoImage
{
public:
    std::vector<std::string> Events;

protected:
    void DoAmend() override { Events.push_back("Amend " + Kind()); }
    void DoAmended() override { Events.push_back("Amended " + Kind()); }
};

} // namespace

TEST_P(ToneReference, AdjustTonesGivesWhatTheFourOperationsGiveOneByOne)
{
    const int BitCount = GetParam();
    std::mt19937 Random(std::uint32_t(BitCount) * 104729u);
    const std::pair<int, int> Sizes[] = {{1, 1}, {3, 2}, {7, 5}, {67, 45}, {131, 9}};
    for (auto [Width, Height] : Sizes) {
        TBitmap Original = RandomPicture(Width, Height, BitCount, Random());
        if (Random() % 2 == 0) {
            // A narrow band of levels, so that Contrast's middle moves with Light and Gamma.
            TKelvoImage Squeeze;
            Squeeze.Picture().SetGraphic(&Original);
            Squeeze.Linear(20, 90 + int(Random() % 60));
            Original = PictureOf(Squeeze);
        }
        // Each slider at its neutral value now and then, as the window passes them.
        const auto Either = [&Random](int Neutral, int Other) { return Random() % 4 == 0 ? Neutral : Other; };
        const int Delta = Either(0, int(Random() % 511) - 255);
        const long double Value = std::pow(10.0L, (long double)Either(0, int(Random() % 61) - 30) / 60);
        const int ContrastPercent = Either(100, int(Random() % 201));
        const int BrightPercent = Either(100, int(Random() % 201));

        TWatchedImage Together;
        Together.Picture().SetGraphic(&Original);
        Together.AdjustTones(Delta, Value, ContrastPercent, BrightPercent);
        TWatchedImage OneByOne;
        OneByOne.Picture().SetGraphic(&Original);
        OneByOne.Light(Delta);
        OneByOne.Gamma(Value);
        OneByOne.Contrast(ContrastPercent);
        OneByOne.Bright(BrightPercent);

        const auto Where = ::testing::Message()
                           << Width << " x " << Height << " at " << BitCount << " bits: Light " << Delta << ", Gamma "
                           << double(Value) << ", Contrast " << ContrastPercent << ", Bright " << BrightPercent;
        EXPECT_TRUE(SamePixels(PictureOf(Together), PictureOf(OneByOne))) << Where;
        EXPECT_EQ(Together.Events, OneByOne.Events) << Where;
    }
}
