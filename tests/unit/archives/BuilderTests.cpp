// The exact command text of every builder of every format.
#include "TestSupport.h"
#include "archives/ArcWindow.h"
#include "archives/ArchiverErrors.h"

#include "platform/FileUtil.h"

#include <gtest/gtest.h>

using namespace archives;

namespace {

// The switches of the LHA pack example: a, c, m, n, y and jso at 1, w a work directory.
TArchiverOptions LhaExampleOptions() {
    TArchiverOptions o;
    o.a = o.c = o.m = o.n = o.y = o.jso = 1;
    o.w = "/tmp/work";
    return o;
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(LhaBuilder, PackExample) {
    TLha32 lha;
    EXPECT_EQ(lha.PackCommand(nullptr, "/bk/DOCS.LZH", LhaExampleOptions(), "/docs",
                              {"a.txt", "sub/b.txt"}, false),
              "u -+ -a1 -c1 -m1 -n1 \"-w/tmp/work/\" -y1 -jso1  \"/bk/DOCS.LZH\" \"/docs/\" "
              "\"a.txt\" \"sub/b.txt\" ");
}

TEST(LhaBuilder, EverySwitchInItsOrder) {
    TArchiverOptions o;
    int v = 0;
#define SET_NUMERIC(n) o.n = static_cast<std::int8_t>(v++ % 10);
    VELMORAN_NUMERIC_SWITCHES(SET_NUMERIC)
#undef SET_NUMERIC
#define SET_TEXT(n) o.n = #n "T";
    VELMORAN_TEXT_SWITCHES(SET_TEXT)
#undef SET_TEXT
    o.jx = {"p1", "p 2"};
    o.UserOptions = "--";
    o.UserFileList = "tail";
    TLha32 lha;
    EXPECT_EQ(
        lha.UnpackCommand(nullptr, "a.lzh", o, "out", {"f"}, false),
        "x -+ -a0 -c1 -e2 -f3 -h4 -i5 -l6 -m7 -n8 -o9 -p0 -r1 -s2 -t3 -u4 \"-wwT/\" -x5 -y6 -z7 "
        "-jc8 -jd9 -je0 -jf1 -jh2 -ji3 -jm4 -jn5 \"-jojoT\" \"-jobjobT\" -jp6 -jr7 -jsb8 -jsc9 "
        "-jsd0 -jse1 -jsf2 -jsl3 -jso4 -jss5 -jst6 -jsv7 -jsz8 -jw9 \"-jxp1\" \"-jxp 2\" -jyc0 "
        "-jyd1 -jyk2 -jyn3 -jyo4 \"-jzjzT\" -ga5 -gd6 -ge7 -gf8 -gj9 -gm0 -gn1 -go2 -gp3 "
        "\"-grgrT\" -gs4 -gu5 -gw6 -gya7 -gyc8 \"-gydgydT\" \"-gyegyeT\" -gyo9 -gyq0 -gys1 "
        "\"-gytgytT\" \"-gywgywT\" -gyx2 -- \"a.lzh\" \"out/\" \"f\" tail");
}

TEST(LhaBuilder, EdgeCases) {
    TLha32 lha;
    TArchiverOptions o;
    o.jso = 1;
    o.jse = 0;
    o.c = 0;
    o.w = "";
    o.jo = "";
    o.jx = {"*.bak", "*.tmp"};
    // -c0 is sent, an empty w sends nothing, an empty jo a bare token, jx one token per line,
    // and names with brackets pass unchanged.
    EXPECT_EQ(
        lha.UnpackCommand(nullptr, "a.lzh", o, "", {"dir/a[1].txt"}, false),
        "x -+ -c0 \"-jo\" -jse0 -jso1 \"-jx*.bak\" \"-jx*.tmp\"  \"a.lzh\" \"dir/a[1].txt\" ");
    // With an owner window attached the library always gets -n1.
    o.n = 0;
    TArcWindow window;
    lha.OwnerWindow = window.Handle();
    EXPECT_EQ(lha.RemoveCommand(nullptr, "a.lzh", o, "/b", {"x"}, false).substr(0, 15),
              "d -+ -c0 -n1 \"-");
    lha.OwnerWindow = nullptr;
    EXPECT_EQ(lha.RemoveCommand(nullptr, "a.lzh", o, "/b", {"x"}, false).substr(0, 15),
              "d -+ -c0 -n0 \"-");
    EXPECT_EQ(lha.UpdateCommand(nullptr, "a.lzh", o, "/b", {"x"}, false).substr(0, 2), "f ");
    // Self-extracting: no file token at all; into memory: no command word and no directory.
    TArchiverOptions plain;
    plain.jso = 1;
    EXPECT_EQ(lha.SfxCommand(nullptr, "/bk/a.lzh", plain, "/out"),
              "s -+ -jso1  \"/bk/a.lzh\" \"/out/\" ");
    EXPECT_EQ(lha.ExtractMemCommand(nullptr, "/bk/a.lzh", plain, "m.txt"),
              " -+ -jso1  \"/bk/a.lzh\" \"m.txt\" ");
}

TEST(LhaBuilder, MissingRequiredSwitchesAreAssertions) {
    TLha32 lha;
    TArchiverOptions o;
    o.jse = 1;
    EXPECT_EQ(ErrorOf([&] { lha.PackCommand(nullptr, "a", o, "", {}, false); }),
              "jso オプションが設定されていません。 (Lha32)");
    o.jso = 1;
    o.jse = -1;
    EXPECT_NO_THROW(lha.PackCommand(nullptr, "a", o, "", {}, false));
    EXPECT_EQ(ErrorOf([&] { lha.UnpackCommand(nullptr, "a", o, "", {}, false); }),
              "jse オプションが設定されていません。 (Lha32)");
    TArj32 arj;
    EXPECT_THROW(arj.UnpackCommand(nullptr, "a", o, "", {}, false), EAssertionFailed);
}

TEST(LhaBuilder, ResponseFileReplacesTheFileTokens) {
    testing_support::TempDir tmp;
    TLha32 lha;
    TArchiverOptions o;
    o.jso = 1;
    o.ResFileName = tmp / "resp.txt";
    EXPECT_EQ(lha.PackCommand(nullptr, "a.lzh", o, "/d", {"x y.txt", "-z.txt"}, true),
              "u -+ -jso1  \"a.lzh\" \"/d/\" \"@" + o.ResFileName + "\" ");
    EXPECT_EQ(platform::ReadFile(o.ResFileName), "\"x y.txt\"\r\n\"-z.txt\"\r\n");
    // Without the flag the names go on the command line even with a response file named.
    EXPECT_EQ(lha.PackCommand(nullptr, "a.lzh", o, "/d", {"a"}, false),
              "u -+ -jso1  \"a.lzh\" \"/d/\" \"a\" ");
}

class ZipBuilder : public testing_support::WithFakeLibraries {};

TEST_F(ZipBuilder, WritingReadingAndRemoval) {
    TZip32 zip;
    zip.LoadDLL();
    TArchiverOptions o;
    o.a = 1;
    o.n = 1;
    o.x = 0;
    o.jm = 0;
    EXPECT_EQ(zip.PackCommand(nullptr, "/bk/a.zip", o, "/docs", {"-x.txt", "dir/a[1].txt"}, false),
              " -S -D -q -o -j -0  \"/bk/a.zip\" \"/docs/\" \"[-]x.txt\" \"dir/a[[]1].txt\" ");
    o = TArchiverOptions();
    o.a = 2;
    o.l = 1;
    o.r = 1;
    o.u = 1;
    o.jc = 1;
    o.ji = 1;
    o.jm = 9;
    o.gd = 1;
    EXPECT_EQ(zip.UpdateCommand(nullptr, "a.zip", o, "/d", {"f"}, false),
              "-f -S -v -r -u -FF -k -9 -J  \"a.zip\" \"/d/\" \"f\" ");
    // Removal never carries the directory; jm at -1 sends no level.
    EXPECT_EQ(zip.RemoveCommand(nullptr, "a.zip", TArchiverOptions(), "/d", {"-x.txt"}, false),
              "-d -D  \"a.zip\" \"[-]x.txt\" ");
    o = TArchiverOptions();
    o.c = 1;
    o.x = 0;
    EXPECT_EQ(zip.UnpackCommand(nullptr, "a.zip", o, "/out", {"[a].txt"}, false),
              "-x -o -j  \"a.zip\" \"/out/\" \"[[]a].txt\" ");
    TArcWindow window;
    zip.OwnerWindow = window.Handle();
    EXPECT_EQ(zip.ExtractMemCommand(nullptr, "a.zip", TArchiverOptions(), "m"),
              " --i  \"a.zip\" \"m\" ");
}

TEST_F(ZipBuilder, OnlyLmzip32) {
    fake::UseLibraries({"lmzip"});
    TZip32 zip;
    zip.LoadDLL();
    TArchiverOptions o;
    o.c = 1;
    o.x = 0;
    o.a = 1;
    // The plain kind: no converter and no directory token.
    EXPECT_EQ(zip.PackCommand(nullptr, "a.zip", o, "/d", {"-x.txt"}, false),
              "-ru -o -j  \"a.zip\" \"-x.txt\" ");
    EXPECT_NO_THROW(zip.UnpackCommand(nullptr, "a.zip", o, "/d", {}, false));
}

TEST_F(ZipBuilder, NoLibraries) {
    fake::UseLibraries({"none"});
    TZip32 zip;
    zip.LoadDLL();
    TArchiverOptions o;
    EXPECT_EQ(ErrorOf([&] { zip.PackCommand(nullptr, "a.zip", o, "", {}, false); }),
              "ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。");
    EXPECT_EQ(ErrorOf([&] { zip.UnpackCommand(nullptr, "a.zip", o, "", {}, false); }),
              "ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。");
    EXPECT_EQ(ErrorOf([&] { zip.SfxCommand(nullptr, "a.zip", o, ""); }),
              "zip 書庫からの自己解凍書庫の作成には 'ZIP32J.DLL' ファイルが必要です。");
}

TEST_F(ZipBuilder, SelfExtractingArchive) {
    testing_support::TempDir tmp;
    const std::string archive = tmp.Write("bk/Docs.zip", "ZIPDATA");
    TZip32 zip;
    zip.LoadDLL();
    TArchiverOptions o;
    EXPECT_EQ(ErrorOf([&] { zip.SfxCommand(nullptr, archive, o, ""); }),
              "zip 書庫からのDOS自己解凍書庫の作成には 'sfx16.dat' ファイルが必要です。");
    o.gw = 1;
    EXPECT_EQ(ErrorOf([&] { zip.SfxCommand(nullptr, archive, o, ""); }),
              "zip 書庫からのWin32自己解凍書庫の作成には 'sfx32gui.dat' ファイルが必要です。");
    tmp.Write("stubs/sfx32gui.dat", "STUB");
    platform::SetLibrarySearchDirs(std::vector<std::string>{fake::Dir("std"), tmp / "stubs"});
    fake::Library zip32j("std", "libzip32j.so");
    std::string cmdLine;
    TOutputBuffer output;
    EXPECT_EQ(zip.MakeSfx(nullptr, archive, o, "", cmdLine, output), 0);
    EXPECT_EQ(cmdLine, "-A " + tmp / "bk/Docs.EXE");
    EXPECT_EQ(zip32j.LastCommand(), cmdLine);
    EXPECT_EQ(platform::ReadFile(tmp / "bk/Docs.EXE"), "STUBZIPDATA");
    // With an output directory the target goes there.
    std::filesystem::create_directories(tmp / "out");
    EXPECT_EQ(zip.SfxCommand(nullptr, archive, o, tmp / "out"), "-A " + tmp / "out/Docs.EXE");
}

TEST(OtherBuilders, Cab) {
    TCab32 cab;
    TArchiverOptions o;
    o.c = 1;
    o.r = 1;
    o.w = "/tmp/w";
    o.x = 0;
    o.ji = 1;
    EXPECT_EQ(cab.PackCommand(nullptr, "/a.cab", o, "/d", {"f"}, false),
              "-a -o -r \"-h/tmp/w/\" -j -q  \"/a.cab\" \"/d/\" \"f\" ");
    o = TArchiverOptions();
    o.n = 1;
    EXPECT_EQ(cab.UnpackCommand(nullptr, "/a.cab", o, "/o", {}, false),
              "-x -i  \"/a.cab\" \"/o/\" ");
    EXPECT_EQ(cab.SfxCommand(nullptr, "/a.cab", TArchiverOptions(), "/o"),
              "-f  \"/a.cab\" \"/o/\" ");
    EXPECT_EQ(ErrorOf([&] { cab.RemoveCommand(nullptr, "/a.cab", o, "", {"f"}, false); }),
              "この形式の書庫ではファイルの削除をサポートしておりません。");
    EXPECT_EQ(ErrorOf([&] { cab.UpdateCommand(nullptr, "/a.cab", o, "", {"f"}, false); }),
              "この形式の書庫では書庫の更新をサポートしておりません。");
}

TEST(OtherBuilders, TarFamily) {
    TArchiverOptions o;
    o.a = 1;
    o.n = 1;
    o.o = 1;
    o.p = 0;
    o.x = 1;
    TTar32 tar;
    EXPECT_EQ(tar.PackCommand(nullptr, "/a.tar", o, "/d", {"f"}, false),
              "c -AH --display-dialog=0 -g --check-all-path=0 --use-directory=1  \"-f/a.tar\" "
              "\"-o/d/\" \"f\" ");
    TTgz32 tgz;
    TArchiverOptions z;
    z.jm = 9;
    EXPECT_EQ(tgz.PackCommand(nullptr, "/a.tgz", z, "/d", {"f"}, false),
              "c -z9  \"-f/a.tgz\" \"-o/d/\" \"f\" ");
    z.jm = -1;
    z.a = 0;
    EXPECT_EQ(tgz.UnpackCommand(nullptr, "/a.tgz", z, "", {}, false), "x -I -z  \"-f/a.tgz\" ");
    TBZ232 bz2;
    z.jm = 1;
    EXPECT_EQ(bz2.PackCommand(nullptr, "/a.bz2", z, "", {"f"}, false),
              "c -I -B1  \"-f/a.bz2\" \"f\" ");
    // An owner window silences the library's own dialog switch.
    TArcWindow window;
    tar.OwnerWindow = window.Handle();
    EXPECT_EQ(tar.UnpackCommand(nullptr, "/a.tar", o, "", {}, false).find("--display"),
              std::string::npos);
    EXPECT_EQ(ErrorOf([&] { tar.RemoveCommand(nullptr, "/a.tar", o, "", {}, false); }),
              "この形式の書庫ではファイルの削除をサポートしておりません。");
    std::string cmd;
    TOutputBuffer out;
    EXPECT_EQ(ErrorOf([&] { bz2.MakeSfx(nullptr, "/a.bz2", o, "", cmd, out); }),
              "BZ2 形式書庫は自己解凍形式にできません。");
}

TEST(OtherBuilders, Rar) {
    TRar32 rar;
    TArchiverOptions o;
    o.x = 0;
    o.c = 1;
    EXPECT_EQ(rar.UnpackCommand(nullptr, "/a.rar", o, "/o", {"f"}, false),
              "-e  \"/a.rar\" \"/o/\" \"f\" ");
    o.x = 1;
    o.c = 0;
    o.m = 1;
    o.p = 1;
    EXPECT_EQ(rar.UnpackCommand(nullptr, "/a.rar", o, "/o", {"f"}, false),
              "-x -u -y -s  \"/a.rar\" \"/o/\" \"f\" ");
    EXPECT_EQ(ErrorOf([&] { rar.PackCommand(nullptr, "/a.rar", o, "", {}, false); }),
              "この形式では書庫ファイルの作成をサポートしておりません。");
    EXPECT_EQ(ErrorOf([&] { rar.SfxCommand(nullptr, "/a.rar", o, ""); }),
              "この形式では自己解凍書庫の作成をサポートしておりません。");
}

TEST(OtherBuilders, Bga) {
    TBGA32 bga;
    TArchiverOptions o;
    EXPECT_EQ(bga.PackCommand(nullptr, "/a.gza", o, "/d", {"f"}, false),
              "a -n -j  \"/a.gza\" \"/d/\" \"f\" ");
    o.a = 1;
    o.c = 1;
    o.n = 1;
    o.r = 1;
    o.x = 1;
    o.jm = 5;
    EXPECT_EQ(bga.RemoveCommand(nullptr, "/a.gza", o, "/d", {"f"}, false),
              "d -a -o -n -i -r -l5  \"/a.gza\" \"/d/\" \"f\" ");
    EXPECT_EQ(ErrorOf([&] { bga.ExtractMemCommand(nullptr, "/a.gza", o, "f"); }),
              "この形式ではメモリ展開をサポートしておりません。");
}

TEST(OtherBuilders, Yz1) {
    TYZ1 yz1;
    TArchiverOptions o;
    o.m = 0;
    o.c = 1;
    o.n = 1;
    o.p = 0;
    o.x = 1;
    EXPECT_EQ(yz1.PackCommand(nullptr, "/a.yz1", o, "/d", {"f"}, false),
              "c -+ -c2 -y2 -i -z0 -x1  \"/a.yz1\" \"/d/\" \"f\" ");
    o = TArchiverOptions();
    o.m = 9;
    o.c = 1;
    EXPECT_EQ(yz1.UnpackCommand(nullptr, "/a.yz1", o, "/d", {}, false),
              "x -+ -c1 -y0  \"/a.yz1\" \"/d/\" ");
    o.m = 5;
    EXPECT_EQ(yz1.UnpackCommand(nullptr, "/a.yz1", o, "", {}, false), "x -+ -c1  \"/a.yz1\" ");
}

TEST(OtherBuilders, SevenZip) {
    TSevenZip32 sz;
    TArchiverOptions o;
    o.x = 0;
    o.jn = 1;
    o.c = 1;
    o.n = 1;
    o.r = 0;
    o.w = "/tmp/w";
    o.y = 1;
    o.jx = {"*.bak"};
    EXPECT_EQ(sz.UnpackCommand(nullptr, "/a.7z", o, "/dest", {"f"}, false),
              "e -aos -ms=off -hide -r- \"-w/tmp/w/\" -y \"-x!*.bak\" \"-o/dest/\"  \"/a.7z\" "
              "\"f\" ");
    o = TArchiverOptions();
    o.m = 2;
    o.r = 2;
    EXPECT_EQ(sz.UnpackCommand(nullptr, "/a.7z", o, "", {}, false),
              "x -aou -ms=off -r  \"/a.7z\" ");
    o.m = -1;
    o.c = 1;
    EXPECT_EQ(sz.PackCommand(nullptr, "/a.7z", o, "/d", {"f"}, false),
              "u -ms=off -r \"-o/d/\"  \"/a.7z\" \"f\" ");
    std::string cmd;
    TOutputBuffer out;
    EXPECT_EQ(ErrorOf([&] { sz.MakeSfx(nullptr, "/a.7z", TArchiverOptions(), "", cmd, out); }),
              "16bit SFX を作成することはできません。");
}
