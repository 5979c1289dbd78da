// The library index: for every indexed document, its identity and where
// each message starts, and the folded text of every message (see
// indextext.h) in a full-text table of three-character terms. It is a
// cache in the user's cache folder: deleting it loses nothing, and a
// document whose identity changed is never answered from it. One
// implementation on an embedded database (libindex_sqlite.cpp), one for
// builds without it (libindex_none.cpp), where every document is searched
// directly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "library/docidentity.h"
#include "library/docscan.h"

namespace orv {

class CLibraryIndex {
public:
    ~CLibraryIndex();
    CLibraryIndex(const CLibraryIndex&) = delete;
    CLibraryIndex& operator=(const CLibraryIndex&) = delete;

    // Whether this build has an index at all.
    static bool Available();
    // The index file: $XDG_CACHE_HOME/orv (else ~/.cache/orv) on Linux, the
    // local application-data folder's orv on Windows; library.sqlite there.
    static std::string DefaultFile();

    // Opens the index at file, creating it and its folder when missing. A
    // file that is not an intact index (truncated, damaged, of another
    // format) is replaced by an empty one, and note says so. Null when the
    // build has no index or the file cannot be made (note says why).
    static std::unique_ptr<CLibraryIndex> Open(const std::string& file, std::string& note);

    struct Entry {
        std::int64_t id = 0;
        std::uint32_t count = 0;  // messages
    };
    // The entry of the document at realPath if it was indexed with exactly
    // this identity; false when there is none or it is stale.
    bool Lookup(const std::string& realPath, const DocIdentity& identity, Entry& out);

    // The messages of the entries ids whose index text holds every term:
    // per entry id, the messages' indices in tree order, ascending. False on failure
    // (then note() says why, and the caller searches directly).
    bool Candidates(const std::vector<std::string>& terms,
                    const std::unordered_set<std::int64_t>& ids,
                    std::unordered_map<std::int64_t, std::vector<std::uint32_t>>& out);

    // The places (ScannedRecord::where) of the messages ordinals (ascending)
    // of entry id.
    bool Places(std::int64_t id, const std::vector<std::uint32_t>& ordinals,
                std::vector<std::uint64_t>& where);

    // Replaces the entry of the document at realPath with what scan feeds
    // to its argument, in one transaction. scan returns false when the
    // document could not be read; nothing is changed then.
    using Feed = std::function<bool(const ScannedRecord&)>;
    bool Store(const std::string& realPath, const DocIdentity& identity,
               const std::function<bool(const Feed&)>& scan);

    // Around a round of Store calls: the file is written in write-ahead
    // mode, so that searches read while it grows, and left in the plain
    // journal mode afterwards, so that a search opens it without making
    // the log and shared-memory files beside it (when another connection
    // holds the file, the mode stays as it was). With merge, what was
    // stored is first merged into one piece for searches to read; a round
    // that was stopped leaves that to the next one.
    void BeginWriting();
    void EndWriting(bool merge);

    // Reads the whole index to check it; one that is damaged is made anew
    // (empty, with a note). Damage that a search meets is found then, but
    // bytes garbled inside the term lists can only be found this way.
    bool Check();

    // Every indexed document's real path.
    std::vector<std::string> Paths();
    // Forgets the document at realPath.
    bool Forget(const std::string& realPath);
    // Whether the table holds more messages of replaced documents than of
    // current ones (then Clear and indexing anew makes it small again).
    bool Wasteful();
    // Forgets every document.
    bool Clear();

    // The last failure or repair, for the user; empty when there is none.
    const std::string& note() const;

private:
    struct Impl;
    explicit CLibraryIndex(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m;
};

}  // namespace orv
