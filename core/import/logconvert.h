// Turns the bytes of a log in another form (UTF-8, EUC-JP, ISO-2022-JP;
// LF or CR line ends) into the CP932 bytes with CR LF line ends that the
// line reader reads, a piece at a time: it keeps only the few bytes of a
// character cut at the end of a piece, never the whole log.
//
// EUC-JP is decoded by the system (charset_platform.h), only ever given
// well-formed characters (not row 13, which takes CP932's codes here, nor
// JIS X 0212, which becomes 〓: the systems' tables differ there); ISO-2022-JP is decoded here into
// EUC-JP first; UTF-8 is decoded here, in the pass that checks it. Every character then takes the
// CP932 code it decodes from (Cp932CodeTable, filled by the system's CP932 decoder); an ill-formed
// byte sequence, or a character CP932 cannot hold, becomes 〓 (0x81AC) and is counted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/import/logform.h"

namespace orv {

class CLogConverter {
public:
    explicit CLogConverter(LogForm form) : m_form(form) {}

    // Converts the next piece of the file, appending to out. last: the
    // piece ends the file (a character cut off at its end is replaced).
    void Convert(std::string_view in, bool last, std::string& out);
    // As Convert, but only counts what is replaced (Replaced and
    // FirstReplacedLine), writing nothing: a pass before the reading.
    void Count(std::string_view in, bool last);

    // Characters replaced by 〓 so far, and the line (from 1, counted in
    // the file's own line ends) of the first; 0 when none.
    std::uint64_t Replaced() const { return m_replaced; }
    std::uint64_t FirstReplacedLine() const { return m_firstLine; }

private:
    // ISO-2022-JP to EUC-JP bytes (0xFF for a byte that has no place);
    // returns the bytes used: an escape or a character cut off at the end of
    // a piece that is not the last is left for the next one.
    std::size_t IsoToEuc(std::string_view in, bool last, std::string& euc);
    // Puts byte b of the current ISO-2022-JP mode; returns the bytes used
    // from p (1 or 2), 0 when its character is cut off.
    std::size_t IsoChar(const unsigned char* p, std::size_t avail, bool last, std::string& euc);
    // UTF-8, EUC-JP or CP932 bytes to CP932 into m_cp; returns the bytes
    // used, as IsoToEuc.
    std::size_t Decode(std::string_view in, bool last);
    // The piece to decode: the bytes carried from the last piece, then in,
    // without a byte-order mark; false when it is all carried (a mark cut).
    bool Source(std::string_view in, bool last, std::string_view& src);
    // UTF-8 straight into o (room for two bytes per byte of in) with line
    // ends as CR LF, or with kWrite false only counted; returns the bytes
    // used.
    template <bool kWrite>
    std::size_t DecodeUtf8(std::string_view in, bool last, char*& o);
    // Where DecodeUtf8 puts its bytes and counts its lines, and whether a
    // run of plain bytes stops at control bytes (line ends still counted).
    struct Utf8Writer {
        char* out;
        std::uint64_t lines;
        bool stopAtControls;
    };
    // One byte or a run of plain bytes and the character after it, from
    // p[i] of the n bytes at p (eleven there); returns the bytes used.
    template <bool kWrite>
    std::size_t Round(const unsigned char* p, std::size_t i, std::size_t n, bool last, char*& out,
                      Utf8Writer& w);
    // Converts 64 bytes or a few more at p (80 there) to out when they are
    // ASCII bytes and kana and kanji, up to a character CP932 does not
    // hold, adding their line ends to lines; returns the bytes used, 0 when
    // the bytes hold anything else. out has room for 16 more than it gets.
    std::size_t WriteBlock(const unsigned char* p, unsigned char before, char*& out,
                           std::uint64_t& lines) const;
    // Counts 64 bytes or a few more at p (66 there) when they are ASCII
    // bytes and kana and kanji that CP932 holds, adding their line ends to
    // lines; returns the bytes used, 0 when the bytes hold anything else.
    // before: the byte before p[0].
    std::size_t CountBlock(const unsigned char* p, unsigned char before,
                           std::uint64_t& lines) const;
    // The byte or character at p[i] of the n bytes at p, put; returns the
    // bytes used, 0 when a character is cut off and more may come.
    template <bool kWrite>
    std::size_t PutOther(const unsigned char* p, std::size_t i, std::size_t n, bool last,
                         Utf8Writer& w);
    // An ASCII byte other than the plain ones; before is the byte before it.
    template <bool kWrite>
    void PutAscii(unsigned char b, unsigned char before, Utf8Writer& w);
    // A code other than a two-byte one (one byte, or 0xFFFF for 〓).
    template <bool kWrite>
    void PutOdd(std::uint16_t code, Utf8Writer& w);
    // Counts the code if it is 0xFFFF (〓) and, with kWrite, puts it at o.
    template <bool kWrite>
    void Put(std::uint16_t code, char*& o);
    // Writes the CP932 code (0xFFFF: 〓) at o; returns the end.
    char* PutCode(std::uint16_t code, char* o);
    // The well-formed EUC-JP run to CP932.
    void PutWellFormed(std::string_view run);
    // Puts 〓 for a character that has no CP932 form.
    void Replace();
    // The lines ended in m_cp before offset end.
    std::uint64_t LineEndsIn(std::size_t end) const;
    // m_cp with its line ends as CR LF onto out.
    void PutLines(std::string& out);

    LogForm m_form;
    std::string m_work;             // the bytes left from the last piece, then this piece
    std::string m_carry;            // the bytes left from the last piece
    std::string m_euc;              // ISO-2022-JP decoded to EUC-JP
    std::string m_cp;               // this piece in CP932, line ends as in the file
    std::string m_scratch;          // output nobody reads, when counting
    std::unique_ptr<char[]> m_buf;  // UTF-8 decoded, before it is handed on
    std::size_t m_bufSize = 0;
    std::u16string m_units;
    bool m_bStarted = false;  // the byte-order mark is behind
    int m_isoMode = 0;        // ASCII, JIS X 0201 Roman, katakana, JIS X 0208
    std::uint64_t m_replaced = 0;
    std::uint64_t m_firstLine = 0;
    std::size_t m_firstAt = std::string::npos;  // the first 〓 in m_cp
    std::uint64_t m_lines = 0;                  // lines ended before m_cp
    char m_prev = 0;                            // the last byte put
};

}  // namespace orv
