// Members compressed with methods other than deflate: bzip2 through libzip, LZMA, xz and PPMd
// through libarchive (libzip is built without them here), all written by 7zz and extracted
// byte for byte; a method neither can decode, and damaged data, are refused by name and leave
// no file.
#include <gtest/gtest.h>

#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

struct MethodCase {
    const char* option; // 7zz's -mm value
    const char* listed; // the method text of the member record
};

const MethodCase kMethods[] = {
    {"BZip2", "bzip2"}, {"LZMA", "lzma"}, {"XZ", "xz"}, {"PPMd", "ppmd"}};

std::string Make7zzZip(const TempDir& t, const std::string& method, const std::string& data) {
    WriteFile(t / ("src-" + method + "/member.bin"), data);
    const std::string archive = t / (method + ".zip");
    std::string out;
    EXPECT_EQ(Shell("cd " + Sh(t / ("src-" + method)) + " && 7zz a -tzip -bd -mm=" + method + " " +
                        Sh(archive) + " member.bin",
                    &out),
              0)
        << out;
    return archive;
}

// The method text FindFirst gives for the first member.
std::string ListedMethod(const std::string& archive) {
    const Libraries& lib = Libraries::Get();
    ArcHandle h = lib.OpenArchive(nullptr, archive.c_str(), ARC_OPEN_LIST);
    if (h == nullptr)
        return "(not opened)";
    ArcMemberRecord record{};
    const int32_t r = lib.FindFirst(h, "*", &record);
    lib.CloseArchive(h);
    return r == 0 ? std::string(record.method) : "(no member)";
}

int32_t Extract(const std::string& archive, const std::string& dest, std::string* output) {
    char buffer[4096] = "";
    const std::string cmd = "-x -o " + Quoted(archive) + " " + Quoted(dest + "/");
    const int32_t r = Libraries::Get().UnZip(nullptr, cmd.c_str(), buffer, sizeof buffer);
    *output = buffer;
    return r;
}

TEST(ZipMethods, MembersOfOtherMethodsExtractByteExact) {
    TempDir t;
    const std::string data = TextBytes(150000) + RandomBytes(40000, 9);
    for (const MethodCase& m : kMethods) {
        SCOPED_TRACE(m.option);
        const std::string archive = Make7zzZip(t, m.option, data);
        EXPECT_EQ(ListedMethod(archive), m.listed);
        std::string out;
        ASSERT_EQ(Extract(archive, t / ("out-" + std::string(m.option)), &out), 0) << out;
        EXPECT_TRUE(ReadFile(t / ("out-" + std::string(m.option) + "/member.bin")) == data);
    }
}

TEST(ZipMethods, UndecodableAndDamagedMembersAreRefusedByName) {
    TempDir t;
    const std::string data = TextBytes(80000);
    // Deflate64: neither libzip nor libarchive decodes it.
    const std::string d64 = Make7zzZip(t, "Deflate64", data);
    std::string out;
    EXPECT_EQ(Extract(d64, t / "out-d64", &out), ARC_ERROR_METHOD);
    EXPECT_NE(out.find("member.bin"), std::string::npos) << out;
    EXPECT_FALSE(Exists(t / "out-d64/member.bin"));

    // LZMA data with one byte changed in the middle: the decoder or the CRC notices.
    const std::string lzma = Make7zzZip(t, "LZMA", data);
    std::string bytes = ReadFile(lzma);
    const std::size_t header = 30 + std::string("member.bin").size();
    bytes[header + (bytes.size() - header) / 3] ^= 0x55;
    WriteFile(lzma, bytes);
    EXPECT_NE(Extract(lzma, t / "out-lzma", &out), 0);
    EXPECT_NE(out.find("member.bin"), std::string::npos) << out;
    EXPECT_FALSE(Exists(t / "out-lzma/member.bin"));
}

} // namespace
