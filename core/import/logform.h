// What a log file is written in: its encoding and its line ends, decided
// from its bytes before the import reads it.
//
// The rule (the same on every system: it reads bytes only):
// - Line ends, over the whole file: a CR LF anywhere keeps the usual line
//   rules (CR LF ends a line, a lone CR or LF stays in it). A file without
//   any CR LF whose lone LF or CR bytes are line ends is read with them,
//   LF when LF bytes are at least as many as CR bytes, else CR.
// - Encoding, from the first kEvidenceBytes of the file:
//   1. no byte of 0x80 or above and at least one ISO-2022-JP designation
//      (ESC $ @, ESC $ B, ESC ( B, ESC ( J, ESC ( I): ISO-2022-JP;
//   2. the UTF-8 byte-order mark first: UTF-8 with BOM;
//   3. at least one well-formed UTF-8 character of kana, kanji, CJK
//      punctuation or full-width forms, and ill-formed bytes at most one
//      per 16 well-formed multibyte characters: UTF-8;
//   4. well-formed EUC-JP throughout (two-byte characters of the rows that
//      JIS X 0208 fills, half-width katakana after 0x8E, JIS X 0212 after
//      0x8F), at least one two-byte character, and at least an eighth of
//      the two-byte characters in the kana and punctuation rows (lead byte
//      0xA1, 0xA4 or 0xA5): EUC-JP. Half-width katakana in CP932 use those
//      lead bytes rarely, Japanese text in EUC-JP all the time;
//   5. anything else: CP932, as the log was captured.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

enum class LogEncoding { Cp932, Utf8, Utf8Bom, EucJp, Iso2022Jp };
enum class LineEnds { CrLf, Lf, Cr };

// What the caller asks for: Auto detects; the others fix the encoding
// (Cp932 also the usual line rules: no detection at all).
enum class LogEncodingMode { Auto, Cp932, Utf8, EucJp, Iso2022Jp };

struct LogForm {
    LogEncoding encoding = LogEncoding::Cp932;
    LineEnds ends = LineEnds::CrLf;
    // Whether the bytes must be converted before the line reader sees them.
    bool Converted() const { return encoding != LogEncoding::Cp932 || ends != LineEnds::CrLf; }
    bool operator==(const LogForm&) const = default;
};

// UTF-8, with or without a byte-order mark.
inline bool IsUtf8(LogEncoding e) { return e == LogEncoding::Utf8 || e == LogEncoding::Utf8Bom; }

// A lead byte of an EUC-JP two-byte character of the rows JIS X 0208
// fills: rows 1 to 8, the row 13 of symbols Windows adds, rows 16 to 84.
inline bool IsEucJpLead(unsigned char b) {
    return (b >= 0xA1 && b <= 0xA8) || b == 0xAD || (b >= 0xB0 && b <= 0xF4);
}

// "UTF-8", "EUC-JP", ... and the form as the user is told it, e.g.
// "UTF-8 (LF 改行)" or "UTF-8 (BOM 付き、CR LF 改行)" (UTF-8 text).
const char* EncodingName(LogEncoding encoding);
std::string FormName(const LogForm& form);
// "auto", "cp932", "utf-8", "euc-jp", "iso-2022-jp"; false for another name.
bool ParseEncodingMode(std::string_view name, LogEncodingMode& mode);

// The line ends of bytes fed in order, in pieces of any size: whether a
// CR LF occurs, and how many LF and CR bytes stand alone.
class CLineEndStats {
public:
    void Feed(std::string_view bytes);
    // Adds the stats of the bytes that follow these (a CR LF split between
    // the two is one pair).
    void Add(const CLineEndStats& later);
    bool CrLf() const { return m_crlf; }
    // The line ends of a file without CR LF: LF or CR as the more of them
    // stand alone (LF on a tie); CrLf when there is a CR LF or neither.
    LineEnds Ends() const;

private:
    bool m_crlf = false;
    bool m_any = false;      // bytes were fed
    bool m_firstLf = false;  // the first of them is LF
    bool m_lastCr = false;
    std::uint64_t m_lf = 0, m_cr = 0;  // lone LF and lone CR bytes
};

// Gathers the evidence of a file fed to it in order, in pieces of any size.
class CLogFormDetector {
public:
    static constexpr std::uint64_t kEvidenceBytes = std::uint64_t(256) << 10;

    void Feed(std::string_view bytes);
    // False once more bytes cannot change the result: a CR LF was seen and
    // the evidence for the encoding is complete.
    bool NeedMore() const { return !(m_ends.CrLf() && EncodingSettled()); }
    // The bytes fed so far, and whether they settle the encoding: the rest
    // of a file tells only its line ends.
    std::uint64_t Seen() const { return m_ev.seen; }
    bool EncodingSettled() const { return m_ev.seen >= kEvidenceBytes; }
    // The line ends of the bytes after those fed, gathered elsewhere.
    void AddLineEnds(const CLineEndStats& rest) { m_ends.Add(rest); }
    // The form, after the whole file (or until NeedMore was false).
    LogForm Result(LogEncodingMode mode = LogEncodingMode::Auto) const;

private:
    void FeedEvidence(std::string_view bytes);
    LogEncoding DetectedEncoding() const;

    CLineEndStats m_ends;
    // Encoding evidence, kept apart so that a run of bytes is weighed in
    // locals (in registers) and stored once.
    struct Evidence {
        std::uint64_t seen = 0;
        unsigned char head[3] = {};
        bool high = false;
        std::uint64_t isoEsc = 0;
        int isoState = 0;  // bytes of an escape sequence seen
        unsigned char isoFirst = 0;
        // UTF-8: continuation bytes still due, the range of the next one.
        int u8Need = 0, u8Len = 0;
        unsigned char u8Lo = 0x80, u8Hi = 0xBF;
        char32_t u8Cp = 0;
        std::uint64_t u8Multi = 0, u8Bad = 0, u8Japanese = 0;
        // EUC-JP: trail bytes still due and their range.
        int eucNeed = 0;
        unsigned char eucLo = 0xA1, eucHi = 0xFE;
        std::uint64_t eucPairs = 0, eucKana = 0, eucBad = 0;
    };
    static void Utf8Byte(Evidence& e, unsigned char b);
    static void EucByte(Evidence& e, unsigned char b);
    static void IsoByte(Evidence& e, unsigned char b);
    Evidence m_ev;
};

}  // namespace orv
