#include "app/CommandLine.h"

const char* const CommandLineUsage =
    "usage: pixora [FILE]\n"
    "       pixora --open FILE\n"
    "       pixora --help\n"
    "\n"
    "Starts the Pixora picture editor. FILE (BMP, JPEG, PNG, icon, EMF, WMF and the other\n"
    "formats the open dialog reads) is opened as if it had been chosen there.\n"
    "Options of the toolkit (-platform, -display, ...) are taken as Qt documents them.\n";

TCommandLine ParseCommandLine(const QStringList& Arguments)
{
    TCommandLine Line;
    bool OnlyFiles = false;
    for (qsizetype Index = 0; Index < Arguments.size(); ++Index) {
        const QString& Word = Arguments[Index];
        const bool HasValue = Index + 1 < Arguments.size();
        if (OnlyFiles || !Word.startsWith(QLatin1Char('-')) || Word == QLatin1String("-")) {
            if (Line.Open.empty()) Line.Open = Word.toStdString();
        } else if (Word == QLatin1String("--")) {
            OnlyFiles = true;
        } else if (Word == QLatin1String("--help") || Word == QLatin1String("-h")) {
            Line.Help = true;
        } else if ((Word == QLatin1String("--open") || Word == QLatin1String("--screenshot")) && HasValue) {
            (Word == QLatin1String("--open") ? Line.Open : Line.Screenshot) = Arguments[++Index].toStdString();
        } else if (Word == QLatin1String("--open") || Word == QLatin1String("--screenshot")) {
            Line.Error = Word.toStdString() + " takes a FILE";
        } else {
            Line.Error = "unknown option " + Word.toStdString();
        }
    }
    return Line;
}
