#include "platform/controls/ImageView.h"

#include "platform/controls/Image.h"
#include "platform/graphics/Canvas.h"

#include <QImage>
#include <QPainter>
#include <cstring>

TImageView::TImageView(TImage& Model, QWidget* Parent) : QWidget(Parent), FModel(Model)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    FModel.OnRepaint = [this] {
        FFrameValid = false;
        update();
    };
    FModel.OnBoundsChanged = [this] { FollowBounds(); };
    FollowBounds();
}

TImageView::~TImageView()
{
    FModel.OnRepaint = nullptr;
    FModel.OnBoundsChanged = nullptr;
}

void TImageView::FollowBounds()
{
    setGeometry(FModel.Left(), FModel.Top(), FModel.Width(), FModel.Height());
}

void TImageView::RenderFrame()
{
    // 32 bits, so the frame's rows are the toolkit's RGB32 pixels (blue, green, red, fourth byte).
    FFrame.SetLayout(width(), height(), 32);
    if (FFrame.Empty()) return;
    TCanvas& Canvas = FFrame.Canvas();
    const QColor Back = palette().color(backgroundRole());
    Canvas.Brush =
        TBrush{RGB(std::uint8_t(Back.red()), std::uint8_t(Back.green()), std::uint8_t(Back.blue())), bsSolid};
    Canvas.FillRect(Rect(0, 0, width(), height()));
    if (const TGraphic* Graphic = FModel.Picture().Graphic()) {
        const TRect Area =
            FModel.Stretch() ? Rect(0, 0, width(), height()) : Rect(0, 0, Graphic->Width(), Graphic->Height());
        // A graphic that fails to draw leaves the background; the error belongs to whoever installed it,
        // and a paint handler has nobody to report to.
        try {
            Canvas.StretchDraw(Area, *Graphic);
        } catch (const std::exception&) {
        }
    }
    // The toolkit reads RGB32's fourth byte as opaque only when it is 0xFF.
    for (int Y = 0; Y < FFrame.Height(); ++Y) {
        std::uint8_t* Row = FFrame.ScanLine(Y);
        for (int X = 0; X < FFrame.Width(); ++X) Row[4 * X + 3] = 0xFF;
    }
    ++FFramesRendered;
}

void TImageView::paintEvent(QPaintEvent*)
{
    // A new size needs a new frame as much as a changed picture does.
    if (!FFrameValid || FFrame.Width() != width() || FFrame.Height() != height()) {
        RenderFrame();
        FFrameValid = true;
    }
    if (FFrame.Empty()) return;
    const QImage View(FFrame.ScanLine(0), FFrame.Width(), FFrame.Height(), qsizetype(FFrame.RowBytes()),
                      QImage::Format_RGB32);
    QPainter Painter(this);
    Painter.drawImage(0, 0, View);
}
