#include "engine/OperationTable.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

// Names a table entry in test output by its kind.
void PrintTo(const TOperationInfo& Operation, std::ostream* Stream)
{
    *Stream << Operation.Kind;
}

namespace {

// A value of Info's type just outside its bounds, or nothing when the bounds are the type's own.
std::optional<TArgument> OutOfRange(const TArgumentInfo& Info)
{
    switch (Info.Type) {
    case TArgumentType::Integer:
        if (Info.Max < std::numeric_limits<int>::max()) return TArgument{int(Info.Max) + 1};
        if (Info.Min > std::numeric_limits<int>::min()) return TArgument{int(Info.Min) - 1};
        return std::nullopt;
    case TArgumentType::Float:
        return TArgument{std::nextafter(Info.Max, Info.Max + 1)};
    case TArgumentType::Boolean:
        return std::nullopt;
    }
    return std::nullopt;
}

// A value within Info's bounds.
TArgument InRange(const TArgumentInfo& Info)
{
    switch (Info.Type) {
    case TArgumentType::Integer:
        return TArgument{int(std::max<long double>(Info.Min, std::min<long double>(Info.Max, 2)))};
    case TArgumentType::Float:
        return TArgument{Info.Max};
    case TArgumentType::Boolean:
        return TArgument{true};
    }
    return TArgument{0};
}

class EveryOperation : public ::testing::TestWithParam<TOperationInfo>
{
};

std::string KindName(const ::testing::TestParamInfo<TOperationInfo>& Info)
{
    return std::string(Info.param.Kind);
}

} // namespace

TEST(OperationTable, HoldsEveryKindOnceInAlphabeticalOrder)
{
    const std::set<std::string_view> Expected{
        "Automatic", "BlackAndWhite", "Blur",  "Bright", "Contrast", "Edge",   "Enlarge",  "Framing",
        "Gamma",     "GrayScale",     "Light", "Linear", "Median",   "Mosaic", "Negative", "Posterization",
        "Reduce",    "Reverse",       "Sepia", "Shrink", "Sobel",    "Spread", "Trimming", "Turn"};
    std::set<std::string_view> Kinds;
    std::string_view Previous;
    for (const TOperationInfo& Operation : Operations()) {
        EXPECT_LT(Previous, Operation.Kind);
        Previous = Operation.Kind;
        Kinds.insert(Operation.Kind);
        EXPECT_EQ(FindOperation(Operation.Kind), &Operation);
    }
    EXPECT_EQ(Kinds, Expected);
    EXPECT_EQ(FindOperation("Solarize"), nullptr);
}

TEST(OperationTable, ChecksNumberTypeBoundsAndConditions)
{
    TKelvoImage Image;
    const TOperationInfo& Bright = *FindOperation("Bright");
    EXPECT_TRUE(ArgumentsPass(Bright, std::vector<TArgument>{150}, Image));
    EXPECT_FALSE(ArgumentsPass(Bright, std::vector<TArgument>{100}, Image));
    EXPECT_FALSE(ArgumentsPass(Bright, std::vector<TArgument>{-1}, Image));
    EXPECT_FALSE(ArgumentsPass(Bright, std::vector<TArgument>{true}, Image));
    EXPECT_FALSE(ArgumentsPass(Bright, std::vector<TArgument>{}, Image));
    const TOperationInfo& Gamma = *FindOperation("Gamma");
    EXPECT_TRUE(ArgumentsPass(Gamma, std::vector<TArgument>{0.1L}, Image));
    EXPECT_FALSE(ArgumentsPass(Gamma, std::vector<TArgument>{std::nanl("")}, Image));
    const TOperationInfo& Spread = *FindOperation("Spread");
    EXPECT_TRUE(ArgumentsPass(Spread, std::vector<TArgument>{10, 200, 255, 0}, Image));
    EXPECT_FALSE(ArgumentsPass(Spread, std::vector<TArgument>{10, 200, 0, 255}, Image));
    const TOperationInfo& Turn = *FindOperation("Turn");
    EXPECT_TRUE(ArgumentsPass(Turn, std::vector<TArgument>{-90}, Image));
    EXPECT_FALSE(ArgumentsPass(Turn, std::vector<TArgument>{-360}, Image));
    EXPECT_FALSE(ArgumentsPass(Turn, std::vector<TArgument>{45}, Image));
}

TEST(OperationTable, TrimmingAreasMustLieInsideThePicture)
{
    auto Image = ImageWith(UniformBitmap(100, 50, 0, 0, 0));
    const TOperationInfo& Trimming = *FindOperation("Trimming");
    EXPECT_TRUE(ArgumentsPass(Trimming, std::vector<TArgument>{0, 0, 99, 49, true}, *Image));
    EXPECT_FALSE(ArgumentsPass(Trimming, std::vector<TArgument>{0, 0, 100, 49, true}, *Image));
    EXPECT_FALSE(ArgumentsPass(Trimming, std::vector<TArgument>{-1, 0, 10, 10, true}, *Image));
    EXPECT_FALSE(ArgumentsPass(Trimming, std::vector<TArgument>{10, 0, 5, 10, true}, *Image));
    // Stretched into a 200 × 100 control, control pixel 199 is picture pixel 99.
    Image->SetStretch(true);
    Image->SetBounds(0, 0, 200, 100);
    EXPECT_TRUE(ArgumentsPass(Trimming, std::vector<TArgument>{0, 0, 199, 99, false}, *Image));
    EXPECT_FALSE(ArgumentsPass(Trimming, std::vector<TArgument>{0, 0, 199, 99, true}, *Image));
}

TEST_P(EveryOperation, RefusesOutOfRangeArgumentsSilently)
{
    const TOperationInfo& Operation = GetParam();
    if (Operation.Apply == nullptr) GTEST_SKIP() << "no implementation in this build";
    std::vector<TArgument> Arguments;
    for (const TArgumentInfo& Info : Operation.Arguments) Arguments.push_back(InRange(Info));
    for (std::size_t Index = 0; Index < Arguments.size(); ++Index) {
        const auto Outside = OutOfRange(Operation.Arguments[Index]);
        if (!Outside) continue;
        std::vector<TArgument> Refused = Arguments;
        Refused[Index] = *Outside;
        const TBitmap Original = MakeRandomBitmap(5, 3, 24, 5);
        auto Image = ImageWith(Original);
        TEventLog Log(*Image);
        Operation.Apply(*Image, Refused);
        EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend " + std::string(Operation.Kind)}))
            << Operation.Arguments[Index].Name;
        EXPECT_TRUE(SamePixels(PictureOf(*Image), Original)) << Operation.Arguments[Index].Name;
    }
}

TEST_P(EveryOperation, RefusesAFourBitPictureWhenItsGateAsksForEightBits)
{
    const TOperationInfo& Operation = GetParam();
    if (Operation.Apply == nullptr) GTEST_SKIP() << "no implementation in this build";
    if (Operation.Gate != TOperationGate::BitsAtLeast8 && Operation.Gate != TOperationGate::BitsAtLeast9 &&
        Operation.Gate != TOperationGate::None)
        GTEST_SKIP() << "works at every depth";
    std::vector<TArgument> Arguments;
    for (const TArgumentInfo& Info : Operation.Arguments) Arguments.push_back(InRange(Info));
    const TBitmap Original = MakeRandomBitmap(5, 3, 4, 5);
    auto Image = ImageWith(Original);
    TEventLog Log(*Image);
    Operation.Apply(*Image, Arguments);
    EXPECT_FALSE(Log.Amended() && Operation.Kind != "Spread");
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Original));
}

INSTANTIATE_TEST_SUITE_P(Table, EveryOperation, ::testing::ValuesIn(Operations().begin(), Operations().end()),
                         KindName);
