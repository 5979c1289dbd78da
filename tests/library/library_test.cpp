// The library search against per-document find all (what orvlog search
// --all prints), with the index and without it, on random documents that
// change, vanish and appear after indexing, and with a damaged index file.
#include "library/library.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>

#include "core/listtree.h"
#include "fakes/testfiles.h"
#include "library/librarytestutil.h"
#include "search/findall.h"

using namespace orv;
using namespace orv::test;

namespace {

using Hit = std::tuple<std::size_t, std::int32_t, std::string>;  // document, number, title

class FixedFind : public IFindContext {
public:
    std::string text;
    std::uint32_t option = 0;
    std::string GetFindString() override { return text; }
    std::uint32_t GetFindOption() override { return option; }
};

// One document opened as the viewer opens it, searched with find all.
struct Reference {
    CListTitleTree tree;
    FixedFind find;
    COrvDoc doc;
    explicit Reference(const std::string& path) {
        doc.SetPorts({&tree, nullptr, nullptr, nullptr, &find});
        EXPECT_TRUE(doc.OnOpenDocument(path)) << path;
    }
    void Collect(std::size_t index, const std::string& text, std::uint32_t option,
                 std::vector<Hit>& out) {
        find.text = text;
        find.option = option;
        for (std::size_t i : FindAll(doc.GetTreeItems(), doc.Ports()).hits) {
            const CComment& rec = *tree.GetItemData(doc.GetTreeItems()[i]);
            out.emplace_back(index, rec.GetNumber(), std::string(rec.GetTitle()));
        }
    }
};

std::vector<Hit> HitsOf(const LibraryResult& r) {
    std::vector<Hit> out;
    for (const LibraryHit& h : r.hits) out.emplace_back(h.doc, h.number, h.title);
    return out;
}

// A query of minChars to 8 whole characters taken from some field of some
// message.
std::string DrawQuery(std::mt19937& rng, const std::vector<std::unique_ptr<Reference>>& refs,
                      std::size_t minChars = 1) {
    for (;;) {
        Reference& ref = *refs[rng() % refs.size()];
        const auto& items = ref.doc.GetTreeItems();
        if (items.empty()) continue;
        const CComment& rec = *ref.tree.GetItemData(items[rng() % items.size()]);
        const std::string_view fields[] = {rec.GetTitle(), rec.GetAuthor(), rec.GetId(),
                                           rec.GetText()};
        const std::string_view field = fields[rng() % 4];
        std::vector<std::size_t> starts;
        for (std::size_t i = 0; i < field.size(); i += CharLengthAt(field, i)) starts.push_back(i);
        if (starts.size() < minChars) continue;
        const std::size_t first = rng() % (starts.size() - minChars + 1);
        const std::size_t last = std::min(starts.size(), first + minChars + rng() % (9 - minChars));
        const std::size_t end = last < starts.size() ? starts[last] : field.size();
        return std::string(field.substr(starts[first], end - starts[first]));
    }
}

// How many queries a comparison draws and messages a document holds: the
// whole table in the normal build, a fifth under AddressSanitizer, which
// runs the same searches many times slower.
constexpr int Scaled(int n) {
#if defined(__SANITIZE_ADDRESS__)
    return n / 5 > 0 ? n / 5 : 1;
#else
    return n;
#endif
}

struct LibrarySearch : ::testing::Test {
    TempDir dir;
    std::string indexFile;
    std::vector<std::string> paths;

    void SetUp() override {
        indexFile = dir.File("cache/library.sqlite");
        std::filesystem::create_directories(dir.Path() / "lib" / "more");
        for (int i = 0; i < 5; ++i) {
            const std::string name = i < 3 ? "lib/d" + std::to_string(i) + ".mld"
                                           : "lib/more/d" + std::to_string(i) + ".mld";
            paths.push_back(dir.File(name));
            ASSERT_TRUE(WriteRandomDocument(paths.back(), 100 + i, Scaled(150)));
        }
    }

    std::vector<LibraryDoc> Docs() { return CollectDocuments({dir.File("lib")}).docs; }

    // Every folding and field set on count drawn queries: the three answers
    // agree; returns how many searches the index answered.
    std::size_t Compare(CLibraryIndex* index, int count, unsigned seed) {
        const std::vector<LibraryDoc> docs = Docs();
        std::vector<std::unique_ptr<Reference>> refs;
        for (const LibraryDoc& d : docs) refs.push_back(std::make_unique<Reference>(d.realPath));
        std::mt19937 rng(seed);
        const std::uint32_t fieldSets[] = {FIND_DEFAULT, FIND_TITLE, FIND_AUTHOR, FIND_AUTHORID,
                                           FIND_TARGETS};
        std::size_t fromIndex = 0;
        for (int q = 0; q < count; ++q) {
            // The first query is long enough for the index (six characters
            // fold to three keys at least), however few are drawn.
            const std::string text = DrawQuery(rng, refs, q == 0 ? 6 : 1);
            for (std::uint32_t folds = 0; folds < 8; ++folds) {
                for (std::uint32_t fields : fieldSets) {
                    const std::uint32_t option = fields | (folds & 1 ? FIND_IGNORECASE : 0) |
                                                 (folds & 2 ? FIND_IGNOREWIDTH : 0) |
                                                 (folds & 4 ? FIND_IGNOREKANA : 0);
                    std::vector<Hit> expected;
                    for (std::size_t i = 0; i < refs.size(); ++i)
                        refs[i]->Collect(i, text, option, expected);
                    const LibraryResult direct =
                        FindInLibrary(docs, {text, option, false}, nullptr);
                    const LibraryResult indexed = FindInLibrary(docs, {text, option, true}, index);
                    const std::string what =
                        Cp932ToUtf8(text) + " option " + std::to_string(option);
                    EXPECT_EQ(HitsOf(direct), expected) << what;
                    EXPECT_EQ(HitsOf(indexed), expected) << what;
                    EXPECT_TRUE(direct.problems.empty() && indexed.problems.empty()) << what;
                    fromIndex += indexed.fromIndex;
                }
            }
        }
        return fromIndex;
    }
};

TEST_F(LibrarySearch, IndexedDirectAndFindAllAgree) {
    std::string note;
    std::unique_ptr<CLibraryIndex> index = CLibraryIndex::Open(indexFile, note);
    if (!index) {
        // No index in this build: the direct search alone.
        Compare(nullptr, Scaled(20), 1);
        return;
    }
    EXPECT_EQ(note, "");
    const IndexReport first = RefreshIndex(Docs(), *index);
    EXPECT_EQ(first.indexed, 5u);
    EXPECT_EQ(RefreshIndex(Docs(), *index).current, 5u);
    EXPECT_GT(Compare(index.get(), Scaled(25), 2), 0u);

    // After indexing: one document rewritten, one deleted, one added, one
    // rewritten with the same size (its times tell).
    ASSERT_TRUE(WriteRandomDocument(paths[1], 901, 170));
    std::filesystem::remove(paths[2]);
    ASSERT_TRUE(WriteRandomDocument(dir.File("lib/more/new.mld"), 902, 120));
    ASSERT_TRUE(WriteRandomDocument(paths[3], 903, 150));
    EXPECT_GT(Compare(index.get(), Scaled(25), 3), 0u);

    const IndexReport again = RefreshIndex(Docs(), *index);
    EXPECT_EQ(again.indexed, 2u + 1u);  // the rewritten two and the new one
    EXPECT_GT(Compare(index.get(), Scaled(15), 4), 0u);
}

TEST_F(LibrarySearch, LongQueriesAgreeAndOverlongOnesAreRefused) {
    std::mt19937 rng(77);
    std::string text;
    while (text.size() < 3000) text += RandomText(rng, 16);
    {
        COrvDoc doc;
        CComment& rec = doc.NewRecord();
        rec.SetNumber(1);
        rec.SetTitle("long");
        rec.SetDateTimeRaw("96/01/02 03:04");
        rec.SetText(text);
        doc.AddRoot(rec);
        ASSERT_TRUE(doc.OnSaveDocument(dir.File("lib/long.mld")));
    }
    std::string note;
    std::unique_ptr<CLibraryIndex> index = CLibraryIndex::Open(indexFile, note);
    if (index) RefreshIndex(Docs(), *index);
    const std::vector<LibraryDoc> docs = Docs();
    std::vector<std::unique_ptr<Reference>> refs;
    for (const LibraryDoc& d : docs) refs.push_back(std::make_unique<Reference>(d.realPath));
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) starts.push_back(i);
    for (std::size_t chars : {64u, 65u, 200u, 1000u}) {
        ASSERT_LT(chars, starts.size());
        const std::size_t first = starts.size() - chars - 1;
        const std::string query = text.substr(starts[first], starts[first + chars] - starts[first]);
        for (std::uint32_t option :
             {FIND_DEFAULT, FIND_CONTENT | FIND_IGNORECASE | FIND_IGNOREKANA}) {
            SCOPED_TRACE(std::to_string(chars) + " characters, option " + std::to_string(option));
            std::vector<Hit> expected;
            for (std::size_t i = 0; i < refs.size(); ++i)
                refs[i]->Collect(i, query, option, expected);
            EXPECT_FALSE(expected.empty());
            EXPECT_EQ(HitsOf(FindInLibrary(docs, {query, option, false}, nullptr)), expected);
            EXPECT_EQ(HitsOf(FindInLibrary(docs, {query, option, true}, index.get())), expected);
        }
    }
    // Longer than a search can hold (4,096 bytes in either width): refused
    // as a search refuses it, with or without the index.
    const std::string overlong(4097, 'a');
    EXPECT_TRUE(FindInLibrary(docs, {overlong, FIND_DEFAULT, true}, index.get()).badText);
    EXPECT_TRUE(FindInLibrary(docs, {overlong, FIND_DEFAULT, false}, nullptr).badText);
}

// After a round of indexing the file stands alone, and a search answered
// from it writes nothing: no log or shared-memory file appears beside it.
TEST_F(LibrarySearch, ASearchOnlyReadsTheIndex) {
    if (!CLibraryIndex::Available()) GTEST_SKIP() << "no index in this build";
    auto beside = [&] {
        std::vector<std::string> names;
        for (const auto& e :
             std::filesystem::directory_iterator(std::filesystem::path(indexFile).parent_path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> alone{std::filesystem::path(indexFile).filename().string()};
    std::string note;
    {
        auto index = CLibraryIndex::Open(indexFile, note);
        ASSERT_NE(index, nullptr) << note;
        RefreshIndex(Docs(), *index);
    }
    EXPECT_EQ(beside(), alone);
    const auto size = std::filesystem::file_size(indexFile);
    const auto time = std::filesystem::last_write_time(indexFile);
    {
        auto index = CLibraryIndex::Open(indexFile, note);
        ASSERT_NE(index, nullptr) << note;
        std::mt19937 rng(7);
        std::vector<std::unique_ptr<Reference>> refs;
        for (const LibraryDoc& d : Docs()) refs.push_back(std::make_unique<Reference>(d.realPath));
        const LibraryResult r =
            FindInLibrary(Docs(), {DrawQuery(rng, refs, 6), FIND_DEFAULT, true}, index.get());
        EXPECT_EQ(r.fromIndex, Docs().size());
        EXPECT_EQ(beside(), alone);  // while it is open, too
    }
    EXPECT_EQ(beside(), alone);
    EXPECT_EQ(std::filesystem::file_size(indexFile), size);
    EXPECT_EQ(std::filesystem::last_write_time(indexFile), time);
}

// A round stopped after its first document leaves an index that answers
// right (the rest searched directly); the next round stores the rest.
TEST_F(LibrarySearch, AStoppedRoundLeavesAnIndexThatAnswersRight) {
    if (!CLibraryIndex::Available()) GTEST_SKIP() << "no index in this build";
    std::string note;
    auto index = CLibraryIndex::Open(indexFile, note);
    ASSERT_NE(index, nullptr) << note;
    std::atomic<bool> stop{false};
    LibraryProgress progress;
    progress.stop = &stop;
    progress.step = [&](std::size_t done, std::size_t) { stop = done >= 1; };
    const IndexReport first = RefreshIndex(Docs(), *index, progress);
    EXPECT_EQ(first.indexed, 1u);
    EXPECT_GT(Compare(index.get(), Scaled(4), 11), 0u);
    const IndexReport rest = RefreshIndex(Docs(), *index);
    EXPECT_EQ(rest.indexed, Docs().size() - 1);
    EXPECT_EQ(rest.current, 1u);
    Compare(index.get(), Scaled(4), 12);
}

TEST_F(LibrarySearch, AFolderWhereTheIndexShouldBeIsLeftAlone) {
    if (!CLibraryIndex::Available()) GTEST_SKIP() << "no index in this build";
    std::filesystem::create_directories(indexFile);
    std::ofstream(indexFile + "/keep.txt") << "x";
    std::string note;
    EXPECT_EQ(CLibraryIndex::Open(indexFile, note), nullptr);
    EXPECT_NE(note.find("not a regular file"), std::string::npos) << note;
    EXPECT_TRUE(std::filesystem::exists(indexFile + "/keep.txt"));
    std::filesystem::remove(indexFile + "/keep.txt");  // even an empty one stays
    EXPECT_EQ(CLibraryIndex::Open(indexFile, note), nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(indexFile));
}

TEST_F(LibrarySearch, DamagedIndexIsMadeAnewWithANote) {
    std::string note;
    if (!CLibraryIndex::Open(indexFile, note)) GTEST_SKIP() << "no index in this build";
    struct Damage {
        const char* name;
        void (*apply)(const std::string& file);
    };
    const Damage damages[] = {
        {"truncated to half",
         [](const std::string& f) {
             std::filesystem::resize_file(f, std::filesystem::file_size(f) / 2);
         }},
        {"truncated by one page",
         [](const std::string& f) {
             std::filesystem::resize_file(f, std::filesystem::file_size(f) - 4096);
         }},
        {"header overwritten",
         [](const std::string& f) {
             std::fstream s(f, std::ios::in | std::ios::out | std::ios::binary);
             s.write("not a database at all", 21);
         }},
        {"empty", [](const std::string& f) { std::filesystem::resize_file(f, 0); }},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        {
            std::unique_ptr<CLibraryIndex> index = CLibraryIndex::Open(indexFile, note);
            ASSERT_TRUE(index);
            RefreshIndex(Docs(), *index);
        }
        d.apply(indexFile);
        std::unique_ptr<CLibraryIndex> index = CLibraryIndex::Open(indexFile, note);
        ASSERT_TRUE(index);
        EXPECT_NE(note.find("damaged"), std::string::npos) << note;
        Compare(index.get(), Scaled(3), 5);
        const IndexReport rebuilt = RefreshIndex(Docs(), *index);
        EXPECT_EQ(rebuilt.indexed, 5u);
        EXPECT_GT(Compare(index.get(), Scaled(3), 6), 0u);
    }
}

TEST_F(LibrarySearch, GarbledPagesAreFoundByTheNextIndexRun) {
    std::string note;
    if (!CLibraryIndex::Open(indexFile, note)) GTEST_SKIP() << "no index in this build";
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        {
            std::unique_ptr<CLibraryIndex> index = CLibraryIndex::Open(indexFile, note);
            RefreshIndex(Docs(), *index);
        }
        const auto size = std::filesystem::file_size(indexFile);
        std::mt19937 rng(round);
        std::fstream s(indexFile, std::ios::in | std::ios::out | std::ios::binary);
        s.seekp(static_cast<std::streamoff>(4096 + rng() % (size - 8192)));
        for (int i = 0; i < 2048; ++i) s.put(static_cast<char>(rng()));
        s.close();
        std::unique_ptr<CLibraryIndex> index = CLibraryIndex::Open(indexFile, note);
        ASSERT_TRUE(index);
        // Damage the check finds makes the index anew; what it cannot find
        // lies where no search looks.
        RefreshIndex(Docs(), *index);
        Compare(index.get(), Scaled(4), 7 + round);
    }
}

TEST_F(LibrarySearch, EachDocumentOnceInTheOrderOfItsRealPath) {
    std::error_code noLinks;  // where links cannot be made, d0 is still named twice
    std::filesystem::create_symlink(paths[0], dir.File("lib/more/link.mld"), noLinks);
    std::filesystem::create_directory(dir.File("lib/folder.mld"));  // a folder is no document
    std::ofstream(dir.File("lib/notes.txt")) << "x";
    const std::string upper = (dir.Path() / "lib" / "UP.MLD").string();
    ASSERT_TRUE(WriteRandomDocument(upper, 7, 3));
    const LibraryDocs found =
        CollectDocuments({paths[4], dir.File("lib"), dir.File("missing.mld"), paths[0]});
    std::vector<std::string> asFound, real;
    for (const LibraryDoc& d : found.docs) {
        asFound.push_back(d.path);
        real.push_back(d.realPath);
    }
    EXPECT_TRUE(std::is_sorted(real.begin(), real.end()));
    // d4 as given; the others as the walk of lib finds them (before d0 is
    // given again).
    auto walked = [&](const char* a, const char* b = nullptr) {
        std::filesystem::path p = dir.Path() / "lib" / a;
        return (b ? p / b : p).string();
    };
    const std::vector<std::string> expected = {
        upper,   walked("d0.mld"), walked("d1.mld"), walked("d2.mld"), walked("more", "d3.mld"),
        paths[4]};
    std::vector<std::string> sortedExpected = expected;
    std::sort(sortedExpected.begin(), sortedExpected.end(),
              [](const std::string& x, const std::string& y) {
                  return std::filesystem::canonical(x).u8string() <
                         std::filesystem::canonical(y).u8string();
              });
    EXPECT_EQ(asFound, sortedExpected);  // the link and the second naming of d0 are dropped
    ASSERT_EQ(found.problems.size(), 1u);
    EXPECT_EQ(found.problems[0].path, dir.File("missing.mld"));
}

TEST_F(LibrarySearch, AnUnreadableDocumentIsReportedAndTheRestSearched) {
    std::ofstream(dir.File("lib/broken.mld"), std::ios::binary)
        << std::string("\x01\x00\xff\xff", 4);
    const std::vector<LibraryDoc> docs = Docs();
    const LibraryResult r =
        FindInLibrary(docs, {Utf8ToCp932("a").value(), FIND_TARGETS, false}, nullptr);
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].path, (dir.Path() / "lib" / "broken.mld").string());
    EXPECT_EQ(r.problems[0].kind, LibraryProblem::Kind::Malformed);
    EXPECT_FALSE(r.hits.empty());
    const LibraryResult bad = FindInLibrary(docs, {"", FIND_TARGETS, false}, nullptr);
    EXPECT_TRUE(bad.badText);
}

}  // namespace
