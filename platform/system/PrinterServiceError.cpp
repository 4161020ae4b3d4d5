#include "platform/system/PrinterServiceError.h"

#include <dlfcn.h>

namespace {

// The print service's client library, loaded once by the toolkit's print support when there is a
// service; null without one.
struct TCupsCalls
{
    int (*LastError)() = nullptr;
    const char* (*LastErrorString)() = nullptr;
    const char* (*GetDefault)() = nullptr;
};

const TCupsCalls& Cups()
{
    static const TCupsCalls Calls = [] {
        TCupsCalls Result;
        void* Library = dlopen("libcups.so.2", RTLD_LAZY | RTLD_NOLOAD);
        if (Library == nullptr) return Result;
        Result.LastError = reinterpret_cast<int (*)()>(dlsym(Library, "cupsLastError"));
        Result.LastErrorString = reinterpret_cast<const char* (*)()>(dlsym(Library, "cupsLastErrorString"));
        Result.GetDefault = reinterpret_cast<const char* (*)()>(dlsym(Library, "cupsGetDefault"));
        return Result;
    }();
    return Calls;
}

// The first status code of the failures in the protocol's numbering.
constexpr int FirstErrorStatus = 0x0400;

} // namespace

void ClearPrintServiceError()
{
    if (Cups().GetDefault != nullptr) Cups().GetDefault();
}

std::string PrintServiceError()
{
    const TCupsCalls& Calls = Cups();
    if (Calls.LastError == nullptr || Calls.LastErrorString == nullptr) return {};
    if (Calls.LastError() < FirstErrorStatus) return {};
    const char* Text = Calls.LastErrorString();
    return Text != nullptr ? Text : std::string();
}
