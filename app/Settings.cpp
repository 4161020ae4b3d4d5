#include "app/Settings.h"

#include "app/Messages.h"
#include "app/Param.h"

namespace {

// Reads one key into Target with Reader; the message of a bad key goes to Errors and Target stays.
template <typename T, typename TReader>
void ReadKey(const TParameter& Parameter, const char* Name, T& Target, TReader Reader, std::vector<std::string>& Errors)
{
    try {
        Target = (Parameter.*Reader)(Name);
    } catch (const Exception& Error) {
        Errors.push_back(Error.Message());
    }
}

// Whether the file holds a usable integer under Name.
bool HoldsInteger(const TParameter& Parameter, const char* Name)
{
    try {
        Parameter.ReadInteger(Name);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

// Writes a key unless Keep is set and the file already holds a usable value for it.
void WriteBound(TParameter& Parameter, const char* Name, int Value, bool Keep)
{
    if (!Keep || !HoldsInteger(Parameter, Name)) Parameter.WriteInteger(Name, Value);
}

void ReadPlacement(const TParameter& Parameter, const std::array<const char*, 5>& Names, TWindowPlacement& Placement,
                   std::vector<std::string>& Errors)
{
    ReadKey(Parameter, Names[0], Placement.Left, &TParameter::ReadInteger, Errors);
    ReadKey(Parameter, Names[1], Placement.Top, &TParameter::ReadInteger, Errors);
    ReadKey(Parameter, Names[2], Placement.Width, &TParameter::ReadInteger, Errors);
    ReadKey(Parameter, Names[3], Placement.Height, &TParameter::ReadInteger, Errors);
    ReadKey(Parameter, Names[4], Placement.WindowState, &TParameter::ReadInteger, Errors);
}

void WritePlacement(TParameter& Parameter, const std::array<const char*, 5>& Names, const TWindowPlacement& Placement)
{
    const bool Maximised = Placement.WindowState == WindowStateMaximised;
    WriteBound(Parameter, Names[0], Placement.Left, Maximised);
    WriteBound(Parameter, Names[1], Placement.Top, Maximised);
    WriteBound(Parameter, Names[2], Placement.Width, Maximised);
    WriteBound(Parameter, Names[3], Placement.Height, Maximised);
    Parameter.WriteInteger(Names[4], Placement.WindowState);
}

constexpr std::array<const char*, 5> MainKeys = {SettingsKeys::Left, SettingsKeys::Top, SettingsKeys::Width,
                                                 SettingsKeys::Height, SettingsKeys::WindowState};
constexpr std::array<const char*, 5> HistogramKeys = {SettingsKeys::HLeft, SettingsKeys::HTop, SettingsKeys::HWidth,
                                                      SettingsKeys::HHeight, SettingsKeys::HWindowState};

} // namespace

std::vector<std::string> ReadSettings(const TParameter& Parameter, TSettingsValues& Values)
{
    std::vector<std::string> Errors;
    ReadPlacement(Parameter, MainKeys, Values.Main, Errors);
    for (std::size_t Index = 0; Index < Values.Levels.size(); ++Index)
        ReadKey(Parameter, SettingsKeys::Levels[Index], Values.Levels[Index], &TParameter::ReadInteger, Errors);
    ReadKey(Parameter, SettingsKeys::LightFromLeft, Values.LightFromLeft, &TParameter::ReadBool, Errors);
    ReadKey(Parameter, SettingsKeys::OpenDir, Values.OpenDir, &TParameter::ReadText, Errors);
    ReadKey(Parameter, SettingsKeys::SaveDir, Values.SaveDir, &TParameter::ReadText, Errors);
    ReadKey(Parameter, SettingsKeys::Smooth, Values.Smooth, &TParameter::ReadBool, Errors);
    ReadPlacement(Parameter, HistogramKeys, Values.Histogram, Errors);
    ReadKey(Parameter, SettingsKeys::Histgram, Values.HistogramOpen, &TParameter::ReadBool, Errors);
    return Errors;
}

std::vector<std::string> ReadHistogramPlacement(const TParameter& Parameter, TWindowPlacement& Placement)
{
    std::vector<std::string> Errors;
    ReadPlacement(Parameter, HistogramKeys, Placement, Errors);
    return Errors;
}

void WriteSettings(TParameter& Parameter, const TSettingsValues& Values)
{
    WritePlacement(Parameter, MainKeys, Values.Main);
    for (std::size_t Index = 0; Index < Values.Levels.size(); ++Index)
        Parameter.WriteInteger(SettingsKeys::Levels[Index], Values.Levels[Index]);
    Parameter.WriteBool(SettingsKeys::LightFromLeft, Values.LightFromLeft);
    Parameter.WriteText(SettingsKeys::OpenDir, Values.OpenDir);
    Parameter.WriteText(SettingsKeys::SaveDir, Values.SaveDir);
    Parameter.WriteBool(SettingsKeys::Smooth, Values.Smooth);
    WriteHistogramPlacement(Parameter, Values.Histogram);
    Parameter.WriteBool(SettingsKeys::Histgram, Values.HistogramOpen);
}

void WriteHistogramPlacement(TParameter& Parameter, const TWindowPlacement& Placement)
{
    WritePlacement(Parameter, HistogramKeys, Placement);
}

void WriteFirstStartSettings(TParameter& Parameter, const TSettingsValues& Values)
{
    Parameter.AddLine(Messages::SSettingsHeader);
    WriteSettings(Parameter, Values);
}

std::string JoinedLines(const std::vector<std::string>& Messages)
{
    std::string Text;
    for (std::size_t Index = 0; Index < Messages.size(); ++Index) Text += (Index == 0 ? "" : "\n") + Messages[Index];
    return Text;
}
