#include "search/findall.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

#include "core/comment.h"
#include "core/cp932.h"
#include "res/strings.h"
#include "search/findoption.h"

namespace orv {

CMatchFinder::CMatchFinder(std::uint32_t flags, std::string_view text, int minLen, int maxLen) {
    Init(flags, text, minLen, maxLen);
}

CMatchFinder::CMatchFinder(std::uint32_t findOption, std::string_view text) {
    int minLen = 0, maxLen = 0;
    if (GetSearchLengths(text, minLen, maxLen))
        Init(CompareFlagsFor(findOption), text, minLen, maxLen);
}

void CMatchFinder::Init(std::uint32_t flags, std::string_view text, int minLen, int maxLen) {
    m_table = &FoldTable::For(flags);
    m_nMinLen = std::max(minLen, 0);
    m_nMaxLen = maxLen;
    text = UpToNul(text);
    FoldString(*m_table, text, m_pattern.keys);
    m_bNever = m_pattern.keys.empty() || std::find(m_pattern.keys.begin(), m_pattern.keys.end(),
                                                   kKeyInvalid) != m_pattern.keys.end();
    if (m_bNever) return;
    m_pattern.Prepare();
    const FoldKey first = m_pattern.keys.front();
    if (m_table->Width() && (first == kCodeVoicedMark || first == kCodeSemiVoicedMark)) {
        m_joined.keys = m_pattern.keys;
        m_joined.keys.front() = first == kCodeVoicedMark ? kKeyVoicedMark : kKeySemiVoicedMark;
        m_joined.Prepare();
    }
}

void CMatchFinder::Collect(const Pattern& pattern, std::vector<ByteRange>& out) const {
    const FoldKey* pat = pattern.keys.data();
    const std::size_t m = pattern.keys.size();
    const FoldKey* keys = m_folded.keys.data();
    const std::size_t n = m_folded.size();
    std::size_t q = 0;
    for (std::size_t i = 0; i < n; ++i) {
        while (q > 0 && keys[i] != pat[q]) q = pattern.fail[q - 1];
        if (keys[i] != pat[q]) continue;
        if (++q < m) continue;
        // An occurrence of the keys at a..i counts when it begins and ends
        // on whole characters and spans an admitted number of bytes.
        const std::size_t a = i + 1 - m;
        if ((m_folded.meta[a] & FoldedText::kCanStart) &&
            (m_folded.meta[i] & FoldedText::kCanEnd)) {
            const std::uint32_t b = m_folded.begin[a];
            const std::uint32_t e = m_folded.End(i);
            const long len = static_cast<long>(e) - static_cast<long>(b);
            if (len >= m_nMinLen && len <= m_nMaxLen) out.push_back({b, e});
        }
        q = pattern.fail[q - 1];
    }
}

void CMatchFinder::Find(std::string_view field, std::vector<ByteRange>& out) {
    out.clear();
    field = UpToNul(field);
    if (m_bNever || field.empty()) return;
    FoldWithSpans(*m_table, field, m_folded);
    m_scratch.clear();
    Collect(m_pattern, m_scratch);
    if (!m_joined.keys.empty()) {
        const std::size_t mid = m_scratch.size();
        Collect(m_joined, m_scratch);
        std::inplace_merge(m_scratch.begin(), m_scratch.begin() + static_cast<long>(mid),
                           m_scratch.end(), [](const ByteRange& x, const ByteRange& y) {
                               return x.begin < y.begin || (x.begin == y.begin && x.end > y.end);
                           });
    }
    // Leftmost first; a match that overlaps the one taken before is dropped.
    std::uint32_t taken = 0;
    for (const ByteRange& r : m_scratch) {
        if (!out.empty() && r.begin < taken) continue;
        out.push_back(r);
        taken = r.end;
    }
}

std::vector<ByteRange> CMatchFinder::Find(std::string_view field) {
    std::vector<ByteRange> out;
    Find(field, out);
    return out;
}

RecordRanges FindRecordRanges(const CComment& record, std::uint32_t findOption,
                              CMatchFinder& finder) {
    RecordRanges r;
    if (findOption & FIND_TITLE) finder.Find(record.GetTitle(), r.title);
    if (findOption & FIND_AUTHOR) finder.Find(record.GetAuthor(), r.author);
    if (findOption & FIND_AUTHORID) finder.Find(record.GetId(), r.id);
    if (findOption & FIND_CONTENT) finder.Find(record.GetText(), r.text);
    return r;
}

FindAllResult FindAll(const CRecordOrder& order, const DocPorts& ports) {
    FindAllResult result;
    const std::uint32_t option = ports.find ? ports.find->GetFindOption() : 0;
    const std::string text = ports.find ? ports.find->GetFindString() : std::string();
    int minLen = 0, maxLen = 0;
    if (text.empty() || !GetSearchLengths(text, minLen, maxLen)) {
        ShowFindMessage(ports, res::IDS_FIND_BADTEXT);
        result.outcome = SearchOutcome::BadText;
        return result;
    }

    std::unique_ptr<IProgressDlg> progress;
    try {
        if (ports.progress) progress = ports.progress->CreateProgress(true);
        if (progress) progress->SetCaption("検索中！");

        CFieldMatcher matcher(CompareFlagsFor(option), text, minLen, maxLen);
        bool cancelled = false;
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (progress && progress->CheckCancel()) {
                cancelled = true;
                break;
            }
            const CComment* record = order.At(i);
            if (record && RecordMatches(*record, option, matcher)) result.hits.push_back(i);
        }
        if (progress && progress->CheckCancel()) cancelled = true;

        if (cancelled) {
            result.hits.clear();
            ShowFindMessage(ports, res::IDS_FIND_CANCELLED);
            result.outcome = SearchOutcome::Cancelled;
        } else if (!result.hits.empty()) {
            result.outcome = SearchOutcome::Found;
        } else {
            ShowFindMessage(ports, res::IDS_FIND_NOTFOUND, Cp932ToUtf8(text));
            result.outcome = SearchOutcome::NotFound;
        }
        progress.reset();
        return result;
    } catch (const std::exception&) {
        progress.reset();  // enables the main window again before the message
        result.hits.clear();
        ShowFindMessage(ports, res::IDS_FIND_ERROR);
        result.outcome = SearchOutcome::Failed;
        return result;
    }
}

FindAllResult FindAll(const std::vector<TreeItem>& items, const DocPorts& ports) {
    return FindAll(CRecordOrder(items, ports.tree), ports);
}

}  // namespace orv
