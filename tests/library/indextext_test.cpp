// The terms the index is given for a message and the terms a search asks
// for: every term of a text that a message holds is among the message's.
#include "library/indextext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace orv {
namespace {

std::vector<std::string> Split(const std::string& terms) {
    std::vector<std::string> out;
    std::string one;
    for (char c : terms) {
        if (c != kIndexTermSeparator) {
            one += c;
            continue;
        }
        out.push_back(one);
        one.clear();
    }
    EXPECT_EQ(one, "") << "every term ends with the separator";
    return out;
}

TEST(IndexTerms, EachTermOncePerMessageAndNoneAcrossFields) {
    CIndexTermCollector collector;
    std::string first, second;
    collector.AddMessage({"abcabc", "xy", std::string_view("zab\0cde", 7)}, first);
    collector.AddMessage({"ABC", "", "bcd"}, second);
    // Case folds; "yza" would run across two fields, "b\0c" past a NUL.
    EXPECT_EQ(Split(first), (std::vector<std::string>{"abc", "bca", "cab", "zab"}));
    EXPECT_EQ(Split(second), (std::vector<std::string>{"abc", "bcd"}));
    std::map<std::string, std::uint32_t> common;
    collector.ForCommon(2, [&](const std::string& t, std::uint32_t n) { common[t] = n; });
    EXPECT_EQ(common, (std::map<std::string, std::uint32_t>{{"abc", 2}}));
    EXPECT_EQ(collector.Messages(), 2u);
}

TEST(IndexTerms, ASearchTextsTermsAreAmongTheMessagesTerms) {
    // Width, case and kana type fold alike in both; the search asks for
    // terms of three keys, and a text shorter than that gets none.
    const struct {
        const char* message;  // CP932
        const char* text;
    } cases[] = {
        {"\x82\x60\x82\x61\x82\x62\x82\x63", "abcd"},              // ＡＢＣＤ / abcd
        {"\x83\x4A\x83\x6A\x83\x5E", "\x82\xa9\x82\xc9\x82\xbd"},  // カニタ / かにた
        {"\xb6\xc6\xc0", "\x83\x4A\x83\x6A\x83\x5E"},              // ｶﾆﾀ / カニタ
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CIndexTermCollector collector;
        std::string body;
        collector.AddMessage({c.message}, body);
        const std::vector<std::string> held = Split(body);
        const std::vector<std::string> asked = IndexTerms(c.text);
        ASSERT_FALSE(asked.empty());
        for (const std::string& t : asked)
            EXPECT_NE(std::find(held.begin(), held.end(), t), held.end()) << t;
    }
    EXPECT_TRUE(IndexTerms("ab").empty());
}

TEST(IndexTerms, ManyDistinctTermsGrowTheTable) {
    // 64,000 distinct terms, one per message, then each of them again.
    CIndexTermCollector collector;
    std::string body;
    for (int round = 0; round < 2; ++round) {
        for (char a = '0'; a < '0' + 40; ++a)
            for (char b = '0'; b < '0' + 40; ++b)
                for (char c = '0'; c < '0' + 40; ++c) {
                    body.clear();
                    const char text[] = {a, b, c};
                    collector.AddMessage({std::string_view(text, 3)}, body);
                    ASSERT_EQ(body.size(), 4u) << a << b << c;
                }
    }
    std::size_t counted = 0;
    collector.ForCommon(1, [&](const std::string&, std::uint32_t n) {
        ++counted;
        EXPECT_EQ(n, 2u);
    });
    EXPECT_EQ(counted, 64000u);
}

}  // namespace
}  // namespace orv
