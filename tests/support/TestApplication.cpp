#include "tests/support/TestApplication.h"

#include <QApplication>

void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr) return;
    static int Count = 1;
    static char Name[] = "pixora_tests";
    static char* Arguments[] = {Name, nullptr};
    // The application is never destroyed: at exit its destructor would run among the other statics, after
    // some that it still uses (the print support's, the input devices' list), and crashed there.
    [[maybe_unused]] static const QApplication* const Application = new QApplication(Count, Arguments);
}
