// The reading state of every document the user has opened: one SQLite file
// in the user's data folder ($XDG_DATA_HOME/orv, else ~/.local/share/orv;
// the roaming application-data folder on Windows). It is user data, not a
// cache: every write is one transaction in write-ahead-log mode, so a killed
// program or a second viewer on the same file leaves it whole, and a file
// that turns out damaged is set aside under a new name, never emptied.
//
// A document is found by its path; a document that was moved or copied is
// found by the stored document whose sample of message keys this document
// holds the most of. A build without SQLite (the Windows cross-build) has
// the same interface with reading state off: Open answers Unavailable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/readingstate.h"
#include "readstate/keytable.h"

namespace orv {

enum MarkFlag : std::uint8_t {
    kMarkRead = 1,
    kMarkBookmark = 2,
};

struct StoredMark {
    MessageKey key = 0;
    std::uint8_t flags = 0;  // MarkFlag bits; 0 removes the mark
};

// The last message selected in a document.
struct LastPosition {
    bool has = false;
    MessageKey key = 0;
};

using DocumentId = std::int64_t;

class CReadStateStore {
public:
    enum class OpenEnd {
        Ok,
        // The file was damaged: it was set aside (SetAsidePath) and a new
        // one made.
        Recreated,
        // The file cannot be opened or made (a read-only folder, no file
        // but a folder or a pipe in its place, a full disk, locked): the
        // state stays in memory for this run. LastError says why.
        Failed,
        // This build keeps no reading state.
        Unavailable,
    };

    CReadStateStore();
    ~CReadStateStore();
    CReadStateStore(const CReadStateStore&) = delete;
    CReadStateStore& operator=(const CReadStateStore&) = delete;

    static bool Available();
    // The state file's path in the user's data folder (see above).
    static std::string DefaultPath();

    OpenEnd Open(const std::string& path);
    void Close();
    bool IsOpen() const;
    const std::string& Path() const { return m_path; }
    const std::string& SetAsidePath() const { return m_setAside; }
    const std::string& LastError() const { return m_error; }

    // The document stored for docPath (made absolute), else the one whose
    // key sample docKeys holds at least half of and the most of: a moved
    // document takes that record over, a copy gets a copy of its state. A
    // new record when nothing matches. 0 on failure. docKeys is called only
    // when the path is not known (taking every key costs time).
    using KeysOfDocument = std::function<const KeyTable<std::uint32_t>&()>;
    DocumentId FindDocument(const std::string& docPath, const KeysOfDocument& docKeys);
    bool Load(DocumentId doc, std::vector<StoredMark>& marks, LastPosition& last);
    // One transaction: the changed marks, the last position and, when given,
    // the document's new key sample.
    bool Write(DocumentId doc, const std::vector<StoredMark>& changes, const LastPosition& last,
               const std::vector<MessageKey>* sample);

    // How many keys a document's sample holds.
    static constexpr std::size_t kSampleSize = 64;
    // The sample of a document: its kSampleSize smallest keys, which, the
    // keys being well mixed, two versions of a document largely share.
    static std::vector<MessageKey> SampleOf(const KeyTable<std::uint32_t>& docKeys);

private:
    struct Db;
    std::unique_ptr<Db> m_db;
    std::string m_path, m_setAside, m_error;
};

}  // namespace orv
