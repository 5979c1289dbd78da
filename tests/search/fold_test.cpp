// Folding classes, the two mappings and the length window.
#include "search/fold.h"

#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <map>
#include <string>
#include <vector>

#include "core/cp932.h"
#include "search/findengine.h"
#include "tests/search/searchtestutil.h"

namespace orv {
namespace {

using namespace testing;  // Sj, Code and the flag constants

// The flag combinations that include (or exclude) the given flags.
std::vector<std::uint32_t> CombosWith(std::uint32_t need) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t f :
         {0u, kCase, kWidth, kKana, kCase | kWidth, kCase | kKana, kWidth | kKana, kAll})
        if ((f & need) == need) out.push_back(f);
    return out;
}

// a and b are equal exactly under the combinations that include need.
void ExpectEqualExactlyWith(const std::string& a, const std::string& b, std::uint32_t need) {
    for (std::uint32_t f :
         {0u, kCase, kWidth, kKana, kCase | kWidth, kCase | kKana, kWidth | kKana, kAll}) {
        bool expected = (f & need) == need;
        EXPECT_EQ(FoldedEqual(f, a, b), expected)
            << "flags " << std::hex << f << ": " << Cp932ToUtf8(a) << " / " << Cp932ToUtf8(b);
    }
}

TEST(Fold, CaseClassesOfEveryScript) {
    for (unsigned c = 'A'; c <= 'Z'; ++c) ExpectEqualExactlyWith(Code(c), Code(c + 0x20), kCase);
    for (unsigned c = 0x8260; c <= 0x8279; ++c)
        ExpectEqualExactlyWith(Code(c), Code(c + 0x21), kCase);
    for (unsigned c = 0x839F; c <= 0x83B6; ++c)
        ExpectEqualExactlyWith(Code(c), Code(c + 0x20), kCase);
    // Cyrillic, checked through Unicode so that the gap at 0x847F is not
    // assumed twice.
    for (unsigned c = 0x8440; c <= 0x8460; ++c) {
        icu::UnicodeString u = icu::UnicodeString::fromUTF8(Cp932ToUtf8(Code(c)));
        std::string lower;
        u.toLower().toUTF8String(lower);
        ExpectEqualExactlyWith(Code(c), Sj(lower.c_str()), kCase);
    }
    // Digits and kana have no case.
    EXPECT_FALSE(FoldedEqual(kCase, "1", "2"));
    EXPECT_FALSE(FoldedEqual(kAll, Sj("あ"), Sj("い")));
}

TEST(Fold, WidthClassesAgreeWithCompatibilityForms) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    ASSERT_TRUE(U_SUCCESS(status));
    // ASCII with its full-width forms U+FF01..U+FF5E, space with U+3000.
    for (unsigned a = 0x20; a <= 0x7E; ++a) {
        icu::UnicodeString wide(static_cast<UChar32>(a == 0x20 ? 0x3000 : 0xFF01 + a - 0x21));
        std::string utf8;
        wide.toUTF8String(utf8);
        std::string full = Sj(utf8.c_str());
        ExpectEqualExactlyWith(Code(a), full, kWidth);
    }
    // Half-width katakana and punctuation with their compatibility forms.
    for (unsigned b = 0xA1; b <= 0xDF; ++b) {
        std::string full;
        if (b == 0xDE) {
            full = Sj("゛");
        } else if (b == 0xDF) {
            full = Sj("゜");
        } else {
            icu::UnicodeString u = icu::UnicodeString::fromUTF8(Cp932ToUtf8(Code(b)));
            std::string utf8;
            nfkc->normalize(u, status).toUTF8String(utf8);
            full = Sj(utf8.c_str());
        }
        ExpectEqualExactlyWith(Code(b), full, kWidth);
    }
}

TEST(Fold, KanaClassesAndTheUnpairedKatakana) {
    for (unsigned c = 0x829F; c <= 0x82F1; ++c) {
        icu::UnicodeString u = icu::UnicodeString::fromUTF8(Cp932ToUtf8(Code(c)));
        ASSERT_EQ(u.length(), 1);
        icu::UnicodeString k(static_cast<UChar32>(u.char32At(0) + 0x60));
        std::string utf8;
        k.toUTF8String(utf8);
        ExpectEqualExactlyWith(Code(c), Sj(utf8.c_str()), kKana);
    }
    ExpectEqualExactlyWith(Sj("ゝゞ"), Sj("ヽヾ"), kKana);
    ExpectEqualExactlyWith(Sj("ゝヾ"), Sj("ヽゞ"), kKana);
    for (const char* k : {"ヴ", "ヵ", "ヶ"}) {
        for (const char* h : {"う", "か", "け", "ぶ"})
            EXPECT_FALSE(FoldedEqual(kAll, Sj(k), Sj(h)));
    }
}

TEST(Fold, CodesOfOneCharacterAreOneCharacterUnderEveryCombination) {
    // Every two-byte code through the converter: codes fold to one key
    // without flags exactly when they decode to one character.
    std::map<std::vector<FoldKey>, std::string> charOfKeys;
    std::map<std::string, std::vector<unsigned>> codesOfChar;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const unsigned c = lead << 8 | trail;
            const std::string u = Cp932ToUtf8(Code(c));
            if (u.empty() || u == "\xEF\xBF\xBD") continue;  // no character
            auto [it, fresh] = charOfKeys.emplace(FoldString(0, Code(c)), u);
            EXPECT_EQ(it->second, u) << std::hex << c << " folds as another character";
            codesOfChar[u].push_back(c);
        }
    }
    int twins = 0;
    for (const auto& [u, codes] : codesOfChar) {
        for (std::size_t i = 1; i < codes.size(); ++i, ++twins)
            for (std::uint32_t f : CombosWith(0))
                EXPECT_TRUE(FoldedEqual(f, Code(codes[0]), Code(codes[i])))
                    << std::hex << codes[0] << " " << codes[i] << " flags " << f;
    }
    EXPECT_GT(twins, 390);
    // 纊, ∵ and ￢ in all their codes; the twins of ＂ equal " under width
    // folding only, and the length window still admits both.
    for (std::uint32_t f : CombosWith(0)) {
        EXPECT_TRUE(FoldedEqual(f, Code(0xED40), Code(0xFA5C)));
        EXPECT_TRUE(FoldedEqual(f, Code(0x879A), Code(0xFA5B)));
        EXPECT_TRUE(FoldedEqual(f, Code(0x81E6), Code(0xFA5B)));
        EXPECT_TRUE(FoldedEqual(f, Code(0xEEF9), Code(0xFA54)));
        EXPECT_FALSE(FoldedEqual(f, Code(0xED40), Code(0xED41)));
    }
    ExpectEqualExactlyWith(Code(0xEEFC), "\"", kWidth);
    int minLen = 0, maxLen = 0;
    ASSERT_TRUE(GetSearchLengths(Code(0xEEFC) + Code(0xED40), minLen, maxLen));
    EXPECT_EQ(minLen, 3);
    EXPECT_EQ(maxLen, 4);
    EXPECT_TRUE(FieldMatches(0, "x" + Code(0xED40) + "y", Code(0xFA5C), 2, 2));
    EXPECT_TRUE(
        FieldMatches(kCase, Code(0xFA5B) + Code(0x879A), Code(0x81E6) + Code(0x81E6), 4, 4));
}

TEST(Fold, FoldingsCombine) {
    ExpectEqualExactlyWith("a", Sj("Ａ"), kCase | kWidth);
    ExpectEqualExactlyWith(Sj("ａ"), Sj("Ａ"), kCase);
    ExpectEqualExactlyWith(Sj("か"), Sj("カ"), kKana);
    ExpectEqualExactlyWith(Sj("か"), Sj("ｶ"), kKana | kWidth);
    ExpectEqualExactlyWith(Sj("カ"), Sj("ｶ"), kWidth);
    ExpectEqualExactlyWith(Sj("がっこう"), Sj("ｶﾞｯｺｳ"), kKana | kWidth);
    ExpectEqualExactlyWith(Sj("Ｄａｔａ　ベース"), Sj("data ﾍﾞｰｽ"), kCase | kWidth);
}

TEST(Fold, HalfWidthLetterWithSoundMarkIsOneKatakana) {
    ExpectEqualExactlyWith(Sj("ｶﾞ"), Sj("ガ"), kWidth);
    ExpectEqualExactlyWith(Sj("ﾊﾟ"), Sj("パ"), kWidth);
    ExpectEqualExactlyWith(Sj("ｳﾞ"), Sj("ヴ"), kWidth);
    ExpectEqualExactlyWith(Sj("ﾎﾟﾎﾞ"), Sj("ポボ"), kWidth);
    // A letter that takes no mark keeps it as the standalone mark.
    ExpectEqualExactlyWith(Sj("ｱﾞ"), Sj("ア゛"), kWidth);
    ExpectEqualExactlyWith(Sj("ｶﾟ"), Sj("カ゜"), kWidth);
    // Only the half-width pair joins: the full-width mark stays a character.
    for (std::uint32_t f : CombosWith(0)) {
        EXPECT_FALSE(FoldedEqual(f, Sj("カ゛"), Sj("ガ")));
        EXPECT_FALSE(FoldedEqual(f, Sj("ｶ゛"), Sj("ガ")));
        EXPECT_FALSE(FoldedEqual(f, Sj("カ"), Sj("ガ")));
    }
}

TEST(Fold, MalformedCharactersEqualNothing) {
    const std::string loneLead = "a\x83";
    const std::string badTrail = std::string("\x83\x0A", 2);
    for (std::uint32_t f : CombosWith(0)) {
        EXPECT_FALSE(FoldedEqual(f, loneLead, loneLead));
        EXPECT_FALSE(FoldedEqual(f, badTrail, badTrail));
        EXPECT_TRUE(FoldedEqual(f, "\xA0\x80\xFD", "\xA0\x80\xFD"));  // unassigned single bytes
    }
}

// The table-free fold gives the table's keys: every one- and two-byte code
// alone, and random strings of half-width letters, sound marks, stray lead
// bytes and two-byte characters, under every combination.
TEST(Fold, FoldOnceIsTheTablesFold) {
    std::vector<std::string> texts;
    for (unsigned b = 0; b < 0x100; ++b) texts.push_back(std::string(1, static_cast<char>(b)));
    for (unsigned code = 0x8140; code <= 0xFCFC; ++code)
        texts.push_back({static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)});
    const unsigned char pool[] = {'a',  'Z',  0xB3, 0xB6, 0xCA, 0xDE, 0xDF, 0xA6, 0x82,
                                  0xA0, 0x83, 0x94, 0x81, 0x60, 0xFA, 0x57, 0x87, 0x40};
    std::uint32_t seed = 12345;
    for (int t = 0; t < 2000; ++t) {
        std::string s;
        for (int k = 0; k < 1 + t % 12; ++k) {
            seed = seed * 1103515245u + 12345u;
            s += static_cast<char>(pool[(seed >> 16) % sizeof pool]);
        }
        texts.push_back(s);
    }
    for (std::uint32_t f :
         {0u, kCase, kWidth, kKana, kCase | kWidth, kCase | kKana, kWidth | kKana, kAll})
        for (const std::string& text : texts)
            ASSERT_EQ(FoldOnce(f, text), FoldString(f, text))
                << "flags " << std::hex << f << " text bytes " << text.size();
}

TEST(Fold, Mappings) {
    EXPECT_EQ(MapToHalfwidthKatakana(Sj("がっこうＡｂ１　。「パ」ヴー")), Sj("ｶﾞｯｺｳAb1 ｡｢ﾊﾟ｣ｳﾞｰ"));
    EXPECT_EQ(MapToHalfwidthKatakana(Sj("漢字ヵゎ")), Sj("漢字ヵヮ"));
    EXPECT_EQ(MapToFullwidth(Sj("ｶﾞﾊﾟｳﾞｱﾞabc ｰ~")), Sj("ガパヴア゛ａｂｃ　ー～"));
    EXPECT_EQ(MapToFullwidth(Sj("がｶ\r\n")), Sj("がカ") + "\r\n");
    EXPECT_EQ(MapToFullwidth("\x83"), "\x83");
}

TEST(SearchLengths, WindowOfHalfAndFullForms) {
    int minLen = -1, maxLen = -1;
    ASSERT_TRUE(GetSearchLengths("abc", minLen, maxLen));
    EXPECT_EQ(minLen, 3);
    EXPECT_EQ(maxLen, 6);
    ASSERT_TRUE(GetSearchLengths(Sj("がｶﾞＡ"), minLen, maxLen));
    EXPECT_EQ(minLen, 5);  // ｶﾞｶﾞA
    EXPECT_EQ(maxLen, 6);  // がガＡ
    EXPECT_FALSE(GetSearchLengths("", minLen, maxLen));
}

TEST(SearchLengths, FullWidthFormLimitedTo4096Bytes) {
    int minLen = 0, maxLen = 0;
    EXPECT_TRUE(GetSearchLengths(std::string(2048, 'x'), minLen, maxLen));
    EXPECT_EQ(minLen, 2048);
    EXPECT_EQ(maxLen, 4096);
    EXPECT_FALSE(GetSearchLengths(std::string(2049, 'x'), minLen, maxLen));
    // Two-byte characters without another form are 2 bytes in both.
    std::string kanji;
    for (int i = 0; i < 2048; ++i) kanji += Sj("漢");
    EXPECT_TRUE(GetSearchLengths(kanji, minLen, maxLen));
    EXPECT_FALSE(GetSearchLengths(kanji + "x", minLen, maxLen));
}

}  // namespace
}  // namespace orv
