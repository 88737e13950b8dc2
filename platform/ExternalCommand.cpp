#include "platform/ExternalCommand.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    Fd() = default;
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int& Ref() { return fd_; }
    int Get() const { return fd_; }

private:
    int fd_ = -1;
};

// posix_spawn file actions, destroyed with the scope.
class FileActions {
public:
    FileActions() { ::posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// A pipe whose ends close with it.
struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (::pipe2(fd, O_CLOEXEC) != 0)
            fd[0] = fd[1] = -1;
    }
    ~Pipe() {
        CloseEnd(0);
        CloseEnd(1);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool Ok() const { return fd[0] >= 0; }
    void CloseEnd(int end) {
        if (fd[end] >= 0)
            ::close(fd[end]);
        fd[end] = -1;
    }
};

// Writes what is left of the input and reads both outputs until the child closes them.
void Exchange(Pipe& in, Pipe& out, Pipe& err, const std::string& input, ProcessResult& result) {
    std::size_t written = 0;
    if (input.empty())
        in.CloseEnd(1);
    else
        ::fcntl(in.fd[1], F_SETFL, ::fcntl(in.fd[1], F_GETFL) | O_NONBLOCK);
    char buffer[4096];
    while (out.fd[0] >= 0 || err.fd[0] >= 0) {
        pollfd fds[3];
        int count = 0;
        auto add = [&](int fd, short events) {
            if (fd >= 0)
                fds[count++] = pollfd{fd, events, 0};
        };
        add(out.fd[0], POLLIN);
        add(err.fd[0], POLLIN);
        add(in.fd[1], POLLOUT);
        if (::poll(fds, static_cast<nfds_t>(count), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (int i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in.fd[1]) {
                const ssize_t n = ::write(in.fd[1], input.data() + written, input.size() - written);
                if (n > 0)
                    written += static_cast<std::size_t>(n);
                if (n < 0 && errno != EAGAIN && errno != EINTR)
                    written = input.size(); // the child stopped reading
                if (written == input.size())
                    in.CloseEnd(1);
                continue;
            }
            const bool isOut = fds[i].fd == out.fd[0];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0)
                (isOut ? result.Out : result.Err).append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                (isOut ? out : err).CloseEnd(0);
        }
    }
    in.CloseEnd(1);
}

} // namespace

std::string FindOnPath(const std::string& name) {
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty())
            dir = "."; // an empty entry means the current directory
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    ProgramResult result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;
    Fd readEnd, writeEnd;
    readEnd.Ref() = pipeFds[0];
    writeEnd.Ref() = pipeFds[1];

    FileActions actions;
    ::posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(actions.Get(), writeEnd.Get(), 1);
    ::posix_spawn_file_actions_adddup2(actions.Get(), writeEnd.Get(), 2);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), actions.Get(), nullptr, argv.data(), environ) != 0)
        return result;
    result.Started = true;
    writeEnd.Close();

    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(readEnd.Get(), buffer, sizeof buffer);
        if (n > 0)
            result.Output.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return result;
    }
    if (WIFEXITED(status))
        result.ExitStatus = WEXITSTATUS(status);
    return result;
}

ProcessResult RunCaptured(const std::vector<std::string>& argv, const std::string& input) {
    ProcessResult result;
    if (argv.empty()) {
        result.Err = "no program given";
        return result;
    }
    const std::string program = FindOnPath(argv[0]);
    if (program.empty()) {
        result.Err = argv[0] + ": program not found";
        return result;
    }
    Pipe in, out, err;
    if (!in.Ok() || !out.Ok() || !err.Ok()) {
        result.Err = std::strerror(errno);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.fd[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        result.Err = program + ": " + std::strerror(rc);
        return result;
    }
    in.CloseEnd(0);
    out.CloseEnd(1);
    err.CloseEnd(1);
    // A child that stops reading its input must not end this process with SIGPIPE.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    Exchange(in, out, err, input, result);
    ::sigaction(SIGPIPE, &previous, nullptr);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace platform
