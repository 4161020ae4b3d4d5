#pragma once
// Colour reduction of 24-bit pictures to 8 bits with at most 256 palette colours: an octree, a median
// cut by range or by variance (each with or without Floyd–Steinberg error diffusion), and a fixed
// 210-colour palette with error diffusion. Every entry point leaves its source alone and returns a new
// bitmap that the caller owns.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Palette.h"
#include "reduce/MedianCut.h"
#include "reduce/Octree.h"
#include "reduce/PackedColor.h"

#include <array>
#include <cstdint>
#include <memory>

enum TReduceMode : std::uint8_t
{
    rmOctree,
    rmMedianCut,
    rmMedianCutByVariance,
    rmMedianCutDiffusion,
    rmMedianCutByVarianceDiffusion,
    rmStaticColorDiffusion
};

// Maps a colour onto a palette colour, written as a 3-byte pixel in the order blue, green, red.
class TQuantizeColor
{
public:
    virtual ~TQuantizeColor() = default;
    virtual void Quantize(TPackedColor Color, std::uint8_t* Pixel) const = 0;
};

// Maps onto the fixed palette through the level tables.
class TQuantizeToStaticColor : public TQuantizeColor
{
public:
    void Quantize(TPackedColor Color, std::uint8_t* Pixel) const override;
};

// Maps through a finished median cut; the cut must outlive the quantizer.
class TMedianCutQuantizeColor : public TQuantizeColor
{
public:
    explicit TMedianCutQuantizeColor(const TMedianCut& MedianCut);
    void Quantize(TPackedColor Color, std::uint8_t* Pixel) const override;

private:
    const TMedianCut& FMedianCut;
    std::array<TPaletteEntry, 256> FEntries{};
};

// The fixed palette: 6 red, 7 green and 5 blue levels, entry r × 35 + g × 5 + b. The level and index
// tables are constants computed by the compiler; the palette object is made on first use and read-only
// afterwards.
inline constexpr std::array<std::uint8_t, 6> RedLevel{0, 51, 102, 153, 204, 255};
inline constexpr std::array<std::uint8_t, 7> GreenLevel{0, 43, 85, 128, 171, 214, 255};
inline constexpr std::array<std::uint8_t, 5> BlueLevel{0, 64, 128, 192, 255};
extern const std::array<std::uint8_t, 256> RedIndex;
extern const std::array<std::uint8_t, 256> GreenIndex;
extern const std::array<std::uint8_t, 256> BlueIndex;
const TPalette& StaticPalette();
// 0..209: the fixed-palette entry of Color's levels.
int StaticColorIndex(TPackedColor Color);

// The 11 row positions around the current row y: position k addresses column x − 5 of a zero-margined
// working copy of row y − 5 + k, so the current pixel lies 15 bytes after position 5. A procedure may
// change any byte of the copies; later calls see the change.
using TFilterWindow = std::array<std::uint8_t*, 11>;
using TPixelFilterProc = void (*)(int X, int Y, TFilterWindow& Window, std::uint8_t* Pixel, const void* Data);

// A new 24-bit bitmap whose pixel (x, y) is what Proc wrote for (x, y); raises "BitmapFiletr accepts
// only 24Bit DIB" unless Source is a 24-bit section.
std::unique_ptr<TBitmap> BitmapFilter(const TBitmap& Source, TPixelFilterProc Proc, const void* Data);

// Floyd–Steinberg diffusion of one pixel; Data is the TQuantizeColor.
void ErrorDiffusionPixel(int X, int Y, TFilterWindow& Window, std::uint8_t* Pixel, const void* Data);
// A new 24-bit bitmap of the colours Quantizer chose while the errors were spread onto later pixels.
std::unique_ptr<TBitmap> ErrorDiffusion(const TBitmap& Bitmap, const TQuantizeColor& Quantizer);

// The reductions. Each asserts its arguments ("Assertion failure (Reduce, N 行)"): Count 2..256 and
// Depth 0..8, and a 24-bit section as Bitmap.
std::unique_ptr<TBitmap> OctreeReduce(const TBitmap& Bitmap, int Count);
std::unique_ptr<TBitmap> MedianCutReduce(const TBitmap& Bitmap, int Depth);
std::unique_ptr<TBitmap> MedianCutByVarianceReduce(const TBitmap& Bitmap, int Depth);
std::unique_ptr<TBitmap> MedianCutDiffusionReduce(const TBitmap& Bitmap, int Depth);
std::unique_ptr<TBitmap> MedianCutByVarianceDiffusionReduce(const TBitmap& Bitmap, int Depth);
std::unique_ptr<TBitmap> StaticColorDiffusionReduce(const TBitmap& Bitmap);
