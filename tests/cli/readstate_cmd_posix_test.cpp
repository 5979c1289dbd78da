// orvlog unread and mark: the read marks the viewer keeps, from the
// command line, in a data folder of the test's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fakes/runprogram.h"
#include "fakes/testfiles.h"
#include "readstate/statestore.h"

using namespace orv::test;

namespace {

const std::string kSample = std::string(ORV_SOURCE_DIR) + "/samples/sample.log";

struct ReadStateCmd : ::testing::Test {
    TempDir dir;
    std::string doc = dir.File("a.mld");
    std::string err = dir.File("err.txt");
    void SetUp() override {
        if (!orv::CReadStateStore::Available()) GTEST_SKIP() << "no reading state in this build";
        // The children keep their state here, never in the user's folder.
        setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
        ASSERT_EQ(RunOrvlog("import -o " + Quote(doc) + " " + Quote(kSample), NullDevice()).status,
                  0);
    }
    RunResult Run(const std::string& args) { return RunOrvlog(args, Quote(err)); }
};

TEST_F(ReadStateCmd, UnreadListsTheTreeUntilMarked) {
    const std::string tree = Run("tree " + Quote(doc)).out;
    EXPECT_EQ(Run("unread " + Quote(doc)).out, tree);
    ASSERT_EQ(Run("mark " + Quote(doc) + " --read 1 2").status, 0);
    const RunResult unread = Run("unread " + Quote(doc));
    EXPECT_EQ(unread.status, 0);
    // The same lines as tree, without messages 1 and 2.
    std::string expected;
    std::size_t pos = 0;
    while (pos < tree.size()) {
        const std::size_t end = tree.find('\n', pos) + 1;
        const std::string line = tree.substr(pos, end - pos);
        const std::string number = line.substr(line.find_first_not_of(' '));
        if (number.rfind("1 ", 0) != 0 && number.rfind("2 ", 0) != 0) expected += line;
        pos = end;
    }
    EXPECT_EQ(unread.out, expected);
    // Options may come after the numbers; --unread undoes.
    ASSERT_EQ(Run("mark " + Quote(doc) + " 1 2 --unread").status, 0);
    EXPECT_EQ(Run("unread " + Quote(doc)).out, tree);
}

TEST_F(ReadStateCmd, UnknownNumberIsNamedAndTheOthersAreMarked) {
    const RunResult r = Run("mark " + Quote(doc) + " --read 99999 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(ReadAll(err).find("no message 99999"), std::string::npos);
    EXPECT_EQ(Run("unread " + Quote(doc)).out.find("\n1 "), std::string::npos);
}

TEST_F(ReadStateCmd, UsageErrorsWriteNothing) {
    const char* bad[] = {
        "mark DOC --read --unread 1", "mark DOC 1",         "mark DOC --read", "mark DOC --read x1",
        "mark DOC --bogus --read 1",  "unread DOC --bogus", "unread",          "unread DOC DOC",
    };
    for (std::string args : bad) {
        SCOPED_TRACE(args);
        for (std::size_t p; (p = args.find("DOC")) != std::string::npos;)
            args.replace(p, 3, Quote(doc));
        EXPECT_EQ(Run(args).status, 2);
        EXPECT_FALSE(std::filesystem::exists(dir.File("data/orv/readstate.sqlite")));
    }
}

TEST_F(ReadStateCmd, HelpAndTheDocumentIsNeverWritten) {
    EXPECT_EQ(Run("mark --help").status, 0);
    EXPECT_NE(Run("unread -h").out.find("usage: orvlog unread DOC.mld"), std::string::npos);
    EXPECT_NE(Run("--help").out.find("orvlog mark DOC.mld --read|--unread NUMBER..."),
              std::string::npos);
    const std::string bytes = ReadAll(doc);
    const auto mtime = std::filesystem::last_write_time(doc);
    ASSERT_EQ(Run("mark " + Quote(doc) + " --read 1 3 5").status, 0);
    ASSERT_EQ(Run("unread " + Quote(doc)).status, 0);
    EXPECT_EQ(ReadAll(doc), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(doc), mtime);
}

TEST_F(ReadStateCmd, DamagedStateIsReportedAndSetAside) {
    ASSERT_EQ(Run("mark " + Quote(doc) + " --read 1").status, 0);
    const std::string state = dir.File("data/orv/readstate.sqlite");
    dir.Write("data/orv/readstate.sqlite", std::string(5000, '\x7f'));
    const RunResult r = Run("unread " + Quote(doc));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(ReadAll(err).find("既読情報のファイルが壊れていたため、"), std::string::npos);
    EXPECT_NE(ReadAll(err).find("readstate.sqlite.damaged-"), std::string::npos);
}

TEST_F(ReadStateCmd, AFolderWhereTheStateGoesIsAnError) {
    std::filesystem::create_directories(dir.File("data/orv/readstate.sqlite"));
    EXPECT_EQ(Run("unread " + Quote(doc)).status, 2);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("data/orv/readstate.sqlite")));
}

}  // namespace
