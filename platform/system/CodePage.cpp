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
// (from UTF-8 the whole sequence, otherwise one byte) and Replacement written instead.
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
        do {
            ++In;
            --InLeft;
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
