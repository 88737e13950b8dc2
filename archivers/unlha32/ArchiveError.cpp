#include "archivers/unlha32/ArchiveError.h"

#include <cerrno>
#include <cstring>

#include "ArchiverContract.h"

namespace unlha {

void Fail(int32_t code, const std::string& message) {
    throw ArchiveError(code, message);
}

std::string WithErrno(const std::string& message, int err) {
    return message + ": " + std::strerror(err);
}

int32_t WriteErrorCode(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ARC_ERROR_DISK_SPACE;
    case EROFS:
    case EACCES:
    case EPERM:
        return ARC_ERROR_READ_ONLY;
    case ENOMEM:
        return ARC_ERROR_ENOUGH_MEMORY;
    default:
        return ARC_ERROR_CANNOT_WRITE;
    }
}

int32_t ReadErrorCode(int err) {
    return err == ENOMEM ? ARC_ERROR_ENOUGH_MEMORY : ARC_ERROR_CANNOT_READ;
}

} // namespace unlha
