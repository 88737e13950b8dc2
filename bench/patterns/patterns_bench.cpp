// Pattern-list benchmark: matches 1,000,000 generated file names against the default
// no-compress list through TFileNameCompare and, over the same names and patterns, with glibc
// fnmatch (in the C locale, byte by byte, and in C.UTF-8, character by character, which is what
// TFileNameCompare does under UTF-8). Every timing is the best of several rounds. Also times
// the translation and compilation of one wildcard item. Run by hand: bench/patterns/run.sh.
#include "platform/CodePage.h"
#include "select/TFileNameCompare.h"
#include "select/regexp/TAWKStr.h"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fnmatch.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kNoCompress = "*.lzh;*.zip;*.jpg;*.tif;*.mp3;*.wav;*.wma;*.avi";
const std::vector<std::string> kGlobs = {"*.lzh", "*.zip", "*.jpg", "*.tif",
                                         "*.mp3", "*.wav", "*.wma", "*.avi"};

// Lower-case names as the callers pass them: ASCII stems with occasional Japanese words
// (UTF-8), extensions of every kind, a quarter of them on the list, some names without one.
std::vector<std::string> GenerateNames(std::size_t count) {
    std::mt19937_64 rng(20240601);
    const char* stemChars = "abcdefghijklmnopqrstuvwxyz0123456789_-. ";
    const std::vector<std::string> japanese = {"\xE5\x86\x99\xE7\x9C\x9F", // 写真
                                               "\xE6\x97\xA5\xE8\xA8\x98", // 日記
                                               "\xE8\xA1\xA8",             // 表
                                               "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF"};
    const std::vector<std::string> extensions = {
        ".lzh", ".zip", ".jpg", ".tif", ".mp3", ".wav", ".wma", ".avi", ".txt",  ".doc",
        ".c",   ".h",   ".cpp", ".png", ".pdf", ".xls", ".htm", ".log", ".jpeg", ".zip.bak",
        ".tar", ".gz",  ".mp4", ".ini", ".dat", ".bmp", ".exe", ".dll", ".lzh~", ""};
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string name;
        const std::size_t stem = 1 + rng() % 20;
        for (std::size_t k = 0; k < stem; ++k)
            name += stemChars[rng() % 40];
        if (rng() % 5 == 0)
            name += japanese[rng() % japanese.size()];
        name += extensions[rng() % extensions.size()];
        names.push_back(std::move(name));
    }
    return names;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

template <typename F> double BestOf(int rounds, F&& run) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        run();
        const double s = Seconds(std::chrono::steady_clock::now() - t0);
        if (s < best)
            best = s;
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    platform::SetCodePage(platform::CodePage::Utf8);
    const std::vector<std::string> names = GenerateNames(count);

    selection::TFileNameCompare list;
    list.SetFilePatterns(kNoCompress);
    std::vector<char> ours(names.size()), byteGlob(names.size()), charGlob(names.size());

    auto runOurs = [&] {
        for (std::size_t i = 0; i < names.size(); ++i)
            ours[i] = list.MatchName(names[i]);
    };
    auto runFnmatch = [&](std::vector<char>& out) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            char hit = 0;
            for (const std::string& g : kGlobs) {
                if (fnmatch(g.c_str(), names[i].c_str(), 0) == 0) {
                    hit = 1;
                    break;
                }
            }
            out[i] = hit;
        }
    };

    // Rounds alternate so that both sides see the same machine load.
    double oursBest = 1e30, cBest = 1e30, utf8Best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        oursBest = std::min(oursBest, BestOf(1, runOurs));
        std::setlocale(LC_ALL, "C");
        cBest = std::min(cBest, BestOf(1, [&] { runFnmatch(byteGlob); }));
        if (!std::setlocale(LC_ALL, "C.UTF-8")) {
            std::fprintf(stderr, "the C.UTF-8 locale is missing\n");
            return 2;
        }
        utf8Best = std::min(utf8Best, BestOf(1, [&] { runFnmatch(charGlob); }));
        std::setlocale(LC_ALL, "C");
    }

    std::size_t matched = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (ours[i] != byteGlob[i] || ours[i] != charGlob[i]) {
            std::fprintf(stderr, "results differ for \"%s\": ours %d, fnmatch %d/%d\n",
                         names[i].c_str(), ours[i], byteGlob[i], charGlob[i]);
            return 1;
        }
        matched += static_cast<std::size_t>(ours[i]);
    }

    // Translation and compilation of one wildcard item (each a cache miss).
    constexpr int kItems = 20000;
    std::vector<std::string> items;
    for (int i = 0; i < kItems; ++i)
        items.push_back("*.x" + std::to_string(i));
    regexp::TAWKStr matcher;
    const double compile = BestOf(3, [&] {
        for (const std::string& item : items)
            matcher.SetRegExp(selection::TFileNameCompare::WildcardToRegExp(item));
    });

    std::printf("names: %zu, patterns: %s, matched: %zu (results identical)\n", names.size(),
                kNoCompress, matched);
    std::printf("TFileNameCompare::MatchName : %8.3f s  (%6.1f ns/name)\n", oursBest,
                oursBest * 1e9 / static_cast<double>(names.size()));
    std::printf("fnmatch, C locale           : %8.3f s  (%6.1f ns/name)  ratio ours/fnmatch %.2f\n",
                cBest, cBest * 1e9 / static_cast<double>(names.size()), oursBest / cBest);
    std::printf("fnmatch, C.UTF-8 locale     : %8.3f s  (%6.1f ns/name)  ratio ours/fnmatch %.2f\n",
                utf8Best, utf8Best * 1e9 / static_cast<double>(names.size()), oursBest / utf8Best);
    std::printf("compile one wildcard item   : %8.2f us (translation + parse + NFA + DFA)\n",
                compile * 1e6 / kItems);
    return 0;
}
