// pixora-batch: the picture operations of Pixora on files (see cli/BatchCommand.h).
#include "cli/BatchCommand.h"
#include "platform/system/FileUtils.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

int main(int Count, char** Arguments)
{
    // Taken before Qt sees the command line and removes the options it knows.
    const std::vector<std::string> Words(Arguments + 1, Arguments + Count);
    // Drawing text needs an application object, never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's warnings about the session (no runtime folder and the like) are noise on a batch tool's error
    // stream, which carries the picture layer's messages alone.
    qInstallMessageHandler([](QtMsgType Type, const QMessageLogContext&, const QString& Message) {
        if (Type == QtCriticalMsg || Type == QtFatalMsg) std::cerr << Message.toStdString() << "\n";
    });
    QGuiApplication Application(Count, Arguments);
    IgnoreWriteSignals();
    const int Status = RunBatch(Words, std::cout, std::cerr);
    // Ends here, the output written: taking the application object down would load the font configuration
    // only to release it, and freeing the picture's memory is the system's work at exit.
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(Status);
}
