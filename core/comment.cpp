#include "core/comment.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "core/arena_platform.h"
#include "core/import/headerline.h"
#include "res/strings.h"

namespace orv {

namespace {

void TrimTrailingTabLfCr(std::string& s) {
    while (!s.empty() && (s.back() == '\t' || s.back() == '\n' || s.back() == '\r')) s.pop_back();
}

std::uint32_t CheckedLength(std::size_t n) {
    if (n > UINT32_MAX) throw std::bad_alloc();
    return static_cast<std::uint32_t>(n);
}

}  // namespace

// --- lists ---------------------------------------------------------------------

CComment* CommentList::operator[](std::size_t i) const {
    auto it = begin();
    while (i-- > 0) ++it;
    return *it;
}

CComment* CommentList::at(std::size_t i) const {
    if (i >= m_count) throw std::out_of_range("CommentList::at");
    return (*this)[i];
}

// --- records -------------------------------------------------------------------

void CComment::SetField(int k, std::string_view s) {
    std::string_view fields[kFieldCount] = {GetId(), GetAuthor(), GetTitle(), GetDateTime(),
                                            GetText()};
    fields[k] = s;
    m_pStore->AssignFields(*this, fields);
}

void CComment::SetHeaderFields(const HeaderTokenArray& tokens, std::string_view dateTime) {
    if (!tokens.empty()) {
        m_nNumber = ParseLeadingInt(tokens[0].m_strToken.data(), tokens[0].m_strToken.size());
    }
    std::string author, title;
    for (std::size_t i = 2; i < tokens.size(); ++i) {
        const CHeadStr& t = tokens[i];
        if (t.m_nKind == TokenKind::Author) {
            if (!author.empty()) author += ' ';
            author += t.m_strToken;
        } else if (t.m_nKind == TokenKind::Title) {
            if (!title.empty()) title += ' ';
            title += t.m_strToken;
            TrimTrailingTabLfCr(title);
        }
    }
    const std::string_view fields[kFieldCount] = {
        tokens.size() > 1 ? std::string_view(tokens[1].m_strToken) : GetId(), author, title,
        dateTime, std::string_view()};
    m_pStore->AssignFields(*this, fields);
}

void CComment::ParseHeader(const HeaderTokenArray& tokens) {
    SetHeaderFields(tokens, GetDateTime());
}

void CComment::SetHeader(const HeaderTokenArray& tokens, std::string_view dateTime) {
    SetHeaderFields(tokens, TrimSpace(dateTime));
}

void CComment::SetDateTime(std::string_view dateTime) { SetDateTimeRaw(TrimSpace(dateTime)); }

void CComment::AddReply(CComment& reply) { m_pStore->Link(m_nFirst, m_nLast, m_nReplies, reply); }

CComment* CComment::FindByNumber(std::int32_t n) {
    if (m_nNumber == n) return this;
    CComment* found = nullptr;
    WalkDocumentOrder(GetReplies(), [&](CComment& rec, int) {
        if (!found && rec.m_nNumber == n) found = &rec;
    });
    return found;
}

bool CComment::RemoveFromSubtree(const CComment* record) {
    if (!record || record == this || &record->Store() != m_pStore) return false;
    bool below = false;
    WalkDocumentOrder(GetReplies(), [&](CComment& rec, int) { below = below || &rec == record; });
    return below && m_pStore->Remove(record);
}

void CComment::AddToTreeView(ITitleTree& tree, std::vector<TreeItem>& items, TreeItem parent,
                             IPrompter* prompter) {
    // Pre-order along the reply links; resume holds, for each open level
    // below this record, the next sibling to come back to and its parent.
    struct Frame {
        std::uint32_t next;
        TreeItem parent;
    };
    std::vector<Frame> resume;
    CComment* rec = this;
    TreeItem par = parent;
    for (;;) {
        const bool top = par == kTreeRoot;
        const TreeItem item = tree.InsertItem(rec->GetTitle(), top ? kImageTop : kImageReply,
                                              top ? kImageTopSelected : kImageReplySelected, par);
        if (item == kNoItem) {
            if (prompter)
                prompter->MessageBox(res::IDS_TREE_FAILED, res::Text(res::IDS_TREE_FAILED),
                                     res::Icon(res::IDS_TREE_FAILED), MsgButtons::Ok);
            // its replies are skipped too
        } else {
            tree.SetItemData(item, rec);
            items.push_back(item);
        }
        // This record's own siblings are not part of its subtree.
        const std::uint32_t sibling = rec == this ? 0 : rec->m_nNext;
        if (item != kNoItem && rec->m_nFirst) {
            if (sibling) resume.push_back({sibling, par});
            par = item;
            rec = &m_pStore->Ref(rec->m_nFirst);
        } else if (sibling) {
            rec = &m_pStore->Ref(sibling);
        } else {
            if (resume.empty()) return;
            rec = &m_pStore->Ref(resume.back().next);
            par = resume.back().parent;
            resume.pop_back();
        }
    }
}

// --- the store ------------------------------------------------------------------

CComment& CCommentStore::NewRecord() {
    std::uint32_t id;
    if (m_freeList) {
        id = m_freeList;
        m_freeList = Ref(id).m_nNext;
        --m_deadCount;
    } else {
        if (m_count >= 0x7FFFFFFFu) throw std::bad_alloc();
        if (m_count % kChunkSize == 0) AddChunk();
        id = ++m_count;
        // A fresh entry is made here; entries are trivially destroyed with
        // their group.
        ::new (static_cast<void*>(&Ref(id))) CComment();
    }
    CComment& rec = Ref(id);
    rec.m_pStore = this;
    rec.m_pFields = nullptr;
    for (auto& l : rec.m_len) l = 0;
    rec.m_nNumber = 0;
    rec.m_nSelf = id;
    rec.m_nFirst = rec.m_nLast = rec.m_nNext = rec.m_nReplies = 0;
    rec.m_bDead = false;
    return rec;
}

void CCommentStore::AddChunk() {
    if (m_groupChunksLeft == 0) {
        // Groups double from one chunk up to 32 (2 MiB of entries).
        const std::size_t chunks =
            std::min<std::size_t>(32, std::max<std::size_t>(1, m_chunks.size()));
        std::size_t bytes = chunks * kChunkSize * sizeof(CComment);
        char* p = platform::AllocateArenaBlock(bytes);
        if (!p) throw std::bad_alloc();
        m_entryGroups.emplace_back(p);
        m_nextChunk = reinterpret_cast<CComment*>(p);
        m_groupChunksLeft = static_cast<std::uint32_t>(chunks);
    }
    m_chunks.push_back(m_nextChunk);
    m_nextChunk += kChunkSize;
    --m_groupChunksLeft;
}

void CCommentStore::Link(std::uint32_t& first, std::uint32_t& last, std::uint32_t& count,
                         CComment& rec) {
    if (count == UINT32_MAX) throw std::bad_alloc();
    rec.m_nNext = 0;
    if (last)
        Ref(last).m_nNext = rec.m_nSelf;
    else
        first = rec.m_nSelf;
    last = rec.m_nSelf;
    ++count;
}

void CCommentStore::AddRoot(CComment& rec) { Link(m_rootFirst, m_rootLast, m_rootCount, rec); }

void CCommentStore::Retire(CComment& rec) { m_deadBytes += rec.FieldBytes(); }

void CCommentStore::Discard(CComment& rec) {
    Retire(rec);
    rec.m_pFields = nullptr;
    for (auto& l : rec.m_len) l = 0;
    rec.m_bDead = true;
    rec.m_nFirst = rec.m_nLast = rec.m_nReplies = 0;
    rec.m_nNext = m_freeList;
    m_freeList = rec.m_nSelf;
    ++m_deadCount;
}

bool CCommentStore::Remove(const CComment* record) {
    if (!record || &record->Store() != this || record->m_bDead) return false;
    const std::uint32_t target = record->m_nSelf;
    // Gather the subtree before anything changes (discarding reuses the
    // links): when there is no memory for the list, the store is untouched.
    std::vector<std::uint32_t> doomed{target};
    WalkDocumentOrder(record->GetReplies(),
                      [&](CComment& rec, int) { doomed.push_back(rec.m_nSelf); });
    // Finds the list holding target and unlinks it there.
    auto unlink = [&](std::uint32_t& first, std::uint32_t& last, std::uint32_t& count) {
        std::uint32_t prev = 0;
        for (std::uint32_t id = first; id; prev = id, id = Ref(id).m_nNext) {
            if (id != target) continue;
            const std::uint32_t next = Ref(id).m_nNext;
            if (prev)
                Ref(prev).m_nNext = next;
            else
                first = next;
            if (last == id) last = prev;
            --count;
            return true;
        }
        return false;
    };
    bool found = unlink(m_rootFirst, m_rootLast, m_rootCount);
    if (!found) {
        // The parent is looked for first and changed after the walk, which
        // may need memory.
        std::uint32_t parent = 0;
        WalkDocumentOrder(Roots(), [&](CComment& rec, int) {
            for (std::uint32_t id = parent ? 0 : rec.m_nFirst; id; id = Ref(id).m_nNext)
                if (id == target) parent = rec.m_nSelf;
        });
        if (parent) {
            CComment& p = Ref(parent);
            found = unlink(p.m_nFirst, p.m_nLast, p.m_nReplies);
        }
    }
    if (!found) return false;
    Ref(target).m_nNext = 0;
    for (std::uint32_t id : doomed) Discard(Ref(id));
    return true;
}

void CCommentStore::FreeBytes::operator()(char* p) const { platform::FreeArenaBlock(p); }

CCommentStore::Block CCommentStore::NewBlock(std::size_t n) const {
    // Each block doubles the last one, up to kBlockSize: a small document
    // stays small, a large one has few blocks.
    std::size_t size =
        m_blocks.empty() ? kFirstBlock : std::min(kBlockSize, 2 * m_blocks.back().size);
    return BlockOfAtLeast(std::max(size, n));
}

CCommentStore::Block CCommentStore::BlockOfAtLeast(std::size_t size) {
    char* p = platform::AllocateArenaBlock(size);
    if (!p) throw std::bad_alloc();
    Block b;
    b.data.reset(p);
    b.size = size;
    return b;
}

char* CCommentStore::Allocate(std::size_t n) {
    if (!m_blocks.empty() && !m_bTailLent) {
        Block& b = m_blocks.back();
        if (b.size - b.used >= n) {
            char* p = b.data.get() + b.used;
            b.used += n;
            return p;
        }
    }
    Block b = NewBlock(n);
    b.used = n;
    char* p = b.data.get();
    m_arenaBytes += b.size;
    if ((n > kBlockSize / 4 || m_bTailLent) && !m_blocks.empty()) {
        // A large run gets a block of its own, and so does anything asked
        // for while the end is lent; the filled block stays last.
        m_blocks.insert(m_blocks.end() - 1, std::move(b));
    } else {
        m_blocks.push_back(std::move(b));
    }
    return p;
}

void CCommentStore::AssignFields(CComment& rec, const std::string_view (&fields)[5]) {
    std::uint32_t len[5];
    std::size_t total = 0;
    for (int i = 0; i < 5; ++i) total += len[i] = CheckedLength(fields[i].size());
    // The old bytes stay where they are (they may be the source of a new
    // field) and count as dead.
    char* p = total ? Allocate(total) : nullptr;
    char* w = p;
    for (const auto& f : fields) {
        if (!f.empty()) std::memcpy(w, f.data(), f.size());
        w += f.size();
    }
    Retire(rec);
    rec.m_pFields = p;
    std::memcpy(rec.m_len, len, sizeof len);
}

char* CCommentStore::LendTail(std::size_t minBytes, std::size_t& size) {
    if (m_blocks.empty() || m_blocks.back().size - m_blocks.back().used < minBytes) {
        Block b = NewBlock(minBytes);
        m_arenaBytes += b.size;
        m_blocks.push_back(std::move(b));
    }
    Block& b = m_blocks.back();
    m_bTailLent = true;
    size = b.size - b.used;
    return b.data.get() + b.used;
}

void CCommentStore::ReturnTail(const char* end) {
    Block& b = m_blocks.back();
    b.used = static_cast<std::size_t>(end - b.data.get());
    m_bTailLent = false;
}

void CCommentStore::ReleaseUnusedBlock(const char* start) {
    for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
        if (it->data.get() != start) continue;
        if (it->used != 0 || (m_bTailLent && it + 1 == m_blocks.end())) return;
        m_arenaBytes -= it->size;
        m_blocks.erase(it);
        return;
    }
}

void CCommentStore::SetFieldsAt(CComment& rec, const char* p, const std::uint32_t (&len)[5]) {
    Retire(rec);
    const bool empty = !(len[0] | len[1] | len[2] | len[3] | len[4]);
    rec.m_pFields = empty ? nullptr : p;  // nothing to point at, not even a freed block
    std::memcpy(rec.m_len, len, sizeof len);
}

void CCommentStore::AppendText(CComment& rec, std::string_view more) {
    if (more.empty()) return;
    const std::size_t total = rec.FieldBytes();
    const std::uint32_t newLen = CheckedLength(rec.m_len[CComment::kText] + more.size());
    if (!m_blocks.empty() && rec.m_pFields && !m_bTailLent) {
        Block& b = m_blocks.back();
        if (rec.m_pFields + total == b.data.get() + b.used && b.size - b.used >= more.size()) {
            std::memcpy(b.data.get() + b.used, more.data(), more.size());
            b.used += more.size();
            rec.m_len[CComment::kText] = newLen;
            return;
        }
    }
    // Move the record to the end of the arena with room to grow: a long
    // text is then copied a logarithmic number of times. While the end is
    // lent the record moves to a block of its own, without the room.
    const std::size_t need = total + more.size();
    char* p;
    if (m_bTailLent) {
        p = Allocate(need);
    } else {
        if (m_blocks.empty() || m_blocks.back().size - m_blocks.back().used < need) {
            Block b = NewBlock(2 * need);
            m_arenaBytes += b.size;
            m_blocks.push_back(std::move(b));
        }
        Block& b = m_blocks.back();
        p = b.data.get() + b.used;
        b.used += need;
    }
    if (total) std::memcpy(p, rec.m_pFields, total);
    std::memcpy(p + total, more.data(), more.size());
    Retire(rec);
    rec.m_pFields = p;
    rec.m_len[CComment::kText] = newLen;
}

void CCommentStore::Compact() {
    if (m_bTailLent) return;  // a reader is filling the last block
    std::size_t live = 0;
    for (std::uint32_t id = 1; id <= m_count; ++id) {
        const CComment& rec = Ref(id);
        if (!rec.m_bDead) live += rec.FieldBytes();
    }
    // The new block comes first: when there is no memory for it, nothing
    // has moved and the store is as it was.
    Block b = BlockOfAtLeast(std::max(kFirstBlock, live));
    b.used = live;
    char* w = b.data.get();
    for (std::uint32_t id = 1; id <= m_count; ++id) {
        CComment& rec = Ref(id);
        if (rec.m_bDead) continue;
        const std::size_t n = rec.FieldBytes();
        if (n) std::memcpy(w, rec.m_pFields, n);
        rec.m_pFields = w;
        w += n;
    }
    m_blocks.clear();  // keeps its capacity: the push below cannot fail
    m_arenaBytes = b.size;
    m_blocks.push_back(std::move(b));
    m_deadBytes = 0;
}

void CCommentStore::CompactIfMostlyDead() {
    if (m_deadBytes > 0 && m_deadBytes >= m_arenaBytes / 2) Compact();
}

}  // namespace orv
