#include "platform/graphics/Bitmap.h"

#include "platform/graphics/Canvas.h"
#include "platform/graphics/RasterDevice.h"
#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <algorithm>
#include <cstring>

TBitmap::TBitmap() = default;

TBitmap::TBitmap(const TBitmap& Source) : TGraphic()
{
    CopyFrom(Source);
}

TBitmap& TBitmap::operator=(const TBitmap& Source)
{
    if (this != &Source) {
        CopyFrom(Source);
        Changed();
    }
    return *this;
}

TBitmap::TBitmap(TBitmap&& Source) noexcept
    : TGraphic(), FWidth(Source.FWidth), FHeight(Source.FHeight), FBitCount(Source.FBitCount),
      FBitFields(Source.FBitFields), FHandleType(Source.FHandleType), FPalette(std::move(Source.FPalette)),
      FRowBytes(Source.FRowBytes), FBits(std::move(Source.FBits))
{
    Source.FWidth = Source.FHeight = 0;
    Source.FRowBytes = 0;
}

TBitmap& TBitmap::operator=(TBitmap&& Source) noexcept
{
    if (this != &Source) {
        FWidth = Source.FWidth;
        FHeight = Source.FHeight;
        FBitCount = Source.FBitCount;
        FBitFields = Source.FBitFields;
        FHandleType = Source.FHandleType;
        FPalette = std::move(Source.FPalette);
        FRowBytes = Source.FRowBytes;
        FBits = std::move(Source.FBits);
        Source.FWidth = Source.FHeight = 0;
        Source.FRowBytes = 0;
    }
    return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::Allocate(int NewWidth, int NewHeight, int NewBitCount, bool Zeroed)
{
    if (NewWidth < 0 || NewHeight < 0) throw EInvalidGraphic(Messages::SInvalidBitmap);
    const std::size_t RowBytes = BytesPerScanLine(NewWidth, NewBitCount);
    const std::size_t Total = RowBytes * std::size_t(NewHeight);
    FBits = Zeroed ? TLargeBlock(Total) : TLargeBlock::ForOverwrite(Total);
    FWidth = NewWidth;
    FHeight = NewHeight;
    FBitCount = NewBitCount;
    FRowBytes = RowBytes;
}

void TBitmap::CopyFrom(const TBitmap& Source)
{
    Allocate(Source.FWidth, Source.FHeight, Source.FBitCount, false);
    FBitFields = Source.FBitFields;
    FHandleType = Source.FHandleType;
    FPalette = Source.FPalette;
    if (FRowBytes * std::size_t(FHeight) > 0)
        std::memcpy(FBits.get(), Source.FBits.get(), FRowBytes * std::size_t(FHeight));
}

void TBitmap::SetSize(int NewWidth, int NewHeight)
{
    if (NewWidth == FWidth && NewHeight == FHeight) return;
    TBitmap Old(std::move(*this));
    FBitFields = Old.FBitFields;
    FHandleType = Old.FHandleType;
    FPalette = Old.FPalette;
    Allocate(NewWidth, NewHeight, Old.FBitCount, true);
    const std::size_t Bytes = std::min(FRowBytes, BytesPerScanLine(std::min(FWidth, Old.FWidth), FBitCount));
    for (int Y = 0; Y < std::min(FHeight, Old.FHeight); ++Y)
        std::memcpy(FBits.get() + std::size_t(Y) * FRowBytes, Old.FBits.get() + std::size_t(Y) * Old.FRowBytes, Bytes);
    Changed();
}

void TBitmap::CheckBitCount(int BitCount)
{
    switch (BitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return;
    default:
        throw EInvalidGraphic(Messages::SInvalidPixelFormat);
    }
}

void TBitmap::SetLayout(int NewWidth, int NewHeight, int NewBitCount, std::optional<TBitFields> NewBitFields)
{
    CheckBitCount(NewBitCount);
    Allocate(NewWidth, NewHeight, NewBitCount, true);
    FBitFields = NewBitFields;
    FHandleType = bmDIB;
}

void TBitmap::SetLayoutForOverwrite(int NewWidth, int NewHeight, int NewBitCount,
                                    std::optional<TBitFields> NewBitFields)
{
    CheckBitCount(NewBitCount);
    Allocate(NewWidth, NewHeight, NewBitCount, false);
    FBitFields = NewBitFields;
    FHandleType = bmDIB;
    const std::size_t UsedBytes = (std::size_t(FWidth) * std::size_t(FBitCount) + 7) / 8;
    if (UsedBytes < FRowBytes)
        for (int Y = 0; Y < FHeight; ++Y)
            std::memset(FBits.get() + std::size_t(Y) * FRowBytes + UsedBytes, 0, FRowBytes - UsedBytes);
}

TPixelFormat TBitmap::PixelFormat() const
{
    if (FHandleType == bmDDB) return pfDevice;
    switch (FBitCount) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        if (!FBitFields || *FBitFields == BitFields555) return pf15bit;
        return *FBitFields == BitFields565 ? pf16bit : pfcustom;
    case 24:
        return pf24bit;
    case 32:
        return FBitFields ? pfcustom : pf32bit;
    default:
        return pfcustom;
    }
}

void TBitmap::SetHandleType(TBitmapHandleType Value)
{
    if (Value == FHandleType) return;
    if (Value == bmDIB) {
        // A device-dependent bitmap already holds the 32-bit layout of a plain section.
        FHandleType = bmDIB;
    } else {
        SetPixelFormat(pfDevice);
    }
}

std::uint8_t* TBitmap::ScanLine(int Y)
{
    if (Y < 0 || Y >= FHeight) throw EListError(Messages::SScanLineOutOfRange);
    FHandleType = bmDIB;
    return FBits.get() + std::size_t(Y) * FRowBytes;
}

const std::uint8_t* TBitmap::ScanLine(int Y) const
{
    if (Y < 0 || Y >= FHeight) throw EListError(Messages::SScanLineOutOfRange);
    return FBits.get() + std::size_t(Y) * FRowBytes;
}

void TBitmap::SetPalette(TPalette Value)
{
    FPalette = std::move(Value);
    Changed();
}

TCanvas& TBitmap::Canvas()
{
    if (!FCanvas) FCanvas = std::make_unique<TCanvas>(MakeRasterDevice(*this));
    return *FCanvas;
}

void TBitmap::Assign(const TGraphic& Source)
{
    if (&Source == this) return;
    if (const auto* Other = dynamic_cast<const TBitmap*>(&Source)) {
        CopyFrom(*Other);
    } else if (!Source.AssignTo(*this)) {
        SetLayout(Source.Width(), Source.Height(), 24);
        Canvas().Brush = TBrush{clWhite, bsSolid};
        Canvas().FillRect(Rect(0, 0, FWidth, FHeight));
        Canvas().Draw(0, 0, Source);
    }
    Changed();
}

std::unique_ptr<TGraphic> TBitmap::Clone() const
{
    return std::make_unique<TBitmap>(*this);
}

void TBitmap::Draw(TCanvas& Target, const TRect& Rect) const
{
    Target.Device().StretchBitmap(Rect, *this, ::Rect(0, 0, FWidth, FHeight), TBlend::Opaque);
}

void TBitmap::LoadFromStream(std::span<const std::uint8_t> Bytes)
{
    ReadBmp(Bytes, *this);
    Changed();
}

void TBitmap::SaveToStream(std::vector<std::uint8_t>& Bytes) const
{
    WriteBmp(*this, Bytes);
}

std::vector<std::span<const std::uint8_t>> TBitmap::FileParts(std::vector<std::uint8_t>& Scratch) const
{
    return BmpFileParts(*this, Scratch);
}
