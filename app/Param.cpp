#include "app/Param.h"

#include "app/Messages.h"
#include "app/SettingsText.h"
#include "platform/system/FileUtils.h"
#include "platform/system/Messages.h"
#include "platform/system/ProgramFolders.h"

#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace {

// The file-name part of Path with its extension replaced by ".ini".
std::string IniNameOf(const std::string& Path)
{
    const std::string Name = ExtractFileName(Path);
    const std::string Extension = ExtractFileExt(Name);
    return Name.substr(0, Name.size() - Extension.size()) + ".ini";
}

bool SameName(const std::string& Left, const std::string& Right)
{
    return std::equal(Left.begin(), Left.end(), Right.begin(), Right.end(), [](char A, char B) {
        return std::tolower(static_cast<unsigned char>(A)) == std::tolower(static_cast<unsigned char>(B));
    });
}

int DigitValue(char Character)
{
    if (Character >= '0' && Character <= '9') return Character - '0';
    if (Character >= 'a' && Character <= 'f') return Character - 'a' + 10;
    if (Character >= 'A' && Character <= 'F') return Character - 'A' + 10;
    return 99;
}

} // namespace

void TParameter::SetDir(const std::string& Value)
{
    FDir = !Value.empty() || FExeName.empty() ? Value : ExtractFileDir(FExeName);
}

void TParameter::SetFileName(const std::string& Value)
{
    FFileName = !Value.empty() || FExeName.empty() ? Value : IniNameOf(FExeName);
}

std::string TParameter::FullName() const
{
    if (FDir.empty() || FFileName.empty()) return {};
    return FDir + (FDir.back() == '/' ? "" : "/") + FFileName;
}

void TParameter::SetExeName(const std::string& Value)
{
    FExeName = Value;
    if (Value.empty()) return;
    if (FDir.empty()) FDir = ExtractFileDir(Value);
    if (FFileName.empty()) FFileName = IniNameOf(Value);
}

int TParameter::GetCount() const
{
    return int(FLines.size());
}

int TParameter::AddLine(const std::string& S)
{
    FLines.push_back(S);
    return int(FLines.size()) - 1;
}

void TParameter::LoadSettings()
{
    if (QCoreApplication::instance() != nullptr) {
        const bool DirWasEmpty = FDir.empty();
        SetExeName(ExecutablePath());
        // An installed program cannot write beside itself; its files then live in the user's folder.
        if (DirWasEmpty && !FDir.empty()) FDir = ProgramFilesFolder(FDir);
    }
    LoadValues();
}

void TParameter::ClearLines()
{
    FLines.clear();
}

void TParameter::InsertLine(int Index, const std::string& S)
{
    if (Index < 0 || Index > Count()) return;
    FLines.insert(FLines.begin() + Index, S);
}

void TParameter::DeleteLine(int Index)
{
    if (Index < 0 || Index >= Count()) return;
    FLines.erase(FLines.begin() + Index);
}

void TParameter::LoadValues()
{
    const std::string Name = FullName();
    std::error_code Error;
    if (Name.empty() || !std::filesystem::is_regular_file(Name, Error)) return;
    FLines = SettingsLinesOf(ReadWholeFile(Name));
}

void TParameter::SaveValues()
{
    const std::string Name = FullName();
    if (Name.empty()) return;
    WriteWholeFile(Name, SettingsFileOf(FLines));
}

int TParameter::IndexOfName(const std::string& Name) const
{
    for (std::size_t Index = 0; Index < FLines.size(); ++Index) {
        const auto Equals = FLines[Index].find('=');
        if (Equals != std::string::npos && SameName(FLines[Index].substr(0, Equals), Name)) return int(Index);
    }
    return -1;
}

std::string TParameter::ReadText(const std::string& Name) const
{
    const int Index = IndexOfName(Name);
    const std::string Value =
        Index < 0 ? std::string() : FLines[std::size_t(Index)].substr(FLines[std::size_t(Index)].find('=') + 1);
    if (Value == std::string(1, EmptyValueMark)) return {};
    if (Value.empty()) throw EValueName(FormatMessage(Messages::SNameNotFound, Name.c_str()));
    return Value;
}

int TParameter::ReadInteger(const std::string& Name) const
{
    return StrToInt(ReadText(Name));
}

bool TParameter::ReadBool(const std::string& Name) const
{
    const std::string Value = ReadText(Name);
    if (Value == "True") return true;
    if (Value == "False") return false;
    throw EValueName(FormatMessage(Messages::SNotBoolean, Name.c_str(), Value.c_str()));
}

void TParameter::WriteText(const std::string& Name, const std::string& Value)
{
    const std::string Line = Name + "=" + (Value.empty() ? std::string(1, EmptyValueMark) : Value);
    const int Index = IndexOfName(Name);
    if (Index < 0)
        FLines.push_back(Line);
    else
        FLines[std::size_t(Index)] = Line;
}

void TParameter::WriteInteger(const std::string& Name, int Value)
{
    WriteText(Name, std::to_string(Value));
}

void TParameter::WriteBool(const std::string& Name, bool Value)
{
    WriteText(Name, Value ? "True" : "False");
}

std::vector<std::string> SettingsLinesOf(std::span<const std::uint8_t> FileBytes)
{
    // CR and LF are never the second byte of a CP932 character, so the bytes split into lines as they are.
    const std::string Bytes(FileBytes.begin(), FileBytes.end());
    std::vector<std::string> Lines;
    std::size_t Start = 0;
    while (Start < Bytes.size()) {
        const auto End = Bytes.find_first_of("\r\n", Start);
        Lines.push_back(SettingsTextOf(Bytes.substr(Start, End == std::string::npos ? End : End - Start)));
        if (End == std::string::npos) break;
        Start = End + (Bytes.compare(End, 2, "\r\n") == 0 ? 2 : 1);
    }
    return Lines;
}

std::vector<std::uint8_t> SettingsFileOf(const std::vector<std::string>& Lines)
{
    std::string Bytes;
    for (const std::string& Line : Lines) Bytes += SettingsBytesOf(Line) + "\r\n";
    return std::vector<std::uint8_t>(Bytes.begin(), Bytes.end());
}

int StrToInt(const std::string& Text)
{
    const auto Fail = [&]() -> int { throw EConvertError(FormatMessage(Messages::SInvalidInteger, Text.c_str())); };
    std::size_t Position = Text.find_first_not_of(" \t");
    if (Position == std::string::npos) return Fail();
    bool Negative = false;
    if (Text[Position] == '+' || Text[Position] == '-') Negative = Text[Position++] == '-';
    int Base = 10;
    if (Text.compare(Position, 1, "$") == 0 || Text.compare(Position, 1, "x") == 0 ||
        Text.compare(Position, 1, "X") == 0) {
        Base = 16;
        ++Position;
    } else if (Text.compare(Position, 2, "0x") == 0 || Text.compare(Position, 2, "0X") == 0) {
        Base = 16;
        Position += 2;
    }
    if (Position >= Text.size()) return Fail();
    // Hexadecimal text spans the 32 bits (as "$FFFFFFFF" for -1); decimal stays within the signed range.
    const std::uint64_t Limit = Base == 16 ? 0xFFFFFFFFu : (Negative ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t Value = 0;
    for (; Position < Text.size(); ++Position) {
        const int Digit = DigitValue(Text[Position]);
        if (Digit >= Base) return Fail();
        Value = Value * std::uint64_t(Base) + std::uint64_t(Digit);
        if (Value > Limit) return Fail();
    }
    const auto Bits = std::uint32_t(Negative ? 0u - std::uint32_t(Value) : std::uint32_t(Value));
    return std::int32_t(Bits);
}
