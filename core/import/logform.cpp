#include "core/import/logform.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orv {

namespace {

constexpr unsigned char kEsc = 0x1B;

// Kana, kanji, CJK punctuation and the full-width forms: what Japanese
// text in UTF-8 is made of.
bool IsJapaneseCodePoint(char32_t cp) {
    return (cp >= 0x3000 && cp <= 0x30FF) || (cp >= 0x4E00 && cp <= 0x9FFF) ||
           (cp >= 0xFF00 && cp <= 0xFFEF);
}

}  // namespace

const char* EncodingName(LogEncoding encoding) {
    switch (encoding) {
        case LogEncoding::Cp932:
            return "Shift-JIS";
        case LogEncoding::Utf8:
        case LogEncoding::Utf8Bom:
            return "UTF-8";
        case LogEncoding::EucJp:
            return "EUC-JP";
        case LogEncoding::Iso2022Jp:
            return "ISO-2022-JP";
    }
    return "";
}

std::string FormName(const LogForm& form) {
    std::string name = EncodingName(form.encoding);
    name += " (";
    if (form.encoding == LogEncoding::Utf8Bom) name += "BOM 付き、";
    name += form.ends == LineEnds::Lf ? "LF" : form.ends == LineEnds::Cr ? "CR" : "CR LF";
    name += " 改行)";
    return name;
}

bool ParseEncodingMode(std::string_view name, LogEncodingMode& mode) {
    static const struct {
        const char* name;
        LogEncodingMode mode;
    } kNames[] = {{"auto", LogEncodingMode::Auto},
                  {"cp932", LogEncodingMode::Cp932},
                  {"utf-8", LogEncodingMode::Utf8},
                  {"euc-jp", LogEncodingMode::EucJp},
                  {"iso-2022-jp", LogEncodingMode::Iso2022Jp}};
    for (const auto& n : kNames) {
        if (name == n.name) {
            mode = n.mode;
            return true;
        }
    }
    return false;
}

namespace {

// How many bytes of s are c: sixteen at a time where the processor has
// SSE2 (every x86-64 one), else eight at a time (a byte of w ^ c is zero
// exactly where w holds c; the marks of the zero bytes are summed by one
// multiplication).
std::uint64_t CountByte(std::string_view s, char c) {
    std::uint64_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i want = _mm_set1_epi8(c);
    while (i + 16 <= s.size()) {
        // At most 255 rounds per sum of bytes, then the sums are added up.
        __m128i sums = _mm_setzero_si128();
        for (int k = 0; k < 255 && i + 16 <= s.size(); ++k, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
            sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(v, want));
        }
        const __m128i wide = _mm_sad_epu8(sums, _mm_setzero_si128());
        count += static_cast<std::uint64_t>(_mm_cvtsi128_si64(wide)) +
                 static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(wide, wide)));
    }
#else
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    const std::uint64_t spread = 0x0101010101010101u * static_cast<unsigned char>(c);
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        const std::uint64_t x = w ^ spread;
        const std::uint64_t t = ((x & kLow7) + kLow7) | x;
        count += (((~t & ~kLow7) >> 7) * 0x0101010101010101u) >> 56;
    }
#endif
    for (; i < s.size(); ++i) count += s[i] == c;
    return count;
}

}  // namespace

void CLogFormDetector::Feed(std::string_view bytes) {
    if (m_ev.seen < kEvidenceBytes) {
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>(bytes.size(), kEvidenceBytes - m_ev.seen));
        FeedEvidence(bytes.substr(0, n));
    }
    m_ends.Feed(bytes);
}

void CLineEndStats::Feed(std::string_view bytes) {
    // CR bytes are found with memchr; without any, every LF is a lone one
    // and they are only counted. Else each LF is checked against the byte
    // before it.
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    if (n == 0) return;
    if (!m_any) m_firstLf = p[0] == '\n';
    m_any = true;
    std::uint64_t crs = 0;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\r', p + n - q))); ++q)
        ++crs;
    if (crs == 0 && !m_lastCr) {
        m_lf += CountByte(bytes, '\n');
        return;
    }
    std::uint64_t pairs = 0;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', p + n - q))); ++q) {
        const bool afterCr = q > p ? q[-1] == '\r' : m_lastCr;
        if (afterCr)
            ++pairs;
        else
            ++m_lf;
    }
    if (pairs) m_crlf = true;
    // Lone CR bytes: every CR less those an LF follows (a CR at the end of
    // one piece is paired by an LF that starts the next).
    m_cr += crs;
    m_cr -= pairs;
    m_lastCr = p[n - 1] == '\r';
}

void CLineEndStats::Add(const CLineEndStats& later) {
    if (!later.m_any) return;
    if (!m_any) {
        *this = later;
        return;
    }
    // A CR ending these and an LF starting those were each counted alone.
    const bool paired = m_lastCr && later.m_firstLf;
    m_crlf = m_crlf || later.m_crlf || paired;
    m_lf += later.m_lf - (paired ? 1 : 0);
    m_cr += later.m_cr - (paired ? 1 : 0);
    m_lastCr = later.m_lastCr;
}

LineEnds CLineEndStats::Ends() const {
    if (m_crlf || (m_lf == 0 && m_cr == 0)) return LineEnds::CrLf;
    return m_lf >= m_cr ? LineEnds::Lf : LineEnds::Cr;
}

namespace {

// How many of the bytes from p (to e) are ASCII other than ESC: bytes that
// tell nothing while no character or escape sequence is under way. Eight
// at a time: a byte of w ^ 0x1B... is zero exactly where w holds ESC.
std::size_t QuietRun(const unsigned char* p, const unsigned char* e) {
    constexpr std::uint64_t kHigh = 0x8080808080808080u, kOnes = 0x0101010101010101u;
    const unsigned char* q = p;
    for (; q + 8 <= e; q += 8) {
        std::uint64_t w;
        std::memcpy(&w, q, 8);
        const std::uint64_t x = w ^ (kOnes * kEsc);
        if ((w & kHigh) || ((x - kOnes) & ~x & kHigh)) break;
    }
    while (q < e && *q < 0x80 && *q != kEsc) ++q;
    return static_cast<std::size_t>(q - p);
}

}  // namespace

inline void CLogFormDetector::Utf8Byte(Evidence& e, unsigned char b) {
    if (e.u8Need > 0) {
        if (b >= e.u8Lo && b <= e.u8Hi) {
            e.u8Cp = e.u8Cp << 6 | (b & 0x3F);
            e.u8Lo = 0x80, e.u8Hi = 0xBF;
            if (--e.u8Need == 0) {
                ++e.u8Multi;
                if (e.u8Len == 3 && IsJapaneseCodePoint(e.u8Cp)) ++e.u8Japanese;
            }
            return;
        }
        // The sequence broke off: its bytes are ill-formed, and b starts anew.
        ++e.u8Bad;
        e.u8Need = 0;
    }
    if (b < 0x80) return;
    e.u8Lo = 0x80, e.u8Hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        e.u8Need = 1, e.u8Cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        e.u8Need = 2, e.u8Cp = b & 0x0F;
        if (b == 0xE0) e.u8Lo = 0xA0;
        if (b == 0xED) e.u8Hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        e.u8Need = 3, e.u8Cp = b & 0x07;
        if (b == 0xF0) e.u8Lo = 0x90;
        if (b == 0xF4) e.u8Hi = 0x8F;
    } else {
        ++e.u8Bad;
        return;
    }
    e.u8Len = e.u8Need + 1;
}

inline void CLogFormDetector::EucByte(Evidence& e, unsigned char b) {
    if (e.eucNeed > 0) {
        if (b >= e.eucLo && b <= e.eucHi) {
            e.eucLo = 0xA1, e.eucHi = 0xFE;
            --e.eucNeed;
            return;
        }
        ++e.eucBad;
        e.eucNeed = 0;
    }
    if (b < 0x80) return;
    e.eucLo = 0xA1, e.eucHi = 0xFE;
    if (b == 0x8E) {
        e.eucNeed = 1, e.eucHi = 0xDF;  // half-width katakana
    } else if (b == 0x8F) {
        e.eucNeed = 2;  // JIS X 0212
    } else if (IsEucJpLead(b)) {
        e.eucNeed = 1;
        ++e.eucPairs;
        if (b == 0xA1 || b == 0xA4 || b == 0xA5) ++e.eucKana;
    } else {
        ++e.eucBad;
    }
}

inline void CLogFormDetector::IsoByte(Evidence& e, unsigned char b) {
    // ESC, then "$" or "(", then the final byte of a designation.
    if (e.isoState == 1) {
        e.isoState = (b == '$' || b == '(') ? 2 : 0;
        e.isoFirst = b;
        return;
    }
    if (e.isoState == 2) {
        e.isoState = 0;
        if (e.isoFirst == '$' ? (b == '@' || b == 'B') : (b == 'B' || b == 'J' || b == 'I'))
            ++e.isoEsc;
    }
    if (b == kEsc) e.isoState = 1;
}

void CLogFormDetector::FeedEvidence(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    Evidence e = m_ev;
    while (p < end) {
        if (e.seen >= 3 && e.u8Need == 0 && e.eucNeed == 0 && e.isoState == 0) {
            const std::size_t quiet = QuietRun(p, end);
            e.seen += quiet;
            p += quiet;
            if (p == end) break;
        }
        const unsigned char b = *p++;
        if (e.seen < 3) e.head[e.seen] = b;
        ++e.seen;
        if (b >= 0x80) e.high = true;
        Utf8Byte(e, b);
        EucByte(e, b);
        IsoByte(e, b);
    }
    m_ev = e;
}

LogEncoding CLogFormDetector::DetectedEncoding() const {
    if (!m_ev.high && m_ev.isoEsc > 0) return LogEncoding::Iso2022Jp;
    if (m_ev.seen >= 3 && m_ev.head[0] == 0xEF && m_ev.head[1] == 0xBB && m_ev.head[2] == 0xBF)
        return LogEncoding::Utf8Bom;
    if (m_ev.u8Japanese > 0 && m_ev.u8Bad * 16 <= m_ev.u8Multi) return LogEncoding::Utf8;
    if (m_ev.eucPairs > 0 && m_ev.eucBad == 0 && m_ev.eucKana * 8 >= m_ev.eucPairs)
        return LogEncoding::EucJp;
    return LogEncoding::Cp932;
}

LogForm CLogFormDetector::Result(LogEncodingMode mode) const {
    LogForm form;
    const bool bom =
        m_ev.seen >= 3 && m_ev.head[0] == 0xEF && m_ev.head[1] == 0xBB && m_ev.head[2] == 0xBF;
    switch (mode) {
        case LogEncodingMode::Auto:
            form.encoding = DetectedEncoding();
            break;
        case LogEncodingMode::Cp932:
            return form;
        case LogEncodingMode::Utf8:
            form.encoding = bom ? LogEncoding::Utf8Bom : LogEncoding::Utf8;
            break;
        case LogEncodingMode::EucJp:
            form.encoding = LogEncoding::EucJp;
            break;
        case LogEncodingMode::Iso2022Jp:
            form.encoding = LogEncoding::Iso2022Jp;
            break;
    }
    form.ends = m_ends.Ends();
    return form;
}

}  // namespace orv
