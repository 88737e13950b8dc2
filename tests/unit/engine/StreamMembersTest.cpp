// Stream members kept apart from the files of a listing, and put back beside them.
#include "engine/StreamMembers.h"

#include <gtest/gtest.h>

using engine::TStreamMembers;
using selection::TVMFileInfo;
using selection::TVMFiles;

namespace {

TVMFiles List(std::initializer_list<const char*> names) {
    TVMFiles list;
    for (const char* n : names) {
        TVMFileInfo info;
        info.Name = n;
        list.Add(info);
    }
    selection::SortByName(list);
    return list;
}

std::vector<std::string> Names(const TVMFiles& list) {
    std::vector<std::string> out;
    for (const auto& f : list)
        out.push_back(f.Name);
    return out;
}

TEST(StreamMembersTest, SplitOffTakesStreamsOfKnownFilesOnly) {
    TVMFiles members =
        List({"a.txt", "a.txt;x;$DATA", "a.txt;y;$DATA", "a.txt.bak", "gone.txt;g;$DATA",
              "new.txt;n;$DATA", "real.txt", "real.txt;r;$DATA", "a;#b.txt"});
    // new.txt is only in the source (a run stopped after its streams went in); real.txt;r;$DATA
    // is a file of the user's.
    const TVMFiles files = List({"a.txt", "new.txt", "real.txt", "real.txt;r;$DATA"});
    const TStreamMembers streams = TStreamMembers::SplitOff(members, files, ";#");
    EXPECT_EQ(Names(members),
              (std::vector<std::string>{"a.txt", "a.txt.bak", "a;#b.txt", "gone.txt;g;$DATA",
                                        "real.txt", "real.txt;r;$DATA"}));
    EXPECT_EQ(streams.Of("a.txt").size(), 2u);
    EXPECT_EQ(streams.Of("new.txt").size(), 1u);
    EXPECT_TRUE(streams.Of("real.txt").empty());
    // Files are followed by their streams, whatever sorts between them.
    EXPECT_EQ(streams.WithStreams({"a.txt", "a.txt.bak", "new.txt"}),
              (std::vector<std::string>{"a.txt", "a.txt;x;$DATA", "a.txt;y;$DATA", "a.txt.bak",
                                        "new.txt", "new.txt;n;$DATA"}));
    EXPECT_EQ(streams.StreamsOf({"a.txt.bak", "new.txt"}),
              (std::vector<std::string>{"new.txt;n;$DATA"}));
}

} // namespace
