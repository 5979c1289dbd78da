// The import against the line-at-a-time reference on bytes placed where the
// reader's own seams are: the ends of its reads, the 64-byte blocks its
// masks cover, the start of a file whose bytes begin the lent end of the
// arena, and files of a few exact sizes.
#include <gtest/gtest.h>

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

const std::string kHead1 = "00001/00003 ID1  a b                        t\r\n";
const std::string kHead2 = "(12) 99/01/10 08:15:30\r\n";

// Exactly n bytes of plain lines, each ended by CR LF (the last one padded
// to land on n); fewer than two bytes are plain bytes with no line end.
std::string Filler(std::size_t n) {
    std::string s;
    while (n - s.size() >= 80)
        s += "filler line of plain text, long enough to span a mask block or so.....\r\n";
    const std::size_t rest = n - s.size();
    if (rest >= 2)
        s += std::string(rest - 2, 'f') + "\r\n";
    else
        s += std::string(rest, 'f');
    return s;
}

}  // namespace

// The fields of a message are written over the header lines they come from.
// When the message is the first of a file there is no slack before them, and
// the date written must not spoil header line 2 before its reply marker is
// looked for: here the second file's message answers the first file's.
TEST(ImportEdges, AReplyMarkerEarlyInHeaderLine2OfAFilesFirstMessage) {
    TempDir dir;
    const std::string a = dir.Write("a.log", "1/1 I A T\r\n" + kHead2 + "body1\r\n");
    const std::string line2 = "(12)/ 1" + std::string(kCommentMarker) + ":\r\n";
    const std::string b = dir.Write("b.log", "2/2 I A T\r\n" + line2 + "body2\r\n");
    for (bool watched : {false, true}) {
        SCOPED_TRACE(watched ? "watched" : "unwatched");
        ExpectSameAsReference({a, b}, watched);
    }
    // In one file: each over-long line of the first message takes a byte of
    // the room its header lines left, so the second message starts with as
    // little room as a file's first.
    for (int cuts : {11, 12, 13}) {
        SCOPED_TRACE(std::to_string(cuts) + " over-long lines");
        std::string log = "1/1 I A T\r\n" + kHead2;
        for (int i = 0; i < cuts; ++i) log += std::string(5000, 'L') + "\r\n";
        log += "2/2 I A T\r\n" + line2 + "body2\r\n";
        ExpectSameAsReference({dir.Write("c.log", log)}, false);
    }
    // The same into a document that has the parent from an earlier import.
    FakePrompter prompter;
    CListTitleTree tree;
    COrvDoc doc;
    doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr});
    CLogFileList first({a});
    doc.ImportLogFiles(first);
    CLogFileList second({b});
    doc.ImportLogFiles(second);
    const std::vector<std::string> dump = Dump(doc);
    ASSERT_EQ(dump.size(), 2u);
    EXPECT_EQ(dump[1].substr(0, 4), "1|2|");  // a reply of record 1
}

// A line end, header lines, a NUL after a CR and a cut of an over-long line
// placed at every offset around the end of the first and second reads, both
// line by line and in runs.
TEST(ImportEdges, BytesAroundTheEndsOfReadsMatchTheReference) {
    TempDir dir;
    const std::string msg = kHead1 + kHead2 + "x\r\n";
    struct Shape {
        const char* name;
        std::string bytes;
        std::size_t anchor;  // the byte placed on the boundary
    };
    const std::vector<Shape> shapes = {
        {"crlf", "abc\r\n" + msg + "tail\r\n", 4},
        {"head1", msg + "tail\r\n", 20},
        {"head2", msg + "tail\r\n", kHead1.size() + 3},
        {"cr-nul-lf", msg + "ab\r\0\ncd\r\n" + msg, msg.size() + 3},
        {"nul-first", msg + "q\r\n" + std::string(1, '\0') + "gone\r\n" + msg, msg.size() + 3},
        {"cut", msg + std::string(4095, 'c') + "\r\n" + msg, msg.size() + 4095},
        {"digit", msg + "7 not a header\r\n12/12 a b c\r\nmore\r\n", msg.size()},
    };
    const std::size_t chunk = std::size_t(256) << 10;
    for (const Shape& shape : shapes) {
        for (std::size_t boundary : {chunk, 2 * chunk}) {
            for (std::size_t at = boundary - 66; at <= boundary + 66; at += 12) {
                SCOPED_TRACE(std::string(shape.name) + " at " + std::to_string(at));
                const std::string log = msg + Filler(at - msg.size() - shape.anchor) + shape.bytes;
                const std::string path = dir.Write("r.log", log);
                ExpectSameAsReference({path}, false);
                ExpectSameAsReference({path}, true);
            }
        }
    }
}

// Files of a few exact sizes near the longest line: all one line, a message
// whose body fills the rest, and one that ends in a CR.
TEST(ImportEdges, FilesOfExactSizesMatchTheReference) {
    TempDir dir;
    const std::string msg = kHead1 + kHead2;
    for (std::size_t size : {0, 1, 2, 4095, 4096, 4097, 4098, 8193, 8194, 8195, 8196}) {
        std::vector<std::string> logs = {std::string(size, 'x')};
        if (size > msg.size() + 1) {
            logs.push_back(msg + std::string(size - msg.size(), 'b'));
            logs.push_back(msg + std::string(size - msg.size() - 1, 'b') + "\r");
            logs.push_back(msg + std::string(size - msg.size() - 2, 'b') + "\r\n");
            logs.push_back(msg + std::string(size - msg.size() - 2, 'b') + "\r\n" + kHead1);
        }
        for (std::size_t i = 0; i < logs.size(); ++i) {
            SCOPED_TRACE("size " + std::to_string(size) + " log " + std::to_string(i));
            const std::string path = dir.Write("s.log", logs[i]);
            ExpectSameAsReference({path}, false);
            ExpectSameAsReference({path}, true);
        }
    }
}
