#pragma once
// TImageView: the widget showing a TImage. It draws the model's graphic through the canvas into a
// bitmap of its own size (stretched to it when the model's Stretch is on, at the graphic's size
// otherwise), keeps that frame until the model asks for a repaint or the size changes, and follows the
// model's bounds. The model must outlive the view.

#include "platform/graphics/Bitmap.h"

#include <QWidget>

class TImage;

class TImageView : public QWidget
{
public:
    explicit TImageView(TImage& Model, QWidget* Parent = nullptr);
    ~TImageView() override;
    TImageView(const TImageView&) = delete;
    TImageView& operator=(const TImageView&) = delete;

    TImage& Model() const { return FModel; }
    // How many times the frame was drawn from the model's graphic.
    int FramesRendered() const { return FFramesRendered; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    void FollowBounds();
    void RenderFrame();

    TImage& FModel;
    TBitmap FFrame;
    bool FFrameValid = false;
    int FFramesRendered = 0;
};
