#pragma once
// The application object the benchmarks that draw text or open the main window need, and that window.

#include "app/Frame.h"

#include <QApplication>

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
    [[maybe_unused]] static const QApplication* const Application = new QApplication(Count, Arguments);
}

// The main window, never shown, so it neither reads nor writes its settings.
inline TForm1& BenchWindow()
{
    EnsureGuiApplication();
    static TForm1 Form;
    return Form;
}
