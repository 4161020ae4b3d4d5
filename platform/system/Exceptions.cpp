#include "platform/system/Exceptions.h"

#include "platform/system/Messages.h"

#include <cstdarg>
#include <cstdio>
#include <new>
#include <vector>

std::string FormatMessage(const char* Format, ...)
{
    va_list Arguments;
    va_start(Arguments, Format);
    va_list Copy;
    va_copy(Copy, Arguments);
    const int Length = std::vsnprintf(nullptr, 0, Format, Copy);
    va_end(Copy);
    std::vector<char> Buffer(Length > 0 ? std::size_t(Length) + 1 : 1);
    std::vsnprintf(Buffer.data(), Buffer.size(), Format, Arguments);
    va_end(Arguments);
    return std::string(Buffer.data());
}

EAssertionFailed::EAssertionFailed(const std::string& Unit, int Line)
    : Exception(FormatMessage(Messages::SAssertError, Messages::SAssertionFailed, Unit.c_str(), Line)), FUnit(Unit),
      FLine(Line)
{}

std::string ErrorMessageOf(const std::exception& Error)
{
    if (dynamic_cast<const std::bad_alloc*>(&Error) != nullptr) return Messages::SErrorNotEnoughMemory;
    return Error.what();
}
