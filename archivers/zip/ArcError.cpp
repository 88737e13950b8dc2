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

int32_t ReadErrorCode(const zip_error_t* error) {
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOZIP:
        return ARC_ERROR_NOT_ARC_FILE;
    case ZIP_ER_CRC:
        return ARC_ERROR_FILE_CRC;
    case ZIP_ER_MEMORY:
        return ARC_ERROR_ENOUGH_MEMORY;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
        return ARC_ERROR_METHOD;
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return ARC_ERROR_PASSWORD_FILE;
    case ZIP_ER_MULTIDISK:
        return ARC_ERROR_FILE_STYLE;
    case ZIP_ER_CANCELLED:
        return ARC_ERROR_USER_CANCEL;
    case ZIP_ER_EOF:
        return ARC_ERROR_EOF;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return ARC_ERROR_CANNOT_READ;
    case ZIP_ER_OPEN:
        return ARC_ERROR_ARC_FILE_OPEN;
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return ARC_ERROR_HUFFMAN_CODE;
    default:
        return ARC_ERROR_HEADER_BROKEN;
    }
}

std::string WithErrno(const std::string& message, int err) {
    return message + ": " + std::strerror(err);
}

} // namespace vmzip
