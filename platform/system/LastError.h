#pragma once
// The platform's last-error code of the calling thread, its text, and the error raised from it.

#include "platform/system/Exceptions.h"

#include <cstdint>
#include <string>

inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_INVALID_DATA = 13;
inline constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;

void SetLastError(std::uint32_t Code);
std::uint32_t GetLastError();
// The platform's text for Code; empty for a code it has none for.
std::string SysErrorMessage(std::uint32_t Code);

// A platform call failed; the message carries the last-error code and its text.
class EOSError : public Exception
{
public:
    explicit EOSError(std::uint32_t Code);
    std::uint32_t ErrorCode() const { return FErrorCode; }

private:
    std::uint32_t FErrorCode;
};

// Raises EOSError with the calling thread's last-error code.
[[noreturn]] void RaiseLastOSError();
