// One posted message (発言) with the replies that answer it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/headstr.h"
#include "core/ports.h"

namespace orv {

class CComment;
using CommentList = std::vector<std::unique_ptr<CComment>>;

class CComment {
public:
    CComment() = default;
    // Deletes the whole subtree, iteratively, so that a chain of a million
    // replies does not overflow the stack.
    ~CComment();
    CComment(const CComment&) = delete;
    CComment& operator=(const CComment&) = delete;

    // Sets number, ID, author and title from the tokens of header line 1;
    // author, title and text are emptied first.
    void ParseHeader(const HeaderTokenArray& tokens);
    // Stores the bytes with leading and trailing space, TAB, CR and LF removed.
    void SetDateTime(const std::string& dateTime);

    void SetNumber(std::int32_t n) { m_nNumber = n; }
    void SetId(std::string s) { m_strId = std::move(s); }
    void SetAuthor(std::string s) { m_strAuthor = std::move(s); }
    void SetTitle(std::string s) { m_strTitle = std::move(s); }
    void SetDateTimeRaw(std::string s) { m_strDateTime = std::move(s); }
    void SetText(std::string s) { m_strText = std::move(s); }

    std::int32_t GetNumber() const { return m_nNumber; }
    const std::string& GetId() const { return m_strId; }
    const std::string& GetAuthor() const { return m_strAuthor; }
    const std::string& GetTitle() const { return m_strTitle; }
    const std::string& GetDateTime() const { return m_strDateTime; }
    const std::string& GetText() const { return m_strText; }

    const CommentList& GetReplies() const { return m_listReplies; }
    // Appends a reply; this record takes ownership.
    void AddReply(std::unique_ptr<CComment> reply);

    // This record if its number is n, else the first match among its replies'
    // subtrees in pre-order; null if none.
    CComment* FindByNumber(std::int32_t n);
    // Removes record from the subtree below this record and deletes it with
    // its own subtree; false if it is not there.
    bool RemoveFromSubtree(const CComment* record);
    // Adds this record and its subtree to the title tree below parent,
    // appending every item handle to items. Reports 60102 through prompter
    // for an item that cannot be added and skips its subtree.
    void AddToTreeView(ITitleTree& tree, std::vector<TreeItem>& items, TreeItem parent,
                       IPrompter* prompter);

private:
    std::int32_t m_nNumber = 0;
    std::string m_strId;
    std::string m_strAuthor;
    std::string m_strTitle;
    std::string m_strDateTime;
    std::string m_strText;
    CommentList m_listReplies;
};

// Calls f(record, depth) for every record of the forest in document order:
// each root, then its subtree in pre-order. Iterative.
template <class F>
void WalkDocumentOrder(const CommentList& roots, F&& f) {
    struct Frame {
        const CommentList* list;
        std::size_t next;
    };
    std::vector<Frame> stack;
    stack.push_back({&roots, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.list->size()) {
            stack.pop_back();
            continue;
        }
        CComment* rec = (*top.list)[top.next++].get();
        int depth = static_cast<int>(stack.size()) - 1;
        f(*rec, depth);
        if (!rec->GetReplies().empty()) stack.push_back({&rec->GetReplies(), 0});
    }
}

}  // namespace orv
