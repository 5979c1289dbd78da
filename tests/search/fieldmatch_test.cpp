// The fast field matcher: chosen cases, and agreement with the plain
// windowed comparison on many random CP932 strings.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/cp932.h"
#include "search/findengine.h"
#include "tests/search/reference_match.h"
#include "tests/search/searchtestutil.h"

namespace orv {
namespace {

using namespace testing;  // Sj and the flag constants

// FieldMatches with the window of the text, checked against the reference.
bool Find(std::uint32_t flags, const std::string& field, const std::string& text) {
    int minLen = 0, maxLen = 0;
    EXPECT_TRUE(GetSearchLengths(text, minLen, maxLen));
    bool fast = FieldMatches(flags, field, text, minLen, maxLen);
    EXPECT_EQ(fast, testing::ReferenceFieldMatches(flags, field, text, minLen, maxLen))
        << Cp932ToUtf8(text) << " in " << Cp932ToUtf8(field);
    return fast;
}

TEST(FieldMatches, WindowsStartOnWholeCharacters) {
    const std::string a = Sj("ア");  // 0x83 0x41
    ASSERT_EQ(a, "\x83\x41");
    for (std::uint32_t f : {0u, kAll}) {
        EXPECT_FALSE(Find(f, a, "A"));
        EXPECT_FALSE(Find(f, Sj("アイ"), "AC"));  // ア イ = 83 41 83 43
        EXPECT_TRUE(Find(f, Sj("アA"), "A"));
        EXPECT_FALSE(Find(f, Sj("ガ"), "\x4B"));
    }
    // Nor do they end inside one.
    EXPECT_FALSE(Find(0, Sj("アイ"), "\x83"));
}

TEST(FieldMatches, CaseAndWidth) {
    const std::string field = Sj("xxＡＢＣyy");
    EXPECT_TRUE(Find(kCase, "ABC", "abc"));
    EXPECT_FALSE(Find(0, "ABC", "abc"));
    EXPECT_TRUE(Find(kCase | kWidth, field, "abc"));
    EXPECT_FALSE(Find(kCase, field, "abc"));
    EXPECT_FALSE(Find(kCase, Sj("ａｂｃ"), "abc"));
    EXPECT_TRUE(Find(kWidth, Sj("ａｂｃ"), "abc"));
    EXPECT_TRUE(Find(kCase | kWidth, Sj("aＢc"), Sj("ＡbＣ")));
    EXPECT_TRUE(Find(kCase, Sj("ΑΒΓ абв"), Sj("αβγ АБВ")));
}

TEST(FieldMatches, KanaAndWidth) {
    EXPECT_TRUE(Find(kKana, Sj("カ"), Sj("か")));
    EXPECT_FALSE(Find(kKana, Sj("ｶ"), Sj("か")));
    EXPECT_TRUE(Find(kKana | kWidth, Sj("ｶ"), Sj("か")));
    EXPECT_FALSE(Find(kWidth, Sj("ｶ"), Sj("か")));
    EXPECT_TRUE(Find(kKana | kWidth, Sj("ﾃﾞｰﾀﾍﾞｰｽ"), Sj("データベース")));
    EXPECT_TRUE(Find(kKana | kWidth, Sj("データベース"), Sj("でーたべーす")));
}

TEST(FieldMatches, HalfWidthSoundMarks) {
    EXPECT_TRUE(Find(kWidth, Sj("xガx"), Sj("ｶﾞ")));
    EXPECT_TRUE(Find(kWidth, Sj("xｶﾞx"), Sj("ガ")));
    // The letter alone is a whole character of ｶﾞ, but not of ガ.
    EXPECT_TRUE(Find(kWidth, Sj("ｶﾞ"), Sj("カ")));
    EXPECT_FALSE(Find(kWidth, Sj("ガ"), Sj("カ")));
    EXPECT_FALSE(Find(kWidth, Sj("ガ"), Sj("ｶ")));
    // So is the mark.
    EXPECT_TRUE(Find(kWidth, Sj("ｶﾞ"), Sj("゛")));
    EXPECT_TRUE(Find(kWidth, Sj("ｶﾞｷ"), Sj("ﾞキ")));
    EXPECT_FALSE(Find(kWidth, Sj("ガ"), Sj("゛")));
    EXPECT_FALSE(Find(kWidth, Sj("パ"), Sj("ﾟ")));
    EXPECT_FALSE(Find(kWidth, Sj("カ゛"), Sj("ガ")));
}

TEST(FieldMatches, LinesAndNul) {
    const std::string text = "first line\r\nsecond line\r\n";
    EXPECT_TRUE(Find(0, text, "second"));
    EXPECT_TRUE(Find(0, text, "line\r\nsec"));
    EXPECT_FALSE(Find(0, text, "line sec"));
    EXPECT_FALSE(Find(0, std::string("ab\0cd", 5), "cd"));  // a field ends at NUL
    EXPECT_FALSE(Find(0, "", "a"));
}

TEST(FieldMatches, HonoursTheLengthWindow) {
    // The full-width Ａ is a two-byte stretch: outside a window of 1..1.
    EXPECT_TRUE(FieldMatches(kWidth, Sj("Ａ"), "A", 1, 2));
    EXPECT_FALSE(FieldMatches(kWidth, Sj("Ａ"), "A", 1, 1));
    EXPECT_FALSE(FieldMatches(0, "abc", "abc", 4, 6));
    EXPECT_TRUE(FieldMatches(0, "abc", "", 0, 0));  // the empty stretch
}

TEST(FieldMatches, RepetitiveTextFindsLateHit) {
    std::string field(100000, 'a');
    field += "b";
    std::string text(2000, 'a');
    text += "b";
    int minLen = 0, maxLen = 0;
    ASSERT_TRUE(GetSearchLengths(text, minLen, maxLen));
    EXPECT_TRUE(FieldMatches(kAll, field, text, minLen, maxLen));
    EXPECT_FALSE(FieldMatches(kAll, field, text + "a", minLen + 1, maxLen + 2));
    // Thousands of places where the first or the rarest character stands
    // before the one that matches.
    EXPECT_TRUE(Find(0, std::string(3000, 'a') + "aab", "aab"));
    std::string katakana;
    for (int i = 0; i < 1500; ++i) katakana += Sj("ア");
    EXPECT_TRUE(Find(0, katakana + "a12345678" + Sj("ア"), "a12345678" + Sj("ア")));
    EXPECT_FALSE(Find(0, katakana + "a1234567" + Sj("ア"), "a12345678" + Sj("ア")));
    std::string mixed;
    for (int i = 0; i < 750; ++i) mixed += Sj("アあ");
    EXPECT_TRUE(Find(kKana, mixed + "a12345678" + Sj("ア"), "a12345678" + Sj("あ")));
}

TEST(FieldMatches, CharacterStartsAfterLongRunsOfLeadRangeBytes) {
    // ＝ is 81 81 and 知 92 6D: after a run of lead-range bytes of any length
    // the 6D is a trail byte, and 知 starts a character.
    for (int count : {31, 32, 33, 200, 2501}) {
        std::string rule;
        for (int i = 0; i < count; ++i) rule += Sj("＝");
        const std::string field = rule + Sj("知らせ");
        for (std::uint32_t f : {0u, kAll}) {
            EXPECT_FALSE(Find(f, field, "m")) << count;
            EXPECT_TRUE(Find(f, field, Sj("知らせ"))) << count;
            EXPECT_TRUE(Find(f, "a" + field, Sj("知らせ"))) << count;
        }
        // One lead byte more shifts the pairs: 81 then 81 81 ... 81 92, and
        // 6D stands alone.
        EXPECT_TRUE(Find(0, "\x81" + field, "m")) << count;
        EXPECT_FALSE(Find(0, "\x81" + field, Sj("知らせ"))) << count;
    }
}

// Pieces the random strings are made of: the characters the foldings relate,
// and malformed bytes.
const std::vector<std::string>& Pieces() {
    static const std::vector<std::string> pieces = [] {
        std::vector<std::string> p;
        for (const char* u :
             {"a",    "A",  "b",  "B",  "ａ", "Ａ", "ｂ", "Ｂ", " ",  "　", "1",  "１",
              "\r\n", "か", "カ", "ｶ",  "が", "ガ", "ﾞ",  "゛", "ﾟ",  "゜", "は", "ハ",
              "ﾊ",    "ぱ", "パ", "ウ", "ｳ",  "ヴ", "ア", "ｱ",  "α",  "Α",  "я",  "Я",
              "ー",   "ｰ",  "。", "｡",  "ヵ", "ゎ", "ヮ", "漢", "\"", "＂", "~",  "～"})
            p.push_back(Sj(u));
        p.push_back("\x83");  // lead byte, completed by what follows or not
        p.push_back(std::string("\x82", 1));
        p.push_back("\x41");  // trail byte of ア standing alone
        p.push_back("\xA0");
        p.push_back("\x80");
        p.push_back("\xFD");
        p.push_back("\xEE\xFC");  // ＂ (NEC-selected)
        p.push_back("\xED\x40");  // 纊, also FA 5C
        p.push_back("\xFA\x5C");
        p.push_back(Sj("ゝ"));
        p.push_back(Sj("ヽ"));
        return p;
    }();
    return pieces;
}

// A run of count bytes that can all begin a two-byte character: repeated
// characters such as the ＝ or ━ of a drawn rule, or any lead-range bytes.
std::string LeadRun(std::mt19937& rng, std::size_t count) {
    static const char* const units[] = {"\x81\x81", "\x84\x9F", "\x81\x99", "\x83\x94",
                                        "\xEE\xFC", "\xFA\xFC", "\x92\x81"};
    std::string run;
    if (rng() % 3) {
        const std::string unit = units[rng() % std::size(units)];
        while (run.size() < count) run += unit;
        run.resize(count);
    } else {
        static const unsigned char leads[] = {0x81, 0x82, 0x83, 0x92, 0x9F, 0xE0, 0xEE, 0xFA, 0xFC};
        for (std::size_t i = 0; i < count; ++i)
            run += static_cast<char>(leads[rng() % std::size(leads)]);
    }
    return run;
}

// Runs cases random fields of up to maxPieces pieces against texts taken
// from them or made of up to 3 pieces. With longRuns, each field holds a
// run of 0 to 5,000 lead-range bytes, a third of them are made longer than
// 4,096 bytes, and the texts taken from the field mostly come from where
// the run ends.
void CompareWithReference(unsigned seed, int cases, int maxPieces, bool longRuns = false) {
    std::mt19937 rng(seed);
    const auto& pieces = Pieces();
    auto piece = [&] { return pieces[rng() % pieces.size()]; };
    auto make = [&](int most) {
        std::string s;
        int n = static_cast<int>(rng() % static_cast<unsigned>(most + 1));
        for (int i = 0; i < n; ++i) s += piece();
        return s;
    };
    int hits = 0, misses = 0, randomWindows = 0;
    for (int c = 0; c < cases; ++c) {
        std::string field = make(maxPieces);
        std::size_t runEnd = 0;
        if (longRuns) {
            field += LeadRun(rng, rng() % 5001);
            runEnd = field.size();
            field += make(maxPieces);
            if (rng() % 3 == 0)
                while (field.size() <= 4096) field += piece();
        }
        std::string text;
        if (!field.empty() && rng() % 2 == 0) {
            // A byte stretch of the field, possibly cut inside a character,
            // with some pieces turned into another form.
            std::size_t a = rng() % field.size();
            if (longRuns && rng() % 4)
                a = std::min(field.size() - 1, runEnd - std::min<std::size_t>(runEnd, rng() % 8));
            std::size_t len = 1 + rng() % std::min<std::size_t>(field.size() - a, 6);
            text = field.substr(a, len);
            if (rng() % 2)
                text = MapToFullwidth(text);
            else if (rng() % 2)
                text = MapToHalfwidthKatakana(text);
        } else {
            text = make(3);
        }
        if (text.empty()) text = piece();
        const std::uint32_t flags =
            (rng() % 2 ? kCase : 0) | (rng() % 2 ? kWidth : 0) | (rng() % 2 ? kKana : 0);
        int minLen = 0, maxLen = 0;
        if (rng() % 5 == 0 || !GetSearchLengths(text, minLen, maxLen)) {
            minLen = static_cast<int>(rng() % 8);
            maxLen = minLen + static_cast<int>(rng() % 8) - 2;
            ++randomWindows;
        } else {
            ASSERT_LE(minLen, maxLen);
        }
        const bool expected = testing::ReferenceFieldMatches(flags, field, text, minLen, maxLen);
        const bool actual = FieldMatches(flags, field, text, minLen, maxLen);
        (expected ? hits : misses)++;
        if (expected != actual) {
            std::string hexField, hexText;
            char buf[4];
            for (unsigned char ch : field)
                std::snprintf(buf, sizeof buf, "%02X ", ch), hexField += buf;
            for (unsigned char ch : text)
                std::snprintf(buf, sizeof buf, "%02X ", ch), hexText += buf;
            ADD_FAILURE() << "case " << c << " flags " << std::hex << flags << std::dec
                          << " window " << minLen << ".." << maxLen << "\nfield " << hexField
                          << "\ntext  " << hexText << "\nreference " << expected;
            return;
        }
    }
    // Both outcomes must be well represented for the comparison to mean much.
    EXPECT_GT(hits, cases / 10);
    EXPECT_GT(misses, cases / 10);
    EXPECT_GT(randomWindows, cases / 10);
}

TEST(FieldMatches, AgreesWithWindowedComparisonOnRandomStrings) {
    CompareWithReference(20261208, 120000, 10);
}

// Long fields, where many places of a text's first or rarest character make
// the matcher fall back to folding the whole field.
TEST(FieldMatches, AgreesWithWindowedComparisonOnLongFields) { CompareWithReference(7, 6000, 120); }

// Fields with long runs of lead-range bytes, where only counting from a
// byte that ends a character tells where characters start.
TEST(FieldMatches, AgreesWithWindowedComparisonAfterLongRuns) {
    CompareWithReference(4096, 400, 12, true);
}

}  // namespace
}  // namespace orv
