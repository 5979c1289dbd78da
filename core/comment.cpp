#include "core/comment.h"

#include "core/logimport.h"
#include "res/strings.h"

namespace orv {

CComment::~CComment() {
    // Unlink the subtree level by level so that no destructor call nests
    // inside another: each record is destroyed with an empty reply list.
    CommentList pending = std::move(m_listReplies);
    while (!pending.empty()) {
        std::unique_ptr<CComment> rec = std::move(pending.back());
        pending.pop_back();
        for (auto& r : rec->m_listReplies) pending.push_back(std::move(r));
        rec->m_listReplies.clear();
    }
}

namespace {

void TrimTrailingTabLfCr(std::string& s) {
    while (!s.empty() && (s.back() == '\t' || s.back() == '\n' || s.back() == '\r')) s.pop_back();
}

bool IsTrimSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

void CComment::ParseHeader(const HeaderTokenArray& tokens) {
    m_strAuthor.clear();
    m_strTitle.clear();
    m_strText.clear();
    if (!tokens.empty()) {
        m_nNumber = ParseLeadingInt(tokens[0].m_strToken.data(), tokens[0].m_strToken.size());
    }
    if (tokens.size() > 1) m_strId = tokens[1].m_strToken;
    for (std::size_t i = 2; i < tokens.size(); ++i) {
        const CHeadStr& t = tokens[i];
        if (t.m_nKind == 2) {
            if (!m_strAuthor.empty()) m_strAuthor += ' ';
            m_strAuthor += t.m_strToken;
        } else if (t.m_nKind == 3) {
            if (!m_strTitle.empty()) m_strTitle += ' ';
            m_strTitle += t.m_strToken;
            TrimTrailingTabLfCr(m_strTitle);
        }
    }
}

void CComment::SetDateTime(const std::string& dateTime) {
    std::size_t b = 0, e = dateTime.size();
    while (b < e && IsTrimSpace(dateTime[b])) ++b;
    while (e > b && IsTrimSpace(dateTime[e - 1])) --e;
    m_strDateTime.assign(dateTime, b, e - b);
}

void CComment::AddReply(std::unique_ptr<CComment> reply) {
    m_listReplies.push_back(std::move(reply));
}

CComment* CComment::FindByNumber(std::int32_t n) {
    if (m_nNumber == n) return this;
    CComment* found = nullptr;
    WalkDocumentOrder(m_listReplies, [&](CComment& rec, int) {
        if (!found && rec.m_nNumber == n) found = &rec;
    });
    return found;
}

bool CComment::RemoveFromSubtree(const CComment* record) {
    std::vector<CComment*> stack{this};
    while (!stack.empty()) {
        CComment* cur = stack.back();
        stack.pop_back();
        auto& list = cur->m_listReplies;
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (it->get() == record) {
                list.erase(it);
                return true;
            }
        }
        for (auto it = list.rbegin(); it != list.rend(); ++it) stack.push_back(it->get());
    }
    return false;
}

void CComment::AddToTreeView(ITitleTree& tree, std::vector<TreeItem>& items, TreeItem parent,
                             IPrompter* prompter) {
    struct Frame {
        CComment* rec;
        TreeItem parent;
    };
    std::vector<Frame> stack{{this, parent}};
    while (!stack.empty()) {
        Frame f = stack.back();
        stack.pop_back();
        const bool top = f.parent == kTreeRoot;
        TreeItem item = tree.InsertItem(f.rec->m_strTitle, top ? 0 : 2, top ? 1 : 3, f.parent);
        if (item == kNoItem) {
            if (prompter)
                prompter->MessageBox(res::IDS_TREE_FAILED, res::Text(res::IDS_TREE_FAILED),
                                     res::Icon(res::IDS_TREE_FAILED), MsgButtons::Ok);
            continue;  // its replies are skipped too
        }
        tree.SetItemData(item, f.rec);
        items.push_back(item);
        auto& replies = f.rec->m_listReplies;
        for (auto it = replies.rbegin(); it != replies.rend(); ++it)
            stack.push_back({it->get(), item});
    }
}

}  // namespace orv
