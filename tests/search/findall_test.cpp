// Find all over a document, and the byte ranges of the matches in a field,
// checked against the plain windowed comparison.
#include "search/findall.h"

#include <gtest/gtest.h>

#include <new>
#include <random>

#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "res/strings.h"
#include "search/reference_match.h"
#include "search/searchtestutil.h"

namespace orv {
namespace {

using test::FakeProgressFactory;
using test::FakePrompter;
using test::FakeTitleTree;
using testing::Code;
using testing::kAll;
using testing::kWidth;
using testing::Sj;

std::vector<ByteRange> Ranges(std::uint32_t flags, std::string_view field, std::string_view text) {
    int minLen = 0, maxLen = 0;
    EXPECT_TRUE(GetSearchLengths(text, minLen, maxLen));
    CMatchFinder finder(flags, text, minLen, maxLen);
    return finder.Find(field);
}

// The leftmost non-overlapping windows the plain comparison accepts.
std::vector<ByteRange> ReferenceRanges(std::uint32_t flags, std::string_view field,
                                       std::string_view text) {
    int minLen = 0, maxLen = 0;
    GetSearchLengths(text, minLen, maxLen);
    std::vector<ByteRange> out;
    for (std::size_t p = 0; p < field.size(); p += CharLengthAt(field, p)) {
        if (!out.empty() && p < out.back().end) continue;
        for (int len = minLen; len <= maxLen && p + static_cast<std::size_t>(len) <= field.size();
             ++len) {
            if (FoldedEqual(flags, field.substr(p, static_cast<std::size_t>(len)), text)) {
                out.push_back({static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(p + len)});
                break;
            }
        }
    }
    return out;
}

TEST(MatchRanges, FoldedMatchesAreWholeCharactersLeftmostFirst) {
    // ガ searched with width folding lights up ｶﾞ (two bytes) and ガ.
    const std::string field = Sj("xｶﾞyガzカ");
    EXPECT_EQ(Ranges(kWidth, field, Sj("ガ")), (std::vector<ByteRange>{{1, 3}, {4, 6}}));
    // Without folding only the exact character.
    EXPECT_EQ(Ranges(0, field, Sj("ガ")), (std::vector<ByteRange>{{4, 6}}));
    // A is never found in the trail byte of ア (0x83 0x41).
    EXPECT_EQ(Ranges(0, Sj("アA"), "A"), (std::vector<ByteRange>{{2, 3}}));
    // Overlapping occurrences: the leftmost wins, the next starts after it.
    EXPECT_EQ(Ranges(0, "aaaaa", "aa"), (std::vector<ByteRange>{{0, 2}, {2, 4}}));
    // The field ends at its first NUL; an empty field or text finds nothing.
    EXPECT_EQ(Ranges(0, std::string("ab\0ab", 5), "ab"), (std::vector<ByteRange>{{0, 2}}));
    EXPECT_TRUE(Ranges(0, "", "a").empty());
    EXPECT_TRUE(CMatchFinder(FIND_TITLE, "").Find("abc").empty());
    // A text starting with a sound mark also begins at a mark the field joins.
    EXPECT_EQ(Ranges(kWidth, Sj("ｶﾞ"), Sj("゛")), (std::vector<ByteRange>{{1, 2}}));
}

TEST(MatchRanges, AgreeWithTheWindowedComparison) {
    // Random fields over characters whose folds collide, with texts cut from
    // them, under every combination of foldings.
    const std::vector<std::string> alphabet = {
        "a",    "A",    Sj("Ａ"), Sj("ａ"), Sj("か"), Sj("カ"),     Sj("ｶ"), Sj("ガ"), Sj("が"),
        "\xDE", "\xDF", Sj("ﾊ"),  Sj("パ"), Sj("゛"), Code(0x8341), " ",     "\x83",   "\r\n"};
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::string field;
        const int n = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) field += alphabet[rng() % alphabet.size()];
        std::string text;
        const int t = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < t; ++i) text += alphabet[rng() % (alphabet.size() - 3)];
        const std::uint32_t flags = (round % 2 ? kWidth : 0) | (round % 3 ? 0 : kAll);
        int minLen = 0, maxLen = 0;
        if (!GetSearchLengths(text, minLen, maxLen)) continue;
        const auto got = Ranges(flags, field, text);
        ASSERT_EQ(got, ReferenceRanges(flags, field, text)) << round;
        // Find next agrees on whether there is any match at all.
        ASSERT_EQ(!got.empty(), FieldMatches(flags, field, text, minLen, maxLen)) << round;
    }
}

struct FindAllDoc : ::testing::Test {
    FakePrompter prompter;
    FakeProgressFactory progress;
    FakeTitleTree tree;
    struct Find : IFindContext {
        std::string text;
        std::uint32_t option = FIND_DEFAULT;
        std::string GetFindString() override { return text; }
        std::uint32_t GetFindOption() override { return option; }
    } find;
    COrvDoc doc;

    void SetUp() override {
        doc.SetPorts({&tree, &progress, &prompter, nullptr, &find});
        // Tree order: 1, 2 (reply to 1), 3, 4.
        const char* titles[] = {"hello one", "three", "hello two", "four"};
        const int numbers[] = {1, 3, 2, 4};
        for (int i = 0; i < 4; ++i) {
            CComment& c = doc.NewRecord();
            c.SetNumber(numbers[i]);
            c.SetTitle(titles[i]);
            c.SetText(numbers[i] == 4 ? Sj("ｶﾞｲﾄﾞ HELLO\r\n") : "");
            if (numbers[i] == 2)
                doc.AddReplyTo(*doc.FindByNumber(1), c);
            else
                doc.AddRoot(c);
        }
        doc.BuildTree();
        progress.dialogs.clear();
        progress.totalChecks = 0;
    }
    std::vector<int> Numbers(const FindAllResult& r) {
        std::vector<int> out;
        for (std::size_t i : r.hits)
            out.push_back(tree.GetItemData(doc.GetTreeItems()[i])->GetNumber());
        return out;
    }
};

TEST_F(FindAllDoc, EveryHitInTreeOrderWithTheProgressPolledPerRecord) {
    find.text = "hello";
    find.option = FIND_TITLE | FIND_CONTENT | FIND_IGNORECASE;
    tree.SelectItem(doc.GetTreeItems()[2]);
    FindAllResult r = FindAll(doc.GetTreeItems(), doc.Ports());
    EXPECT_EQ(r.outcome, SearchOutcome::Found);
    EXPECT_EQ(Numbers(r), (std::vector<int>{1, 2, 4}));  // the selected record is tested too
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(progress.dialogs.size(), 1u);
    EXPECT_TRUE(progress.dialogs[0].cancelMode);
    EXPECT_EQ(progress.dialogs[0].captions, std::vector<std::string>{"検索中！"});
    EXPECT_EQ(progress.dialogs[0].checks, 5);  // before each record and once after
    EXPECT_TRUE(progress.dialogs[0].destroyed);
    EXPECT_EQ(tree.GetSelectedItem(), doc.GetTreeItems()[2]);  // the selection stays

    // Without case folding the message text's HELLO is no hit.
    find.option = FIND_TITLE | FIND_CONTENT;
    EXPECT_EQ(Numbers(FindAll(doc.GetTreeItems(), doc.Ports())), (std::vector<int>{1, 2}));
    // The folded ranges of the hit for highlighting.
    find.option = FIND_CONTENT | FIND_IGNOREWIDTH;
    CMatchFinder finder(find.option, Sj("ガイド"));
    RecordRanges ranges = FindRecordRanges(*doc.FindByNumber(4), find.option, finder);
    EXPECT_TRUE(ranges.title.empty());
    EXPECT_EQ(ranges.text, (std::vector<ByteRange>{{0, 5}}));
}

TEST_F(FindAllDoc, MessagesAsFindNextShowsThem) {
    find.text = "";
    EXPECT_EQ(FindAll(doc.GetTreeItems(), doc.Ports()).outcome, SearchOutcome::BadText);
    EXPECT_TRUE(progress.dialogs.empty());
    find.text = "absent";
    EXPECT_EQ(FindAll(doc.GetTreeItems(), doc.Ports()).outcome, SearchOutcome::NotFound);
    ASSERT_EQ(prompter.Ids(), (std::vector<int>{res::IDS_FIND_BADTEXT, res::IDS_FIND_NOTFOUND}));
    EXPECT_EQ(prompter.shown[1].text, "\"absent\" が見つかりません。");
    // A cancel drops the hits found so far.
    find.text = "hello";
    progress.totalChecks = 0;
    progress.cancelAfter = 3;
    FindAllResult r = FindAll(doc.GetTreeItems(), doc.Ports());
    EXPECT_EQ(r.outcome, SearchOutcome::Cancelled);
    EXPECT_TRUE(r.hits.empty());
    EXPECT_EQ(prompter.shown.back().id, res::IDS_FIND_CANCELLED);
}

TEST_F(FindAllDoc, FailureClosesTheProgressFirst) {
    struct ThrowingTree : FakeTitleTree {
        CComment* GetItemData(TreeItem) const override { throw std::bad_alloc(); }
    } bad;
    DocPorts ports = doc.Ports();
    ports.tree = &bad;
    find.text = "hello";
    FindAllResult r = FindAll(doc.GetTreeItems(), ports);
    EXPECT_EQ(r.outcome, SearchOutcome::Failed);
    EXPECT_EQ(prompter.Ids(), std::vector<int>{res::IDS_FIND_ERROR});
    EXPECT_EQ(progress.live, 0);
}

// The records in document order, with no tree, against the tree's items:
// a forest of random depth, every text and option of a table, find all and
// a find from every position in both directions.
TEST(RecordOrder, WalkingRecordsFindsWhatTheTreeFinds) {
    FakeTitleTree tree;
    struct : IFindContext {
        std::string text;
        std::uint32_t option = FIND_DEFAULT;
        std::string GetFindString() override { return text; }
        std::uint32_t GetFindOption() override { return option; }
    } find;
    COrvDoc doc;
    doc.SetPorts({&tree, nullptr, nullptr, nullptr, &find});
    std::mt19937 rng(11);
    const char* words[] = {"alpha", "Beta", "gamma", "ALPHA", "delta"};
    std::vector<CComment*> made;
    for (int n = 1; n <= 300; ++n) {
        CComment& c = doc.NewRecord();
        c.SetNumber(n);
        c.SetTitle(words[rng() % 5]);
        c.SetAuthor(words[rng() % 5]);
        c.SetText(std::string(words[rng() % 5]) + "\r\n");
        if (!made.empty() && rng() % 3 != 0)
            doc.AddReplyTo(*made[rng() % made.size()], c);
        else
            doc.AddRoot(c);
        made.push_back(&c);
    }
    doc.BuildTree();
    std::vector<const CComment*> records;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int) { records.push_back(&rec); });
    const std::vector<TreeItem>& items = doc.GetTreeItems();
    ASSERT_EQ(records.size(), items.size());

    const std::pair<const char*, std::uint32_t> cases[] = {
        {"alpha", FIND_TITLE},
        {"alpha", FIND_TITLE | FIND_IGNORECASE},
        {"beta", FIND_AUTHOR | FIND_IGNORECASE},
        {"gamma", FIND_CONTENT},
        {"delta", FIND_TARGETS},
        {"absent", FIND_TARGETS},
    };
    for (const auto& [text, option] : cases) {
        SCOPED_TRACE(text);
        find.text = text;
        find.option = option;
        const FindAllResult byTree = FindAll(items, doc.Ports());
        const FindAllResult byRecords = FindAll(CRecordOrder(records), doc.Ports());
        EXPECT_EQ(byRecords.outcome, byTree.outcome);
        EXPECT_EQ(byRecords.hits, byTree.hits);
        for (int start = 0; start < static_cast<int>(records.size()); start += 7) {
            for (int step : {+1, -1}) {
                tree.SelectItem(kNoItem);
                const SearchOutcome treeOutcome = SearchFrom(items, doc.Ports(), start, step);
                std::size_t hit = records.size();
                const SearchOutcome outcome =
                    SearchRecords(CRecordOrder(records), doc.Ports(), start, step, hit);
                ASSERT_EQ(outcome, treeOutcome);
                if (outcome == SearchOutcome::Found) {
                    EXPECT_EQ(items[hit], tree.GetSelectedItem());
                }
            }
        }
    }
}

}  // namespace
}  // namespace orv
