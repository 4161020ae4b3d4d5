// The view of the picture: zoom by resizing the stretched control, the rebase that makes the displayed
// size the picture's own, and the trimming rectangle drawn into the picture with an inverting pen.

#include "app/Frame.h"

#include "platform/controls/ImageView.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <algorithm>

QString ZoomLabelText(int Zoom)
{
    return QString::fromUtf8("表示倍率 ( %1 % )").arg(Zoom);
}

void TForm1::TrackBar1Change()
{
    const bool Shown = A1->isChecked();
    if (TrackBar1->value() == 0) {
        // Zoom 0 is not kept: the smallest is the slider's tick frequency. This handler runs again.
        TrackBar1->setValue(10);
        return;
    }
    const int Zoom = TrackBar1->value();
    Label2->setText(ZoomLabelText(Zoom));
    if (!PictureIsEditable()) return;
    if (Shown) A1Click();
    KelvoImage1.SetBounds(KelvoImage1.Left(), KelvoImage1.Top(), KelvoImage1.Picture().Width() * Zoom / 100,
                          KelvoImage1.Picture().Height() * Zoom / 100);
    if (Shown) A1Click();
    // The displayed size is part of the caption; the picture itself did not change.
    UpdateCaption();
}

void TForm1::Button1Click()
{
    const int Zoom = TrackBar1->value();
    // With no picture there is nothing to rebase.
    if (Zoom == 100 || KelvoImage1.Picture().Graphic() == nullptr) return;
    HideTrimAreaIfShown();
    const TRect Displayed = Rect(0, 0, KelvoImage1.Width(), KelvoImage1.Height());
    if (const auto* Metafile = dynamic_cast<const TMetafile*>(KelvoImage1.Picture().Graphic())) {
        auto Resized = std::make_unique<TMetafile>();
        Resized->SetWidth(Displayed.Right);
        Resized->SetHeight(Displayed.Bottom);
        {
            // The recording ends when the canvas goes.
            TMetafileCanvas Canvas(*Resized);
            Canvas.StretchDraw(Displayed, *Metafile);
        }
        SwitchToPhysicalMeasure(Resized.get());
        KelvoImage1.Picture().SetGraphic(std::move(Resized));
    } else if (S1->isChecked()) {
        // Both branches start from the base: uncommitted filter results go, the slider values stay.
        KelvoImage1.Picture().SetGraphic(FBaseBitmap.get());
        RunPictureWork([this, Zoom, Displayed] {
            if (Zoom <= 100)
                KelvoImage1.Shrink(Displayed.Right, Displayed.Bottom);
            else
                KelvoImage1.Enlarge(Displayed.Right, Displayed.Bottom);
        });
    } else {
        auto Resized = std::make_unique<TBitmap>();
        RunPictureWork([this, &Resized, Displayed] {
            Resized->SetSize(Displayed.Right, Displayed.Bottom);
            Resized->Canvas().StretchDraw(Displayed, *FBaseBitmap);
        });
        KelvoImage1.Picture().SetGraphic(std::move(Resized));
    }
    StoreBase();
    if (KelvoImage1.PictureType() == picBitmap) ApplyAdjustments();
    Refresh();
    TrackBar1->setValue(100);
}

void TForm1::S1Click()
{
    S1->setChecked(!S1->isChecked());
}

void TForm1::A1Click()
{
    bool Shown = false;
    if (A1->isChecked()) {
        HideTrimArea();
    } else {
        // Showing the area on no picture would draw into a copy of the empty base.
        if (KelvoImage1.Picture().Graphic() == nullptr) return;
        if (KelvoImage1.PictureType() != picBitmap) ApplyAdjustments();
        ShowTrimArea();
        Shown = true;
    }
    A1->setChecked(Shown);
    T1->setEnabled(Shown);
}

void TForm1::ShowTrimArea()
{
    // Clamped to the displayed size, which is the picture's at zoom 100.
    const int Width = KelvoImage1.Width();
    const int Height = KelvoImage1.Height();
    if (FTrimRect.Right > Width - 1) {
        FTrimRect.Right = Width - 1;
        if (FTrimRect.Left >= FTrimRect.Right) FTrimRect.Left = std::max(Width - 2, 0);
    }
    if (FTrimRect.Bottom > Height - 1) {
        FTrimRect.Bottom = Height - 1;
        if (FTrimRect.Top >= FTrimRect.Bottom) FTrimRect.Top = std::max(Height - 2, 0);
    }
    DrawTrimRect();
    // Showing may just have made the picture a bitmap.
    ComboBox1->setCurrentIndex(GraphicKindIndex());
}

void TForm1::DrawTrimRect()
{
    TCanvas& Canvas = KelvoImage1.Canvas();
    // NOT (pen XOR destination) with a black pen inverts what it covers, so a second drawing erases.
    Canvas.Pen = TPen{clBlack, 2, psSolid, pmNotXor};
    Canvas.Brush.Style = bsClear;
    Canvas.Rectangle(FTrimRect.Left, FTrimRect.Top, FTrimRect.Right, FTrimRect.Bottom);
}

void TForm1::HideTrimArea()
{
    DrawTrimRect();
    KelvoImage1.Canvas().Pen.Mode = pmCopy;
}

void TForm1::KelvoImage1MouseDown(Qt::MouseButton Pressed, int X, int Y)
{
    FDownPoint = Point(X, Y);
    if (!A1->isChecked() || (Pressed != Qt::LeftButton && Pressed != Qt::RightButton)) return;
    DrawTrimRect();
    const int Zoom = TrackBar1->value();
    // Control pixels to picture pixels.
    if (Zoom != 100) {
        X = X * 100 / Zoom;
        Y = Y * 100 / Zoom;
    }
    TRect Area = FTrimRect;
    const int AreaWidth = Area.Right - Area.Left;
    const int AreaHeight = Area.Bottom - Area.Top;
    const int Width = KelvoImage1.Picture().Width();
    const int Height = KelvoImage1.Picture().Height();
    if (Pressed == Qt::LeftButton) {
        // Moved with its size kept, and pushed back inside at the right and bottom edges.
        Area.Left = X;
        Area.Right = X + AreaWidth;
        if (Area.Right > Width - 1) {
            Area.Right = Width - 1;
            Area.Left = Width - 1 - AreaWidth;
        }
        Area.Top = Y;
        Area.Bottom = Y + AreaHeight;
        if (Area.Bottom > Height - 1) {
            Area.Bottom = Height - 1;
            Area.Top = Height - 1 - AreaHeight;
        }
    } else {
        Area.Right = X;
        Area.Bottom = Y;
    }
    FTrimRect = Area;
    DrawTrimRect();
}

void TForm1::T1Click()
{
    if (!A1->isChecked()) return;
    A1Click();
    const int Zoom = TrackBar1->value();
    // Picture pixels to control pixels, kept so until the rectangle is next moved or clamped.
    if (Zoom != 100) {
        FTrimRect.Left = FTrimRect.Left * Zoom / 100;
        FTrimRect.Top = FTrimRect.Top * Zoom / 100;
        FTrimRect.Right = FTrimRect.Right * Zoom / 100;
        FTrimRect.Bottom = FTrimRect.Bottom * Zoom / 100;
    }
    // A rectangle sized up or left past its first corner means the same area as the one drawn.
    const TRect Area = Rect(std::min(FTrimRect.Left, FTrimRect.Right), std::min(FTrimRect.Top, FTrimRect.Bottom),
                            std::max(FTrimRect.Left, FTrimRect.Right), std::max(FTrimRect.Top, FTrimRect.Bottom));
    RunPictureWork([this, Area] { KelvoImage1.Trimming(Area, false); });
    Button2Click();
    Refresh();
}

bool TForm1::eventFilter(QObject* Watched, QEvent* Event)
{
    // The view draws from the picture, which the worker thread is changing; it is repainted afterwards.
    if (FBusy && Watched == ImageView.get() && Event->type() == QEvent::Paint) return true;
    if (Event->type() == QEvent::Wheel && (Watched == ComboBox1 || Watched == ComboBox2 || Watched == ComboBox3))
        return true;
    // The second press of a double-click arrives as a double-click of its own; it places the rectangle too.
    if (Watched == ImageView.get() &&
        (Event->type() == QEvent::MouseButtonPress || Event->type() == QEvent::MouseButtonDblClick)) {
        const auto* Mouse = static_cast<QMouseEvent*>(Event);
        const Qt::MouseButton Pressed = Mouse->button();
        const QPoint At = Mouse->position().toPoint();
        RunHandler([this, Pressed, At] { KelvoImage1MouseDown(Pressed, At.x(), At.y()); });
        return true;
    }
    if (Watched == ImageView.get() && Event->type() == QEvent::MouseMove) {
        const auto* Mouse = static_cast<QMouseEvent*>(Event);
        const Qt::MouseButtons Buttons = Mouse->buttons();
        const Qt::KeyboardModifiers Modifiers = Mouse->modifiers();
        const QPoint At = Mouse->position().toPoint();
        RunHandler([this, Buttons, Modifiers, At] { KelvoImage1MouseMove(Buttons, Modifiers, At.x(), At.y()); });
        return true;
    }
    return QMainWindow::eventFilter(Watched, Event);
}
