#pragma once
// TKelvoImage: the picture component. It owns one picture and carries out every named operation on it
// under one protocol: kind string and OnAmend, silent refusal, pixel-format normalisation, compute,
// restore, install, repaint, OnAmended.

#include "platform/controls/Image.h"
#include "platform/graphics/Bitmap.h"
#include "reduce/Reduce.h"

#include <functional>
#include <memory>
#include <string>

enum TPictureType
{
    picNil,
    picBitmap,
    picMetafile,
    picIcon,
    picUnknown
};

class TKelvoImage;
using TNotifyAmendEvent = std::function<void(TKelvoImage* Sender, const std::string& Kind)>;

class TKelvoImage : public TImage
{
public:
    TKelvoImage();
    ~TKelvoImage() override;

    TPictureType PictureType() const;
    void SetPictureType(TPictureType Value);
    // Bits per pixel of the picture's bitmap section (0 for no bitmap); turns a device-dependent bitmap
    // into a section.
    int BitsPerPixel();

    const std::string& Kind() const { return FKind; }

    TNotifyAmendEvent OnAmend;
    TNotifyAmendEvent OnAmended;

    // Tone operations.
    void Automatic(int Level);
    void BlackAndWhite(int Level, int& Threshold);
    void Bright(int Percent);
    void Contrast(int Percent);
    void Gamma(long double Value);
    void GrayScale();
    void Light(int Delta);
    void Linear(int Slope, int Offset);
    void Negative();
    void Posterization(int Levels);
    void Sepia();
    void Spread(int InLow, int InHigh, int OutHigh, int OutLow);
    void GetLevelRange(int& Low, int& High, int Step, int Percent);

    // Neighbourhood filters.
    void Blur();
    void Edge(int Level);
    void Median(int Level);
    void Mosaic(int BlockSize);
    void Sobel(int Level, bool Overlay);

    // Geometry. Trimming's Area is inclusive: Right and Bottom name the last column and row.
    void Enlarge(int NewWidth, int NewHeight);
    void Shrink(int NewWidth, int NewHeight);
    void Turn(int Angle);
    void Reverse();
    void Trimming(const TRect& Area, bool InPictureUnits);
    static std::unique_ptr<TBitmap> BilinearResize(const TBitmap& Source, int NewWidth, int NewHeight);
    static std::unique_ptr<TBitmap> AreaAverageResize(const TBitmap& Source, int NewWidth, int NewHeight);

    // Framing effect.
    void Framing(int FrameWidth, int Contrast, bool LightFromLeft);

    // Histogram of the blue, green and red levels, drawn into a bitmap or metafile Target.
    void DrawHistogram(TGraphic& Target, int Scale, int Shift, int VerticalMax);

    // Colour reduction to 256 colours.
    void Reduce(TReduceMode Mode);

protected:
    virtual void DoAmend();
    virtual void DoAmended();

private:
    std::string FKind;
};
