// orvlog search driven as a program, on the sample forum.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "fakes/runprogram.h"
#include "fakes/testfiles.h"

using namespace orv::test;

namespace {

struct SearchRun {
    int status;
    std::string out;
    std::string err;
};

struct OrvlogSearch : ::testing::Test {
    TempDir dir;
    std::string doc;

    void SetUp() override {
        doc = dir.File("s.mld");
        std::string sample = std::string(ORV_SOURCE_DIR) + "/samples/sample.log";
        ASSERT_EQ(Exec("import -o " + Quote(doc) + " " + Quote(sample)).status, 0);
    }
    SearchRun Exec(const std::string& args) {
        std::string errFile = dir.File("err.txt");
        RunResult run = RunOrvlog(args, Quote(errFile));
        return {run.status, std::move(run.out), ReadAll(errFile)};
    }
    SearchRun Search(const std::string& args) { return Exec("search " + Quote(doc) + " " + args); }
};

TEST_F(OrvlogSearch, NextAndPreviousFollowTreeOrder) {
    // Tree order: 1 2 4 3 5 6 7 8 10 11 9 12.
    EXPECT_EQ(Search("はじめ").out, "2 RE:はじめまして\n");  // 1 is not tested
    EXPECT_EQ(Search("はじめ --from 2").out, "4 RE:はじめまして\n");
    EXPECT_EQ(Search("はじめ --prev").out, "4 RE:はじめまして\n");
    EXPECT_EQ(Search("はじめ --prev --from 2").out, "1 はじめまして\n");
    SearchRun last = Search("はじめ --from 4");
    EXPECT_EQ(last.status, 1);
    EXPECT_NE(last.err.find("\"はじめ\" が見つかりません。"), std::string::npos);
    SearchRun edge = Search("はじめ --prev --from 1");  // nothing before the first entry
    EXPECT_EQ(edge.status, 1);
    EXPECT_EQ(edge.out, "");
}

TEST_F(OrvlogSearch, AllMatchesWithFieldsAndFolds) {
    SearchRun r = Search("ぱそこん --all --ignore kana,width");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "3 ﾊﾟｿｺﾝ通信の設定について\n5 RE:ﾊﾟｿｺﾝ通信の設定について\n"
              "6 RE:ﾊﾟｿｺﾝ通信の設定について\n");
    EXPECT_EQ(Search("ぱそこん --all --ignore kana").status, 1);
    EXPECT_EQ(Search("ａｂｃ --all --in title").status, 1);
    EXPECT_EQ(Search("ａｂｃ --all --in title --ignore case").out,
              "12 雑談スレッド ABC abc ＡＢＣ\n");
    EXPECT_EQ(Search("ａｂｃ --all --in author,id --ignore case").status, 1);
}

TEST_F(OrvlogSearch, CountAndRangesOfEveryHit) {
    SearchRun count = Search("ぱそこん --count --ignore kana,width");
    EXPECT_EQ(count.status, 0);
    EXPECT_EQ(count.out, "3\n");
    SearchRun none = Search("ぱそこん --count --ignore kana");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "0\n");
    // Folded matches as byte ranges of whole characters in each field.
    SearchRun r = Search("ａｂｃ --ranges --in title,content --ignore case,width");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "12 title 13-16 17-20 21-27\n");
    EXPECT_EQ(Search("x --all --count").status, 2);
}

TEST_F(OrvlogSearch, TroubleIsStatusTwo) {
    SearchRun empty = Search(Quote(""));
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.err.find("検索文字列が指定されていないか長すぎます。"), std::string::npos);
    EXPECT_EQ(Search("x --in bogus").status, 2);
    EXPECT_EQ(Search("x --from 999").status, 2);
    EXPECT_EQ(Search(Quote(std::string(2049, 'x'))).status, 2);
    EXPECT_EQ(Exec("search " + Quote(dir.File("missing.mld")) + " x").status, 2);
    EXPECT_EQ(Search(Quote("\xF0\x9F\x98\x80")).status, 2);  // no CP932 form
}

}  // namespace
