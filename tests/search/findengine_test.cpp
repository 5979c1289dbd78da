// Find next and find previous over a document: start points, fields,
// messages, the progress dialog and the selection.
#include "search/findengine.h"

#include <gtest/gtest.h>

#include <new>

#include "core/cp932.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "res/strings.h"

namespace orv {
namespace {

using test::FakeProgressFactory;
using test::FakePrompter;
using test::FakeTitleTree;

std::string Sj(const char* utf8) { return Utf8ToCp932(utf8).value_or("?"); }

class FakeFind : public IFindContext {
public:
    std::string text;
    std::uint32_t option = FIND_DEFAULT;
    std::string GetFindString() override { return text; }
    std::uint32_t GetFindOption() override { return option; }
};

// A tree whose item data can be made to fail, as an exhausted memory would.
class ThrowingTree : public FakeTitleTree {
public:
    int throwAt = -1;
    mutable int reads = 0;
    CComment* GetItemData(TreeItem item) const override {
        if (reads++ == throwAt) throw std::bad_alloc();
        return FakeTitleTree::GetItemData(item);
    }
};

// Remembers how many progress dialogs stood when each message was shown.
class WatchingPrompter : public FakePrompter {
public:
    const FakeProgressFactory* progress = nullptr;
    std::vector<int> liveAtMessage;
    MsgAnswer MessageBox(int id, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override {
        liveAtMessage.push_back(progress->live);
        return FakePrompter::MessageBox(id, text, icon, buttons);
    }
};

struct Record {
    int number;
    const char* title;
    const char* text = "";
    const char* author = "someone";
    const char* id = "ABC01234";
    int parent = 0;  // number of the record it answers, 0 for a root
};

struct FindDoc : ::testing::Test {
    WatchingPrompter prompter;
    FakeProgressFactory progress;
    ThrowingTree tree;
    FakeFind find;
    COrvDoc doc;

    void SetUp() override {
        prompter.progress = &progress;
        doc.SetPorts({&tree, &progress, &prompter, nullptr, &find});
    }
    void Load(const std::vector<Record>& records) {
        for (const Record& r : records) {
            CComment& c = doc.NewRecord();
            c.SetNumber(r.number);
            c.SetTitle(Sj(r.title));
            c.SetText(Sj(r.text));
            c.SetAuthor(Sj(r.author));
            c.SetId(r.id);
            if (r.parent)
                doc.AddReplyTo(*doc.FindByNumber(r.parent), c);
            else
                doc.AddRoot(c);
        }
        doc.BuildTree();
        progress.dialogs.clear();  // forget the rebuild's own dialog
        progress.totalChecks = 0;
    }
    // Tree order: 1, 2 (reply to 1), 3, 4, 5.
    void LoadFive() {
        Load({{1, "hello first"},
              {3, "third", "nothing here"},
              {2, "second hello", "", "someone", "ABC01234", 1},
              {4, "fourth"},
              {5, "hello fifth"}});
    }
    TreeItem ItemOf(int number) {
        for (TreeItem item : doc.GetTreeItems())
            if (tree.GetItemData(item)->GetNumber() == number) return item;
        return kNoItem;
    }
    int Selected() {
        TreeItem item = tree.GetSelectedItem();
        return item == kNoItem ? 0 : tree.GetItemData(item)->GetNumber();
    }
};

TEST_F(FindDoc, CommandsNeedTwoEntriesAndATarget) {
    EXPECT_FALSE(OnUpdateFindNext(doc));
    Load({{1, "only"}});
    EXPECT_FALSE(OnUpdateFindNext(doc));
    EXPECT_FALSE(OnUpdateFindPrev(doc));
    Load({{2, "two"}});
    EXPECT_TRUE(OnUpdateFindNext(doc));
    EXPECT_TRUE(OnUpdateFindPrev(doc));
    find.option = FIND_IGNORECASE | FIND_IGNOREWIDTH | FIND_IGNOREKANA;
    EXPECT_FALSE(OnUpdateFindNext(doc));
    EXPECT_FALSE(OnUpdateFindPrev(doc));
    for (std::uint32_t target : {FIND_TITLE, FIND_CONTENT, FIND_AUTHOR, FIND_AUTHORID}) {
        find.option = target;
        EXPECT_TRUE(OnUpdateFindNext(doc));
    }
}

TEST_F(FindDoc, WithoutSelectionNextSkipsTheFirstAndPrevTheLast) {
    LoadFive();
    find.text = "hello";
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 2);  // 1 holds the text too, but is not tested
    tree.SelectItem(kNoItem);
    OnFindPrev(doc);
    EXPECT_EQ(Selected(), 2);  // 5 is not tested; walking back from 4
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(FindDoc, NeverStopsOnTheStartRecordAndWalksTreeOrder) {
    LoadFive();
    find.text = "hello";
    tree.SelectItem(ItemOf(2));
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 5);
    OnFindPrev(doc);
    EXPECT_EQ(Selected(), 2);
    OnFindPrev(doc);
    EXPECT_EQ(Selected(), 1);
}

TEST_F(FindDoc, NothingHappensAtTheEndOfTheOrder) {
    LoadFive();
    find.text = "hello";
    tree.SelectItem(ItemOf(5));
    OnFindNext(doc);
    tree.SelectItem(ItemOf(1));
    OnFindPrev(doc);
    EXPECT_EQ(Selected(), 1);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(progress.dialogs.empty());
}

TEST_F(FindDoc, NoHitShowsTheTextInUtf8AndKeepsTheSelection) {
    LoadFive();
    find.text = Sj("ない物");
    tree.SelectItem(ItemOf(2));
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 2);
    ASSERT_EQ(prompter.Ids(), std::vector<int>{res::IDS_FIND_NOTFOUND});
    EXPECT_EQ(prompter.shown[0].text, "\"ない物\" が見つかりません。");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompter.liveAtMessage, std::vector<int>{1});  // shown over the dialog
    EXPECT_EQ(progress.live, 0);
}

TEST_F(FindDoc, ProgressInCancelModePolledOncePerRecord) {
    LoadFive();
    find.text = "fifth";
    OnFindNext(doc);  // tests 2, 3, 4, 5
    EXPECT_EQ(Selected(), 5);
    ASSERT_EQ(progress.dialogs.size(), 1u);
    EXPECT_TRUE(progress.dialogs[0].cancelMode);
    EXPECT_EQ(progress.dialogs[0].captions, std::vector<std::string>{"検索中！"});
    EXPECT_TRUE(progress.dialogs[0].positions.empty());
    EXPECT_EQ(progress.dialogs[0].checks, 4 + 1);
    EXPECT_TRUE(progress.dialogs[0].destroyed);
}

TEST_F(FindDoc, EmptyOrOverlongTextRefusedWithoutProgress) {
    LoadFive();
    for (const std::string& text : {std::string(), std::string(2049, 'x')}) {
        prompter.shown.clear();
        find.text = text;
        OnFindNext(doc);
        ASSERT_EQ(prompter.Ids(), std::vector<int>{res::IDS_FIND_BADTEXT});
        EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Exclamation);
    }
    EXPECT_TRUE(progress.dialogs.empty());
    prompter.shown.clear();
    find.text = std::string(2048, 'x');
    OnFindNext(doc);
    EXPECT_EQ(prompter.Ids(), std::vector<int>{res::IDS_FIND_NOTFOUND});
}

TEST_F(FindDoc, FieldsFollowTheOptionBits) {
    Load({{1, "start"},
          {2, "t", "line one\r\nneedle in text\r\n"},
          {3, "t", "", "needle author"},
          {4, "t", "", "x", "NEEDLE9"},
          {5, "needle title"}});
    find.text = "needle";
    find.option = FIND_TITLE;
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 5);
    find.option = FIND_TITLE | FIND_CONTENT | 0x8000;  // unnamed bits change nothing
    tree.SelectItem(kNoItem);
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 2);
    find.option = FIND_AUTHOR;
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 3);
    find.option = FIND_AUTHORID;
    prompter.shown.clear();
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 3);  // NEEDLE9 differs in case
    EXPECT_EQ(prompter.Ids(), std::vector<int>{res::IDS_FIND_NOTFOUND});
    tree.SelectItem(ItemOf(3));
    find.option = FIND_AUTHORID | FIND_IGNORECASE;
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 4);
}

TEST_F(FindDoc, FoldingsFromTheOptionWord) {
    Load({{1, "start"}, {2, "ＡＢＣ"}, {3, "ABC"}, {4, "ｶﾀｶﾅ"}, {5, "カタカナ"}});
    find.text = "abc";
    find.option = FIND_TITLE | FIND_IGNORECASE;
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 3);
    find.option |= FIND_IGNOREWIDTH;
    tree.SelectItem(kNoItem);
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 2);
    find.text = Sj("かたかな");
    find.option = FIND_TITLE | FIND_IGNOREKANA;
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 5);
    tree.SelectItem(ItemOf(3));
    find.option |= FIND_IGNOREWIDTH;
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 4);
}

TEST_F(FindDoc, CancelKeepsTheSelectionEvenAfterAHit) {
    LoadFive();
    find.text = "fifth";
    tree.SelectItem(ItemOf(2));
    progress.cancelAfter = 2;  // while testing record 4
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 2);
    ASSERT_EQ(prompter.Ids(), std::vector<int>{res::IDS_FIND_CANCELLED});
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(progress.dialogs[0].checks, 2 + 1);  // the walk stops, the final poll remains

    // A cancel request that arrives with the hit still cancels.
    prompter.shown.clear();
    progress.totalChecks = 0;
    progress.cancelAfter = 3;  // 4, 5, then the final poll
    tree.SelectItem(ItemOf(3));
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 3);
    EXPECT_EQ(prompter.Ids(), std::vector<int>{res::IDS_FIND_CANCELLED});
    EXPECT_EQ(progress.live, 0);
}

TEST_F(FindDoc, FailureDuringTheWalkClosesProgressFirst) {
    LoadFive();
    find.text = "fifth";
    tree.reads = 0;
    tree.throwAt = 1;
    OnFindNext(doc);
    EXPECT_EQ(Selected(), 0);
    ASSERT_EQ(prompter.Ids(), std::vector<int>{res::IDS_FIND_ERROR});
    EXPECT_EQ(prompter.liveAtMessage, std::vector<int>{0});
    EXPECT_TRUE(progress.dialogs[0].destroyed);
}

}  // namespace
}  // namespace orv
