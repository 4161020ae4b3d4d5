#pragma once
// Text in the desktop's ANSI code page of the Japanese interface, Shift-JIS as CP932 has it (the
// settings file), and back to the UTF-8 the program holds.

#include <string>

// CP932 bytes of UTF-8 Text; a character CP932 lacks, or a byte that is no UTF-8, becomes "?".
std::string Cp932FromUtf8(const std::string& Text);
// UTF-8 of CP932 bytes; a byte that starts no CP932 character becomes U+FFFD.
std::string Utf8FromCp932(const std::string& Bytes);
