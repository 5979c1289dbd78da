// Random documents for the library tests: messages whose fields mix the
// characters the foldings equate (letter case, width, kana type, voiced
// letters in their one- and two-character forms, standalone sound marks).
#pragma once

#include <random>
#include <string>
#include <vector>

#include "core/cp932.h"
#include "core/orvdoc.h"

namespace orv::test {

inline std::string RandomText(std::mt19937& rng, int maxChars) {
    static const char* const kPieces[] = {
        "a",  "A",  "b", "B",  "z",  "ａ", "Ａ", "ｂ", "Ｂ", "1",  "１", " ",  "　",
        "か", "カ", "ｶ", "が", "ガ", "ｶﾞ", "ﾞ",  "゛", "ぱ", "パ", "ﾊﾟ", "ー", "ｰ",
        "の", "ノ", "ﾉ", "漢", "字", "α",  "Α",  "я",  "Я",  "!",  "！", "ヴ", "ｳﾞ"};
    std::string utf8;
    const int n = std::uniform_int_distribution<int>(0, maxChars)(rng);
    for (int i = 0; i < n; ++i)
        utf8 += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(rng)];
    return Utf8ToCp932(utf8).value_or("");
}

// Writes a document of count messages, each a reply to an earlier one or
// a new thread, numbered 1, 2, ...
inline bool WriteRandomDocument(const std::string& path, unsigned seed, int count) {
    std::mt19937 rng(seed);
    COrvDoc doc;
    std::vector<CComment*> made;
    for (int i = 0; i < count; ++i) {
        CComment& rec = doc.NewRecord();
        rec.SetNumber(i + 1);
        rec.SetId(RandomText(rng, 4));
        rec.SetAuthor(RandomText(rng, 5));
        rec.SetTitle(RandomText(rng, 10));
        rec.SetDateTimeRaw("96/01/02 03:04");
        std::string text;
        for (int line = std::uniform_int_distribution<int>(0, 3)(rng); line > 0; --line)
            text += RandomText(rng, 16) + "\r\n";
        rec.SetText(text);
        if (!made.empty() && rng() % 3 != 0)
            doc.AddReplyTo(*made[rng() % made.size()], rec);
        else
            doc.AddRoot(rec);
        made.push_back(&rec);
    }
    return doc.OnSaveDocument(path);
}

}  // namespace orv::test
