// DrawHistogram: the blue, green and red level distribution of the picture, drawn into a bitmap or a
// metafile. It changes neither the picture nor the kind and fires no event.

#include "engine/HistogramKernel.h"
#include "engine/KelvoImg.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"

#include <optional>

void TKelvoImage::DrawHistogram(TGraphic& Target, int Scale, int Shift, int VerticalMax)
{
    auto* BitmapTarget = dynamic_cast<TBitmap*>(&Target);
    auto* MetafileTarget = dynamic_cast<TMetafile*>(&Target);
    if ((BitmapTarget == nullptr && MetafileTarget == nullptr) || Scale < 1 || Scale > 5 || Shift < 0 || Shift > 3 ||
        VerticalMax < 0 || VerticalMax > 100)
        return;

    // A picture without pixels (none, or 0 pixels wide or high) draws no curves and no percentage label.
    std::optional<THistogram> Percentages;
    const std::int64_t Pixels = std::int64_t(Picture().Width()) * Picture().Height();
    if (PictureType() != picNil && Pixels > 0) {
        const TBitmap* Source = PictureBitmap();
        if (Source != nullptr && Source->HandleType() == bmDIB && Source->PixelFormat() == pf24bit) {
            // Already the working layout: counted where it is, without a copy.
            Percentages = CountLevels(*Source, Shift);
        } else {
            TBitmap Work;
            if (Source != nullptr) {
                Work = *Source;
            } else {
                Work.SetSize(Picture().Width(), Picture().Height());
                Work.Canvas().Draw(0, 0, *Picture().Graphic());
            }
            Work.SetPixelFormat(pf24bit);
            Percentages = CountLevels(Work, Shift);
        }
        VerticalMax = ChooseVerticalMax(VerticalMax, ToPercentages(*Percentages, Pixels));
    }

    const THistogram* Curves = Percentages ? &*Percentages : nullptr;
    if (BitmapTarget != nullptr) {
        BitmapTarget->SetSize(286 * Scale, 175 * Scale);
        DrawHistogramOn(BitmapTarget->Canvas(), Curves, Scale, VerticalMax);
        BitmapTarget->Modified();
    } else {
        MetafileTarget->SetWidth(286 * Scale);
        MetafileTarget->SetHeight(175 * Scale);
        {
            // Releasing the recording canvas ends the recording.
            TMetafileCanvas Recording(*MetafileTarget);
            DrawHistogramOn(Recording, Curves, Scale, VerticalMax);
        }
        MetafileTarget->SetInch(1);
    }
}
