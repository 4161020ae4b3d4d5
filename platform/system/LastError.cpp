#include "platform/system/LastError.h"

#include "platform/system/Messages.h"

namespace {

thread_local std::uint32_t LastErrorCode = ERROR_SUCCESS;

} // namespace

void SetLastError(std::uint32_t Code)
{
    LastErrorCode = Code;
}

std::uint32_t GetLastError()
{
    return LastErrorCode;
}

std::string SysErrorMessage(std::uint32_t Code)
{
    switch (Code) {
    case ERROR_SUCCESS:
        return Messages::SErrorSuccess;
    case ERROR_INVALID_HANDLE:
        return Messages::SErrorInvalidHandle;
    case ERROR_NOT_ENOUGH_MEMORY:
        return Messages::SErrorNotEnoughMemory;
    case ERROR_INVALID_DATA:
        return Messages::SErrorInvalidData;
    case ERROR_INSUFFICIENT_BUFFER:
        return Messages::SErrorInsufficientBuffer;
    default:
        return {};
    }
}

EOSError::EOSError(std::uint32_t Code)
    : Exception(FormatMessage(Messages::SOSError, int(Code), SysErrorMessage(Code).c_str())), FErrorCode(Code)
{}

void RaiseLastOSError()
{
    throw EOSError(GetLastError());
}
