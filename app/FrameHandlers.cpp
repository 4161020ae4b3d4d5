// How the main window's handlers run: errors shown in a message box, the picture work of a command on a
// worker thread with the busy cursor once it takes a while, and the handlers that arrive meanwhile.

#include "app/BackgroundWork.h"
#include "app/Frame.h"

#include "platform/controls/Dialogs.h"
#include "platform/controls/ImageView.h"
#include "platform/graphics/JPEGImage.h"

#include <exception>

void TForm1::RunHandler(void (TForm1::*Handler)())
{
    RunHandler([this, Handler] { (this->*Handler)(); });
}

void TForm1::RunHandler(const std::function<void()>& Handler)
{
    if (FBusy) {
        FDeferredHandlers.push_back(Handler);
        return;
    }
    // A handler run from inside another (a slider set from code) catches its own errors too, so that no
    // exception crosses the toolkit's signal delivery.
    try {
        Handler();
    } catch (const std::exception& Error) {
        ShowErrorMessage(this, ErrorMessageOf(Error));
    }
}

void TForm1::RunDeferredHandlers()
{
    // Another command's work may have started first; its end asks again.
    if (FBusy) return;
    std::vector<std::function<void()>> Handlers = std::move(FDeferredHandlers);
    FDeferredHandlers.clear();
    for (const std::function<void()>& Handler : Handlers) RunHandler(Handler);
}

void TForm1::RunPictureWork(const std::function<void()>& Work)
{
    std::function<void()> Repaint = std::move(KelvoImage1.OnRepaint);
    std::function<void()> BoundsChanged = std::move(KelvoImage1.OnBoundsChanged);
    bool RepaintAsked = false;
    bool BoundsAsked = false;
    KelvoImage1.OnRepaint = [&RepaintAsked] { RepaintAsked = true; };
    KelvoImage1.OnBoundsChanged = [&BoundsAsked] { BoundsAsked = true; };
    FBusy = true;
    std::exception_ptr Failure;
    try {
        RunOffInterfaceThread(Work);
    } catch (...) {
        Failure = std::current_exception();
    }
    FBusy = false;
    KelvoImage1.OnRepaint = std::move(Repaint);
    KelvoImage1.OnBoundsChanged = std::move(BoundsChanged);
    if (BoundsAsked && KelvoImage1.OnBoundsChanged) KelvoImage1.OnBoundsChanged();
    if (RepaintAsked && KelvoImage1.OnRepaint) KelvoImage1.OnRepaint();
    // The view's paints were held back while the picture was being changed.
    ImageView->update();
    if (!FDeferredHandlers.empty())
        QMetaObject::invokeMethod(
            this, [this] { RunDeferredHandlers(); }, Qt::QueuedConnection);
    if (Failure) std::rethrow_exception(Failure);
}

void TForm1::RunGraphicWork(const TGraphic* Graphic, const std::function<void()>& Work)
{
    if (dynamic_cast<const TBitmap*>(Graphic) != nullptr || dynamic_cast<const TJPEGImage*>(Graphic) != nullptr)
        RunPictureWork(Work);
    else
        Work();
}
