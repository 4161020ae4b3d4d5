#include "platform/system/Screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

int ScreenPixelsPerInch()
{
    constexpr int DefaultPixelsPerInch = 96;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return DefaultPixelsPerInch;
    const QScreen* Primary = QGuiApplication::primaryScreen();
    if (Primary == nullptr) return DefaultPixelsPerInch;
    const int PixelsPerInch = int(std::nearbyint(Primary->logicalDotsPerInchY()));
    return PixelsPerInch > 0 ? PixelsPerInch : DefaultPixelsPerInch;
}
