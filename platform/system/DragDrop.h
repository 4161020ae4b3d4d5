#pragma once
// The drag-and-drop service over the toolkit's drag and drop.
//
// DoDragDrop runs a drag of a data object as the toolkit's modal drag: the data reaches targets in this
// and other programs through DragMimeData.h, rendered only when a target asks, also after the drag has
// returned (targets in other programs fetch the data after the drop); the drop source is told the
// target's effect as it changes (GiveFeedback) and decides at the release of the buttons and at Escape
// (QueryContinueDrag). The image being dragged from an image list, if any, is the drag's pixmap. Where
// copying is among the allowed effects the drag offers only a copy.
//
// RegisterDragDrop makes a widget a drop target: its drag events become IDropTarget calls with the
// dragged data as a data object, points in screen coordinates and the keys as a key state; the effect
// the target reports becomes the drop action (none refuses the drop).

#include "platform/system/ImageList.h"
#include "platform/system/ObjectInterfaces.h"

#include <QMimeData>
#include <functional>

// Starts and ends the service for this program: S_OK for the first start, S_FALSE for another.
HRESULT OleInitialize(void* Reserved);
void OleUninitialize();

// Runs a drag of DataObject with Source consulted; OkEffects are the drop effects allowed. Returns
// DRAGDROP_S_DROP with the effect the target chose, DRAGDROP_S_CANCEL with none, or E_INVALIDARG.
HRESULT DoDragDrop(IDataObject* DataObject, IDropSource* Source, DWORD OkEffects, DWORD* Effect);

// The modal loop DoDragDrop runs; the toolkit's drag unless one is set (a program without a window
// system, or a test driving targets itself, sets its own). Setting none restores the toolkit's.
using TDragLoop = std::function<HRESULT(IDataObject*, IDropSource*, DWORD OkEffects, DWORD* Effect)>;
void SetDragLoop(TDragLoop Loop);

// Registers Window as a drop target answered by Target, which it holds a reference to until revoked
// or until the widget goes. DRAGDROP_E_INVALIDHWND for no window, DRAGDROP_E_ALREADYREGISTERED.
HRESULT RegisterDragDrop(HWND Window, IDropTarget* Target);
// DRAGDROP_E_NOTREGISTERED for a window that is not registered.
HRESULT RevokeDragDrop(HWND Window);
// The target registered for Window, or nullptr.
IDropTarget* RegisteredDropTarget(HWND Window);

// The key state of mouse buttons and keyboard modifiers.
DWORD KeyStateOf(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers);
// Drop effects as drop actions and back.
Qt::DropActions DropActionsOf(DWORD Effects);
DWORD EffectsOf(Qt::DropActions Actions);
