// Helpers of the tests of the libraries over libarchive: file trees, peer tools, and writers of
// small tar and RAR 5 archives made byte by byte (for hostile members no archiver writes, and
// because no RAR writer is packaged).
#pragma once

#include "tests/support/Shell.h"
#include "tests/support/TempDir.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace formats_test {

using testing_support::ShellQuote;

// Exit status of a shell command (its output discarded unless it fails the test).
inline int Shell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline void WriteFile(const std::string& path, const std::string& data) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

inline std::string ReadFile(const std::string& path) {
    return testing_support::ReadAll(path);
}

// Deterministic bytes that compress poorly.
inline std::string Bytes(std::size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = static_cast<char>(seed >> 16);
    }
    return s;
}

// A small tree of files: text, binary, empty, nested, Japanese and odd names.
inline std::map<std::string, std::string> SampleTree() {
    return {{"readme.txt", "hello, archive\n"},
            {"data.bin", Bytes(300000, 7)},
            {"empty", ""},
            {"sub/deeper/notes.txt", std::string(5000, 'n')},
            {"日本語/ファイル.txt", "にほんご\n"},
            {"odd name [1] -x.txt", "odd\n"}};
}

inline void WriteTree(const std::string& root, const std::map<std::string, std::string>& tree) {
    for (const auto& [name, data] : tree)
        WriteFile(root + "/" + name, data);
}

// Every regular file below root with its contents, by relative path.
inline std::map<std::string, std::string> ReadTree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (e.is_regular_file() && !e.is_symlink())
            tree[std::filesystem::relative(e.path(), root).string()] = ReadFile(e.path().string());
    }
    return tree;
}

// Describes where two trees differ by name and size, without dumping contents; empty when
// they are equal.
inline std::string TreeDifference(const std::map<std::string, std::string>& actual,
                                  const std::map<std::string, std::string>& expected) {
    std::string text;
    for (const auto& [name, data] : expected) {
        const auto it = actual.find(name);
        if (it == actual.end())
            text += "missing: " + name + "\n";
        else if (it->second != data)
            text += "differs: " + name + " (" + std::to_string(it->second.size()) + " bytes, " +
                    std::to_string(data.size()) + " expected)\n";
    }
    for (const auto& entry : actual) {
        if (!expected.count(entry.first))
            text += "unexpected: " + entry.first + "\n";
    }
    return text;
}

inline uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A ustar archive written field by field.
class TarWriter {
public:
    void File(const std::string& name, const std::string& data) { Entry(name, '0', data, ""); }
    void Directory(const std::string& name) { Entry(name, '5', "", ""); }
    void Symlink(const std::string& name, const std::string& target) {
        Entry(name, '2', "", target);
    }
    void Hardlink(const std::string& name, const std::string& target) {
        Entry(name, '1', "", target);
    }
    void CharDevice(const std::string& name) { Entry(name, '3', "", ""); }
    void Fifo(const std::string& name) { Entry(name, '6', "", ""); }
    // The archive with its two end blocks.
    std::string Bytes() const { return out_ + std::string(1024, '\0'); }

private:
    static void Octal(char* field, std::size_t width, uint64_t value) {
        std::snprintf(field, width, "%0*llo", static_cast<int>(width - 1),
                      static_cast<unsigned long long>(value));
    }
    void Entry(const std::string& name, char type, const std::string& data,
               const std::string& link) {
        char h[512] = {};
        std::snprintf(h, 100, "%s", name.c_str());
        Octal(h + 100, 8, type == '5' ? 0755 : 0644);
        Octal(h + 108, 8, 0);
        Octal(h + 116, 8, 0);
        Octal(h + 124, 12, data.size());
        Octal(h + 136, 12, 1700000000);
        std::memset(h + 148, ' ', 8);
        h[156] = type;
        std::snprintf(h + 157, 100, "%s", link.c_str());
        std::memcpy(h + 257, "ustar", 6);
        std::memcpy(h + 263, "00", 2);
        if (type == '3') {
            Octal(h + 329, 8, 1);
            Octal(h + 337, 8, 3);
        }
        unsigned sum = 0;
        for (const char c : h)
            sum += static_cast<unsigned char>(c);
        std::snprintf(h + 148, 8, "%06o", sum);
        h[155] = ' ';
        out_.append(h, sizeof h);
        out_ += data;
        out_.append((512 - data.size() % 512) % 512, '\0');
    }
    std::string out_;
};

// A RAR 5 archive of stored members, after the published format description: signature,
// main archive header, one file header (with its data area) per member, end of archive.
class Rar5Writer {
public:
    Rar5Writer() {
        out_ = std::string("Rar!\x1a\x07\x01\x00", 8);
        Header(Vint(1) + Vint(0) + Vint(0)); // main header: no flags, no archive flags
    }
    void File(const std::string& name, const std::string& data, uint32_t mtime = 1700000000) {
        std::string h = Vint(2) + Vint(0x0002) + Vint(data.size()); // type, data area, size
        h += Vint(0x0002 | 0x0004);                                 // mtime and CRC present
        h += Vint(data.size()) + Vint(0100644);                     // unpacked size, mode
        h += U32(mtime) + U32(Crc32(data));
        h += Vint(0) + Vint(1) + Vint(name.size()) + name; // stored, Unix, name
        Header(h);
        out_ += data;
    }
    void Directory(const std::string& name) {
        // libarchive wants the data area flag on every file header, so a directory has an
        // empty one.
        std::string h = Vint(2) + Vint(0x0002) + Vint(0) + Vint(0x0001 | 0x0002) + Vint(0);
        h += Vint(040755);
        h += U32(1700000000) + Vint(0) + Vint(1) + Vint(name.size()) + name;
        Header(h);
    }
    std::string Bytes() const {
        Rar5Writer copy = *this;
        copy.Header(Vint(5) + Vint(0) + Vint(0)); // end of archive
        return copy.out_;
    }

private:
    static std::string Vint(uint64_t v) {
        std::string s;
        do {
            unsigned char b = v & 0x7F;
            v >>= 7;
            if (v != 0)
                b |= 0x80;
            s += static_cast<char>(b);
        } while (v != 0);
        return s;
    }
    static std::string U32(uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i)
            s[i] = static_cast<char>(v >> (8 * i));
        return s;
    }
    // CRC32 of the header size field and the header, then both.
    void Header(const std::string& body) {
        const std::string sized = Vint(body.size()) + body;
        out_ += U32(Crc32(sized)) + sized;
    }
    std::string out_;
};

} // namespace formats_test
