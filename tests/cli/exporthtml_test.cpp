// Addresses of an exported site outlive later imports: a late reply comes
// in with `import --into`, the site is exported again, and every message
// address of the first site still shows the same message.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "fakes/runprogram.h"
#include "fakes/testfiles.h"

using namespace orv::test;

namespace {

const std::string kSample = std::string(ORV_SOURCE_DIR) + "/samples/sample.log";

// "threads/F.html#ID" -> the number the article shows, for every thread page.
std::map<std::string, int> Addresses(const std::string& site) {
    static const std::regex articleRe(
        "<article class=\"message\" id=\"([^\"]+)\"[^]*?発言番号　：　</span>(-?[0-9]+)</div>");
    std::map<std::string, int> out;
    for (const auto& e : std::filesystem::directory_iterator(site + "/threads")) {
        const std::string html = ReadAll(e.path().string());
        const std::string name = "threads/" + e.path().filename().string();
        for (std::sregex_iterator it(html.begin(), html.end(), articleRe), end; it != end; ++it)
            out[name + "#" + (*it)[1].str()] = std::stoi((*it)[2].str());
    }
    return out;
}

}  // namespace

TEST(OrvlogExportHtml, AddressesSurviveALateReplyImportedInto) {
    TempDir dir;
    const std::string doc = dir.File("forum.mld"), more = dir.File("more.mld");
    ASSERT_EQ(RunOrvlog("import -o " + Quote(doc) + " " + Quote(kSample), NullDevice()).status, 0);
    ASSERT_EQ(
        RunOrvlog("export-html " + Quote(doc) + " " + Quote(dir.File("a")), NullDevice()).status,
        0);
    // Message 13 answers message 2, deep in the first thread: every message
    // after it in that thread and in every later thread moves down a place.
    const std::string late =
        dir.Write("late.log", Crlf({Header1(13, 13, "QVZ00001", "遅い 人", "RE:RE:はじめまして"),
                                    Header2("98/05/01 10:00:00", 2), "遅れてすみません。"}));
    ASSERT_EQ(RunOrvlog("import -o " + Quote(more) + " --into " + Quote(doc) + " " + Quote(late),
                        NullDevice())
                  .status,
              0);
    ASSERT_EQ(
        RunOrvlog("export-html " + Quote(more) + " " + Quote(dir.File("b")), NullDevice()).status,
        0);
    const auto before = Addresses(dir.File("a")), after = Addresses(dir.File("b"));
    ASSERT_EQ(before.size(), 12u);
    EXPECT_EQ(after.size(), 13u);
    for (const auto& [address, number] : before) {
        ASSERT_TRUE(after.count(address)) << address;
        EXPECT_EQ(after.at(address), number) << address;
    }
    EXPECT_EQ(after.at("threads/1.html#n13"), 13);
}
