// The record store: fields in the arena, reply links, deletion and reclaim.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/archive.h"
#include "core/comment.h"

using namespace orv;

namespace {

CComment& Make(CCommentStore& s, int n, const std::string& text) {
    CComment& rec = s.NewRecord();
    rec.SetNumber(n);
    rec.SetId("ID" + std::to_string(n));
    rec.SetTitle("title " + std::to_string(n));
    rec.SetText(text);
    return rec;
}

std::vector<int> Numbers(const CommentList& list) {
    std::vector<int> out;
    for (CComment* rec : list) out.push_back(rec->GetNumber());
    return out;
}

TEST(Store, SettersKeepTheOtherFieldsAndMayReadTheRecordsOwnBytes) {
    CCommentStore s;
    CComment& rec = Make(s, 1, "body text");
    rec.SetAuthor("author");
    rec.SetTitle(rec.GetText().substr(5));  // a view of the record itself
    rec.SetDateTimeRaw("99/01/01 00:00:00");
    EXPECT_EQ(rec.GetId(), "ID1");
    EXPECT_EQ(rec.GetAuthor(), "author");
    EXPECT_EQ(rec.GetTitle(), "text");
    EXPECT_EQ(rec.GetDateTime(), "99/01/01 00:00:00");
    EXPECT_EQ(rec.GetText(), "body text");
}

TEST(Store, AppendedTextSurvivesMovesAcrossBlocks) {
    CCommentStore s;
    CComment& a = Make(s, 1, "");
    CComment& b = Make(s, 2, "b");
    std::string expectA, expectB = "b";
    for (int i = 0; i < 4000; ++i) {
        // Interleaved: each append to one record finds the other one last.
        std::string line = "line " + std::to_string(i) + std::string(i % 97, 'x') + "\r\n";
        s.AppendText(a, line);
        expectA += line;
        if (i % 3 == 0) {
            s.AppendText(b, line);
            expectB += line;
        }
    }
    EXPECT_EQ(a.GetText(), expectA);
    EXPECT_EQ(b.GetText(), expectB);
    EXPECT_EQ(a.GetTitle(), "title 1");
    EXPECT_EQ(b.GetId(), "ID2");
}

TEST(Store, RemovingKeepsTheListsWholeAndReusesEntries) {
    CCommentStore s;
    CComment& r1 = Make(s, 1, "one");
    CComment& r2 = Make(s, 2, "two");
    s.AddRoot(r1);
    s.AddRoot(r2);
    for (int n = 10; n < 13; ++n) r1.AddReply(Make(s, n, "reply"));
    CComment* deep = r1.GetReplies()[1];
    deep->AddReply(Make(s, 100, std::string(5000, 'd')));

    // The last reply: appending afterwards must still link behind the list.
    EXPECT_TRUE(s.Remove(r1.GetReplies()[2]));
    r1.AddReply(Make(s, 13, "new last"));
    EXPECT_EQ(Numbers(r1.GetReplies()), (std::vector<int>{10, 11, 13}));
    // A middle reply with its own subtree, then the last root.
    EXPECT_TRUE(r1.RemoveFromSubtree(deep));
    EXPECT_EQ(Numbers(r1.GetReplies()), (std::vector<int>{10, 13}));
    EXPECT_FALSE(r1.RemoveFromSubtree(deep));  // already gone
    EXPECT_TRUE(s.Remove(&r2));
    s.AddRoot(Make(s, 3, "three"));
    EXPECT_EQ(Numbers(s.Roots()), (std::vector<int>{1, 3}));
    EXPECT_EQ(s.LiveRecords(), 4u);  // 1, 3, 10, 13

    // The dead entries are handed out again before new ones.
    const std::size_t before = s.LiveRecords();
    CComment& again = s.NewRecord();
    EXPECT_EQ(again.GetText(), "");
    EXPECT_TRUE(again.GetReplies().empty());
    EXPECT_EQ(s.LiveRecords(), before + 1);
    s.Discard(again);
}

TEST(Store, CompactingKeepsEveryLiveFieldAndTheArchiveBytes) {
    CCommentStore s;
    CComment& keep = Make(s, 1, "kept");
    s.AddRoot(keep);
    CComment& big = Make(s, 2, std::string(1 << 20, 'b'));
    keep.AddReply(big);
    for (int n = 3; n < 50; ++n) keep.AddReply(Make(s, n, std::string(n, 'r')));
    ASSERT_TRUE(s.Remove(&big));
    std::string before;
    WriteArchive(s.Roots(), before);
    EXPECT_GE(s.DeadBytes(), std::size_t(1) << 20);
    s.CompactIfMostlyDead();
    EXPECT_EQ(s.DeadBytes(), 0u);
    EXPECT_LT(s.ArenaBytes(), std::size_t(1) << 20);
    std::string after;
    WriteArchive(s.Roots(), after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(keep.GetReplies()[0]->GetText(), "rrr");
}

}  // namespace
