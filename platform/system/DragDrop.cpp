#include "platform/system/DragDrop.h"

#include "platform/system/DragMimeData.h"
#include "platform/system/MetafilePictRecord.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <map>

namespace {

int& OleStarts()
{
    static int Count = 0;
    return Count;
}

TDragLoop& CustomLoop()
{
    static TDragLoop Loop;
    return Loop;
}

Qt::DropAction PreferredAction(DWORD Effect)
{
    if (Effect & DROPEFFECT_COPY) return Qt::CopyAction;
    if (Effect & DROPEFFECT_MOVE) return Qt::MoveAction;
    if (Effect & DROPEFFECT_LINK) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

// Asks the drop source, at the release of a button and at Escape, whether the drag goes on, drops or is
// cancelled; a cancellation the toolkit would not make itself (the source vetoes a drop) cancels the drag.
class TSourceDecisions : public QObject
{
public:
    explicit TSourceDecisions(IDropSource* Source) : FSource(Source) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape) {
            const auto* Key = static_cast<QKeyEvent*>(Event);
            FSource->QueryContinueDrag(1, KeyStateOf(QGuiApplication::mouseButtons(), Key->modifiers()));
        } else if (Event->type() == QEvent::MouseButtonRelease && Watched->isWindowType()) {
            const auto* Mouse = static_cast<QMouseEvent*>(Event);
            if (FSource->QueryContinueDrag(0, KeyStateOf(Mouse->buttons(), Mouse->modifiers())) == DRAGDROP_S_CANCEL) {
                QDrag::cancel();
                return true;
            }
        }
        return false;
    }

private:
    IDropSource* FSource;
};

HRESULT ToolkitDragLoop(IDataObject* DataObject, IDropSource* Source, DWORD OkEffects, DWORD* Effect)
{
    RemoveDragTemporaryFiles();
    // The toolkit deletes the drag, and with it the data, once a target has fetched what it wants.
    auto* Drag = new QDrag(QCoreApplication::instance());
    Drag->setMimeData(new TDataObjectMimeData(DataObject));
    if (const QImage Image = ImageList_DragImage(); !Image.isNull()) {
        int HotX = 0;
        int HotY = 0;
        ImageList_GetDragImage(&HotX, &HotY);
        Drag->setPixmap(QPixmap::fromImage(Image));
        Drag->setHotSpot(QPoint(HotX, HotY));
    }
    const auto Feedback = QObject::connect(
        Drag, &QDrag::actionChanged, [Source](Qt::DropAction Action) { Source->GiveFeedback(EffectsOf(Action)); });
    // Installed once the toolkit's drag has installed its own filter, so that the source decides first.
    TSourceDecisions Decisions(Source);
    QTimer Installer;
    Installer.setSingleShot(true);
    QObject::connect(&Installer, &QTimer::timeout, &Decisions,
                     [&Decisions] { QCoreApplication::instance()->installEventFilter(&Decisions); });
    Installer.start(0);
    // Other programs are offered a copy only where copying is allowed: a file manager told to move would
    // take the temporary file the drag names away.
    const DWORD Offered = (OkEffects & DROPEFFECT_COPY) ? DROPEFFECT_COPY : OkEffects;
    const Qt::DropAction Action = Drag->exec(DropActionsOf(Offered), PreferredAction(Offered));
    QObject::disconnect(Feedback);
    *Effect = EffectsOf(Action) & OkEffects;
    return *Effect == DROPEFFECT_NONE ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
}

class TDropTargetAdapter;

std::map<HWND, TDropTargetAdapter*>& Registrations()
{
    static std::map<HWND, TDropTargetAdapter*> Table;
    return Table;
}

POINTL ScreenPoint(const QWidget& Window, const QPointF& Position)
{
    const QPoint Global = Window.mapToGlobal(Position.toPoint());
    return POINTL{Global.x(), Global.y()};
}

// The drop action that answers Effect, refusing the drop when it is none.
void Answer(QDropEvent& Event, DWORD Effect)
{
    const Qt::DropAction Action = PreferredAction(Effect & ~DROPEFFECT_SCROLL);
    if (Action == Qt::IgnoreAction) {
        Event.ignore();
        return;
    }
    Event.setDropAction(Action);
    Event.accept();
}

// Turns a widget's drag events into calls of its drop target.
class TDropTargetAdapter : public QObject
{
public:
    TDropTargetAdapter(HWND Window, IDropTarget* Target) : QObject(Window), FWindow(Window), FTarget(Target)
    {
        FTarget->AddRef();
        Registrations()[Window] = this;
        Window->installEventFilter(this);
    }
    ~TDropTargetAdapter() override
    {
        Registrations().erase(FWindow);
        FTarget->Release();
    }
    TDropTargetAdapter(const TDropTargetAdapter&) = delete;
    TDropTargetAdapter& operator=(const TDropTargetAdapter&) = delete;

    IDropTarget* Target() const { return FTarget; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Watched != FWindow) return false;
        switch (Event->type()) {
        case QEvent::DragEnter:
        case QEvent::Drop: {
            auto* Drop = static_cast<QDropEvent*>(Event);
            IDataObject* DataObject = DataObjectOfMimeData(Drop->mimeData());
            DWORD Effect = EffectsOf(Drop->possibleActions());
            const DWORD KeyState = KeyStateOf(Drop->buttons(), Drop->modifiers());
            const POINTL Point = ScreenPoint(*FWindow, Drop->position());
            if (Event->type() == QEvent::DragEnter)
                FTarget->DragEnter(DataObject, KeyState, Point, &Effect);
            else
                FTarget->Drop(DataObject, KeyState, Point, &Effect);
            if (DataObject != nullptr) DataObject->Release();
            Answer(*Drop, Effect);
            return true;
        }
        case QEvent::DragMove: {
            auto* Move = static_cast<QDragMoveEvent*>(Event);
            DWORD Effect = EffectsOf(Move->possibleActions());
            FTarget->DragOver(KeyStateOf(Move->buttons(), Move->modifiers()), ScreenPoint(*FWindow, Move->position()),
                              &Effect);
            Answer(*Move, Effect);
            return true;
        }
        case QEvent::DragLeave:
            FTarget->DragLeave();
            Event->accept();
            return true;
        default:
            return false;
        }
    }

private:
    HWND FWindow;
    IDropTarget* FTarget;
};

} // namespace

HRESULT OleInitialize(void*)
{
    return OleStarts()++ == 0 ? S_OK : S_FALSE;
}

void OleUninitialize()
{
    // The private folder of the drags' temporary files goes with the program's other statics.
    if (OleStarts() > 0) --OleStarts();
}

void ReleaseStgMedium(STGMEDIUM* Medium)
{
    if (Medium == nullptr) return;
    if (Medium->pUnkForRelease != nullptr) {
        Medium->pUnkForRelease->Release();
    } else if (Medium->tymed == TYMED_GDI) {
        DeleteObject(Medium->hBitmap);
    } else if (Medium->tymed == TYMED_ENHMF || IsGdiObject(Medium->hEnhMetaFile, gdiEnhMetafile)) {
        // An enhanced metafile may also travel under the global-memory medium.
        DeleteEnhMetaFile(Medium->hEnhMetaFile);
    } else if (Medium->tymed == TYMED_MFPICT) {
        FreeMetafilePictBlock(Medium->hMetaFilePict);
    } else if (Medium->tymed == TYMED_HGLOBAL) {
        GlobalFree(Medium->hGlobal);
    }
    *Medium = STGMEDIUM();
}

HRESULT DoDragDrop(IDataObject* DataObject, IDropSource* Source, DWORD OkEffects, DWORD* Effect)
{
    if (DataObject == nullptr || Source == nullptr || Effect == nullptr) return E_INVALIDARG;
    *Effect = DROPEFFECT_NONE;
    if (CustomLoop()) return CustomLoop()(DataObject, Source, OkEffects, Effect);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return DRAGDROP_S_CANCEL;
    return ToolkitDragLoop(DataObject, Source, OkEffects, Effect);
}

void SetDragLoop(TDragLoop Loop)
{
    CustomLoop() = std::move(Loop);
}

HRESULT RegisterDragDrop(HWND Window, IDropTarget* Target)
{
    if (Window == nullptr) return DRAGDROP_E_INVALIDHWND;
    if (Target == nullptr) return E_INVALIDARG;
    if (Registrations().contains(Window)) return DRAGDROP_E_ALREADYREGISTERED;
    new TDropTargetAdapter(Window, Target);
    Window->setAcceptDrops(true);
    return S_OK;
}

HRESULT RevokeDragDrop(HWND Window)
{
    const auto Found = Registrations().find(Window);
    if (Found == Registrations().end()) return DRAGDROP_E_NOTREGISTERED;
    Window->setAcceptDrops(false);
    delete Found->second;
    return S_OK;
}

IDropTarget* RegisteredDropTarget(HWND Window)
{
    const auto Found = Registrations().find(Window);
    return Found == Registrations().end() ? nullptr : Found->second->Target();
}

DWORD KeyStateOf(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers)
{
    DWORD State = 0;
    if (Buttons & Qt::LeftButton) State |= MK_LBUTTON;
    if (Buttons & Qt::RightButton) State |= MK_RBUTTON;
    if (Buttons & Qt::MiddleButton) State |= MK_MBUTTON;
    if (Modifiers & Qt::ShiftModifier) State |= MK_SHIFT;
    if (Modifiers & Qt::ControlModifier) State |= MK_CONTROL;
    if (Modifiers & Qt::AltModifier) State |= MK_ALT;
    return State;
}

Qt::DropActions DropActionsOf(DWORD Effects)
{
    Qt::DropActions Actions;
    if (Effects & DROPEFFECT_COPY) Actions |= Qt::CopyAction;
    if (Effects & DROPEFFECT_MOVE) Actions |= Qt::MoveAction;
    if (Effects & DROPEFFECT_LINK) Actions |= Qt::LinkAction;
    return Actions;
}

DWORD EffectsOf(Qt::DropActions Actions)
{
    DWORD Effects = DROPEFFECT_NONE;
    if (Actions & Qt::CopyAction) Effects |= DROPEFFECT_COPY;
    if (Actions & Qt::MoveAction) Effects |= DROPEFFECT_MOVE;
    if (Actions & Qt::LinkAction) Effects |= DROPEFFECT_LINK;
    return Effects;
}
