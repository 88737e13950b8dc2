// Archives the library writes open byte-exact in bsdtar, 7zz and lhasa; archives jlha writes
// open in the library. A peer tool that is not installed skips its test.
#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>

#include "TestSupport.h"

using namespace unlha_test;

namespace {

// Every kind of data and name the backups meet.
const std::vector<std::pair<std::string, std::string>>& Files() {
    static const std::vector<std::pair<std::string, std::string>> files = {
        {"empty", ""},
        {"one byte", "1"},
        {"compressible.txt", TextData(400000) + std::string(600000, '\0')},
        {"random.bin", RandomData(300000)},
        {"several MiB.dat", MixedData(3 << 20)},
        {"日本語のファイル名.txt", TextData(20000, 11)},
        {"quotes 'single' \"double\".txt", "quoted"},
        {"brackets [x] (y) {z}.txt", "bracketed"},
        {"dir with blank/inner file.txt", TextData(1000, 12)},
    };
    return files;
}

class Interop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        ::mkdir((*dir_ / "src").c_str(), 0755);
        ::mkdir((*dir_ / "src/dir with blank").c_str(), 0755);
        std::string names;
        for (const auto& [name, data] : Files()) {
            WriteFile(*dir_ / ("src/" + name), data);
            names += " " + Q(name);
        }
        for (const char* m : {"-jm0", "-jm5", "-jm7"})
            ASSERT_EQ(Lha(std::string("a ") + m + " -- " +
                          Q(*dir_ / (std::string(m + 1) + ".lzh")) + " " + Q(*dir_ / "src/") +
                          names),
                      0);
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // Extracts each archive with the tool's command (run inside the output directory, the
    // archive given as $A) and compares every file.
    void CheckTool(const std::string& tool, const std::string& command) {
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " is not installed";
        for (const char* m : {"jm0", "jm5", "jm7"}) {
            const std::string out = *dir_ / (tool + "-" + m);
            ::mkdir(out.c_str(), 0755);
            std::string text;
            const std::string archive = *dir_ / (std::string(m) + ".lzh");
            ASSERT_EQ(Shell(out, "A=" + ShellQuote(archive) + "; " + command, &text), 0) << text;
            for (const auto& [name, data] : Files())
                EXPECT_TRUE(ReadFile(out + "/" + name) == data) << tool << " " << m << " " << name;
        }
    }

    static std::unique_ptr<TempDir> dir_;
};

std::unique_ptr<TempDir> Interop::dir_;

} // namespace

TEST_F(Interop, BsdtarExtractsOurArchives) {
    CheckTool("bsdtar", "bsdtar -xf \"$A\"");
}

TEST_F(Interop, SevenZipExtractsOurArchives) {
    CheckTool("7zz", "7zz x -y -bd \"$A\" >/dev/null");
}

TEST_F(Interop, LhasaExtractsOurArchives) {
    CheckTool("lhasa", "lhasa xq \"$A\" && lhasa t \"$A\" >/dev/null");
}

TEST_F(Interop, WeReadWhatJlhaWrites) {
    if (!HaveTool("jlha"))
        GTEST_SKIP() << "jlha is not installed";
    // jlha cannot store the Japanese name in this locale; every other kind is used.
    std::string names;
    for (const auto& [name, data] : Files())
        if (name.find("日本語") == std::string::npos)
            names += " " + ShellQuote(name);
    // Every header level and every compressing method, in three runs of the slow-starting tool.
    const std::vector<std::pair<std::string, std::string>> variants = {
        {"a0", "level 0, -lh5-"}, {"a1o6", "level 1, -lh6-"}, {"a2o7", "level 2, -lh7-"}};
    for (const auto& [command, what] : variants) {
        const std::string archive = *dir_ / ("jlha-" + command + ".lzh");
        std::string text;
        ASSERT_EQ(
            Shell(*dir_ / "src", "jlha " + command + " " + ShellQuote(archive) + names, &text), 0)
            << text;
        ASSERT_EQ(Lha("t " + Q(archive), &text), 0) << what << "\n" << text;
        const std::string out = *dir_ / ("from-jlha-" + command);
        ASSERT_EQ(Lha("x -c1 -- " + Q(archive) + " " + Q(out + "/"), &text), 0) << what << "\n"
                                                                                << text;
        for (const auto& [name, data] : Files()) {
            if (name.find("日本語") == std::string::npos) {
                EXPECT_TRUE(ReadFile(out + "/" + name) == data) << what << " " << name;
            }
        }
    }
}
