// The reading-state store on SQLite.
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>

#include "readstate/statestore.h"

namespace orv {

namespace {

// Marks the file as ours ("ORVS") and gives the layout of its tables.
constexpr int kApplicationId = 0x4F525653;
constexpr int kSchemaVersion = 1;

const char kSchema[] =
    "CREATE TABLE documents(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE,"
    " last_key INTEGER);"
    "CREATE TABLE marks(doc INTEGER NOT NULL, bucket INTEGER NOT NULL, data BLOB NOT NULL,"
    " PRIMARY KEY(doc, bucket)) WITHOUT ROWID;"
    "CREATE TABLE samples(doc INTEGER NOT NULL, key INTEGER NOT NULL,"
    " PRIMARY KEY(doc, key)) WITHOUT ROWID;"
    "PRAGMA application_id = 1330796115;"
    "PRAGMA user_version = 1;";
static_assert(kApplicationId == 1330796115);

// SQLite stores signed 64-bit integers; keys go in as their bit pattern.
sqlite3_int64 ToDb(MessageKey k) { return static_cast<sqlite3_int64>(k); }
MessageKey FromDb(sqlite3_int64 v) { return static_cast<MessageKey>(v); }

class Stmt {
public:
    Stmt(sqlite3* db, const char* sql)
        : m_prepared(sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr)) {}
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    bool Ok() const { return m_stmt != nullptr; }
    Stmt& Bind(int i, sqlite3_int64 v) {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    Stmt& BindNull(int i) {
        sqlite3_bind_null(m_stmt, i);
        return *this;
    }
    Stmt& Bind(int i, const std::string& s) {
        sqlite3_bind_text(m_stmt, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error (that of the preparation too:
    // a file that is no database fails there).
    int Step() { return m_stmt ? sqlite3_step(m_stmt) : m_prepared; }
    bool Run() {
        const int rc = Step();
        sqlite3_reset(m_stmt);
        return rc == SQLITE_DONE || rc == SQLITE_ROW;
    }
    void Reset() { sqlite3_reset(m_stmt); }
    sqlite3_int64 Int(int col) const { return sqlite3_column_int64(m_stmt, col); }
    bool IsNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    Stmt& BindBlob(int i, const std::string& b) {
        sqlite3_bind_blob(m_stmt, i, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        return *this;
    }
    const unsigned char* Blob(int col, std::size_t& bytes) const {
        const void* p = sqlite3_column_blob(m_stmt, col);
        bytes = static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, col));
        return static_cast<const unsigned char*>(p);
    }
    std::string Text(int col) const {
        const unsigned char* t = sqlite3_column_text(m_stmt, col);
        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_prepared;
};

bool IsDamage(int rc) {
    rc &= 0xff;
    return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}

// "FILE.damaged-20261209-234500", with "-2", "-3"... when that is taken.
std::string SetAsideName(const std::string& path) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    // The program is single-threaded: localtime's shared result is safe.
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    std::string base = path + ".damaged-" + stamp;
    std::string name = base;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(name, ec); ++n) name = base + "-" + std::to_string(n);
    return name;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    if (ec) p = std::filesystem::absolute(path, ec).lexically_normal();
    return p.string();
}

// The marks of a document are kept in buckets by the key's top byte, each
// one blob of 9-byte entries (the key little-endian, then the flags) in key
// order: loading 100,000 marks reads 256 rows, marking them all writes 256,
// and a batch of a few marks rewrites only the buckets it touches.
constexpr int kBucketShift = 56;
constexpr std::size_t kEntryBytes = 9;

sqlite3_int64 BucketOf(MessageKey k) { return static_cast<sqlite3_int64>(k >> kBucketShift); }

void Unpack(const unsigned char* p, std::size_t bytes, std::vector<StoredMark>& out) {
    for (std::size_t i = 0; i + kEntryBytes <= bytes; i += kEntryBytes) {
        MessageKey k = 0;
        for (int b = 7; b >= 0; --b) k = k << 8 | p[i + static_cast<std::size_t>(b)];
        out.push_back({k, p[i + 8]});
    }
}

std::string Pack(const std::vector<StoredMark>& marks) {
    std::string out;
    out.reserve(marks.size() * kEntryBytes);
    for (const StoredMark& m : marks) {
        for (int b = 0; b < 8; ++b) out += static_cast<char>(m.key >> (8 * b));
        out += static_cast<char>(m.flags);
    }
    return out;
}

// The stored marks of one bucket with changes (sorted by key) laid over;
// marks whose flags become 0 go.
std::vector<StoredMark> Merge(const std::vector<StoredMark>& stored, const StoredMark* changes,
                              std::size_t count) {
    std::vector<StoredMark> out;
    out.reserve(stored.size() + count);
    std::size_t i = 0, j = 0;
    while (i < stored.size() || j < count) {
        if (j == count || (i < stored.size() && stored[i].key < changes[j].key)) {
            out.push_back(stored[i++]);
            continue;
        }
        if (i < stored.size() && stored[i].key == changes[j].key) ++i;
        if (changes[j].flags) out.push_back(changes[j]);
        ++j;
    }
    return out;
}

}  // namespace

struct CReadStateStore::Db {
    sqlite3* db = nullptr;
    ~Db() { sqlite3_close_v2(db); }
    bool Exec(const char* sql) {
        return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    int Errcode() const { return sqlite3_extended_errcode(db); }
};

bool CReadStateStore::Available() { return true; }

std::string CReadStateStore::DefaultPath() {
    std::string dir;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home ? home : "") + "/.local/share";
    }
    return dir + "/orv/readstate.sqlite";
}

CReadStateStore::CReadStateStore() = default;
CReadStateStore::~CReadStateStore() = default;

void CReadStateStore::Close() { m_db.reset(); }
bool CReadStateStore::IsOpen() const { return m_db != nullptr; }

namespace {

enum class Check { Ours, New, Damaged, Failed };

// What the open file holds: our tables, nothing yet, or something else.
Check Inspect(sqlite3* db, bool existed, int& rc) {
    Stmt quick(db, "PRAGMA quick_check");
    rc = quick.Step();
    if (rc != SQLITE_ROW) return IsDamage(rc) ? Check::Damaged : Check::Failed;
    if (quick.Text(0) != "ok") return Check::Damaged;
    Stmt ver(db,
             "SELECT (SELECT application_id FROM pragma_application_id),"
             " (SELECT user_version FROM pragma_user_version),"
             " (SELECT count(*) FROM sqlite_schema)");
    rc = ver.Step();
    if (rc != SQLITE_ROW) return IsDamage(rc) ? Check::Damaged : Check::Failed;
    if (ver.Int(0) == kApplicationId && ver.Int(1) == kSchemaVersion) return Check::Ours;
    // An empty file is new only when we made it just now; one that was
    // there (truncated to nothing, or someone else's) is set aside.
    if (!existed && ver.Int(2) == 0) return Check::New;
    return Check::Damaged;
}

Check CheckFile(sqlite3* db, bool existed, int& rc) {
    sqlite3_busy_timeout(db, 5000);
    // Nothing is written before the file is known to be ours: a file that
    // is set aside keeps every byte.
    const Check check = Inspect(db, existed, rc);
    if (check != Check::Ours && check != Check::New) return check;
    // Write-ahead logging: a killed writer leaves the file whole, and
    // readers do not wait for a writer.
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return IsDamage(rc) ? Check::Damaged : Check::Failed;
    return check;
}

}  // namespace

CReadStateStore::OpenEnd CReadStateStore::Open(const std::string& path) {
    Close();
    m_path = path;
    m_setAside.clear();
    m_error.clear();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    // Only a regular file is opened: SQLite would wait on a pipe forever,
    // and a folder or a device in its place is not ours to set aside.
    const std::filesystem::file_type type = std::filesystem::status(path, ec).type();
    const bool existed = type != std::filesystem::file_type::not_found && !ec;
    if (existed && type != std::filesystem::file_type::regular) {
        m_error = "not a regular file";
        return OpenEnd::Failed;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto db = std::make_unique<Db>();
        int rc = sqlite3_open_v2(path.c_str(), &db->db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
                                 nullptr);
        Check check = Check::Failed;
        if (rc == SQLITE_OK) check = CheckFile(db->db, existed && attempt == 0, rc);
        if (check == Check::New && !db->Exec("BEGIN IMMEDIATE")) check = Check::Failed;
        if (check == Check::New) {
            if (db->Exec(kSchema) && db->Exec("COMMIT")) {
                check = Check::Ours;
            } else {
                rc = db->Errcode();
                db->Exec("ROLLBACK");
                check = Check::Failed;
            }
        }
        if (check == Check::Ours) {
            db->Exec("PRAGMA synchronous=NORMAL");
            m_db = std::move(db);
            return m_setAside.empty() ? OpenEnd::Ok : OpenEnd::Recreated;
        }
        if (check == Check::Failed || attempt > 0) {
            m_error = db->db ? sqlite3_errmsg(db->db) : sqlite3_errstr(rc);
            return OpenEnd::Failed;
        }
        db.reset();
        // Damaged: set the file and its log aside, then make a new one.
        const std::string aside = SetAsideName(path);
        if (std::rename(path.c_str(), aside.c_str()) != 0) {
            m_error = std::strerror(errno);
            return OpenEnd::Failed;
        }
        std::rename((path + "-wal").c_str(), (aside + "-wal").c_str());
        std::remove((path + "-shm").c_str());
        m_setAside = aside;
    }
    return OpenEnd::Failed;
}

namespace {

struct Candidate {
    DocumentId id = 0;
    std::string path;
    std::size_t held = 0, total = 0;
};

// The stored document (other than the one at path) whose sample docKeys
// holds the most of, at least half of it.
Candidate BestBySample(sqlite3* db, const KeyTable<std::uint32_t>& docKeys) {
    Stmt q(db,
           "SELECT s.doc, d.path, s.key FROM samples s JOIN documents d ON d.id = s.doc"
           " ORDER BY s.doc");
    Candidate best, cur;
    auto consider = [&] {
        if (cur.id != 0 && cur.held * 2 >= cur.total && cur.held > best.held) best = cur;
    };
    while (q.Step() == SQLITE_ROW) {
        if (q.Int(0) != cur.id) {
            consider();
            cur = {q.Int(0), q.Text(1), 0, 0};
        }
        ++cur.total;
        if (docKeys.Find(FromDb(q.Int(2)))) ++cur.held;
    }
    consider();
    return best;
}

}  // namespace

DocumentId CReadStateStore::FindDocument(const std::string& docPath,
                                         const KeysOfDocument& docKeys) {
    if (!m_db) return 0;
    sqlite3* db = m_db->db;
    const std::string path = AbsolutePath(docPath);
    {
        Stmt byPath(db, "SELECT id FROM documents WHERE path = ?1");
        byPath.Bind(1, path);
        if (byPath.Step() == SQLITE_ROW) return byPath.Int(0);
    }
    if (!m_db->Exec("BEGIN IMMEDIATE")) return 0;
    const Candidate best = BestBySample(db, docKeys());
    std::error_code ec;
    DocumentId id = 0;
    bool ok = true;
    if (best.id != 0 && !std::filesystem::exists(best.path, ec)) {
        // Moved: the record follows the document.
        ok = Stmt(db, "UPDATE documents SET path = ?2 WHERE id = ?1")
                 .Bind(1, best.id)
                 .Bind(2, path)
                 .Run();
        id = best.id;
    } else {
        Stmt add(db,
                 "INSERT INTO documents(path, last_key) SELECT ?1, (SELECT last_key FROM documents "
                 "WHERE id = ?2)");
        ok = add.Bind(1, path).Bind(2, best.id).Run();
        id = sqlite3_last_insert_rowid(db);
        if (ok && best.id != 0) {
            // Copied: the copy starts with the original's state.
            ok = Stmt(db, "INSERT INTO marks SELECT ?1, bucket, data FROM marks WHERE doc = ?2")
                     .Bind(1, id)
                     .Bind(2, best.id)
                     .Run();
        }
    }
    if (ok && m_db->Exec("COMMIT")) return id;
    m_error = sqlite3_errmsg(db);
    m_db->Exec("ROLLBACK");
    return 0;
}

bool CReadStateStore::Load(DocumentId doc, std::vector<StoredMark>& marks, LastPosition& last) {
    marks.clear();
    last = {};
    if (!m_db) return false;
    sqlite3* db = m_db->db;
    // One read transaction, so that a second viewer's write between the
    // two queries cannot mix states.
    if (!m_db->Exec("BEGIN")) return false;
    Stmt q(db, "SELECT data FROM marks WHERE doc = ?1");
    q.Bind(1, doc);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW) {
        std::size_t bytes = 0;
        const unsigned char* p = q.Blob(0, bytes);
        Unpack(p, bytes, marks);
    }
    Stmt l(db, "SELECT last_key FROM documents WHERE id = ?1");
    l.Bind(1, doc);
    const int lrc = l.Step();
    if (lrc == SQLITE_ROW && !l.IsNull(0)) last = {true, FromDb(l.Int(0))};
    m_db->Exec("COMMIT");
    if (rc == SQLITE_DONE && (lrc == SQLITE_ROW || lrc == SQLITE_DONE)) return true;
    m_error = sqlite3_errmsg(db);
    return false;
}

namespace {

// Lays the changes (sorted by key) over the stored buckets of doc.
bool WriteMarks(sqlite3* db, DocumentId doc, const std::vector<StoredMark>& changes) {
    Stmt get(db, "SELECT data FROM marks WHERE doc = ?1 AND bucket = ?2");
    Stmt put(db, "INSERT OR REPLACE INTO marks(doc, bucket, data) VALUES(?1, ?2, ?3)");
    Stmt del(db, "DELETE FROM marks WHERE doc = ?1 AND bucket = ?2");
    if (!get.Ok() || !put.Ok() || !del.Ok()) return false;
    get.Bind(1, doc);
    put.Bind(1, doc);
    del.Bind(1, doc);
    std::vector<StoredMark> stored;
    for (std::size_t i = 0; i < changes.size();) {
        const sqlite3_int64 bucket = BucketOf(changes[i].key);
        std::size_t end = i;
        while (end < changes.size() && BucketOf(changes[end].key) == bucket) ++end;
        stored.clear();
        get.Bind(2, bucket);
        const int rc = get.Step();
        if (rc == SQLITE_ROW) {
            std::size_t bytes = 0;
            const unsigned char* p = get.Blob(0, bytes);
            Unpack(p, bytes, stored);
        }
        get.Reset();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return false;
        const std::vector<StoredMark> merged = Merge(stored, &changes[i], end - i);
        const bool ok = merged.empty() ? del.Bind(2, bucket).Run()
                                       : put.Bind(2, bucket).BindBlob(3, Pack(merged)).Run();
        if (!ok) return false;
        i = end;
    }
    return true;
}

}  // namespace

bool CReadStateStore::Write(DocumentId doc, const std::vector<StoredMark>& changesIn,
                            const LastPosition& last, const std::vector<MessageKey>* sample) {
    if (!m_db || doc == 0) return false;
    sqlite3* db = m_db->db;
    std::vector<StoredMark> changes = changesIn;
    std::sort(changes.begin(), changes.end(),
              [](const StoredMark& a, const StoredMark& b) { return a.key < b.key; });
    if (!m_db->Exec("BEGIN IMMEDIATE")) {
        m_error = sqlite3_errmsg(db);
        return false;
    }
    bool ok = WriteMarks(db, doc, changes);
    {
        Stmt pos(db, "UPDATE documents SET last_key = ?2 WHERE id = ?1");
        pos.Bind(1, doc);
        if (last.has)
            pos.Bind(2, ToDb(last.key));
        else
            pos.BindNull(2);
        ok = ok && pos.Run();
    }
    if (ok && sample) {
        ok = Stmt(db, "DELETE FROM samples WHERE doc = ?1").Bind(1, doc).Run();
        Stmt add(db, "INSERT OR IGNORE INTO samples(doc, key) VALUES(?1, ?2)");
        add.Bind(1, doc);
        for (std::size_t i = 0; ok && i < sample->size(); ++i)
            ok = add.Bind(2, ToDb((*sample)[i])).Run();
    }
    if (ok && m_db->Exec("COMMIT")) return true;
    m_error = sqlite3_errmsg(db);
    m_db->Exec("ROLLBACK");
    return false;
}

}  // namespace orv
