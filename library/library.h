// A library: every ".mld" document below a list of folders and files,
// searched as one. Each document is searched with the engine's matcher, as
// find all searches it; the index (libindex.h) only narrows down which
// messages of a document are looked at, and only for a document whose
// identity is the one indexed. Documents are searched in parallel.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "library/libindex.h"

namespace orv {

struct LibraryDoc {
    std::string path;      // as found (UTF-8): a given path, or one below a given folder
    std::string realPath;  // with every link resolved; what the index and the order use
};

// A document (or folder) that could not be searched, and why; the caller
// words it.
struct LibraryProblem {
    enum class Kind { CannotOpen, Malformed, BadSchema, ReadError, OutOfMemory };
    std::string path;
    Kind kind = Kind::CannotOpen;
    int err = 0;  // the system's error number for CannotOpen and ReadError
};

struct LibraryDocs {
    std::vector<LibraryDoc> docs;  // each document once, by real path bytewise
    std::vector<LibraryProblem> problems;
};

// The documents below paths: a file is taken as it is, a folder gives the
// files ending in ".mld" (any letter case) anywhere below it. A document
// reached more than once keeps the first path that reached it.
LibraryDocs CollectDocuments(const std::vector<std::string>& paths);

struct LibraryHit {
    std::size_t doc = 0;        // index into the documents searched
    std::uint32_t ordinal = 0;  // the message's place in tree order
    std::int32_t number = 0;
    std::string title, author, dateTime;  // CP932
};

struct LibraryQuery {
    std::string text;  // CP932
    std::uint32_t option = 0;
    bool useIndex = true;
};

struct LibraryResult {
    bool badText = false;  // empty, or too long for a search (message 60104)
    bool stopped = false;
    std::vector<LibraryHit> hits;  // by document, then tree order
    std::vector<LibraryProblem> problems;
    std::string note;           // about the index, when it failed or was repaired
    std::size_t fromIndex = 0;  // documents answered through the index
};

// Optional: called from the searching threads as documents finish (done of
// total); set stop to end early (the result then says stopped).
struct LibraryProgress {
    std::function<void(std::size_t done, std::size_t total)> step;
    const std::atomic<bool>* stop = nullptr;
};

// Searches docs for query. index may be null (every document searched
// directly); a failing index is given up for the rest of the search.
LibraryResult FindInLibrary(const std::vector<LibraryDoc>& docs, const LibraryQuery& query,
                            CLibraryIndex* index, const LibraryProgress& progress = {});

struct IndexReport {
    std::size_t indexed = 0;  // documents read into the index
    std::size_t current = 0;  // documents whose entry was already current
    std::vector<LibraryProblem> problems;
    // The index could not be written (a full disk, a read-only folder):
    // indexing stopped there, the index's note says why.
    bool indexFailed = false;
};

// Checks the index (a damaged one is made anew), then brings the entries
// of docs up to date, one document after another; forgets documents of
// the index that no longer exist, and rebuilds the whole index when
// replaced entries fill most of it.
IndexReport RefreshIndex(const std::vector<LibraryDoc>& docs, CLibraryIndex& index,
                         const LibraryProgress& progress = {});

// The number of threads that search documents side by side.
unsigned SearchThreads(std::size_t docs);

}  // namespace orv
