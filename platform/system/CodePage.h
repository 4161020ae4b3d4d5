#pragma once
// Text in the desktop's ANSI code page of the Japanese interface, Shift-JIS as CP932 has it (the
// settings file), and back to the UTF-8 the program holds.

#include <string>
#include <string_view>
#include <vector>

// CP932 bytes of UTF-8 Text; a character CP932 lacks, or a byte that is no UTF-8, becomes "?".
std::string Cp932FromUtf8(const std::string& Text);
// UTF-8 of CP932 bytes; a byte that starts no CP932 character becomes U+FFFD.
std::string Utf8FromCp932(const std::string& Bytes);

// The iconv name of the code page text in a font of the character set CharSet (a logical font's
// lfCharSet) is written in. DEFAULT_CHARSET is the program's own ANSI code page, CP932; the symbol
// character set keeps each byte as the character of that number.
const char* CharSetEncoding(int CharSet);
// UTF-16 of Bytes in Encoding, character by character: a byte that starts no character, and a character
// cut off by the end of the bytes, become U+FFFD and the rest is read on. Lengths, when given, receives
// for each UTF-16 unit the number of bytes its character came from (0 for the second unit of a pair).
std::u16string Utf16FromCodePage(const char* Encoding, std::string_view Bytes,
                                 std::vector<std::size_t>* Lengths = nullptr);
// Bytes in Encoding of UTF-16 Text; a character the code page lacks becomes "?".
std::string CodePageFromUtf16(const char* Encoding, std::u16string_view Text);
