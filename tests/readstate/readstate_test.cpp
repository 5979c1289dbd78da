// The reading state beside the documents: marks, bookmarks and the last
// position survive closing, re-import, copies and moves; a damaged state
// file is set aside, never emptied; two writers on one file both keep
// their marks.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>
#include <unordered_map>

#include "core/import/logfilelist.h"
#include "core/orvdoc.h"
#include "fakes/testfiles.h"
#include "readstate/docreadstate.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;
const std::string kSample = std::string(ORV_SOURCE_DIR) + "/samples/sample.log";

// Records in document order.
std::vector<CComment*> Records(const COrvDoc& doc) {
    std::vector<CComment*> out;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int) { out.push_back(&rec); });
    return out;
}

struct ReadStateTest : ::testing::Test {
    TempDir dir;
    std::string statePath = dir.File("state/readstate.sqlite");

    std::string MakeDoc(const std::string& name, const std::vector<std::string>& logs) {
        COrvDoc doc;
        CLogFileList list(logs);
        doc.ImportLogFiles(list);
        const std::string path = dir.File(name);
        EXPECT_TRUE(doc.OnSaveDocument(path));
        return path;
    }
    // A session on the document at path: open it and its state.
    struct Session {
        COrvDoc doc;
        CReadStateStore store;
        CDocReadState state{&store};
        std::vector<CComment*> recs;
        Session(const std::string& statePath, const std::string& path) {
            EXPECT_TRUE(doc.OnOpenDocument(path));
            EXPECT_EQ(store.Open(statePath), CReadStateStore::OpenEnd::Ok);
            state.SetRecords(doc.GetRoots());
            EXPECT_TRUE(state.Attach(path));
            state.CountAll();
            recs = Records(doc);
        }
    };
    // Marks the first record read, bookmarks the second, stops at the third.
    void MarkSome(const std::string& path) {
        Session s(statePath, path);
        s.state.SetRead(*s.recs[0], true);
        s.state.ToggleBookmark(*s.recs[1]);
        s.state.SetLastPosition(*s.recs[2]);
        EXPECT_TRUE(s.state.Flush());
    }
    void ExpectMarks(const std::string& path) {
        Session s(statePath, path);
        EXPECT_TRUE(s.state.IsRead(*s.recs[0]));
        EXPECT_FALSE(s.state.IsRead(*s.recs[1]));
        EXPECT_TRUE(s.state.IsBookmarked(*s.recs[1]));
        EXPECT_FALSE(s.state.IsBookmarked(*s.recs[0]));
        ASSERT_TRUE(s.state.GetLastPosition().has);
        EXPECT_EQ(s.state.GetLastPosition().key, KeyOf(*s.recs[2]));
        EXPECT_EQ(s.state.UnreadCount(), s.recs.size() - 1);
    }
};

TEST(MessageKey, EachFieldCounts) {
    const MessageKey base = MakeMessageKey(12, "ABC01234", "91/01/02 03:04");
    EXPECT_EQ(base, MakeMessageKey(12, "ABC01234", "91/01/02 03:04"));
    EXPECT_NE(base, MakeMessageKey(13, "ABC01234", "91/01/02 03:04"));
    EXPECT_NE(base, MakeMessageKey(-12, "ABC01234", "91/01/02 03:04"));
    EXPECT_NE(base, MakeMessageKey(12, "ABC01235", "91/01/02 03:04"));
    EXPECT_NE(base, MakeMessageKey(12, "ABC01234", "91/01/02 03:05"));
    // The ID and the date do not run into each other.
    EXPECT_NE(MakeMessageKey(1, "ab", "c"), MakeMessageKey(1, "a", "bc"));
}

TEST(KeyTable, AgreesWithTheStandardMap) {
    KeyTable<std::uint32_t> table;
    std::unordered_map<MessageKey, std::uint32_t> model;
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        // Few distinct keys, so that most operations find one; key 0 too.
        const MessageKey k = random() % 3000 * 0x9E3779B97F4A7C15ull;
        if (random() % 3) {
            ++table[k];
            ++model[k];
        } else {
            const std::uint32_t* v = table.Find(k);
            auto it = model.find(k);
            ASSERT_EQ(v != nullptr, it != model.end());
            if (v) {
                ASSERT_EQ(*v, it->second);
            }
        }
    }
    EXPECT_EQ(table.size(), model.size());
    std::size_t seen = 0;
    table.ForEach([&](MessageKey k, std::uint32_t v) {
        ++seen;
        EXPECT_EQ(model.at(k), v);
    });
    EXPECT_EQ(seen, model.size());
}

// Batches of random changes, written and read back, against a plain map;
// keys crowd into few buckets, with the top bit set and not.
TEST_F(ReadStateTest, StoredMarksFollowAModel) {
    std::unordered_map<MessageKey, std::uint8_t> model;
    std::mt19937_64 random(11);
    CReadStateStore store;
    ASSERT_EQ(store.Open(statePath), CReadStateStore::OpenEnd::Ok);
    CDocReadState state(&store);
    ASSERT_TRUE(state.Attach(dir.File("doc.mld")));
    for (int round = 0; round < 30; ++round) {
        for (int i = 0; i < 300; ++i) {
            const MessageKey k = (random() % 4) << 62 | random() % 500;
            const bool read = random() % 2;
            state.SetRead(k, read);
            model[k] = read ? kMarkRead : 0;
        }
        ASSERT_TRUE(state.Flush());
    }
    CReadStateStore again;
    ASSERT_EQ(again.Open(statePath), CReadStateStore::OpenEnd::Ok);
    CDocReadState loaded(&again);
    ASSERT_TRUE(loaded.Attach(dir.File("doc.mld")));
    for (const auto& [k, flags] : model) ASSERT_EQ(loaded.IsRead(k), flags != 0) << k;
}

TEST_F(ReadStateTest, MarksSurviveCloseAndReopen) {
    const std::string a = MakeDoc("a.mld", {kSample});
    MarkSome(a);
    ExpectMarks(a);
}

TEST_F(ReadStateTest, UnreadAgainAndAllRead) {
    const std::string a = MakeDoc("a.mld", {kSample});
    {
        Session s(statePath, a);
        const std::size_t n = s.recs.size();
        s.state.SetAllRead(true);
        EXPECT_EQ(s.state.UnreadCount(), 0u);
        s.state.SetRead(*s.recs[3], false);
        EXPECT_EQ(s.state.UnreadCount(), 1u);
        s.state.SetAllRead(false);
        EXPECT_EQ(s.state.UnreadCount(), n);
        s.state.SetRead(*s.recs[3], true);
        EXPECT_TRUE(s.state.Flush());
    }
    Session s(statePath, a);
    EXPECT_EQ(s.state.UnreadCount(), s.recs.size() - 1);
    EXPECT_TRUE(s.state.IsRead(*s.recs[3]));
}

TEST_F(ReadStateTest, CopyToAnotherFolderTakesTheStateAlong) {
    const std::string a = MakeDoc("a.mld", {kSample});
    MarkSome(a);
    fs::create_directory(dir.File("elsewhere"));
    const std::string b = dir.File("elsewhere/b.mld");
    fs::copy_file(a, b);
    ExpectMarks(b);
    // From then on each has its own state.
    {
        Session s(statePath, b);
        s.state.SetRead(*s.recs[5], true);
        EXPECT_TRUE(s.state.Flush());
    }
    Session s(statePath, a);
    EXPECT_FALSE(s.state.IsRead(*s.recs[5]));
}

TEST_F(ReadStateTest, MovedDocumentKeepsItsRecord) {
    const std::string a = MakeDoc("a.mld", {kSample});
    MarkSome(a);
    const std::string moved = dir.File("moved.mld");
    fs::rename(a, moved);
    ExpectMarks(moved);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(statePath.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM documents", -1, &q, nullptr);
    ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(q, 0), 1);
    sqlite3_finalize(q);
    sqlite3_close(db);
}

TEST_F(ReadStateTest, ReimportKeepsMarksAndNewMessagesAreUnread) {
    const std::string a = MakeDoc("a.mld", {kSample});
    MarkSome(a);
    // The same logs imported again into a new document elsewhere, and a
    // log of new messages added to it (as orvlog import --into does).
    const std::string more =
        dir.Write("more.log", Crlf({Header1(900, 900, "NEW00001", "新人", "新しい話題"),
                                    Header2("96/01/02 03:04"), "本文", ""}));
    const std::string b = MakeDoc("b.mld", {kSample, more});
    ExpectMarks(b);
    Session s(statePath, b);
    EXPECT_FALSE(s.state.IsRead(*s.recs.back()));
    EXPECT_EQ(s.recs.back()->GetNumber(), 900);
}

TEST_F(ReadStateTest, AnUnrelatedDocumentStartsUnread) {
    const std::string a = MakeDoc("a.mld", {kSample});
    MarkSome(a);
    const std::string other =
        dir.Write("other.log", Crlf({Header1(1, 1, "OTH00001", "別人", "別の会議室"),
                                     Header2("97/01/02 03:04"), "本文", ""}));
    Session s(statePath, MakeDoc("o.mld", {other}));
    EXPECT_EQ(s.state.UnreadCount(), s.recs.size());
    EXPECT_FALSE(s.state.GetLastPosition().has);
}

TEST_F(ReadStateTest, MarksOnANewDocumentAreKeptWhenItIsSaved) {
    COrvDoc doc;
    CLogFileList list({kSample});
    doc.ImportLogFiles(list);
    CReadStateStore store;
    ASSERT_EQ(store.Open(statePath), CReadStateStore::OpenEnd::Ok);
    CDocReadState state(&store);
    state.SetRecords(doc.GetRoots());
    const std::vector<CComment*> recs = Records(doc);
    state.SetRead(*recs[0], true);
    state.ToggleBookmark(*recs[1]);
    state.SetLastPosition(*recs[2]);
    EXPECT_TRUE(state.Flush());  // nothing to write to yet: it waits
    EXPECT_TRUE(state.HasPending());
    const std::string a = dir.File("a.mld");
    ASSERT_TRUE(doc.OnSaveDocument(a));
    ASSERT_TRUE(state.Attach(a));
    EXPECT_TRUE(state.Flush());
    ExpectMarks(a);
}

TEST_F(ReadStateTest, DuplicateKeysCountOncePerRecord) {
    // Two records with the same number, ID and date (a loaded file may
    // hold both): one mark covers both, the count follows.
    const std::string log = dir.Write(
        "dup.log",
        Crlf({Header1(1, 2, "DUP00001", "同じ", "一"), Header2("96/01/02 03:04"), "本文", "",
              Header1(2, 2, "DUP00002", "別", "二"), Header2("96/01/02 03:05"), "本文", ""}));
    COrvDoc doc;
    CLogFileList list({log});
    doc.ImportLogFiles(list);
    std::vector<CComment*> recs = Records(doc);
    ASSERT_EQ(recs.size(), 2u);
    recs[1]->SetNumber(1);
    recs[1]->SetId(recs[0]->GetId());
    recs[1]->SetDateTimeRaw(recs[0]->GetDateTime());
    CDocReadState state(nullptr);
    state.SetRecords(doc.GetRoots());
    // Counted a slice at a time, as the viewer does while idle.
    EXPECT_FALSE(state.CountSome(1));
    EXPECT_EQ(state.UnreadCount(), 1u);
    EXPECT_TRUE(state.CountSome(1));
    EXPECT_EQ(state.UnreadCount(), 2u);
    state.SetRead(*recs[0], true);
    EXPECT_EQ(state.UnreadCount(), 0u);
    EXPECT_TRUE(state.IsRead(*recs[1]));
}

TEST_F(ReadStateTest, TwoWritersOnOneFileKeepBothMarks) {
    const std::string a = MakeDoc("a.mld", {kSample});
    {
        Session one(statePath, a), two(statePath, a);
        one.state.SetRead(*one.recs[0], true);
        two.state.SetRead(*two.recs[1], true);
        two.state.ToggleBookmark(*two.recs[2]);
        EXPECT_TRUE(one.state.Flush());
        EXPECT_TRUE(two.state.Flush());
    }
    Session s(statePath, a);
    EXPECT_TRUE(s.state.IsRead(*s.recs[0]));
    EXPECT_TRUE(s.state.IsRead(*s.recs[1]));
    EXPECT_TRUE(s.state.IsBookmarked(*s.recs[2]));
}

// A damaged state file is set aside with its bytes as they were, reported
// (Recreated), and a new one made that works.
TEST_F(ReadStateTest, DamagedFileIsSetAsideNeverEmptied) {
    const std::string a = MakeDoc("a.mld", {kSample});
    struct Case {
        const char* name;
        std::function<void(const std::string&)> damage;
    };
    const Case cases[] = {
        {"garbage",
         [](const std::string& p) {
             std::ofstream(p, std::ios::binary) << std::string(9000, 'x');
         }},
        {"truncated", [](const std::string& p) { fs::resize_file(p, fs::file_size(p) / 2); }},
        {"empty", [](const std::string& p) { fs::resize_file(p, 0); }},
        {"header only", [](const std::string& p) { fs::resize_file(p, 100); }},
        {"another program's database",
         [](const std::string& p) {
             fs::remove(p);
             sqlite3* db = nullptr;
             sqlite3_open(p.c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1)", nullptr, nullptr,
                          nullptr);
             sqlite3_close(db);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir.File("state"));
        // Enough marks for several pages, so that halving cuts into them.
        {
            Session s(statePath, a);
            for (std::uint64_t k = 1; k < 5000; ++k)
                s.state.SetRead(k * 0x9E3779B97F4A7C15ull, true);
            ASSERT_TRUE(s.state.Flush());
        }
        c.damage(statePath);
        const std::string before = ReadAll(statePath);
        CReadStateStore store;
        ASSERT_EQ(store.Open(statePath), CReadStateStore::OpenEnd::Recreated);
        ASSERT_FALSE(store.SetAsidePath().empty());
        EXPECT_TRUE(ReadAll(store.SetAsidePath()) == before) << "the set-aside file differs";
        EXPECT_NE(store.SetAsidePath().find("readstate.sqlite.damaged-"), std::string::npos);
        store.Close();
        MarkSome(a);
        ExpectMarks(a);
    }
}

TEST_F(ReadStateTest, AFolderInPlaceOfTheFileIsLeftAlone) {
    fs::create_directories(statePath);
    CReadStateStore store;
    EXPECT_EQ(store.Open(statePath), CReadStateStore::OpenEnd::Failed);
    EXPECT_FALSE(store.LastError().empty());
    EXPECT_TRUE(fs::is_directory(statePath));
    // The state then stays in memory: marks still work for the session.
    COrvDoc doc;
    CLogFileList list({kSample});
    doc.ImportLogFiles(list);
    CDocReadState state(&store);
    state.SetRecords(doc.GetRoots());
    EXPECT_FALSE(state.Attach(dir.File("a.mld")));
    state.SetAllRead(true);
    EXPECT_EQ(state.UnreadCount(), 0u);
}

}  // namespace
}  // namespace orv::test
