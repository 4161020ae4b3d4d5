#pragma once
// Image lists and the drag image: a drag started while an image of a list is being dragged shows that
// image beside the pointer. The toolkit draws it; the functions that show, move and hide it in a window
// keep the state that the drop targets ask about.

#include <QImage>
#include <vector>

class QWidget;
using HWND = QWidget*;

class TImageList
{
public:
    TImageList(int Width, int Height) : FWidth(Width), FHeight(Height) {}
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }
    // Adds Image scaled to the list's size with every pixel of MaskColor transparent; its index.
    int AddMasked(const QImage& Image, QRgb MaskColor);
    const QImage& Image(int Index) const { return FImages[std::size_t(Index)]; }

private:
    int FWidth;
    int FHeight;
    std::vector<QImage> FImages;
};

// Starts dragging image Index of List with its hot spot at (HotX, HotY); false for an index outside it.
bool ImageList_BeginDrag(const TImageList* List, int Index, int HotX, int HotY);
void ImageList_EndDrag();
// The list whose image is being dragged and its hot spot; nullptr when none is.
const TImageList* ImageList_GetDragImage(int* HotX, int* HotY);
// The image being dragged with the cursor image merged at its hot spot; null when none is.
QImage ImageList_DragImage();
// Merges image Index of Cursor into the drag image at (HotX, HotY) of that image.
bool ImageList_SetDragCursorImage(const TImageList* Cursor, int Index, int HotX, int HotY);
// Shows the drag image in Window at (X, Y) of the window, moves it, hides it.
bool ImageList_DragEnter(HWND Window, int X, int Y);
bool ImageList_DragMove(int X, int Y);
bool ImageList_DragLeave(HWND Window);
// The window the drag image is shown in; nullptr while it is hidden.
HWND ImageList_DragWindow();
