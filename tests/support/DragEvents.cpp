#include "tests/support/DragEvents.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>

namespace {

Qt::DropAction Accepted(const QDropEvent& Event)
{
    return Event.isAccepted() ? Event.dropAction() : Qt::IgnoreAction;
}

Qt::DropAction EnterAndMove(QWidget& Target, const QMimeData& Data, QPoint At, Qt::KeyboardModifiers Modifiers,
                            Qt::DropActions Actions)
{
    QDragEnterEvent Enter(At, Actions, &Data, Qt::LeftButton, Modifiers);
    QApplication::sendEvent(&Target, &Enter);
    QDragMoveEvent Move(At, Actions, &Data, Qt::LeftButton, Modifiers);
    QApplication::sendEvent(&Target, &Move);
    return Accepted(Move);
}

} // namespace

Qt::DropAction DeliverDrop(QWidget& Target, const QMimeData& Data, QPoint At, Qt::KeyboardModifiers Modifiers,
                           Qt::DropActions Actions)
{
    EnterAndMove(Target, Data, At, Modifiers, Actions);
    QDropEvent Drop(At, Actions, &Data, Qt::NoButton, Modifiers);
    QApplication::sendEvent(&Target, &Drop);
    return Accepted(Drop);
}

Qt::DropAction DeliverHover(QWidget& Target, const QMimeData& Data, QPoint At, Qt::DropActions Actions)
{
    const Qt::DropAction Action = EnterAndMove(Target, Data, At, Qt::NoModifier, Actions);
    QDragLeaveEvent Leave;
    QApplication::sendEvent(&Target, &Leave);
    return Action;
}
