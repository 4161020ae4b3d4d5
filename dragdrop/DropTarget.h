#pragma once
// TDropTarget: a component that makes widgets accept drops from this and other programs. It answers
// the platform's drop-target calls for every registered widget, decides the effect from the keys held
// and the allowed drag types, scrolls a widget while the pointer rests near its edges, shows the drag
// image of a drag started in this program and reports the stages of a drag through its events. Which
// data it accepts and how it takes them is a descendant's.

#include "dragdrop/DropSource.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

enum TShiftStateKey
{
    ssShift,
    ssAlt,
    ssCtrl,
    ssLeft,
    ssRight,
    ssMiddle,
    ssDouble
};
using TShiftState = TSmallSet<TShiftStateKey>;
// The shift keys and buttons of a key state.
TShiftState KeysToShiftState(DWORD KeyState);

class TDropTarget;

// The hidden child through which a widget is registered with the platform's drop service.
class TWinControlProxy : public QWidget
{
public:
    TWinControlProxy(TDropTarget& Owner, QWidget& Control);
    TDropTarget& Owner() const { return FOwner; }
    // Registers the parent's window unless registered; raises "Failed to Register " and the parent's name.
    void CreateWnd();
    // Revokes the registration; raises "Failed to Unregister " and the parent's name.
    void DestroyWnd();

private:
    TDropTarget& FOwner;
    bool FRegistered = false;
};

class TDropTarget : public TInterfacedComponent, public IDropTarget
{
public:
    using TDropTargetEvent =
        std::function<void(TDropTarget& Sender, TShiftState ShiftState, QPoint Point, DWORD& Effect)>;
    using TNotifyEvent = std::function<void(TDropTarget& Sender)>;

    HRESULT QueryInterface(REFIID Iid, void** Object) override
    {
        return TInterfacedComponent::QueryInterface(Iid, Object);
    }
    ULONG AddRef() override { return TInterfacedComponent::AddRef(); }
    ULONG Release() override { return TInterfacedComponent::Release(); }

    void Register(QWidget* Control);
    // With nullptr every control, from the last registered to the first.
    void Unregister(QWidget* Control);
    void UnregisterAll() { Unregister(nullptr); }
    // The first registered control whose rectangle on the screen holds Point (right and bottom edges
    // excluded), or nullptr.
    QWidget* FindTarget(QPoint ScreenPoint) const;
    const std::vector<QWidget*>& Controls() const { return FControls; }

    // IDropTarget; every call succeeds, the outcome is the effect it writes.
    HRESULT DragEnter(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD* Effect) override;
    HRESULT DragOver(DWORD KeyState, POINTL Point, DWORD* Effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD* Effect) override;

    // The "Preferred DropEffect" value on the clipboard, or 0.
    virtual DWORD ClipboardDropEffect();

    TDragTypes Dragtypes;
    bool GetDataOnEnter = false;
    TDropTargetEvent OnEnter;
    TDropTargetEvent OnDragOver;
    TNotifyEvent OnLeave;
    TDropTargetEvent OnDrop;
    TDropTargetEvent OnGetDropEffect;

    bool ShowImage() const { return FShowImage; }
    // Shows or hides the drag image at once while a drag is over the target.
    void SetShowImage(bool Value);
    QWidget* CurrentControl() const { return FCurrentControl; }
    bool ScrollTimerActive() const { return FScrollTimer.isActive(); }
    // The scroll step the timer makes, every 100 ms while the pointer rests in a scroll zone.
    void ScrollTick();

protected:
    TDropTarget();
    ~TDropTarget() override;
    void* Interface(REFIID Iid) override;
    IDataObject* DataObject() const { return FDataObject; }

    virtual void DoEnter(TShiftState ShiftState, QPoint Point, DWORD& Effect);
    virtual void DoDragOver(TShiftState ShiftState, QPoint Point, DWORD& Effect);
    virtual void DoDrop(TShiftState ShiftState, QPoint Point, DWORD& Effect);
    virtual void DoLeave();
    // Takes the data of the current drag into the descendant.
    virtual bool DoGetData() = 0;
    // Discards data taken earlier.
    virtual void ClearData() = 0;
    // Whether the current data object offers anything the descendant takes.
    virtual bool HasValidFormats() = 0;
    virtual DWORD GetValidDropEffect(TShiftState ShiftState, QPoint Point, DWORD Effect);

private:
    void ReleaseDataObject();
    // DoGetData with every error kept inside: the platform's calls must not raise.
    bool TakeData();
    void ShowDragImage(QPoint Point);
    void HideDragImage();

    IDataObject* FDataObject = nullptr;
    QWidget* FCurrentControl = nullptr;
    std::vector<QWidget*> FControls;
    std::unique_ptr<TImageList> FCursorImage;
    const TImageList* FDragImage = nullptr;
    bool FShowImage = true;
    int FImageHotSpotX = 0;
    int FImageHotSpotY = 0;
    QPoint FLastPoint;
    int FScrollMargin = 0;
    bool FScrollHorizontal = false;
    bool FScrollVertical = false;
    QTimer FScrollTimer;
};
