#include "readstate/docreadstate.h"

#include <algorithm>

namespace orv {

std::vector<MessageKey> CReadStateStore::SampleOf(const KeyTable<std::uint32_t>& docKeys) {
    std::vector<MessageKey> keys;
    keys.reserve(docKeys.size());
    docKeys.ForEach([&](MessageKey k, std::uint32_t) { keys.push_back(k); });
    const std::size_t n = std::min(kSampleSize, keys.size());
    std::partial_sort(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(n), keys.end());
    keys.resize(n);
    return keys;
}

void CDocReadState::SetRecords(const CommentList& roots) {
    m_records.clear();
    WalkDocumentOrder(roots, [&](CComment& rec, int) { m_records.push_back(&rec); });
    m_docKeys.clear();
    m_docKeys.Reserve(m_records.size());
    m_nCounted = 0;
    m_nUnread = 0;
    m_bSampleDirty = !m_records.empty();
}

bool CDocReadState::CountSome(std::size_t n) {
    const std::size_t end = std::min(m_records.size(), m_nCounted + n);
    for (; m_nCounted < end; ++m_nCounted) {
        const MessageKey key = KeyOf(*m_records[m_nCounted]);
        ++m_docKeys[key];
        if (!IsRead(key)) ++m_nUnread;
    }
    return Counted();
}

void CDocReadState::DropRecords() {
    m_records.clear();
    m_nCounted = 0;
    m_docKeys.clear();
    m_nUnread = 0;
}

void CDocReadState::CountUnread() {
    m_nUnread = 0;
    m_docKeys.ForEach([&](MessageKey k, std::uint32_t n) {
        if (!IsRead(k)) m_nUnread += n;
    });
}

bool CDocReadState::Attach(const std::string& path) {
    if (!m_store || !m_store->IsOpen()) return false;
    const DocumentId doc = m_store->FindDocument(path, [this]() -> const KeyTable<std::uint32_t>& {
        CountAll();
        return m_docKeys;
    });
    std::vector<StoredMark> stored;
    LastPosition last;
    if (doc == 0 || !m_store->Load(doc, stored, last)) return false;
    m_doc = doc;
    // What was marked before the document had a file wins over the store.
    m_flags.Reserve(m_flags.size() + stored.size());
    for (const StoredMark& m : stored)
        if (!m_dirty.Find(m.key)) m_flags[m.key] = m.flags;
    if (!m_bLastDirty) m_last = last;
    CountUnread();
    m_bSampleDirty = !m_records.empty();
    return true;
}

void CDocReadState::Reset() {
    Flush();
    m_doc = 0;
    m_records.clear();
    m_nCounted = 0;
    m_docKeys.clear();
    m_flags.clear();
    m_dirty.clear();
    m_last = {};
    m_nUnread = 0;
    m_bLastDirty = m_bSampleDirty = false;
}

void CDocReadState::SetFlags(MessageKey key, std::uint8_t flags) {
    std::uint8_t* cur = m_flags.Find(key);
    const std::uint8_t old = cur ? *cur : 0;
    if (old == flags) return;
    if (cur)
        *cur = flags;
    else
        m_flags[key] = flags;
    m_dirty[key] = 1;
    if (((old ^ flags) & kMarkRead) == 0) return;
    if (const std::uint32_t* n = m_docKeys.Find(key)) {
        if (flags & kMarkRead)
            m_nUnread -= *n;
        else
            m_nUnread += *n;
    }
}

void CDocReadState::SetRead(MessageKey key, bool read) {
    const std::uint8_t old = m_flags.Get(key);
    SetFlags(key, read ? (old | kMarkRead) : (old & ~kMarkRead));
}

void CDocReadState::SetAllRead(bool read) {
    CountAll();
    m_flags.Reserve(m_flags.size() + m_docKeys.size());
    m_dirty.Reserve(m_dirty.size() + m_docKeys.size());
    m_docKeys.ForEach([&](MessageKey k, std::uint32_t) { SetRead(k, read); });
}

void CDocReadState::ToggleBookmark(const CComment& rec) {
    const MessageKey key = KeyOf(rec);
    SetFlags(key, m_flags.Get(key) ^ kMarkBookmark);
}

void CDocReadState::SetLastPosition(const CComment& rec) {
    const MessageKey key = KeyOf(rec);
    if (m_last.has && m_last.key == key) return;
    m_last = {true, key};
    m_bLastDirty = true;
}

std::vector<MessageKey> CDocReadState::Bookmarks() {
    CountAll();
    std::vector<MessageKey> keys;
    m_flags.ForEach([&](MessageKey k, std::uint8_t f) {
        if ((f & kMarkBookmark) && m_docKeys.Find(k)) keys.push_back(k);
    });
    return keys;
}

bool CDocReadState::Flush() {
    if (m_doc == 0 || !HasPending()) return true;
    if (m_dirty.empty() && !m_bLastDirty && !(Counted() && !m_records.empty())) return true;
    std::vector<StoredMark> changes;
    changes.reserve(m_dirty.size());
    m_dirty.ForEach([&](MessageKey k, std::uint8_t) { changes.push_back({k, m_flags.Get(k)}); });
    // The sample waits until every key is taken (the records may be gone:
    // a batch written as the window closes counts nothing).
    const bool withSample = m_bSampleDirty && Counted() && !m_records.empty();
    std::vector<MessageKey> sample;
    if (withSample) sample = CReadStateStore::SampleOf(m_docKeys);
    if (!m_store->Write(m_doc, changes, m_last, withSample ? &sample : nullptr)) return false;
    m_dirty.clear();
    m_bLastDirty = false;
    if (withSample) m_bSampleDirty = false;
    return true;
}

}  // namespace orv
