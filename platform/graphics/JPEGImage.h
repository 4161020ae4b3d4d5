#pragma once
// TJPEGImage: a JPEG picture. It keeps its compressed bytes and decodes them on demand into a cached
// upright 24-bit bitmap; made from a bitmap, it compresses at quality 90, colour, sequential.

#include "platform/graphics/FileImage.h"

class TJPEGImage : public TFileImage
{
public:
    // The quality every JPEG picture made from a bitmap is compressed at.
    static constexpr int CompressionQuality = 90;

    TJPEGImage() = default;
    TJPEGImage(const TJPEGImage& Source) = default;
    TJPEGImage& operator=(const TJPEGImage& Source) = default;

    // Width and Height are the size as shown, after the EXIF orientation, read from the header without
    // decoding; Bitmap is the decoded picture at 24 bits a pixel.

    std::unique_ptr<TGraphic> Clone() const override;
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // Keeps Bytes after reading their header; damaged data raises "JPEG エラー #%d".
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
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

protected:
    // Damaged data raise "JPEG エラー #%d".
    void Decode(std::span<const std::uint8_t> Bytes, TBitmap& Target) const override;
};
