#include "dragdrop/DropTarget.h"

#include "dragdrop/DragDropMessages.h"
#include "platform/system/Exceptions.h"

#include <QAbstractScrollArea>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

QAbstractScrollArea* ScrollAreaOf(QWidget* Control)
{
    return qobject_cast<QAbstractScrollArea*>(Control);
}

bool HasVisibleBar(QScrollBar* Bar)
{
    return Bar != nullptr && Bar->isVisible();
}

} // namespace

TShiftState KeysToShiftState(DWORD KeyState)
{
    std::uint32_t Bits = 0;
    if (KeyState & MK_SHIFT) Bits |= 1u << ssShift;
    if (KeyState & MK_ALT) Bits |= 1u << ssAlt;
    if (KeyState & MK_CONTROL) Bits |= 1u << ssCtrl;
    if (KeyState & MK_LBUTTON) Bits |= 1u << ssLeft;
    if (KeyState & MK_RBUTTON) Bits |= 1u << ssRight;
    if (KeyState & MK_MBUTTON) Bits |= 1u << ssMiddle;
    return TShiftState::FromBits(Bits);
}

TWinControlProxy::TWinControlProxy(TDropTarget& Owner, QWidget& Control) : QWidget(&Control), FOwner(Owner)
{
    setObjectName(QStringLiteral("TWinControlProxy"));
    hide();
}

void TWinControlProxy::CreateWnd()
{
    if (FRegistered) return;
    if (RegisterDragDrop(parentWidget(), &FOwner) != S_OK)
        throw Exception(DragDropMessages::SFailedToRegister + parentWidget()->objectName().toStdString());
    FRegistered = true;
}

void TWinControlProxy::DestroyWnd()
{
    if (!FRegistered) return;
    if (RevokeDragDrop(parentWidget()) != S_OK)
        throw Exception(DragDropMessages::SFailedToUnregister + parentWidget()->objectName().toStdString());
    FRegistered = false;
}

TDropTarget::TDropTarget() : FCursorImage(std::make_unique<TImageList>(32, 32))
{
    DragDropFormats();
    FScrollTimer.setInterval(100);
    QObject::connect(&FScrollTimer, &QTimer::timeout, [this] { ScrollTick(); });
    // A transparent cursor: the window colour is its mask colour.
    const QColor Window = QGuiApplication::palette().color(QPalette::Window);
    QImage Cursor(32, 32, QImage::Format_RGB32);
    Cursor.fill(Window);
    FCursorImage->AddMasked(Cursor, Window.rgb());
}

TDropTarget::~TDropTarget()
{
    FScrollTimer.stop();
    // A drag still over a control when the target goes holds the dragged data object through it.
    ReleaseDataObject();
    try {
        UnregisterAll();
    } catch (const Exception&) {
        // A destructor cannot report; the registrations go with their widgets.
    }
}

void* TDropTarget::Interface(REFIID Iid)
{
    if (Iid == IID_IDropTarget) return static_cast<IDropTarget*>(this);
    return TInterfacedComponent::Interface(Iid);
}

void TDropTarget::Register(QWidget* Control)
{
    if (Control == nullptr || std::find(FControls.begin(), FControls.end(), Control) != FControls.end()) return;
    auto* Proxy = new TWinControlProxy(*this, *Control);
    FControls.push_back(Control);
    Proxy->CreateWnd();
}

void TDropTarget::Unregister(QWidget* Control)
{
    if (Control == nullptr) {
        while (!FControls.empty()) Unregister(FControls.back());
        return;
    }
    const auto Found = std::find(FControls.begin(), FControls.end(), Control);
    if (Found == FControls.end()) return;
    FControls.erase(Found);
    if (FCurrentControl == Control) FCurrentControl = nullptr;
    for (QObject* Child : Control->children()) {
        auto* Proxy = dynamic_cast<TWinControlProxy*>(Child);
        if (Proxy == nullptr || &Proxy->Owner() != this) continue;
        const std::unique_ptr<TWinControlProxy> Freed(Proxy);
        Freed->DestroyWnd();
        break;
    }
}

QWidget* TDropTarget::FindTarget(QPoint ScreenPoint) const
{
    for (QWidget* Control : FControls)
        if (QRect(Control->mapToGlobal(QPoint(0, 0)), Control->size()).contains(ScreenPoint)) return Control;
    return nullptr;
}

void TDropTarget::ReleaseDataObject()
{
    if (FDataObject != nullptr) FDataObject->Release();
    FDataObject = nullptr;
}

bool TDropTarget::TakeData()
{
    try {
        return DoGetData();
    } catch (...) {
        ClearData();
        return false;
    }
}

void TDropTarget::ShowDragImage(QPoint Point)
{
    if (FDragImage != nullptr && FCurrentControl != nullptr) ImageList_DragEnter(FCurrentControl, Point.x(), Point.y());
}

void TDropTarget::HideDragImage()
{
    if (FDragImage != nullptr && FCurrentControl != nullptr) ImageList_DragLeave(FCurrentControl);
}

HRESULT TDropTarget::DragEnter(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD* Effect)
{
    ClearData();
    ReleaseDataObject();
    FDataObject = DataObject;
    if (FDataObject != nullptr) FDataObject->AddRef();
    FCurrentControl = FindTarget(QPoint(Point.x, Point.y));
    if (FCurrentControl == nullptr || FDataObject == nullptr) {
        ReleaseDataObject();
        *Effect = DROPEFFECT_NONE;
        return S_OK;
    }
    const QPoint Client = FCurrentControl->mapFromGlobal(QPoint(Point.x, Point.y));
    FLastPoint = Client;
    FDragImage = nullptr;
    if (FShowImage) {
        if (const TImageList* Dragged = ImageList_GetDragImage(&FImageHotSpotX, &FImageHotSpotY)) {
            FDragImage = Dragged;
            ImageList_SetDragCursorImage(FCursorImage.get(), 0, FImageHotSpotX, FImageHotSpotY);
            ShowDragImage(Client);
        }
    }
    if (!HasValidFormats()) {
        ReleaseDataObject();
        *Effect = DROPEFFECT_NONE;
        return S_OK;
    }
    FScrollMargin = std::abs(QFontMetrics(FCurrentControl->font()).height());
    QAbstractScrollArea* Area = ScrollAreaOf(FCurrentControl);
    FScrollHorizontal = Area != nullptr && HasVisibleBar(Area->horizontalScrollBar());
    FScrollVertical = Area != nullptr && HasVisibleBar(Area->verticalScrollBar());
    if (GetDataOnEnter) TakeData();
    const TShiftState ShiftState = KeysToShiftState(KeyState);
    *Effect = GetValidDropEffect(ShiftState, Client, *Effect);
    DoEnter(ShiftState, Client, *Effect);
    return S_OK;
}

HRESULT TDropTarget::DragOver(DWORD KeyState, POINTL Point, DWORD* Effect)
{
    bool Scrolling = false;
    QPoint Client = FLastPoint;
    if (FCurrentControl != nullptr) Client = FCurrentControl->mapFromGlobal(QPoint(Point.x, Point.y));
    if (FDataObject != nullptr && FCurrentControl != nullptr) {
        const TShiftState ShiftState = KeysToShiftState(KeyState);
        *Effect = GetValidDropEffect(ShiftState, Client, *Effect);
        DoDragOver(ShiftState, Client, *Effect);
        Scrolling = (FScrollHorizontal || FScrollVertical) && (*Effect & DROPEFFECT_SCROLL) != 0;
        if (Scrolling)
            FScrollTimer.start();
        else
            FScrollTimer.stop();
    } else {
        *Effect = DROPEFFECT_NONE;
    }
    if (FDragImage != nullptr && Client != FLastPoint) {
        FLastPoint = Client;
        if (!Scrolling) ImageList_DragMove(Client.x(), Client.y());
    } else {
        FLastPoint = Client;
    }
    return S_OK;
}

HRESULT TDropTarget::DragLeave()
{
    ClearData();
    FScrollTimer.stop();
    ReleaseDataObject();
    HideDragImage();
    DoLeave();
    FCurrentControl = nullptr;
    return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject*, DWORD KeyState, POINTL Point, DWORD* Effect)
{
    if (FDataObject == nullptr || FCurrentControl == nullptr) {
        *Effect = DROPEFFECT_NONE;
        return S_OK;
    }
    FScrollTimer.stop();
    HideDragImage();
    const TShiftState ShiftState = KeysToShiftState(KeyState);
    const QPoint Client = FCurrentControl->mapFromGlobal(QPoint(Point.x, Point.y));
    *Effect = GetValidDropEffect(ShiftState, Client, *Effect);
    if (TakeData()) {
        // The handler runs inside the platform's drop call, where no exception may pass.
        try {
            DoDrop(ShiftState, Client, *Effect);
        } catch (...) {
            *Effect = DROPEFFECT_NONE;
        }
    } else {
        *Effect = DROPEFFECT_NONE;
    }
    ClearData();
    ReleaseDataObject();
    FCurrentControl = nullptr;
    return S_OK;
}

DWORD TDropTarget::GetValidDropEffect(TShiftState ShiftState, QPoint Point, DWORD Effect)
{
    if (!Dragtypes.Contains(dtCopy)) Effect &= ~DROPEFFECT_COPY;
    if (!Dragtypes.Contains(dtMove)) Effect &= ~DROPEFFECT_MOVE;
    if (!Dragtypes.Contains(dtLink)) Effect &= ~DROPEFFECT_LINK;
    if (OnGetDropEffect) {
        OnGetDropEffect(*this, ShiftState, Point, Effect);
        return Effect;
    }
    const bool Shift = ShiftState.Contains(ssShift);
    const bool Ctrl = ShiftState.Contains(ssCtrl);
    DWORD Result = DROPEFFECT_NONE;
    if (Shift && Ctrl && (Effect & DROPEFFECT_LINK))
        Result = DROPEFFECT_LINK;
    else if (Shift && !Ctrl && (Effect & DROPEFFECT_MOVE))
        Result = DROPEFFECT_MOVE;
    else if (Effect & DROPEFFECT_COPY)
        Result = DROPEFFECT_COPY;
    else if (Effect & DROPEFFECT_MOVE)
        Result = DROPEFFECT_MOVE;
    else if (Effect & DROPEFFECT_LINK)
        Result = DROPEFFECT_LINK;
    if (FCurrentControl != nullptr) {
        const int Width = FCurrentControl->width();
        const int Height = FCurrentControl->height();
        if (FScrollHorizontal && (Point.x() < FScrollMargin || Point.x() > Width - FScrollMargin))
            Result |= DROPEFFECT_SCROLL;
        else if (FScrollVertical && (Point.y() < FScrollMargin || Point.y() > Height - FScrollMargin))
            Result |= DROPEFFECT_SCROLL;
    }
    return Result;
}

void TDropTarget::ScrollTick()
{
    if (FCurrentControl == nullptr) return;
    HideDragImage();
    if (QAbstractScrollArea* Area = ScrollAreaOf(FCurrentControl)) {
        const QPoint P = FLastPoint;
        const int M = FScrollMargin;
        if (P.y() < M)
            Area->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else if (P.y() > FCurrentControl->height() - M)
            Area->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        if (P.x() < M)
            Area->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else if (P.x() > FCurrentControl->width() - M)
            Area->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    ShowDragImage(FLastPoint);
}

void TDropTarget::SetShowImage(bool Value)
{
    FShowImage = Value;
    if (FDataObject == nullptr || FDragImage == nullptr) return;
    if (Value)
        ShowDragImage(FLastPoint);
    else
        HideDragImage();
}

DWORD TDropTarget::ClipboardDropEffect()
{
    const TClipboardFormat Format = DragDropFormats().PreferredDropEffect;
    if (!IsClipboardFormatAvailable(Format) || !OpenClipboard()) return 0;
    DWORD Effect = 0;
    const HGLOBAL Block = GetClipboardData(Format);
    if (const void* Bytes = GlobalLock(Block)) {
        if (GlobalSize(Block) >= sizeof Effect) std::memcpy(&Effect, Bytes, sizeof Effect);
        GlobalUnlock(Block);
    }
    CloseClipboard();
    return Effect;
}

void TDropTarget::DoEnter(TShiftState ShiftState, QPoint Point, DWORD& Effect)
{
    if (OnEnter) OnEnter(*this, ShiftState, Point, Effect);
}

void TDropTarget::DoDragOver(TShiftState ShiftState, QPoint Point, DWORD& Effect)
{
    if (OnDragOver) OnDragOver(*this, ShiftState, Point, Effect);
}

void TDropTarget::DoDrop(TShiftState ShiftState, QPoint Point, DWORD& Effect)
{
    if (OnDrop) OnDrop(*this, ShiftState, Point, Effect);
}

void TDropTarget::DoLeave()
{
    if (OnLeave) OnLeave(*this);
}
