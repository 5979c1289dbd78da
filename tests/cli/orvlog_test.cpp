// orvlog driven as a program: exit statuses, output files and round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fakes/runprogram.h"
#include "fakes/testfiles.h"

using namespace orv::test;

namespace {

// Runs orvlog with the arguments (quoted with Q); standard error goes to the
// quoted err if given.
RunResult Orvlog(const std::string& args, const std::string& err = NullDevice()) {
    return RunOrvlog(args, err);
}

std::string Q(const std::string& s) { return Quote(s); }

const std::string kSample = std::string(ORV_SOURCE_DIR) + "/samples/sample.log";

TEST(Orvlog, ImportSaveOpenSaveGivesIdenticalBytes) {
    TempDir dir;
    std::string a = dir.File("a.mld"), b = dir.File("b.mld");
    ASSERT_EQ(Orvlog("import -o " + Q(a) + " " + Q(kSample)).status, 0);
    // Importing nothing new into it and saving again gives the same bytes.
    ASSERT_EQ(Orvlog("import -o " + Q(b) + " --into " + Q(a) + " " + Q(kSample)).status, 0);
    EXPECT_EQ(ReadAll(a), ReadAll(b));
    RunResult tree = Orvlog("tree " + Q(a));
    EXPECT_EQ(tree.status, 0);
    EXPECT_NE(tree.out.find("1 はじめまして\n  2 RE:はじめまして\n    4 RE:はじめまして\n"),
              std::string::npos);
    EXPECT_NE(tree.out.find("\n9 RE:古い話題\n"), std::string::npos);  // orphan is a root
}

TEST(Orvlog, DuplicatesStopOrOverwrite) {
    TempDir dir;
    std::string a = dir.File("a.mld"), b = dir.File("b.mld");
    std::string log = dir.Write(
        "x.log", Crlf({Header1(1, 1, "ID", "a b", "first"), Header2("99/01/01 00:00:00"), "one"}));
    std::string log2 = dir.Write(
        "y.log", Crlf({Header1(1, 1, "ID", "a b", "second"), Header2("99/01/01 00:00:00"), "two"}));
    ASSERT_EQ(Orvlog("import -o " + Q(a) + " " + Q(log)).status, 0);
    std::string err = dir.File("err.txt");
    EXPECT_EQ(Orvlog("import -o " + Q(b) + " --into " + Q(a) + " " + Q(log2), err).status, 0);
    EXPECT_NE(ReadAll(err).find("ファイル y.log は、既に取り込みされている"), std::string::npos);
    EXPECT_EQ(Orvlog("show " + Q(b) + " 1").out.find("second"), std::string::npos);
    EXPECT_EQ(Orvlog("import -o " + Q(b) + " --into " + Q(a) + " --duplicates overwrite " + Q(log2))
                  .status,
              0);
    EXPECT_NE(Orvlog("show " + Q(b) + " 1").out.find("second"), std::string::npos);
}

TEST(Orvlog, ExitStatuses) {
    TempDir dir;
    std::string out = dir.File("o.mld");
    EXPECT_EQ(Orvlog("").status, 2);
    EXPECT_EQ(Orvlog("import " + Q(kSample)).status, 2);  // no -o
    EXPECT_EQ(Orvlog("import -o " + Q(out) + " " + Q(dir.File("missing.log"))).status, 2);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(Orvlog("import -o " + Q(dir.File("no/dir/o.mld")) + " " + Q(kSample)).status, 2);

    // A rejected log: what came before it is still written.
    std::string junk = dir.Write("junk.txt", "not a log\r\n");
    std::string err = dir.File("err.txt");
    EXPECT_EQ(Orvlog("import -o " + Q(out) + " " + Q(kSample) + " " + Q(junk), err).status, 3);
    EXPECT_NE(ReadAll(err).find("ファイル junk.txt は、"), std::string::npos);
    EXPECT_NE(Orvlog("tree " + Q(out)).out.find("12 "), std::string::npos);

    EXPECT_EQ(Orvlog("tree " + Q(dir.Write("bad.mld", "\x01")), err).status, 4);
    EXPECT_NE(ReadAll(err).find("予期しないﾌｧｲﾙ形式です。"), std::string::npos);
    std::string schema = ReadAll(out);
    schema[4] = 0x11;
    EXPECT_EQ(Orvlog("dump " + Q(dir.Write("s.mld", schema)), err).status, 5);
    EXPECT_NE(ReadAll(err).find("ファイルの読み込みに失敗しました。"), std::string::npos);
    EXPECT_EQ(Orvlog("show " + Q(out) + " 999").status, 1);
    EXPECT_EQ(Orvlog("show " + Q(out) + " 4294967297").status, 2);  // not a 32-bit number
}

TEST(Orvlog, AFolderAmongTheLogsCannotBeOpened) {
    TempDir dir;
    std::string out = dir.File("o.mld"), err = dir.File("err.txt");
    std::filesystem::create_directory(dir.File("logs"));
    EXPECT_EQ(
        Orvlog("import -o " + Q(out) + " " + Q(kSample) + " " + Q(dir.File("logs")), err).status,
        2);
    EXPECT_FALSE(std::filesystem::exists(out));
    // The folder once, then why, on one line.
    const std::string said = ReadAll(err);
    EXPECT_EQ(said.rfind("orvlog: " + dir.File("logs") + ": ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST(Orvlog, OpenAndSaveFailuresNameTheFile) {
    TempDir dir;
    std::string err = dir.File("err.txt");
    std::string bad = dir.Write("bad.mld", "\x01");
    EXPECT_EQ(Orvlog("tree " + Q(bad), err).status, 4);
    EXPECT_EQ(ReadAll(err), "orvlog: " + bad + ": 予期しないﾌｧｲﾙ形式です。\n");
    std::string missing = dir.File("missing.mld");
    EXPECT_EQ(Orvlog("dump " + Q(missing), err).status, 2);
    EXPECT_EQ(ReadAll(err).rfind("orvlog: " + missing + ": ", 0), 0u);
    std::string unwritable = dir.File("no/dir/o.mld");
    EXPECT_EQ(Orvlog("import -o " + Q(unwritable) + " " + Q(kSample), err).status, 2);
    EXPECT_EQ(ReadAll(err).rfind("orvlog: " + unwritable + ": ", 0), 0u);
}

// With standard error on a terminal (through script(1)), a message shown
// while the progress bar stands begins a line of its own.
TEST(Orvlog, MessagesAfterTheProgressBarStartOnAFreshLine) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
    TempDir dir;
    std::string out = dir.File("o.mld"), typescript = dir.File("tty.txt");
    std::string junk = dir.Write("junk.txt", "not a log\r\n");
    std::string cmd =
        std::string("'") + ORVLOG_PATH + "' import -o " + Q(out) + " " + Q(kSample) + " " + Q(junk);
    std::string run = "script -qec " + Q(cmd) + " /dev/null > " + Q(typescript) + " 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 3 << 8);
    std::string tty = ReadAll(typescript);
    std::size_t at = tty.find("orvlog: ファイル junk.txt は、");
    ASSERT_NE(at, std::string::npos) << tty;
    ASSERT_GT(at, 0u);
    EXPECT_EQ(tty[at - 1], '\n') << tty;
    EXPECT_NE(tty.find("取り込み中！"), std::string::npos) << tty;  // the bar was drawn
}

TEST(Orvlog, DumpWritesOneJsonObjectPerRecord) {
    TempDir dir;
    std::string a = dir.File("a.mld");
    ASSERT_EQ(Orvlog("import -o " + Q(a) + " " + Q(kSample)).status, 0);
    RunResult dump = Orvlog("dump " + Q(a));
    ASSERT_EQ(dump.status, 0);
    EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\n'), 12);
    EXPECT_EQ(
        dump.out.rfind("{\"depth\":0,\"number\":1,\"id\":\"QVA00012\",\"author\":\"山田 一郎\","
                       "\"title\":\"はじめまして\",\"datetime\":\"98/04/01 21:10:05\",\"text\":"
                       "\"この会議室に初めて書き込みます。\\r\\n",
                       0),
        0u);
    EXPECT_NE(dump.out.find("{\"depth\":2,\"number\":4,"), std::string::npos);
}

}  // namespace

TEST(Orvlog, ExportHtmlWritesASiteAndRefusesAFolderInUse) {
    TempDir dir;
    std::string doc = dir.File("forum.mld"), site = dir.File("site"), err = dir.File("err.txt");
    ASSERT_EQ(Orvlog("import -o " + Q(doc) + " " + Q(kSample)).status, 0);
    ASSERT_EQ(Orvlog("export-html " + Q(doc) + " " + Q(site), err).status, 0);
    const std::string index = ReadAll(site + "/index.html");
    EXPECT_NE(index.find("<h1>forum.mld</h1>"), std::string::npos);
    EXPECT_NE(index.find("<dt>発言数</dt><dd>12</dd>"), std::string::npos);
    EXPECT_NE(ReadAll(site + "/threads/1.html").find("この会議室に初めて書き込みます。"),
              std::string::npos);

    // A second export into the same folder: refused, naming it, untouched.
    EXPECT_EQ(Orvlog("export-html " + Q(doc) + " " + Q(site), err).status, 2);
    EXPECT_NE(ReadAll(err).find("orvlog: " + site + ": not empty"), std::string::npos);
    EXPECT_EQ(ReadAll(site + "/index.html"), index);
    EXPECT_EQ(Orvlog("export-html " + Q(doc)).status, 2);
    EXPECT_EQ(Orvlog("export-html " + Q(dir.File("missing.mld")) + " " + Q(dir.File("x"))).status,
              2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x")));
}
