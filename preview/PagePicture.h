#pragma once
// TPagePicture: the vector picture of the print preview. It holds drawing calls recorded against a
// printer, in that printer's pixels, and plays them onto any canvas scaled into a rectangle. Pictures
// drawn into it are held by reference, not copied, so the pages and sheets of one large photograph
// together cost that photograph once.

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Graphic.h"

#include <memory>
#include <variant>
#include <vector>

struct TDeviceCaps;

class TPagePicture : public TGraphic
{
public:
    struct TLine
    {
        std::vector<TPoint> Points;
        TPen Pen;
    };
    struct TBox
    {
        TRect Rect;
        TPen Pen;
        TBrush Brush;
    };
    struct TFill
    {
        TRect Rect;
        TBrush Brush;
    };
    struct TText
    {
        TPoint At;
        std::string Text;
        TFont Font; // Size in printer pixels, negative
        TBrush Brush;
    };
    struct TPlaced
    {
        TRect Rect;
        std::shared_ptr<const TGraphic> Graphic;
    };
    using TCommand = std::variant<TLine, TBox, TFill, TText, TPlaced>;

    // An empty picture of Nominal printer pixels (0 × 0: the printable area of the printer recorded
    // against).
    explicit TPagePicture(TSize Nominal = {});

    // In reference-device pixels until SwitchToPhysical, in screen pixels after it.
    int Width() const override;
    int Height() const override;
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    bool Empty() const override { return FCommands.empty(); }

    // From now on the size is read and set in screen pixels: extent in 0.01 mm × screen pixels per
    // inch / 2540.
    void SwitchToPhysical() { FPhysical = true; }
    // The extent in 0.01 mm.
    TSize Extent() const { return FExtent; }
    // The rectangle the records are drawn in: (0, 0) to the size recorded against, in printer pixels.
    TSize Frame() const { return FFrame; }
    const std::vector<TCommand>& Commands() const { return FCommands; }

    std::unique_ptr<TGraphic> Clone() const override;
    // Plays the records with the frame stretched into Rect.
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // The records have no file format of their own.
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
    void SaveToStream(std::vector<std::uint8_t>& Bytes) const override;
    std::string DefaultExtension() const override { return "emf"; }

private:
    friend class TPageCanvas;

    TSize FNominal;
    TSize FFrame;
    TSize FExtent;
    int FDpiX = 0;
    int FDpiY = 0;
    bool FPhysical = false;
    std::vector<TCommand> FCommands;
};

// A canvas recording into a TPagePicture against a printer: lengths are that printer's pixels and
// text is measured at its resolution. Font.Size is in points of the printer. Destroying the canvas
// ends the recording.
class TPageCanvas : public TCanvas
{
public:
    TPageCanvas(TPagePicture& Picture, const TDeviceCaps& Printer);
    // Draws Graphic stretched into Rect, holding it by reference.
    void StretchDrawShared(const TRect& Rect, std::shared_ptr<const TGraphic> Graphic);
};
