#include "core/import/logconvert.h"

#include <bit>
#include <cstring>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/charset_platform.h"
#include "core/cp932.h"

namespace orv {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr char kNoPlace = '\xFF';  // never starts an EUC-JP character
const char kGeta[] = "\x81\xAC";   // 〓
const char kBom[] = "\xEF\xBB\xBF";

enum IsoMode { kAscii, kRoman, kKana, kJis0208 };
enum class Seq { Ok, Bad, Short };

// The UTF-8 character at p: its length, or when ill-formed the length of
// its longest well-formed start (at least 1); Short when avail ends it early.
Seq Utf8Seq(const unsigned char* p, std::size_t avail, std::size_t& len) {
    const unsigned char b = p[0];
    std::size_t need;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        len = 1;
        return Seq::Bad;
    }
    for (std::size_t k = 1; k <= need; ++k, lo = 0x80, hi = 0xBF) {
        if (k >= avail) {
            len = avail;
            return Seq::Short;
        }
        if (p[k] < lo || p[k] > hi) {
            len = k;
            return Seq::Bad;
        }
    }
    len = need + 1;
    return Seq::Ok;
}

// The EUC-JP character at p, as Utf8Seq.
Seq EucSeq(const unsigned char* p, std::size_t avail, std::size_t& len) {
    const unsigned char b = p[0];
    std::size_t need = 1;
    unsigned char hi = 0xFE;
    if (b == 0x8E) {
        hi = 0xDF;  // half-width katakana
    } else if (b == 0x8F) {
        need = 2;  // JIS X 0212
    } else if (!IsEucJpLead(b)) {
        // A character of an unfilled row is one character, not two.
        const bool pairLead = b >= 0xA1 && b <= 0xFE;
        if (pairLead && avail == 1) {
            len = 1;
            return Seq::Short;
        }
        len = pairLead && p[1] >= 0xA1 && p[1] <= 0xFE ? 2 : 1;
        return Seq::Bad;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (k >= avail) {
            len = avail;
            return Seq::Short;
        }
        if (p[k] < 0xA1 || p[k] > hi) {
            len = k;
            return Seq::Bad;
        }
    }
    len = need + 1;
    return Seq::Ok;
}

// How many of the eight bytes at p, from the first, are ASCII other than
// control bytes (with controls: ASCII at all). A control byte's borrow can
// only mark the bytes after it, so the first marked byte is exact.
inline std::size_t PlainPrefix8(const unsigned char* p, bool stopAtControls) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    std::uint64_t marked = w & kHigh;
    if (stopAtControls) marked |= (w - 0x2020202020202020u) & kHigh;
    if (!marked) return 8;
    return static_cast<std::size_t>(std::countr_zero(marked) >> 3);
}

// The UTF-16 unit of the well-formed two- or three-byte character at p.
inline unsigned UnitOf(const unsigned char* p, std::size_t len) {
    return len == 2 ? (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu)
                    : (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
}

// The code point of the kana or kanji character at p (three bytes there,
// with no narrower range to check than that of every continuation byte),
// else 0: the most of a Japanese log, told at once.
inline unsigned KanjiAt(const unsigned char* p) {
    const unsigned b = p[0];
    const bool ok = (b - 0xE1u <= 0xEFu - 0xE1u) & (b != 0xED) & ((p[1] & 0xC0u) == 0x80u) &
                    ((p[2] & 0xC0u) == 0x80u);
    return ok ? UnitOf(p, 3) : 0;
}

// A CP932 code of two bytes (not one byte, not 〓's mark 0xFFFF).
inline bool IsDoubleCode(std::uint16_t code) { return code >= 0x100 && code != 0xFFFF; }

#if defined(__SSE2__)
// One bit per byte of the 64 bytes at p: bytes of 0x80 and above, lead
// bytes of kana and kanji (0xE1 to 0xEF but 0xED: no narrower check of the
// next byte), continuation bytes, CR and LF.
struct ByteMasks {
    std::uint64_t high = 0, lead = 0, cont = 0, cr = 0, lf = 0;
};

inline __m128i Bytes(unsigned char b) { return _mm_set1_epi8(static_cast<char>(b)); }

inline std::uint64_t Mask16(__m128i v, int q) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(v))} << (16 * q);
}

inline ByteMasks MasksOf(const unsigned char* p) {
    ByteMasks m;
    for (int q = 0; q < 4; ++q) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q));
        const __m128i t = _mm_sub_epi8(v, Bytes(0xE1));
        const __m128i lead = _mm_andnot_si128(_mm_cmpeq_epi8(v, Bytes(0xED)),
                                              _mm_cmpeq_epi8(_mm_min_epu8(t, Bytes(0x0E)), t));
        m.high |= Mask16(v, q);
        m.lead |= Mask16(lead, q);
        m.cont |= Mask16(_mm_cmpeq_epi8(_mm_and_si128(v, Bytes(0xC0)), Bytes(0x80)), q);
        m.cr |= Mask16(_mm_cmpeq_epi8(v, Bytes('\r')), q);
        m.lf |= Mask16(_mm_cmpeq_epi8(v, Bytes('\n')), q);
    }
    return m;
}

// How many bytes from p[0] the characters that start in its first 64
// bytes take (64 to 66) when those are all ASCII bytes and well-formed
// kana and kanji; else 0.
inline std::size_t PlainSpan(const ByteMasks& m, const unsigned char* p) {
    if (m.high != (m.lead | m.cont) || m.cont != (m.lead << 1 | m.lead << 2)) return 0;
    // A character started in the last two bytes goes on after them.
    const unsigned over = (m.lead >> 63) ? 2 : unsigned(m.lead >> 62 & 1);
    for (unsigned k = 0; k < over; ++k)
        if ((p[64 + k] & 0xC0) != 0x80) return 0;
    return 64 + over;
}

// The bits set in x, without a call: x86-64 has no population count
// instruction in its baseline.
inline unsigned BitCount(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<unsigned>((x * 0x0101010101010101u) >> 56);
}

// The file's line ends among the 64 bytes: CR LF pairs (a CR just before
// p[0], the byte before, pairs too), or the lone LF or CR bytes.
inline std::uint64_t LineEndBits(const ByteMasks& m, LineEnds ends, unsigned char before) {
    if (ends == LineEnds::CrLf) return m.lf & (m.cr << 1 | (before == '\r'));
    return ends == LineEnds::Lf ? m.lf : m.cr;
}
#endif

// One bit per UTF-16 unit, set where CP932 holds no character for it: an
// eighth of a kilobyte per 1,024 units, small enough to stay in the
// nearest cache while a log is counted.
const std::uint64_t* UnheldBits() {
    static const std::unique_ptr<std::uint64_t[]> bits = [] {
        auto b = std::make_unique<std::uint64_t[]>(0x10000 / 64);
        const std::uint16_t* codes = Cp932CodeTable();
        for (unsigned u = 0; u < 0x10000; ++u)
            if (codes[u] == 0xFFFF) b[u >> 6] |= std::uint64_t{1} << (u & 63);
        return b;
    }();
    return bits.get();
}

// The mode an ISO-2022-JP designation at p selects; -1 for none.
int IsoDesignation(const unsigned char* p, std::size_t avail) {
    if (avail < 3) return -1;
    if (p[1] == '$' && (p[2] == '@' || p[2] == 'B')) return kJis0208;
    if (p[1] != '(') return -1;
    return p[2] == 'B' ? kAscii : p[2] == 'J' ? kRoman : p[2] == 'I' ? kKana : -1;
}

}  // namespace

bool CLogConverter::Source(std::string_view in, bool last, std::string_view& src) {
    src = in;
    if (!m_carry.empty()) {
        m_work.assign(m_carry);
        m_work.append(in);
        src = m_work;
    }
    if (!m_bStarted && m_form.encoding == LogEncoding::Utf8Bom) {
        if (!last && src.size() < 3 && std::string_view(kBom).substr(0, src.size()) == src) {
            m_carry.assign(src);
            return false;
        }
        if (src.substr(0, 3) == kBom) src.remove_prefix(3);
    }
    m_bStarted = true;
    return true;
}

void CLogConverter::Convert(std::string_view in, bool last, std::string& out) {
    std::string_view src;
    if (!Source(in, last, src)) return;
    if (IsUtf8(m_form.encoding)) {
        // Decoded into a buffer of its own: out would have to be cleared
        // to the most the piece can give before it was written.
        if (m_bufSize < 2 * src.size()) {
            m_bufSize = 2 * src.size();  // no byte gives more than two
            m_buf = std::make_unique<char[]>(m_bufSize);
        }
        char* o = m_buf.get();
        m_carry.assign(src.substr(DecodeUtf8<true>(src, last, o)));
        out.append(m_buf.get(), o);
        return;
    }
    m_cp.clear();
    m_firstAt = std::string::npos;
    std::size_t used;
    if (m_form.encoding == LogEncoding::Iso2022Jp) {
        m_euc.clear();
        used = IsoToEuc(src, last, m_euc);
        Decode(m_euc, true);
    } else {
        used = Decode(src, last);
    }
    m_carry.assign(src.substr(used));
    if (m_firstAt != std::string::npos && !m_firstLine)
        m_firstLine = m_lines + LineEndsIn(m_firstAt) + 1;
    if (!m_firstLine) m_lines += LineEndsIn(m_cp.size());
    if (!m_cp.empty()) m_prev = m_cp.back();
    PutLines(out);
}

void CLogConverter::Count(std::string_view in, bool last) {
    if (!IsUtf8(m_form.encoding)) {
        m_scratch.clear();
        Convert(in, last, m_scratch);
        return;
    }
    std::string_view src;
    if (!Source(in, last, src)) return;
    char* none = nullptr;
    m_carry.assign(src.substr(DecodeUtf8<false>(src, last, none)));
}

std::size_t CLogConverter::IsoToEuc(std::string_view in, bool last, std::string& euc) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] == kEsc) {
            if (n - i < 3 && !last) return i;
            const int mode = IsoDesignation(p + i, n - i);
            if (mode >= 0) {
                m_isoMode = mode;
                i += 3;
            } else {
                euc.push_back(static_cast<char>(kEsc));  // no designation: an ordinary byte
                ++i;
            }
            continue;
        }
        const std::size_t used = IsoChar(p + i, n - i, last, euc);
        if (!used) return i;
        i += used;
    }
    return n;
}

std::size_t CLogConverter::IsoChar(const unsigned char* p, std::size_t avail, bool last,
                                   std::string& euc) {
    const unsigned char b = p[0];
    if (b >= 0x80) {
        euc.push_back(kNoPlace);  // no eight-bit bytes in ISO-2022-JP
        return 1;
    }
    if (b < 0x21 || b == 0x7F || m_isoMode == kAscii || m_isoMode == kRoman) {
        euc.push_back(static_cast<char>(b));  // controls and the one-byte sets as they are
        return 1;
    }
    if (m_isoMode == kKana) {
        if (b <= 0x5F) euc.push_back('\x8E');
        euc.push_back(b <= 0x5F ? static_cast<char>(b | 0x80) : kNoPlace);
        return 1;
    }
    if (avail < 2) {
        if (!last) return 0;
        euc.push_back(kNoPlace);
        return 1;
    }
    if (p[1] < 0x21 || p[1] > 0x7E) {
        euc.push_back(kNoPlace);
        return 1;
    }
    euc.push_back(static_cast<char>(b | 0x80));
    euc.push_back(static_cast<char>(p[1] | 0x80));
    return 2;
}

std::size_t CLogConverter::Decode(std::string_view in, bool last) {
    if (m_form.encoding == LogEncoding::Cp932) {
        m_cp.append(in);
        return in.size();
    }
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    // Runs of well-formed bytes go to the system's decoder whole; each
    // ill-formed sequence between them becomes one 〓.
    std::size_t i = 0, run = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 < n && p[i] != 0xAD && IsEucJpLead(p[i]) && p[i + 1] >= 0xA1 &&
            p[i + 1] <= 0xFE) {
            i += 2;  // the commonest character, said well-formed at once
            continue;
        }
        std::size_t len;
        const Seq s = EucSeq(p + i, n - i, len);
        if (s == Seq::Ok && p[i] != 0xAD && p[i] != 0x8F) {
            i += len;
            continue;
        }
        if (s == Seq::Ok) {
            // Row 13 and JIS X 0212 are not left to the system, whose tables
            // differ there: row 13 is where CP932 has it, JIS X 0212 is 〓.
            PutWellFormed(in.substr(run, i - run));
            if (p[i] == 0x8F) {
                Replace();
            } else {
                const unsigned cell = p[i + 1] - 0xA0u;
                m_cp.push_back('\x87');
                m_cp.push_back(static_cast<char>(cell + 0x3F + (cell >= 64 ? 1 : 0)));
            }
            i += len;
            run = i;
            continue;
        }
        PutWellFormed(in.substr(run, i - run));
        if (s == Seq::Short && !last) return i;
        Replace();
        i += len;
        run = i;
    }
    PutWellFormed(in.substr(run));
    return n;
}

template <bool kWrite>
std::size_t CLogConverter::DecodeUtf8(std::string_view in, bool last, char*& o) {
    // UTF-8 is decoded here, in the same pass that checks it, turns the line
    // ends into CR LF and counts lines: a character is its bits, and its
    // CP932 code comes from the table the system's CP932 decoder filled.
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    // The output and the line count are locals of the loop, handed to the
    // rarer paths in w: kept in registers, not read back after every byte.
    Utf8Writer w{o, m_lines, kWrite || !m_firstLine};
    char* out = o;
    std::size_t i = 0;
    std::size_t roundsTo = 0;
    while (i + 11 <= n) {
        if (i + 80 <= n && i >= roundsTo) {
            // 64 bytes at once when they are plain bytes, kana and kanji;
            // else, and from a character CP932 does not hold, the rounds.
            const unsigned char before = i ? p[i - 1] : static_cast<unsigned char>(m_prev);
            const std::size_t used = kWrite ? WriteBlock(p + i, before, out, w.lines)
                                            : CountBlock(p + i, before, w.lines);
            i += used;
            if (!used) roundsTo = i + 64;
            continue;
        }
        i += Round<kWrite>(p, i, n, last, out, w);
    }
    w.out = out;
    while (i < n) {
        const std::size_t used = PutOther<kWrite>(p, i, n, last, w);
        if (!used) break;
        i += used;
    }
    m_lines = w.lines;
    o = w.out;
    if (i > 0) m_prev = static_cast<char>(p[i - 1]);  // the last byte read, for a CR LF cut
    return i;
}

template <bool kWrite>
inline std::size_t CLogConverter::Round(const unsigned char* p, std::size_t i, std::size_t n,
                                        bool last, char*& out, Utf8Writer& w) {
    // Japanese text alternates short runs of plain bytes with kana and
    // kanji. A round takes the run before the next character (up to eight
    // bytes at once, perhaps none) and then that character, so that the
    // branches taken are the same round after round. Eleven bytes from p[i]
    // hold the run and any character after it.
    static const std::uint16_t* const codes = Cp932CodeTable();
    static const std::uint64_t* const unheld = UnheldBits();
    const std::size_t k = PlainPrefix8(p + i, w.stopAtControls);
    if (kWrite) std::memcpy(out, p + i, 8);  // the buffer has room for two per byte
    if (kWrite) out += k;
    if (k == 8) return k;
    const unsigned cp = KanjiAt(p + i + k);
    if (cp && (kWrite ? IsDoubleCode(codes[cp]) : !((unheld[cp >> 6] >> (cp & 63)) & 1))) {
        if (kWrite) out[0] = static_cast<char>(codes[cp] >> 8);
        if (kWrite) out[1] = static_cast<char>(codes[cp] & 0xFF);
        if (kWrite) out += 2;
        return k + 3;
    }
    // Anything else (a control byte, a half-width kana, a character CP932
    // lacks, another length, an ill-formed byte) the long way.
    w.out = out;
    std::size_t used = 3;
    if (cp)
        PutOdd<kWrite>(codes[cp], w);
    else
        used = PutOther<kWrite>(p, i + k, n, last, w);
    out = w.out;
    return k + used;
}

std::size_t CLogConverter::CountBlock(const unsigned char* p, unsigned char before,
                                      std::uint64_t& lines) const {
#if defined(__SSE2__)
    static const std::uint64_t* const unheld = UnheldBits();
    const ByteMasks m = MasksOf(p);
    const std::size_t span = PlainSpan(m, p);
    if (!span) return 0;
    std::uint64_t odd = 0;  // a character CP932 does not hold
    for (std::uint64_t l = m.lead; l; l &= l - 1) {
        const unsigned k = static_cast<unsigned>(std::countr_zero(l));
        const unsigned cp = UnitOf(p + k, 3);
        odd |= unheld[cp >> 6] >> (cp & 63);
    }
    if (odd & 1) return 0;
    lines += BitCount(LineEndBits(m, m_form.ends, before));
    return span;
#else
    (void)p, (void)before, (void)lines;
    return 0;
#endif
}

std::size_t CLogConverter::WriteBlock(const unsigned char* p, unsigned char before, char*& out,
                                      std::uint64_t& lines) const {
#if defined(__SSE2__)
    static const std::uint16_t* const codes = Cp932CodeTable();
    const ByteMasks m = MasksOf(p);
    if (!PlainSpan(m, p)) return 0;
    // Rounds of a run of plain bytes (copied sixteen at a time, the bytes
    // after the run written over later) and the character after it, up to
    // the first character that starts past the 64 bytes.
    // Lone LF or CR bytes become CR LF; CR LF pairs stay as they are.
    const std::uint64_t ends = LineEndBits(m, m_form.ends, before);
    const std::uint64_t toCrLf = m_form.ends == LineEnds::CrLf ? 0 : ends;
    const std::uint64_t stops = m.lead | toCrLf;
    char* o = out;
    std::size_t k = 0;
    while (k < 64) {
        const std::uint64_t rest = stops >> k;
        const std::size_t run = rest ? static_cast<std::size_t>(std::countr_zero(rest)) : 64 - k;
        std::memcpy(o, p + k, 16);
        for (std::size_t c = 16; c < run; c += 16) std::memcpy(o + c, p + k + c, 16);
        o += run;
        k += run;
        if (k >= 64) break;
        if ((toCrLf >> k) & 1) {
            o[0] = '\r', o[1] = '\n', o += 2;
            ++k, ++lines;
            continue;
        }
        const std::uint16_t code = codes[UnitOf(p + k, 3)];
        if (IsDoubleCode(code)) {
            o[0] = static_cast<char>(code >> 8), o[1] = static_cast<char>(code & 0xFF), o += 2;
        } else if (code < 0x100) {
            *o++ = static_cast<char>(code);  // a half-width kana
        } else {
            break;  // 〓, put by the rounds
        }
        k += 3;
    }
    if (m_form.ends == LineEnds::CrLf) {
        // CR LF pairs are counted once the bytes taken are known.
        const std::uint64_t taken = k >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << k) - 1;
        lines += BitCount(ends & taken);
    }
    out = o;
    return k;
#else
    (void)p, (void)before, (void)out, (void)lines;
    return 0;
#endif
}

template <bool kWrite>
std::size_t CLogConverter::PutOther(const unsigned char* p, std::size_t i, std::size_t n, bool last,
                                    Utf8Writer& w) {
    // Any byte at all: an ASCII byte, or a character of any length, or an
    // ill-formed sequence (one 〓). 0 when a character is cut off by the
    // end of a piece that is not the last.
    static const std::uint16_t* const codes = Cp932CodeTable();
    const unsigned char b = p[i];
    if (b < 0x80) {
        PutAscii<kWrite>(b, i >= 1 ? p[i - 1] : static_cast<unsigned char>(m_prev), w);
        return 1;
    }
    std::size_t len;
    const Seq s = Utf8Seq(p + i, n - i, len);
    if (s == Seq::Short && !last) return 0;
    const std::uint16_t code = s == Seq::Ok && len < 4 ? codes[UnitOf(p + i, len)] : 0xFFFF;
    PutOdd<kWrite>(code, w);
    return len;
}

template <bool kWrite>
void CLogConverter::PutAscii(unsigned char b, unsigned char before, Utf8Writer& w) {
    if (b == (m_form.ends == LineEnds::Lf ? '\n' : '\r') && m_form.ends != LineEnds::CrLf) {
        if (kWrite) {
            w.out[0] = '\r';
            w.out[1] = '\n';
            w.out += 2;
        }
        ++w.lines;
        return;
    }
    if (b == '\n' && m_form.ends == LineEnds::CrLf && before == '\r') ++w.lines;
    if (kWrite) *w.out++ = static_cast<char>(b);
}

template <bool kWrite>
void CLogConverter::PutOdd(std::uint16_t code, Utf8Writer& w) {
    m_lines = w.lines;
    Put<kWrite>(code, w.out);
    w.stopAtControls = kWrite || !m_firstLine;
}

template <bool kWrite>
void CLogConverter::Put(std::uint16_t code, char*& o) {
    if (code == 0xFFFF) {
        if (!m_firstLine) m_firstLine = m_lines + 1;
        ++m_replaced;
    }
    if (kWrite) o = PutCode(code, o);
}

char* CLogConverter::PutCode(std::uint16_t code, char* o) {
    if (code < 0x100) {
        *o++ = static_cast<char>(code);
    } else if (code != 0xFFFF) {
        *o++ = static_cast<char>(code >> 8);
        *o++ = static_cast<char>(code & 0xFF);
    } else {
        *o++ = kGeta[0];
        *o++ = kGeta[1];
    }
    return o;
}

void CLogConverter::PutWellFormed(std::string_view run) {
    if (run.empty()) return;
    m_units.clear();
    if (!platform::DecodeEucJp(run, m_units)) {
        Replace();
        return;
    }
    // Each unit gives at most two bytes (a surrogate pair 〓 for two).
    static const std::uint16_t* const codes = Cp932CodeTable();
    const std::size_t at = m_cp.size();
    m_cp.resize(at + 2 * m_units.size());
    char* const start = m_cp.data();
    char* o = start + at;
    for (std::size_t k = 0; k < m_units.size(); ++k) {
        const char16_t u = m_units[k];
        const std::uint16_t code = codes[u];
        if (code < 0x100) {
            *o++ = static_cast<char>(code);
        } else if (code != 0xFFFF) {
            *o++ = static_cast<char>(code >> 8);
            *o++ = static_cast<char>(code & 0xFF);
        } else {
            // A surrogate pair is one character.
            if (u >= 0xD800 && u <= 0xDBFF && k + 1 < m_units.size() && m_units[k + 1] >= 0xDC00 &&
                m_units[k + 1] <= 0xDFFF)
                ++k;
            if (m_firstAt == std::string::npos) m_firstAt = static_cast<std::size_t>(o - start);
            *o++ = kGeta[0];
            *o++ = kGeta[1];
            ++m_replaced;
        }
    }
    m_cp.resize(static_cast<std::size_t>(o - start));
}

void CLogConverter::Replace() {
    if (m_firstAt == std::string::npos) m_firstAt = m_cp.size();
    m_cp += kGeta;
    ++m_replaced;
}

std::uint64_t CLogConverter::LineEndsIn(std::size_t end) const {
    const char* p = m_cp.data();
    const char end1 = m_form.ends == LineEnds::Cr ? '\r' : '\n';
    std::uint64_t lines = 0;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, end1, p + end - q)));
         ++q) {
        if (m_form.ends != LineEnds::CrLf || (q > p ? q[-1] : m_prev) == '\r') ++lines;
    }
    return lines;
}

void CLogConverter::PutLines(std::string& out) {
    if (m_form.ends == LineEnds::CrLf) {
        out.append(m_cp);
        return;
    }
    // Each line end of the file becomes CR LF.
    const char end1 = m_form.ends == LineEnds::Lf ? '\n' : '\r';
    const char* p = m_cp.data();
    const char* const e = p + m_cp.size();
    while (const char* q = static_cast<const char*>(std::memchr(p, end1, e - p))) {
        out.append(p, q);
        out.append("\r\n");
        p = q + 1;
    }
    out.append(p, e);
}

}  // namespace orv
