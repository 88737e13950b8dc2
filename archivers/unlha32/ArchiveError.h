// The failure of one library operation: a result code of the archiver contract and a message
// that goes into the caller's output buffer.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace unlha {

class ArchiveError : public std::runtime_error {
public:
    ArchiveError(int32_t code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

[[noreturn]] void Fail(int32_t code, const std::string& message);

// "message: reason" with the system's text for errno err.
std::string WithErrno(const std::string& message, int err);

// Code for a failed write: disk full (also a file size limit), read-only file system or missing
// permission, anything else a plain write failure.
int32_t WriteErrorCode(int err);

// Code for a failed read of the archive: a truncated archive is damaged, others a read failure.
int32_t ReadErrorCode(int err);

} // namespace unlha
