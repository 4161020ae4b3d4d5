// Feeds arbitrary bytes to the settings reader as a settings file's contents, reads every key as the
// main window does at start, writes them back and reads the written file again. A bad key may only end
// in its message; anything else (a crash, another exception, a file that reads back differently) is a
// bug.
#include "app/Param.h"
#include "app/Settings.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TParameter Parameter;
    for (const std::string& Line : SettingsLinesOf(std::span(Data, Size))) Parameter.AddLine(Line);
    TSettingsValues Values;
    ReadSettings(Parameter, Values);
    WriteSettings(Parameter, Values);

    // Once written, the lines are in the code page's repertoire and read back unchanged, every key good.
    const std::vector<std::string> Written = SettingsLinesOf(SettingsFileOf(Parameter.Lines()));
    TParameter Again;
    for (const std::string& Line : Written) Again.AddLine(Line);
    TSettingsValues ReadAgain;
    if (!ReadSettings(Again, ReadAgain).empty()) __builtin_trap();
    if (SettingsLinesOf(SettingsFileOf(Written)) != Written) __builtin_trap();
    if (ReadAgain.Levels != Values.Levels || ReadAgain.Histogram.Width != Values.Histogram.Width) __builtin_trap();
    return 0;
}
