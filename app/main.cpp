// Pixora: the main window, shown until it closes (see app/CommandLine.h for the command line).

#include "app/CommandLine.h"
#include "app/Frame.h"
#include "app/InterfaceFont.h"
#include "app/Messages.h"
#include "app/ToolkitTranslations.h"
#include "platform/controls/Dialogs.h"
#include "platform/system/Exceptions.h"
#include "platform/system/FileUtils.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

// The application's default handler: an error that leaves an event handler of any window is shown in a
// message box, and the program carries on with the state reached.
class TApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* Receiver, QEvent* Event) override
    {
        try {
            return QApplication::notify(Receiver, Event);
        } catch (const std::exception& Error) {
            ShowErrorMessage(activeWindow(), ErrorMessageOf(Error));
            return false;
        }
    }
};

} // namespace

int main(int Count, char** Arguments)
{
    // Answered before the application object, which needs a display.
    for (int Index = 1; Index < Count && std::strcmp(Arguments[Index], "--") != 0; ++Index) {
        if (std::strcmp(Arguments[Index], "--help") == 0 || std::strcmp(Arguments[Index], "-h") == 0) {
            std::fputs(CommandLineUsage, stdout);
            return 0;
        }
    }
    TApplication Application(Count, Arguments);
    IgnoreWriteSignals();
    Application.setApplicationName(QStringLiteral("Pixora"));
    const TCommandLine Line = ParseCommandLine(QApplication::arguments().mid(1));
    if (!Line.Error.empty()) {
        std::fprintf(stderr, "pixora: %s (see pixora --help)\n", Line.Error.c_str());
        return 2;
    }
    InstallToolkitTranslations();
    TForm1 Form1;
    Form1.show();

    if (!JapaneseFontInstalled()) {
        std::fprintf(stderr, "pixora: %s\n", Messages::SNoJapaneseFont);
        // Once the window is on the screen.
        QTimer::singleShot(0, &Form1, [&Form1] { ShowErrorMessage(&Form1, Messages::SNoJapaneseFont); });
    }
    if (!Line.Open.empty()) {
        const std::string File = Line.Open;
        SetFileDialogAnswerer([&File](const TFileDialogRequest&) { return std::optional(File); });
        Form1.findChild<QAction*>(QStringLiteral("Open1"))->trigger();
        SetFileDialogAnswerer(nullptr);
    }
    if (const QString Shot = QString::fromStdString(Line.Screenshot); !Shot.isEmpty()) {
        QTimer::singleShot(1000, &Form1, [&Form1, Shot] {
            const QPixmap Window = Form1.screen()->grabWindow(Form1.winId());
            if (!Window.save(Shot, "PNG")) std::fprintf(stderr, "cannot write %s\n", qPrintable(Shot));
            QApplication::exit(Window.isNull() ? 1 : 0);
        });
    }
    return Application.exec();
}
