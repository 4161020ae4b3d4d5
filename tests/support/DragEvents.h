#pragma once
// Drags delivered to a widget in-process, as the toolkit delivers another program's drag: enter, a
// move, then a drop or a leave.

#include <QMimeData>
#include <QPoint>
#include <QWidget>

// Enters Target at At (its own coordinates) with Data, moves there and drops; the action the widget
// accepted the drop with, or Qt::IgnoreAction.
Qt::DropAction DeliverDrop(QWidget& Target, const QMimeData& Data, QPoint At,
                           Qt::KeyboardModifiers Modifiers = Qt::NoModifier,
                           Qt::DropActions Actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
// Enters and moves as above, then leaves; the action the last move was accepted with.
Qt::DropAction DeliverHover(QWidget& Target, const QMimeData& Data, QPoint At,
                            Qt::DropActions Actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
