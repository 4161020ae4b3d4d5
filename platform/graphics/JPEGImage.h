#pragma once
// TJPEGImage: a JPEG picture. It keeps its compressed bytes and decodes them on demand into a cached
// upright 24-bit bitmap; made from a bitmap, it compresses at quality 90, colour, sequential.

#include "platform/graphics/Graphic.h"

#include <memory>

class TJPEGImage : public TGraphic
{
public:
    // The quality every JPEG picture made from a bitmap is compressed at.
    static constexpr int CompressionQuality = 90;

    TJPEGImage() = default;
    TJPEGImage(const TJPEGImage& Source);
    TJPEGImage& operator=(const TJPEGImage& Source);

    // The size as shown, after the EXIF orientation; read from the header, without decoding.
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // A JPEG picture's size follows from its data; setting it changes nothing.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override { return FData.empty(); }

    std::unique_ptr<TGraphic> Clone() const override;
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // Keeps Bytes after reading their header; damaged data raises "JPEG エラー #%d".
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
    // Appends the compressed bytes as they were loaded or made.
    void SaveToStream(std::vector<std::uint8_t>& Bytes) const override;
    std::string DefaultExtension() const override { return "jpg"; }
    // Target := the decoded picture at 24 bits a pixel.
    bool AssignTo(TBitmap& Target) const override;

    // Compresses Source (any pixel format) into this picture.
    void Assign(const TBitmap& Source);
    bool AssignFromBitmap(const TBitmap& Source) override
    {
        Assign(Source);
        return true;
    }
    // Gives this picture's file the EXIF block of OpenedFile (the bytes of the JPEG file the picture was
    // opened from), with orientation 1 and this picture's size; nothing when OpenedFile holds none.
    void CarryExifFrom(std::span<const std::uint8_t> OpenedFile);
    // The decoded picture, upright, at 24 bits a pixel; decoded on the first call. Raises
    // "JPEG エラー #%d" when the data turn out damaged; an empty picture gives an empty bitmap.
    const TBitmap& Bitmap() const;

private:
    std::vector<std::uint8_t> FData;
    int FWidth = 0;
    int FHeight = 0;
    // Decoded pixels never change, so copies of the picture share them.
    mutable std::shared_ptr<const TBitmap> FBitmap;
};
