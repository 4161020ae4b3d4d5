// The main window's start and close.

#include "app/Frame.h"

#include <QCloseEvent>
#include <QShowEvent>

void TForm1::showEvent(QShowEvent* Event)
{
    QMainWindow::showEvent(Event);
    if (FShown) return;
    FShown = true;
    RunHandler(&TForm1::FormShow);
}

void TForm1::closeEvent(QCloseEvent* Event)
{
    RunHandler(&TForm1::FormCloseQuery);
    // Closing is always allowed.
    Event->accept();
}

void TForm1::FormShow()
{
    FPicturePath.clear();
    FPictureName.clear();
    FSizeText.clear();
    FDimensionText.clear();
    FColorText.clear();
    FFormatText.clear();
    KelvoImage1.Picture().SetGraphic(nullptr);
    FBaseBitmap = std::make_unique<TBitmap>();
    FTrimRect = Rect(0, 0, 100, 100);
}

void TForm1::FormCloseQuery()
{
    // The base goes with the window; an empty one stands in for the commands that may still run.
    FBaseBitmap = std::make_unique<TBitmap>();
    DeleteScratchCopy();
}
