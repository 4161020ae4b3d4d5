#include "engine/KelvoImg.h"

#include "engine/GeometryKernels.h"

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"

TKelvoImage::TKelvoImage() = default;

TKelvoImage::~TKelvoImage() = default;

TPictureType TKelvoImage::PictureType() const
{
    const TGraphic* Graphic = Picture().Graphic();
    if (Graphic == nullptr) return picNil;
    if (dynamic_cast<const TBitmap*>(Graphic) != nullptr) return picBitmap;
    if (dynamic_cast<const TMetafile*>(Graphic) != nullptr) return picMetafile;
    if (dynamic_cast<const TIcon*>(Graphic) != nullptr) return picIcon;
    return picUnknown;
}

void TKelvoImage::SetPictureType(TPictureType Value)
{
    if (Value == PictureType() || Value == picIcon || Value == picUnknown) return;
    if (Value == picNil) {
        Picture().SetGraphic(nullptr);
        return;
    }
    auto Work = std::make_unique<TBitmap>();
    if (const TBitmap* Source = PictureBitmap()) {
        *Work = *Source;
    } else if (const TGraphic* Graphic = Picture().Graphic()) {
        Work->SetSize(Graphic->Width(), Graphic->Height());
        Work->Canvas().Draw(0, 0, *Graphic);
    }
    if (Value == picBitmap) {
        Picture().SetGraphic(std::move(Work));
        return;
    }
    auto Metafile = std::make_unique<TMetafile>();
    Metafile->SetWidth(Work->Width());
    Metafile->SetHeight(Work->Height());
    {
        // The recording ends when the canvas goes.
        TMetafileCanvas Canvas(*Metafile);
        Canvas.Draw(0, 0, *Work);
    }
    // Units per inch 1: the size is reported through the screen's logical resolution.
    Metafile->SetInch(1);
    Picture().SetGraphic(std::move(Metafile));
}

int TKelvoImage::BitsPerPixel()
{
    TBitmap* Bitmap = PictureBitmap();
    if (Bitmap == nullptr) return 0;
    Bitmap->SetHandleType(bmDIB);
    // An empty bitmap has no section to describe.
    return Bitmap->Empty() ? 0 : Bitmap->BitCount();
}

void TKelvoImage::DoAmend()
{
    if (OnAmend) OnAmend(this, FKind);
}

void TKelvoImage::DoAmended()
{
    if (OnAmended) OnAmended(this, FKind);
}

bool TKelvoImage::RunInPlace(std::string_view Kind, std::initializer_list<TArgument> Arguments,
                             const TInPlaceKernel& Kernel)
{
    Announce(Kind);
    if (!ArgumentsAccepted(Kind, Arguments) || !PassesGate(FindOperation(Kind)->Gate)) return false;
    TBitmap& Work = *PictureBitmap();
    const TPixelFormat Original = NormalisePixelFormat(Work);
    const bool Completed = Kernel(Work);
    RestorePixelFormat(Work, Original);
    if (!Completed) return false;
    Finish();
    return true;
}

bool TKelvoImage::RunIntoNew(std::string_view Kind, std::initializer_list<TArgument> Arguments,
                             const TIntoNewKernel& Kernel)
{
    Announce(Kind);
    if (!ArgumentsAccepted(Kind, Arguments) || !PassesGate(FindOperation(Kind)->Gate)) return false;
    TBitmap& Source = *PictureBitmap();
    const TPixelFormat Original = NormalisePixelFormat(Source);
    auto Result = std::make_unique<TBitmap>();
    Result->SetLayout(Source.Width(), Source.Height(), 24);
    Result->SetPalette(Source.Palette());
    Kernel(Source, *Result);
    RestorePixelFormat(*Result, Original);
    InstallBitmap(std::move(Result));
    Finish();
    return true;
}

void TKelvoImage::Announce(std::string_view Kind)
{
    FKind = Kind;
    DoAmend();
}

bool TKelvoImage::ArgumentsAccepted(std::string_view Kind, std::initializer_list<TArgument> Arguments) const
{
    const TOperationInfo* Operation = FindOperation(Kind);
    return Operation != nullptr && ::ArgumentsPass(*Operation, Arguments, *this);
}

bool TKelvoImage::PassesGate(TOperationGate Gate)
{
    switch (Gate) {
    case TOperationGate::None:
        return true;
    case TOperationGate::BitsAtLeast8:
        return BitsPerPixel() >= 8;
    case TOperationGate::BitsAtLeast9:
        return BitsPerPixel() >= 9;
    case TOperationGate::Bitmap:
        return PictureType() == picBitmap;
    case TOperationGate::BitmapOrMetafile:
        return PictureType() == picBitmap || PictureType() == picMetafile;
    case TOperationGate::BitmapAnyDepth:
        return PictureType() == picBitmap && KeepsItsDepth(BitsPerPixel());
    }
    return false;
}

TBitmap* TKelvoImage::PictureBitmap() const
{
    return dynamic_cast<TBitmap*>(Picture().Graphic());
}

TPixelFormat TKelvoImage::NormalisePixelFormat(TBitmap& Bitmap)
{
    TPixelFormat Format = Bitmap.PixelFormat();
    if (Format == pfDevice || Format == pfcustom) {
        Bitmap.SetPixelFormat(pf24bit);
        Format = Bitmap.PixelFormat();
    }
    if (Format != pf24bit) Bitmap.SetPixelFormat(pf24bit);
    return Format;
}

void TKelvoImage::RestorePixelFormat(TBitmap& Bitmap, TPixelFormat Original)
{
    if (Original == pf8bit || Original == pf32bit) Bitmap.SetPixelFormat(Original);
}

void TKelvoImage::InstallBitmap(std::unique_ptr<TBitmap> Result)
{
    Picture().SetGraphic(std::move(Result));
}

void TKelvoImage::Finish()
{
    Invalidate();
    DoAmended();
}
