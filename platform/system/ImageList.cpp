#include "platform/system/ImageList.h"

#include <QPainter>

namespace {

struct TDragImageState
{
    const TImageList* List = nullptr;
    int Index = 0;
    int HotX = 0;
    int HotY = 0;
    const TImageList* Cursor = nullptr;
    int CursorIndex = 0;
    int CursorX = 0;
    int CursorY = 0;
    HWND Window = nullptr;
};

TDragImageState& State()
{
    static TDragImageState Instance;
    return Instance;
}

} // namespace

int TImageList::AddMasked(const QImage& Image, QRgb MaskColor)
{
    QImage Scaled = Image.scaled(FWidth, FHeight).convertToFormat(QImage::Format_ARGB32);
    for (int Y = 0; Y < Scaled.height(); ++Y) {
        auto* Row = reinterpret_cast<QRgb*>(Scaled.scanLine(Y));
        for (int X = 0; X < Scaled.width(); ++X)
            if ((Row[X] & 0xFFFFFF) == (MaskColor & 0xFFFFFF)) Row[X] = 0;
    }
    FImages.push_back(std::move(Scaled));
    return Count() - 1;
}

bool ImageList_BeginDrag(const TImageList* List, int Index, int HotX, int HotY)
{
    if (List == nullptr || Index < 0 || Index >= List->Count()) return false;
    State() = TDragImageState{List, Index, HotX, HotY};
    return true;
}

void ImageList_EndDrag()
{
    State() = TDragImageState{};
}

const TImageList* ImageList_GetDragImage(int* HotX, int* HotY)
{
    if (State().List == nullptr) return nullptr;
    if (HotX != nullptr) *HotX = State().HotX;
    if (HotY != nullptr) *HotY = State().HotY;
    return State().List;
}

QImage ImageList_DragImage()
{
    const TDragImageState& Drag = State();
    if (Drag.List == nullptr) return {};
    QImage Image = Drag.List->Image(Drag.Index);
    if (Drag.Cursor != nullptr) {
        QPainter Painter(&Image);
        Painter.drawImage(Drag.HotX - Drag.CursorX, Drag.HotY - Drag.CursorY, Drag.Cursor->Image(Drag.CursorIndex));
    }
    return Image;
}

bool ImageList_SetDragCursorImage(const TImageList* Cursor, int Index, int HotX, int HotY)
{
    if (State().List == nullptr || Cursor == nullptr || Index < 0 || Index >= Cursor->Count()) return false;
    State().Cursor = Cursor;
    State().CursorIndex = Index;
    State().CursorX = HotX;
    State().CursorY = HotY;
    return true;
}

bool ImageList_DragEnter(HWND Window, int, int)
{
    if (State().List == nullptr) return false;
    State().Window = Window;
    return true;
}

bool ImageList_DragMove(int, int)
{
    return State().Window != nullptr;
}

bool ImageList_DragLeave(HWND Window)
{
    if (State().Window != Window) return false;
    State().Window = nullptr;
    return true;
}

HWND ImageList_DragWindow()
{
    return State().Window;
}
