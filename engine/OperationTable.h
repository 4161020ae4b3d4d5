#pragma once
// The table of TKelvoImage's named operations: kind string, arguments with their types and bounds, the
// conditions beyond the bounds, and the gate on the picture. Declared once and read by the operations'
// refusal checks, pixora-batch (--list and its dispatch), the tests and the fuzzers.

#include <limits>
#include <span>
#include <string_view>
#include <variant>

class TKelvoImage;

// The value of one argument: Integer, Float or Boolean, as the table's type says.
using TArgument = std::variant<int, long double, bool>;

enum class TArgumentType
{
    Integer,
    Float,
    Boolean
};

struct TArgumentInfo
{
    std::string_view Name;
    TArgumentType Type;
    // Inclusive bounds of an Integer or Float argument; unused for a Boolean.
    long double Min = std::numeric_limits<int>::min();
    long double Max = std::numeric_limits<int>::max();
};

// The condition an operation puts on the picture before it starts.
enum class TOperationGate
{
    None,             // left to the operations it calls
    BitsAtLeast8,     // BitsPerPixel at least 8
    BitsAtLeast9,     // BitsPerPixel 16, 24 or 32
    Bitmap,           // PictureType picBitmap
    BitmapOrMetafile, // PictureType picBitmap or picMetafile
    BitmapAnyDepth    // PictureType picBitmap and BitsPerPixel one of 1, 4, 8, 16, 24, 32
};

struct TOperationInfo
{
    std::string_view Kind;
    std::span<const TArgumentInfo> Arguments;
    // The accepted range in words, as --list shows it.
    std::string_view Range;
    TOperationGate Gate;
    // Conditions beyond the bounds (not 100, InLow below InHigh, inside the picture); null when the
    // bounds say everything.
    bool (*Accepts)(std::span<const TArgument> Arguments, const TKelvoImage& Image);
    // Calls the method with Arguments, which match the table in number and type. Null while the
    // operation has no implementation in this build.
    void (*Apply)(TKelvoImage& Image, std::span<const TArgument> Arguments);
};

// Every operation, in alphabetical order of kind.
std::span<const TOperationInfo> Operations();

// The entry of Kind, or null.
const TOperationInfo* FindOperation(std::string_view Kind);

// Whether Arguments match the entry in number and type, lie within the bounds and satisfy Accepts.
bool ArgumentsPass(const TOperationInfo& Operation, std::span<const TArgument> Arguments, const TKelvoImage& Image);
