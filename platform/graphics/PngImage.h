#pragma once
// TPngImage: a PNG picture (kind "Others"), held as a 32-bit bitmap with straight alpha in the fourth
// byte when the file has transparency, else as a 24-bit bitmap.

#include "platform/graphics/Bitmap.h"

class TPngImage : public TGraphic
{
public:
    TPngImage() = default;
    TPngImage(const TPngImage& Source);
    TPngImage& operator=(const TPngImage& Source);

    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }
    // Keeps the pixels of the overlapping area; new pixels are black (and transparent).
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    bool Empty() const override { return FBitmap.Empty(); }

    std::unique_ptr<TGraphic> Clone() const override;
    // Blends a picture with transparency over the canvas, draws any other opaquely.
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // Damaged data raise "ビットマップイメージが不正です".
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
    void SaveToStream(std::vector<std::uint8_t>& Bytes) const override;
    std::string DefaultExtension() const override { return "png"; }
    // The 24-bit pixels of a picture without transparency.
    const TBitmap* OpaqueBitmap() const override { return HasAlpha() ? nullptr : &FBitmap; }

    // Takes Source's pixels as an opaque 24-bit picture: a bitmap carries no alpha.
    void Assign(const TBitmap& Source);
    bool AssignFromBitmap(const TBitmap& Source) override
    {
        Assign(Source);
        return true;
    }
    const TBitmap& Bitmap() const { return FBitmap; }
    bool HasAlpha() const { return FBitmap.BitCount() == 32; }

private:
    TBitmap FBitmap;
};
