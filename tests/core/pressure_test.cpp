// The document under memory pressure and read errors: an arena block that
// cannot be had at any point of import, open, delete, compaction or save
// leaves a whole, usable document; a log that fails part way keeps what was
// read and says where it stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <new>

#include "core/arena_platform.h"
#include "core/cp932.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/refimport.h"
#include "fakes/testfiles.h"
#include "res/strings.h"

using namespace orv;
using namespace orv::test;

namespace {

// Messages first..first+count-1; every third answers the one before it;
// texts long enough that the arena takes several blocks.
std::string ForumLog(int first, int count, std::size_t textBytes) {
    std::vector<std::string> lines;
    for (int n = first; n < first + count; ++n) {
        lines.push_back(
            Header1(n, 99999, "ID" + std::to_string(n), "a b", "t" + std::to_string(n)));
        lines.push_back(Header2("99/01/01 00:00:00", n % 3 == 0 ? n - 1 : -1));
        lines.push_back(std::string(textBytes, static_cast<char>('a' + n % 26)));
    }
    return Crlf(lines);
}

struct Fixture {
    TempDir dir;
    FakeTitleTree tree;
    FakePrompter prompter;
    COrvDoc doc;
    Fixture() {
        prompter.defaultAnswer = MsgAnswer::Yes;
        doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr});
    }
    void Import(const std::string& name, const std::string& log) {
        CLogFileList list({dir.Write(name, log)});
        doc.ImportLogFiles(list);
    }
};

// Whole and usable: saved and read back it is the same forest, its tree
// has an item per record, and a number can be looked up.
void ExpectUsable(Fixture& f, const std::string& what) {
    const auto before = Dump(f.doc);
    EXPECT_EQ(f.doc.GetTreeItems().size(), before.size()) << what;
    const std::string path = f.dir.File("check.mld");
    ASSERT_TRUE(f.doc.OnSaveDocument(path)) << what;
    COrvDoc again;
    ASSERT_TRUE(again.OnOpenDocument(path)) << what;
    EXPECT_EQ(Dump(again), before) << what;
    if (!before.empty()) {
        const int n = std::stoi(before.front().substr(before.front().find('|') + 1));
        EXPECT_NE(f.doc.FindByNumber(n), nullptr) << what;
    }
}

struct PressureCase {
    const char* name;
    std::function<void(Fixture&)> setUp;
    std::function<void(Fixture&)> run;
    // The states the document may be in afterwards: as before, or (for an
    // operation that went through) as after.
    std::function<bool(Fixture&, const std::vector<std::string>& before)> acceptable;
};

TEST(MemoryPressure, EveryArenaBlockThatCannotBeHadLeavesAWholeDocument) {
    const std::string base = ForumLog(1, 60, 3000), more = ForumLog(100, 60, 3000);
    auto baseDoc = [&](Fixture& f) { f.Import("base.log", base); };
    const PressureCase cases[] = {
        {"import", baseDoc, [&](Fixture& f) { f.Import("more.log", more); },
         [](Fixture& f, const std::vector<std::string>& before) {
             // Every earlier record is kept as it was; the new ones follow.
             const auto now = Dump(f.doc);
             for (const std::string& rec : before)
                 if (std::find(now.begin(), now.end(), rec) == now.end()) return false;
             return true;
         }},
        {"open",
         [&](Fixture& f) {
             Fixture other;
             other.Import("more.log", more);
             ASSERT_TRUE(other.doc.OnSaveDocument(f.dir.File("more.mld")));
             baseDoc(f);
         },
         [](Fixture& f) { f.doc.OnOpenDocument(f.dir.File("more.mld")); },
         [](Fixture& f, const std::vector<std::string>& before) {
             return Dump(f.doc) == before || f.doc.LastOpenResult() == COrvDoc::OpenResult::Ok;
         }},
        {"delete",
         [&](Fixture& f) {
             // The first thread holds most of the bytes, so that deleting
             // it compacts the arena.
             f.Import("big.log", ForumLog(1, 1, 400000) + ForumLog(2, 30, 100));
             f.tree.SelectItem(f.doc.GetTreeItems()[0]);
         },
         [](Fixture& f) { f.doc.DeleteSelectedTree(); },
         [](Fixture& f, const std::vector<std::string>& before) {
             const auto now = Dump(f.doc);
             return now == before ||
                    now == std::vector<std::string>(before.begin() + 1, before.end());
         }},
        {"compact",
         [&](Fixture& f) {
             baseDoc(f);
             f.Import("again.log", base);  // every record overwritten: half the bytes dead
         },
         [](Fixture& f) {
             try {
                 f.doc.OnSaveDocument(f.dir.File("compacted.mld"));
             } catch (const std::bad_alloc&) {
                 ADD_FAILURE() << "the save let out of memory through";
             }
         },
         [](Fixture& f, const std::vector<std::string>& before) { return Dump(f.doc) == before; }},
        {"save", baseDoc, [](Fixture& f) { f.doc.OnSaveDocument(f.dir.File("saved.mld")); },
         [](Fixture& f, const std::vector<std::string>& before) { return Dump(f.doc) == before; }},
    };
    for (const PressureCase& c : cases) {
        for (std::uint64_t n = 1;; ++n) {
            Fixture f;
            c.setUp(f);
            const auto before = Dump(f.doc);
            platform::FailArenaBlockAt(n);
            c.run(f);
            const std::uint64_t calls = platform::ArenaBlockCalls();
            platform::FailArenaBlockAt(0);
            const std::string what = std::string(c.name) + ", block " + std::to_string(n);
            EXPECT_TRUE(c.acceptable(f, before)) << what;
            ExpectUsable(f, what);
            if (calls < n) break;  // went through without meeting the failure
            ASSERT_LT(n, 200u) << c.name;
        }
    }
}

TEST(MemoryPressure, CompactionWithoutMemoryChangesNothing) {
    CCommentStore store;
    std::vector<std::string> texts;
    // Enough bytes for blocks the system returns at once when freed.
    for (int i = 0; i < 40; ++i) {
        CComment& rec = store.NewRecord();
        rec.SetNumber(i);
        const std::string text(20000 + i, static_cast<char>('a' + i % 26));
        const std::string_view fields[5] = {"id", "author", "title", "date", text};
        store.AssignFields(rec, fields);
        store.AssignFields(rec, fields);  // the first copy is dead
        store.AddRoot(rec);
        texts.push_back(text);
    }
    const std::size_t arena = store.ArenaBytes(), dead = store.DeadBytes();
    platform::FailArenaBlockAt(1);
    EXPECT_THROW(store.Compact(), std::bad_alloc);
    platform::FailArenaBlockAt(0);
    EXPECT_EQ(store.ArenaBytes(), arena);
    EXPECT_EQ(store.DeadBytes(), dead);
    int i = 0;
    for (CComment* rec : store.Roots()) EXPECT_EQ(rec->GetText(), texts[i++]);
    store.Compact();
    EXPECT_EQ(store.DeadBytes(), 0u);
    i = 0;
    for (CComment* rec : store.Roots()) EXPECT_EQ(rec->GetText(), texts[i++]);
}

struct ReadFaultCase {
    const char* name;
    std::uint64_t failFrom;  // offset of the first byte that cannot be read
    COrvDoc::ImportEnd end;
    std::size_t records;  // kept from the failing log
    bool haveNumber;
    std::int32_t number;
};

void ReadFaultsIn(bool converted);

TEST(ReadError, TheImportKeepsWhatWasReadAndSaysWhereItStopped) {
    // The log as it is, and as UTF-8 with LF line ends, read through the
    // conversion that runs ahead of the import on a thread of its own.
    for (const bool converted : {false, true}) {
        SCOPED_TRACE(converted ? "UTF-8 LF" : "CP932 CR LF");
        ReadFaultsIn(converted);
    }
}

void ReadFaultsIn(bool converted) {
    auto form = [converted](std::string s) {
        if (!converted) return s;
        s = Cp932ToUtf8(s);
        s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
        return s;
    };
    const std::string log = form(ForumLog(1, 5, 100));
    const std::size_t third = log.find(form(Header1(3, 99999, "ID3", "a b", "t3")));
    const std::size_t fourth = log.find(form(Header1(4, 99999, "ID4", "a b", "t4")));
    ASSERT_NE(fourth, std::string::npos);
    const ReadFaultCase cases[] = {
        {"at the first byte", 0, COrvDoc::ImportEnd::ReadError, 0, false, 0},
        {"in the body of message 3", fourth - 20, COrvDoc::ImportEnd::ReadError, 3, true, 3},
        {"in the header of message 3", third + 5, COrvDoc::ImportEnd::ReadError, 2, true, 2},
        {"past the end", log.size() + 10, COrvDoc::ImportEnd::Normal, 5, true, 50},
    };
    for (const ReadFaultCase& c : cases) {
        Fixture f;
        const std::string bad = f.dir.Write("bad.log", log);
        // A later log, short enough to be read before the failing offset.
        const std::string good = f.dir.Write("good.log", ForumLog(50, 1, 1));
        CLogFileList list({bad, good});
        CLogFileList::FailReadsFrom(c.failFrom);
        f.doc.ImportLogFiles(list);
        CLogFileList::StopFailingReads();
        EXPECT_EQ(f.doc.LastImportEnd(), c.end) << c.name;
        const COrvDoc::ImportStop& stop = f.doc.LastImportStop();
        std::size_t kept = 0;
        for (int n = 1; n <= 5; ++n) kept += f.doc.FindByNumber(n) != nullptr;
        EXPECT_EQ(kept, c.records) << c.name;
        EXPECT_EQ(stop.haveNumber, c.haveNumber) << c.name;
        if (c.haveNumber) {
            EXPECT_EQ(stop.number, c.number) << c.name;
        }
        if (c.end == COrvDoc::ImportEnd::ReadError) {
            EXPECT_EQ(stop.path, bad) << c.name;
            EXPECT_EQ(stop.readErr, EIO) << c.name;
            const auto ids = f.prompter.Ids();
            EXPECT_NE(std::find(ids.begin(), ids.end(), res::IDS_LOG_READ_FAILED), ids.end())
                << c.name;
        }
        // Only a log without any message start ends the import there.
        EXPECT_EQ(f.doc.FindByNumber(50) != nullptr, c.records > 0) << c.name;
    }
}

}  // namespace
