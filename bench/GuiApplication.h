#pragma once
// The application object the benchmarks that draw text need.

#include <QGuiApplication>
#include <QPointingDevice>

#include <memory>

// Text is drawn only with an application object; one is made for the benchmarks on the offscreen
// platform unless another platform is asked for.
inline void EnsureGuiApplication()
{
    if (QCoreApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int Count = 1;
    static char Name[] = "pixora_bench";
    static char* Arguments[] = {Name, nullptr};
    static const auto Application = [] {
        auto Made = std::make_unique<QGuiApplication>(Count, Arguments);
        // The toolkit's list of input devices must outlive the application, which unregisters its devices
        // from it; statics go in reverse order of their making, so the list is made first here.
        QPointingDevice::primaryPointingDevice();
        return Made;
    }();
}
