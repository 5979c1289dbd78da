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
std::string_view UpToNul(std::string_view s) {
    const void* nul = std::memchr(s.data(), 0, s.size());
    return nul ? s.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - s.data()))
               : s;
}

void ShowFindMessage(const DocPorts& ports, int id, const std::string& arg) {
    if (ports.prompter)
        ports.prompter->MessageBox(id, res::Format(id, arg), res::Icon(id), MsgButtons::Ok);
}

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
    m_pattern.Prepare();
    if (m_table.Width()) {
        FoldKey first = m_pattern.keys.front();
        if (first == kCodeVoicedMark || first == kCodeSemiVoicedMark) {
            m_joined.keys = m_pattern.keys;
            m_joined.keys.front() = first == kCodeVoicedMark ? kKeyVoicedMark : kKeySemiVoicedMark;
            m_joined.Prepare();
        }
    }
    ChooseKeyForms();
}

void FoldPattern::Prepare() {
    fail.assign(keys.size(), 0);
    std::uint32_t j = 0;
    for (std::size_t i = 1; i < keys.size(); ++i) {
        while (j > 0 && keys[i] != keys[j]) j = fail[j - 1];
        if (keys[i] == keys[j]) ++j;
        fail[i] = j;
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
            if ((m_folded.meta[a] & FoldedText::kCanStart) &&
                (m_folded.meta[i] & FoldedText::kCanEnd)) {
                long len =
                    static_cast<long>(m_folded.End(i)) - static_cast<long>(m_folded.begin[a]);
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
        bool alnum = (last >= '0' && last <= '9') || (last >= 'A' && last <= 'Z') ||
                     (last >= 'a' && last <= 'z');
        if (code < 0x100) return last < 0x80 ? (alnum || last <= ' ' ? 64 : 16) : 4;
        return last < 0x80 ? (alnum ? 8 : 2) : 1;
    };
    auto formsOf = [&](FoldKey key) {
        KeyForms kf;
        kf.key = key;
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
                it->leads[lead >> 3] =
                    static_cast<std::uint8_t>(it->leads[lead >> 3] | (1u << (lead & 7)));
            }
        }
        return kf;
    };
    // Every stretch begins with a character whose standalone fold begins
    // with the first key (a ﾞ or ﾟ included, as a stretch folds it alone).
    m_first = formsOf(m_pattern.keys.front());
    for (std::size_t i = 0; i < m_first.signatures.size() && i < 255; ++i)
        m_firstByte[m_first.signatures[i].byte] = static_cast<std::uint8_t>(i + 1);
    m_bFromFirst =
        !m_first.signatures.empty() && m_first.signatures.size() < 255 && m_first.cost <= 160;

    // A stretch may begin at a joined mark that the pattern holds as a
    // standalone one: leave the first key out of the required ones then.
    const std::size_t from = m_joined.keys.empty() ? 0 : 1;
    std::vector<FoldKey> seen;
    for (std::size_t j = from; j < m_pattern.keys.size(); ++j) {
        FoldKey key = m_pattern.keys[j];
        if (key == kKeyVoicedMark || key == kKeySemiVoicedMark) continue;
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        KeyForms kf = formsOf(key);
        if (!kf.signatures.empty()) m_required.push_back(std::move(kf));
    }
    std::stable_sort(m_required.begin(), m_required.end(),
                     [](const KeyForms& x, const KeyForms& y) { return x.cost < y.cost; });
    if (m_required.size() > kMaxRequired) m_required.resize(kMaxRequired);
    for (std::size_t r = 0; r < m_required.size(); ++r) m_checks.push_back({r, 0, 0});
    // Checking around each place of the anchor pays only when it is rare.
    m_bAnchored = !m_required.empty() && m_required.front().cost <= 32;
    if (m_bAnchored) {
        // A key stands for at most two bytes, and a stretch is at most
        // maxLen bytes long.
        std::size_t last = 0, count = 0;
        for (std::size_t j = 0; j < m_pattern.keys.size(); ++j)
            if (m_pattern.keys[j] == m_required.front().key) last = j, ++count;
        m_nAnchorIndex = count == 1 ? last : kNoIndex;
        m_nAnchorReach =
            std::min<std::size_t>(2 * last, static_cast<std::size_t>(std::max(m_nMaxLen, 0)));
    }
}

// A byte that cannot begin a two-byte character always ends one, and from
// there the lead-range bytes pair up: a character starts at s unless an odd
// number of lead-range bytes stands right before it and the byte at s can
// complete the last of them. Short runs are counted back at each question;
// the first long run costs one forward pass over the field that marks every
// character start, and later questions are answered from those marks, so
// the cost stays linear in the field however long its runs are.
bool CFieldMatcher::CharStarts::operator()(std::size_t s) {
    if (m_bMarked) return m_marks[s] != 0;
    std::size_t run = 0;
    while (run < s && IsLeadByte(m_p[s - run - 1])) {
        if (++run > kShortRun) {
            Mark();
            return m_marks[s] != 0;
        }
    }
    return run % 2 == 0 || !IsCp932Trail(m_p[s]);
}

void CFieldMatcher::CharStarts::Mark() {
    m_marks.assign(m_n, 0);
    for (std::size_t i = 0; i < m_n;) {
        m_marks[i] = 1;
        i += IsLeadByte(m_p[i]) && i + 1 < m_n && IsCp932Trail(m_p[i + 1]) ? 2 : 1;
    }
    m_bMarked = true;
}

template <class F>
bool CFieldMatcher::ForEachForm(const KeyForms& forms, std::string_view field, F&& found,
                                std::size_t* via) {
    const char* base = field.data();
    const auto* p = reinterpret_cast<const unsigned char*>(base);
    const std::size_t n = field.size();
    for (const Signature& sig : forms.signatures) {
        if (via) *via = static_cast<std::size_t>(&sig - forms.signatures.data());
        const void* hit = std::memchr(base, sig.byte, n);
        while (hit) {
            auto i = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            if (sig.alone && m_starts(i)) {
                if (found(i)) return true;
            } else if (i > 0 && (sig.leads[p[i - 1] >> 3] & (1u << (p[i - 1] & 7))) &&
                       m_starts(i - 1)) {
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
// stand: a matching stretch that holds the anchor begins at most
// m_nAnchorReach bytes before it. The walk to the anchor starts on a
// character boundary, found by stepping back to a byte that cannot begin a
// two-byte character (such a byte always ends one), and tries each
// character on the way as the start of a stretch. When that has cost more
// than about twice the field, the whole field is folded instead, which
// keeps the cost linear.
bool CFieldMatcher::MatchesAround(std::string_view field) {
    const std::size_t n = field.size();
    const auto* p = reinterpret_cast<const unsigned char*>(field.data());
    const std::size_t reach = m_nAnchorReach;
    const std::size_t budget = 2 * n + 64;
    std::size_t work = 0;
    bool whole = false;
    std::size_t done = 0;  // a boundary: the starts before it have been tried
    std::size_t last = 0;
    const bool checkBefore = m_nAnchorIndex > 0 && m_nAnchorIndex != kNoIndex;
    const FoldKey before = checkBefore ? m_pattern.keys[m_nAnchorIndex - 1] : 0;
    bool hit = ForEachForm(m_required.front(), field, [&](std::size_t s) {
        if (checkBefore) {
            // Most places fail on the character just before: a two-byte or
            // ASCII one must end in the key the text has there. (Half-width
            // characters may join; they take the long way.)
            if (s == 0) return false;
            std::size_t c = m_starts(s - 1) ? s - 1 : s - 2;
            if (s - c == 2) {
                std::uint32_t e = m_table.Double(p[c], p[c + 1]);
                FoldKey lastKey =
                    (e >> 16) ? static_cast<FoldKey>(e >> 16) : static_cast<FoldKey>(e);
                if (lastKey != before) return false;
            } else if (p[c] < 0x80 && m_table.Single(p[c]) != before) {
                return false;
            }
        }
        // The forms come byte by byte, so places may come out of order.
        if (s < last) done = 0;
        last = s;
        std::size_t b = s > reach ? s - reach : 0;
        if (b < done) b = done;
        while (b > 0 && b != done && IsLeadByte(p[b - 1])) {
            --b;
            ++work;
        }
        for (std::size_t c = b, next; c <= s && c < n; c = next) {
            next = c + CharLengthAt(field, c);
            if (MatchesAt(field, c, work)) return true;
            done = next;
        }
        if (work > budget) {
            whole = true;
            return true;
        }
        return false;
    });
    if (whole) return MatchesWhole(field);
    return hit;
}

bool CFieldMatcher::Matches(std::string_view field) {
    field = UpToNul(field);
    if (m_bEmpty) return !field.empty() && m_nMinLen <= 0 && m_nMaxLen >= 0;
    if (m_bNever || field.empty()) return false;
    m_starts.Reset(field);
    // Every key must be there in one of its forms. A key that turns a field
    // away moves to the front, so that the keys the data lacks are learnt
    // quickly; one that has turned almost none away is no longer looked for.
    const bool around = m_bAnchored && (!m_bFromFirst || m_required.front().cost < m_first.cost);
    for (std::size_t c = 0, done = 0; c < m_checks.size() && done < kMaxChecks; ++c) {
        Check& check = m_checks[c];
        if (check.checks >= kCheckTrial && check.rejects * 32 < check.checks) continue;
        if (around && check.index == 0) continue;  // the walk to the anchor finds it
        ++done;
        ++check.checks;
        KeyForms& kf = m_required[check.index];
        std::size_t via = 0;  // the signature that found the key moves to the front
        if (ForEachForm(
                kf, field, [](std::size_t) { return true; }, &via)) {
            if (via)
                std::rotate(kf.signatures.begin(), kf.signatures.begin() + static_cast<long>(via),
                            kf.signatures.begin() + static_cast<long>(via) + 1);
            continue;
        }
        ++check.rejects;
        std::rotate(m_checks.begin(), m_checks.begin() + static_cast<long>(c),
                    m_checks.begin() + static_cast<long>(c) + 1);
        return false;
    }
    if (around) return MatchesAround(field);
    return m_bFromFirst ? MatchesFromFirst(field) : MatchesWhole(field);
}

bool CFieldMatcher::MatchesAt(std::string_view field, std::size_t s, std::size_t& work) const {
    const auto* p = reinterpret_cast<const unsigned char*>(field.data());
    const std::size_t n = field.size();
    const FoldKey* t = m_pattern.keys.data();
    const std::size_t m = m_pattern.keys.size();
    const bool width = m_table.Width();
    auto admitted = [&](std::size_t end) {
        const long len = static_cast<long>(end - s);
        return len >= m_nMinLen && len <= m_nMaxLen;
    };
    std::size_t k = 0;
    unsigned prevMask = 0;  // the stretch folds on its own: nothing joins its first byte
    for (std::size_t i = s; i < n;) {
        ++work;
        const unsigned char b = p[i];
        FoldKey k1;
        FoldKey k2 = 0;
        std::size_t len = 1;
        if (b < 0x80) {
            k1 = m_table.Single(b);
            prevMask = 0;
        } else if (IsLeadByte(b)) {
            if (i + 1 < n && IsCp932Trail(p[i + 1])) {
                std::uint32_t e = m_table.Double(b, p[i + 1]);
                k1 = static_cast<FoldKey>(e);
                k2 = static_cast<FoldKey>(e >> 16);
                len = 2;
            } else {
                k1 = kKeyInvalid;
            }
            prevMask = 0;
        } else {
            k1 = m_table.Single(b);
            if (width) {
                if (b == 0xDE && (prevMask & 1))
                    k1 = kKeyVoicedMark;
                else if (b == 0xDF && (prevMask & 2))
                    k1 = kKeySemiVoicedMark;
                prevMask = FoldTable::MarkMask(b);
            }
        }
        if (k1 != t[k]) return false;
        if (++k == m) return k2 == 0 && admitted(i + len);  // may not end inside a character
        if (k2) {
            if (k2 != t[k]) return false;
            if (++k == m) return admitted(i + len);
        }
        i += len;
    }
    return false;
}

// Tries every place where a character that can begin the text stands.
// When that has cost more than about twice the field (a text such as
// "aaaa" in a field of a's), the whole field is folded instead.
bool CFieldMatcher::MatchesFromFirst(std::string_view field) {
    const auto* p = reinterpret_cast<const unsigned char*>(field.data());
    const std::size_t n = field.size();
    const std::size_t budget = 2 * n + 64;
    std::size_t work = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = m_firstByte[p[i]];
        if (!x) continue;
        const Signature& sig = m_first.signatures[x - 1u];
        if (sig.alone && m_starts(i) && MatchesAt(field, i, work)) return true;
        if (i > 0 && (sig.leads[p[i - 1] >> 3] & (1u << (p[i - 1] & 7))) && m_starts(i - 1) &&
            MatchesAt(field, i - 1, work))
            return true;
        if (work > budget) return MatchesWhole(field);
    }
    return false;
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

SearchOutcome SearchRecords(const CRecordOrder& order, const DocPorts& ports, int start, int step,
                            std::size_t& hit) {
    const std::uint32_t option = ports.find ? ports.find->GetFindOption() : 0;
    const std::string text = ports.find ? ports.find->GetFindString() : std::string();
    int minLen = 0, maxLen = 0;
    if (text.empty() || !GetSearchLengths(text, minLen, maxLen)) {
        ShowFindMessage(ports, res::IDS_FIND_BADTEXT);
        return SearchOutcome::BadText;
    }

    std::unique_ptr<IProgressDlg> progress;
    try {
        if (ports.progress) progress = ports.progress->CreateProgress(true);
        if (progress) progress->SetCaption("検索中！");

        CFieldMatcher matcher(CompareFlagsFor(option), text, minLen, maxLen);
        const int count = static_cast<int>(order.size());
        bool cancelled = false;
        int found = -1;
        for (int i = start; i >= 0 && i < count && found < 0; i += step) {
            if (progress && progress->CheckCancel()) {
                cancelled = true;
                break;
            }
            const CComment* record = order.At(static_cast<std::size_t>(i));
            if (record && RecordMatches(*record, option, matcher)) found = i;
        }
        if (progress && progress->CheckCancel()) cancelled = true;

        SearchOutcome outcome;
        if (cancelled) {
            ShowFindMessage(ports, res::IDS_FIND_CANCELLED);
            outcome = SearchOutcome::Cancelled;
        } else if (found >= 0) {
            hit = static_cast<std::size_t>(found);
            outcome = SearchOutcome::Found;
        } else {
            ShowFindMessage(ports, res::IDS_FIND_NOTFOUND, Cp932ToUtf8(text));
            outcome = SearchOutcome::NotFound;
        }
        progress.reset();
        return outcome;
    } catch (const std::exception&) {
        progress.reset();  // enables the main window again before the message
        ShowFindMessage(ports, res::IDS_FIND_ERROR);
        return SearchOutcome::Failed;
    }
}

SearchOutcome SearchFrom(const std::vector<TreeItem>& items, const DocPorts& ports, int start,
                         int step) {
    std::size_t hit = 0;
    const SearchOutcome outcome =
        SearchRecords(CRecordOrder(items, ports.tree), ports, start, step, hit);
    if (outcome == SearchOutcome::Found && ports.tree) ports.tree->SelectItem(items[hit]);
    return outcome;
}

// --- the document's commands ------------------------------------------------

bool OnUpdateFindNext(const COrvDoc& doc) {
    const DocPorts& ports = doc.Ports();
    const std::uint32_t option = ports.find ? ports.find->GetFindOption() : 0;
    return doc.GetTreeItems().size() > 1 && (option & FIND_TARGETS) != 0;
}

bool OnUpdateFindPrev(const COrvDoc& doc) { return OnUpdateFindNext(doc); }

void OnFindNext(COrvDoc& doc) {
    const std::vector<TreeItem>& items = doc.GetTreeItems();
    const DocPorts& ports = doc.Ports();
    if (items.empty() || !ports.tree) return;
    TreeItem current = ports.tree->GetSelectedItem();
    if (current == kNoItem) current = items.front();
    const int count = static_cast<int>(items.size());
    for (int k = 0; k < count; ++k) {
        if (items[static_cast<std::size_t>(k)] != current) continue;
        if (k + 1 < count) SearchFrom(items, ports, k + 1, +1);
        return;
    }
}

void OnFindPrev(COrvDoc& doc) {
    const std::vector<TreeItem>& items = doc.GetTreeItems();
    const DocPorts& ports = doc.Ports();
    if (items.empty() || !ports.tree) return;
    TreeItem current = ports.tree->GetSelectedItem();
    if (current == kNoItem) current = items.back();
    for (int k = static_cast<int>(items.size()) - 1; k >= 0; --k) {
        if (items[static_cast<std::size_t>(k)] != current) continue;
        if (k - 1 >= 0) SearchFrom(items, ports, k - 1, -1);
        return;
    }
}

}  // namespace orv
