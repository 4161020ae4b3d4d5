#include "engine/OperationTable.h"

#include "engine/KelvoImg.h"
#include "engine/TrimmingArea.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace {

using TArguments = std::span<const TArgument>;

int IntegerAt(TArguments Arguments, std::size_t Index)
{
    return std::get<int>(Arguments[Index]);
}

long double FloatAt(TArguments Arguments, std::size_t Index)
{
    return std::get<long double>(Arguments[Index]);
}

bool BooleanAt(TArguments Arguments, std::size_t Index)
{
    return std::get<bool>(Arguments[Index]);
}

constexpr TArgumentInfo Integer(std::string_view Name, long double Min = std::numeric_limits<int>::min(),
                                long double Max = std::numeric_limits<int>::max())
{
    return TArgumentInfo{Name, TArgumentType::Integer, Min, Max};
}

constexpr TArgumentInfo Boolean(std::string_view Name)
{
    return TArgumentInfo{Name, TArgumentType::Boolean, 0, 1};
}

constexpr std::array<TArgumentInfo, 0> NoArguments{};
constexpr std::array AutomaticArguments{Integer("Level", 0, 49)};
constexpr std::array BlackAndWhiteArguments{Integer("Level", -1, 256)};
constexpr std::array PercentArguments{Integer("Percent", 0)};
constexpr std::array EdgeArguments{Integer("Level", 1, 100)};
constexpr std::array SizeArguments{Integer("NewWidth"), Integer("NewHeight")};
constexpr std::array FramingArguments{Integer("FrameWidth", 1), Integer("Contrast", 105, 300),
                                      Boolean("LightFromLeft")};
constexpr std::array GammaArguments{TArgumentInfo{"Value", TArgumentType::Float, 0.1L, 10}};
constexpr std::array LightArguments{Integer("Delta", -255, 255)};
constexpr std::array LinearArguments{Integer("Slope", 0), Integer("Offset")};
constexpr std::array MedianArguments{Integer("Level", 0, 100)};
constexpr std::array MosaicArguments{Integer("BlockSize", 2, 50)};
constexpr std::array PosterizationArguments{Integer("Levels", 2, 128)};
constexpr std::array ReduceArguments{Integer("Mode", 0, 5)};
constexpr std::array SobelArguments{Integer("Level", 1, 100), Boolean("Overlay")};
constexpr std::array SpreadArguments{Integer("InLow", 0, 255), Integer("InHigh", 0, 255), Integer("OutHigh", 0, 255),
                                     Integer("OutLow", 0, 255)};
constexpr std::array TrimmingArguments{Integer("Left"), Integer("Top"), Integer("Right"), Integer("Bottom"),
                                       Boolean("InPictureUnits")};
constexpr std::array TurnArguments{Integer("Angle")};

bool NotHundred(TArguments Arguments, const TKelvoImage&)
{
    return IntegerAt(Arguments, 0) != 100;
}

bool NotZero(TArguments Arguments, const TKelvoImage&)
{
    return IntegerAt(Arguments, 0) != 0;
}

bool NotOne(TArguments Arguments, const TKelvoImage&)
{
    return FloatAt(Arguments, 0) != 1;
}

bool ChangesSomething(TArguments Arguments, const TKelvoImage&)
{
    return IntegerAt(Arguments, 0) != 100 || IntegerAt(Arguments, 1) != 0;
}

bool RangesAscend(TArguments Arguments, const TKelvoImage&)
{
    return IntegerAt(Arguments, 0) < IntegerAt(Arguments, 1) && IntegerAt(Arguments, 3) < IntegerAt(Arguments, 2);
}

bool NotSmaller(TArguments Arguments, const TKelvoImage& Image)
{
    return IntegerAt(Arguments, 0) >= Image.Picture().Width() && IntegerAt(Arguments, 1) >= Image.Picture().Height();
}

bool NotLarger(TArguments Arguments, const TKelvoImage& Image)
{
    return IntegerAt(Arguments, 0) >= 1 && IntegerAt(Arguments, 1) >= 1 &&
           IntegerAt(Arguments, 0) <= Image.Picture().Width() && IntegerAt(Arguments, 1) <= Image.Picture().Height();
}

bool QuarterTurn(TArguments Arguments, const TKelvoImage&)
{
    // % takes the sign of the dividend, so negative angles work alike.
    return IntegerAt(Arguments, 0) % 360 != 0 && IntegerAt(Arguments, 0) % 90 == 0;
}

bool InsidePicture(TArguments Arguments, const TKelvoImage& Image)
{
    const TRect Area = ScaleTrimmingArea(TRect{IntegerAt(Arguments, 0), IntegerAt(Arguments, 1),
                                               IntegerAt(Arguments, 2), IntegerAt(Arguments, 3)},
                                         BooleanAt(Arguments, 4), Image)
                           .Picture;
    const int W = Image.Picture().Width();
    const int H = Image.Picture().Height();
    // An inverted area has no pixels to keep.
    return Area.Left >= 0 && Area.Top >= 0 && Area.Left <= Area.Right && Area.Top <= Area.Bottom && Area.Right < W &&
           Area.Bottom < H;
}

constexpr std::array OperationList{
    TOperationInfo{"Automatic", AutomaticArguments, "Level 0..49", TOperationGate::None, nullptr,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Automatic(IntegerAt(Arguments, 0)); }},
    TOperationInfo{"BlackAndWhite", BlackAndWhiteArguments, "Level -1..256; -1 finds the threshold itself",
                   TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments Arguments) {
                       int Threshold = 0;
                       Image.BlackAndWhite(IntegerAt(Arguments, 0), Threshold);
                   }},
    TOperationInfo{"Blur", NoArguments, "none", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments) { Image.Blur(); }},
    TOperationInfo{"Bright", PercentArguments, "Percent at least 0, not 100", TOperationGate::BitsAtLeast8, NotHundred,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Bright(IntegerAt(Arguments, 0)); }},
    TOperationInfo{"Contrast", PercentArguments, "Percent at least 0, not 100", TOperationGate::BitsAtLeast8,
                   NotHundred,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Contrast(IntegerAt(Arguments, 0)); }},
    TOperationInfo{"Edge", EdgeArguments, "Level 1..100", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Edge(IntegerAt(Arguments, 0)); }},
    TOperationInfo{"Enlarge", SizeArguments, "NewWidth and NewHeight not below the picture's size",
                   TOperationGate::Bitmap, NotSmaller,
                   [](TKelvoImage& Image, TArguments Arguments) {
                       Image.Enlarge(IntegerAt(Arguments, 0), IntegerAt(Arguments, 1));
                   }},
    TOperationInfo{"Framing", FramingArguments, "FrameWidth at least 1; Contrast 105..300",
                   TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments Arguments) {
                       Image.Framing(IntegerAt(Arguments, 0), IntegerAt(Arguments, 1), BooleanAt(Arguments, 2));
                   }},
    TOperationInfo{"Gamma", GammaArguments, "Value 0.1..10, not 1", TOperationGate::BitsAtLeast8, NotOne,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Gamma(FloatAt(Arguments, 0)); }},
    TOperationInfo{"GrayScale", NoArguments, "none", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments) { Image.GrayScale(); }},
    TOperationInfo{"Light", LightArguments, "Delta -255..-1 or 1..255", TOperationGate::BitsAtLeast8, NotZero,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Light(IntegerAt(Arguments, 0)); }},
    TOperationInfo{"Linear", LinearArguments, "Slope at least 0; not Slope 100 with Offset 0",
                   TOperationGate::BitsAtLeast8, ChangesSomething,
                   [](TKelvoImage& Image, TArguments Arguments) {
                       Image.Linear(IntegerAt(Arguments, 0), IntegerAt(Arguments, 1));
                   }},
    TOperationInfo{"Median", MedianArguments, "Level 0..100", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Median(IntegerAt(Arguments, 0)); }},
    TOperationInfo{"Mosaic", MosaicArguments, "BlockSize 2..50", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Mosaic(IntegerAt(Arguments, 0)); }},
    TOperationInfo{"Negative", NoArguments, "none", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments) { Image.Negative(); }},
    TOperationInfo{"Posterization", PosterizationArguments, "Levels 2..128", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments Arguments) { Image.Posterization(IntegerAt(Arguments, 0)); }},
    TOperationInfo{
        "Reduce", ReduceArguments,
        "Mode 0..5 (octree, median cut, by variance, with diffusion, by variance with diffusion, "
        "fixed palette with diffusion)",
        TOperationGate::BitsAtLeast9, nullptr,
        [](TKelvoImage& Image, TArguments Arguments) { Image.Reduce(TReduceMode(IntegerAt(Arguments, 0))); }},
    TOperationInfo{"Reverse", NoArguments, "none", TOperationGate::BitmapAnyDepth, nullptr,
                   [](TKelvoImage& Image, TArguments) { Image.Reverse(); }},
    TOperationInfo{"Sepia", NoArguments, "none", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments) { Image.Sepia(); }},
    TOperationInfo{"Shrink", SizeArguments, "NewWidth and NewHeight 1 up to the picture's size", TOperationGate::Bitmap,
                   NotLarger,
                   [](TKelvoImage& Image, TArguments Arguments) {
                       Image.Shrink(IntegerAt(Arguments, 0), IntegerAt(Arguments, 1));
                   }},
    TOperationInfo{"Sobel", SobelArguments, "Level 1..100", TOperationGate::BitsAtLeast8, nullptr,
                   [](TKelvoImage& Image, TArguments Arguments) {
                       Image.Sobel(IntegerAt(Arguments, 0), BooleanAt(Arguments, 1));
                   }},
    TOperationInfo{"Spread", SpreadArguments, "each 0..255; InLow below InHigh and OutLow below OutHigh",
                   TOperationGate::None, RangesAscend,
                   [](TKelvoImage& Image, TArguments Arguments) {
                       Image.Spread(IntegerAt(Arguments, 0), IntegerAt(Arguments, 1), IntegerAt(Arguments, 2),
                                    IntegerAt(Arguments, 3));
                   }},
    TOperationInfo{"Trimming", TrimmingArguments,
                   "inclusive area (Left, Top, Right, Bottom) inside the picture, in picture pixels when "
                   "InPictureUnits, else in control pixels",
                   TOperationGate::BitmapOrMetafile, InsidePicture,
                   [](TKelvoImage& Image, TArguments Arguments) {
                       Image.Trimming(TRect{IntegerAt(Arguments, 0), IntegerAt(Arguments, 1), IntegerAt(Arguments, 2),
                                            IntegerAt(Arguments, 3)},
                                      BooleanAt(Arguments, 4));
                   }},
    TOperationInfo{"Turn", TurnArguments, "Angle a multiple of 90, not of 360", TOperationGate::BitmapAnyDepth,
                   QuarterTurn, [](TKelvoImage& Image, TArguments Arguments) { Image.Turn(IntegerAt(Arguments, 0)); }},
};

} // namespace

std::span<const TOperationInfo> Operations()
{
    return OperationList;
}

const TOperationInfo* FindOperation(std::string_view Kind)
{
    const auto Found = std::find_if(OperationList.begin(), OperationList.end(),
                                    [Kind](const TOperationInfo& Operation) { return Operation.Kind == Kind; });
    return Found == OperationList.end() ? nullptr : &*Found;
}

bool ArgumentsPass(const TOperationInfo& Operation, std::span<const TArgument> Arguments, const TKelvoImage& Image)
{
    if (Arguments.size() != Operation.Arguments.size()) return false;
    for (std::size_t Index = 0; Index < Arguments.size(); ++Index) {
        const TArgumentInfo& Info = Operation.Arguments[Index];
        const TArgument& Value = Arguments[Index];
        long double Number = 0;
        switch (Info.Type) {
        case TArgumentType::Integer:
            if (!std::holds_alternative<int>(Value)) return false;
            Number = std::get<int>(Value);
            break;
        case TArgumentType::Float:
            if (!std::holds_alternative<long double>(Value)) return false;
            Number = std::get<long double>(Value);
            break;
        case TArgumentType::Boolean:
            if (!std::holds_alternative<bool>(Value)) return false;
            continue;
        }
        // Written so that a NaN fails.
        if (!(Number >= Info.Min && Number <= Info.Max)) return false;
    }
    return Operation.Accepts == nullptr || Operation.Accepts(Arguments, Image);
}
