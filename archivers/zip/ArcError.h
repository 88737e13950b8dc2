// The failure of one library command: a result code of the contract and a message that goes
// into the caller's output buffer.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vmzip {

class ArcError : public std::runtime_error {
public:
    ArcError(int32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

[[noreturn]] void Fail(int32_t code, const std::string& message);

// Code for a failed write of a file or the archive: disk full, read-only file system or
// permission, anything else a plain write failure.
int32_t WriteErrorCode(int err);

// "message: reason" with the system's text for errno err.
std::string WithErrno(const std::string& message, int err);

} // namespace vmzip
