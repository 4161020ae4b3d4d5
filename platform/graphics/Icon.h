#pragma once
// TIcon: an icon file. It keeps the file's bytes for saving and shows its best entry (the largest,
// then the deepest) through a 32-bit bitmap with straight alpha made from the entry's mask or alpha.

#include "platform/graphics/Bitmap.h"

class TIcon : public TGraphic
{
public:
    TIcon() = default;
    TIcon(const TIcon& Source);
    TIcon& operator=(const TIcon& Source);

    int Width() const override { return FImage.Width(); }
    int Height() const override { return FImage.Height(); }
    // An icon's size is that of its entries; setting it changes nothing.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override { return FImage.Empty(); }

    std::unique_ptr<TGraphic> Clone() const override;
    // Blends the best entry over the canvas through its alpha, as the desktop draws icons. A bitmap
    // assigned an icon is drawn on in the same way: the entry's alpha never becomes a bitmap's pixels.
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // Damaged files raise "アイコンイメージが不正です", the icon left as it was.
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
    // Appends the file's bytes as they were loaded.
    void SaveToStream(std::vector<std::uint8_t>& Bytes) const override;
    std::string DefaultExtension() const override { return "ico"; }
    // The best entry, 32 bits with straight alpha.
    const TBitmap& Bitmap() const { return FImage; }

private:
    std::vector<std::uint8_t> FData;
    TBitmap FImage;
};
