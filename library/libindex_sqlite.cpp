#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "core/fileio.h"
#include "library/indextext.h"
#include "library/libindex.h"

namespace orv {
namespace {

// Raised to replace the file when its format changes.
constexpr int kFormat = 4;
// A search asks the index for at most this many of its text's terms, the
// rarest: a few rare terms narrow the candidates as well as all of them,
// and a common term costs a long list to read.
constexpr std::size_t kQueryTerms = 3;
// How long a connection waits for another one's lock, in milliseconds.
constexpr int kBusyWait = 10000;
// Messages handed from the folding thread to the writing one at a time.
constexpr std::size_t kFeedBatch = 512;
// Places of messages stored together, in blocks of this many.
constexpr std::uint32_t kPlaceBlock = 256;
// A block's row: its entry times 2^24 plus its number (2^32 messages at
// most make 2^24 blocks). An integer key is found without reading the
// blocks it passes, which a key of two columns over rows this long is not.
std::int64_t PlaceBlockId(std::int64_t entry, std::int64_t block) {
    return entry * (std::int64_t{1} << 24) + block;
}

// The index's tables. Messages: a contentless full-text table of
// three-character terms without positions (the matcher checks every
// candidate against the document, so positions would only cost space),
// given each message's distinct terms ready made (CIndexTermCollector),
// which the tokenizer "orvterms" only splits;
// its rowid is the document's entry id times 2^32 plus the message's
// index in tree order. An entry id is never reused, so the rows of a
// replaced document (a contentless table cannot delete them) belong to no
// entry and are passed over; `waste` counts them. Places: where each
// message starts in its document, in blocks, so that a search reads only
// the blocks of its candidates. Common: per entry, the terms that many of
// its messages hold and how many, so that a search leaves them out.
// The full-text table does not merge its pieces while documents are
// stored; a round of storing ends by merging them into one (`unmerged`
// says that is owed), which costs about what merging as it goes costs and
// leaves a search one piece to read instead of many.
const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER);"
    "CREATE TABLE IF NOT EXISTS docs(id INTEGER PRIMARY KEY AUTOINCREMENT, path BLOB UNIQUE,"
    " device INTEGER, file INTEGER, size INTEGER, modified INTEGER, changed INTEGER,"
    " count INTEGER);"
    "CREATE TABLE IF NOT EXISTS places(id INTEGER PRIMARY KEY, data BLOB);"
    "CREATE TABLE IF NOT EXISTS common(term BLOB, entry INTEGER, n INTEGER,"
    " PRIMARY KEY(term, entry)) WITHOUT ROWID;"
    "CREATE VIRTUAL TABLE IF NOT EXISTS msgs USING fts5(body, content='', detail=none,"
    " tokenize='orvterms');"
    "INSERT INTO msgs(msgs, rank) VALUES('automerge', 0);"
    "INSERT OR IGNORE INTO meta VALUES('format', 4), ('waste', 0), ('unmerged', 0);";

// The tokenizer of the messages table: the text is the terms, each followed
// by a line feed (a search's term has none and is one token).
int TermsCreate(void*, const char**, int, Fts5Tokenizer** out) {
    static int instance;
    *out = reinterpret_cast<Fts5Tokenizer*>(&instance);
    return SQLITE_OK;
}
void TermsDelete(Fts5Tokenizer*) {}
int TermsTokenize(Fts5Tokenizer*, void* ctx, int, const char* text, int size,
                  int (*token)(void*, int, const char*, int, int, int)) {
    int start = 0;
    for (int i = 0; i <= size; ++i) {
        if (i < size && text[i] != kIndexTermSeparator) continue;
        if (i > start)
            if (int rc = token(ctx, 0, text + start, i - start, start, i); rc != SQLITE_OK)
                return rc;
        start = i + 1;
    }
    return SQLITE_OK;
}

bool RegisterTokenizer(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &q, nullptr) != SQLITE_OK) return false;
    sqlite3_bind_pointer(q, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(q);
    sqlite3_finalize(q);
    static fts5_tokenizer tokenizer{TermsCreate, TermsDelete, TermsTokenize};
    return api && api->xCreateTokenizer(api, "orvterms", nullptr, &tokenizer, nullptr) == SQLITE_OK;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool ok() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }
    Statement& Bind(int i, std::int64_t v) {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    Statement& Bind(int i, std::string_view blob) {
        sqlite3_bind_blob(m_stmt, i, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int Step() { return sqlite3_step(m_stmt); }
    void Reset() { sqlite3_reset(m_stmt); }
    std::int64_t Int(int col) const { return sqlite3_column_int64(m_stmt, col); }
    std::string_view Blob(int col) const {
        const void* p = sqlite3_column_blob(m_stmt, col);
        return {static_cast<const char*>(p),
                static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, col))};
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

bool IsDamage(int rc) {
    rc &= 0xFF;
    return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB || rc == SQLITE_FORMAT;
}

std::string PackPlaces(const std::uint64_t* where, std::size_t n) {
    std::string out(n * 8, '\0');
    for (std::size_t i = 0; i < n; ++i)
        for (int b = 0; b < 8; ++b) out[i * 8 + b] = static_cast<char>(where[i] >> (8 * b));
    return out;
}

std::uint64_t PlaceAt(std::string_view block, std::size_t i) {
    std::uint64_t v = 0;
    for (int b = 0; b < 8; ++b)
        v |= std::uint64_t{static_cast<unsigned char>(block[i * 8 + b])} << (8 * b);
    return v;
}

// The size of the file at path: -1 when there is none, kNotAFile when
// something else stands there (a folder, a pipe, a device), which is
// never opened, let alone removed.
constexpr std::int64_t kNotAFile = -2;
std::int64_t FileSize(const std::string& path) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(st)) return -1;
    if (!std::filesystem::is_regular_file(st)) return kNotAFile;
    const std::uintmax_t n = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(n);
}

// Messages folded into their terms, on their way from the folding thread
// to the one that writes them.
struct FeedBatch {
    std::vector<std::string> bodies;
    std::vector<std::uint64_t> where;
};

// The batches between the folding thread and the writer, a few at most so
// that the folding cannot run far ahead.
class BatchQueue {
public:
    // False when the writer gave up: the folding should stop.
    bool Push(FeedBatch&& batch) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_batches.size() < 4 || m_abandoned; });
        if (m_abandoned) return false;
        m_batches.push_back(std::move(batch));
        m_cv.notify_all();
        return true;
    }
    // False once the folding has finished and every batch was taken.
    bool Pop(FeedBatch& batch) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return !m_batches.empty() || m_finished; });
        if (m_batches.empty()) return false;
        batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_cv.notify_all();
        return true;
    }
    void Finish() { Set(m_finished); }
    void Abandon() { Set(m_abandoned); }

private:
    void Set(bool& flag) {
        std::lock_guard<std::mutex> lock(m_mutex);
        flag = true;
        m_cv.notify_all();
    }
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<FeedBatch> m_batches;
    bool m_finished = false, m_abandoned = false;
};

}  // namespace

struct CLibraryIndex::Impl {
    std::string file;
    sqlite3* db = nullptr;
    std::string note;
    // Statements a search runs once per document, prepared once.
    std::unique_ptr<Statement> lookup, places;

    ~Impl() { Close(); }
    void Close() {
        lookup.reset();
        places.reset();
        if (db) sqlite3_close_v2(db);
        db = nullptr;
    }
    Statement& Prepared(std::unique_ptr<Statement>& slot, const char* sql) {
        if (!slot || !slot->ok()) slot = std::make_unique<Statement>(db, sql);
        return *slot;
    }
    bool Exec(const char* sql) { return Failed(sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); }
    // Records a failure; true when rc is success.
    bool Failed(int rc) {
        if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW) return true;
        note = "the library index " + file + " failed: " + sqlite3_errstr(rc);
        if (IsDamage(rc)) Reset();
        return false;
    }
    std::int64_t Meta(const char* key) {
        Statement q(db, "SELECT value FROM meta WHERE key = ?");
        if (!q.ok()) return -1;
        sqlite3_bind_text(q.get(), 1, key, -1, SQLITE_STATIC);
        return q.Step() == SQLITE_ROW ? q.Int(0) : -1;
    }
    // Opens the file, making the tables of a new one. False when it cannot,
    // or when an existing file holds no index (an emptied file included).
    bool Connect() {
        const bool existed = FileSize(file) >= 0;
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            return false;
        sqlite3_busy_timeout(db, kBusyWait);
        if (!RegisterTokenizer(db)) return false;
        bool made = false;
        {
            Statement q(db, "SELECT count(*) FROM sqlite_master WHERE name = 'meta'");
            made = q.ok() && q.Step() == SQLITE_ROW && q.Int(0) == 1;
        }
        if (existed && !made) return false;
        // A new file starts in write-ahead mode for its first indexing;
        // the mode stays in the file (see BeginWriting and EndWriting).
        return sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) ==
                   SQLITE_OK &&
               (made || (sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) ==
                             SQLITE_OK &&
                         sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK));
    }
    // Whether the file is whole: as many pages as the header counts (a
    // truncated file loses pages without the database noticing until one
    // is read) and the format this code writes.
    bool Intact() {
        Statement pages(db, "PRAGMA page_count");
        Statement pageSize(db, "PRAGMA page_size");
        if (!pages.ok() || !pageSize.ok() || pages.Step() != SQLITE_ROW ||
            pageSize.Step() != SQLITE_ROW)
            return false;
        const std::int64_t expected = pages.Int(0) * pageSize.Int(0);
        const std::int64_t size = FileSize(file);
        const std::int64_t wal = FileSize(file + "-wal");
        if (wal > 0 ? size > expected : size != expected) return false;
        if (Meta("format") == kFormat) return true;
        note = "the library index " + file + " is of another version and is made anew";
        return false;
    }
    // Writes the messages the folding thread hands over, noting where each
    // starts.
    bool WriteRows(std::int64_t entry, BatchQueue& queue, std::vector<std::uint64_t>& where);
    // Writes the places of the messages, the common terms and the count.
    bool WritePlaces(std::int64_t entry, const std::vector<std::uint64_t>& where,
                     const CIndexTermCollector& terms);
    // The rarest kQueryTerms of terms, by the common terms' counts.
    std::vector<std::string> Rarest(const std::vector<std::string>& terms);
    // Replaces the file by an empty index.
    void Reset() {
        Close();
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            if (FileSize(file + suffix) >= 0) std::remove((file + suffix).c_str());
        if (note.find("another version") == std::string::npos)
            note = "the library index " + file + " was damaged and is made anew";
        if (!Connect()) Close();
    }
};

CLibraryIndex::CLibraryIndex(std::unique_ptr<Impl> impl) : m(std::move(impl)) {}
CLibraryIndex::~CLibraryIndex() = default;

bool CLibraryIndex::Available() { return true; }

std::string CLibraryIndex::DefaultFile() {
    const std::string folder = CacheFolder();
    return folder.empty() ? std::string() : folder + "/library.sqlite";
}

std::unique_ptr<CLibraryIndex> CLibraryIndex::Open(const std::string& file, std::string& note) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        if (FileSize(file + suffix) == kNotAFile) {
            note = "cannot use the library index " + file + suffix + ": not a regular file";
            return nullptr;
        }
    }
    auto impl = std::make_unique<Impl>();
    impl->file = file;
    if (const std::size_t slash = file.find_last_of("/\\"); slash != std::string::npos && slash > 0)
        MakeFolders(file.substr(0, slash));
    if (!impl->Connect() || !impl->Intact()) impl->Reset();
    note = impl->note;
    if (!impl->db) {
        note = "cannot open the library index " + file;
        return nullptr;
    }
    return std::unique_ptr<CLibraryIndex>(new CLibraryIndex(std::move(impl)));
}

bool CLibraryIndex::Lookup(const std::string& realPath, const DocIdentity& id, Entry& out) {
    if (!m->db) return false;
    Statement& q = m->Prepared(
        m->lookup,
        "SELECT id, device, file, size, modified, changed, count FROM docs WHERE path = ?");
    if (!q.ok()) return m->Failed(sqlite3_errcode(m->db)) && false;
    q.Bind(1, realPath);
    const int rc = q.Step();
    Entry found;
    DocIdentity stored;
    if (rc == SQLITE_ROW) {
        stored = {static_cast<std::uint64_t>(q.Int(1)), static_cast<std::uint64_t>(q.Int(2)),
                  static_cast<std::uint64_t>(q.Int(3)), q.Int(4), q.Int(5)};
        found = {q.Int(0), static_cast<std::uint32_t>(q.Int(6))};
    }
    q.Reset();  // a statement left running would keep the file's read lock
    if (rc != SQLITE_ROW) return m->Failed(rc) && false;
    if (!(stored == id)) return false;
    out = found;
    return true;
}

bool CLibraryIndex::Places(std::int64_t id, const std::vector<std::uint32_t>& ordinals,
                           std::vector<std::uint64_t>& where) {
    where.clear();
    if (!m->db) return false;
    Statement& q = m->Prepared(m->places, "SELECT data FROM places WHERE id = ?");
    if (!q.ok()) return m->Failed(sqlite3_errcode(m->db));
    std::string block;
    std::int64_t loaded = -1;
    for (std::uint32_t ordinal : ordinals) {
        const std::int64_t b = ordinal / kPlaceBlock;
        if (b != loaded) {
            q.Bind(1, PlaceBlockId(id, b));
            const int rc = q.Step();
            if (rc == SQLITE_ROW) block.assign(q.Blob(0));
            q.Reset();
            if (rc != SQLITE_ROW) return m->Failed(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
            loaded = b;
        }
        const std::size_t i = ordinal % kPlaceBlock;
        if ((i + 1) * 8 > block.size()) return m->Failed(SQLITE_CORRUPT);
        where.push_back(PlaceAt(block, i));
    }
    return true;
}

std::vector<std::string> CLibraryIndex::Impl::Rarest(const std::vector<std::string>& terms) {
    if (terms.size() <= kQueryTerms) return terms;
    Statement q(db, "SELECT coalesce(sum(n), 0) FROM common WHERE term = ?");
    if (!q.ok()) return terms;
    std::vector<std::pair<std::int64_t, std::size_t>> counts;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        q.Bind(1, terms[i]);
        counts.emplace_back(q.Step() == SQLITE_ROW ? q.Int(0) : 0, i);
        q.Reset();
    }
    std::stable_sort(counts.begin(), counts.end());
    std::vector<std::string> rarest;
    for (std::size_t k = 0; k < kQueryTerms; ++k) rarest.push_back(terms[counts[k].second]);
    return rarest;
}

bool CLibraryIndex::Candidates(const std::vector<std::string>& terms,
                               const std::unordered_set<std::int64_t>& ids,
                               std::unordered_map<std::int64_t, std::vector<std::uint32_t>>& out) {
    if (!m->db || terms.empty()) return false;
    std::string match;
    for (const std::string& term : m->Rarest(terms)) {
        if (!match.empty()) match += " AND ";
        match += '"';
        for (char c : term) {
            if (c == '"') match += '"';
            match += c;
        }
        match += '"';
    }
    Statement q(m->db, "SELECT rowid FROM msgs WHERE msgs MATCH ?");
    if (!q.ok()) return m->Failed(sqlite3_errcode(m->db));
    sqlite3_bind_text(q.get(), 1, match.data(), static_cast<int>(match.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW) {
        const std::int64_t rowid = q.Int(0);
        const std::int64_t entry = rowid >> 32;
        if (ids.count(entry)) out[entry].push_back(static_cast<std::uint32_t>(rowid & 0xFFFFFFFF));
    }
    return m->Failed(rc);
}

// Runs scan on a thread of its own, folding each message into its terms
// there, and hands the batches to the caller's thread through queue.
// False when the document could not be read (or memory ran out).
static std::thread StartFolding(const std::function<bool(const CLibraryIndex::Feed&)>& scan,
                                CIndexTermCollector& terms, BatchQueue& queue, bool& scanned) {
    return std::thread([&scan, &terms, &queue, &scanned] {
        try {
            FeedBatch batch;
            scanned = scan([&](const ScannedRecord& rec) {
                batch.bodies.emplace_back();
                terms.AddMessage({rec.title, rec.author, rec.id, rec.text}, batch.bodies.back());
                batch.where.push_back(rec.where);
                return batch.where.size() < kFeedBatch || queue.Push(std::exchange(batch, {}));
            });
            if (scanned && !batch.where.empty()) scanned = queue.Push(std::move(batch));
        } catch (const std::bad_alloc&) {
            scanned = false;
        }
        queue.Finish();
    });
}

bool CLibraryIndex::Impl::WriteRows(std::int64_t entry, BatchQueue& queue,
                                    std::vector<std::uint64_t>& where) {
    Statement row(db, "INSERT INTO msgs(rowid, body) VALUES(?, ?)");
    bool ok = row.ok();
    FeedBatch batch;
    while (queue.Pop(batch)) {
        for (std::size_t i = 0; ok && i < batch.where.size(); ++i) {
            const std::string& body = batch.bodies[i];
            row.Bind(1, (entry << 32) | static_cast<std::int64_t>(where.size()));
            sqlite3_bind_text(row.get(), 2, body.data(), static_cast<int>(body.size()),
                              SQLITE_STATIC);
            ok = Failed(row.Step()) && where.size() + 1 < (std::uint64_t{1} << 32);
            row.Reset();
            where.push_back(batch.where[i]);
        }
        if (!ok) queue.Abandon();
    }
    return ok;
}

bool CLibraryIndex::Impl::WritePlaces(std::int64_t entry, const std::vector<std::uint64_t>& where,
                                      const CIndexTermCollector& terms) {
    Statement place(db, "INSERT INTO places(id, data) VALUES(?, ?)");
    Statement common(db, "INSERT INTO common(term, entry, n) VALUES(?, ?, ?)");
    Statement done(db, "UPDATE docs SET count = ? WHERE id = ?");
    bool ok = place.ok() && common.ok() && done.ok();
    for (std::size_t b = 0; ok && b * kPlaceBlock < where.size(); ++b) {
        const std::size_t n = std::min<std::size_t>(kPlaceBlock, where.size() - b * kPlaceBlock);
        place.Bind(1, PlaceBlockId(entry, static_cast<std::int64_t>(b)));
        place.Bind(2, PackPlaces(where.data() + b * kPlaceBlock, n));
        ok = Failed(place.Step());
        place.Reset();
    }
    // A term is common when one message in a few thousand holds it.
    terms.ForCommon(std::max<std::uint32_t>(32, terms.Messages() / 4096),
                    [&](const std::string& term, std::uint32_t n) {
                        if (!ok) return;
                        common.Bind(1, term).Bind(2, entry).Bind(3, std::int64_t{n});
                        ok = Failed(common.Step());
                        common.Reset();
                    });
    return ok &&
           Failed(done.Bind(1, static_cast<std::int64_t>(where.size())).Bind(2, entry).Step());
}

bool CLibraryIndex::Store(const std::string& realPath, const DocIdentity& id,
                          const std::function<bool(const Feed&)>& scan) {
    if (!m->db || !m->Exec("BEGIN IMMEDIATE")) return false;
    bool ok = Forget(realPath);  // its messages' rows become waste
    Statement add(m->db,
                  "INSERT INTO docs(path, device, file, size, modified, changed, count)"
                  " VALUES(?, ?, ?, ?, ?, ?, 0)");
    ok = ok && add.ok();
    add.Bind(1, realPath).Bind(2, static_cast<std::int64_t>(id.device));
    add.Bind(3, static_cast<std::int64_t>(id.file)).Bind(4, static_cast<std::int64_t>(id.size));
    add.Bind(5, id.modified).Bind(6, id.changed);
    ok = ok && m->Failed(add.Step());
    const std::int64_t entry = sqlite3_last_insert_rowid(m->db);
    std::vector<std::uint64_t> where;
    if (ok) {
        // One thread reads and folds while this one writes.
        CIndexTermCollector terms;
        BatchQueue queue;
        bool scanned = false;
        std::thread folding = StartFolding(scan, terms, queue, scanned);
        ok = m->WriteRows(entry, queue, where);
        folding.join();
        ok = ok && scanned && m->WritePlaces(entry, where, terms) &&
             m->Exec("UPDATE meta SET value = 1 WHERE key = 'unmerged'");
    }
    if (!ok || !m->Exec("COMMIT")) {
        if (m->db) sqlite3_exec(m->db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

void CLibraryIndex::BeginWriting() {
    if (m->db) sqlite3_exec(m->db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
}

void CLibraryIndex::EndWriting(bool merge) {
    if (!m->db) return;
    if (merge && m->Meta("unmerged") == 1 &&
        !m->Exec("BEGIN IMMEDIATE; INSERT INTO msgs(msgs) VALUES('optimize');"
                 " UPDATE meta SET value = 0 WHERE key = 'unmerged'; COMMIT;") &&
        m->db)
        sqlite3_exec(m->db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (!m->db) return;
    // Leaving the log needs the file to itself: no waiting for a search
    // that has it open (the mode then stays, and searches still work).
    sqlite3_busy_timeout(m->db, 0);
    sqlite3_exec(m->db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(m->db, kBusyWait);
}

bool CLibraryIndex::Check() {
    if (!m->db) return false;
    bool intact = false;
    {
        Statement q(m->db, "PRAGMA quick_check");
        intact = q.ok() && q.Step() == SQLITE_ROW && q.Blob(0) == "ok";
    }
    intact =
        intact && sqlite3_exec(m->db, "INSERT INTO msgs(msgs, rank) VALUES('integrity-check', 0)",
                               nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!intact) m->Reset();
    return intact;
}

std::vector<std::string> CLibraryIndex::Paths() {
    std::vector<std::string> out;
    if (!m->db) return out;
    Statement q(m->db, "SELECT path FROM docs ORDER BY path");
    while (q.ok() && q.Step() == SQLITE_ROW) out.emplace_back(q.Blob(0));
    return out;
}

bool CLibraryIndex::Forget(const std::string& realPath) {
    if (!m->db) return false;
    Statement waste(m->db,
                    "UPDATE meta SET value = value + (SELECT coalesce(sum(count), 0) FROM docs"
                    " WHERE path = ?1) WHERE key = 'waste'");
    Statement places(
        m->db,
        "DELETE FROM places WHERE id >= (SELECT id FROM docs WHERE path = ?1) * 16777216"
        " AND id < ((SELECT id FROM docs WHERE path = ?1) + 1) * 16777216");
    Statement common(m->db,
                     "DELETE FROM common WHERE entry IN (SELECT id FROM docs WHERE path = ?)");
    Statement del(m->db, "DELETE FROM docs WHERE path = ?");
    if (!waste.ok() || !places.ok() || !common.ok() || !del.ok())
        return m->Failed(sqlite3_errcode(m->db));
    return m->Failed(waste.Bind(1, realPath).Step()) &&
           m->Failed(places.Bind(1, realPath).Step()) &&
           m->Failed(common.Bind(1, realPath).Step()) && m->Failed(del.Bind(1, realPath).Step());
}

bool CLibraryIndex::Wasteful() {
    if (!m->db) return false;
    Statement q(m->db, "SELECT coalesce(sum(count), 0) FROM docs");
    const std::int64_t live = q.ok() && q.Step() == SQLITE_ROW ? q.Int(0) : 0;
    return m->Meta("waste") > live;
}

bool CLibraryIndex::Clear() {
    return m->db && m->Exec(
                        "BEGIN IMMEDIATE; DELETE FROM docs; DELETE FROM places; DELETE FROM common;"
                        " INSERT INTO msgs(msgs) VALUES('delete-all');"
                        " UPDATE meta SET value = 0 WHERE key = 'waste'; COMMIT;");
}

const std::string& CLibraryIndex::note() const { return m->note; }

}  // namespace orv
