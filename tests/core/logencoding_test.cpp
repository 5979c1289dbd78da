// Logs in other encodings and line ends: each is read as the same text in
// CP932 with CR LF is, checked by the archive both give, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/cp932.h"
#include "core/import/logconvert.h"
#include "core/import/logform.h"
#include "core/listtree.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"
#include "res/strings.h"

namespace orv::test {
namespace {

// --- encoders of the test's own, independent of the converter -------------

std::string Utf8Of(const std::string& cp932) { return Cp932ToUtf8(cp932); }

// UTF-8 as JIS-based tables write it: the code points CP932 spells otherwise.
std::string JisFlavoured(std::string utf8) {
    const char* pairs[][2] = {{"～", "〜"}, {"∥", "‖"},  {"－", "−"}, {"―", "—"},
                              {"￠", "¢"},  {"￡", "£"}, {"￢", "¬"}, {"￤", "¦"}};
    for (const auto& p : pairs)
        for (std::size_t at; (at = utf8.find(p[0])) != std::string::npos;)
            utf8.replace(at, std::string(p[0]).size(), p[1]);
    return utf8;
}

// CP932 of JIS X 0208 (rows 1 to 94 by arithmetic) and half-width katakana
// to EUC-JP.
std::string EucOf(const std::string& cp932) {
    std::string out;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (b >= 0xA1 && b <= 0xDF) {
            out += '\x8E';
            out += static_cast<char>(b);
        } else if (IsLeadByte(b) && i + 1 < cp932.size()) {
            const auto t = static_cast<unsigned char>(cp932[++i]);
            int row = (b <= 0x9F ? b - 0x81 : b - 0xC1) * 2 + (t >= 0x9F ? 2 : 1);
            int cell = t >= 0x9F ? t - 0x9E : t - (t >= 0x80 ? 0x40 : 0x3F);
            out += static_cast<char>(0xA0 + row);
            out += static_cast<char>(0xA0 + cell);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

// EUC-JP to ISO-2022-JP: each run of a set after its designation, ASCII
// designated again before the next ASCII byte and at the end.
std::string IsoOf(const std::string& euc) {
    std::string out;
    int set = 0;  // 0 ASCII, 1 JIS X 0208, 2 katakana
    auto select = [&](int want) {
        if (set == want) return;
        out += want == 0 ? "\x1b(B" : want == 1 ? "\x1b$B" : "\x1b(I";
        set = want;
    };
    for (std::size_t i = 0; i < euc.size(); ++i) {
        const auto b = static_cast<unsigned char>(euc[i]);
        if (b == 0x8E) {
            select(2);
            out += static_cast<char>(euc[++i] & 0x7F);
        } else if (b >= 0xA1) {
            select(1);
            out += static_cast<char>(b & 0x7F);
            out += static_cast<char>(euc[++i] & 0x7F);
        } else {
            select(0);
            out += static_cast<char>(b);
        }
    }
    select(0);
    return out;
}

std::string WithLineEnds(const std::string& crlf, const char* end) {
    std::string out;
    for (std::size_t i = 0; i < crlf.size(); ++i) {
        if (crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n') {
            out += end;
            ++i;
        } else {
            out += crlf[i];
        }
    }
    return out;
}

// --- the logs ---------------------------------------------------------------

// Replies, half-width katakana, the characters JIS and CP932 map apart,
// row 13's symbols, a line over 4,096 bytes, a header look-alike in a body.
std::string RichLog() {
    std::vector<std::string> lines = {Sjis("ﾛｸﾞ開始 ｷｬﾌﾟﾁｬ")};
    const char* bodies[] = {"波ダッシュ～と∥と－と―、￠￡￢。", "ｶﾀｶﾅ ﾃｽﾄ ｺﾒﾝﾄﾃﾞｽ｡",
                            "①②③ ㈱ № ℡ Ⅰ Ⅱ ∵ ≒", "00001/00002 見かけだけの行", ""};
    for (int n = 1; n <= 12; ++n) {
        lines.push_back(Header1(n, 12, "XYZ0000" + std::to_string(n % 10), "発言 者",
                                n % 3 ? "RE:話題 ｶﾅ" : "新しい話題"));
        lines.push_back(Header2("98/12/31 23:59:0" + std::to_string(n % 10), n > 1 ? n - 1 : -1));
        for (const char* body : bodies) lines.push_back(Sjis(body));
        if (n == 6) {
            std::string longLine;
            for (int k = 0; k < 400; ++k) longLine += Sjis("漢字かな");
            lines.push_back(std::string(200, 'x') + longLine);  // 3,400 bytes; 5,000 in UTF-8
        }
        if (n == 7) {
            std::string longLine;
            for (int k = 0; k < 625; ++k) longLine += Sjis("字のかな");
            lines.push_back(longLine);  // cut at 4,096 bytes
        }
    }
    return Crlf(lines);
}

// The bytes of the archive an import of the file at path gives.
std::string ArchiveOf(TempDir& dir, const std::string& path, COrvDoc::ImportEnd* end = nullptr,
                      std::vector<COrvDoc::ConvertedLog>* conversions = nullptr) {
    FakePrompter prompter;
    prompter.defaultAnswer = MsgAnswer::Yes;
    CListTitleTree tree;
    COrvDoc doc;
    doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr});
    CLogFileList list({path});
    doc.ImportLogFiles(list);
    if (end) *end = doc.LastImportEnd();
    if (conversions) *conversions = doc.LastImportConversions();
    const std::string out = dir.File("out.mld");
    EXPECT_TRUE(doc.OnSaveDocument(out));
    return ReadAll(out);
}

struct Form {
    const char* name;
    std::function<std::string(const std::string&)> encode;
    LogEncoding encoding;
};

const Form kForms[] = {
    {"CP932", [](const std::string& s) { return s; }, LogEncoding::Cp932},
    {"UTF-8", Utf8Of, LogEncoding::Utf8},
    {"UTF-8 BOM", [](const std::string& s) { return "\xEF\xBB\xBF" + Utf8Of(s); },
     LogEncoding::Utf8Bom},
    {"UTF-8 JIS", [](const std::string& s) { return JisFlavoured(Utf8Of(s)); }, LogEncoding::Utf8},
    {"EUC-JP", EucOf, LogEncoding::EucJp},
    {"ISO-2022-JP", [](const std::string& s) { return IsoOf(EucOf(s)); }, LogEncoding::Iso2022Jp},
};

struct Ends {
    const char* bytes;
    LineEnds ends;
};
const Ends kEnds[] = {{"\r\n", LineEnds::CrLf}, {"\n", LineEnds::Lf}, {"\r", LineEnds::Cr}};

TEST(LogEncoding, EveryFormGivesTheArchiveOfCp932WithCrLf) {
    TempDir dir;
    const std::pair<const char*, std::string> logs[] = {
        {"worked example", WorkedExample()},
        {"rich", RichLog()},
        {"sample", ReadAll(std::string(ORV_SOURCE_DIR) + "/samples/sample.log")}};
    for (const auto& [logName, cp932] : logs) {
        ASSERT_GT(cp932.size(), 100u) << logName;
        const std::string want = ArchiveOf(dir, dir.Write("want.log", cp932));
        for (const Form& form : kForms) {
            for (const Ends& ends : kEnds) {
                SCOPED_TRACE(std::string(logName) + " as " + form.name + " " + ends.bytes);
                const std::string bytes = WithLineEnds(form.encode(cp932), ends.bytes);
                COrvDoc::ImportEnd end;
                std::vector<COrvDoc::ConvertedLog> conv;
                EXPECT_EQ(ArchiveOf(dir, dir.Write("got.log", bytes), &end, &conv), want);
                EXPECT_EQ(end, COrvDoc::ImportEnd::Normal);
                const LogForm expect{form.encoding, ends.ends};
                if (!expect.Converted()) {
                    EXPECT_TRUE(conv.empty());
                    continue;
                }
                ASSERT_EQ(conv.size(), 1u);
                EXPECT_EQ(conv[0].form, expect);
                EXPECT_EQ(conv[0].replaced, 0u);
            }
        }
    }
}

TEST(LogEncoding, IsoWithoutKanaDesignationsReadsAsWithThem) {
    TempDir dir;
    const std::string cp932 = WorkedExample();
    const std::string iso = IsoOf(EucOf(cp932));
    ASSERT_EQ(iso.find("\x1b(I"), std::string::npos);
    EXPECT_EQ(ArchiveOf(dir, dir.Write("iso.log", WithLineEnds(iso, "\n"))),
              ArchiveOf(dir, dir.Write("want.log", cp932)));
}

// --- what the detector says of mixed evidence --------------------------------

LogForm Detect(const std::string& bytes, std::size_t piece = 1 << 16) {
    CLogFormDetector d;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        d.Feed(std::string_view(bytes).substr(at, piece));
    return d.Result();
}

TEST(LogEncoding, MixedEvidenceTable) {
    const std::string japanese = Sjis("日本語の会議室ログです。へのコメント");
    // EUC-JP of kana that CP932 also reads, as half-width katakana.
    const std::string eucKana = EucOf(Sjis("テストです。カタカナ"));
    std::string utf8OneBad = Utf8Of(Sjis("これは正しい文章です。") + "\r\n");
    utf8OneBad += "\xFF" + Utf8Of(Sjis("あいうえおかきくけこ")) + "\r\n";
    const struct {
        const char* what;
        std::string bytes;
        LogForm want;
    } cases[] = {
        {"pure ASCII", "00001/00001 ID\r\n(12) x\r\n", {LogEncoding::Cp932, LineEnds::CrLf}},
        {"pure ASCII, LF", "a\nb\n", {LogEncoding::Cp932, LineEnds::Lf}},
        {"half-width katakana only",
         Sjis("ｱｲｳｴｵ ﾃｽﾄ ｶﾞｲﾄﾞ ｺﾒﾝﾄ\r\nﾀﾞｲﾒｲ\r\n"),
         {LogEncoding::Cp932, LineEnds::CrLf}},
        {"CP932 Japanese", japanese + "\r\n", {LogEncoding::Cp932, LineEnds::CrLf}},
        {"EUC-JP also valid CP932", eucKana + "\r\n", {LogEncoding::EucJp, LineEnds::CrLf}},
        {"UTF-8 with one bad byte", utf8OneBad, {LogEncoding::Utf8, LineEnds::CrLf}},
        {"CR LF and LF", Utf8Of(japanese) + "\r\nx\ny\n", {LogEncoding::Utf8, LineEnds::CrLf}},
        {"CR only", japanese + "\r" + japanese + "\r", {LogEncoding::Cp932, LineEnds::Cr}},
        {"ISO-2022-JP", IsoOf(EucOf(japanese)) + "\n", {LogEncoding::Iso2022Jp, LineEnds::Lf}},
        {"a lone ESC", "abc\x1b\r\n", {LogEncoding::Cp932, LineEnds::CrLf}},
        {"ESC and 8-bit bytes", "\x1b$B" + japanese + "\r\n", {LogEncoding::Cp932, LineEnds::CrLf}},
        {"BOM only", "\xEF\xBB\xBF", {LogEncoding::Utf8Bom, LineEnds::CrLf}},
        {"empty", "", {LogEncoding::Cp932, LineEnds::CrLf}},
        {"NULs", std::string("a\0b\r\n\0", 6) + japanese, {LogEncoding::Cp932, LineEnds::CrLf}},
        {"UTF-8 Latin only", "caf\xC3\xA9\n", {LogEncoding::Cp932, LineEnds::Lf}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Detect(c.bytes), c.want) << c.what;
        EXPECT_EQ(Detect(c.bytes, 1), c.want) << c.what << ", fed a byte at a time";
    }
    // The EUC-JP case is truly ambiguous: its bytes are well-formed CP932.
    for (std::size_t i = 0; i < eucKana.size(); ++i)
        EXPECT_TRUE(static_cast<unsigned char>(eucKana[i]) >= 0xA1 &&
                    static_cast<unsigned char>(eucKana[i]) <= 0xDF);
}

// Without CR LF, the more frequent of lone CR and lone LF ends the lines:
// counted exactly over long stretches (past every width the counting
// takes at once), one more of either deciding, in pieces of any size.
TEST(LogEncoding, LoneCrAgainstLoneLfCountedExactly) {
    for (const std::size_t n : {std::size_t(1000), std::size_t(70000)}) {
        for (const bool moreCr : {false, true}) {
            std::string text;
            for (std::size_t i = 0; i < n; ++i) text += "abcdefghijklmnopqrstuvw\r";
            for (std::size_t i = 0; i < n; ++i) text += "xyz0123456789ABCDEFGHIJKLMNOP\n";
            text += moreCr ? "\r" : "\n";
            const LineEnds want = moreCr ? LineEnds::Cr : LineEnds::Lf;
            for (std::size_t piece : {std::size_t(7), std::size_t(4096), std::size_t(1) << 16})
                EXPECT_EQ(Detect(text, piece).ends, want) << n << " piece " << piece;
        }
    }
}

// Runs of plain bytes are passed over at once, the rest byte by byte: every
// byte fed is counted, in pieces of any size, and the encoding is settled
// exactly at the end of the evidence.
TEST(LogEncoding, EvidenceCountsEveryByteFed) {
    std::string text;
    for (std::size_t run = 0; text.size() < CLogFormDetector::kEvidenceBytes + 5000; ++run)
        text += std::string(run % 300, 'a') + (run % 3 ? "\x82\xA0" : "\x1b$B");
    for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(4096)}) {
        CLogFormDetector d;
        for (std::size_t at = 0; at < text.size(); at += piece) {
            const std::size_t n = std::min(piece, text.size() - at);
            d.Feed(std::string_view(text).substr(at, n));
            const std::uint64_t fed =
                std::min<std::uint64_t>(at + n, CLogFormDetector::kEvidenceBytes);
            ASSERT_EQ(d.Seen(), fed) << piece;
            ASSERT_EQ(d.EncodingSettled(), fed == CLogFormDetector::kEvidenceBytes) << piece;
        }
    }
}

TEST(LogEncoding, ModesFixTheEncodingAndCp932LooksAtNothing) {
    CLogFormDetector d;
    d.Feed(Utf8Of(Sjis("あ")) + "\n");
    EXPECT_EQ(d.Result(LogEncodingMode::Cp932), LogForm());
    EXPECT_EQ(d.Result(LogEncodingMode::EucJp), (LogForm{LogEncoding::EucJp, LineEnds::Lf}));
    EXPECT_EQ(d.Result(LogEncodingMode::Auto), (LogForm{LogEncoding::Utf8, LineEnds::Lf}));
    LogEncodingMode mode;
    EXPECT_TRUE(ParseEncodingMode("iso-2022-jp", mode));
    EXPECT_EQ(mode, LogEncodingMode::Iso2022Jp);
    EXPECT_FALSE(ParseEncodingMode("sjis", mode));
}

// --- the converter ------------------------------------------------------------

std::string Convert(LogForm form, const std::string& in, std::size_t piece,
                    CLogConverter* keep = nullptr) {
    CLogConverter local(form);
    CLogConverter& c = keep ? *keep : local;
    std::string out;
    for (std::size_t at = 0;; at += piece) {
        const bool last = at + piece >= in.size();
        c.Convert(std::string_view(in).substr(std::min(at, in.size()), piece), last, out);
        if (last) break;
    }
    return out;
}

TEST(LogEncoding, PiecesOfAnySizeConvertAsTheWhole) {
    std::string cp932 = RichLog();
    cp932.resize(cp932.rfind("\r\n", 12000) + 2);  // whole lines, the long ones among them
    for (const Form& form : kForms) {
        for (const Ends& ends : kEnds) {
            const LogForm f{form.encoding, ends.ends};
            const std::string in = WithLineEnds(form.encode(cp932), ends.bytes);
            for (std::size_t piece : {1, 2, 3, 5, 7, 64})
                EXPECT_EQ(Convert(f, in, piece), cp932) << form.name << " piece " << piece;
        }
    }
}

TEST(LogEncoding, ReplacementsAreCountedWithTheirFirstLine) {
    const LogForm utf8Lf{LogEncoding::Utf8, LineEnds::Lf};
    const LogForm eucCrLf{LogEncoding::EucJp, LineEnds::CrLf};
    const LogForm iso{LogEncoding::Iso2022Jp, LineEnds::CrLf};
    const LogForm utf8CrLf{LogEncoding::Utf8, LineEnds::CrLf};
    const std::string geta = "\x81\xAC";
    const struct {
        const char* what;
        LogForm form;
        std::string in, want;
        std::uint64_t replaced, line;
    } cases[] = {
        {"emoji", utf8Lf, "a\nb\xF0\x9F\x98\x80\n", "a\r\nb" + geta + "\r\n", 1, 2},
        {"e acute", utf8Lf, "\xC3\xA9\xC3\xA9", geta + geta, 2, 1},
        {"bad byte", utf8Lf, "x\n\n\x80y", "x\r\n\r\n" + geta + "y", 1, 3},
        {"cut at the end", utf8Lf, "ok\n\xE3\x81", "ok\r\n" + geta, 1, 2},
        {"broken then ASCII", utf8Lf, "\xE3\x81z", geta + "z", 1, 1},
        {"surrogate bytes", utf8Lf, "\xED\xA0\x80", geta + geta + geta, 3, 1},
        {"wave dash JIS", utf8Lf, "\xE3\x80\x9C", "\x81\x60", 0, 0},
        {"broken bar", utf8Lf, "\xC2\xA6", "\xFA\x55", 0, 0},
        {"EUC unassigned row", eucCrLf, "a\r\nb\r\n\xA9\xA1", "a\r\nb\r\n" + geta, 1, 3},
        {"EUC row 13", eucCrLf, "\xAD\xA1\xAD\xE2", "\x87\x40\x87\x82", 0, 0},
        {"EUC JIS X 0212", eucCrLf, "a\x8F\xA2\xC3", "a" + geta, 1, 1},
        {"EUC lone CR LF inside", eucCrLf, "\xA4\xA2\n\r\xA4\xA2", "\x82\xA0\n\r\x82\xA0", 0, 0},
        {"lone ESC", iso, "a\x1b", "a\x1b", 0, 0},
        {"unknown escape", iso, "\x1b$(D", "\x1b$(D", 0, 0},
        {"8-bit byte", iso, "\x1b$B\xA4\x22", geta + geta, 2, 1},
        {"odd JIS byte", iso, "\x1b$B\x24", geta, 1, 1},
        {"kana set", iso, "\x1b(I\x31\x1b(Bz", "\xB1z", 0, 0},
        {"NUL kept", utf8Lf, std::string("a\0\xE3\x81\x82", 5), std::string("a\0\x82\xA0", 4), 0,
         0},
        {"after long ASCII lines", utf8Lf,
         "abcdefghijklmnopqrstuvwxyz\n0123456789abcdef\nzz\xC3\xA9",
         "abcdefghijklmnopqrstuvwxyz\r\n0123456789abcdef\r\nzz" + geta, 1, 3},
        {"UTF-8 with CR LF", utf8CrLf, "abcdefghij\r\nklmnopqrstuv\r\n\rw\n\xC3\xA9 \xC3\xA9",
         "abcdefghij\r\nklmnopqrstuv\r\n\rw\n" + geta + " " + geta, 2, 3},
    };
    for (const auto& c : cases) {
        for (std::size_t piece : {std::size_t(1), std::size_t(1000)}) {
            CLogConverter conv(c.form);
            EXPECT_EQ(Convert(c.form, c.in, piece, &conv), c.want) << c.what;
            EXPECT_EQ(conv.Replaced(), c.replaced) << c.what;
            EXPECT_EQ(conv.FirstReplacedLine(), c.line) << c.what;
            // Counting alone, as before an import, finds the same.
            CLogConverter counter(c.form);
            for (std::size_t at = 0;; at += piece) {
                const bool last = at + piece >= c.in.size();
                counter.Count(std::string_view(c.in).substr(std::min(at, c.in.size()), piece),
                              last);
                if (last) break;
            }
            EXPECT_EQ(counter.Replaced(), c.replaced) << c.what << " counted";
            EXPECT_EQ(counter.FirstReplacedLine(), c.line) << c.what << " counted";
        }
    }
}

// Runs of plain bytes, kana and kanji are converted and counted 64 bytes
// at a time when the bytes are all there, else character by character
// (pieces too short for a block). Both ways give the same bytes, counts
// and first line on random mixtures that hold, now and then, what the
// blocks leave to the characters: half-width kana, characters CP932 lacks,
// other lengths, ill-formed bytes, controls and every kind of line end.
// Random UTF-8 of at least size bytes: mostly kanji and plain bytes, and
// seldom what converts otherwise: half-width kana, characters CP932 lacks,
// other lengths, ill-formed bytes, controls and every kind of line end.
// With plainFirst, nothing odd in the first plainFirst bytes.
std::string RandomUtf8(std::uint32_t& seed, std::size_t size, std::size_t plainFirst = 0) {
    static const char* const tokens[] = {
        // 漢字あロ
        "\xE6\xBC\xA2", "\xE5\xAD\x97", "\xE3\x81\x82", "\xE3\x83\xAD",
        // plain bytes and controls
        "a", "OK ", "0123456789abcdefghij", " ", "\n", "\r", "\r\n", "\t",
        // ｶ (one byte in CP932), ゔ (which CP932 lacks), é and an emoji
        "\xEF\xBD\xB6", "\xE3\x82\x94", "\xC3\xA9", "\xF0\x9F\x98\x80",
        // ill-formed, and the wave dash CP932 spells otherwise
        "\x80", "\xE3\x81", "\xE3\x80\x9C"};
    static const int weights[] = {30, 30, 30, 30, 20, 10, 3, 20, 6, 2, 6, 1, 2, 2, 1, 1, 1, 1, 1};
    static const std::vector<int> pick = [] {
        std::vector<int> p;
        for (int t = 0; t < static_cast<int>(std::size(weights)); ++t)
            p.insert(p.end(), weights[t], t);
        return p;
    }();
    std::string text;
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        const int t = pick[(seed >> 8) % pick.size()];
        if (text.size() >= plainFirst || t < 12) text += tokens[t];
    }
    return text;
}

// Runs of plain bytes, kana and kanji are converted and counted 64 bytes
// at a time when the bytes are all there, else character by character
// (pieces too short for a block). Both ways give the same bytes, counts
// and first line on random mixtures that hold, now and then, what the
// blocks leave to the characters.
TEST(LogEncoding, BlocksConvertAsCharacterByCharacter) {
    std::uint32_t seed = 12345;
    for (std::size_t round = 0; round < 300; ++round) {
        // Every other text holds nothing odd in its first 500 bytes, so that
        // its first odd character comes after many blocks.
        const std::string text = RandomUtf8(seed, 600 + round * 7, round % 2 ? 0 : 500);
        for (LineEnds ends : {LineEnds::CrLf, LineEnds::Lf, LineEnds::Cr}) {
            const LogForm form{LogEncoding::Utf8, ends};
            CLogConverter whole(form), pieces(form), counted(form);
            const std::string want = Convert(form, text, 7, &pieces);
            ASSERT_EQ(Convert(form, text, text.size() + 1, &whole), want) << round;
            counted.Count(text, true);
            for (const CLogConverter* c : {&whole, &counted}) {
                ASSERT_EQ(c->Replaced(), pieces.Replaced()) << round;
                ASSERT_EQ(c->FirstReplacedLine(), pieces.FirstReplacedLine()) << round;
            }
        }
    }
}

// A large file is read in two halves at once, for its line ends and (when
// the import will ask) what its conversion replaces: the form and the count
// are those of one pass, wherever the odd characters and line ends stand
// (before the cut, after it, on both sides, none), counted when the file is
// opened or when asked.
TEST(LogEncoding, LargeFilesReadInHalvesAsInOnePass) {
    TempDir dir;
    const std::string line = Utf8Of(Sjis("abc あいう 漢字 OK")) + "\n";
    const std::size_t lines = (3u << 20) / line.size();
    const std::string odd = "\xF0\x9F\x98\x80";
    const struct {
        const char* what;
        std::vector<std::size_t> at;  // lines given an odd character
        const char* ends;
        std::size_t otherAt;  // a line given the other end, or none
        const char* other;
        LineEnds want;
    } cases[] = {
        {"second half", {lines * 3 / 4}, "\n", 0, "", LineEnds::Lf},
        {"first half", {7}, "\n", 0, "", LineEnds::Lf},
        {"both", {lines / 4, lines * 3 / 4}, "\r", 0, "", LineEnds::Cr},
        {"none", {}, "\r\n", 0, "", LineEnds::CrLf},
        {"second half, CR LF", {lines - 2}, "\r\n", 0, "", LineEnds::CrLf},
        {"one CR LF near the end", {3}, "\n", lines - 3, "\r\n", LineEnds::CrLf},
        {"one CR LF past the first bytes", {}, "\r", lines / 8, "\r\n", LineEnds::CrLf},
        {"one lone CR among LF", {lines / 2}, "\n", lines * 3 / 4, "\r", LineEnds::Lf},
    };
    for (const auto& c : cases) {
        std::string text;
        for (std::size_t i = 0; i < lines; ++i) {
            std::string l = line;
            l.replace(l.size() - 1, 1, c.otherAt && i == c.otherAt ? c.other : c.ends);
            if (std::find(c.at.begin(), c.at.end(), i) != c.at.end()) l.insert(4, odd);
            text += l;
        }
        const std::string path = dir.Write("big.log", text);
        for (bool whenOpened : {false, true}) {
            CLogFileList list({path});
            list.SetCountWhenOpened(whenOpened);
            ASSERT_TRUE(list.OpenLogFile(0)) << c.what;
            CLogFormDetector one;
            one.Feed(text);
            EXPECT_EQ(list.Form(), one.Result()) << c.what;
            EXPECT_EQ(list.Form().ends, c.want) << c.what;
            CLogConverter whole(list.Form());
            whole.Count(text, true);
            EXPECT_EQ(list.CountReplacements(), whole.Replaced()) << c.what;
            EXPECT_EQ(whole.Replaced(), c.at.size()) << c.what;
        }
    }
}

// Line ends gathered in two parts and added give those of one pass, cut
// anywhere, a CR LF split by the cut among them.
TEST(LogEncoding, LineEndsAddedAsOnePass) {
    const std::string texts[] = {"a\r\nb",   "\r\n",      "\n\r",   "a\rb\nc\r",
                                 "\r\r\n\n", "x\ny\nz\r", "\r\rx\n"};
    for (const std::string& text : texts) {
        CLineEndStats whole;
        whole.Feed(text);
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            CLineEndStats first, later;
            first.Feed(text.substr(0, cut));
            later.Feed(text.substr(cut));
            first.Add(later);
            EXPECT_EQ(first.CrLf(), whole.CrLf()) << text << " cut " << cut;
            EXPECT_EQ(first.Ends(), whole.Ends()) << text << " cut " << cut;
        }
    }
}

// A large converted file is read in pieces converted ahead on a thread of
// their own: what the reader gets, the count and the first line are those
// of one pass, with or without a byte-order mark, whatever the line ends,
// with a CR LF or a run of continuation bytes split between pieces, and
// when a read error stops the file in the middle (a character cut there is
// dropped, not replaced).
TEST(LogEncoding, LargeFilesConvertedAheadAsInOnePass) {
    TempDir dir;
    std::uint32_t seed = 777;
    const std::string runs = std::string("\xE3") + std::string(70000, '\x81') + "z";
    // The first piece of 65,536 bytes ends between a CR and its LF, and the
    // first odd character comes pieces later.
    std::string split = "xy";
    for (int i = 0; i < 60000; ++i) split += "\xE3\x81\x82\r\n";
    split += "\xE3\x82\x94";
    // A read error in the middle of a character, in the second half (of an
    // LF file: no CR bytes to drop below).
    std::string cutShort = RandomUtf8(seed, 400000);
    cutShort.erase(std::remove(cutShort.begin(), cutShort.end(), '\r'), cutShort.end());
    std::size_t failAt = 200000;
    while ((static_cast<unsigned char>(cutShort[failAt]) & 0xC0) != 0x80) ++failAt;
    const struct {
        const char* what;
        std::string text;
        LineEnds ends;
        std::uint64_t failAt;  // a read error from here, or none
    } cases[] = {
        {"LF", RandomUtf8(seed, 700000, 300000), LineEnds::Lf, 0},
        {"CR", RandomUtf8(seed, 300000), LineEnds::Cr, 0},
        {"CR LF", RandomUtf8(seed, 300000), LineEnds::CrLf, 0},
        {"BOM", "\xEF\xBB\xBF" + RandomUtf8(seed, 300000), LineEnds::Lf, 0},
        {"continuation run", RandomUtf8(seed, 100000) + runs + RandomUtf8(seed, 100000),
         LineEnds::Lf, 0},
        {"CR LF split by a piece", split, LineEnds::CrLf, 0},
        {"read error", cutShort, LineEnds::Lf, failAt},
    };
    for (auto c : cases) {
        // One kind of line end: LF or CR alone, or CR LF among the others.
        const char drop = c.ends == LineEnds::Lf ? '\r' : c.ends == LineEnds::Cr ? '\n' : 0;
        if (drop) c.text.erase(std::remove(c.text.begin(), c.text.end(), drop), c.text.end());
        const bool bom = c.text.rfind("\xEF\xBB\xBF", 0) == 0;
        const LogForm form{bom ? LogEncoding::Utf8Bom : LogEncoding::Utf8, c.ends};
        const std::string path = dir.Write("apart.log", c.text);
        // What one converter makes of the bytes that can be read.
        CLogConverter whole(form);
        std::string want;
        whole.Convert(std::string_view(c.text).substr(0, c.failAt ? c.failAt : c.text.size()),
                      !c.failAt, want);
        if (c.failAt) CLogFileList::FailReadsFrom(c.failAt);
        CLogFileList list({path});
        list.SetEncodingMode(bom ? LogEncodingMode::Auto : LogEncodingMode::Utf8);
        ASSERT_TRUE(list.OpenLogFile(0)) << c.what;
        std::string got(want.size() + 100, '\0');
        got.resize(list.ReadBytes(got.data(), got.size()));
        CLogFileList::StopFailingReads();
        EXPECT_EQ(list.Form(), form) << c.what;
        EXPECT_TRUE(got == want) << c.what << ": " << got.size() << " bytes, " << want.size()
                                 << " wanted";
        EXPECT_EQ(list.Replaced(), whole.Replaced()) << c.what;
        EXPECT_EQ(list.FirstReplacedLine(), whole.FirstReplacedLine()) << c.what;
        EXPECT_EQ(list.Failed(), c.failAt != 0) << c.what;
    }
}

// --- the import's side ------------------------------------------------------

struct ConvertImport : ::testing::Test {
    TempDir dir;
    FakePrompter prompter;
    CListTitleTree tree;
    COrvDoc doc;
    void SetUp() override { doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr}); }
    void Import(std::vector<std::string> paths) {
        CLogFileList list(std::move(paths));
        doc.ImportLogFiles(list);
    }
};

TEST_F(ConvertImport, AsksBeforeReplacingNoLeavesTheFileOutAndTheRestIsListed) {
    std::string bad = Utf8Of(WorkedExample());
    bad.insert(bad.find("\r\n"), "\xF0\x9F\x98\x80");  // an emoji on line 1
    const std::string a = dir.Write("a.log", WithLineEnds(bad, "\n"));
    const std::string b = dir.Write("b.log", EucOf(WorkedExample()));
    prompter.answers = {MsgAnswer::No};
    Import({a, b});
    ASSERT_EQ(prompter.Ids(),
              (std::vector<int>{res::IDS_IMPORT_CONVERT_ASK, res::IDS_IMPORT_CONVERTED}));
    EXPECT_EQ(prompter.shown[0].text,
              "ファイル a.log は UTF-8 (LF 改行) で書かれています。Shift-JIS にない文字が 1 "
              "個あるため〓に置き換えて取り込みます。よろしいですか？");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompter.shown[1].text,
              "次のファイルを変換して取り込みました。\nb.log: EUC-JP (CR LF 改行)");
    EXPECT_EQ(prompter.shown[1].icon, MsgIcon::Information);
    EXPECT_EQ(doc.GetRootCount(), 2u);  // b's messages only
}

TEST_F(ConvertImport, YesReadsWithGetaAndTellsWhere) {
    std::string bad = Utf8Of(WorkedExample());
    bad.insert(bad.find(Utf8Of(Sjis("きれい"))), "\xC3\xA9");
    prompter.answers = {MsgAnswer::Yes};
    Import({dir.Write("a.log", bad)});
    ASSERT_EQ(prompter.Ids(),
              (std::vector<int>{res::IDS_IMPORT_CONVERT_ASK, res::IDS_IMPORT_CONVERTED}));
    EXPECT_EQ(prompter.shown[1].text,
              "次のファイルを変換して取り込みました。\na.log: UTF-8 (CR LF "
              "改行)、〓 1 個 (最初は 8 行目)");
    ASSERT_NE(doc.FindByNumber(2), nullptr);
    EXPECT_EQ(doc.FindByNumber(2)->GetText(), "\x81\xAC" + Sjis("きれいですね。") + "\r\n");
}

TEST_F(ConvertImport, LfOnlyIsReadUnderAutoAndRefusedUnderCp932) {
    const std::string lf = dir.Write("lf.log", WithLineEnds(WorkedExample(), "\n"));
    Import({lf});
    EXPECT_EQ(doc.LastImportEnd(), COrvDoc::ImportEnd::Normal);
    EXPECT_EQ(doc.GetRootCount(), 2u);
    COrvDoc plain;
    FakePrompter p2;
    plain.SetPorts({nullptr, nullptr, &p2, nullptr, nullptr});
    plain.SetLogEncoding(LogEncodingMode::Cp932);
    CLogFileList list({lf});
    plain.ImportLogFiles(list);
    EXPECT_EQ(p2.Ids(), std::vector<int>{res::IDS_NOT_A_LOG});
    EXPECT_TRUE(plain.LastImportConversions().empty());
}

TEST_F(ConvertImport, SilentNoticeAsksNothingAndReportsTheCounts) {
    doc.SetConversionNotice(COrvDoc::ConversionNotice::Silent);
    std::string bad = Utf8Of(WorkedExample());
    bad += "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\r\n";
    Import({dir.Write("a.log", bad), dir.Write("bom.log", "\xEF\xBB\xBF")});
    EXPECT_EQ(prompter.Ids(), std::vector<int>{res::IDS_NOT_A_LOG});  // the BOM-only file
    ASSERT_EQ(doc.LastImportConversions().size(), 2u);
    EXPECT_EQ(doc.LastImportConversions()[0].replaced, 2u);
    EXPECT_EQ(doc.LastImportConversions()[0].firstLine, 12u);
}

}  // namespace
}  // namespace orv::test
