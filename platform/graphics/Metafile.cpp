#include "platform/graphics/Metafile.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BitmapPainter.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/graphics/emf/EmfPlayer.h"
#include "platform/graphics/emf/EmfRecords.h"
#include "platform/graphics/emf/WmfConvert.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "platform/system/Screen.h"

#include <climits>
#include <cstring>

namespace {

// The screen as a reference device: a 1920 × 1080 surface at its logical resolution.
void ScreenReference(TSize& Pixels, TSize& Microns)
{
    const int Dpi = ScreenPixelsPerInch();
    Pixels = TSize{1920, 1080};
    Microns = TSize{1920 * 25400 / Dpi, 1080 * 25400 / Dpi};
}

// Extent (0.01 mm) to pixels and back; the way back rounds up so that converting it again gives the
// pixels set (at most one extent unit per pixel of rounding).
int ExtentToPixels(std::int64_t Extent, std::int64_t Pixels, std::int64_t Per)
{
    return Per <= 0 ? 0 : int(std::min<std::int64_t>(Extent * Pixels / Per, INT_MAX));
}

int PixelsToExtent(std::int64_t Value, std::int64_t Pixels, std::int64_t Per)
{
    if (Pixels <= 0 || Value <= 0) return 0;
    return int((Value * Per + Pixels - 1) / Pixels);
}

// The extent between two edges of a frame, 0 for an inverted one.
int FrameExtent(std::int64_t From, std::int64_t To)
{
    return int(std::clamp<std::int64_t>(To - From, 0, INT_MAX));
}

// A file's frame must enclose a picture, and one a metafile may be drawn into at its physical size:
// anything else is refused before something is made at its size.
void RefuseUnusableFrame(std::span<const std::uint8_t> Emf)
{
    const TEmfHeaderInfo Header = ReadEmfHeader(Emf);
    const std::int64_t Width = std::int64_t(Header.FrameRight) - Header.FrameLeft;
    const std::int64_t Height = std::int64_t(Header.FrameBottom) - Header.FrameTop;
    const std::int64_t Dpi = ScreenPixelsPerInch();
    if (Width <= 0 || Height <= 0 ||
        std::max<std::int64_t>(1, Width * Dpi / 2540) * std::max<std::int64_t>(1, Height * Dpi / 2540) >
            MaxMetafilePixels)
        throw EInvalidGraphic(Messages::SInvalidMetafile);
}

// A 24-bit bitmap larger than this is played band by band: a picture at its physical size can be hundreds
// of megapixels, whose whole 32-bit copy would cost more memory and time than the drawing itself. Each
// band plays every record again, which smaller bitmaps are spared.
constexpr std::int64_t BandedPlayPixels = std::int64_t(1) << 22;

} // namespace

TMetafile::TMetafile()
{
    ScreenReference(FReferencePixels, FReferenceMicrons);
}

TMetafile::TMetafile(const TMetafile& Source) : TGraphic()
{
    CopyFrom(Source);
}

TMetafile& TMetafile::operator=(const TMetafile& Source)
{
    if (this != &Source) {
        CopyFrom(Source);
        Changed();
    }
    return *this;
}

TMetafile::~TMetafile() = default;

void TMetafile::CopyFrom(const TMetafile& Source)
{
    FData = Source.FData;
    FWmf = Source.FWmf;
    FWmfMMWidth = Source.FWmfMMWidth;
    FWmfMMHeight = Source.FWmfMMHeight;
    FMMWidth = Source.FMMWidth;
    FMMHeight = Source.FMMHeight;
    FInch = Source.FInch;
    FEnhanced = Source.FEnhanced;
    FPalette = Source.FPalette;
    FReferencePixels = Source.FReferencePixels;
    FReferenceMicrons = Source.FReferenceMicrons;
}

int TMetafile::Width() const
{
    // Pixels per 0.01 mm: logical dpi per 2540, or device pixels per (micrometres / 10).
    if (FInch != 0) return ExtentToPixels(FMMWidth, ScreenPixelsPerInch(), 2540);
    return ExtentToPixels(FMMWidth, FReferencePixels.cx, FReferenceMicrons.cx / 10);
}

int TMetafile::Height() const
{
    if (FInch != 0) return ExtentToPixels(FMMHeight, ScreenPixelsPerInch(), 2540);
    return ExtentToPixels(FMMHeight, FReferencePixels.cy, FReferenceMicrons.cy / 10);
}

void TMetafile::SetWidth(int Value)
{
    SetMMWidth(FInch != 0 ? PixelsToExtent(Value, ScreenPixelsPerInch(), 2540)
                          : PixelsToExtent(Value, FReferencePixels.cx, FReferenceMicrons.cx / 10));
}

void TMetafile::SetHeight(int Value)
{
    SetMMHeight(FInch != 0 ? PixelsToExtent(Value, ScreenPixelsPerInch(), 2540)
                           : PixelsToExtent(Value, FReferencePixels.cy, FReferenceMicrons.cy / 10));
}

void TMetafile::SetMMWidth(int Value)
{
    if (Value < 0 || Value == FMMWidth) return;
    FMMWidth = Value;
    Changed();
}

void TMetafile::SetMMHeight(int Value)
{
    if (Value < 0 || Value == FMMHeight) return;
    FMMHeight = Value;
    Changed();
}

void TMetafile::SetInch(int Value)
{
    if (Value < 0 || Value == FInch) return;
    FInch = Value;
    Changed();
}

void TMetafile::SetEnhanced(bool Value)
{
    FEnhanced = Value;
}

void TMetafile::SetPalette(TPalette Value)
{
    FPalette = std::move(Value);
    Changed();
}

void TMetafile::SetReference(TSize Pixels, TSize Microns)
{
    if (Pixels.cx <= 0 || Pixels.cy <= 0 || Microns.cx <= 0 || Microns.cy <= 0) return;
    FReferencePixels = Pixels;
    FReferenceMicrons = Microns;
}

void TMetafile::SetEmfBytes(std::vector<std::uint8_t> Bytes)
{
    ValidateEmf(Bytes);
    FWmf.clear();
    const TEmfHeaderInfo Header = ReadEmfHeader(Bytes);
    FData = std::move(Bytes);
    FMMWidth = FrameExtent(Header.FrameLeft, Header.FrameRight);
    FMMHeight = FrameExtent(Header.FrameTop, Header.FrameBottom);
    FReferencePixels = TSize{Header.DevicePixelsX, Header.DevicePixelsY};
    FReferenceMicrons = TSize{Header.DeviceMicronsX, Header.DeviceMicronsY};
    FPalette = TPalette();
    Changed();
}

void TMetafile::Clear()
{
    FData.clear();
    FWmf.clear();
    FMMWidth = FMMHeight = 0;
    FPalette = TPalette();
    ScreenReference(FReferencePixels, FReferenceMicrons);
    Changed();
}

std::unique_ptr<TGraphic> TMetafile::Clone() const
{
    return std::make_unique<TMetafile>(*this);
}

bool TMetafile::AssignFromBitmap(const TBitmap& Source)
{
    Clear();
    FInch = 0;
    SetWidth(Source.Width());
    SetHeight(Source.Height());
    {
        TMetafileCanvas Canvas(*this);
        Canvas.Draw(0, 0, Source);
    }
    SetInch(1);
    return true;
}

void TMetafile::Draw(TCanvas& Canvas, const TRect& Rect) const
{
    if (Empty() || Rect.Width() == 0 || Rect.Height() == 0) return;
    const QRectF Frame = EmfFrameInDevicePixels(FData);
    if (TBitmap* Target = Canvas.Device().Target()) {
        const QRectF Into(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
        if (Target->BitCount() == 24 && std::int64_t(Target->Width()) * Target->Height() > BandedPlayPixels) {
            PaintOnBitmapInBands(
                *Target, [&](QPainter& Painter, int Top) { PlayEmf(FData, Painter, Into, Frame, QPoint(0, Top)); });
            return;
        }
        PaintOnBitmap(*Target, [&](QPainter& Painter) { PlayEmf(FData, Painter, Into, Frame); });
        return;
    }
    // A device without pixels of its own gets the picture as a bitmap.
    TBitmap Work;
    Work.SetLayout(std::abs(Rect.Width()), std::abs(Rect.Height()), 32);
    PaintOnBitmap(Work, [&](QPainter& Painter) {
        Painter.fillRect(QRectF(0, 0, Work.Width(), Work.Height()), Qt::white);
        PlayEmf(FData, Painter, QRectF(0, 0, Work.Width(), Work.Height()), Frame);
    });
    Canvas.Device().StretchBitmap(Rect, Work, ::Rect(0, 0, Work.Width(), Work.Height()), TBlend::Opaque);
}

void TMetafile::LoadFromStream(std::span<const std::uint8_t> Bytes)
{
    if (IsWmf(Bytes)) {
        TWmfToEmf Converted = WmfToEmf(Bytes);
        RefuseUnusableFrame(Converted.Emf);
        SetEmfBytes(std::move(Converted.Emf));
        FInch = Converted.Inch;
        FEnhanced = false;
        if (FInch != 0) {
            FWmf.assign(Bytes.begin(), Bytes.end());
            FWmfMMWidth = FMMWidth;
            FWmfMMHeight = FMMHeight;
        }
    } else {
        RefuseUnusableFrame(Bytes);
        SetEmfBytes(std::vector<std::uint8_t>(Bytes.begin(), Bytes.end()));
        FInch = 0;
        FEnhanced = true;
    }
    Changed();
}

std::vector<std::uint8_t> TMetafile::FramedEmf() const
{
    std::vector<std::uint8_t> Bytes = FData;
    std::int32_t Frame[4];
    std::memcpy(Frame, Bytes.data() + 24, sizeof Frame);
    Frame[2] = Frame[0] + FMMWidth;
    Frame[3] = Frame[1] + FMMHeight;
    std::memcpy(Bytes.data() + 24, Frame, sizeof Frame);
    return Bytes;
}

void TMetafile::SaveToStream(std::vector<std::uint8_t>& Bytes) const
{
    if (Empty()) return;
    if (!FEnhanced && !FWmf.empty() && FMMWidth == FWmfMMWidth && FMMHeight == FWmfMMHeight) {
        Bytes.insert(Bytes.end(), FWmf.begin(), FWmf.end());
        return;
    }
    const std::vector<std::uint8_t> Emf = FramedEmf();
    if (FEnhanced) {
        Bytes.insert(Bytes.end(), Emf.begin(), Emf.end());
        return;
    }
    const std::vector<std::uint8_t> Wmf = EmfToWmf(Emf);
    Bytes.insert(Bytes.end(), Wmf.begin(), Wmf.end());
}
