#pragma once
// TImage: the image control's model (picture, size, Stretch, AutoSize, repaint request, canvas). A view
// widget (ImageView.h) attaches to it in the editor; without one it runs headless.

#include "platform/graphics/Picture.h"

#include <functional>

class TCanvas;

class TImage
{
public:
    TImage();
    virtual ~TImage();
    TImage(const TImage&) = delete;
    TImage& operator=(const TImage&) = delete;

    TPicture& Picture() { return FPicture; }
    const TPicture& Picture() const { return FPicture; }

    // Shows the picture scaled to the control's size.
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    // Makes the control take the picture's size whenever the picture changes.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    void SetBounds(int Left, int Top, int Width, int Height);

    // Asks the view to repaint; counted so headless callers can see the request.
    void Invalidate();
    int RepaintRequests() const { return FRepaintRequests; }

    // The canvas of the picture's bitmap; an empty picture first gets a bitmap of the control's size.
    // Raises "ビットマップを持っている時のみイメージの変更が可能です" while the picture is not a bitmap.
    TCanvas& Canvas();

    // Hooks of the attached view.
    std::function<void()> OnRepaint;
    std::function<void()> OnBoundsChanged;

private:
    void PictureChanged();

    TPicture FPicture;
    bool FStretch = false;
    bool FAutoSize = false;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 105;
    int FHeight = 105;
    int FRepaintRequests = 0;
};
