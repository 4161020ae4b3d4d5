#pragma once
// TKelvoImage: the picture component. It owns one picture and carries out every named operation on it
// under one protocol: kind string and OnAmend, silent refusal, pixel-format normalisation, compute,
// restore, install, repaint, OnAmended.

#include "engine/OperationTable.h"
#include "platform/controls/Image.h"
#include "platform/graphics/Bitmap.h"
#include "reduce/Reduce.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

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
    // Light(Delta), Gamma(Value), Contrast(ContrastPercent) and Bright(BrightPercent), in this order and
    // with their events; a 24-bit picture watched by no event handler changes in one pass.
    void AdjustTones(int Delta, long double Value, int ContrastPercent, int BrightPercent);

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
    // The operation protocol, written once. Kind names the operation's entry in the operation table, whose
    // bounds, conditions and gate decide a refusal; a refusal stops silently after OnAmend.

    // A kernel that changes the picture's own 24-bit bitmap; returning false stops the operation after
    // the pixel format is restored, without repaint or OnAmended.
    using TInPlaceKernel = std::function<bool(TBitmap& Work)>;
    // A kernel that reads only the untouched 24-bit Source and fills Result, a new 24-bit bitmap of the
    // same size with a copy of Source's palette.
    using TIntoNewKernel = std::function<void(const TBitmap& Source, TBitmap& Result)>;

    // Kind and OnAmend, argument check, gate, normalisation to 24 bits, Kernel on the picture's bitmap,
    // restore, repaint, OnAmended. Returns whether OnAmended fired.
    bool RunInPlace(std::string_view Kind, std::initializer_list<TArgument> Arguments, const TInPlaceKernel& Kernel);
    template <class TKernel>
    requires std::is_void_v<std::invoke_result_t<TKernel&, TBitmap&>>
    bool RunInPlace(std::string_view Kind, std::initializer_list<TArgument> Arguments, TKernel&& Kernel)
    {
        return RunInPlace(Kind, Arguments, TInPlaceKernel([&Kernel](TBitmap& Work) {
                              Kernel(Work);
                              return true;
                          }));
    }
    // As RunInPlace, but Kernel builds a new bitmap, which gets the restored pixel format and is
    // installed as the picture's graphic. Returns whether OnAmended fired.
    bool RunIntoNew(std::string_view Kind, std::initializer_list<TArgument> Arguments, const TIntoNewKernel& Kernel);

    // The protocol's steps, for operations with a flow of their own (geometry, Spread, Automatic).
    // Step 1: FKind := Kind, then DoAmend.
    void Announce(std::string_view Kind);
    // Step 2: Arguments against Kind's table entry (bounds and conditions).
    bool ArgumentsAccepted(std::string_view Kind, std::initializer_list<TArgument> Arguments) const;
    // Step 3: the gate; the BitsPerPixel gates turn a device-dependent bitmap into a section.
    bool PassesGate(TOperationGate Gate);
    // The picture's graphic as a bitmap, or null.
    TBitmap* PictureBitmap() const;
    // Step 4: brings Bitmap to pf24bit (a device-dependent or custom layout counts as 24 bits) and returns
    // the format RestorePixelFormat needs.
    static TPixelFormat NormalisePixelFormat(TBitmap& Bitmap);
    // Step 6: sets Bitmap back to Original when that is pf8bit or pf32bit; other formats stay at 24 bits.
    static void RestorePixelFormat(TBitmap& Bitmap, TPixelFormat Original);
    // Step 7: Result becomes the picture's graphic (the picture takes it over).
    void InstallBitmap(std::unique_ptr<TBitmap> Result);
    // Steps 8 and 9: repaint request, then DoAmended.
    void Finish();
    // Enlarge or Shrink (Kind), which differ only in their resampler and their size condition.
    void Resize(std::string_view Kind, int NewWidth, int NewHeight);

    std::string FKind;
};
