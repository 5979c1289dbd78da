// orvlog find and orvlog index driven as a program: the output lines, the
// order and uniqueness of documents, and the exit statuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fakes/runprogram.h"
#include "fakes/testfiles.h"

using namespace orv::test;

namespace {

struct OrvlogFind : ::testing::Test {
    TempDir dir;
    std::string a, b;

    void SetUp() override {
        // The index goes to a cache folder of this test's own.
        static std::string cacheVar;
        cacheVar = "XDG_CACHE_HOME=" + dir.File("cache");
        putenv(cacheVar.data());
        std::filesystem::create_directories(dir.Path() / "lib" / "sub");
        a = dir.File("lib/sub/a.mld");
        b = (dir.Path() / "lib" / "b.mld").string();  // as a walk of lib finds it
        const std::string sample = std::string(ORV_SOURCE_DIR) + "/samples/sample.log";
        ASSERT_EQ(Run("import -o " + Quote(a) + " " + Quote(sample)).status, 0);
        ASSERT_EQ(Run("import -o " + Quote(b) + " " + Quote(sample)).status, 0);
    }
    struct Result {
        int status;
        std::string out, err;
    };
    // Builds without SQLite have no index; find searches directly there.
    bool HasIndex() {
        static const int has = Run("index " + Quote(a)).status != 2;
        return has;
    }
    Result Run(const std::string& args) {
        const std::string errFile = dir.File("err.txt");
        RunResult r = RunOrvlog(args, Quote(errFile));
        return {r.status, std::move(r.out), ReadAll(errFile)};
    }
};

TEST_F(OrvlogFind, LinesByRealPathEachDocumentOnce) {
    // a is reached twice (as a file, then through the folder) and keeps
    // the path that reached it first; b sorts before sub/a.
    const std::string expected =
        b + "\t3\tﾊﾟｿｺﾝ通信の設定について\n" + b + "\t5\tRE:ﾊﾟｿｺﾝ通信の設定について\n" + b +
        "\t6\tRE:ﾊﾟｿｺﾝ通信の設定について\n" + a + "\t3\tﾊﾟｿｺﾝ通信の設定について\n" + a +
        "\t5\tRE:ﾊﾟｿｺﾝ通信の設定について\n" + a + "\t6\tRE:ﾊﾟｿｺﾝ通信の設定について\n";
    const std::string args =
        "find ぱそこん " + Quote(a) + " " + Quote(dir.File("lib")) + " --ignore kana,width";
    for (const char* extra : {" --no-index", ""}) {
        SCOPED_TRACE(extra);
        Result r = Run(args + extra);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(Run(args + extra + " --count").out, "6\n");
        Result indexed = Run("index " + Quote(dir.File("lib")));
        if (!HasIndex()) continue;
        EXPECT_EQ(indexed.status, 0) << indexed.err;
    }
    if (HasIndex()) {
        EXPECT_EQ(Run("index " + Quote(dir.File("lib"))).out, "0 indexed, 2 already current\n");
    }
}

TEST_F(OrvlogFind, ExitStatuses) {
    std::ofstream(dir.File("lib/broken.mld"), std::ios::binary) << "junk";
    const std::string lib = Quote(dir.File("lib"));
    const std::string broken = (dir.Path() / "lib" / "broken.mld").string();
    const std::string missing = Quote(dir.File("missing.mld"));
    struct Case {
        std::string args;
        int status;
        std::string inErr;
    } cases[] = {
        {"find ＡＢＣ " + Quote(a) + " --ignore case,width", 0, ""},
        {"find 見つからない文字列 " + Quote(a), 1, ""},
        {"find ＡＢＣ " + lib + " --ignore case,width", 8, "cannot search " + broken},
        {"find zzzz " + lib, 8, "not a document"},
        {"find ＡＢＣ " + Quote(a) + " " + missing, 8, "cannot search " + dir.File("missing.mld")},
        {"find ＡＢＣ " + missing, 2, "cannot search"},
        {"find \"\" " + Quote(a), 2, "検索文字列が指定されていないか長すぎます。"},
        {"find ＡＢＣ", 2, "usage"},
        {"find ＡＢＣ " + Quote(a) + " --in subject", 2, "usage"},
        {"find ＡＢＣ " + Quote(a) + " --bogus", 2, "usage"},
        {"index", 2, "usage"},
        {"index " + lib, HasIndex() ? 8 : 2,
         HasIndex() ? "cannot search " + broken : "no library index"},
        {"find --help", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.inErr), std::string::npos) << r.err;
    }
}

TEST_F(OrvlogFind, UsageErrorsAndHelpWriteNothing) {
    static std::string cacheVar;  // a cache folder nothing has made yet
    cacheVar = "XDG_CACHE_HOME=" + dir.File("fresh");
    putenv(cacheVar.data());
    const std::string lib = Quote(dir.File("lib"));
    const struct {
        std::string args;
        int status;
        std::string outStart;
    } cases[] = {
        {"index --bogus " + lib, 2, ""},
        {"index -x " + lib, 2, ""},
        {"index --in id " + lib, 2, ""},
        {"find ＡＢＣ " + lib + " --bogus", 2, ""},
        {"find ＡＢＣ " + lib + " --in", 2, ""},
        {"index -h", 0, "usage: orvlog index"},
        {"index " + lib + " --help", 0, "usage: orvlog index"},
        {"find -h", 0, "usage: orvlog find"},
        {"find --no-index -- -ABC " + lib, 1, ""},  // after --, a text may start with a dash
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out.substr(0, c.outStart.size()), c.outStart);
        EXPECT_FALSE(std::filesystem::exists(dir.File("fresh")));
    }
}

}  // namespace
