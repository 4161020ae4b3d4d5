#pragma once
// Where the editor's top-level windows go at start, and their placement as the settings keep it: the
// client area's left and top on the desktop, its width and height (plus a fixed allowance for a window
// whose keys hold its outer size) and the window state. Reading and applying the same thing keeps a
// window that was not moved where it was, start after start, whatever frame the window manager draws.

#include "app/Settings.h"

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// The placement a window is shown at on screens whose available areas are Areas (the primary screen's
// first). A width or height that no screen can show (below 1, or beyond the extent of all the areas)
// takes FirstStart's; then the window with its Frame is shrunk to fit, and moved into, the area it
// covers most (the first when it covers none). A placement that fits stays as it was.
TWindowPlacement FitPlacement(TWindowPlacement Stored, const TWindowPlacement& FirstStart, const QMargins& Frame,
                              const QList<QRect>& Areas);

// Window's placement: its normal client bounds (also while maximised or minimised), Extra added to the
// size, and its state.
TWindowPlacement PlacementOf(const QWidget& Window, QSize Extra);
// Sets Window's bounds and state from Placement (its size less Extra), fitted to the screens with its
// frame; a window not yet framed is fitted again once the window manager has framed it.
void PlaceWindow(QWidget& Window, const TWindowPlacement& Placement, const TWindowPlacement& FirstStart, QSize Extra);
