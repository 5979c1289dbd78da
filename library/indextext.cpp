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
    if (key == '\n' || key == 0)
        cp = 0xE000 + key;  // private use, above every CP932 code
    else if (cp >= 0xD800 && cp <= 0xDFFF)
        cp += 0x10000;
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

std::string CIndexTermCollector::TermOf(std::uint64_t key) {
    std::string term;
    for (int shift : {32, 16, 0}) AppendKey(static_cast<FoldKey>(key >> shift), term);
    return term;
}

CIndexTermCollector::Slot& CIndexTermCollector::Find(std::uint64_t key) {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
    while (m_slots[i].key && m_slots[i].key != key) i = (i + 1) & mask;
    return m_slots[i];
}

void CIndexTermCollector::Grow() {
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    for (const Slot& s : old)
        if (s.key) Find(s.key) = s;
}

void CIndexTermCollector::AddMessage(std::initializer_list<std::string_view> fields,
                                     std::string& out) {
    ++m_message;
    const FoldTable& table = FoldTable::For(kAllFolds);
    for (std::string_view field : fields) {
        if (std::size_t nul = field.find('\0'); nul != std::string_view::npos)
            field = field.substr(0, nul);
        m_keys.clear();
        FoldString(table, field, m_keys);
        if (m_keys.size() < 3) continue;
        // Each key's UTF-8 once; a term is the bytes of three in a row.
        m_utf8.clear();
        m_starts.clear();
        for (FoldKey key : m_keys) {
            m_starts.push_back(static_cast<std::uint32_t>(m_utf8.size()));
            AppendKey(key, m_utf8);
        }
        m_starts.push_back(static_cast<std::uint32_t>(m_utf8.size()));
        for (std::size_t k = 0; k + 2 < m_keys.size(); ++k) {
            const std::uint64_t key = std::uint64_t{1} << 48 | std::uint64_t{m_keys[k]} << 32 |
                                      std::uint64_t{m_keys[k + 1]} << 16 | m_keys[k + 2];
            Slot* slot = &Find(key);
            if (slot->last == m_message) continue;  // this message has it already
            if (!slot->key) {
                slot->key = key;
                if (++m_used * 2 > m_slots.size()) {
                    Grow();
                    slot = &Find(key);
                }
            }
            slot->last = m_message;
            ++slot->count;
            out.append(m_utf8, m_starts[k], m_starts[k + 3] - m_starts[k]);
            out += kIndexTermSeparator;
        }
    }
}

std::vector<std::string> IndexTerms(std::string_view text, std::size_t maxTerms) {
    // The search's text alone: no table for the foldings of the index.
    std::vector<FoldKey> keys = FoldOnce(kAllFolds, text);
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
        if (std::find(terms.begin(), terms.end(), term) == terms.end())
            terms.push_back(std::move(term));
    }
    return terms;
}

}  // namespace orv
