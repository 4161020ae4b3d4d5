#pragma once
// TMetafile: a picture held as an EMF record stream. Saved as EMF when Enhanced, otherwise as a
// placeable WMF; ".wmf" files are read by translating their records to EMF.

#include "platform/graphics/Graphic.h"

#include <cstdint>
#include <span>
#include <vector>

// The most pixels a metafile may be drawn into at its physical size: a file whose frame asks for more is
// refused when it is read. Large enough for charts of some 190 megapixels.
constexpr std::int64_t MaxMetafilePixels = std::int64_t(1) << 28;

class TMetafile : public TGraphic
{
public:
    TMetafile();
    TMetafile(const TMetafile& Source);
    TMetafile& operator=(const TMetafile& Source);
    ~TMetafile() override;

    // The size in pixels. With Inch 0 it follows from the frame through the reference device the
    // records were made for; with Inch not 0 through the screen's logical resolution (physical measure:
    // pixels = extent in 0.01 mm × pixels per inch ÷ 2540, truncated). Setting either converts back,
    // rounding up so that the size read back is the size set.
    int Width() const override;
    int Height() const override;
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    bool Empty() const override { return FData.empty(); }

    // The frame's extent in 0.01 mm.
    int MMWidth() const { return FMMWidth; }
    int MMHeight() const { return FMMHeight; }
    void SetMMWidth(int Value);
    void SetMMHeight(int Value);

    // Units per inch; not 0 selects physical measure. A placeable WMF brings its own value.
    int Inch() const { return FInch; }
    void SetInch(int Value);

    // False: saved as a placeable WMF.
    bool Enhanced() const { return FEnhanced; }
    void SetEnhanced(bool Value);

    TPalette Palette() const override { return FPalette; }
    void SetPalette(TPalette Value);

    // The EMF record stream, header first, end-of-file record last; empty for an empty metafile.
    std::span<const std::uint8_t> EmfBytes() const { return FData; }
    // Replaces the records by an EMF stream (checked; "メタファイルが不正です" when unusable) and takes
    // the frame, reference device and palette from it.
    void SetEmfBytes(std::vector<std::uint8_t> Bytes);
    void Clear();

    // The reference device the records were made for, in pixels and micrometres.
    TSize ReferencePixels() const { return FReferencePixels; }
    TSize ReferenceMicrons() const { return FReferenceMicrons; }
    // The device a new recording is made against (the recording canvas sets it).
    void SetReference(TSize Pixels, TSize Microns);

    std::unique_ptr<TGraphic> Clone() const override;
    // Records Source at (0, 0) at its size, in physical measure.
    bool AssignFromBitmap(const TBitmap& Source) override;
    // Plays the records with the frame stretched into Rect.
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // Reads an EMF file, a placeable WMF or a plain WMF, whichever the bytes hold; "メタファイルが不正です"
    // when its frame is empty or inverted or asks for more than MaxMetafilePixels.
    void LoadFromStream(std::span<const std::uint8_t> Bytes) override;
    void SaveToStream(std::vector<std::uint8_t>& Bytes) const override;
    std::string DefaultExtension() const override { return FEnhanced ? "emf" : "wmf"; }

private:
    void CopyFrom(const TMetafile& Source);
    // The EMF with its header's frame set to the current extent.
    std::vector<std::uint8_t> FramedEmf() const;

    std::vector<std::uint8_t> FData;
    // The placeable WMF file the records were read from, written again as it is (its text in the bytes
    // and character sets it came with) while the picture keeps the frame it was read with.
    std::vector<std::uint8_t> FWmf;
    int FWmfMMWidth = 0;
    int FWmfMMHeight = 0;
    int FMMWidth = 0;
    int FMMHeight = 0;
    int FInch = 0;
    bool FEnhanced = true;
    TPalette FPalette;
    TSize FReferencePixels;
    TSize FReferenceMicrons;
};
