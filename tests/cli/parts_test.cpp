// Parts of orvlog tested as functions: the option parser, the progress
// bar's line and the one-line messages.
#include <gtest/gtest.h>

#include <climits>

#include "cli/args.h"
#include "cli/terminal.h"

using namespace orv::cli;

namespace {

struct ArgsCase {
    std::vector<std::string> argv;  // without the command's name
    bool ok;
    bool help;
    std::vector<std::string> operands;
    std::string out;  // value of -o
};

TEST(OrvlogParts, OptionsOperandsHelpAndDoubleDash) {
    const ArgsCase cases[] = {
        {{"-o", "x", "a", "b"}, true, false, {"a", "b"}, "x"},
        {{"a", "-o", "x", "b"}, true, false, {"a", "b"}, "x"},
        {{"-o"}, false, false, {}, ""},  // no value
        {{"--bogus", "a"}, false, false, {"a"}, ""},
        {{"--bogus", "--help"}, true, true, {}, ""},  // help wins
        {{"--", "-o", "--help"}, true, false, {"-o", "--help"}, ""},
        {{"-", "-5", "-o", "-x"}, true, false, {"-", "-5"}, "-x"},  // a value may start with a dash
        {{"a", "--", "--", "b"}, true, false, {"a", "--", "b"}, ""},
        {{"-h"}, true, true, {}, ""},
    };
    for (const ArgsCase& c : cases) {
        std::vector<std::string> args{"cmd"};
        args.insert(args.end(), c.argv.begin(), c.argv.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        ParsedArgs parsed;
        std::string name;
        for (const std::string& a : c.argv) name += a + " ";
        EXPECT_EQ(ParseArgs(static_cast<int>(argv.size()), argv.data(), {{"-o", true}}, parsed),
                  c.ok)
            << name;
        EXPECT_EQ(parsed.help, c.help) << name;
        if (!c.ok) continue;
        EXPECT_EQ(parsed.operands, c.operands) << name;
        EXPECT_EQ(parsed.Value("-o"), c.out) << name;
    }
}

TEST(OrvlogParts, TheProgressBarHoldsAnyPercentWithinItsWidth) {
    const std::pair<int, const char*> cases[] = {{INT_MIN, "  0%"}, {-1, "  0%"},  {0, "  0%"},
                                                 {50, " 50%"},      {100, "100%"}, {101, "100%"},
                                                 {INT_MAX, "100%"}};
    const std::size_t width = ProgressBarText("c", 0).size();
    for (const auto& [percent, label] : cases) {
        const std::string line = ProgressBarText("c", percent);
        EXPECT_EQ(line.size(), width) << percent;
        EXPECT_EQ(line.substr(line.size() - 4), label) << percent;
    }
    EXPECT_EQ(ProgressBarText("c", 50), "c [###############...............]  50%");
}

TEST(OrvlogParts, AMessageNamesItsFileOnceOnOneLine) {
    const struct {
        std::string subject, text, line;
    } cases[] = {
        {"a.mld", "a.mld\nNo such file or directory", "orvlog: a.mld: No such file or directory\n"},
        {"a.mld", "first\nsecond", "orvlog: a.mld: first second\n"},
        {"", "x.log\nreason", "orvlog: x.log reason\n"},
        {"a", "ab\nc", "orvlog: a: ab c\n"},  // only the whole name is dropped
        {"", "ends with a break\n", "orvlog: ends with a break\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(MessageLine(c.subject, c.text), c.line) << c.text;
}

}  // namespace
