#include "reduce/Reduce.h"
#include "tests/reduce/ReduceTestSupport.h"
#include "tests/support/TestPictures.h"

#include "platform/system/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// An 11-row window over hand-made rows of Width pixels, with the 5-pixel zero margins, positioned for
// column X.
struct THandWindow
{
    explicit THandWindow(int Width) : Rows(11, std::vector<std::uint8_t>(std::size_t(Width + 10) * 3, 0)) {}
    void Set(int Row, int Column, TRgb Color)
    {
        std::uint8_t* Pixel = Rows[std::size_t(Row)].data() + 3 * (Column + 5);
        Pixel[0] = std::uint8_t(Color[2]);
        Pixel[1] = std::uint8_t(Color[1]);
        Pixel[2] = std::uint8_t(Color[0]);
    }
    TRgb Get(int Row, int Column) const { return RgbAt(Rows[std::size_t(Row)].data() + 3 * (Column + 5)); }
    TFilterWindow At(int X)
    {
        TFilterWindow Window;
        for (std::size_t K = 0; K < 11; ++K) Window[K] = Rows[K].data() + 3 * X;
        return Window;
    }
    std::vector<std::vector<std::uint8_t>> Rows;
};

// Always black, so the error is minus the pixel.
class TQuantizeToBlack : public TQuantizeColor
{
public:
    void Quantize(TPackedColor, std::uint8_t* Pixel) const override { Pixel[0] = Pixel[1] = Pixel[2] = 0; }
};

} // namespace

TEST(ErrorDiffusionPixel, SpreadsTheFixedPaletteErrorOntoFourNeighbours)
{
    THandWindow Hand(3);
    for (int Row : {5, 6})
        for (int Column = 0; Column < 3; ++Column) Hand.Set(Row, Column, {100, 100, 100});
    TQuantizeToStaticColor Quantizer;
    TFilterWindow Window = Hand.At(1);
    std::uint8_t Pixel[3];
    ErrorDiffusionPixel(1, 0, Window, Pixel, &Quantizer);
    EXPECT_EQ(RgbAt(Pixel), (TRgb{102, 85, 128}));
    // Errors (+2, −15, +28).
    EXPECT_EQ(Hand.Get(5, 1), (TRgb{100, 100, 100})) << "the current pixel stays";
    EXPECT_EQ(Hand.Get(5, 2), (TRgb{100, 106, 88}));
    EXPECT_EQ(Hand.Get(6, 0), (TRgb{100, 102, 95}));
    EXPECT_EQ(Hand.Get(6, 1), (TRgb{100, 104, 92}));
    EXPECT_EQ(Hand.Get(6, 2), (TRgb{100, 100, 99}));
}

TEST(ErrorDiffusionPixel, TruncatesTowardZeroAndClamps)
{
    TQuantizeToBlack Black;
    THandWindow Hand(3);
    // Error −3: right gets −(−21 div 16) = +1, the others nothing.
    Hand.Set(5, 1, {3, 3, 3});
    Hand.Set(5, 2, {100, 100, 100});
    for (int Column = 0; Column < 3; ++Column) Hand.Set(6, Column, {100, 100, 100});
    TFilterWindow Window = Hand.At(1);
    std::uint8_t Pixel[3];
    ErrorDiffusionPixel(1, 0, Window, Pixel, &Black);
    EXPECT_EQ(Hand.Get(5, 2), (TRgb{101, 101, 101}));
    for (int Column = 0; Column < 3; ++Column) EXPECT_EQ(Hand.Get(6, Column), (TRgb{100, 100, 100}));

    // Error −46: the right neighbour at 250 would get +20 and stops at 255; below right gets +2.
    Hand.Set(5, 1, {46, 46, 46});
    Hand.Set(5, 2, {250, 250, 250});
    Hand.Set(6, 2, {254, 254, 254});
    Window = Hand.At(1);
    ErrorDiffusionPixel(1, 0, Window, Pixel, &Black);
    EXPECT_EQ(Hand.Get(5, 2), (TRgb{255, 255, 255}));
    EXPECT_EQ(Hand.Get(6, 2), (TRgb{255, 255, 255}));
    EXPECT_EQ(Hand.Get(6, 1), (TRgb{114, 114, 114})); // +230 div 16 = 14
    EXPECT_EQ(Hand.Get(6, 0), (TRgb{108, 108, 108})); // +138 div 16 = 8
}

TEST(ErrorDiffusion, FixedPaletteColourPictureKeepsItsColour)
{
    const TBitmap Source = PictureOf(7, 5, {{153, 85, 192}});
    auto Diffused = ErrorDiffusion(Source, TQuantizeToStaticColor());
    EXPECT_TRUE(SamePixels(*Diffused, Source));
    auto Result = StaticColorDiffusionReduce(Source);
    ASSERT_EQ(Result->PixelFormat(), pf8bit);
    EXPECT_EQ(Result->ColorTable(), StaticPalette());
    for (int Y = 0; Y < 5; ++Y)
        for (int X = 0; X < 7; ++X) EXPECT_EQ(Result->ScanLine(Y)[X], 118);
}

TEST(ErrorDiffusion, FirstRowOfAGreyPicture)
{
    // (100, 100, 100) becomes (102, 85, 128), index 2 × 35 + 2 × 5 + 2; its right neighbour then reads
    // (100, 106, 88), which becomes (102, 85, 64), index 81.
    const TBitmap Source = PictureOf(2, 2, {{100, 100, 100}});
    auto Diffused = ErrorDiffusion(Source, TQuantizeToStaticColor());
    EXPECT_EQ(RgbAt(Diffused->ScanLine(0)), (TRgb{102, 85, 128}));
    EXPECT_EQ(RgbAt(Diffused->ScanLine(0) + 3), (TRgb{102, 85, 64}));
    auto Result = StaticColorDiffusionReduce(Source);
    EXPECT_EQ(Result->ScanLine(0)[0], 82);
    EXPECT_EQ(Result->ScanLine(0)[1], 81);
}

TEST(ErrorDiffusion, RefusesOtherPixelFormats)
{
    TBitmap Source;
    Source.SetLayout(2, 2, 32);
    EXPECT_THROW(StaticColorDiffusionReduce(Source), Exception);
    EXPECT_THROW(ErrorDiffusion(Source, TQuantizeToStaticColor()), Exception);
}
