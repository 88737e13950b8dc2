#include "Request.h"

#include <cstdlib>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "CommandLine.h"

namespace vmla {

using vmzip::Fail;
using vmzip::Token;

namespace {

[[noreturn]] void BadSwitch(const std::string& token) {
    Fail(ARC_ERROR_COMMAND_NAME, "unknown switch " + token);
}

bool StartsWith(const std::string& s, std::string_view prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The level after a one-letter compression switch ("-z9"): -1 for none, an error otherwise.
int LevelOf(const std::string& token, std::size_t at) {
    if (token.size() == at)
        return -1;
    if (token.size() != at + 1 || token[at] < '1' || token[at] > '9')
        BadSwitch(token);
    return token[at] - '0';
}

std::vector<std::string> Names(std::vector<std::string> raw) {
    std::vector<std::string> kept;
    for (std::string& name : raw) {
        if (!name.empty())
            kept.push_back(std::move(name));
    }
    return vmzip::ExpandResponseFiles(kept);
}

Request ParseTar(std::vector<Token> tokens, bool memory) {
    Request r;
    r.existing = Existing::Overwrite;
    std::size_t i = 0;
    if (!memory) {
        if (tokens.empty())
            Fail(ARC_ERROR_COMMAND_NAME, "no command");
        const std::string& word = tokens[0].text;
        if (word == "x")
            r.action = Action::Extract;
        else if (word == "c")
            r.action = Action::Create;
        else
            Fail(ARC_ERROR_COMMAND_NAME, "unknown command " + word);
        i = 1;
    } else {
        r.action = Action::Memory;
    }
    std::vector<std::string> names;
    bool haveArchive = false;
    bool haveDirectory = false;
    for (; i < tokens.size(); ++i) {
        const std::string& t = tokens[i].text;
        if (haveArchive) {
            if (!haveDirectory && names.empty() && StartsWith(t, "-o") && t.size() > 2 &&
                t.back() == '/') {
                r.directory = t.substr(2);
                haveDirectory = true;
            } else {
                names.push_back(t);
            }
            continue;
        }
        if (t.empty() && !tokens[i].quoted)
            continue;
        if (StartsWith(t, "-f") && t.size() > 2) {
            r.archive = t.substr(2);
            haveArchive = true;
        } else if (t == "-AH" || t == "--display-dialog=0" || StartsWith(t, "--check-all-path=")) {
            // accepted, see the header
        } else if (t == "-g") {
            r.existing = Existing::Skip;
        } else if (t == "-I") {
            r.keepPermissions = false;
        } else if (t == "--use-directory=0") {
            r.junkPaths = true;
        } else if (StartsWith(t, "--use-directory=")) {
            r.junkPaths = false;
        } else if (StartsWith(t, "-z")) {
            r.compression = Compression::Gzip;
            r.level = LevelOf(t, 2);
        } else if (StartsWith(t, "-B")) {
            r.compression = Compression::Bzip2;
            r.level = LevelOf(t, 2);
        } else {
            BadSwitch(t);
        }
    }
    if (!haveArchive)
        Fail(ARC_ERROR_NOT_FILENAME, "no archive name (-f) in the command");
    r.names = Names(std::move(names));
    return r;
}

// Switches until the first other token, which is the archive; then (with takesDirectory) an
// optional directory token ending in '/', then names.
template <class Switch>
void ParseTail(std::vector<Token>& tokens, std::size_t i, bool takesDirectory, Request& r,
               Switch onSwitch) {
    bool switchesDone = false;
    std::vector<std::string> names;
    bool haveArchive = false;
    for (; i < tokens.size(); ++i) {
        std::string& t = tokens[i].text;
        if (!switchesDone) {
            if (t == "--") {
                switchesDone = true;
                continue;
            }
            if (t.size() > 1 && t[0] == '-') {
                onSwitch(t);
                continue;
            }
            if (t.empty() && !tokens[i].quoted)
                continue;
            switchesDone = true;
        }
        if (!haveArchive) {
            r.archive = t;
            haveArchive = true;
        } else if (takesDirectory && names.empty() && r.directory.empty() && !t.empty() &&
                   t.back() == '/') {
            r.directory = t;
        } else {
            names.push_back(std::move(t));
        }
    }
    if (!haveArchive || r.archive.empty())
        Fail(ARC_ERROR_NOT_FILENAME, "no archive name in the command");
    r.names = Names(std::move(names));
}

Request ParseSevenZip(std::vector<Token> tokens) {
    Request r;
    if (tokens.empty())
        Fail(ARC_ERROR_COMMAND_NAME, "no command");
    const std::string word = tokens[0].text;
    if (word == "x" || word == "e") {
        r.action = Action::Extract;
        r.junkPaths = word == "e";
    } else if (word == "u") {
        r.action = Action::Update;
    } else if (word == "d") {
        r.action = Action::Delete;
    } else {
        Fail(ARC_ERROR_COMMAND_NAME, "unknown command " + word);
    }
    ParseTail(tokens, 1, false, r, [&r](const std::string& t) {
        if (t == "-aoa")
            r.existing = Existing::Overwrite;
        else if (t == "-aos")
            r.existing = Existing::Skip;
        else if (t == "-aou")
            r.existing = Existing::Rename;
        else if (t == "-r")
            r.recurse = true;
        else if (t == "-r-")
            r.recurse = false;
        else if (StartsWith(t, "-x!") && t.size() > 3)
            r.excludes.push_back(t.substr(3));
        else if (StartsWith(t, "-o") && t.size() > 2)
            r.directory = t.substr(2);
        else if (t == "-ms=off" || t == "-hide" || t == "-y" ||
                 (StartsWith(t, "-w") && t.size() > 2))
            return; // accepted, see the header
        else
            BadSwitch(t);
    });
    return r;
}

Request ParseReading(Kind kind, std::vector<Token> tokens, bool memory) {
    Request r;
    std::size_t i = 0;
    if (memory) {
        r.action = Action::Memory;
    } else {
        if (tokens.empty())
            Fail(ARC_ERROR_COMMAND_NAME, "no command");
        const std::string word = tokens[0].text;
        i = 1;
        if (word == "-x") {
            r.action = Action::Extract;
        } else if (kind == Kind::Rar && word == "-e") {
            r.action = Action::Extract;
            r.junkPaths = true;
        } else if (kind == Kind::Cab && (word == "-a" || word == "-f")) {
            Fail(ARC_ERROR_NOT_SUPPORT, "this library does not create CAB archives");
        } else {
            Fail(ARC_ERROR_COMMAND_NAME, "unknown command " + word);
        }
    }
    r.existing = kind == Kind::Rar ? Existing::Overwrite : Existing::Skip;
    ParseTail(tokens, i, true, r, [&r, kind](const std::string& t) {
        if (kind == Kind::Cab) {
            if (t == "-o")
                r.existing = Existing::Overwrite;
            else if (t == "-j")
                r.junkPaths = true;
            else if (t == "-i" || t == "-r" || t == "-q" || (StartsWith(t, "-h") && t.size() > 2))
                return;
            else
                BadSwitch(t);
        } else {
            if (t == "-u")
                r.existing = Existing::Skip;
            else if (t == "-y" || t == "-s")
                return;
            else
                BadSwitch(t);
        }
    });
    return r;
}

} // namespace

Request ParseRequest(Kind kind, std::string_view text, bool memory) {
    std::vector<Token> tokens = vmzip::Tokenize(text);
    Request r;
    switch (kind) {
    case Kind::Tar:
        r = ParseTar(std::move(tokens), memory);
        break;
    case Kind::SevenZip:
        if (memory)
            Fail(ARC_ERROR_NOT_SUPPORT, "the 7z library does not extract into memory");
        r = ParseSevenZip(std::move(tokens));
        break;
    case Kind::Cab:
    case Kind::Rar:
        r = ParseReading(kind, std::move(tokens), memory);
        break;
    }
    if (r.action == Action::Memory && r.names.size() != 1)
        Fail(ARC_ERROR_NOT_FILENAME, "extraction into memory takes exactly one member name");
    return r;
}

} // namespace vmla
