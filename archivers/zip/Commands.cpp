#include "Commands.h"

#include <optional>
#include <string>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "CommandLine.h"

namespace vmzip {

namespace {

[[noreturn]] void BadSwitch(const std::string& token) {
    Fail(ARC_ERROR_COMMAND_NAME, "unknown switch " + token);
}

// Splits tokens into switches (before the archive) and the rest.
struct Split {
    std::vector<std::string> switches;
    std::vector<std::string> rest;
};

Split SplitTokens(std::string_view text) {
    Split s;
    bool switchesDone = false;
    for (Token& tok : Tokenize(text)) {
        if (!switchesDone && tok.text == "--") {
            switchesDone = true;
            continue;
        }
        if (!switchesDone && tok.text.size() > 1 && tok.text[0] == '-') {
            s.switches.push_back(std::move(tok.text));
            continue;
        }
        if (!switchesDone && tok.text.empty() && !tok.quoted)
            continue;
        switchesDone = true;
        s.rest.push_back(std::move(tok.text));
    }
    return s;
}

// Archive, optional directory token, names (response files expanded).
void TakeTail(std::vector<std::string>& rest, bool takesDirectory, std::string& archive,
              std::string& dir, std::vector<std::string>& names) {
    if (rest.empty() || rest[0].empty())
        Fail(ARC_ERROR_NOT_FILENAME, "no archive name in the command");
    archive = rest[0];
    std::size_t i = 1;
    if (takesDirectory && i < rest.size() && IsDirectoryToken(rest[i])) {
        dir = rest[i];
        ++i;
    }
    std::vector<std::string> raw;
    for (; i < rest.size(); ++i) {
        if (!rest[i].empty())
            raw.push_back(std::move(rest[i]));
    }
    names = ExpandResponseFiles(raw);
}

// The value of "-jt<N>" (one or more digits); nullopt for any other switch.
std::optional<int> ThreadSwitch(const std::string& sw) {
    if (sw.size() < 4 || sw.compare(0, 3, "-jt") != 0 || sw.size() > 3 + 6)
        return std::nullopt;
    int value = 0;
    for (std::size_t k = 3; k < sw.size(); ++k) {
        if (sw[k] < '0' || sw[k] > '9')
            return std::nullopt;
        value = value * 10 + (sw[k] - '0');
    }
    return value;
}

} // namespace

ReadCommand ParseReadCommand(std::string_view text, bool memory) {
    ReadCommand cmd;
    cmd.action = memory ? ReadAction::Memory : ReadAction::Extract;
    Split s = SplitTokens(text);
    for (const std::string& sw : s.switches) {
        if (sw == "--i") {
            continue;
        }
        if (const std::optional<int> threads = ThreadSwitch(sw)) {
            cmd.threads = *threads;
            continue;
        }
        for (std::size_t k = 1; k < sw.size(); ++k) {
            switch (sw[k]) {
            case 'x':
                if (!memory)
                    cmd.action = ReadAction::Extract;
                break;
            case 'e':
                if (!memory)
                    cmd.action = ReadAction::Extract;
                cmd.junkPaths = true;
                break;
            case 'l':
                if (!memory)
                    cmd.action = ReadAction::List;
                break;
            case 't':
                if (!memory)
                    cmd.action = ReadAction::Test;
                break;
            case 'o':
                cmd.overwrite = true;
                break;
            case 'n':
                cmd.overwrite = false;
                break;
            case 'j':
                cmd.junkPaths = true;
                break;
            case 'q':
                cmd.quiet = true;
                break;
            default:
                BadSwitch(sw);
            }
        }
    }
    TakeTail(s.rest, !memory, cmd.archive, cmd.destDir, cmd.names);
    if (memory && cmd.names.size() != 1)
        Fail(ARC_ERROR_NOT_FILENAME, "extraction into memory takes exactly one member name");
    return cmd;
}

WriteCommand ParseWriteCommand(std::string_view text) {
    WriteCommand cmd;
    Split s = SplitTokens(text);
    for (const std::string& sw : s.switches) {
        if (sw == "-FF" || sw == "-F")
            continue;
        if (const std::optional<int> threads = ThreadSwitch(sw)) {
            cmd.threads = *threads;
            continue;
        }
        for (std::size_t k = 1; k < sw.size(); ++k) {
            const char c = sw[k];
            if (c >= '0' && c <= '9') {
                cmd.level = c - '0';
                continue;
            }
            switch (c) {
            case 'd':
                cmd.action = WriteAction::Delete;
                break;
            case 'f':
                cmd.action = WriteAction::Freshen;
                break;
            case 'u':
                cmd.onlyNewer = true;
                break;
            case 'S':
                cmd.includeHidden = true;
                break;
            case 'D':
                cmd.noDirEntries = true;
                break;
            case 'v':
                cmd.verbose = true;
                break;
            case 'q':
                cmd.quiet = true;
                break;
            case 'r':
                cmd.recurse = true;
                break;
            case 'o':
            case 'k':
            case 'J':
                break;
            case 'j':
                cmd.junkPaths = true;
                break;
            case 'A':
                Fail(ARC_ERROR_NOT_SUPPORT, "self-extracting archives are not supported");
            default:
                BadSwitch(sw);
            }
        }
    }
    TakeTail(s.rest, cmd.action != WriteAction::Delete, cmd.archive, cmd.baseDir, cmd.names);
    return cmd;
}

} // namespace vmzip
