#include "archivers/unlha32/CommandLine.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/FileHandle.h"

namespace unlha {
namespace {

// Every switch of the program's option set; the text ones carry a string, jx a list.
constexpr std::array<std::string_view, 64> kNumberSwitches = {
    "a",   "c",  "e",   "f",   "h",   "i",   "l",   "m",   "n",   "o",   "p",   "r",   "s",
    "t",   "u",  "x",   "y",   "z",   "jc",  "jd",  "je",  "jf",  "jh",  "ji",  "jm",  "jn",
    "jp",  "jr", "jt",  "jsb", "jsc", "jsd", "jse", "jsf", "jsl", "jso", "jss", "jst", "jsv",
    "jsz", "jw", "jyc", "jyd", "jyk", "jyn", "jyo", "ga",  "gd",  "ge",  "gf",  "gj",  "gm",
    "gn",  "go", "gp",  "gs",  "gu",  "gw",  "gya", "gyc", "gyo", "gyq", "gys", "gyx"};
constexpr std::array<std::string_view, 10> kTextSwitches = {"w",   "jo",  "job", "jz",  "gr",
                                                            "gyd", "gye", "gyt", "gyw", "jx"};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

int Switches::Number(std::string_view name, int absent) const {
    const auto it = numbers_.find(name);
    return it == numbers_.end() ? absent : it->second;
}

std::optional<std::string> Switches::Text(std::string_view name) const {
    const auto it = texts_.find(name);
    if (it == texts_.end())
        return std::nullopt;
    return it->second;
}

bool Switches::Parse(std::string_view token) {
    if (token.size() < 2 || token[0] != '-')
        return false;
    const std::string_view body = token.substr(1);
    // The longest switch name that starts the token ("job" before "jo").
    std::string_view best;
    bool text = false;
    for (std::string_view name : kTextSwitches)
        if (body.starts_with(name) && name.size() > best.size()) {
            best = name;
            text = true;
        }
    for (std::string_view name : kNumberSwitches)
        if (body.starts_with(name) && name.size() > best.size()) {
            best = name;
            text = false;
        }
    if (best.empty())
        return false;
    const std::string_view value = body.substr(best.size());
    if (best == "jx") {
        excludes_.emplace_back(value);
        return true;
    }
    if (text) {
        texts_[std::string(best)] = std::string(value);
        return true;
    }
    if (value.empty()) {
        numbers_[std::string(best)] = 1;
        return true;
    }
    if (value.size() > 9 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    numbers_[std::string(best)] = std::stoi(std::string(value));
    return true;
}

std::vector<std::string> SplitTokens(std::string_view text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        if (text[i] == '"') {
            std::size_t j = i + 1;
            while (j < text.size() &&
                   !(text[j] == '"' && (j + 1 == text.size() || IsBlank(text[j + 1]))))
                ++j;
            tokens.emplace_back(text.substr(i + 1, j - i - 1));
            i = j + 1;
        } else {
            std::size_t j = i;
            while (j < text.size() && !IsBlank(text[j]))
                ++j;
            tokens.emplace_back(text.substr(i, j - i));
            i = j;
        }
    }
    return tokens;
}

std::vector<std::string> ReadResponseFile(const std::string& path) {
    FileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid())
        Fail(ARC_ERROR_RESPONSE_READ, WithErrno("cannot open the response file " + path, errno));
    std::string body;
    char buffer[65536];
    for (;;) {
        const std::size_t n = ReadFully(fd.Get(), buffer, sizeof buffer, ARC_ERROR_RESPONSE_READ,
                                        "response file " + path);
        body.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos)
            end = body.size();
        std::string_view line(body.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t first = line.find('"');
        const std::size_t last = line.rfind('"');
        if (first != std::string_view::npos && last > first)
            line = line.substr(first + 1, last - first - 1);
        if (!line.empty())
            names.emplace_back(line);
        start = end + 1;
    }
    return names;
}

Command ParseCommandLine(std::string_view text, bool withCommandWord) {
    Command command;
    std::vector<std::string> tokens = SplitTokens(text);
    std::size_t i = 0;
    if (withCommandWord) {
        if (tokens.empty())
            Fail(ARC_ERROR_COMMAND_NAME, "no command");
        std::string word = tokens[0];
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (word == "x")
            command.kind = CommandKind::Extract;
        else if (word == "e")
            command.kind = CommandKind::ExtractFlat;
        else if (word == "a")
            command.kind = CommandKind::Add;
        else if (word == "u")
            command.kind = CommandKind::Update;
        else if (word == "f")
            command.kind = CommandKind::Freshen;
        else if (word == "d")
            command.kind = CommandKind::Delete;
        else if (word == "l" || word == "v")
            command.kind = CommandKind::List;
        else if (word == "t")
            command.kind = CommandKind::Test;
        else
            Fail(ARC_ERROR_COMMAND_NAME, "unknown command: " + tokens[0]);
        i = 1;
    }
    bool switchesEnded = false;
    int positional = 0;
    for (; i < tokens.size(); ++i) {
        const std::string& t = tokens[i];
        if (!switchesEnded && !t.empty() && t[0] == '-') {
            if (t == "--")
                switchesEnded = true;
            else if (t != "-+" && !command.switches.Parse(t))
                Fail(ARC_ERROR_COMMAND_NAME, "unknown switch: " + t);
            continue;
        }
        if (positional == 0) {
            if (t.empty())
                Fail(ARC_ERROR_NOT_FILENAME, "empty archive name");
            command.archive = t;
        } else if (positional == 1 && !t.empty() && t.back() == '/') {
            command.directory = t;
        } else if (!t.empty() && t[0] == '@' && t.size() > 1) {
            for (std::string& name : ReadResponseFile(t.substr(1)))
                command.names.push_back(std::move(name));
        } else if (!t.empty()) {
            command.names.push_back(t);
        }
        ++positional;
    }
    if (command.archive.empty())
        Fail(ARC_ERROR_NOT_FILENAME, "no archive name");
    return command;
}

} // namespace unlha
