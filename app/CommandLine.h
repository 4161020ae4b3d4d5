#pragma once
// The editor's command line, as a file manager's "Open with" and the desktop entry start it.

#include <QStringList>
#include <string>

struct TCommandLine
{
    // --help: the usage is printed and the program ends.
    bool Help = false;
    // The file opened at start, as if chosen in the open dialog: "--open FILE", or the first bare FILE.
    std::string Open;
    // --screenshot FILE, for the real-window tests: the window as the display shows it, a second after
    // the start, written to FILE (PNG); then the program ends.
    std::string Screenshot;
    // What is wrong with the command line, or "".
    std::string Error;
};

// The options and files after the program's name (the toolkit's own options already taken out).
TCommandLine ParseCommandLine(const QStringList& Arguments);

// The text --help prints.
extern const char* const CommandLineUsage;
