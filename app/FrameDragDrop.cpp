// Pictures dropped onto the picture area come in as a paste brings them; the picture is dragged out with
// the left button at its displayed size.

#include "app/Frame.h"

#include "platform/graphics/Metafile.h"

#include <QAction>
#include <QScrollArea>
#include <QSlider>
#include <cstdlib>

namespace {

// The system's drag threshold in pixels, in either direction.
constexpr int DragThreshold = 5;

} // namespace

void TForm1::FormCreate()
{
    DropBMPSource1 = MakeComponent<TDropBMPSource>();
    DropMetaSource1 = MakeComponent<TDropMetaSource>();
    DropPictureTarget1 = MakeComponent<TDropPictureTarget>();
    // Both sources show no drag image; the hot spot stays (16, 16).
    for (TDropSource* Source :
         {static_cast<TDropSource*>(DropBMPSource1.get()), static_cast<TDropSource*>(DropMetaSource1.get())}) {
        Source->Dragtypes = AllDragTypes;
        Source->SetShowImage(false);
    }
    DropPictureTarget1->Dragtypes = AllDragTypes;
    DropPictureTarget1->GetDataOnEnter = false;
    DropPictureTarget1->SetShowImage(true);
    DropPictureTarget1->OnDrop = [this](TDropTarget&, TShiftState, QPoint, DWORD&) {
        RunHandler(&TForm1::DropPictureTarget1Drop);
    };
    DropPictureTarget1->Register(ScrollBox1);
}

void TForm1::FormDestroy()
{
    DropPictureTarget1->UnregisterAll();
}

void TForm1::DropPictureTarget1Drop()
{
    // A file dragged from a file manager opens as if chosen in the open dialog.
    if (!DropPictureTarget1->FileName().empty()) {
        TakeInFile(DropPictureTarget1->FileName());
        return;
    }
    HideTrimAreaIfShown();
    ClearForNewPicture();
    // The target empties its picture when the drop ends, so the picture is taken over, not copied.
    KelvoImage1.Picture().SetGraphic(DropPictureTarget1->Picture().ReleaseGraphic());
    TakeInPicture("Dropped");
}

void TForm1::KelvoImage1MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers, int X, int Y)
{
    const TGraphic* Graphic = KelvoImage1.Picture().Graphic();
    if (Buttons != Qt::LeftButton || Modifiers != Qt::NoModifier || Graphic == nullptr) return;
    if (std::abs(X - FDownPoint.X) < DragThreshold && std::abs(Y - FDownPoint.Y) < DragThreshold) return;
    // The window does not take its own picture.
    DropPictureTarget1->Dragtypes = TDragTypes();
    const bool Shown = A1->isChecked();
    HideTrimAreaIfShown();
    TDropSource* Source = nullptr;
    if (const auto* Metafile = dynamic_cast<const TMetafile*>(Graphic)) {
        if (TrackBar1->value() == 100)
            DropMetaSource1->SetMetafile(*Metafile);
        else
            DropMetaSource1->SetMetafile(static_cast<const TMetafile&>(*DisplayedMetafile(true)));
        Source = DropMetaSource1.get();
    } else {
        DropBMPSource1->SetBitmap(*DisplayedBitmap());
        Source = DropBMPSource1.get();
    }
    Source->Execute();
    if (Shown) A1Click();
    DropPictureTarget1->Dragtypes = AllDragTypes;
}
