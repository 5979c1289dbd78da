// Find all: every record, in tree order, that a search text matches, and
// the byte ranges of every match inside a record's fields (for marking the
// matched words). Both use the folding of find next and find previous.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ports.h"
#include "search/findengine.h"
#include "search/fold.h"

namespace orv {

class CComment;

// Bytes begin..end (end exclusive) of one field.
struct ByteRange {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// Finds where a search text stands in fields: stretches of whole characters
// that are equal to the text under the flags and from minLen to maxLen
// bytes long, exactly the stretches find next accepts. Linear in the field
// length (the field is folded once and scanned with Knuth-Morris-Pratt).
class CMatchFinder {
public:
    CMatchFinder(std::uint32_t flags, std::string_view text, int minLen, int maxLen);
    // From the option word's foldings; finds nothing when the text is empty
    // or too long for a search.
    CMatchFinder(std::uint32_t findOption, std::string_view text);

    // The matches in field (which ends at its first NUL byte), left to
    // right; where matches overlap, the leftmost wins and the next match
    // begins at or after its end.
    void Find(std::string_view field, std::vector<ByteRange>& out);
    std::vector<ByteRange> Find(std::string_view field);

private:
    using Pattern = FoldPattern;
    void Init(std::uint32_t flags, std::string_view text, int minLen, int maxLen);
    // Appends every admitted occurrence of pattern in m_folded.
    void Collect(const Pattern& pattern, std::vector<ByteRange>& out) const;

    const FoldTable* m_table = nullptr;
    Pattern m_pattern;
    // The pattern with its leading standalone sound mark as a joined one
    // (a stretch may begin at a ﾞ or ﾟ joined to the letter before it).
    Pattern m_joined;
    bool m_bNever = true;
    int m_nMinLen = 0;
    int m_nMaxLen = 0;
    FoldedText m_folded;
    std::vector<ByteRange> m_scratch;
};

// The matches in each field of one record that the option word selects;
// fields it does not select stay empty.
struct RecordRanges {
    std::vector<ByteRange> title;
    std::vector<ByteRange> author;
    std::vector<ByteRange> id;
    std::vector<ByteRange> text;
    bool empty() const { return title.empty() && author.empty() && id.empty() && text.empty(); }
};
RecordRanges FindRecordRanges(const CComment& record, std::uint32_t findOption,
                              CMatchFinder& finder);

struct FindAllResult {
    SearchOutcome outcome = SearchOutcome::NotFound;
    std::vector<std::size_t> hits;  // positions in the order, ascending
};

// Tests every record of the order, in order, with the search text and option
// word of ports.find and the matcher of find next. Like a find next it
// shows the progress dialog in cancel mode, polled before each record, and
// the messages IDS_FIND_BADTEXT, IDS_FIND_NOTFOUND (no hit),
// IDS_FIND_CANCELLED and IDS_FIND_ERROR (failure); it selects nothing.
// hits is empty unless the outcome is Found.
FindAllResult FindAll(const CRecordOrder& order, const DocPorts& ports);
// FindAll over the items of the title tree in ports.tree.
FindAllResult FindAll(const std::vector<TreeItem>& items, const DocPorts& ports);

}  // namespace orv
