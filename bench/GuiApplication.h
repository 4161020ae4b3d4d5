#pragma once
// The application object the benchmarks that draw text need.

#include <QGuiApplication>

// Text is drawn only with an application object; one is made for the benchmarks on the offscreen
// platform unless another platform is asked for.
inline void EnsureGuiApplication()
{
    if (QCoreApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int Count = 1;
    static char Name[] = "pixora_bench";
    static char* Arguments[] = {Name, nullptr};
    // The application is never destroyed: at exit it would go among the other statics, some of which hold
    // the toolkit's objects, and its destructor crashed there after a full run of the benchmarks.
    [[maybe_unused]] static const QGuiApplication* const Application = new QGuiApplication(Count, Arguments);
}
