// Built where the conversion is ICU's, the converter the table was made with.
// The exported site's search folds text with a table written into its
// script. The table must give every character of CP932 the fold that the
// viewer's own search gives it (letter case, width and kana together):
// it is compared here with one made from the search's folding tables.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "core/cp932.h"
#include "core/htmlmarkup.h"
#include "search/findoption.h"
#include "search/fold.h"

using namespace orv;

namespace {

std::string KeyText(FoldKey k) {
    if (k == kKeyVoicedMark) return "\xEE\x80\x80";      // U+E000
    if (k == kKeySemiVoicedMark) return "\xEE\x80\x81";  // U+E001
    std::string bytes;
    if (k >= 0x100) bytes += static_cast<char>(k >> 8);
    bytes += static_cast<char>(k & 0xFF);
    return Cp932ToUtf8(bytes);
}

void AddFold(const FoldTable& table, const std::string& cp932,
             std::map<std::string, std::string>& out) {
    const std::string utf8 = Cp932ToUtf8(cp932);
    if (utf8.empty() || utf8.find("\xEF\xBF\xBD") != std::string::npos) return;
    std::vector<FoldKey> keys;
    FoldString(table, cp932, keys);
    std::string folded;
    for (FoldKey k : keys) folded += KeyText(k);
    if (folded != utf8) out.emplace(utf8, folded);
}

// The table as the script holds it, made from the search's folding.
std::string TableFromSearchFolding() {
    const FoldTable& table =
        FoldTable::For(NORM_IGNORECASE | NORM_IGNOREWIDTH | NORM_IGNOREKANATYPE);
    std::map<std::string, std::string> folds;
    for (int b = 0x20; b < 0xE0; ++b)
        if (b < 0x7F || b > 0xA0) AddFold(table, std::string(1, static_cast<char>(b)), folds);
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            if (IsCp932Trail(static_cast<unsigned char>(trail)))
                AddFold(table, {static_cast<char>(lead), static_cast<char>(trail)}, folds);
    }
    // Half-width letters with the sound mark they take, as one entry.
    for (int b = 0xA1; b <= 0xDF; ++b) {
        const unsigned mask = FoldTable::MarkMask(static_cast<unsigned char>(b));
        if (mask & 1) AddFold(table, {static_cast<char>(b), '\xDE'}, folds);
        if (mask & 2) AddFold(table, {static_cast<char>(b), '\xDF'}, folds);
    }
    std::string js = "R\"js({";
    int n = 0;
    for (const auto& [from, to] : folds) {
        js += (n++ % 8 == 0) ? "\n" : "";
        html::AppendJsString(js, from);
        js += ':';
        html::AppendJsString(js, to);
        js += ',';
    }
    js += "\n})js\"\n";
    return js;
}

}  // namespace

TEST(HtmlSearchFold, ScriptTableIsTheSearchFolding) {
    const std::string expected = TableFromSearchFolding();
    // The .inc file holds the raw string literal; its text is the table.
    const std::string literal = expected.substr(5, expected.size() - 5 - 5);
    if (html::SearchFoldTable() != literal) {
        std::ofstream("htmlfold.inc", std::ios::binary) << expected;
        FAIL() << "core/htmlfold.inc is out of date: a fresh one is htmlfold.inc in the "
                  "folder the test ran in";
    }
    // The examples the search page promises.
    for (const char* c : {"ﾊﾟ", "ぱ", "パ"})
        EXPECT_NE(literal.find(std::string("\"") + c + "\""), std::string::npos) << c;
}
