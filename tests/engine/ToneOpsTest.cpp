#include "engine/ToneKernels.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

using TPixel = std::array<int, 3>;

// A one-row picture whose pixel X is grey level Levels[X].
TBitmap GreyRow(std::initializer_list<int> Levels)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(int(Levels.size()), 1, 24);
    int X = 0;
    for (int Level : Levels) {
        const auto Byte = std::uint8_t(Level);
        SetPixel(Bitmap, X++, 0, Byte, Byte, Byte);
    }
    return Bitmap;
}

int BlueAt(const TKelvoImage& Image, int X)
{
    return PixelAt(PictureOf(Image), X, 0)[0];
}

} // namespace

TEST(Bright, ScalesByTheTruncatedFactor)
{
    EXPECT_EQ(MakeBrightTable(150)[100], 150);
    EXPECT_EQ(MakeBrightTable(150)[200], 255);
    EXPECT_EQ(MakeBrightTable(50)[255], 127);
    auto Image = ImageWith(GreyRow({100, 200, 255}));
    Image->Bright(0);
    EXPECT_EQ(PixelAt(PictureOf(*Image), 0, 0), (TPixel{0, 0, 0}));
    EXPECT_EQ(PixelAt(PictureOf(*Image), 2, 0), (TPixel{0, 0, 0}));
}

TEST(Bright, HundredPercentFiresOnlyOnAmend)
{
    auto Image = ImageWith(GreyRow({1, 2, 3}));
    TEventLog Log(*Image);
    Image->Bright(100);
    Image->Bright(-1);
    Image->Contrast(100);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Bright", "Amend Bright", "Amend Contrast"}));
    EXPECT_EQ(BlueAt(*Image, 2), 3);
}

TEST(Light, AddsAndClamps)
{
    auto Image = ImageWith(GreyRow({0, 100, 250}));
    Image->Light(10);
    EXPECT_EQ(BlueAt(*Image, 0), 10);
    EXPECT_EQ(BlueAt(*Image, 1), 110);
    EXPECT_EQ(BlueAt(*Image, 2), 255);
    Image->Light(-255);
    EXPECT_EQ(BlueAt(*Image, 2), 0);
}

TEST(Light, OutOfRangeDeltasChangeNothing)
{
    auto Image = ImageWith(GreyRow({0, 100, 250}));
    TEventLog Log(*Image);
    for (int Delta : {0, 256, -256}) Image->Light(Delta);
    EXPECT_FALSE(Log.Amended());
    EXPECT_EQ(BlueAt(*Image, 1), 100);
}

TEST(Gamma, TwoMapsSixtyFourTo128)
{
    EXPECT_EQ(MakeGammaTable(2)[64], 128);
    EXPECT_EQ(MakeGammaTable(2)[0], 0);
    EXPECT_EQ(MakeGammaTable(2)[255], 255);
    // E = 2 is a whole exponent: (128 / 255)^2 × 255 = 64.25.
    EXPECT_EQ(MakeGammaTable(0.5L)[128], 64);
}

TEST(Gamma, OutOfRangeValuesChangeNothing)
{
    auto Image = ImageWith(GreyRow({64}));
    TEventLog Log(*Image);
    for (long double Value : {1.0L, 0.09L, 10.5L}) Image->Gamma(Value);
    EXPECT_FALSE(Log.Amended());
    Image->Gamma(2);
    EXPECT_EQ(BlueAt(*Image, 0), 128);
}

TEST(Spread, QuantisesTheSlopeToWholePercent)
{
    auto Image = ImageWith(GreyRow({10, 200}));
    TEventLog Log(*Image);
    Image->Spread(10, 200, 255, 0);
    // Slope 134, Offset -13, factor 1372: 10 → -13 + 13720 shr 10 = 0; 200 → -13 + 274400 shr 10 = 254.
    EXPECT_EQ(BlueAt(*Image, 0), 0);
    EXPECT_EQ(BlueAt(*Image, 1), 254);
    EXPECT_EQ(Log.Events,
              (std::vector<std::string>{"Amend Spread", "Amend Linear", "Amended Linear", "Amended Linear"}));
}

TEST(Spread, AnEmptyRangeFiresOnlyOnAmend)
{
    auto Image = ImageWith(GreyRow({10, 200}));
    TEventLog Log(*Image);
    Image->Spread(5, 5, 255, 0);
    Image->Spread(0, 10, 256, 0);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Spread", "Amend Spread"}));
}

TEST(Linear, OffsetsTheScaledLevel)
{
    EXPECT_EQ(MakeLinearTable(134, -13)[10], 0);
    EXPECT_EQ(MakeLinearTable(134, -13)[200], 254);
    EXPECT_EQ(MakeLinearTable(50, 100)[255], 227);
}

TEST(Automatic, FiresSixEventsAndLeavesLinearAsTheKind)
{
    auto Image = ImageWith(GreyRow({50, 60, 70, 80, 90, 100, 110, 120, 130, 140}));
    TEventLog Log(*Image);
    Image->Automatic(0);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Automatic", "Amend Spread", "Amend Linear", "Amended Linear",
                                                    "Amended Linear", "Amended Linear"}));
    EXPECT_EQ(Image->Kind(), "Linear");
    // Level range 49..141: Slope 25500 div 92 = 277, Offset 255 - 141 × 277 div 100 = -135, factor 2836:
    // 50 → -135 + 141800 shr 10 = 3; 140 → -135 + 397040 shr 10 = 252.
    EXPECT_EQ(BlueAt(*Image, 0), 3);
    EXPECT_EQ(BlueAt(*Image, 9), 252);
}

TEST(Automatic, AFullRangeStillFiresOnAmendedFromSpreadAndAutomatic)
{
    auto Image = ImageWith(GreyRow({0, 255}));
    TEventLog Log(*Image);
    Image->Automatic(0);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Automatic", "Amend Spread", "Amend Linear", "Amended Linear",
                                                    "Amended Linear"}));
    EXPECT_EQ(BlueAt(*Image, 0), 0);
    EXPECT_EQ(BlueAt(*Image, 1), 255);
}

TEST(GetLevelRange, AUniformGreyGivesTheNeighbouringLevels)
{
    for (int Grey : {0, 1, 128, 254, 255}) {
        auto Image = ImageWith(UniformBitmap(3, 2, std::uint8_t(Grey), std::uint8_t(Grey), std::uint8_t(Grey)));
        TEventLog Log(*Image);
        int Low = -5;
        int High = -5;
        Image->GetLevelRange(Low, High, 1, 40);
        EXPECT_EQ(Low, std::max(Grey - 1, 0));
        EXPECT_EQ(High, std::min(Grey + 1, 255));
        EXPECT_TRUE(Log.Events.empty());
        EXPECT_EQ(Image->Kind(), "");
    }
}

TEST(GetLevelRange, RefusedArgumentsReportNoRange)
{
    auto Image = ImageWith(UniformBitmap(3, 2, 9, 9, 9));
    for (auto [Step, Percent] : {std::pair{0, 10}, {9, 10}, {1, -1}, {1, 50}}) {
        int Low = 0;
        int High = 0;
        Image->GetLevelRange(Low, High, Step, Percent);
        EXPECT_EQ(Low, 255);
        EXPECT_EQ(High, 0);
    }
}

TEST(Contrast, MapsAUniformGreyOntoItself)
{
    auto Image = ImageWith(UniformBitmap(2, 2, 77, 77, 77));
    TEventLog Log(*Image);
    Image->Contrast(150);
    EXPECT_EQ(PixelAt(PictureOf(*Image), 1, 1), (TPixel{77, 77, 77}));
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Contrast", "Amended Contrast"}));
}

TEST(Contrast, SpreadsAboutTheMiddleTruncatingTowardZero)
{
    // Middle 100: 99 → 100 + 150 × -1 div 100 = 99 (not 98); 0 → -50 → 0.
    EXPECT_EQ(MakeContrastTable(150, 100)[99], 99);
    EXPECT_EQ(MakeContrastTable(150, 100)[98], 97);
    EXPECT_EQ(MakeContrastTable(150, 100)[0], 0);
    EXPECT_EQ(MakeContrastTable(150, 100)[200], 250);
    EXPECT_EQ(MakeContrastTable(0, 100)[255], 100);
}

TEST(GrayScale, WeighsTheChannelsByTruncatedTables)
{
    auto Image = ImageWith(GreyRow({0, 0, 0, 255}));
    TBitmap& Bitmap = static_cast<TBitmap&>(*Image->Picture().Graphic());
    SetPixel(Bitmap, 0, 0, 0, 0, 255);
    SetPixel(Bitmap, 1, 0, 0, 255, 0);
    SetPixel(Bitmap, 2, 0, 255, 0, 0);
    Image->GrayScale();
    EXPECT_EQ(PixelAt(PictureOf(*Image), 0, 0), (TPixel{76, 76, 76}));
    EXPECT_EQ(PixelAt(PictureOf(*Image), 1, 0), (TPixel{149, 149, 149}));
    EXPECT_EQ(PixelAt(PictureOf(*Image), 2, 0), (TPixel{29, 29, 29}));
    EXPECT_EQ(PixelAt(PictureOf(*Image), 3, 0), (TPixel{254, 254, 254}));
}

TEST(Sepia, TintsWhiteAndKeepsBlack)
{
    auto Image = ImageWith(GreyRow({255, 0}));
    Image->Sepia();
    EXPECT_EQ(PixelAt(PictureOf(*Image), 0, 0), (TPixel{153, 211, 254}));
    EXPECT_EQ(PixelAt(PictureOf(*Image), 1, 0), (TPixel{0, 0, 0}));
}

TEST(Negative, TwiceIsTheOriginal)
{
    const TBitmap Original = MakeRandomBitmap(7, 5, 24, 3);
    auto Image = ImageWith(Original);
    Image->Negative();
    EXPECT_FALSE(SamePixels(PictureOf(*Image), Original));
    Image->Negative();
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Original));
}

TEST(BlackAndWhite, ComparesTheChannelSumWithThreeThresholds)
{
    auto Image = ImageWith(GreyRow({99, 100, 101}));
    int Threshold = 0;
    Image->BlackAndWhite(100, Threshold);
    EXPECT_EQ(Threshold, 100);
    EXPECT_EQ(BlueAt(*Image, 0), 0);
    EXPECT_EQ(BlueAt(*Image, 1), 255);
    EXPECT_EQ(BlueAt(*Image, 2), 255);
}

TEST(BlackAndWhite, ThresholdZeroIsWhiteAnd256IsBlack)
{
    auto White = ImageWith(GreyRow({0, 255}));
    auto Black = ImageWith(GreyRow({0, 255}));
    int Threshold = 0;
    White->BlackAndWhite(0, Threshold);
    Black->BlackAndWhite(256, Threshold);
    EXPECT_EQ(BlueAt(*White, 0), 255);
    EXPECT_EQ(BlueAt(*Black, 1), 0);
}

TEST(BlackAndWhite, AnAutomaticThresholdTurnsAUniformPictureWhite)
{
    auto Image = ImageWith(UniformBitmap(3, 3, 90, 90, 90));
    TEventLog Log(*Image);
    int Threshold = -7;
    Image->BlackAndWhite(-1, Threshold);
    EXPECT_EQ(Threshold, 90);
    EXPECT_EQ(PixelAt(PictureOf(*Image), 2, 2), (TPixel{255, 255, 255}));
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend BlackAndWhite", "Amended BlackAndWhite"}));
}

TEST(BlackAndWhite, OutOfRangeLevelLeavesThresholdAlone)
{
    auto Image = ImageWith(GreyRow({10}));
    int Threshold = 42;
    Image->BlackAndWhite(257, Threshold);
    Image->BlackAndWhite(-2, Threshold);
    EXPECT_EQ(Threshold, 42);
    EXPECT_EQ(BlueAt(*Image, 0), 10);
}

TEST(Posterization, SpacesTheOutputLevelsEvenly)
{
    const TLevelTable Four = MakePosterizationTable(4);
    EXPECT_EQ(Four[63], 0);
    EXPECT_EQ(Four[64], 85);
    EXPECT_EQ(Four[127], 85);
    EXPECT_EQ(Four[128], 170);
    EXPECT_EQ(Four[191], 170);
    EXPECT_EQ(Four[192], 255);
    const TLevelTable Three = MakePosterizationTable(3);
    EXPECT_EQ(Three[84], 0);
    EXPECT_EQ(Three[85], 127);
    EXPECT_EQ(Three[169], 127);
    EXPECT_EQ(Three[170], 255);
    EXPECT_EQ(Three[255], 255);
    const TLevelTable Two = MakePosterizationTable(2);
    EXPECT_EQ(Two[127], 0);
    EXPECT_EQ(Two[128], 255);
}

TEST(Posterization, OutOfRangeLevelsChangeNothing)
{
    auto Image = ImageWith(GreyRow({100}));
    TEventLog Log(*Image);
    Image->Posterization(1);
    Image->Posterization(129);
    EXPECT_FALSE(Log.Amended());
    EXPECT_EQ(BlueAt(*Image, 0), 100);
}
