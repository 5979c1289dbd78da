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
class COrvDoc;

// The longest any mapped form of the search text may be, in bytes.
inline constexpr int kMaxSearchForm = 4096;

// The shortest and longest byte length a stretch equal to text can have:
// text in its half-width katakana form and in its full-width form. False
// when text is empty or a form is longer than kMaxSearchForm.
bool GetSearchLengths(std::string_view text, int& minLen, int& maxLen);

// Folded keys of a search text with the Knuth-Morris-Pratt failure table
// that scans for them.
struct FoldPattern {
    std::vector<FoldKey> keys;
    std::vector<std::uint32_t> fail;
    // Fills fail from keys.
    void Prepare();
};

// Tests fields against one search text. Some stretch of the field, from
// minLen to maxLen bytes long and starting and ending on whole characters,
// must equal the text under the flags. Both strings end at their first NUL
// byte. Each test takes time linear in the field length: a field that lacks
// every form of some character of the text is turned away by byte scans;
// else the places where the text's first character, or a rare one of its
// characters, stands are tried one by one; and when those places are too
// many the field is folded once and the folded text looked for with a
// Knuth-Morris-Pratt scan. The matcher learns which characters turn fields
// away, so one matcher should serve a whole search.
class CFieldMatcher {
public:
    CFieldMatcher(std::uint32_t flags, std::string_view text, int minLen, int maxLen);
    bool Matches(std::string_view field);

private:
    using Pattern = FoldPattern;
    // The characters that fold to one key of the pattern, found by their
    // last byte and, for a two-byte character, the lead byte before it. Any
    // matching stretch holds one of them.
    struct Signature {
        unsigned char byte;
        bool alone;              // a one-byte character
        std::uint8_t leads[32];  // bit set of the lead bytes before it
    };
    struct KeyForms {
        FoldKey key = 0;
        std::vector<Signature> signatures;
        unsigned cost = 0;  // a rough price of looking for them
    };
    void ChooseKeyForms();
    // Calls found(start of the character) for each place where one of the
    // forms stands (possibly misaligned); stops when found returns true.
    // via, when given, receives the index of the signature last looked at.
    template <class F>
    bool ForEachForm(const KeyForms& forms, std::string_view field, F&& found,
                     std::size_t* via = nullptr);
    // With checked false: whether the folded keys hold the pattern at all.
    // With checked true: whether they hold it as a stretch of whole
    // characters of an admitted length (spans in m_folded).
    template <bool checked>
    bool Scan(const Pattern& pattern, const FoldKey* keys, std::size_t n) const;
    bool MatchesWhole(std::string_view field);
    bool MatchesAround(std::string_view field);
    bool MatchesFromFirst(std::string_view field);
    // Whether the stretch that starts at the whole character at s, folded on
    // its own, equals the text; work counts the characters looked at.
    bool MatchesAt(std::string_view field, std::size_t s, std::size_t& work) const;

    const FoldTable& m_table;
    Pattern m_pattern;
    // The pattern with its leading standalone sound mark as a joined mark:
    // a stretch may begin at a ﾞ or ﾟ that the field joins to the letter
    // before it. Empty when not needed.
    Pattern m_joined;
    bool m_bNever = false;  // the text holds a malformed character
    bool m_bEmpty = false;  // the text is empty
    int m_nMinLen;
    int m_nMaxLen;
    // Keys every matching field holds (up to kMaxRequired), cheapest first;
    // the first is the anchor around which a field is checked when it is
    // cheap enough.
    static constexpr std::size_t kMaxRequired = 8;
    std::vector<KeyForms> m_required;
    struct Check {
        std::size_t index;  // into m_required
        std::uint32_t checks;
        std::uint32_t rejects;
    };
    static constexpr std::uint32_t kCheckTrial = 256;
    static constexpr std::size_t kMaxChecks = 3;  // per field, the best first
    std::vector<Check> m_checks;                  // the order in which fields are checked
    bool m_bAnchored = false;
    std::size_t m_nAnchorReach = 0;  // bytes a stretch may begin before the anchor
    static constexpr std::size_t kNoIndex = ~std::size_t{0};
    std::size_t m_nAnchorIndex = kNoIndex;  // its place in the pattern, if only one
    // The forms of the text's first key, by byte: 0 or 1 + an index into
    // m_first.signatures. Used when they are rare enough to try every place
    // they stand.
    KeyForms m_first;
    std::uint8_t m_firstByte[256] = {};
    bool m_bFromFirst = false;
    std::vector<FoldKey> m_keys;
    FoldedText m_folded;

    // Whether a character starts at a byte offset of the field being tested.
    class CharStarts {
    public:
        void Reset(std::string_view field) {
            m_p = reinterpret_cast<const unsigned char*>(field.data());
            m_n = field.size();
            m_bMarked = false;
        }
        bool operator()(std::size_t s);

    private:
        static constexpr std::size_t kShortRun = 64;
        void Mark();
        const unsigned char* m_p = nullptr;
        std::size_t m_n = 0;
        bool m_bMarked = false;
        std::vector<std::uint8_t> m_marks;
    };
    CharStarts m_starts;
};

// True when some stretch of field equals text under flags (see CFieldMatcher).
bool FieldMatches(std::uint32_t flags, std::string_view field, std::string_view text, int minLen,
                  int maxLen);

// The bytes of s before its first NUL byte (fields and texts end there).
std::string_view UpToNul(std::string_view s);
// Shows string-table message id (with arg) through the ports' prompter, when
// there is one: the messages of find next, find previous and find all.
void ShowFindMessage(const DocPorts& ports, int id, const std::string& arg = std::string());

// True when one of the fields that findOption selects, tried in the order
// title, author name, author ID, message text, matches.
bool RecordMatches(const CComment& record, std::uint32_t findOption, CFieldMatcher& matcher);

enum class SearchOutcome { BadText, Found, NotFound, Cancelled, Failed };

// The records a search walks, by position in tree order: the items of the
// title tree with their records, or the records themselves in document
// order (which is the tree's order) when there is no tree.
class CRecordOrder {
public:
    CRecordOrder(const std::vector<TreeItem>& items, const ITitleTree* tree)
        : m_items(&items), m_tree(tree), m_count(items.size()) {}
    explicit CRecordOrder(const std::vector<const CComment*>& records)
        : m_records(&records), m_count(records.size()) {}

    std::size_t size() const { return m_count; }
    // The record at position i; null for an item without one.
    const CComment* At(std::size_t i) const {
        if (m_records) return (*m_records)[i];
        return m_tree ? m_tree->GetItemData((*m_items)[i]) : nullptr;
    }

private:
    const std::vector<TreeItem>* m_items = nullptr;
    const ITitleTree* m_tree = nullptr;
    const std::vector<const CComment*>* m_records = nullptr;
    std::size_t m_count = 0;
};

// Walks the records of order from position start in steps of step (+1 or
// -1) with the search text and option word of ports.find, testing each
// record once; shows the progress dialog in cancel mode and the outcome's
// message. hit receives the position found (when the outcome is Found).
SearchOutcome SearchRecords(const CRecordOrder& order, const DocPorts& ports, int start, int step,
                            std::size_t& hit);

// SearchRecords over the items of the title tree, selecting the hit in
// ports.tree.
SearchOutcome SearchFrom(const std::vector<TreeItem>& items, const DocPorts& ports, int start,
                         int step);

// The document's find commands. Find next (previous) searches from the item
// after (before) the selected one, or after the first (before the last)
// when none is selected; at the end of the order it does nothing. Both are
// enabled when the tree has more than one item and a field is chosen.
bool OnUpdateFindNext(const COrvDoc& doc);
bool OnUpdateFindPrev(const COrvDoc& doc);
void OnFindNext(COrvDoc& doc);
void OnFindPrev(COrvDoc& doc);

}  // namespace orv
