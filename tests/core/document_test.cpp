#include <gtest/gtest.h>

#include <cstdint>

#include "core/cp932.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"
#include "res/strings.h"
#include "tests/core/docfixture.h"

using namespace orv;
using namespace orv::test;

namespace {

// Messages 1, 2 (reply to 1), 3 (reply to 1), 4 (reply to 2), in the given
// order of import.
struct TreeDoc : DocFixture {
    void ImportInOrder(const std::vector<int>& order) {
        const int parentOf[] = {0, -1, 1, 1, 2};
        std::vector<std::string> lines;
        for (int n : order) {
            lines.push_back(Header1(n, 4, "ID", "a b", "title" + std::to_string(n)));
            lines.push_back(Header2("99/01/01 00:00:00", parentOf[n]));
            lines.push_back("text " + std::to_string(n));
        }
        CLogFileList list({dir.Write("x.log", Crlf(lines))});
        doc.ImportLogFiles(list);
    }
    TreeItem ItemOf(int number) {
        for (TreeItem item : doc.GetTreeItems())
            if (tree.GetItemData(item)->GetNumber() == number) return item;
        return kNoItem;
    }
};

TEST_F(TreeDoc, BuildTreeListsItemsInDocumentOrderWithImages) {
    ImportInOrder({1, 2, 3, 4});
    EXPECT_EQ(TreeNumbers(), (std::vector<int>{1, 2, 4, 3}));
    const auto& i1 = tree.At(ItemOf(1));
    const auto& i2 = tree.At(ItemOf(2));
    const auto& i4 = tree.At(ItemOf(4));
    EXPECT_EQ(i1.parent, kTreeRoot);
    EXPECT_EQ(i1.image, 0);
    EXPECT_EQ(i1.selectedImage, 1);
    EXPECT_EQ(i2.parent, ItemOf(1));
    EXPECT_EQ(i2.image, 2);
    EXPECT_EQ(i2.selectedImage, 3);
    EXPECT_EQ(i4.parent, ItemOf(2));
    EXPECT_EQ(tree.redraw, (std::vector<bool>{false, true}));
}

TEST_F(TreeDoc, ReplyImportedBeforeItsParentStaysARoot) {
    ImportInOrder({2, 1, 4});
    EXPECT_EQ(TreeNumbers(), (std::vector<int>{2, 4, 1}));
    EXPECT_EQ(tree.At(ItemOf(4)).parent, ItemOf(2));
    EXPECT_EQ(tree.At(ItemOf(2)).parent, kTreeRoot);
}

TEST_F(TreeDoc, DeletingASubtreeKeepsSiblingsInOrder) {
    ImportInOrder({1, 2, 3, 4});
    doc.SetModifiedFlag(false);
    tree.SelectItem(ItemOf(2));
    prompter.answers = {MsgAnswer::Yes};
    doc.DeleteSelectedTree();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].id, res::IDS_DELETE_TREE);
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::None);
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(TreeNumbers(), (std::vector<int>{1, 3}));
    EXPECT_EQ(doc.FindByNumber(4), nullptr);
    EXPECT_TRUE(doc.IsModified());

    tree.SelectItem(ItemOf(1));
    prompter.answers = {MsgAnswer::Yes};
    doc.DeleteSelectedTree();
    EXPECT_TRUE(TreeNumbers().empty());
    EXPECT_EQ(doc.GetRootCount(), 0u);
}

TEST_F(TreeDoc, DeletedMessagesImportAgainAndSaveAsAFreshImportWould) {
    ImportInOrder({1, 2, 3, 4});
    tree.SelectItem(ItemOf(2));
    prompter.answers = {MsgAnswer::Yes};
    doc.DeleteSelectedTree();  // 2 and its reply 4: their entries are reused
    ImportInOrder({2, 4});
    EXPECT_EQ(TreeNumbers(), (std::vector<int>{1, 3, 2, 4}));
    ASSERT_TRUE(doc.OnSaveDocument(dir.File("again.mld")));

    doc.OnNewDocument();
    ImportInOrder({1, 3, 2, 4});
    ASSERT_TRUE(doc.OnSaveDocument(dir.File("fresh.mld")));
    EXPECT_EQ(ReadAll(dir.File("again.mld")), ReadAll(dir.File("fresh.mld")));
}

TEST_F(TreeDoc, DeleteAnsweredNoOrWithoutSelectionChangesNothing) {
    ImportInOrder({1, 2, 3, 4});
    doc.SetModifiedFlag(false);
    EXPECT_FALSE(doc.OnUpdateDeleteSelectedTree());
    tree.SelectItem(ItemOf(2));
    EXPECT_TRUE(doc.OnUpdateDeleteSelectedTree());
    prompter.answers = {MsgAnswer::No};
    doc.DeleteSelectedTree();
    EXPECT_EQ(TreeNumbers(), (std::vector<int>{1, 2, 4, 3}));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(TreeDoc, EmptyDocumentBuildsAnEmptyTree) {
    doc.BuildTree();
    EXPECT_EQ(tree.clears, 1);
    EXPECT_TRUE(doc.GetTreeItems().empty());
    ASSERT_EQ(progress.dialogs.size(), 1u);
    EXPECT_TRUE(progress.dialogs[0].positions.empty());
}

TEST_F(TreeDoc, AnItemThatCannotBeAddedSkipsItsSubtreeOnly) {
    ImportInOrder({1, 2, 3, 4});
    tree.insertions = 0;
    tree.failInsertAt = 1;  // item of message 2
    prompter.shown.clear();
    doc.BuildTree();
    EXPECT_EQ(TreeNumbers(), (std::vector<int>{1, 3}));
    EXPECT_EQ(prompter.Ids(), std::vector<int>{res::IDS_TREE_FAILED});
    EXPECT_NE(doc.FindByNumber(4), nullptr);  // the records are untouched
}

TEST_F(TreeDoc, NewDocumentClearsEverything) {
    ImportInOrder({1, 2});
    doc.OnNewDocument();
    EXPECT_EQ(doc.GetRootCount(), 0u);
    EXPECT_TRUE(doc.GetTreeItems().empty());
    EXPECT_TRUE(tree.Items().empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.FindByNumber(1), nullptr);
}

TEST(FindByNumber, FirstInDocumentOrderWinsAndFollowsDeletions) {
    COrvDoc doc;
    EXPECT_EQ(doc.FindByNumber(1), nullptr);
    CComment& a = doc.NewRecord();
    a.SetNumber(5);
    CComment& dup = doc.NewRecord();
    dup.SetNumber(7);
    a.AddReply(dup);
    CComment& b = doc.NewRecord();
    b.SetNumber(7);
    CComment* first7 = a.GetReplies()[0];
    CComment* second7 = &b;
    doc.AddRoot(a);
    doc.AddRoot(b);
    EXPECT_EQ(doc.FindByNumber(7), first7);
    // Remove the first 7 through the record interface; the index follows
    // once the document knows of the change (deletion rebuilds it).
    FakeTitleTree tree;
    FakePrompter prompter;
    prompter.answers = {MsgAnswer::Yes};
    doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr});
    doc.BuildTree();
    tree.SelectItem(doc.GetTreeItems()[1]);
    doc.DeleteSelectedTree();
    EXPECT_EQ(doc.FindByNumber(7), second7);
}

// Numbers that share their low bits (steps of 1,024 and 65,536), the ends
// of the 32-bit range and a dense run all stay findable as the table grows.
TEST(FindByNumber, NumbersSharingLowBitsAndRangeEndsAreAllFound) {
    COrvDoc doc;
    std::vector<std::int32_t> numbers = {INT32_MIN, INT32_MAX, -1, 0};
    for (std::int32_t i = 1; i <= 3000; ++i) {
        numbers.push_back(i * 1024);
        numbers.push_back(i * 65536 + 3);
        numbers.push_back(-i * 65536);
        numbers.push_back(i);
    }
    for (std::int32_t n : numbers) {
        CComment& r = doc.NewRecord();
        r.SetNumber(n);
        doc.AddRoot(r);
    }
    for (std::int32_t n : numbers) {
        CComment* found = doc.FindByNumber(n);
        ASSERT_NE(found, nullptr) << n;
        EXPECT_EQ(found->GetNumber(), n);
    }
    EXPECT_EQ(doc.FindByNumber(3001), nullptr);
    EXPECT_EQ(doc.FindByNumber(5 * 65536 + 4), nullptr);
}

TEST(Cp932, ConvertsBothWaysAndRefusesUnmappable) {
    const std::string sjis = "\x8E\x8E\x8C\xB1 \xB6\xDE";  // 試験 ｶﾞ
    EXPECT_EQ(Cp932ToUtf8(sjis), "試験 ｶﾞ");
    EXPECT_EQ(Utf8ToCp932("試験 ｶﾞ"), sjis);
    EXPECT_EQ(Utf8ToCp932("①"), "\x87\x40");  // NEC extension
    EXPECT_FALSE(Utf8ToCp932("😀").has_value());
    // A lone lead byte becomes the system's replacement character: U+FFFD
    // from ICU, ・ from the Windows code page.
    const std::string lone = Cp932ToUtf8("a\x81");
    EXPECT_TRUE(lone == "a\xEF\xBF\xBD" || lone == "a・") << lone;
}

TEST(Cp932, TypedCodePointsOfOtherTablesReachTheirCodes) {
    // What input methods type for characters CP932 holds under another code
    // point; each decodes back to the CP932 form.
    const std::pair<const char*, const char*> typed[] = {
        {"〜", "\x81\x60"}, {"‖", "\x81\x61"}, {"−", "\x81\x7C"}, {"—", "\x81\x5C"},
        {"¢", "\x81\x91"},  {"£", "\x81\x92"}, {"¬", "\x81\xCA"}, {"¦", "\xFA\x55"}};
    for (const auto& [utf8, code] : typed) {
        EXPECT_EQ(Utf8ToCp932(std::string("a") + utf8 + "b"), std::string("a") + code + "b")
            << utf8;
        EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(code)), code) << utf8;
    }
    const char16_t oldWide[] = {u'a', 0x301C, 0x00A6};
    EXPECT_EQ(Utf16ToCp932(oldWide, 3), "a\x81\x60\xFA\x55");
    // What CP932 cannot hold, and text that is not UTF-8, stay refused.
    for (const char* bad : {"é", "한", "\xE3\x81", "\xC0\xAF", "\xED\xA0\x80", "a\xFF"})
        EXPECT_FALSE(Utf8ToCp932(bad).has_value()) << bad;
}

TEST(StringTable, FormatsAndKnowsIcons) {
    EXPECT_EQ(res::Format(res::IDS_FIND_NOTFOUND, "abc"), "\"abc\" が見つかりません。");
    EXPECT_EQ(res::Icon(res::IDS_FIND_CANCELLED), MsgIcon::Information);
    EXPECT_STREQ(res::Text(res::IDS_OUT_OF_MEMORY), "メモリが足りません。");
}

}  // namespace
