// The geometric operations of TKelvoImage. Each but Reverse builds a new bitmap and installs it; Reverse
// mirrors the picture's own bitmap. Turn and Reverse keep the picture's depth, Enlarge and Shrink resample at 24 bits
// and convert back, Trimming crops a bitmap or a metafile.

#include "engine/GeometryKernels.h"
#include "engine/KelvoImg.h"
#include "engine/TrimmingArea.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/system/Exceptions.h"

namespace {

// The source of every geometric operation is a section; a device-dependent or custom layout becomes
// 24 bits. Returns the pixel format after that.
TPixelFormat PrepareGeometrySource(TBitmap& Bitmap)
{
    Bitmap.SetHandleType(bmDIB);
    if (Bitmap.PixelFormat() == pfDevice || Bitmap.PixelFormat() == pfcustom) Bitmap.SetPixelFormat(pf24bit);
    return Bitmap.PixelFormat();
}

// A new section of Width × Height in Source's layout (bit count, bit fields) with a copy of its palette.
std::unique_ptr<TBitmap> NewLike(const TBitmap& Source, int Width, int Height)
{
    auto Result = std::make_unique<TBitmap>();
    Result->SetLayout(Width, Height, Source.BitCount(),
                      Source.HasBitFields() ? std::optional<TBitFields>(Source.BitFields()) : std::nullopt);
    Result->SetPalette(Source.ColorTable());
    return Result;
}

// A metafile cannot be cut record by record, so the part is cut from the whole picture drawn at 24 bits at
// its own size, and the new metafile holds that part as a bitmap.
std::unique_ptr<TMetafile> CroppedMetafile(const TMetafile& Source, const TRect& Part)
{
    TBitmap Whole;
    Whole.SetLayout(Source.Width(), Source.Height(), 24);
    Whole.Canvas().Draw(0, 0, Source);
    TBitmap Cut;
    Cut.SetLayout(Part.Right - Part.Left + 1, Part.Bottom - Part.Top + 1, 24);
    CropPixels(Whole, Cut, Part.Left, Part.Top);
    auto Result = std::make_unique<TMetafile>();
    Result->SetWidth(Cut.Width());
    Result->SetHeight(Cut.Height());
    Result->SetPalette(Source.Palette());
    {
        // The recording ends when the canvas goes.
        TMetafileCanvas Recording(*Result);
        Recording.Draw(0, 0, Cut);
    }
    // Units per inch 1, as for a metafile made from a bitmap: the size goes through the screen's resolution.
    Result->SetInch(1);
    return Result;
}

// Source itself when it is already at 24 bits, else a 24-bit copy held in Copy; the source is never
// changed.
const TBitmap& AtTwentyFourBits(const TBitmap& Source, TBitmap& Copy)
{
    if (Source.HandleType() == bmDIB && Source.PixelFormat() == pf24bit) return Source;
    Copy = Source;
    Copy.SetPixelFormat(pf24bit);
    return Copy;
}

std::unique_ptr<TBitmap> Resample(const TBitmap& Source, int NewWidth, int NewHeight, int AssertionLine,
                                  void (*Kernel)(const TBitmap&, TBitmap&))
{
    Assert(Source.Width() >= 1 && Source.Height() >= 1, "KelvoImg", AssertionLine);
    auto Result = std::make_unique<TBitmap>();
    Result->SetLayout(NewWidth, NewHeight, 24);
    TBitmap Copy;
    Kernel(AtTwentyFourBits(Source, Copy), *Result);
    return Result;
}

// Keeps AutoSize and Stretch off while the control's size and the picture change, so that neither
// resizes nor rescales the control in between.
struct TScalingOff
{
    bool AutoSize;
    bool Stretch;
};

TScalingOff SwitchScalingOff(TImage& Image)
{
    const TScalingOff Saved{Image.AutoSize(), Image.Stretch()};
    Image.SetAutoSize(false);
    Image.SetStretch(false);
    return Saved;
}

void RestoreScaling(TImage& Image, const TScalingOff& Saved)
{
    Image.SetStretch(Saved.Stretch);
    Image.SetAutoSize(Saved.AutoSize);
}

} // namespace

std::unique_ptr<TBitmap> TKelvoImage::BilinearResize(const TBitmap& Source, int NewWidth, int NewHeight)
{
    return Resample(Source, NewWidth, NewHeight, 639, BilinearPixels);
}

std::unique_ptr<TBitmap> TKelvoImage::AreaAverageResize(const TBitmap& Source, int NewWidth, int NewHeight)
{
    return Resample(Source, NewWidth, NewHeight, 2180, AreaAveragePixels);
}

void TKelvoImage::Resize(std::string_view Kind, int NewWidth, int NewHeight)
{
    Announce(Kind);
    if (!PassesGate(TOperationGate::Bitmap)) return;
    TBitmap& Source = *PictureBitmap();
    const TPixelFormat Format = PrepareGeometrySource(Source);
    if (!ArgumentsAccepted(Kind, {NewWidth, NewHeight})) return;
    auto Result = Kind == "Enlarge" ? BilinearResize(Source, NewWidth, NewHeight)
                                    : AreaAverageResize(Source, NewWidth, NewHeight);
    // 15- and 16-bit pictures end at 24 bits.
    if (Format == pf1bit || Format == pf4bit || Format == pf8bit || Format == pf32bit) Result->SetPixelFormat(Format);
    InstallBitmap(std::move(Result));
    Finish();
}

void TKelvoImage::Enlarge(int NewWidth, int NewHeight)
{
    Resize("Enlarge", NewWidth, NewHeight);
}

void TKelvoImage::Shrink(int NewWidth, int NewHeight)
{
    Resize("Shrink", NewWidth, NewHeight);
}

void TKelvoImage::Turn(int Angle)
{
    Announce("Turn");
    if (!PassesGate(TOperationGate::Bitmap) || !ArgumentsAccepted("Turn", {Angle})) return;
    // % takes the sign of the dividend: -90 turns like 270, 450 like 90.
    int Quarter = (Angle / 90) % 4 * 90;
    if (Quarter < 0) Quarter += 360;
    const TScalingOff Saved = SwitchScalingOff(*this);
    const int ControlWidth = Width();
    const int ControlHeight = Height();
    TBitmap& Source = *PictureBitmap();
    PrepareGeometrySource(Source);
    // A refusal here leaves AutoSize and Stretch off.
    if (!KeepsItsDepth(BitsPerPixel())) return;
    auto Result = Quarter == 180 ? NewLike(Source, Source.Width(), Source.Height())
                                 : NewLike(Source, Source.Height(), Source.Width());
    TurnPixels(Source, *Result, Quarter);
    if (Quarter != 180) SetBounds(Left(), Top(), ControlHeight, ControlWidth);
    InstallBitmap(std::move(Result));
    RestoreScaling(*this, Saved);
    Finish();
}

void TKelvoImage::Reverse()
{
    Announce("Reverse");
    if (!PassesGate(TOperationGate::Bitmap)) return;
    TBitmap& Source = *PictureBitmap();
    PrepareGeometrySource(Source);
    if (!KeepsItsDepth(BitsPerPixel())) return;
    // The mirror image has the picture's own size, layout and palette, so it is made in the picture's own
    // bitmap: a new one would cost a first touch of every page on top of the copy.
    ReversePixels(Source);
    Finish();
}

void TKelvoImage::Trimming(const TRect& Area, bool InPictureUnits)
{
    Announce("Trimming");
    if (!PassesGate(TOperationGate::BitmapOrMetafile)) return;
    const TTrimmingArea Scaled = ScaleTrimmingArea(Area, InPictureUnits, *this);
    int NewWidth = Width();
    int NewHeight = Height();
    if (!AutoSize() && Stretch()) {
        NewWidth = Scaled.Control.Right - Scaled.Control.Left + 1;
        NewHeight = Scaled.Control.Bottom - Scaled.Control.Top + 1;
    }
    if (!ArgumentsAccepted("Trimming", {Area.Left, Area.Top, Area.Right, Area.Bottom, InPictureUnits})) return;
    const TRect& Part = Scaled.Picture;
    const TScalingOff Saved = SwitchScalingOff(*this);
    if (TBitmap* Source = PictureBitmap()) {
        PrepareGeometrySource(*Source);
        auto Result = NewLike(*Source, Part.Right - Part.Left + 1, Part.Bottom - Part.Top + 1);
        CropPixels(*Source, *Result, Part.Left, Part.Top);
        SetBounds(Left(), Top(), NewWidth, NewHeight);
        InstallBitmap(std::move(Result));
    } else {
        auto Result = CroppedMetafile(static_cast<const TMetafile&>(*Picture().Graphic()), Part);
        SetBounds(Left(), Top(), NewWidth, NewHeight);
        Picture().SetGraphic(std::move(Result));
    }
    RestoreScaling(*this, Saved);
    Finish();
}
