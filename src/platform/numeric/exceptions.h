// The exception classes of the program. Every failure the program reports to the user is
// one of these, carrying the message text the message box shows.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace vemora {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

    // Where the failure lies, told under the message (a line and a column of the data
    // file); empty for a failure that has no place.
    const std::string& Detail() const noexcept { return detail_; }
    void SetDetail(std::string detail) { detail_ = std::move(detail); }

private:
    std::string message_;
    std::string detail_;
};

// Input/output failure of the number reader; ErrorCode is the Windows-style code
// (2 file not found, 106 invalid numeric input, ...).
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int32_t code)
        : Exception(std::move(message)), errorCode_(code) {}
    int32_t ErrorCode() const noexcept { return errorCode_; }

private:
    int32_t errorCode_;
};

// Floating-point failures. The processor's traps stay off; code that must report one
// of these checks for it and throws explicitly.
class EMathError : public Exception {
public:
    using Exception::Exception;
};

class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
};

// Silent abort: the top-level handler shows nothing for it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EListError : public Exception {
public:
    explicit EListError(int64_t index)
        : Exception("List index out of bounds (" + std::to_string(index) + ")") {}
};

class ChartException : public Exception {
public:
    using Exception::Exception;
};

class AxisException : public ChartException {
public:
    using ChartException::ChartException;
};

} // namespace vemora
