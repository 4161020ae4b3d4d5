#include "platform/controls/Image.h"

#include "platform/graphics/Bitmap.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

TImage::TImage()
{
    FPicture.OnChange = [this] { PictureChanged(); };
}

TImage::~TImage() = default;

void TImage::SetStretch(bool Value)
{
    if (Value == FStretch) return;
    FStretch = Value;
    Invalidate();
}

void TImage::SetAutoSize(bool Value)
{
    if (Value == FAutoSize) return;
    FAutoSize = Value;
    if (FAutoSize && FPicture.Graphic()) SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
}

void TImage::SetBounds(int Left, int Top, int Width, int Height)
{
    if (Left == FLeft && Top == FTop && Width == FWidth && Height == FHeight) return;
    FLeft = Left;
    FTop = Top;
    FWidth = Width;
    FHeight = Height;
    if (OnBoundsChanged) OnBoundsChanged();
    Invalidate();
}

void TImage::Invalidate()
{
    ++FRepaintRequests;
    if (OnRepaint) OnRepaint();
}

TCanvas& TImage::Canvas()
{
    if (FPicture.Graphic() == nullptr) {
        auto Bitmap = std::make_unique<TBitmap>();
        Bitmap->SetSize(FWidth, FHeight);
        FPicture.SetGraphic(std::move(Bitmap));
    }
    auto* Bitmap = dynamic_cast<TBitmap*>(FPicture.Graphic());
    if (Bitmap == nullptr) throw EInvalidGraphicOperation(Messages::SImageCanvasNeedsBitmap);
    return Bitmap->Canvas();
}

void TImage::PictureChanged()
{
    if (FAutoSize && FPicture.Graphic()) SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
    Invalidate();
}
