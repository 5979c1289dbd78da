#include "search/findengine.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

#include "core/comment.h"
#include "core/cp932.h"
#include "core/orvdoc.h"
#include "res/strings.h"

namespace orv {
namespace {

std::string_view UpToNul(std::string_view s) {
    const void* nul = std::memchr(s.data(), 0, s.size());
    return nul ? s.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - s.data())) : s;
}

void ShowMessage(const DocPorts& ports, int id, const std::string& arg = std::string()) {
    if (ports.prompter)
        ports.prompter->MessageBox(id, res::Format(id, arg), res::Icon(id), MsgButtons::Ok);
}

}  // namespace

bool GetSearchLengths(std::string_view text, int& minLen, int& maxLen) {
    text = UpToNul(text);
    std::string half = MapToHalfwidthKatakana(text);
    if (half.empty() || half.size() > static_cast<std::size_t>(kMaxSearchForm)) return false;
    std::string full = MapToFullwidth(text);
    if (full.empty() || full.size() > static_cast<std::size_t>(kMaxSearchForm)) return false;
    minLen = static_cast<int>(half.size());
    maxLen = static_cast<int>(full.size());
    return true;
}

CFieldMatcher::CFieldMatcher(std::uint32_t flags, std::string_view text, int minLen, int maxLen)
    : m_table(FoldTable::For(flags)), m_nMinLen(std::max(minLen, 0)), m_nMaxLen(maxLen) {
    text = UpToNul(text);
    m_bEmpty = text.empty();
    FoldString(flags, text, m_pattern.keys);
    m_bNever = std::find(m_pattern.keys.begin(), m_pattern.keys.end(), kKeyInvalid) !=
               m_pattern.keys.end();
    if (m_bEmpty || m_bNever) return;
    Prepare(m_pattern);
    if (m_table.Width()) {
        FoldKey first = m_pattern.keys.front();
        if (first == kCodeVoicedMark || first == kCodeSemiVoicedMark) {
            m_joined.keys = m_pattern.keys;
            m_joined.keys.front() = first == kCodeVoicedMark ? kKeyVoicedMark : kKeySemiVoicedMark;
            Prepare(m_joined);
        }
    }
    ChooseKeyForms();
}

void CFieldMatcher::Prepare(Pattern& pattern) {
    const std::vector<FoldKey>& p = pattern.keys;
    pattern.fail.assign(p.size(), 0);
    std::uint32_t j = 0;
    for (std::size_t i = 1; i < p.size(); ++i) {
        while (j > 0 && p[i] != p[j]) j = pattern.fail[j - 1];
        if (p[i] == p[j]) ++j;
        pattern.fail[i] = j;
    }
}

template <bool checked>
bool CFieldMatcher::Scan(const Pattern& pattern, const FoldKey* keys, std::size_t n) const {
    const FoldKey* pat = pattern.keys.data();
    const std::size_t m = pattern.keys.size();
    const FoldKey first = pat[0];
    std::size_t q = 0;
    for (std::size_t i = 0; i < n; ++i) {
        FoldKey k = keys[i];
        if (q == 0) {
            // Skip quickly to the next key that can begin a match.
            while (k != first) {
                if (++i == n) return false;
                k = keys[i];
            }
        } else {
            while (q > 0 && k != pat[q]) q = pattern.fail[q - 1];
            if (k != pat[q]) continue;
        }
        if (++q < m) continue;
        if constexpr (!checked) {
            return true;
        } else {
            // A whole occurrence at a..i: it must begin and end on whole
            // characters and span an admitted number of bytes.
            std::size_t a = i + 1 - m;
            if ((m_folded.meta[a] & FoldedText::kCanStart) && (m_folded.meta[i] & FoldedText::kCanEnd)) {
                long len = static_cast<long>(m_folded.End(i)) - static_cast<long>(m_folded.begin[a]);
                if (len >= m_nMinLen && len <= m_nMaxLen) return true;
            }
        }
        q = pattern.fail[q - 1];
    }
    return false;
}

void CFieldMatcher::ChooseKeyForms() {
    // A rough price of looking for a character by its last byte: ASCII bytes
    // are everywhere, trail bytes of two-byte characters far rarer.
    auto cost = [](std::uint16_t code) -> unsigned {
        auto last = static_cast<unsigned char>(code & 0xFF);
        bool alnum = (last >= '0' && last <= '9') || (last >= 'A' && last <= 'Z') || (last >= 'a' && last <= 'z');
        if (code < 0x100) return last < 0x80 ? (alnum || last <= ' ' ? 64 : 16) : 4;
        return last < 0x80 ? (alnum ? 8 : 2) : 1;
    };
    // A stretch may begin at a joined mark that the pattern holds as a
    // standalone one: leave the first key out then.
    const std::size_t from = m_joined.keys.empty() ? 0 : 1;
    std::vector<FoldKey> seen;
    for (std::size_t j = from; j < m_pattern.keys.size(); ++j) {
        FoldKey key = m_pattern.keys[j];
        if (key == kKeyVoicedMark || key == kKeySemiVoicedMark) continue;
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        KeyForms kf;
        for (std::uint16_t f : m_table.FormsOf(key)) {
            kf.cost += cost(f);
            auto last = static_cast<unsigned char>(f & 0xFF);
            auto it = std::find_if(kf.signatures.begin(), kf.signatures.end(),
                                   [last](const Signature& sg) { return sg.byte == last; });
            if (it == kf.signatures.end()) {
                kf.signatures.push_back({last, false, {}});
                it = kf.signatures.end() - 1;
            }
            if (f < 0x100) {
                it->alone = true;
            } else {
                unsigned lead = f >> 8u;
                it->leads[lead >> 3] = static_cast<std::uint8_t>(it->leads[lead >> 3] | (1u << (lead & 7)));
            }
        }
        if (!kf.signatures.empty()) m_required.push_back(std::move(kf));
    }
    std::stable_sort(m_required.begin(), m_required.end(),
                     [](const KeyForms& x, const KeyForms& y) { return x.cost < y.cost; });
    if (m_required.size() > kMaxRequired) m_required.resize(kMaxRequired);
    for (std::size_t r = 0; r < m_required.size(); ++r) m_checkOrder.push_back(r);
    // Checking around each place of the anchor pays only when it is rare.
    m_bAnchored = !m_required.empty() && m_required.front().cost <= 32;
}

namespace {

// True when a character starts at s, judged from the bytes before it: a
// byte that cannot begin a two-byte character always ends one, and from
// there the bytes that can pair up. Long runs are taken as a start.
bool StartsCharacter(const unsigned char* p, std::size_t s) {
    std::size_t run = 0;
    while (run < s && IsCp932Lead(p[s - run - 1]))
        if (++run > 64) return true;
    return run % 2 == 0 || !IsCp932Trail(p[s]);
}

}  // namespace

template <class F>
bool CFieldMatcher::ForEachForm(const KeyForms& forms, std::string_view field, F&& found) {
    const char* base = field.data();
    const auto* p = reinterpret_cast<const unsigned char*>(base);
    const std::size_t n = field.size();
    for (const Signature& sig : forms.signatures) {
        const void* hit = std::memchr(base, sig.byte, n);
        while (hit) {
            auto i = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            if (sig.alone && StartsCharacter(p, i)) {
                if (found(i)) return true;
            } else if (i > 0 && (sig.leads[p[i - 1] >> 3] & (1u << (p[i - 1] & 7))) &&
                       StartsCharacter(p, i - 1)) {
                if (found(i - 1)) return true;
            }
            hit = i + 1 < n ? std::memchr(base + i + 1, sig.byte, n - i - 1) : nullptr;
        }
    }
    return false;
}

bool CFieldMatcher::MatchesWhole(std::string_view field) {
    // Most fields hold no occurrence at all: look for one in the bare keys
    // first, and work out where the keys came from only when there is one.
    FoldString(m_table, field, m_keys);
    const bool joined = !m_joined.keys.empty();
    if (!Scan<false>(m_pattern, m_keys.data(), m_keys.size()) &&
        !(joined && Scan<false>(m_joined, m_keys.data(), m_keys.size())))
        return false;
    FoldWithSpans(m_table, field, m_folded);
    return Scan<true>(m_pattern, m_folded.keys.data(), m_folded.size()) ||
           (joined && Scan<true>(m_joined, m_folded.keys.data(), m_folded.size()));
}

// Checks only the neighbourhood of each place where the anchor's forms
// stand: a matching stretch holding the anchor lies within maxLen bytes of
// it. Neighbourhoods begin on a character boundary, found by stepping back
// to a byte that cannot begin a two-byte character (such a byte always ends
// a character). When the neighbourhoods add up to more than about twice the
// field, the whole field is folded instead, which keeps the cost linear.
bool CFieldMatcher::MatchesAround(std::string_view field) {
    const std::size_t n = field.size();
    const auto* p = reinterpret_cast<const unsigned char*>(field.data());
    const std::size_t reach = static_cast<std::size_t>(m_nMaxLen) + 2;
    const std::size_t budget = 2 * n + 256;
    std::size_t spent = 0;
    bool whole = false;
    const bool joined = !m_joined.keys.empty();
    bool hit = ForEachForm(m_required.front(), field, [&](std::size_t s) {
        std::size_t b = s > reach ? s - reach : 0;
        std::size_t back = 0;
        while (b > 0 && IsCp932Lead(p[b - 1])) {
            --b;
            if (++back > 64) break;
        }
        std::size_t e = std::min(n, s + reach);
        spent += e - b;
        if (back > 64 || spent > budget) {
            whole = true;
            return true;
        }
        FoldWithSpans(m_table, field.substr(b, e - b), m_folded);
        return Scan<true>(m_pattern, m_folded.keys.data(), m_folded.size()) ||
               (joined && Scan<true>(m_joined, m_folded.keys.data(), m_folded.size()));
    });
    if (whole) return MatchesWhole(field);
    return hit;
}

bool CFieldMatcher::Matches(std::string_view field) {
    field = UpToNul(field);
    if (m_bEmpty) return !field.empty() && m_nMinLen <= 0 && m_nMaxLen >= 0;
    if (m_bNever || field.empty()) return false;
    // Every key must be there in one of its forms. A key that turns a field
    // away moves to the front: the keys the data lacks are learnt quickly.
    for (std::size_t c = 0; c < m_checkOrder.size(); ++c) {
        if (ForEachForm(m_required[m_checkOrder[c]], field, [](std::size_t) { return true; })) continue;
        std::rotate(m_checkOrder.begin(), m_checkOrder.begin() + static_cast<long>(c),
                    m_checkOrder.begin() + static_cast<long>(c) + 1);
        return false;
    }
    return m_bAnchored ? MatchesAround(field) : MatchesWhole(field);
}

bool FieldMatches(std::uint32_t flags, std::string_view field, std::string_view text, int minLen,
                  int maxLen) {
    CFieldMatcher matcher(flags, text, minLen, maxLen);
    return matcher.Matches(field);
}

bool RecordMatches(const CComment& record, std::uint32_t findOption, CFieldMatcher& matcher) {
    if ((findOption & FIND_TITLE) && matcher.Matches(record.GetTitle())) return true;
    if ((findOption & FIND_AUTHOR) && matcher.Matches(record.GetAuthor())) return true;
    if ((findOption & FIND_AUTHORID) && matcher.Matches(record.GetId())) return true;
    if ((findOption & FIND_CONTENT) && matcher.Matches(record.GetText())) return true;
    return false;
}

SearchOutcome SearchFrom(const std::vector<TreeItem>& items, const DocPorts& ports, int start,
                         int step, int* foundIndex) {
    if (foundIndex) *foundIndex = -1;
    const std::uint32_t option = ports.find ? ports.find->GetFindOption() : 0;
    const std::string text = ports.find ? ports.find->GetFindString() : std::string();
    int minLen = 0, maxLen = 0;
    if (text.empty() || !GetSearchLengths(text, minLen, maxLen)) {
        ShowMessage(ports, res::IDS_FIND_BADTEXT);
        return SearchOutcome::BadText;
    }

    std::unique_ptr<IProgressDlg> progress;
    try {
        if (ports.progress) progress = ports.progress->CreateProgress(true);
        if (progress) progress->SetCaption("検索中！");

        CFieldMatcher matcher(CompareFlagsFor(option), text, minLen, maxLen);
        const int count = static_cast<int>(items.size());
        bool cancelled = false;
        int hit = -1;
        for (int i = start; i >= 0 && i < count && hit < 0; i += step) {
            if (progress && progress->CheckCancel()) {
                cancelled = true;
                break;
            }
            const CComment* record = ports.tree ? ports.tree->GetItemData(items[static_cast<std::size_t>(i)]) : nullptr;
            if (record && RecordMatches(*record, option, matcher)) hit = i;
        }
        if (progress && progress->CheckCancel()) cancelled = true;

        SearchOutcome outcome;
        if (cancelled) {
            ShowMessage(ports, res::IDS_FIND_CANCELLED);
            outcome = SearchOutcome::Cancelled;
        } else if (hit >= 0) {
            if (ports.tree) ports.tree->SelectItem(items[static_cast<std::size_t>(hit)]);
            if (foundIndex) *foundIndex = hit;
            outcome = SearchOutcome::Found;
        } else {
            ShowMessage(ports, res::IDS_FIND_NOTFOUND, Cp932ToUtf8(text));
            outcome = SearchOutcome::NotFound;
        }
        progress.reset();
        return outcome;
    } catch (const std::exception&) {
        progress.reset();  // enables the main window again before the message
        if (foundIndex) *foundIndex = -1;
        ShowMessage(ports, res::IDS_FIND_ERROR);
        return SearchOutcome::Failed;
    }
}

// --- the document's commands ------------------------------------------------

bool COrvDoc::OnUpdateFindNext() const {
    const std::uint32_t option = m_ports.find ? m_ports.find->GetFindOption() : 0;
    return m_arrTreeItems.size() > 1 && (option & FIND_TARGETS) != 0;
}

bool COrvDoc::OnUpdateFindPrev() const { return OnUpdateFindNext(); }

void COrvDoc::OnFindNext() {
    if (m_arrTreeItems.empty() || !m_ports.tree) return;
    TreeItem current = m_ports.tree->GetSelectedItem();
    if (current == kNoItem) current = m_arrTreeItems.front();
    const int count = static_cast<int>(m_arrTreeItems.size());
    for (int k = 0; k < count; ++k) {
        if (m_arrTreeItems[static_cast<std::size_t>(k)] != current) continue;
        if (k + 1 < count) SearchFrom(m_arrTreeItems, m_ports, k + 1, +1);
        return;
    }
}

void COrvDoc::OnFindPrev() {
    if (m_arrTreeItems.empty() || !m_ports.tree) return;
    TreeItem current = m_ports.tree->GetSelectedItem();
    if (current == kNoItem) current = m_arrTreeItems.back();
    for (int k = static_cast<int>(m_arrTreeItems.size()) - 1; k >= 0; --k) {
        if (m_arrTreeItems[static_cast<std::size_t>(k)] != current) continue;
        if (k - 1 >= 0) SearchFrom(m_arrTreeItems, m_ports, k - 1, -1);
        return;
    }
}

}  // namespace orv
