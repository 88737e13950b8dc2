#include "platform/ExtendedAttributes.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::string_view UserPrefix = "user.";

// Tests set VELMORAN_TEST_NO_XATTR to stand for a file system without user attributes.
bool FakedUnsupported() {
    const char* v = std::getenv("VELMORAN_TEST_NO_XATTR");
    return v && *v && std::strcmp(v, "0") != 0;
}

bool IsUnsupported(int e) {
    return e == ENOTSUP || e == EOPNOTSUPP;
}

XattrResult Failure(int e, const std::string& what, std::string& error) {
    error = what + ": " + std::strerror(e);
    return IsUnsupported(e) ? XattrResult::Unsupported : XattrResult::Failed;
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace

XattrResult ReadUserAttributes(const std::string& path, std::vector<ExtendedAttribute>& attributes,
                               std::string& error) {
    attributes.clear();
    if (FakedUnsupported()) {
        error = path + ": " + std::strerror(ENOTSUP);
        return XattrResult::Unsupported;
    }
    // The list may grow between the size query and the read: retry with the new size.
    std::string names;
    for (int attempt = 0;; ++attempt) {
        const ssize_t size = listxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            return Failure(errno, path, error);
        if (size == 0)
            return XattrResult::Ok;
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = listxattr(path.c_str(), names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE || attempt == 3)
            return Failure(errno, path, error);
    }
    for (std::size_t pos = 0; pos < names.size();) {
        const std::size_t end = names.find('\0', pos);
        const std::string full = names.substr(pos, end == std::string::npos ? end : end - pos);
        pos = end == std::string::npos ? names.size() : end + 1;
        if (full.compare(0, UserPrefix.size(), UserPrefix) != 0 || full.size() == UserPrefix.size())
            continue;
        std::string value(MaxAttributeValue, '\0');
        const ssize_t got = getxattr(path.c_str(), full.c_str(), value.data(), value.size());
        if (got < 0) {
            if (errno == ENODATA) // removed meanwhile
                continue;
            return Failure(errno, path + " (" + full + ")", error);
        }
        value.resize(static_cast<std::size_t>(got));
        attributes.push_back({full.substr(UserPrefix.size()), std::move(value)});
    }
    return XattrResult::Ok;
}

XattrResult WriteUserAttribute(const std::string& path, const std::string& name,
                               std::string_view value, std::string& error) {
    if (FakedUnsupported()) {
        error = path + ": " + std::strerror(ENOTSUP);
        return XattrResult::Unsupported;
    }
    Fd f{open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    if (f.fd < 0)
        return Failure(errno, path, error);
    struct stat st {};
    if (fstat(f.fd, &st) != 0)
        return Failure(errno, path, error);
    if (!S_ISREG(st.st_mode)) {
        error = path + ": not a regular file";
        return XattrResult::Failed;
    }
    const std::string full = std::string(UserPrefix) + name;
    if (fsetxattr(f.fd, full.c_str(), value.data(), value.size(), 0) != 0)
        return Failure(errno, path + " (" + full + ")", error);
    return XattrResult::Ok;
}

bool WriteNewFile(const std::string& path, std::string_view bytes, const std::string& timesFrom,
                  std::string& error) {
    struct stat from {};
    if (stat(timesFrom.c_str(), &from) != 0) {
        error = timesFrom + ": " + std::strerror(errno);
        return false;
    }
    Fd f{open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (f.fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const auto fail = [&](int e) {
        error = path + ": " + std::strerror(e);
        unlink(path.c_str());
        return false;
    };
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(f.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (futimens(f.fd, times) != 0)
        return fail(errno);
    return true;
}

} // namespace platform
