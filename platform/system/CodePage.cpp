#include "platform/system/CodePage.h"

#include <cerrno>
#include <iconv.h>
#include <memory>
#include <string_view>

namespace {

struct TIconvCloser
{
    void operator()(iconv_t Descriptor) const { iconv_close(Descriptor); }
};
using TConverter = std::unique_ptr<std::remove_pointer_t<iconv_t>, TIconvCloser>;

// Converts Input from one encoding to another; where a character cannot be converted, it is skipped
// (from UTF-8 the whole sequence, from UTF-16 one unit, otherwise one byte) and Replacement written
// instead.
std::string Convert(const char* To, const char* From, const std::string& Input, const std::string& Replacement)
{
    const TConverter Converter(iconv_open(To, From));
    if (Converter.get() == reinterpret_cast<iconv_t>(-1)) return Input;
    std::string Output;
    char Buffer[4096];
    char* In = const_cast<char*>(Input.data());
    std::size_t InLeft = Input.size();
    while (InLeft > 0) {
        char* Out = Buffer;
        std::size_t OutLeft = sizeof Buffer;
        const std::size_t Result = iconv(Converter.get(), &In, &InLeft, &Out, &OutLeft);
        Output.append(Buffer, std::size_t(Out - Buffer));
        if (Result != std::size_t(-1) || errno == E2BIG) continue;
        // EILSEQ, or an incomplete sequence at the end.
        Output += Replacement;
        const bool FromUtf8 = std::string_view(From) == "UTF-8";
        const bool FromUtf16 = std::string_view(From) == "UTF-16LE";
        do {
            In += FromUtf16 ? 2 : 1;
            InLeft -= FromUtf16 ? std::min<std::size_t>(2, InLeft) : 1;
        } while (FromUtf8 && InLeft > 0 && (static_cast<unsigned char>(*In) & 0xC0) == 0x80);
        iconv(Converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    char* Out = Buffer;
    std::size_t OutLeft = sizeof Buffer;
    iconv(Converter.get(), nullptr, nullptr, &Out, &OutLeft);
    Output.append(Buffer, std::size_t(Out - Buffer));
    return Output;
}

} // namespace

std::string Cp932FromUtf8(const std::string& Text)
{
    return Convert("CP932", "UTF-8", Text, "?");
}

std::string Utf8FromCp932(const std::string& Bytes)
{
    return Convert("UTF-8", "CP932", Bytes, "\xEF\xBF\xBD");
}

const char* CharSetEncoding(int CharSet)
{
    switch (CharSet) {
    case 1: // DEFAULT_CHARSET: the program's own ANSI code page
    case 128:
        return "CP932";
    case 129:
        return "CP949";
    case 130:
        return "JOHAB";
    case 134:
        return "CP936";
    case 136:
        return "CP950";
    case 161:
        return "CP1253";
    case 162:
        return "CP1254";
    case 163:
        return "CP1258";
    case 177:
        return "CP1255";
    case 178:
        return "CP1256";
    case 186:
        return "CP1257";
    case 204:
        return "CP1251";
    case 222:
        return "CP874";
    case 238:
        return "CP1250";
    case 77:
        return "MACINTOSH";
    case 255:
        return "CP437";
    case 2: // SYMBOL_CHARSET: the bytes are the font's own glyph numbers
        return "ISO-8859-1";
    default: // ANSI_CHARSET
        return "CP1252";
    }
}

std::u16string Utf16FromCodePage(const char* Encoding, std::string_view Bytes, std::vector<std::size_t>* Lengths)
{
    std::u16string Result;
    if (Lengths) Lengths->clear();
    const TConverter Converter(iconv_open("UTF-16LE", Encoding));
    if (Converter.get() == reinterpret_cast<iconv_t>(-1)) {
        for (const char Byte : Bytes) {
            Result.push_back(char16_t(static_cast<unsigned char>(Byte)));
            if (Lengths) Lengths->push_back(1);
        }
        return Result;
    }
    // One character at a time, so that each is known with its bytes: a byte that starts no character
    // becomes U+FFFD, and a character cut off by the end of the bytes too.
    std::size_t At = 0;
    while (At < Bytes.size()) {
        char16_t Units[4];
        std::size_t Taken = 0, Made = 0;
        for (std::size_t Length = 1; Length <= 4 && At + Length <= Bytes.size(); ++Length) {
            char* In = const_cast<char*>(Bytes.data() + At);
            std::size_t InLeft = Length;
            char* Out = reinterpret_cast<char*>(Units);
            std::size_t OutLeft = sizeof Units;
            iconv(Converter.get(), nullptr, nullptr, nullptr, nullptr);
            const std::size_t Done = iconv(Converter.get(), &In, &InLeft, &Out, &OutLeft);
            if (Done != std::size_t(-1) && InLeft == 0) {
                Taken = Length;
                Made = (sizeof Units - OutLeft) / 2;
                break;
            }
            if (errno != EINVAL) break; // EILSEQ: no character starts here
        }
        if (Taken == 0) {
            Taken = 1;
            Units[0] = u'\uFFFD';
            Made = 1;
        }
        for (std::size_t Unit = 0; Unit < Made; ++Unit) {
            Result.push_back(Units[Unit]);
            // The bytes go with the first unit of a character; the others take none.
            if (Lengths) Lengths->push_back(Unit == 0 ? Taken : 0);
        }
        At += Taken;
    }
    return Result;
}

std::string CodePageFromUtf16(const char* Encoding, std::u16string_view Text)
{
    const std::string Units(reinterpret_cast<const char*>(Text.data()), Text.size() * 2);
    return Convert(Encoding, "UTF-16LE", Units, "?");
}
