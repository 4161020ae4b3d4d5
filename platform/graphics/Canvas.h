#pragma once
// TCanvas: pen, brush and font state and the drawing calls, carried out by a device: a raster device
// paints into a bitmap, a recording device writes metafile records.

#include "platform/graphics/Types.h"

#include <memory>
#include <span>
#include <string>

class TBitmap;
class TGraphic;

enum TPenStyle
{
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame
};
// Raster modes of the pen: pmNotXor draws NOT (pen XOR destination), so drawing twice restores.
enum TPenMode
{
    pmCopy,
    pmNotXor,
    pmXor,
    pmNot
};
enum TBrushStyle
{
    bsSolid,
    bsClear
};

struct TPen
{
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
};

struct TBrush
{
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

struct TFont
{
    std::string Name = "IPAPGothic";
    int Size = 8; // points; the pixel height follows from the device's logical resolution
    TColor Color = clBlack;
};

// How a bitmap is combined with what lies beneath it.
enum class TBlend
{
    Opaque, // source pixels replace the destination
    Alpha   // a 32-bit source with straight alpha in its fourth byte is blended over the destination
};

// What a canvas asks of the surface it draws on. Coordinates are device pixels; lines exclude their
// last point and rectangles their right and bottom edges, as on the desktop the canvas comes from.
class TCanvasDevice
{
public:
    virtual ~TCanvasDevice() = default;

    virtual void Polyline(std::span<const TPoint> Points, const TPen& Pen) = 0;
    virtual void Rectangle(const TRect& Rect, const TPen& Pen, const TBrush& Brush) = 0;
    virtual void FillRect(const TRect& Rect, const TBrush& Brush) = 0;
    virtual void TextOut(int X, int Y, const std::string& Text, const TFont& Font, const TBrush& Brush) = 0;
    virtual TSize TextExtent(const std::string& Text, const TFont& Font) = 0;
    // Draws SourceRect of Source stretched into Dest by nearest neighbour.
    virtual void StretchBitmap(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, TBlend Blend) = 0;
    // Draws a graphic that is not a bitmap (a metafile plays its records); a raster device may return
    // false to let the graphic rasterise itself.
    virtual bool DrawGraphic(const TRect& Dest, const TGraphic& Graphic)
    {
        (void)Dest;
        (void)Graphic;
        return false;
    }
    // The bitmap a raster device paints into; null for other devices.
    virtual TBitmap* Target() { return nullptr; }
};

class TCanvas
{
public:
    explicit TCanvas(std::unique_ptr<TCanvasDevice> Device);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TPoint PenPos;

    void MoveTo(int X, int Y);
    // A line from the pen position to (X, Y), the end point excluded; the pen position becomes (X, Y).
    void LineTo(int X, int Y);
    void Polyline(std::span<const TPoint> Points);
    // Outline with the pen, inside filled with the brush; (X2, Y2) excluded.
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& Rect) { Rectangle(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom); }
    void FillRect(const TRect& Rect);
    // Text in UTF-8 with its top-left corner at (X, Y), on the brush colour unless the brush is clear.
    void TextOut(int X, int Y, const std::string& Text);
    TSize TextExtent(const std::string& Text);
    int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
    int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

    void Draw(int X, int Y, const TGraphic& Graphic);
    void StretchDraw(const TRect& Rect, const TGraphic& Graphic);
    // Copies SourceRect of Source's pixels stretched into Dest; Source must paint into a bitmap.
    void CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SourceRect);

    TCanvasDevice& Device() { return *FDevice; }

private:
    std::unique_ptr<TCanvasDevice> FDevice;
};
