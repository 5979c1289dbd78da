#include "library/indextext.h"

#include <algorithm>

#include "search/findoption.h"

namespace orv {
namespace {

constexpr std::uint32_t kAllFolds = NORM_IGNORECASE | NORM_IGNOREWIDTH | NORM_IGNOREKANATYPE;

// One key as UTF-8: ASCII keys as themselves, a key that would be a
// surrogate moved above the basic plane. The line feed key stands for the
// separator's code point, so a key never equals the separator.
void AppendKey(FoldKey key, std::string& out) {
    std::uint32_t cp = key;
    if (key == '\n' || key == 0) cp = 0xE000 + key;  // private use, above every CP932 code
    else if (cp >= 0xD800 && cp <= 0xDFFF) cp += 0x10000;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

void AppendIndexText(std::string_view field, std::vector<FoldKey>& scratch, std::string& out) {
    if (std::size_t nul = field.find('\0'); nul != std::string_view::npos) field = field.substr(0, nul);
    scratch.clear();
    FoldString(FoldTable::For(kAllFolds), field, scratch);
    for (FoldKey k : scratch) AppendKey(k, out);
}

std::vector<std::string> IndexTerms(std::string_view text, std::size_t maxTerms) {
    std::vector<FoldKey> keys = FoldString(kAllFolds, text);
    // A stretch may begin at a sound mark that the message joins to the
    // letter before it, where the message's folded text holds the joined
    // mark: the text's leading standalone mark is no term.
    if (!keys.empty() && (keys[0] == kCodeVoicedMark || keys[0] == kCodeSemiVoicedMark))
        keys.erase(keys.begin());
    std::vector<std::string> terms;
    if (keys.size() < 3 || std::find(keys.begin(), keys.end(), kKeyInvalid) != keys.end())
        return terms;
    const std::size_t count = keys.size() - 2;
    const std::size_t take = std::min(count, std::max<std::size_t>(maxTerms, 1));
    for (std::size_t t = 0; t < take; ++t) {
        // Spread over the text, the first and the last term always included.
        const std::size_t i = take == 1 ? 0 : t * (count - 1) / (take - 1);
        std::string term;
        for (std::size_t k = i; k < i + 3; ++k) AppendKey(keys[k], term);
        if (std::find(terms.begin(), terms.end(), term) == terms.end()) terms.push_back(std::move(term));
    }
    return terms;
}

}  // namespace orv
