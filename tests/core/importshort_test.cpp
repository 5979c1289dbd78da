// The import against the line-at-a-time reference on random logs of short
// header lines, where the fields written leave little room before the bytes
// they come from, spread over several files (so that later files start in
// the middle of an arena block), with duplicates answered either way.
#include <gtest/gtest.h>

#include <random>

#include "core/import/linereader.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/refimport.h"
#include "fakes/testfiles.h"
#include "tests/core/importcompare.h"

using namespace orv;
using namespace orv::test;

namespace {

// Logs of terse messages: header lines of a few bytes, reply markers early in
// header line 2, bodies of odd, over-long and NUL-holding lines and runs of
// plain ones.
struct Gen {
    std::mt19937 r;
    explicit Gen(unsigned s) : r(s) {}
    int P(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(r); }
    std::string Piece() {
        static const char* const p[] = {"a",    " ", "  ", "\t", "\r", "\n", "\x82\xA0",
                                        "\x82", "1", "/",  ":",  "(",  ")",  "\r\n"};
        return p[P(0, 13)];
    }
    std::string Junk(int n) {
        std::string s;
        for (int i = P(0, n); i > 0; --i) s += Piece();
        return s;
    }
    std::string H1(int n) {
        std::string s = std::to_string(n) + "/" + std::to_string(n);
        if (P(0, 3) == 0) {
            char b[32];
            std::snprintf(b, sizeof b, "%05d/%05d", n, 99999);
            s = b;
        }
        s += " I" + Junk(2) + " A" + Junk(3) + " T" + Junk(4);
        if (P(0, 5) == 0) s += std::string(P(30, 60), ' ') + "title" + Junk(3);
        return s + "\r\n";
    }
    std::string H2(int maxParent) {
        std::string s = "(" + std::string(P(0, 1) ? "12" : "\x82\xA0") + ")";
        std::string rest;
        switch (P(0, 3)) {
            case 0:
                rest = " 99/01/10 08:15:30";
                break;
            case 1:
                rest = "/ x:";
                break;
            case 2:
                rest = Junk(3) + "/" + Junk(2) + " " + Junk(2) + ":";
                break;
            default:
                rest = " 1/1 2:2";
                break;
        }
        s += rest;
        if (P(0, 1) && maxParent > 0) {
            std::string m = std::string(P(0, 2), ' ') + (P(0, 1) ? " " : "") +
                            std::to_string(P(1, maxParent)) + std::string(kCommentMarker);
            const std::size_t at = static_cast<std::size_t>(P(4, static_cast<int>(s.size())));
            if (P(0, 1))
                s.insert(at, m);
            else
                s += m;
        }
        return s + Junk(2) + "\r\n";
    }
    std::string Body() {
        switch (P(0, 16)) {
            case 10:
                return std::string(P(4093, 4098), 'M') + (P(0, 1) ? "\r\n" : "\r");
            case 11: {
                std::string s(P(0, 200), 'p');
                s += "\r";
                s += std::string(1, '\0');
                s += "\n";
                return s + "\r\n";
            }
            case 12: {
                std::string s;
                for (int i = P(1, P(0, 3) ? 3000 : 30000); i > 0; --i)
                    s += std::string(P(0, 130), 'q') + "\r\n";
                return s;
            }
            case 13:
                return std::string(P(1, 9000), 'w');
            case 14:
                return "\n" + Junk(3) + "\r\n";
            case 15:
                return std::string(P(60, 70), 'k') + "\r" + std::string(P(0, 2), '\r') + "\n";
            case 16:
                return std::string(P(0, 5000), 'z') + std::string(1, '\0') +
                       std::string(P(0, 5000), 'y') + "\r\n";
            case 0:
                return std::string(P(4090, 4100), 'L') + "\r\n";
            case 1:
                return std::string("a\0b\r\n", 5);
            case 2:
                return Junk(6) + "\r\n";
            case 3:
                return H2(5);
            case 4:
                return std::to_string(P(0, 9)) + Junk(3) + "\r\n";
            default:
                return "body " + Junk(4) + "\r\n";
        }
    }
    std::string File(int& next, int msgs) {
        std::string s;
        if (P(0, 2) == 0) s += Junk(4) + "\r\n";
        for (int m = 0; m < msgs; ++m) {
            const int n = P(0, 4) == 0 ? P(1, std::max(1, next)) : ++next;
            s += H1(n) + H2(next + 2);
            for (int l = P(0, 4) + (P(0, 10) == 0 ? P(10, 400) : 0); l > 0; --l) s += Body();
        }
        return s;
    }
};
}  // namespace

TEST(ImportShort, TerseMessagesOverSeveralFilesMatchTheReference) {
    TempDir dir;
    for (unsigned seed = 1; seed <= 80; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Gen g(seed);
        int next = 0;
        std::vector<std::string> paths;
        for (int f = g.P(1, 4); f > 0; --f)
            paths.push_back(dir.Write("f" + std::to_string(f) + ".log", g.File(next, g.P(1, 6))));
        ExpectSameAsReference(paths, seed % 2 != 0, seed % 3 ? MsgAnswer::Yes : MsgAnswer::No);
    }
}
