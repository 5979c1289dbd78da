// The reading state of the open document: which of its messages are read
// and bookmarked, where the reader stopped, and how many are unread. Held in
// memory (the panes ask it for every row they draw) and written to the store
// in batches: a change waits in memory until Flush, which the viewer calls
// on a timer, so that marking a whole document is one transaction and a
// killed viewer loses at most the changes since the last batch.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/readingstate.h"
#include "readstate/keytable.h"
#include "readstate/statestore.h"

namespace orv {

class CDocReadState : public IReadingState {
public:
    // store may be null or closed: the state is then kept in memory only.
    explicit CDocReadState(CReadStateStore* store) : m_store(store) {}

    // Takes the messages of the document (after it was opened, imported
    // into or pruned). Marks stay. Their keys, which the unread count needs,
    // are taken by CountSome a slice at a time (the viewer does it while
    // idle, so that opening a large document does not wait for them), or
    // at once by whatever needs all of them.
    void SetRecords(const CommentList& roots);
    // Takes the keys of up to n more messages; true when all are taken.
    bool CountSome(std::size_t n);
    // Forgets the messages (not the marks): they are about to be freed or
    // reused (the title tree is being cleared). SetRecords takes them anew.
    void DropRecords();
    bool Counted() const { return m_nCounted == m_records.size(); }
    void CountAll() { CountSome(m_records.size()); }
    // Binds the state to the document saved at path: finds it in the store
    // and loads its marks; marks made before (on a document not yet saved)
    // are kept and written with the next batch. False when the store could
    // not be read; the state then stays in memory.
    bool Attach(const std::string& path);
    bool IsAttached() const { return m_doc != 0; }
    // Forgets the document and its marks (a new document), after writing
    // what waits.
    void Reset();

    bool IsRead(const CComment& rec) const override { return IsRead(KeyOf(rec)); }
    bool IsBookmarked(const CComment& rec) const override {
        return (m_flags.Get(KeyOf(rec)) & kMarkBookmark) != 0;
    }
    bool IsRead(MessageKey key) const { return (m_flags.Get(key) & kMarkRead) != 0; }
    void SetRead(MessageKey key, bool read);
    void SetRead(const CComment& rec, bool read) { SetRead(KeyOf(rec), read); }
    // Every message of the document.
    void SetAllRead(bool read);
    void ToggleBookmark(const CComment& rec);
    void SetLastPosition(const CComment& rec);
    LastPosition GetLastPosition() const { return m_last; }
    // The messages of the document that carry a bookmark.
    std::vector<MessageKey> Bookmarks();
    std::size_t MessageCount() const { return m_records.size(); }
    // Of the messages counted so far (all once Counted()).
    std::size_t UnreadCount() const { return m_nUnread; }

    bool HasPending() const { return !m_dirty.empty() || m_bLastDirty || m_bSampleDirty; }
    // Writes what waits in one transaction. False when that failed (a full
    // disk, a locked file): it then waits for the next batch.
    bool Flush();

private:
    void SetFlags(MessageKey key, std::uint8_t flags);
    void CountUnread();

    CReadStateStore* m_store;
    DocumentId m_doc = 0;
    // The messages, and each message key of the first m_nCounted of them
    // with the number of its records.
    std::vector<const CComment*> m_records;
    std::size_t m_nCounted = 0;
    KeyTable<std::uint32_t> m_docKeys;
    std::size_t m_nUnread = 0;
    // The marks of the document (and any stored keys it no longer holds).
    KeyTable<std::uint8_t> m_flags;
    // Keys whose marks changed since the last batch (value 1).
    KeyTable<std::uint8_t> m_dirty;
    LastPosition m_last;
    bool m_bLastDirty = false, m_bSampleDirty = false;
};

}  // namespace orv
