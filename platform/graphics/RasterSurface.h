#pragma once
// TRasterSurface: the pixels of a bitmap as values of its own layout (a palette index up to 8 bits, the
// packed bit fields of 16 and 32 bits, blue-green-red bytes at 24 bits). The raster modes act on these
// values, as the desktop's drawing did, so NOT and XOR are exact involutions at every depth and drawing
// never converts the rest of the picture. The layout is read when the surface is made.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/PixelRows.h"

#include <cstdint>

class TRasterSurface
{
public:
    // Rows are written through the bitmap's own memory; a device-dependent bitmap stays one.
    explicit TRasterSurface(const TBitmap& Pixels);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int BitCount() const { return FBitCount; }
    bool Indexed() const { return FBitCount <= 8; }
    // Blue, green and red bytes at the start of every 3- or 4-byte pixel.
    bool PlainBgr() const
    {
        return FBitCount == 24 ||
               (FBitCount == 32 && FRed.Mask == 0xFF0000 && FGreen.Mask == 0xFF00 && FBlue.Mask == 0xFF);
    }
    // Two surfaces whose values mean the same colours (same depth, bit fields and colour table).
    bool SameLayout(const TRasterSurface& Other) const;

    // The value nearest to Color: the nearest colour-table entry up to 8 bits (the lowest index on a
    // tie), the colour's top bits in each bit field above (as the pixel-format conversions write them).
    std::uint32_t Map(TColor Color) const;
    // The colour a value shows, read as the pixel-format conversions read it; an index beyond the colour
    // table shows black.
    TColor ColorOf(std::uint32_t Value) const;

    // (X, Y) must lie inside the surface; Line is Row(Y), for loops that fetch it once.
    std::uint32_t Get(int X, int Y) const { return Get(Row(Y), X); }
    void Put(int X, int Y, std::uint32_t Value) const { Put(Row(Y), X, Value); }
    std::uint32_t Get(const std::uint8_t* Line, int X) const;
    void Put(std::uint8_t* Line, int X, std::uint32_t Value) const;

    // Combines Value with the pixel by Mode; pixels outside the surface are left alone.
    void Plot(int X, int Y, std::uint32_t Value, TPenMode Mode) const;
    // The same for [X1, X2) of row Y.
    void Span(int Y, int X1, int X2, std::uint32_t Value, TPenMode Mode) const;

    std::uint8_t* Row(int Y) const;

private:
    struct TChannel
    {
        std::uint32_t Mask = 0;
        int Shift = 0;
        int Bits = 0;
    };
    static TChannel MakeChannel(std::uint32_t Mask);
    static std::uint32_t Pack(std::uint8_t Level, const TChannel& Channel);
    std::uint32_t Combine(std::uint32_t Destination, std::uint32_t Value, TPenMode Mode) const;

    const TBitmap& FPixels;
    int FWidth;
    int FHeight;
    int FBitCount;
    std::uint32_t FValueMask;
    bool FHalftone = false; // the colour table is the halftone palette, mapped without a search
    TBitFields FFields;
    TChannel FRed;
    TChannel FGreen;
    TChannel FBlue;
    TMaskedReader FReader;
    TIndexColors FIndexColors{};
};
