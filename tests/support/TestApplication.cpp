#include "tests/support/TestApplication.h"

#include <QApplication>
#include <QPointingDevice>
#include <memory>

void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr) return;
    static int Count = 1;
    static char Name[] = "pixora_tests";
    static char* Arguments[] = {Name, nullptr};
    static const auto Application = [] {
        auto Made = std::make_unique<QApplication>(Count, Arguments);
        // The toolkit's list of input devices must outlive the application, which deletes the devices
        // that mouse events create and unregisters them from that list; statics go in reverse order of
        // their making, so the list is made first here.
        QPointingDevice::primaryPointingDevice();
        return Made;
    }();
}
