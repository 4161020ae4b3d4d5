#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

int StateOf(Qt::WindowStates States)
{
    if (States & Qt::WindowMaximized) return WindowStateMaximised;
    if (States & Qt::WindowMinimized) return WindowStateMinimised;
    return WindowStateNormal;
}

Qt::WindowStates WindowStatesOf(int State)
{
    if (State == WindowStateMaximised) return Qt::WindowMaximized;
    if (State == WindowStateMinimised) return Qt::WindowMinimized;
    return Qt::WindowNoState;
}

// Start places Length inside [Low, Low + Room); the low end wins where it does not fit.
int PlacedInside(int Start, int Length, int Low, int Room)
{
    return std::max(Low, std::min(Start, Low + Room - Length));
}

// The available areas of the screens, the primary screen's first.
QList<QRect> AvailableAreas()
{
    QList<QRect> Areas;
    if (const QScreen* Primary = QGuiApplication::primaryScreen()) Areas << Primary->availableGeometry();
    for (const QScreen* Screen : QGuiApplication::screens())
        if (Screen != QGuiApplication::primaryScreen()) Areas << Screen->availableGeometry();
    return Areas;
}

// The frame around Window; none while the window manager has not yet framed it. Asked of the native
// window each time: the widget's own frameGeometry() keeps the frame it read at the last move or resize,
// which can be from before the window manager announced the frame.
QMargins FrameMargins(const QWidget& Window)
{
    const QWindow* Native = Window.windowHandle();
    return Native ? Native->frameMargins() : QMargins();
}

bool FrameKnown(const QWidget& Window)
{
    return !FrameMargins(Window).isNull();
}

// How long a window placed before it was framed waits for its frame (up to 10 s on a busy machine), and
// how long it keeps checking once framed, while the window manager settles the frame and the position: 50 ms
// a try.
constexpr int FramingTries = 200;
constexpr int SettlingTries = 60;

// Fits Window once more when the window manager has framed it: placed with no frame assumed, a window
// that fits stays where it was, and one whose frame runs off the screen moves by as much as it does.
void RefitWhenFramed(QWidget& Window, int TriesLeft)
{
    QTimer::singleShot(50, &Window, [&Window, TriesLeft] {
        if (!Window.isVisible() || Window.windowState() != Qt::WindowNoState) return;
        if (!FrameKnown(Window)) {
            if (TriesLeft > 1) RefitWhenFramed(Window, TriesLeft - 1);
            return;
        }
        const QRect Client = Window.geometry();
        const TWindowPlacement Current{Client.left(), Client.top(), Client.width(), Client.height(), WindowStateNormal};
        const TWindowPlacement Fitted = FitPlacement(Current, Current, FrameMargins(Window), AvailableAreas());
        if (Fitted != Current) Window.setGeometry(Fitted.Left, Fitted.Top, Fitted.Width, Fitted.Height);
        if (TriesLeft > 1) RefitWhenFramed(Window, std::min(TriesLeft - 1, SettlingTries));
    });
}

} // namespace

TWindowPlacement FitPlacement(TWindowPlacement Stored, const TWindowPlacement& FirstStart, const QMargins& Frame,
                              const QList<QRect>& Areas)
{
    if (Areas.isEmpty()) return Stored;
    QRect Desktop;
    for (const QRect& Area : Areas) Desktop |= Area;
    if (Stored.Width < 1 || Stored.Width > Desktop.width()) Stored.Width = FirstStart.Width;
    if (Stored.Height < 1 || Stored.Height > Desktop.height()) Stored.Height = FirstStart.Height;
    // Far-off positions come near the desktop first, so that no sum below overflows.
    Stored.Left = std::clamp(Stored.Left, Desktop.left() - Stored.Width, Desktop.left() + Desktop.width());
    Stored.Top = std::clamp(Stored.Top, Desktop.top() - Stored.Height, Desktop.top() + Desktop.height());

    const QRect Outer = QRect(Stored.Left, Stored.Top, Stored.Width, Stored.Height).marginsAdded(Frame);
    QRect Area = Areas.front();
    long long Covered = 0;
    for (const QRect& Candidate : Areas) {
        const QRect Common = Candidate & Outer;
        const long long Size = Common.isEmpty() ? 0 : (long long)Common.width() * Common.height();
        if (Size > Covered) {
            Covered = Size;
            Area = Candidate;
        }
    }
    const int FrameWidth = Frame.left() + Frame.right();
    const int FrameHeight = Frame.top() + Frame.bottom();
    Stored.Width = std::max(1, std::min(Stored.Width, Area.width() - FrameWidth));
    Stored.Height = std::max(1, std::min(Stored.Height, Area.height() - FrameHeight));
    Stored.Left =
        PlacedInside(Stored.Left - Frame.left(), Stored.Width + FrameWidth, Area.left(), Area.width()) + Frame.left();
    Stored.Top =
        PlacedInside(Stored.Top - Frame.top(), Stored.Height + FrameHeight, Area.top(), Area.height()) + Frame.top();
    return Stored;
}

TWindowPlacement PlacementOf(const QWidget& Window, QSize Extra)
{
    const QRect Normal = Window.isMaximized() || Window.isMinimized() ? Window.normalGeometry() : Window.geometry();
    return {Normal.left(), Normal.top(), Normal.width() + Extra.width(), Normal.height() + Extra.height(),
            StateOf(Window.windowState())};
}

void PlaceWindow(QWidget& Window, const TWindowPlacement& Placement, const TWindowPlacement& FirstStart, QSize Extra)
{
    const auto Client = [&Extra](TWindowPlacement Outer) {
        Outer.Width -= Extra.width();
        Outer.Height -= Extra.height();
        return Outer;
    };
    const TWindowPlacement Fitted =
        FitPlacement(Client(Placement), Client(FirstStart), FrameMargins(Window), AvailableAreas());
    // The client area's bounds, as they are read back.
    Window.setGeometry(Fitted.Left, Fitted.Top, Fitted.Width, Fitted.Height);
    Window.setWindowState(WindowStatesOf(Fitted.WindowState));
    if (!FrameKnown(Window)) RefitWhenFramed(Window, FramingTries);
}
