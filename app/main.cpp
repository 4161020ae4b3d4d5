// Pixora: the main window, shown until it closes.
//
// "--open FILE" opens FILE through the open command as if the user had chosen it in the dialog; the
// desktop entry starts the program with it. "--screenshot FILE", for the real-window test only, writes
// the window as the display server shows it to FILE (PNG) a second after start, then quits.

#include "app/Frame.h"
#include "platform/controls/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <cstdio>

namespace {

QString OptionValue(const QStringList& Arguments, const QString& Name)
{
    const qsizetype At = Arguments.indexOf(Name);
    return At >= 0 && At + 1 < Arguments.size() ? Arguments[At + 1] : QString();
}

} // namespace

int main(int Count, char** Arguments)
{
    QApplication Application(Count, Arguments);
    Application.setApplicationName(QStringLiteral("Pixora"));
    TForm1 Form1;
    Form1.show();

    const QStringList Options = QApplication::arguments();
    if (const QString Open = OptionValue(Options, QStringLiteral("--open")); !Open.isEmpty()) {
        SetFileDialogAnswerer([&Open](const TFileDialogRequest&) { return std::optional(Open.toStdString()); });
        Form1.findChild<QAction*>(QStringLiteral("Open1"))->trigger();
        SetFileDialogAnswerer(nullptr);
    }
    if (const QString Shot = OptionValue(Options, QStringLiteral("--screenshot")); !Shot.isEmpty()) {
        QTimer::singleShot(1000, &Form1, [&Form1, Shot] {
            const QPixmap Window = Form1.screen()->grabWindow(Form1.winId());
            if (!Window.save(Shot, "PNG")) std::fprintf(stderr, "cannot write %s\n", qPrintable(Shot));
            QApplication::exit(Window.isNull() ? 1 : 0);
        });
    }
    return Application.exec();
}
