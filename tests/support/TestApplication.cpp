#include "tests/support/TestApplication.h"

#include <QApplication>
#include <memory>

void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr) return;
    static int Count = 1;
    static char Name[] = "pixora_tests";
    static char* Arguments[] = {Name, nullptr};
    static const auto Application = std::make_unique<QApplication>(Count, Arguments);
}
