#include "preview/PagePicture.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/RasterCoverage.h"
#include "platform/graphics/RasterDevice.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "platform/system/Printer.h"
#include "platform/system/Screen.h"

#include <cmath>

namespace {

// Pixels to 0.01 mm rounding up, so that the pixels read back are the pixels set.
int PixelsToExtent(long long Pixels, long long PerInch)
{
    if (Pixels <= 0 || PerInch <= 0) return 0;
    return int((Pixels * 2540 + PerInch - 1) / PerInch);
}

int ExtentToPixels(long long Extent, long long PerInch)
{
    return int(Extent * PerInch / 2540);
}

// Maps the frame of a picture onto a rectangle of the canvas played on.
class TMapping
{
public:
    TMapping(TSize Frame, const TRect& Into)
        : FInto(Into), FScaleX(Frame.cx > 0 ? double(Into.Width()) / Frame.cx : 0),
          FScaleY(Frame.cy > 0 ? double(Into.Height()) / Frame.cy : 0)
    {}
    int X(int Value) const { return FInto.Left + int(std::lround(Value * FScaleX)); }
    int Y(int Value) const { return FInto.Top + int(std::lround(Value * FScaleY)); }
    TPoint Map(TPoint P) const { return Point(X(P.X), Y(P.Y)); }
    TRect Map(const TRect& R) const { return Rect(X(R.Left), Y(R.Top), X(R.Right), Y(R.Bottom)); }
    // A length across, at least one pixel.
    int Width(int Value) const { return std::max(1, int(std::lround(Value * FScaleX))); }
    int Height(int Value) const { return std::max(1, int(std::lround(Value * FScaleY))); }

private:
    TRect FInto;
    double FScaleX, FScaleY;
};

class TPageRecorder : public TCanvasDevice
{
public:
    TPageRecorder(std::vector<TPagePicture::TCommand>& Commands, int DpiY) : FCommands(Commands), FDpiY(DpiY) {}

    void Polyline(std::span<const TPoint> Points, const TPen& Pen) override
    {
        Add(TPagePicture::TLine{{Points.begin(), Points.end()}, Pen});
    }
    void Rectangle(const TRect& Rect, const TPen& Pen, const TBrush& Brush) override
    {
        Add(TPagePicture::TBox{Rect, Pen, Brush});
    }
    void FillRect(const TRect& Rect, const TBrush& Brush) override { Add(TPagePicture::TFill{Rect, Brush}); }
    void TextOut(int X, int Y, const std::string& Text, const TFont& Font, const TBrush& Brush) override
    {
        Add(TPagePicture::TText{Point(X, Y), Text, InPixels(Font), Brush});
    }
    TSize TextExtent(const std::string& Text, const TFont& Font) override { return MeasureText(Text, InPixels(Font)); }
    void StretchBitmap(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, TBlend) override
    {
        // A part of a bitmap is kept as a copy of that part.
        auto Part = std::make_shared<TBitmap>();
        Part->SetLayout(std::abs(SourceRect.Width()), std::abs(SourceRect.Height()), 24);
        MakeRasterDevice(*Part)->StretchBitmap(::Rect(0, 0, Part->Width(), Part->Height()), Source, SourceRect,
                                               TBlend::Opaque);
        Add(TPagePicture::TPlaced{Dest, std::move(Part)});
    }
    bool DrawGraphic(const TRect& Dest, const TGraphic& Graphic) override
    {
        Add(TPagePicture::TPlaced{Dest, Graphic.Clone()});
        return true;
    }
    void Place(const TRect& Dest, std::shared_ptr<const TGraphic> Graphic)
    {
        if (Graphic && !Graphic->Empty()) Add(TPagePicture::TPlaced{Dest, std::move(Graphic)});
    }

private:
    void Add(TPagePicture::TCommand Command) { FCommands.push_back(std::move(Command)); }
    // Points of the printer to its pixels, rounded like the desktop's MulDiv; negative sizes are pixels.
    TFont InPixels(TFont Font) const
    {
        if (Font.Size > 0) Font.Size = -((Font.Size * FDpiY + 36) / 72);
        return Font;
    }

    std::vector<TPagePicture::TCommand>& FCommands;
    int FDpiY;
};

} // namespace

TPagePicture::TPagePicture(TSize Nominal) : FNominal(Nominal)
{}

int TPagePicture::Width() const
{
    return ExtentToPixels(FExtent.cx, FPhysical ? ScreenPixelsPerInch() : FDpiX);
}

int TPagePicture::Height() const
{
    return ExtentToPixels(FExtent.cy, FPhysical ? ScreenPixelsPerInch() : FDpiY);
}

void TPagePicture::SetWidth(int Value)
{
    FExtent.cx = PixelsToExtent(Value, FPhysical ? ScreenPixelsPerInch() : FDpiX);
    Changed();
}

void TPagePicture::SetHeight(int Value)
{
    FExtent.cy = PixelsToExtent(Value, FPhysical ? ScreenPixelsPerInch() : FDpiY);
    Changed();
}

std::unique_ptr<TGraphic> TPagePicture::Clone() const
{
    return std::make_unique<TPagePicture>(*this);
}

void TPagePicture::Draw(TCanvas& Canvas, const TRect& Rect) const
{
    const TMapping Map(FFrame, Rect);
    const TPen SavedPen = Canvas.Pen;
    const TBrush SavedBrush = Canvas.Brush;
    const TFont SavedFont = Canvas.Font;
    for (const TCommand& Command : FCommands) {
        if (const auto* Line = std::get_if<TLine>(&Command)) {
            std::vector<TPoint> Points;
            Points.reserve(Line->Points.size());
            for (const TPoint& P : Line->Points) Points.push_back(Map.Map(P));
            Canvas.Pen = Line->Pen;
            Canvas.Pen.Width = Map.Width(Line->Pen.Width);
            Canvas.Polyline(Points);
        } else if (const auto* Box = std::get_if<TBox>(&Command)) {
            Canvas.Pen = Box->Pen;
            Canvas.Pen.Width = Map.Width(Box->Pen.Width);
            Canvas.Brush = Box->Brush;
            Canvas.Rectangle(Map.Map(Box->Rect));
        } else if (const auto* Fill = std::get_if<TFill>(&Command)) {
            Canvas.Brush = Fill->Brush;
            Canvas.FillRect(Map.Map(Fill->Rect));
        } else if (const auto* Text = std::get_if<TText>(&Command)) {
            Canvas.Font = Text->Font;
            Canvas.Font.Size = -Map.Height(-Text->Font.Size);
            Canvas.Brush = Text->Brush;
            const TPoint At = Map.Map(Text->At);
            Canvas.TextOut(At.X, At.Y, Text->Text);
        } else if (const auto* Placed = std::get_if<TPlaced>(&Command)) {
            Canvas.StretchDraw(Map.Map(Placed->Rect), *Placed->Graphic);
        }
    }
    Canvas.Pen = SavedPen;
    Canvas.Brush = SavedBrush;
    Canvas.Font = SavedFont;
}

void TPagePicture::LoadFromStream(std::span<const std::uint8_t>)
{
    throw EInvalidGraphicOperation(Messages::SInvalidMetafile);
}

void TPagePicture::SaveToStream(std::vector<std::uint8_t>&) const
{
    throw EInvalidGraphicOperation(Messages::SInvalidMetafile);
}

TPageCanvas::TPageCanvas(TPagePicture& Picture, const TDeviceCaps& Printer)
    : TCanvas(std::make_unique<TPageRecorder>(Picture.FCommands, Printer.LogPixelsY))
{
    Picture.FCommands.clear();
    Picture.FDpiX = Printer.LogPixelsX;
    Picture.FDpiY = Printer.LogPixelsY;
    Picture.FPhysical = false;
    // Without a size of its own the picture takes the printable area of the printer.
    Picture.FFrame =
        Picture.FNominal.cx > 0 && Picture.FNominal.cy > 0 ? Picture.FNominal : TSize{Printer.HorzRes, Printer.VertRes};
    Picture.FExtent =
        TSize{PixelsToExtent(Picture.FFrame.cx, Picture.FDpiX), PixelsToExtent(Picture.FFrame.cy, Picture.FDpiY)};
}

void TPageCanvas::StretchDrawShared(const TRect& Rect, std::shared_ptr<const TGraphic> Graphic)
{
    static_cast<TPageRecorder&>(Device()).Place(Rect, std::move(Graphic));
}
