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

bool CFieldMatcher::Scan(const Pattern& pattern) const {
    const FoldKey* keys = m_folded.keys.data();
    const std::size_t n = m_folded.size();
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
        // A whole occurrence at a..i: it must begin and end on whole
        // characters and span an admitted number of bytes.
        std::size_t a = i + 1 - m;
        if ((m_folded.meta[a] & FoldedText::kCanStart) && (m_folded.meta[i] & FoldedText::kCanEnd)) {
            long len = static_cast<long>(m_folded.End(i)) - static_cast<long>(m_folded.begin[a]);
            if (len >= m_nMinLen && len <= m_nMaxLen) return true;
        }
        q = pattern.fail[q - 1];
    }
    return false;
}

bool CFieldMatcher::Matches(std::string_view field) {
    field = UpToNul(field);
    if (m_bEmpty) return !field.empty() && m_nMinLen <= 0 && m_nMaxLen >= 0;
    if (m_bNever || field.empty()) return false;
    FoldWithSpans(m_table, field, m_folded);
    if (Scan(m_pattern)) return true;
    return !m_joined.keys.empty() && Scan(m_joined);
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
