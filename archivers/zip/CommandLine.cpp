#include "CommandLine.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ArcError.h"
#include "ArchiverContract.h"

namespace vmzip {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::vector<Token> Tokenize(std::string_view command) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    const std::size_t n = command.size();
    while (i < n) {
        while (i < n && IsBlank(command[i]))
            ++i;
        if (i >= n)
            break;
        Token tok;
        tok.quoted = command[i] == '"';
        bool inQuotes = false;
        while (i < n) {
            const char c = command[i];
            if (!inQuotes) {
                if (IsBlank(c))
                    break;
                if (c == '"') {
                    inQuotes = true;
                    ++i;
                    continue;
                }
                tok.text += c;
                ++i;
                continue;
            }
            if (c == '"' && (i + 1 == n || IsBlank(command[i + 1]))) {
                inQuotes = false;
                ++i;
                continue;
            }
            tok.text += c;
            ++i;
        }
        tokens.push_back(std::move(tok));
    }
    return tokens;
}

std::vector<std::string> ReadResponseFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Fail(ARC_ERROR_RESPONSE_READ, WithErrno("cannot open response file " + path, errno));
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t got = read(fd, buf, sizeof buf);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            close(fd);
            Fail(ARC_ERROR_RESPONSE_READ, WithErrno("cannot read response file " + path, err));
        }
        if (got == 0)
            break;
        data.append(buf, static_cast<std::size_t>(got));
    }
    close(fd);

    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find('\n', start);
        if (end == std::string::npos)
            end = data.size();
        std::string_view line(data.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
            line = line.substr(1, line.size() - 2);
        if (!line.empty())
            names.emplace_back(line);
    }
    return names;
}

std::vector<std::string> ExpandResponseFiles(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& name : names) {
        struct stat st {};
        if (name.size() > 1 && name[0] == '@' && stat(name.c_str() + 1, &st) == 0 &&
            S_ISREG(st.st_mode)) {
            for (std::string& inner : ReadResponseFile(name.substr(1)))
                out.push_back(std::move(inner));
        } else {
            out.push_back(name);
        }
    }
    return out;
}

bool IsDirectoryToken(std::string_view text) {
    return !text.empty() && text.back() == '/';
}

} // namespace vmzip
