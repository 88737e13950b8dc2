#include "ArcError.h"

#include <cerrno>
#include <cstring>

#include "ArchiverContract.h"

namespace vmzip {

void Fail(int32_t code, const std::string& message) {
    throw ArcError(code, message);
}

int32_t WriteErrorCode(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ARC_ERROR_DISK_SPACE;
    case ENOMEM:
        return ARC_ERROR_ENOUGH_MEMORY;
    default:
        return ARC_ERROR_CANNOT_WRITE;
    }
}

std::string WithErrno(const std::string& message, int err) {
    return message + ": " + std::strerror(err);
}

} // namespace vmzip
