#pragma once
// The text of a settings file line and the UTF-8 the program holds, converted so that nothing is lost
// either way. The file stays Shift-JIS (CP932) text:
// - a character CP932 lacks (the é of a folder "Café") is written as "&#xHEX;" (upper-case hex, no
//   leading zeros), and a literal "&" that would read as such a reference as "&#x26;";
// - a byte that begins no CP932 character reads as the lone surrogate U+DC00 + byte, which no text
//   holds, and is written back as that byte, so a value nobody changed keeps its bytes.

#include <string>

// UTF-8 of a line's CP932 bytes (without its line end).
std::string SettingsTextOf(const std::string& Bytes);
// CP932 bytes of a line's UTF-8 text; SettingsTextOf gives the text back.
std::string SettingsBytesOf(const std::string& Text);
