#pragma once
// TParameter: the settings component. It holds the settings file's lines in memory (UTF-8), finds the
// file from the executable's path, loads and saves it (CP932 text, CR LF line ends), and reads and writes
// typed values by name. Names match without regard to letter case; the first matching line wins.

#include "platform/system/Exceptions.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A missing name or a value of the wrong kind.
class EValueName : public Exception
{
    using Exception::Exception;
};

// The value standing for an empty string: a line with nothing after "=" counts as missing.
inline constexpr char EmptyValueMark = '\x1A';

class TParameter
{
public:
    TParameter() = default;
    virtual ~TParameter() = default;
    TParameter(const TParameter&) = delete;
    TParameter& operator=(const TParameter&) = delete;

    // The folder of the settings file. Setting it empty while ExeName is known takes ExeName's folder.
    const std::string& Dir() const { return FDir; }
    void SetDir(const std::string& Value);
    // The settings file's name. Setting it empty while ExeName is known takes ExeName's name with ".ini".
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& Value);
    // Dir "/" FileName; empty unless both are set.
    std::string FullName() const;
    // The executable's full path; setting it fills an empty Dir and FileName from it (pixora → pixora.ini).
    const std::string& ExeName() const { return FExeName; }
    void SetExeName(const std::string& Value);
    // The number of lines, the header included.
    int Count() const { return GetCount(); }
    const std::vector<std::string>& Lines() const { return FLines; }

    virtual int GetCount() const;
    // Appends S as a line; its index.
    virtual int AddLine(const std::string& S);
    // With an application object: ExeName := the running executable, and an empty Dir becomes the
    // folder where the program keeps its files (ProgramFilesFolder: the executable's folder, or the
    // user's settings folder when that cannot be written). Then LoadValues.
    virtual void LoadSettings();
    virtual void ClearLines();
    // Inserts S before the line at Index (0..Count); other indexes are ignored.
    virtual void InsertLine(int Index, const std::string& S);
    // Deletes the line at Index; other indexes are ignored.
    virtual void DeleteLine(int Index);
    // Replaces the lines by those of the file FullName when it exists; otherwise changes nothing. A file
    // that exists but cannot be read raises "ファイル %s は開けません".
    virtual void LoadValues();
    // Writes every line to FullName (nothing when it is empty) through a temporary file renamed over it,
    // so a failed write leaves the previous file; raises "ファイル %s を作成できません".
    virtual void SaveValues();

    // The value of Name; the empty mark reads as "". Raises EValueName "Name '%s' is not found in
    // parameters." when no line has the name or its value is empty.
    std::string ReadText(const std::string& Name) const;
    // ReadText as a 32-bit integer (decimal, or hexadecimal after "$" or "0x"); other text raises
    // EConvertError "'%s' は整数ではありません".
    int ReadInteger(const std::string& Name) const;
    // ReadText as exactly "True" or "False"; other text raises EValueName "Value of %s '%s' is not
    // Boolean Type.".
    bool ReadBool(const std::string& Name) const;

    // Replaces the value of the first line named Name, or appends Name=Value; "" is stored as the mark.
    void WriteText(const std::string& Name, const std::string& Value);
    void WriteInteger(const std::string& Name, int Value);
    void WriteBool(const std::string& Name, bool Value);

private:
    int IndexOfName(const std::string& Name) const;

    std::vector<std::string> FLines;
    std::string FDir;
    std::string FFileName;
    std::string FExeName;
};

// The lines of a settings file's bytes (CP932 as SettingsTextOf reads it; lines end in CR LF, CR or LF).
std::vector<std::string> SettingsLinesOf(std::span<const std::uint8_t> FileBytes);
// The bytes of a settings file of Lines: CP932 as SettingsBytesOf writes it, every line ended by CR LF.
// A line read from a file is written back as the same bytes.
std::vector<std::uint8_t> SettingsFileOf(const std::vector<std::string>& Lines);
// Text as the run-time library's integer conversion reads it; raises "'%s' は整数ではありません".
int StrToInt(const std::string& Text);
