// The import reads whole files into the arena and writes each message in
// place. Its result is compared here with a plain reference import that
// reads the same files one line at a time through ReadLogLine, on logs made
// to hit every line rule: NULs, over-long lines, CR LF split at the cut,
// lone CR and LF, header look-alikes, duplicates, replies, cancels, and
// messages and files larger than the read chunks and arena blocks.
#include <gtest/gtest.h>

#include <random>

#include "core/import/linereader.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/refimport.h"
#include "fakes/testfiles.h"
#include "res/strings.h"
#include "tests/core/importcompare.h"

using namespace orv;
using namespace orv::test;

namespace {

// A random log: messages with header lines of every shape, bodies of
// ordinary, odd and over-long lines.
class LogMaker {
public:
    explicit LogMaker(std::uint32_t seed) : m_rng(seed) {}

    std::string Make(int messages, std::size_t bodyScale) {
        std::string out;
        if (Chance(3)) out += Junk() + "\r\n";
        for (int m = 0; m < messages; ++m) {
            const int number = Chance(8) ? Pick(1, 40) : ++m_next;
            out += Header1(number);
            out += Header2(number);
            const int lines = Pick(0, 6) + (Chance(20) ? static_cast<int>(bodyScale) : 0);
            for (int l = 0; l < lines; ++l) out += BodyLine();
        }
        if (Chance(3)) out += Junk();  // no line end at the end of the file
        return out;
    }

private:
    bool Chance(int oneIn) { return std::uniform_int_distribution<int>(0, oneIn - 1)(m_rng) == 0; }
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    std::string Junk() {
        static const char* const pieces[] = {"abc",  " ",  "\t", "\r", "\n", "\x82\xA0",
                                             "\x81", "12", "(",  ")",  "/",  ":"};
        std::string s;
        for (int i = Pick(0, 12); i > 0; --i) s += pieces[Pick(0, 11)];
        return s;
    }
    std::string Header1(int number) {
        char head[64];
        int width = Chance(10) ? 4 : 5;
        std::snprintf(head, sizeof head, "%0*d/%0*d", width, number, Chance(12) ? 4 : width,
                      99999 % (width == 4 ? 10000 : 100000));
        std::string s = head;
        s += " ID" + std::to_string(Pick(0, 999));
        s += std::string(static_cast<std::size_t>(Pick(1, 3)), ' ') + "\x8E\x8E\x8C\xB1 " + Junk();
        while (s.size() < static_cast<std::size_t>(Pick(20, 45))) s += ' ';
        s += "RE:\x90\xE1 " + Junk();
        if (Chance(6)) s += std::string(static_cast<std::size_t>(Pick(1, 3)), ' ');
        if (Chance(40)) s += std::string(static_cast<std::size_t>(Pick(4090, 4200)), 'T');
        if (Chance(30))
            s.insert(static_cast<std::size_t>(Pick(0, static_cast<int>(s.size()))), 1, '\0');
        return s + "\r\n";
    }
    std::string Header2(int number) {
        std::string s = "(" + std::to_string(Pick(10, 99)) + ") 99/01/" +
                        std::to_string(Pick(10, 28)) + " 08:15:30";
        if (Chance(3) && number > 1)
            s += "  " + std::to_string(Pick(1, number)) + std::string(kCommentMarker);
        if (Chance(25)) s = "(xx)nothing here";
        return s + "\r\n";
    }
    std::string BodyLine() {
        const int r = Pick(0, 399);
        if (r < 1) return std::string(1, '\0') + "after a NUL first\r\n";  // reads as end of file
        if (r < 9) return std::string(static_cast<std::size_t>(Pick(4090, 4100)), 'L') + "\r\n";
        if (r < 11)
            return std::string(static_cast<std::size_t>(Pick(8190, 13000)), '\x82') + "\r\n";
        if (r < 15) return std::string(4095, 'c') + "\r\n";  // CR LF across the cut
        if (r < 25) return std::string("a\0b\r\n", 5);
        if (r < 35) return "lone\rCR and lone\nLF\r\n";
        if (r < 50) return Header1(Pick(1, 50));  // a look-alike, maybe followed by a line 2
        if (r < 60) return Header2(5);
        if (r < 80) return "\r\n";
        if (r < 82)
            return std::string(static_cast<std::size_t>(Pick(5000, 20000)), 'n');  // no CR LF
        if (r < 100) return std::to_string(Pick(0, 99999)) + " " + Junk() + "\r\n";
        return "\x89\xEF\x8B\x63 " + Junk() + "\r\n";
    }
    std::mt19937 m_rng;
    int m_next = 0;
};

}  // namespace

TEST(ImportScan, MatchesTheLineAtATimeImportOnRandomLogs) {
    TempDir dir;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        LogMaker maker(seed);
        std::mt19937 rng(seed * 7919u);
        std::vector<std::string> paths;
        const int files = 1 + static_cast<int>(rng() % 3);
        for (int f = 0; f < files; ++f) {
            // Now and then a file far larger than the first arena blocks and
            // the read chunks, with messages of hundreds of kilobytes.
            const bool big = rng() % 4 == 0;
            paths.push_back(dir.Write("s" + std::to_string(seed) + "_" + std::to_string(f) + ".log",
                                      maker.Make(big ? 400 : 80, big ? 600 : 30)));
        }
        std::deque<MsgAnswer> answers;
        for (int a = 0; a < 8; ++a) answers.push_back(rng() % 3 ? MsgAnswer::Yes : MsgAnswer::No);
        const int cancelAfter = rng() % 3 == 0 ? static_cast<int>(rng() % 2000) : -1;

        FakePrompter prompter, refPrompter;
        prompter.answers = refPrompter.answers = answers;
        FakeProgressFactory progress, refProgress;
        progress.cancelAfter = refProgress.cancelAfter = cancelAfter;
        CListTitleTree tree, refTree;
        COrvDoc doc, ref;
        // Without a progress dialog plain lines are taken in runs; with one,
        // line by line with a cancel check after each.
        const bool watched = cancelAfter >= 0 || seed % 2 == 0;
        doc.SetPorts({&tree, watched ? &progress : nullptr, &prompter, nullptr, nullptr});
        ref.SetPorts({&refTree, nullptr, nullptr, nullptr, nullptr});

        CLogFileList list(paths);
        doc.ImportLogFiles(list);
        ReferenceImport(ref, paths, refPrompter, &refProgress);

        ASSERT_EQ(Dump(doc), Dump(ref));
        EXPECT_EQ(prompter.Ids(), refPrompter.Ids());
        if (watched) {
            EXPECT_EQ(progress.totalChecks, refProgress.totalChecks);
        }
    }
}

// A second import into a document whose arena is part used writes after
// what is there, and the first import's records keep their bytes.
TEST(ImportScan, ASecondFileAndASecondImportKeepEarlierRecordsIntact) {
    TempDir dir;
    LogMaker maker(99);
    const std::string a = dir.Write("a.log", maker.Make(200, 150));
    const std::string b = dir.Write("b.log", maker.Make(200, 150));
    FakePrompter prompter;
    prompter.defaultAnswer = MsgAnswer::Yes;
    CListTitleTree tree;
    COrvDoc doc, ref;
    doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr});
    CLogFileList first({a});
    doc.ImportLogFiles(first);
    const std::vector<std::string> before = Dump(doc);
    CLogFileList second({b, a});
    doc.ImportLogFiles(second);

    FakePrompter refPrompter;
    refPrompter.defaultAnswer = MsgAnswer::Yes;
    FakeProgressFactory refProgress;
    ReferenceImport(ref, {a}, refPrompter, &refProgress);
    EXPECT_EQ(before, Dump(ref));
    ReferenceImport(ref, {b, a}, refPrompter, &refProgress);
    EXPECT_EQ(Dump(doc), Dump(ref));
}

// Shapes the random logs seldom make: a message whose over-long lines add
// more LF bytes than its header lines left room for, a preamble larger than
// an arena block, a file ending in exactly 4,096 and 4,097 bytes without a
// line end, and a line that starts with LF after a CR LF.
TEST(ImportScan, LongRunsAndFileEndsMatchTheReference) {
    TempDir dir;
    const std::string head1 = "00001/00009 ID1  author                    title\r\n";
    const std::string head2 = "(12) 99/01/10 08:15:30\r\n";
    std::string junk;
    while (junk.size() < (std::size_t(6) << 20)) junk += "junk line without a message start\r\n";
    std::string cuts;
    for (int i = 0; i < 300; ++i) cuts += std::string(5000, 'x') + "\r\n";
    const std::vector<std::string> logs = {
        head1 + head2 + cuts,
        junk + head1 + head2 + "body\r\n\nstarts with LF\r\n" + cuts + "tail",
        head1 + head2 + "a\r\n" + std::string(4096, 'e'),
        head1 + head2 + "a\r\n" + std::string(4097, 'f'),
        head1 + head2 + std::string(4095, 'g') + "\r",
    };
    for (std::size_t i = 0; i < logs.size(); ++i) {
        SCOPED_TRACE("log " + std::to_string(i));
        EXPECT_EQ(
            ExpectSameAsReference({dir.Write("e" + std::to_string(i) + ".log", logs[i])}, false)
                .size(),
            1u);
    }
}

// The first refill of a file's first block slides the unread bytes down in
// the same block; message starts placed all along the bytes it moves come
// through whole.
TEST(ImportScan, MessagesInTheBytesOfARefillComeThroughWhole) {
    TempDir dir;
    const std::string messages =
        "00001/00003 ID1  a b                        t\r\n(12) 99/01/10 08:15:30\r\nx\r\n"
        "00002/00003 ID2  a b                        u\r\n(12) 99/01/10 08:15:31  00001" +
        std::string(kCommentMarker) + "\r\ny\r\n";
    for (std::size_t junk = 253000; junk < 262500; junk += 500) {
        SCOPED_TRACE("junk " + std::to_string(junk));
        std::string log;
        while (log.size() + 40 < junk) log += "junk line " + std::to_string(log.size()) + "\r\n";
        log += std::string(junk - log.size() - 2, 'p') + "\r\n" + messages;
        EXPECT_EQ(ExpectSameAsReference({dir.Write("j.log", log)}, false).size(), 2u);
    }
}
