#pragma once
// The exceptions of Pixora. Every failure is an Exception carrying the exact message text (UTF-8)
// that the application's handler shows; the message texts of the platform live in Messages.h.

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error
{
public:
    explicit Exception(const std::string& Message) : std::runtime_error(Message) {}
    std::string Message() const { return what(); }
};

// A graphic that cannot be read or used (damaged file, unusable pixel format).
class EInvalidGraphic : public Exception
{
    using Exception::Exception;
};

// An operation asked of a graphic in the wrong state (a canvas of a non-bitmap picture).
class EInvalidGraphicOperation : public Exception
{
    using Exception::Exception;
};

// Decoding or encoding failed inside libjpeg; the message carries its message code.
class EJPEG : public Exception
{
    using Exception::Exception;
};

// A file that cannot be opened or created.
class EFOpenError : public Exception
{
    using Exception::Exception;
};
class EFCreateError : public Exception
{
    using Exception::Exception;
};

// Text that does not convert to a number.
class EConvertError : public Exception
{
    using Exception::Exception;
};

// A row index outside the bitmap.
class EListError : public Exception
{
    using Exception::Exception;
};

// A run-time assertion of a unit; Unit and Line identify it in the message.
class EAssertionFailed : public Exception
{
public:
    EAssertionFailed(const std::string& Unit, int Line);
    const std::string& Unit() const { return FUnit; }
    int Line() const { return FLine; }

private:
    std::string FUnit;
    int FLine;
};

// Raises EAssertionFailed for Unit and Line unless Condition holds.
inline void Assert(bool Condition, const char* Unit, int Line)
{
    if (!Condition) throw EAssertionFailed(Unit, Line);
}

// The text the application's handler shows for Error: an Exception's message, the platform's text for a
// lack of memory when an allocation failed, what() otherwise.
std::string ErrorMessageOf(const std::exception& Error);

// printf-style formatting of a message text.
std::string FormatMessage(const char* Format, ...) __attribute__((format(printf, 1, 2)));
