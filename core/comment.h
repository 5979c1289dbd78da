// One posted message (発言) with the replies that answer it, and the store
// that holds every message of a document.
//
// A record is a small fixed-size entry: its fields are one run of bytes in
// the store's arena (ID, author, title, date and text back to back) and its
// replies a list linked by entry index. Nothing is allocated per record.
#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/import/headstr.h"
#include "core/ports.h"

namespace orv {

class CComment;
class CCommentStore;

// The records of one list in order: the roots of a document or the replies
// of one record. A view, valid while the list is unchanged.
class CommentList {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CComment*;
        using difference_type = std::ptrdiff_t;
        using pointer = CComment**;
        using reference = CComment*;

        iterator() = default;
        CComment* operator*() const;
        iterator& operator++();
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const iterator& o) const { return m_id == o.m_id; }

    private:
        friend class CommentList;
        iterator(const CCommentStore* store, std::uint32_t id) : m_store(store), m_id(id) {}
        const CCommentStore* m_store = nullptr;
        std::uint32_t m_id = 0;
    };

    CommentList() = default;
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    iterator begin() const { return {m_store, m_first}; }
    iterator end() const { return {m_store, 0}; }
    // The i-th record, found by walking the list.
    CComment* operator[](std::size_t i) const;
    // The same; throws std::out_of_range past the end.
    CComment* at(std::size_t i) const;
    const CCommentStore* Store() const { return m_store; }
    // Entry index + 1 of the first record; 0 when the list is empty.
    std::uint32_t FirstId() const { return m_first; }

private:
    friend class CComment;
    friend class CCommentStore;
    CommentList(const CCommentStore* store, std::uint32_t first, std::uint32_t count)
        : m_store(store), m_first(first), m_count(count) {}
    const CCommentStore* m_store = nullptr;
    std::uint32_t m_first = 0;
    std::uint32_t m_count = 0;
};

class CComment {
public:
    // Records are made by their store (CCommentStore::NewRecord).
    CComment(const CComment&) = delete;
    CComment& operator=(const CComment&) = delete;
    ~CComment() = default;

    // Sets number, ID, author and title from the tokens of header line 1;
    // author, title and text are emptied first.
    void ParseHeader(const HeaderTokenArray& tokens);
    // Stores the bytes with leading and trailing space, TAB, CR and LF removed.
    void SetDateTime(std::string_view dateTime);
    // ParseHeader and SetDateTime at once, laying the fields out only once.
    void SetHeader(const HeaderTokenArray& tokens, std::string_view dateTime);

    void SetNumber(std::int32_t n) { m_nNumber = n; }
    void SetId(std::string_view s) { SetField(kId, s); }
    void SetAuthor(std::string_view s) { SetField(kAuthor, s); }
    void SetTitle(std::string_view s) { SetField(kTitle, s); }
    void SetDateTimeRaw(std::string_view s) { SetField(kDateTime, s); }
    void SetText(std::string_view s) { SetField(kText, s); }

    // The getters give the raw CP932 bytes. A view stays valid until this
    // record's fields are set again or the store reclaims space (deleting a
    // subtree, saving) and never outlives the document.
    std::int32_t GetNumber() const { return m_nNumber; }
    std::string_view GetId() const { return Field(kId); }
    std::string_view GetAuthor() const { return Field(kAuthor); }
    std::string_view GetTitle() const { return Field(kTitle); }
    std::string_view GetDateTime() const { return Field(kDateTime); }
    std::string_view GetText() const { return Field(kText); }

    CommentList GetReplies() const { return {m_pStore, m_nFirst, m_nReplies}; }
    // Appends reply, a record of the same store that is in no list yet.
    void AddReply(CComment& reply);

    // This record if its number is n, else the first match among its replies'
    // subtrees in pre-order; null if none.
    CComment* FindByNumber(std::int32_t n);
    // Removes record from the subtree below this record and deletes it with
    // its own subtree; false if it is not there.
    bool RemoveFromSubtree(const CComment* record);
    // Adds this record and its subtree to the title tree below parent,
    // appending every item handle to items. Reports IDS_TREE_FAILED through prompter
    // for an item that cannot be added and skips its subtree.
    void AddToTreeView(ITitleTree& tree, std::vector<TreeItem>& items, TreeItem parent,
                       IPrompter* prompter);

    CCommentStore& Store() const { return *m_pStore; }

private:
    friend class CCommentStore;
    friend class CommentList;
    template <class F>
    friend void WalkDocumentOrder(const CommentList& roots, F&& f);

    enum FieldIndex { kId, kAuthor, kTitle, kDateTime, kText, kFieldCount };

    CComment() = default;
    std::string_view Field(int k) const {
        std::size_t off = 0;
        for (int i = 0; i < k; ++i) off += m_len[i];
        return {m_pFields + off, m_len[k]};
    }
    std::size_t FieldBytes() const {
        std::size_t n = 0;
        for (std::uint32_t l : m_len) n += l;
        return n;
    }
    void SetField(int k, std::string_view s);
    void SetHeaderFields(const HeaderTokenArray& tokens, std::string_view dateTime);

    CCommentStore* m_pStore = nullptr;
    const char* m_pFields = nullptr;  // the fields back to back, in the arena
    std::uint32_t m_len[kFieldCount] = {};
    std::int32_t m_nNumber = 0;
    std::uint32_t m_nSelf = 0;     // own entry index + 1
    std::uint32_t m_nFirst = 0;    // first reply (entry index + 1, 0 for none)
    std::uint32_t m_nLast = 0;     // last reply
    std::uint32_t m_nNext = 0;     // next record of the list this one is in
    std::uint32_t m_nReplies = 0;  // number of replies
    bool m_bDead = false;          // deleted; the entry waits for reuse
};

// Owns every record of a document: the fixed-size entries in chunks that
// never move, and the field bytes in large arena blocks. Not movable: the
// records point back to it.
class CCommentStore {
public:
    CCommentStore() = default;
    CCommentStore(const CCommentStore&) = delete;
    CCommentStore& operator=(const CCommentStore&) = delete;

    // A new record with empty fields, in no list. Throws std::bad_alloc.
    CComment& NewRecord();
    // Appends a record that is in no list to the roots.
    void AddRoot(CComment& rec);
    CommentList Roots() const { return {this, m_rootFirst, m_rootCount}; }

    // Unlinks record from the roots or its parent's replies and deletes it
    // with its subtree; false when it is in no list of this store.
    bool Remove(const CComment* record);
    // Deletes a record that is in no list (an abandoned new record).
    void Discard(CComment& rec);

    // Appends bytes to rec's text without copying its other fields when they
    // are the last bytes of the arena.
    void AppendText(CComment& rec, std::string_view more);
    // Replaces all the fields of rec at once.
    void AssignFields(CComment& rec, const std::string_view (&fields)[5]);

    // Lends the free end of the last arena block, at least minBytes long (a
    // new block is started when the end is shorter), to a reader that fills
    // it directly; its size is in size. While the end is lent, other
    // allocations take a block of their own. Throws std::bad_alloc.
    char* LendTail(std::size_t minBytes, std::size_t& size);
    // Takes the lent end back, keeping the bytes before end (within the lent
    // span) as used.
    void ReturnTail(const char* end);
    // Frees the block that starts at start when nothing in it is used (a
    // block a reader left whole for a larger one).
    void ReleaseUnusedBlock(const char* start);
    // Points rec's fields at the len[0] + ... + len[4] bytes at p, which lie
    // in the arena and are kept (within a lent end, before the end later
    // returned); the old bytes count as dead.
    void SetFieldsAt(CComment& rec, const char* p, const std::uint32_t (&len)[5]);

    // Copies the fields of every live record into one block and frees the
    // rest; records keep their addresses, field views are invalidated.
    // Throws std::bad_alloc with the store unchanged.
    void Compact();
    // Compacts when at least half of the field bytes are dead.
    void CompactIfMostlyDead();
    std::size_t DeadBytes() const { return m_deadBytes; }
    std::size_t ArenaBytes() const { return m_arenaBytes; }
    std::size_t LiveRecords() const { return m_count - m_deadCount; }

    std::uint32_t IdOf(const CComment& rec) const { return rec.m_nSelf; }
    // Entry by index + 1 (as in the reply links).
    CComment& Ref(std::uint32_t id) const {
        const std::uint32_t i = id - 1;
        return m_chunks[i >> kChunkShift][i & (kChunkSize - 1)];
    }

private:
    friend class CComment;
    static constexpr std::uint32_t kChunkShift = 10;
    static constexpr std::uint32_t kChunkSize = 1u << kChunkShift;
    // Blocks grow from kFirstBlock to kBlockSize as the arena fills.
    static constexpr std::size_t kFirstBlock = std::size_t(1) << 16;
    static constexpr std::size_t kBlockSize = std::size_t(1) << 22;

    struct FreeBytes {
        void operator()(char* p) const;
    };
    struct Block {
        std::unique_ptr<char, FreeBytes> data;
        std::size_t size = 0;
        std::size_t used = 0;
    };

    // A new block of at least n bytes (its size in b.size), not yet in the
    // list; throws std::bad_alloc.
    Block NewBlock(std::size_t n) const;
    // A block of at least size bytes; throws std::bad_alloc.
    static Block BlockOfAtLeast(std::size_t size);
    char* Allocate(std::size_t n);
    void AddChunk();             // room for kChunkSize more entries; throws std::bad_alloc
    void Retire(CComment& rec);  // counts rec's current bytes as dead
    void Link(std::uint32_t& first, std::uint32_t& last, std::uint32_t& count, CComment& rec);

    // Entry chunks are carved from groups that double in size, so that a
    // large document takes its entries in a few large (huge-page) blocks.
    std::vector<CComment*> m_chunks;
    std::vector<std::unique_ptr<char, FreeBytes>> m_entryGroups;
    CComment* m_nextChunk = nullptr;      // the next chunk of the last group
    std::uint32_t m_groupChunksLeft = 0;  // chunks of it not handed out yet
    std::uint32_t m_count = 0;            // entries handed out
    std::uint32_t m_deadCount = 0;        // of which dead
    std::uint32_t m_freeList = 0;         // dead entries, linked through m_nNext
    std::uint32_t m_rootFirst = 0, m_rootLast = 0, m_rootCount = 0;

    std::vector<Block> m_blocks;  // the last one is filled
    bool m_bTailLent = false;     // the last block's end belongs to a reader
    std::size_t m_arenaBytes = 0;
    std::size_t m_deadBytes = 0;
};

inline CComment* CommentList::iterator::operator*() const { return &m_store->Ref(m_id); }
inline CommentList::iterator& CommentList::iterator::operator++() {
    m_id = m_store->Ref(m_id).m_nNext;
    return *this;
}

// Calls f(record, depth) for every record of the forest in document order:
// each root, then its subtree in pre-order. Iterative.
template <class F>
void WalkDocumentOrder(const CommentList& roots, F&& f) {
    if (roots.empty()) return;
    const CCommentStore& store = *roots.Store();
    // The next sibling to come back to, for each ancestor of the record.
    std::vector<std::uint32_t> resume;
    std::uint32_t id = roots.FirstId();
    for (;;) {
        if (id == 0) {
            if (resume.empty()) return;
            id = resume.back();
            resume.pop_back();
            continue;
        }
        CComment& rec = store.Ref(id);
        f(rec, static_cast<int>(resume.size()));
        if (rec.m_nFirst) {
            resume.push_back(rec.m_nNext);
            id = rec.m_nFirst;
        } else {
            id = rec.m_nNext;
        }
    }
}

}  // namespace orv
