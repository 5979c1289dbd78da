// orvlog import --encoding: converted logs import as their CP932 originals,
// with a note on standard error and nothing on standard output.
#include <gtest/gtest.h>

#include <string>

#include "fakes/runprogram.h"
#include "fakes/testfiles.h"

using namespace orv::test;

namespace {

const std::string kSample = std::string(ORV_SOURCE_DIR) + "/samples/sample.log";

std::string Q(const std::string& s) { return Quote(s); }

std::string Utf8Lf(const std::string& cp932) {
    std::string out;
    for (char c : orv::Cp932ToUtf8(cp932))
        if (c != '\r') out += c;
    return out;
}

TEST(OrvlogEncoding, Utf8LfImportsAsTheSampleWithANoteOnStandardError) {
    TempDir dir;
    const std::string want = dir.File("want.mld"), got = dir.File("got.mld");
    std::string utf8 = Utf8Lf(ReadAll(kSample));
    utf8.insert(utf8.find('\n'), "\xF0\x9F\x98\x80");  // not in Shift-JIS, on line 1
    const std::string log = dir.Write("u.log", utf8);
    const std::string err = dir.File("err.txt");
    ASSERT_EQ(RunOrvlog("import -o " + Q(want) + " " + Q(kSample), NullDevice()).status, 0);
    const RunResult r = RunOrvlog("import -o " + Q(got) + " " + Q(log), Q(err));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadAll(err), "orvlog: " + log +
                                ": read as UTF-8, LF line ends; 1 character not in Shift-JIS "
                                "replaced by 〓, the first in line 1\n");
    // Line 1 comes before the first message: the documents are the same.
    EXPECT_EQ(ReadAll(got), ReadAll(want));
}

TEST(OrvlogEncoding, Cp932ReadsAsBeforeAndABadNameIsAUsageError) {
    TempDir dir;
    const std::string log = dir.Write("u.log", Utf8Lf(ReadAll(kSample)));
    const std::string out = dir.File("o.mld");
    EXPECT_EQ(RunOrvlog("import --encoding cp932 -o " + Q(out) + " " + Q(log), NullDevice()).status,
              3);
    EXPECT_EQ(RunOrvlog("import --encoding sjis -o " + Q(out) + " " + Q(log), NullDevice()).status,
              2);
    const RunResult help = RunOrvlog("import --help", NullDevice());
    EXPECT_NE(help.out.find("--encoding auto|cp932|utf-8|euc-jp|iso-2022-jp"), std::string::npos);
    EXPECT_NE(RunOrvlog("--help", NullDevice()).out.find("--encoding"), std::string::npos);
    EXPECT_EQ(
        RunOrvlog("import --encoding euc-jp -o " + Q(out) + " " + Q(kSample), NullDevice()).status,
        0);  // a forced encoding is taken as given
}

}  // namespace
