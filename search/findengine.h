// The search engine: finds the next or previous record, in tree order, whose
// title, author name, author ID or message text holds the search text under
// the folding the option word asks for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ports.h"
#include "search/findoption.h"
#include "search/fold.h"

namespace orv {

class CComment;

// The longest any mapped form of the search text may be, in bytes.
inline constexpr int kMaxSearchForm = 4096;

// The shortest and longest byte length a stretch equal to text can have:
// text in its half-width katakana form and in its full-width form. False
// when text is empty or a form is longer than kMaxSearchForm.
bool GetSearchLengths(std::string_view text, int& minLen, int& maxLen);

// Tests fields against one search text. Some stretch of the field, from
// minLen to maxLen bytes long and starting and ending on whole characters,
// must equal the text under the flags. Each test takes time linear in the
// field length: the field is folded once and the folded text is looked for
// with a Knuth-Morris-Pratt scan. Both strings end at their first NUL byte.
class CFieldMatcher {
public:
    CFieldMatcher(std::uint32_t flags, std::string_view text, int minLen, int maxLen);
    bool Matches(std::string_view field);

private:
    struct Pattern {
        std::vector<FoldKey> keys;
        std::vector<std::uint32_t> fail;
    };
    static void Prepare(Pattern& pattern);
    bool Scan(const Pattern& pattern) const;

    const FoldTable& m_table;
    Pattern m_pattern;
    // The pattern with its leading standalone sound mark as a joined mark:
    // a stretch may begin at a ﾞ or ﾟ that the field joins to the letter
    // before it. Empty when not needed.
    Pattern m_joined;
    bool m_bNever = false;   // the text holds a malformed character
    bool m_bEmpty = false;   // the text is empty
    int m_nMinLen;
    int m_nMaxLen;
    FoldedText m_folded;
};

// True when some stretch of field equals text under flags (see CFieldMatcher).
bool FieldMatches(std::uint32_t flags, std::string_view field, std::string_view text, int minLen,
                  int maxLen);

// True when one of the fields that findOption selects, tried in the order
// title, author name, author ID, message text, matches.
bool RecordMatches(const CComment& record, std::uint32_t findOption, CFieldMatcher& matcher);

enum class SearchOutcome { BadText, Found, NotFound, Cancelled, Failed };

// Walks items from index start in steps of step (+1 or -1) with the search
// text and option word of ports.find, testing each record once; shows the
// progress dialog in cancel mode and the outcome's message, and selects the
// hit in ports.tree. foundIndex receives the index of the hit, or -1.
SearchOutcome SearchFrom(const std::vector<TreeItem>& items, const DocPorts& ports, int start,
                         int step, int* foundIndex = nullptr);

}  // namespace orv
