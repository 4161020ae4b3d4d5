#include "platform/graphics/Canvas.h"

#include "platform/graphics/Bitmap.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <array>

TCanvas::TCanvas(std::unique_ptr<TCanvasDevice> Device) : FDevice(std::move(Device))
{}

TCanvas::~TCanvas() = default;

void TCanvas::MoveTo(int X, int Y)
{
    PenPos = Point(X, Y);
}

void TCanvas::LineTo(int X, int Y)
{
    const std::array<TPoint, 2> Points{PenPos, Point(X, Y)};
    FDevice->Polyline(Points, Pen);
    PenPos = Point(X, Y);
}

void TCanvas::Polyline(std::span<const TPoint> Points)
{
    if (!Points.empty()) FDevice->Polyline(Points, Pen);
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    FDevice->Rectangle(Rect(X1, Y1, X2, Y2), Pen, Brush);
}

void TCanvas::FillRect(const TRect& Rect)
{
    FDevice->FillRect(Rect, Brush);
}

void TCanvas::TextOut(int X, int Y, const std::string& Text)
{
    FDevice->TextOut(X, Y, Text, Font, Brush);
    PenPos = Point(X + TextWidth(Text), Y);
}

TSize TCanvas::TextExtent(const std::string& Text)
{
    return FDevice->TextExtent(Text, Font);
}

void TCanvas::Draw(int X, int Y, const TGraphic& Graphic)
{
    StretchDraw(Rect(X, Y, X + Graphic.Width(), Y + Graphic.Height()), Graphic);
}

void TCanvas::StretchDraw(const TRect& Rect, const TGraphic& Graphic)
{
    if (Graphic.Empty()) return;
    if (!FDevice->DrawGraphic(Rect, Graphic)) Graphic.Draw(*this, Rect);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SourceRect)
{
    const TBitmap* Pixels = Source.Device().Target();
    if (Pixels == nullptr) throw EInvalidGraphicOperation(Messages::SInvalidPixelFormat);
    FDevice->StretchBitmap(Dest, *Pixels, SourceRect, TBlend::Opaque);
}
