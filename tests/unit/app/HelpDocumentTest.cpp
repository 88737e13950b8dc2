#include "app/FileAssociation.h"
#include "app/StartUp.h"

#include "platform/ExternalCommand.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using testing_support::ReadAll;

namespace {

// The help document that the build puts beside the program, where the help action opens it.
class HelpDocumentTest : public ::testing::Test {
protected:
    const std::string path = app::HelpFile(PROGRAM_DIR);
    const std::string html = ReadAll(path);

    // The text of the section headed by the element with `id`, up to the next h2.
    std::string Section(const std::string& id) const {
        const std::size_t start = html.find("<h2 id=\"" + id + "\">");
        if (start == std::string::npos)
            return {};
        const std::size_t end = html.find("<h2", start + 1);
        return html.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
};

TEST_F(HelpDocumentTest, LiesBesideTheProgramAsAJapaneseHtmlDocument) {
    EXPECT_EQ(path, std::string(PROGRAM_DIR) + "/Velmoran_J.html");
    ASSERT_FALSE(html.empty()) << path;
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("<html lang=\"ja\">"), std::string::npos);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
    if (const std::string xmllint = platform::FindOnPath("xmllint"); !xmllint.empty()) {
        const auto lint = platform::RunProgram(xmllint, {"--html", "--noout", path});
        EXPECT_EQ(lint.ExitStatus, 0) << lint.Output;
        EXPECT_EQ(lint.Output, "");
    }
}

TEST_F(HelpDocumentTest, HasEverySectionAndEveryContentsLinkLeadsToOne) {
    const std::vector<std::pair<std::string, std::string>> sections = {
        {"definition", "バックアップ項目"},
        {"patterns", "正規表現"},
        {"backup", "履歴バックアップ"},
        {"restore", "復元"},
        {"cleanup", "削除"},
        {"versions", "ファイルの履歴"},
        {"verify", "バックアップの検査"},
        {"schedule", "スケジュール"},
        {"commandline", "コマンドライン"},
        {"switches", "スイッチ"},
        {"association", "関連付け"},
        {"files", "置き場所"},
    };
    for (const auto& [id, heading] : sections) {
        const std::string text = Section(id);
        ASSERT_FALSE(text.empty()) << id;
        EXPECT_NE(text.substr(0, text.find("</h2>")).find(heading), std::string::npos) << id;
        EXPECT_GT(text.size(), 300u) << id << " says almost nothing";
    }
    std::set<std::string> ids;
    const std::regex idPattern("id=\"([^\"]+)\"");
    for (std::sregex_iterator it(html.begin(), html.end(), idPattern), end; it != end; ++it)
        ids.insert((*it)[1]);
    const std::regex linkPattern("href=\"#([^\"]+)\"");
    int links = 0;
    for (std::sregex_iterator it(html.begin(), html.end(), linkPattern), end; it != end; ++it) {
        EXPECT_TRUE(ids.count((*it)[1])) << "dangling link #" << (*it)[1];
        ++links;
    }
    EXPECT_GE(links, static_cast<int>(sections.size()));
}

TEST_F(HelpDocumentTest, NamesWhatTheProgramReallyUses) {
    // Every switch of the command line.
    const std::string switches = Section("switches");
    for (const char* name : {"/backup", "/restore", "/verify", "/versions", "/restoreversion",
                             "/to", "/ignoretimestamp", "/permitdeletion", "/clearhistory",
                             "/clearhistorydaysN", "/clearhistorydateyyyymmdd", "/minimized"})
        EXPECT_NE(switches.find(std::string("<code>") + name + "</code>"), std::string::npos)
            << name;
    // The files that file association writes.
    const std::string association = Section("association");
    EXPECT_NE(association.find(std::string("applications/") + app::DesktopEntryName),
              std::string::npos);
    EXPECT_NE(association.find(std::string("mime/packages/") + app::MimePackageName),
              std::string::npos);
    EXPECT_NE(association.find(app::DefinitionMimeType), std::string::npos);
    // Where settings, the log and the work files live.
    const std::string files = Section("files");
    for (const char* place :
         {"$XDG_CONFIG_HOME/Tarn/Velmoran.conf", "$XDG_STATE_HOME/Tarn/Velmoran/Velmoran.LOG",
          "$XDG_CACHE_HOME/Tarn/Velmoran/tmp"})
        EXPECT_NE(files.find(place), std::string::npos) << place;
    // The restore options by their captions in the restore dialog, with their switches.
    const std::string restore = Section("restore");
    for (const char* text : {"バックアップより新しいファイルも上書きする", "/ignoretimestamp",
                             "バックアップに無いファイルは削除する", "/permitdeletion"})
        EXPECT_NE(restore.find(text), std::string::npos) << text;
}

} // namespace
