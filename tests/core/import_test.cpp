#include <gtest/gtest.h>

#include "core/import/linereader.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"
#include "res/strings.h"
#include "tests/core/docfixture.h"

using namespace orv;
using namespace orv::test;

namespace {

struct Fixture : DocFixture {
    void Import(std::vector<std::string> paths) {
        CLogFileList list(std::move(paths));
        doc.ImportLogFiles(list);
    }
};

using ImportTest = Fixture;

TEST_F(ImportTest, WorkedExampleGivesThreeRecordsAndTheReplyTree) {
    Import({dir.Write("a.log", WorkedExample())});
    ASSERT_EQ(doc.GetRootCount(), 2u);
    const CComment& m1 = *doc.GetRoots()[0];
    EXPECT_EQ(m1.GetNumber(), 1);
    EXPECT_EQ(m1.GetId(), "ABC00001");
    EXPECT_EQ(m1.GetAuthor(), Sjis("試験 太郎"));
    EXPECT_EQ(m1.GetTitle(), Sjis("雪の日の写真"));
    EXPECT_EQ(m1.GetDateTime(), "99/01/10 08:15:30");
    EXPECT_EQ(m1.GetText(), Sjis("今朝の雪の写真を載せました。") + "\r\n\r\n");
    ASSERT_EQ(m1.GetReplies().size(), 1u);
    const CComment& m2 = *m1.GetReplies()[0];
    EXPECT_EQ(m2.GetNumber(), 2);
    EXPECT_EQ(m2.GetAuthor(), Sjis("見本 花子"));
    EXPECT_EQ(m2.GetTitle(), Sjis("RE:雪の日の写真"));
    EXPECT_EQ(m2.GetDateTime(), "99/01/10 09:02:11");
    EXPECT_EQ(m2.GetText(), Sjis("きれいですね。") + "\r\n");
    const CComment& m3 = *doc.GetRoots()[1];
    EXPECT_EQ(m3.GetNumber(), 3);
    EXPECT_EQ(m3.GetText(), Sjis("来月の集まりの案内です。") + "\r\n");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(TreeNumbers(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(prompter.shown.empty());
    // One import dialog with the file's name, one rebuild dialog.
    ASSERT_EQ(progress.dialogs.size(), 2u);
    EXPECT_EQ(progress.dialogs[0].captions.at(0), "a.log 取り込み中！");
    EXPECT_EQ(progress.dialogs[1].captions.at(0), "ツリー生成中！");
    EXPECT_EQ(progress.live, 0);
}

TEST_F(ImportTest, SecondImportAsksOnceAndOverwritesInPlaceOnYes) {
    std::string path = dir.Write("a.log", WorkedExample());
    Import({path});
    doc.SetModifiedFlag(false);
    CComment* m2 = doc.FindByNumber(2);
    m2->SetText("changed");
    prompter.answers = {MsgAnswer::Yes};
    Import({path});
    ASSERT_EQ(prompter.Ids(), std::vector<int>{res::IDS_IMPORT_DUPLICATE});
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Question);
    EXPECT_NE(prompter.shown[0].text.find("a.log"), std::string::npos);
    EXPECT_EQ(doc.GetRootCount(), 2u);
    EXPECT_EQ(doc.FindByNumber(2), m2);  // same record, refilled
    EXPECT_EQ(m2->GetText(), Sjis("きれいですね。") + "\r\n");
    // The overwrite changed message 2 back: the document is modified.
    EXPECT_TRUE(doc.IsModified());

    // Overwriting with identical messages changes nothing.
    doc.SetModifiedFlag(false);
    prompter.answers = {MsgAnswer::Yes};
    Import({path});
    EXPECT_EQ(doc.GetRootCount(), 2u);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ImportTest, SecondImportAnsweredNoLeavesTheDocumentAndGoesOnWithTheNextFile) {
    std::string a = dir.Write("a.log", WorkedExample());
    std::string b = dir.Write("b.log", Crlf({Header1(4, 4, "ABC00004", "別 人", "新しい話題"),
                                             Header2("99/01/12 10:00:00", 3), "body"}));
    Import({a});
    prompter.answers = {MsgAnswer::No};
    Import({a, b});
    EXPECT_EQ(prompter.Ids(), std::vector<int>{res::IDS_IMPORT_DUPLICATE});
    ASSERT_NE(doc.FindByNumber(4), nullptr);
    EXPECT_EQ(doc.GetRoots()[1]->GetReplies().size(), 1u);  // 4 under 3
}

TEST_F(ImportTest, DuplicatePolicyDecidesWithoutAskingAndTellsWhatHappens) {
    // policy, answer the prompter would give, message 2 overwritten, end.
    struct Case {
        COrvDoc::DuplicatePolicy policy;
        MsgAnswer answer;
        bool overwritten;
        COrvDoc::ImportEnd end;
        MsgButtons buttons;
    };
    using P = COrvDoc::DuplicatePolicy;
    using E = COrvDoc::ImportEnd;
    const Case cases[] = {
        {P::Ask, MsgAnswer::Yes, true, E::Normal, MsgButtons::YesNo},
        {P::Ask, MsgAnswer::No, false, E::DuplicateStopped, MsgButtons::YesNo},
        {P::Stop, MsgAnswer::Yes, false, E::DuplicateStopped, MsgButtons::Ok},
        {P::Overwrite, MsgAnswer::No, true, E::Normal, MsgButtons::Ok},
    };
    const std::string path = dir.Write("a.log", WorkedExample());
    for (const Case& c : cases) {
        doc.OnNewDocument();
        doc.SetDuplicatePolicy(P::Ask);
        Import({path});
        doc.FindByNumber(2)->SetText("changed");
        prompter.shown.clear();
        prompter.defaultAnswer = c.answer;
        doc.SetDuplicatePolicy(c.policy);
        Import({path});
        // Shown once per file whatever decides.
        ASSERT_EQ(prompter.Ids(), std::vector<int>{res::IDS_IMPORT_DUPLICATE});
        EXPECT_EQ(prompter.shown[0].buttons, c.buttons);
        EXPECT_EQ(doc.FindByNumber(2)->GetText() != "changed", c.overwritten);
        EXPECT_EQ(doc.LastImportEnd(), c.end);
        EXPECT_EQ(doc.GetRootCount(), 2u);
    }
}

TEST_F(ImportTest, RejectsFilesWithoutAMessageStartAndKeepsEarlierFiles) {
    std::string a = dir.Write("a.log", WorkedExample());
    std::string junk = dir.Write("junk.txt", "hello\r\nworld\r\n");
    std::string c = dir.Write("c.log", Crlf({Header1(9, 9, "X", "a b", "t"), Header2("1/2 3:4")}));
    Import({a, junk, c});
    ASSERT_EQ(prompter.Ids(), std::vector<int>{res::IDS_NOT_A_LOG});
    EXPECT_NE(prompter.shown[0].text.find("junk.txt"), std::string::npos);
    EXPECT_EQ(doc.FindByNumber(9), nullptr);  // later files are not read
    EXPECT_NE(doc.FindByNumber(3), nullptr);
    EXPECT_TRUE(doc.GetTreeItems().empty());  // no rebuild after a rejection
    EXPECT_EQ(doc.LastImportEnd(), COrvDoc::ImportEnd::NotALog);
}

TEST_F(ImportTest, EmptyAndLfOnlyFilesAreNotLogs) {
    // LF-only logs are read with LF line ends unless the bytes are taken as
    // they are (logencoding_test.cpp has the rest).
    doc.SetLogEncoding(LogEncodingMode::Cp932);
    Import({dir.Write("empty.log", "")});
    std::string lf = WorkedExample();
    std::string stripped;
    for (char ch : lf)
        if (ch != '\r') stripped += ch;
    Import({dir.Write("lf.log", stripped)});
    EXPECT_EQ(prompter.Ids(), (std::vector<int>{res::IDS_NOT_A_LOG, res::IDS_NOT_A_LOG}));
    EXPECT_EQ(doc.GetRootCount(), 0u);
}

TEST_F(ImportTest, ReplyToMissingParentBecomesARootAndStaysOne) {
    std::string a = dir.Write(
        "a.log",
        Crlf({Header1(2, 4, "B", "x y", "RE:t"), Header2("99/01/01 00:00:00", 1), "b",
              Header1(4, 4, "D", "x y", "RE:RE:t"), Header2("99/01/01 00:00:01", 2), "d"}));
    std::string b = dir.Write(
        "b.log", Crlf({Header1(1, 4, "A", "x y", "t"), Header2("99/01/01 00:00:02"), "a"}));
    Import({a, b});
    ASSERT_EQ(doc.GetRootCount(), 2u);
    EXPECT_EQ(doc.GetRoots()[0]->GetNumber(), 2);
    EXPECT_EQ(doc.GetRoots()[0]->GetReplies().at(0)->GetNumber(), 4);
    EXPECT_EQ(doc.GetRoots()[1]->GetNumber(), 1);
    EXPECT_TRUE(doc.GetRoots()[1]->GetReplies().empty());
}

TEST_F(ImportTest, HeaderLookalikeInsideABodyStaysInTheBody) {
    std::string lookalike = "00099/00100 ZZZ A B";
    Import({dir.Write("a.log", Crlf({Header1(1, 2, "A", "x y", "t"), Header2("99/01/01 0:0:0"),
                                     lookalike, "(12) not/a time", Header1(2, 2, "B", "x y", "u"),
                                     Header2("99/01/01 0:0:1")}))});
    ASSERT_EQ(doc.GetRootCount(), 2u);
    EXPECT_EQ(doc.GetRoots()[0]->GetText(), lookalike + "\r\n(12) not/a time\r\n");
    EXPECT_EQ(doc.GetRoots()[1]->GetText(), "");
}

TEST_F(ImportTest, CancelConfirmedKeepsTheCurrentMessageAndRebuilds) {
    std::vector<std::string> lines = {Header1(1, 2, "A", "x y", "t"), Header2("99/01/01 0:0:0")};
    for (int i = 0; i < 10; ++i) lines.push_back("line " + std::to_string(i));
    lines.push_back(Header1(2, 2, "B", "x y", "u"));
    lines.push_back(Header2("99/01/01 0:0:1"));
    lines.push_back("never read");
    std::string path = dir.Write("a.log", Crlf(lines));

    progress.cancelAfter = 3;
    prompter.answers = {MsgAnswer::No};  // first request declined
    Import({path});
    EXPECT_EQ(doc.GetRootCount(), 2u);  // declining goes on to the end

    doc.OnNewDocument();
    prompter.shown.clear();
    progress.totalChecks = 0;
    prompter.answers = {MsgAnswer::Yes};
    Import({path});
    EXPECT_EQ(prompter.Ids(),
              (std::vector<int>{res::IDS_IMPORT_ASK_CANCEL, res::IDS_IMPORT_CANCELLED}));
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Information);
    ASSERT_EQ(doc.GetRootCount(), 1u);
    EXPECT_EQ(doc.GetRoots()[0]->GetText(), "line 0\r\nline 1\r\nline 2\r\n");
    EXPECT_EQ(doc.GetTreeItems().size(), 1u);
    EXPECT_EQ(doc.LastImportEnd(), COrvDoc::ImportEnd::Cancelled);
}

TEST_F(ImportTest, UnopenableFirstFileEndsQuietlyALaterOneRebuilds) {
    Import({dir.File("missing.log")});
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(tree.clears, 0);
    Import({dir.Write("a.log", WorkedExample()), dir.File("missing.log")});
    EXPECT_EQ(doc.GetTreeItems().size(), 3u);
}

TEST_F(ImportTest, AFolderAmongTheLogsIsAFileThatCannotBeOpened) {
    std::filesystem::create_directory(dir.File("folder.log"));
    Import({dir.File("folder.log")});
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(tree.clears, 0);
    std::string later =
        Crlf({Header1(7, 7, "ID", "a b", "later"), Header2("99/01/01 00:00:00"), "text"});
    Import(
        {dir.Write("a.log", WorkedExample()), dir.File("folder.log"), dir.Write("b.log", later)});
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(TreeNumbers(), (std::vector<int>{1, 2, 3}));  // rebuilt; b.log not read
}

TEST(LogLines, HeaderLine1Rules) {
    EXPECT_TRUE(IsHeaderLine1("00012/00345 ID a b\r\n"));
    EXPECT_FALSE(IsHeaderLine1("00012/0345 ID a b\r\n"));   // lengths differ
    EXPECT_FALSE(IsHeaderLine1("00345/00012 ID a b\r\n"));  // first larger
    EXPECT_FALSE(IsHeaderLine1("00012/00345 ID a\r\n"));    // three tokens
    EXPECT_FALSE(IsHeaderLine1(" 0012/00345 ID a b\r\n"));  // not a digit first
    EXPECT_FALSE(IsHeaderLine1("00012-00345 ID a b\r\n"));
    EXPECT_TRUE(IsHeaderLine1("5/5 ID a b"));
}

TEST(LogLines, HeaderLine2Rules) {
    EXPECT_TRUE(IsHeaderLine2("(12) 99/01/10 08:15:30\r\n"));
    EXPECT_TRUE(IsHeaderLine2("(xx)99/01/10 08:15:30"));
    EXPECT_FALSE(IsHeaderLine2("(12 99/01/10 08:15:30"));
    EXPECT_FALSE(IsHeaderLine2("(12) 99-01-10 08:15:30"));
    EXPECT_FALSE(IsHeaderLine2("(12) 99/01/10"));
    EXPECT_FALSE(IsHeaderLine2("(12)"));
}

TEST(LogLines, TokensKindsAndTitleTrimming) {
    // Title after spaces before CR LF keeps one trailing space.
    std::string line = Header1(1, 1, "ID", "a b", "title") + "   \r\n";
    HeaderTokenArray tokens;
    SplitHeaderTokens(line, tokens);
    ASSERT_EQ(tokens.back().m_strToken, "\r\n");
    EXPECT_EQ(tokens.back().m_nKind, 3);
    EXPECT_EQ(tokens[0].m_nKind, 0);
    EXPECT_EQ(tokens[1].m_nKind, 1);
    EXPECT_EQ(tokens[2].m_nKind, 2);
    CCommentStore store;
    CComment& rec = store.NewRecord();
    rec.ParseHeader(tokens);
    EXPECT_EQ(rec.GetTitle(), "title ");
    EXPECT_EQ(rec.GetAuthor(), "a b");

    // A line that ends before column 38: no title, CR LF with the author.
    tokens.clear();
    SplitHeaderTokens("00001/00001 ID a b\r\n", tokens);
    rec.ParseHeader(tokens);
    EXPECT_EQ(rec.GetTitle(), "");
    EXPECT_EQ(rec.GetAuthor(), "a b\r\n");

    // Ending in spaces without CR LF: the last token is empty.
    tokens.clear();
    EXPECT_EQ(SplitHeaderTokens("a b  ", tokens), 3u);
    EXPECT_EQ(tokens.back().m_strToken, "");
}

TEST(LogLines, NumbersSaturateLikeAtoi) {
    EXPECT_EQ(ParseLeadingInt("00012/3", 7), 12);
    EXPECT_EQ(ParseLeadingInt("99999999999/1", 13), 2147483647);
    EXPECT_EQ(ParseLeadingInt("  -42x", 6), -42);
    EXPECT_EQ(ParseLeadingInt("-99999999999", 12), -2147483647 - 1);
    EXPECT_EQ(ParseLeadingInt("x", 1), 0);
}

TEST(LogLines, MarkerSearchNeverStartsOnATrailByte) {
    // 0x82 0xD6 ... inside a character whose trail byte is 0x82: "ア" is
    // 0x83 0x41; build "\x83\x82" + marker-tail to tempt a trail-byte match.
    std::string marker(kCommentMarker);
    std::string hay = std::string("\x88\x82") + marker.substr(1) + " " + marker;
    EXPECT_EQ(FindMbcs(hay, marker), hay.size() - marker.size());
}

TEST_F(ImportTest, ParentMarkerWithoutSpaceBeforeItMakesARoot) {
    std::string line2 = "(12)99/01/01" + Sjis("へのコメント") + " 00:00:00";
    Import({dir.Write("a.log", Crlf({Header1(1, 2, "A", "x y", "t"), Header2("99/01/01 0:0:0"),
                                     Header1(2, 2, "B", "x y", "u"), line2}))});
    EXPECT_EQ(doc.GetRootCount(), 2u);
}

TEST_F(ImportTest, OverLongLineKeepsTheByteAtTheCut) {
    std::string longLine(5000, 'x');
    longLine[4096] = 'Y';
    Import({dir.Write(
        "a.log", Crlf({Header1(1, 1, "A", "x y", "t"), Header2("99/01/01 0:0:0"), longLine}))});
    ASSERT_EQ(doc.GetRootCount(), 1u);
    std::string_view text = doc.GetRoots()[0]->GetText();
    EXPECT_EQ(text, std::string(4096, 'x') + "\n" + "Y" + std::string(903, 'x') + "\r\n");
}

TEST_F(ImportTest, CrLfSplitAtTheCutEndsTheLineNormally) {
    std::string line(4095, 'x');
    Import({dir.Write(
        "a.log", Crlf({Header1(1, 1, "A", "x y", "t"), Header2("99/01/01 0:0:0"), line, "next"}))});
    EXPECT_EQ(doc.GetRoots()[0]->GetText(), line + "\r\n" + "next\r\n");
}

TEST_F(ImportTest, DeepReplyChainImportsBuildsAndDeletesWithoutRecursion) {
    const int depth = 200000;
    std::string log;
    log.reserve(static_cast<std::size_t>(depth) * 80);
    for (int i = 1; i <= depth; ++i) {
        char l1[96], l2[64];
        std::snprintf(l1, sizeof l1, "%07d/%07d ID%07d  a                  t%d\r\n", i, depth, i,
                      i);
        if (i == 1)
            std::snprintf(l2, sizeof l2, "(12) 99/01/01 00:00:00\r\n");
        else
            std::snprintf(l2, sizeof l2, "(12) 99/01/01 00:00:00  %07d", i - 1);
        log += l1;
        log += l2;
        if (i > 1) log += Sjis("へのコメント") + "\r\n";
    }
    Import({dir.Write("deep.log", log)});
    ASSERT_EQ(doc.GetRootCount(), 1u);
    EXPECT_EQ(doc.GetTreeItems().size(), static_cast<std::size_t>(depth));
    EXPECT_EQ(doc.FindByNumber(depth)->GetNumber(), depth);
    tree.SelectItem(doc.GetTreeItems()[1]);
    prompter.answers = {MsgAnswer::Yes};
    doc.DeleteSelectedTree();
    EXPECT_EQ(doc.GetTreeItems().size(), 1u);
}

}  // namespace
