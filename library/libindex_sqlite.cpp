#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/fileio.h"
#include "library/indextext.h"
#include "library/libindex.h"

namespace orv {
namespace {

// Raised to replace the file when its format changes.
constexpr int kFormat = 2;
// Places of messages stored together, in blocks of this many.
constexpr std::uint32_t kPlaceBlock = 256;

// The index's tables. Messages: a contentless full-text table of
// three-character terms without positions (the matcher checks every
// candidate against the document, so positions would only cost space);
// its rowid is the document's entry id times 2^32 plus the message's
// index in tree order. An entry id is never reused, so the rows of a
// replaced document (a contentless table cannot delete them) belong to no
// entry and are passed over; `waste` counts them. Places: where each
// message starts in its document, in blocks, so that a search reads only
// the blocks of its candidates.
const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER);"
    "CREATE TABLE IF NOT EXISTS docs(id INTEGER PRIMARY KEY AUTOINCREMENT, path BLOB UNIQUE,"
    " device INTEGER, file INTEGER, size INTEGER, modified INTEGER, changed INTEGER,"
    " count INTEGER);"
    "CREATE TABLE IF NOT EXISTS places(entry INTEGER, block INTEGER, data BLOB,"
    " PRIMARY KEY(entry, block)) WITHOUT ROWID;"
    "CREATE VIRTUAL TABLE IF NOT EXISTS msgs USING fts5(body, content='', detail=none,"
    " tokenize='trigram case_sensitive 1');"
    "INSERT OR IGNORE INTO meta VALUES('format', 2), ('waste', 0);";

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
        return {static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, col))};
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
    for (int b = 0; b < 8; ++b) v |= std::uint64_t{static_cast<unsigned char>(block[i * 8 + b])} << (8 * b);
    return v;
}

std::int64_t FileSize(const std::string& path) {
    std::FILE* f = OpenFile(path, "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

}  // namespace

struct CLibraryIndex::Impl {
    std::string file;
    sqlite3* db = nullptr;
    std::string note;

    ~Impl() { Close(); }
    void Close() {
        if (db) sqlite3_close_v2(db);
        db = nullptr;
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
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK)
            return false;
        sqlite3_busy_timeout(db, 10000);
        bool made = false;
        {
            Statement q(db, "SELECT count(*) FROM sqlite_master WHERE name = 'meta'");
            made = q.ok() && q.Step() == SQLITE_ROW && q.Int(0) == 1;
        }
        if (existed && !made) return false;
        // A search only reads: the tables are written once, when the file
        // is new, and the journal mode stays in the file.
        return sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) == SQLITE_OK &&
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
    // Replaces the file by an empty index.
    void Reset() {
        Close();
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((file + suffix).c_str());
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
    Statement q(m->db,
                "SELECT id, device, file, size, modified, changed, count FROM docs WHERE path = ?");
    if (!q.ok()) return m->Failed(sqlite3_errcode(m->db)) && false;
    q.Bind(1, realPath);
    const int rc = q.Step();
    if (rc != SQLITE_ROW) return m->Failed(rc) && false;
    const DocIdentity stored{static_cast<std::uint64_t>(q.Int(1)), static_cast<std::uint64_t>(q.Int(2)),
                             static_cast<std::uint64_t>(q.Int(3)), q.Int(4), q.Int(5)};
    if (!(stored == id)) return false;
    out.id = q.Int(0);
    out.count = static_cast<std::uint32_t>(q.Int(6));
    return true;
}

bool CLibraryIndex::Places(std::int64_t id, const std::vector<std::uint32_t>& ordinals,
                           std::vector<std::uint64_t>& where) {
    where.clear();
    if (!m->db) return false;
    Statement q(m->db, "SELECT data FROM places WHERE entry = ? AND block = ?");
    if (!q.ok()) return m->Failed(sqlite3_errcode(m->db));
    std::string block;
    std::int64_t loaded = -1;
    for (std::uint32_t ordinal : ordinals) {
        const std::int64_t b = ordinal / kPlaceBlock;
        if (b != loaded) {
            q.Reset();
            q.Bind(1, id).Bind(2, b);
            const int rc = q.Step();
            if (rc != SQLITE_ROW) return m->Failed(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
            block.assign(q.Blob(0));
            loaded = b;
        }
        const std::size_t i = ordinal % kPlaceBlock;
        if ((i + 1) * 8 > block.size()) return m->Failed(SQLITE_CORRUPT);
        where.push_back(PlaceAt(block, i));
    }
    return true;
}

bool CLibraryIndex::Candidates(const std::vector<std::string>& terms,
                               const std::unordered_set<std::int64_t>& ids,
                               std::unordered_map<std::int64_t, std::vector<std::uint32_t>>& out) {
    if (!m->db || terms.empty()) return false;
    std::string match;
    for (const std::string& term : terms) {
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

bool CLibraryIndex::Store(const std::string& realPath, const DocIdentity& id,
                          const std::function<bool(const Feed&)>& scan) {
    if (!m->db || !m->Exec("BEGIN IMMEDIATE")) return false;
    bool ok = Forget(realPath);  // its messages' rows become waste
    Statement add(m->db,
                  "INSERT INTO docs(path, device, file, size, modified, changed, count)"
                  " VALUES(?, ?, ?, ?, ?, ?, 0)");
    Statement row(m->db, "INSERT INTO msgs(rowid, body) VALUES(?, ?)");
    Statement done(m->db, "UPDATE docs SET count = ? WHERE id = ?");
    Statement place(m->db, "INSERT INTO places(entry, block, data) VALUES(?, ?, ?)");
    ok = ok && add.ok() && row.ok() && done.ok() && place.ok();
    add.Bind(1, realPath).Bind(2, static_cast<std::int64_t>(id.device));
    add.Bind(3, static_cast<std::int64_t>(id.file)).Bind(4, static_cast<std::int64_t>(id.size));
    add.Bind(5, id.modified).Bind(6, id.changed);
    ok = ok && m->Failed(add.Step());
    const std::int64_t entry = sqlite3_last_insert_rowid(m->db);
    std::vector<std::uint64_t> where;
    std::vector<FoldKey> scratch;
    std::string body;
    ok = ok && scan([&](const ScannedRecord& rec) {
        body.clear();
        for (std::string_view field : {rec.title, rec.author, rec.id, rec.text}) {
            AppendIndexText(field, scratch, body);
            body += kIndexFieldSeparator;
        }
        row.Bind(1, (entry << 32) | static_cast<std::int64_t>(where.size()));
        sqlite3_bind_text(row.get(), 2, body.data(), static_cast<int>(body.size()), SQLITE_STATIC);
        const bool stored = m->Failed(row.Step());
        row.Reset();
        where.push_back(rec.where);
        return stored && where.size() < (std::uint64_t{1} << 32);
    });
    for (std::size_t b = 0; ok && b * kPlaceBlock < where.size(); ++b) {
        const std::size_t n = std::min<std::size_t>(kPlaceBlock, where.size() - b * kPlaceBlock);
        place.Bind(1, entry).Bind(2, static_cast<std::int64_t>(b));
        place.Bind(3, PackPlaces(where.data() + b * kPlaceBlock, n));
        ok = m->Failed(place.Step());
        place.Reset();
    }
    ok = ok && m->Failed(done.Bind(1, static_cast<std::int64_t>(where.size())).Bind(2, entry).Step());
    if (!ok || !m->Exec("COMMIT")) {
        if (m->db) sqlite3_exec(m->db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

bool CLibraryIndex::Check() {
    if (!m->db) return false;
    bool intact = false;
    {
        Statement q(m->db, "PRAGMA quick_check");
        intact = q.ok() && q.Step() == SQLITE_ROW && q.Blob(0) == "ok";
    }
    intact = intact && sqlite3_exec(m->db, "INSERT INTO msgs(msgs, rank) VALUES('integrity-check', 0)",
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
    Statement places(m->db, "DELETE FROM places WHERE entry IN (SELECT id FROM docs WHERE path = ?)");
    Statement del(m->db, "DELETE FROM docs WHERE path = ?");
    if (!waste.ok() || !places.ok() || !del.ok()) return m->Failed(sqlite3_errcode(m->db));
    return m->Failed(waste.Bind(1, realPath).Step()) && m->Failed(places.Bind(1, realPath).Step()) &&
           m->Failed(del.Bind(1, realPath).Step());
}

bool CLibraryIndex::Wasteful() {
    if (!m->db) return false;
    Statement q(m->db, "SELECT coalesce(sum(count), 0) FROM docs");
    const std::int64_t live = q.ok() && q.Step() == SQLITE_ROW ? q.Int(0) : 0;
    return m->Meta("waste") > live;
}

bool CLibraryIndex::Clear() {
    return m->db && m->Exec("BEGIN IMMEDIATE; DELETE FROM docs; DELETE FROM places;"
                            " INSERT INTO msgs(msgs) VALUES('delete-all');"
                            " UPDATE meta SET value = 0 WHERE key = 'waste'; COMMIT;");
}

const std::string& CLibraryIndex::note() const { return m->note; }

}  // namespace orv
