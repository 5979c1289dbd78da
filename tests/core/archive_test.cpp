#include "core/archive.h"

#include <gtest/gtest.h>

#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"
#include "res/strings.h"

using namespace orv;
using namespace orv::test;

namespace {

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size();) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        i += 2;
    }
    return out;
}

CComment& Message1(CCommentStore& store) {
    CComment& rec = store.NewRecord();
    rec.SetNumber(1);
    rec.SetId("ABC00001");
    rec.SetAuthor(Sjis("試験 太郎"));
    rec.SetTitle(Sjis("雪の日の写真"));
    rec.SetDateTimeRaw("99/01/10 08:15:30");
    rec.SetText(Sjis("今朝の雪の写真を載せました。") + "\r\n\r\n");
    return rec;
}

const char kWorkedFile[] =
    "01 00 FF FF DC 00 08 00 43 43 6F 6D 6D 65 6E 74 01 00 00 00 "
    "08 41 42 43 30 30 30 30 31 09 8E 8E 8C B1 20 91 BE 98 59 "
    "0C 90 E1 82 CC 93 FA 82 CC 8E CA 90 5E "
    "11 39 39 2F 30 31 2F 31 30 20 30 38 3A 31 35 3A 33 30 "
    "20 8D A1 92 A9 82 CC 90 E1 82 CC 8E CA 90 5E 82 F0 8D DA 82 B9 82 DC 82 B5 82 BD 81 42 "
    "0D 0A 0D 0A 00 00";

TEST(Archive, WorkedExampleIsByteExactBothWays) {
    CCommentStore roots;
    roots.AddRoot(Message1(roots));
    std::string out;
    WriteArchive(roots.Roots(), out);
    EXPECT_EQ(out.size(), 105u);
    EXPECT_EQ(Hex(out), kWorkedFile);

    CCommentStore back;
    std::string bytes = Unhex(kWorkedFile);
    ASSERT_EQ(ReadArchive(bytes.data(), bytes.size(), back), ArchiveResult::Ok);
    ASSERT_EQ(back.Roots().size(), 1u);
    EXPECT_EQ(back.Roots()[0]->GetAuthor(), Sjis("試験 太郎"));
    EXPECT_EQ(back.Roots()[0]->GetDateTime(), "99/01/10 08:15:30");
}

TEST(Archive, LaterObjectsUseTheClassReferenceAndNestReplies) {
    CCommentStore roots;
    roots.AddRoot(Message1(roots));
    CComment& reply = Message1(roots);
    reply.SetNumber(2);
    roots.Roots()[0]->AddReply(reply);
    std::string out;
    WriteArchive(roots.Roots(), out);
    std::string first = Unhex(kWorkedFile);
    // Up to the reply count the bytes are those of the worked example.
    EXPECT_EQ(out.substr(0, 0x67), first.substr(0, 0x67));
    EXPECT_EQ(Hex(out.substr(0x67, 8)), "01 00 01 80 02 00 00 00");
    CCommentStore back;
    ASSERT_EQ(ReadArchive(out.data(), out.size(), back), ArchiveResult::Ok);
    ASSERT_EQ(back.Roots()[0]->GetReplies().size(), 1u);
    EXPECT_EQ(back.Roots()[0]->GetReplies()[0]->GetNumber(), 2);
}

TEST(Archive, StringAndCountPrefixes) {
    auto prefixOf = [](std::size_t len) {
        CCommentStore roots;
        roots.AddRoot(roots.NewRecord());
        roots.Roots()[0]->SetText(std::string(len, 'a'));
        std::string out;
        WriteArchive(roots.Roots(), out);
        // count(2) tag(2) schema(2) namelen(2) name(8) number(4) 4 empty strings
        return Hex(out.substr(24, len < 255 ? 1 : len < 0xFFFE ? 3 : 7));
    };
    EXPECT_EQ(prefixOf(254), "FE");
    EXPECT_EQ(prefixOf(255), "FF FF 00");
    EXPECT_EQ(prefixOf(0xFFFD), "FF FD FF");
    EXPECT_EQ(prefixOf(0xFFFE), "FF FF FF FE FF 00 00");

    CCommentStore many;
    for (int i = 0; i < 0xFFFF; ++i) many.AddRoot(many.NewRecord());
    std::string out;
    WriteArchive(many.Roots(), out);
    EXPECT_EQ(Hex(out.substr(0, 6)), "FF FF FF FF 00 00");
    CCommentStore back;
    ASSERT_EQ(ReadArchive(out.data(), out.size(), back), ArchiveResult::Ok);
    EXPECT_EQ(back.Roots().size(), 0xFFFFu);
}

TEST(Archive, EmptyDocumentAndTrailingBytes) {
    std::string out;
    WriteArchive(CommentList{}, out);
    EXPECT_EQ(Hex(out), "00 00");
    std::string withJunk = Unhex(kWorkedFile) + "garbage";
    CCommentStore back;
    EXPECT_EQ(ReadArchive(withJunk.data(), withJunk.size(), back), ArchiveResult::Ok);
    EXPECT_EQ(back.Roots().size(), 1u);
}

TEST(Archive, Schema200ReadsWithEmptyDateTimesAndSavesAs220) {
    // The worked file without its date-time string and with schema 200.
    std::string bytes = Unhex(kWorkedFile);
    bytes.erase(0x34, 18);
    bytes[4] = static_cast<char>(200);
    CCommentStore back;
    ASSERT_EQ(ReadArchive(bytes.data(), bytes.size(), back), ArchiveResult::Ok);
    EXPECT_EQ(back.Roots()[0]->GetDateTime(), "");
    EXPECT_EQ(back.Roots()[0]->GetText(), Sjis("今朝の雪の写真を載せました。") + "\r\n\r\n");
    std::string again;
    WriteArchive(back.Roots(), again);
    EXPECT_EQ(Hex(again.substr(4, 2)), "DC 00");
    EXPECT_EQ(again.size(), 105u - 17u);
}

TEST(Archive, WideStringsAreConvertedToCp932) {
    std::string bytes = Unhex(kWorkedFile);
    // Replace the ID string (at 0x14) with a wide string of "雪A".
    std::string wide = Unhex("FF FE FF 02 EA 96 41 00");
    bytes.replace(0x14, 9, wide);
    CCommentStore back;
    ASSERT_EQ(ReadArchive(bytes.data(), bytes.size(), back), ArchiveResult::Ok);
    EXPECT_EQ(back.Roots()[0]->GetId(), Sjis("雪A"));
}

TEST(Archive, MalformedFilesAreRejected) {
    const std::string good = Unhex(kWorkedFile);
    auto result = [](const std::string& bytes) {
        CCommentStore roots;
        return ReadArchive(bytes.data(), bytes.size(), roots);
    };
    EXPECT_EQ(result(""), ArchiveResult::Malformed);
    EXPECT_EQ(result("\x01"), ArchiveResult::Malformed);
    for (std::size_t cut = 2; cut < good.size(); ++cut)
        EXPECT_EQ(result(good.substr(0, cut)), ArchiveResult::Malformed) << cut;

    std::string otherClass = good;
    otherClass[8] = 'X';
    EXPECT_EQ(result(otherClass), ArchiveResult::Malformed);
    EXPECT_EQ(result(Unhex("01 00 FF FF DC 00 40 00") + std::string(64, 'C')),
              ArchiveResult::Malformed);                                // name longer than 63 bytes
    EXPECT_EQ(result(Unhex("01 00 00 00")), ArchiveResult::Malformed);  // no object
    EXPECT_EQ(result(Unhex("01 00 01 80")), ArchiveResult::Malformed);  // class not described
    // A reply that refers back to the first object (index 2).
    std::string backRef = good;
    backRef.replace(0x67, 2, Unhex("01 00 02 00"));
    EXPECT_EQ(result(backRef), ArchiveResult::Malformed);
    // Claims of four billion roots or replies, then the end.
    EXPECT_EQ(result(Unhex("FF FF 00 28 6B EE")), ArchiveResult::Malformed);
    std::string manyReplies = good;
    manyReplies.replace(0x67, 2, Unhex("FF FF 00 28 6B EE"));
    EXPECT_EQ(result(manyReplies), ArchiveResult::Malformed);
    // A string that claims 4 GB.
    std::string hugeString = good.substr(0, 0x14) + Unhex("FF FF FF FF FF FF FF");
    EXPECT_EQ(result(hugeString), ArchiveResult::Malformed);

    std::string schema = good;
    schema[4] = 0x10;
    EXPECT_EQ(result(schema), ArchiveResult::BadSchema);
}

TEST(Archive, MillionLevelChainWritesAndReadsBack) {
    auto roots = std::make_unique<CCommentStore>();
    CComment* tail = &roots->NewRecord();
    roots->AddRoot(*tail);
    for (int i = 1; i < 1000000; ++i) {
        CComment& next = roots->NewRecord();
        next.SetNumber(i);
        tail->AddReply(next);
        tail = &next;
    }
    std::string out;
    WriteArchive(roots->Roots(), out);
    roots.reset();  // deletes a million levels
    CCommentStore back;
    ASSERT_EQ(ReadArchive(out.data(), out.size(), back), ArchiveResult::Ok);
    std::string again;
    WriteArchive(back.Roots(), again);
    EXPECT_EQ(again, out);
}

struct DocFile : ::testing::Test {
    TempDir dir;
    FakePrompter prompter;
    FakeTitleTree tree;
    COrvDoc doc;
    void SetUp() override { doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr}); }
};

TEST_F(DocFile, OpenSaveRoundTripAndModifiedFlag) {
    std::string path = dir.Write("a.mld", Unhex(kWorkedFile));
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTreeItems().size(), 1u);
    doc.SetModifiedFlag();
    std::string out = dir.File("b.mld");
    ASSERT_TRUE(doc.OnSaveDocument(out));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(ReadAll(out), Unhex(kWorkedFile));
}

TEST_F(DocFile, FailedOpensReportAndLeaveTheRightDocument) {
    std::string good = dir.Write("a.mld", Unhex(kWorkedFile));
    ASSERT_TRUE(doc.OnOpenDocument(good));

    // A file that cannot be opened leaves the document as it was.
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("missing.mld")));
    EXPECT_EQ(doc.LastOpenResult(), COrvDoc::OpenResult::CannotOpen);
    EXPECT_EQ(doc.GetRootCount(), 1u);

    // So does a folder, which opens but is no document.
    EXPECT_FALSE(doc.OnOpenDocument(dir.Path().string()));
    EXPECT_EQ(doc.LastOpenResult(), COrvDoc::OpenResult::CannotOpen);
    EXPECT_EQ(doc.GetRootCount(), 1u);
    EXPECT_EQ(doc.GetTreeItems().size(), 1u);

    // A malformed file leaves an empty new document.
    EXPECT_FALSE(doc.OnOpenDocument(dir.Write("bad.mld", "\x01")));
    EXPECT_EQ(prompter.shown.back().id, res::IDS_ARCHIVE_MALFORMED);
    EXPECT_EQ(prompter.shown.back().text, "予期しないﾌｧｲﾙ形式です。");
    EXPECT_EQ(prompter.shown.back().icon, MsgIcon::Exclamation);
    EXPECT_EQ(doc.GetRootCount(), 0u);
    EXPECT_TRUE(doc.GetTreeItems().empty());
    EXPECT_TRUE(tree.Items().empty());

    std::string schema = Unhex(kWorkedFile);
    schema[4] = 0x10;
    ASSERT_TRUE(doc.OnOpenDocument(good));
    EXPECT_FALSE(doc.OnOpenDocument(dir.Write("schema.mld", schema)));
    EXPECT_EQ(prompter.shown.back().id, res::IDS_BAD_SCHEMA);
    EXPECT_EQ(doc.GetRootCount(), 0u);
}

TEST_F(DocFile, FailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    std::string path = dir.Write("a.mld", "old contents");
    ASSERT_TRUE(doc.OnOpenDocument(dir.Write("src.mld", Unhex(kWorkedFile))));
    doc.SetModifiedFlag();
    EXPECT_FALSE(doc.OnSaveDocument(dir.File("no/such/folder/x.mld")));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(prompter.shown.back().icon, MsgIcon::Exclamation);
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), Unhex(kWorkedFile));
    // Saving through a link replaces the file it names, not the link (where
    // the system lets a user make links).
    std::error_code noLinks;
    std::filesystem::create_symlink(path, dir.File("link.mld"), noLinks);
    if (!noLinks) {
        doc.OnNewDocument();
        ASSERT_TRUE(doc.OnSaveDocument(dir.File("link.mld")));
        EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.mld")));
        EXPECT_EQ(ReadAll(path), std::string("\0\0", 2));
        std::filesystem::remove(dir.File("link.mld"));
    }

    // Only the saved file is left in the folder: no temporary files.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 2);
}

}  // namespace
