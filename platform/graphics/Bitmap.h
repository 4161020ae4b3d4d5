#pragma once
// TBitmap: a device-independent bitmap (or a device-dependent one held in the screen's 32-bit layout),
// with its pixel format, optional bit-field masks, palette and padded rows.

#include "platform/graphics/Graphic.h"
#include "platform/system/LargeBlock.h"

#include <cstdint>
#include <memory>
#include <optional>

enum TPixelFormat
{
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfcustom
};
enum TBitmapHandleType
{
    bmDIB,
    bmDDB
};

// Masks of a bit-field layout (16 or 32 bits per pixel).
struct TBitFields
{
    std::uint32_t Red = 0;
    std::uint32_t Green = 0;
    std::uint32_t Blue = 0;
    friend bool operator==(const TBitFields&, const TBitFields&) = default;
};

constexpr TBitFields BitFields565{0xF800, 0x07E0, 0x001F};
constexpr TBitFields BitFields555{0x7C00, 0x03E0, 0x001F};

// Bytes of one row of Width pixels at BitCount bits, padded to 4 bytes.
constexpr std::size_t BytesPerScanLine(int Width, int BitCount)
{
    return ((std::size_t(Width) * std::size_t(BitCount) + 31) / 32) * 4;
}

// A new bitmap is an empty device-dependent bitmap (pfDevice), as on the desktop it stands in for.
class TBitmap : public TGraphic
{
public:
    TBitmap();
    TBitmap(const TBitmap& Source);
    TBitmap& operator=(const TBitmap& Source);
    TBitmap(TBitmap&& Source) noexcept;
    TBitmap& operator=(TBitmap&& Source) noexcept;
    ~TBitmap() override;

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int Value) override { SetSize(Value, FHeight); }
    void SetHeight(int Value) override { SetSize(FWidth, Value); }
    // Changes the size, keeping the pixels of the overlapping area; new pixels are black.
    void SetSize(int NewWidth, int NewHeight);
    bool Empty() const override { return FWidth == 0 || FHeight == 0; }

    TPixelFormat PixelFormat() const;
    // Converts the pixels to Value; pf8bit maps onto the halftone palette, pf4bit onto the 16 standard
    // colours, pf1bit onto black and white, pfDevice makes a device-dependent bitmap.
    void SetPixelFormat(TPixelFormat Value);

    TBitmapHandleType HandleType() const { return FHandleType; }
    // bmDIB turns a device-dependent bitmap into a 32-bit section; bmDDB turns a section into a
    // device-dependent bitmap in the screen's 32-bit layout.
    void SetHandleType(TBitmapHandleType Value);

    // Bits per pixel of the pixel layout (1, 4, 8, 16, 24 or 32).
    int BitCount() const { return FBitCount; }
    bool HasBitFields() const { return FBitFields.has_value(); }
    TBitFields BitFields() const { return FBitFields.value_or(TBitFields{}); }

    // Address of row Y, 0 at the top; raises "スキャンライン のインデックスが範囲を越えました" outside
    // the bitmap. The writable form turns a device-dependent bitmap into a section first.
    std::uint8_t* ScanLine(int Y);
    const std::uint8_t* ScanLine(int Y) const;
    std::size_t RowBytes() const { return FRowBytes; }

    // Replaces the layout without converting pixels: the rows are reallocated and zeroed. Used by the
    // codecs and by conversions that write every pixel themselves.
    void SetLayout(int NewWidth, int NewHeight, int NewBitCount, std::optional<TBitFields> NewBitFields = std::nullopt);
    // The same for callers that write every pixel of every row: only the padding at the end of each row
    // is zeroed, the pixels' bytes are left as the reused memory holds them.
    void SetLayoutForOverwrite(int NewWidth, int NewHeight, int NewBitCount,
                               std::optional<TBitFields> NewBitFields = std::nullopt);

    TPalette Palette() const override { return FPalette; }
    // The colour table of a bitmap of 8 bits or fewer; kept but unused above 8 bits.
    const TPalette& ColorTable() const { return FPalette; }
    void SetPalette(TPalette Value);

    TCanvas& Canvas();

    void Assign(const TGraphic& Source);
    std::unique_ptr<TGraphic> Clone() const override;
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
    void SaveToStream(std::vector<std::uint8_t>& Bytes) const override;
    std::vector<std::span<const std::uint8_t>> FileParts(std::vector<std::uint8_t>& Scratch) const override;
    std::string DefaultExtension() const override { return "bmp"; }

    // Announces a change of pixels made through ScanLine.
    void Modified() const { Changed(); }

private:
    // Rows of zeros, or of unspecified bytes where Zeroed is false.
    void Allocate(int NewWidth, int NewHeight, int NewBitCount, bool Zeroed);
    static void CheckBitCount(int BitCount);
    void CopyFrom(const TBitmap& Source);

    int FWidth = 0;
    int FHeight = 0;
    int FBitCount = 32;
    std::optional<TBitFields> FBitFields;
    TBitmapHandleType FHandleType = bmDDB;
    TPalette FPalette;
    std::size_t FRowBytes = 0;
    TLargeBlock FBits;
    std::unique_ptr<TCanvas> FCanvas;
};
