#include "core/import/logscan.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "res/strings.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define ORV_HAVE_AVX2_PATH 1
#endif

namespace orv {

namespace {

// The most bytes a line takes from the file: 4096 before its LF.
constexpr std::size_t kLineSpan = kMaxLineBytes + 1;
// What must be read past the current line start to read it and the line
// after it (the look-ahead of a header line 1) without reading again.
constexpr std::size_t kAhead = 2 * kLineSpan;
// Reads are this large, so that a read's bytes are still in the cache when
// they are scanned.
constexpr std::size_t kReadChunk = std::size_t(256) << 10;
// The most a file asks of the arena to begin with.
constexpr std::size_t kFirstLend = std::size_t(4) << 20;
// A block whose free end is shorter is left for a new one.
constexpr std::size_t kMinRead = std::size_t(32) << 10;
// Room made before the unread bytes when the message being written would
// reach them (each over-long line adds a byte of its own).
constexpr std::size_t kRoom = std::size_t(64) << 10;

bool IsTabLfCr(char c) { return c == '\t' || c == '\n' || c == '\r'; }

// Bit i set for each byte p[i] of p[0, 64) that is LF or NUL.
std::uint64_t StopMask(const char* p) {
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    auto bits = [&](int i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, zero)))));
    };
    return bits(0) | bits(1) << 16 | bits(2) << 32 | bits(3) << 48;
#else
    std::uint64_t mask = 0;
    for (int i = 0; i < 64; ++i)
        if (p[i] == '\n' || p[i] == '\0') mask |= std::uint64_t(1) << i;
    return mask;
#endif
}

// The masks of n whole blocks from p.
void StopMasks(const char* p, std::size_t n, std::uint64_t* out) {
    for (std::size_t b = 0; b < n; ++b) out[b] = StopMask(p + 64 * b);
}

#if defined(ORV_HAVE_AVX2_PATH)
__attribute__((target("avx2"))) void StopMasksAvx2(const char* p, std::size_t n,
                                                   std::uint64_t* out) {
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i zero = _mm256_setzero_si256();
    for (std::size_t b = 0; b < n; ++b) {
        const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64 * b));
        const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64 * b + 32));
        const auto l = static_cast<std::uint32_t>(_mm256_movemask_epi8(
            _mm256_or_si256(_mm256_cmpeq_epi8(lo, lf), _mm256_cmpeq_epi8(lo, zero))));
        const auto h = static_cast<std::uint32_t>(_mm256_movemask_epi8(
            _mm256_or_si256(_mm256_cmpeq_epi8(hi, lf), _mm256_cmpeq_epi8(hi, zero))));
        out[b] = static_cast<std::uint64_t>(h) << 32 | l;
    }
}

// Asked once; the processor's features are read first, as this may run
// before the runtime's own constructors.
bool HaveAvx2() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have;
}
#endif

// The bytes of a 64-byte block that matter to a run of plain lines.
struct LineMasks {
    std::uint64_t lf = 0, cr = 0, nul = 0, digit = 0;
};

LineMasks BlockLineMasks(const char* p) {
    LineMasks m;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    const __m128i belowDigits = _mm_set1_epi8('0' - 1), aboveDigits = _mm_set1_epi8('9' + 1);
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        auto bits = [&](__m128i x) {
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(x)))
                   << (16 * i);
        };
        m.lf |= bits(_mm_cmpeq_epi8(v, lf));
        m.cr |= bits(_mm_cmpeq_epi8(v, cr));
        m.nul |= bits(_mm_cmpeq_epi8(v, zero));
        // Bytes of 0x80 and above compare as negative: never digits.
        m.digit |=
            bits(_mm_and_si128(_mm_cmpgt_epi8(v, belowDigits), _mm_cmplt_epi8(v, aboveDigits)));
    }
#else
    for (int i = 0; i < 64; ++i) {
        const std::uint64_t bit = std::uint64_t(1) << i;
        if (p[i] == '\n') m.lf |= bit;
        if (p[i] == '\r') m.cr |= bit;
        if (p[i] == '\0') m.nul |= bit;
        if (p[i] >= '0' && p[i] <= '9') m.digit |= bit;
    }
#endif
    return m;
}

int HighestBit(std::uint64_t m) {
#if defined(__GNUC__)
    return 63 - __builtin_clzll(m);
#else
    int i = 63;
    while (!(m >> i)) --i;
    return i;
#endif
}

int LowestBit(std::uint64_t m) {
#if defined(__GNUC__)
    return __builtin_ctzll(m);
#else
    int i = 0;
    while (!(m & 1)) m >>= 1, ++i;
    return i;
#endif
}

}  // namespace

CLogScanner::CLogScanner(CLogFileList& file, CCommentStore& store) : m_file(file), m_store(store) {
    // A small log takes a small part of the arena; a large one starts with
    // a block large enough for huge pages rather than a run of small ones.
    const std::uint64_t length = file.GetLength();
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(length + kAhead, std::max(kFirstLend, kReadChunk + kAhead)));
    m_base = m_store.LendTail(want, m_size);
}

CLogScanner::~CLogScanner() {
    if (m_base) m_store.ReturnTail(m_base + m_msg);
    ReleaseLeftBlocks();
}

void CLogScanner::Prepare() {
    while (!m_bEof && !m_bFailed && m_end - m_r < kAhead) {
        if (m_size - m_end < kMinRead) {
            Flush();
            Relocate(kReadChunk, std::min<std::size_t>(m_r - m_w, 64));
        }
        const std::size_t want = std::min(kReadChunk, m_size - m_end);
        const std::size_t got = m_file.ReadBytes(m_base + m_end, want);
        m_end += got;
        m_maskAt = kNoMask;  // the last block's mask may lack the new bytes
        m_readPos += got;
        if (got < want) {
            if (m_file.Failed())
                m_bFailed = true;
            else
                m_bEof = true;
        }
    }
}

void CLogScanner::Flush() {
    if (!m_pendLen) return;
    if (m_pendFrom != m_w) std::memmove(m_base + m_w, m_base + m_pendFrom, m_pendLen);
    m_w += m_pendLen;
    m_pendLen = 0;
}

void CLogScanner::Relocate(std::size_t need, std::size_t gap) {
    Flush();
    const std::size_t kept = m_w - m_msg;
    const std::size_t unread = m_end - m_r;
    const std::size_t total = kept + gap + unread + need;
    if (m_size - m_msg >= total) {
        // Room enough in this block: only the unread bytes move.
        std::memmove(m_base + m_w + gap, m_base + m_r, unread);
    } else {
        // The kept bytes start a new block; this one keeps what comes before
        // them, and its bytes stay readable until the document is freed.
        char* const old = m_base;
        const std::size_t oldMsg = m_msg, oldR = m_r;
        m_store.ReturnTail(old + oldMsg);
        if (oldMsg == 0) m_leftBlocks.push_back(old);  // perhaps whole: it may go later
        m_base = nullptr;  // nothing is lent while the new block is sought
        // As much room again as the message holds: a long message is then
        // copied a logarithmic number of times.
        m_base = m_store.LendTail(total + kept, m_size);
        m_msg = 0;
        std::memcpy(m_base, old + oldMsg, kept);
        std::memcpy(m_base + kept + gap, old + oldR, unread);
        m_w = kept;
    }
    m_r = m_w + gap;
    m_end = m_r + unread;
    m_maskAt = kNoMask;
}

void CLogScanner::ComputeMasks(std::size_t at) {
    // A batch of blocks at once: their loads are independent and overlap.
    const std::size_t whole = at + 64 * kMaskBlocks <= m_end ? kMaskBlocks
                              : at < m_end                   ? (m_end - at) / 64
                                                             : 0;
#if defined(ORV_HAVE_AVX2_PATH)
    if (HaveAvx2())
        StopMasksAvx2(m_base + at, whole, m_masks);
    else
#endif
        StopMasks(m_base + at, whole, m_masks);
    // The last bytes read: no reading past them.
    for (std::size_t b = whole; b < kMaskBlocks; ++b) {
        const std::size_t blk = at + 64 * b;
        std::uint64_t mask = 0;
        for (std::size_t i = blk; i < m_end; ++i)
            if (m_base[i] == '\n' || m_base[i] == '\0') mask |= std::uint64_t(1) << (i - blk);
        m_masks[b] = mask;
    }
    m_maskAt = at;
}

inline std::size_t CLogScanner::NextStop(std::size_t from, std::size_t limit) {
    for (std::size_t blk = from & ~std::size_t(63); blk < limit; blk += 64) {
        if (blk - m_maskAt >= 64 * kMaskBlocks) ComputeMasks(blk);
        std::uint64_t m = m_masks[(blk - m_maskAt) / 64];
        if (blk < from) m &= ~std::uint64_t(0) << (from - blk);
        while (m) {
            const std::size_t k = blk + static_cast<std::size_t>(LowestBit(m));
            if (k >= limit) return limit;
            if (m_base[k] == '\0' || (k > from && m_base[k - 1] == '\r')) return k;
            m &= m - 1;
        }
    }
    return limit;
}

bool CLogScanner::LineAt(std::size_t at, std::string_view& line, std::size_t& next,
                         std::string& scratch) {
    const char* p = m_base + at;
    const std::size_t avail = m_end - at;
    const std::size_t reach = std::min(avail, kLineSpan);
    std::size_t k = NextStop(at, at + reach) - at;
    std::size_t nul = reach;
    if (k < reach && p[k] == '\0') {
        // The content ends at the NUL; the line still ends at its CR LF.
        nul = k;
        for (++k; k < reach && !(p[k] == '\n' && p[k - 1] == '\r'); ++k) {
        }
    }
    std::size_t raw;
    bool cut = false;
    if (k < reach) {
        raw = k + 1;
    } else if (avail > kMaxLineBytes) {
        raw = kMaxLineBytes;  // 4096 bytes and no line end: LF is added
        cut = true;
    } else {
        // The line runs to the end of what was read: the end of the file,
        // or a read that failed.
        if (m_bFailed) return false;
        raw = avail;
    }
    next = at + raw;
    if (nul < raw) {
        line = std::string_view(p, nul);
    } else if (cut) {
        scratch.assign(p, raw);
        scratch.push_back('\n');
        line = scratch;
    } else {
        line = std::string_view(p, raw);
    }
    return true;
}

void CLogScanner::ReleaseLeftBlocks() {
    // Only a block that starts with the lent bytes can be whole; the store
    // frees it when nothing there is used.
    for (const char* block : m_leftBlocks) m_store.ReleaseUnusedBlock(block);
    m_leftBlocks.clear();
}

bool CLogScanner::Next(std::string_view& line, LineKind& kind, IPrompter* prompter) {
    auto fail = [&] {
        if (prompter)
            prompter->MessageBox(res::IDS_LOG_READ_FAILED, res::Text(res::IDS_LOG_READ_FAILED),
                                 res::Icon(res::IDS_LOG_READ_FAILED), MsgButtons::Ok);
        line = std::string_view();
        kind = LineKind::Other;
        return false;
    };
    ReleaseLeftBlocks();  // the caller holds no line of them any more
    Prepare();
    std::size_t next;
    if (!LineAt(m_r, line, next, m_scratch)) return fail();
    m_r = next;
    if (line.empty()) {
        kind = LineKind::Other;
        return false;
    }
    if (IsHeaderLine1(line)) {
        std::string_view peek;
        std::size_t after;
        if (!LineAt(m_r, peek, after, m_peekScratch)) return fail();
        kind = !peek.empty() && IsHeaderLine2(peek) ? LineKind::MessageStart : LineKind::Other;
    } else {
        kind = IsHeaderLine2(line) ? LineKind::HeaderLine2 : LineKind::Other;
    }
    return true;
}

bool CLogScanner::NextBody(std::string_view& line, LineKind& kind, IPrompter* prompter) {
    if (!m_leftBlocks.empty()) ReleaseLeftBlocks();
    if (m_end - m_r < kAhead) Prepare();
    // Most body lines are plain: ended by CR LF in reach, without a NUL and
    // without a digit first (which might make a header line 1). Such a
    // line is put as it stands.
    const char* p = m_base + m_r;
    const std::size_t reach = std::min(m_end - m_r, kLineSpan);
    const std::size_t k = NextStop(m_r, m_r + reach) - m_r;
    if (k < reach && p[k] == '\n' && !(p[0] >= '0' && p[0] <= '9')) {
        line = std::string_view(p, k + 1);
        PutPlainLines(m_r + k + 1);
        kind = LineKind::Other;
        return true;
    }
    if (!Next(line, kind, prompter)) return false;
    if (kind != LineKind::MessageStart) {
        kind = LineKind::Other;
        Put(line);
    }
    return true;
}

void CLogScanner::PutPlainLines(std::size_t end) {
    // Consecutive plain lines are one run of bytes, moved at once.
    if (m_pendLen && m_pendFrom + m_pendLen != m_r) Flush();
    if (!m_pendLen) m_pendFrom = m_r;
    m_pendLen += end - m_r;
    m_r = end;
}

bool CLogScanner::ScanPlainBlock(std::size_t blk, PlainScan& s) const {
    const LineMasks m = BlockLineMasks(m_base + blk);
    std::uint64_t live = ~std::uint64_t(0);
    if (blk < m_r) {
        live <<= (m_r - blk);
        s.startCarry = false;
    }
    const std::uint64_t ends = m.lf & ((m.cr & live) << 1 | (s.crCarry ? 1 : 0)) & live;
    std::uint64_t starts = (ends << 1 | (s.startCarry ? 1 : 0)) & live;
    if (blk < m_r) starts |= std::uint64_t(1) << (m_r - blk);
    // The first line start in this block that is not plain: a digit first
    // (a header line 1, perhaps), or the start of a line holding a NUL.
    std::uint64_t bad = starts & m.digit;
    if (const std::uint64_t nul = m.nul & live) {
        const int at = LowestBit(nul);
        const std::uint64_t before = ends & ((std::uint64_t(1) << at) - 1);
        const std::size_t holder =
            before ? blk + static_cast<std::size_t>(HighestBit(before)) + 1 : s.lineStart;
        if (holder < blk) {
            s.lineStart = holder;
            return false;
        }
        bad |= std::uint64_t(1) << (holder - blk);
    }
    if (bad) {
        // Every line before the first bad start is plain, if the first of
        // them is not over-long.
        const std::size_t at = blk + static_cast<std::size_t>(LowestBit(bad));
        const std::uint64_t before = ends & ((std::uint64_t(1) << (at - blk)) - 1);
        const std::size_t firstEnd =
            before ? blk + static_cast<std::size_t>(LowestBit(before)) + 1 : at;
        if (firstEnd - s.lineStart <= kLineSpan) s.lineStart = at;
        return false;
    }
    if (ends) {
        // A line longer than 4,097 bytes with its CR LF is over-long.
        if (blk + static_cast<std::size_t>(LowestBit(ends)) + 1 - s.lineStart > kLineSpan)
            return false;
        s.lineStart = blk + static_cast<std::size_t>(HighestBit(ends)) + 1;
    } else if (blk + 64 - s.lineStart > kLineSpan) {
        return false;  // no CR LF within reach of the line's start
    }
    s.crCarry = ((m.cr & live) >> 63) != 0;
    s.startCarry = (ends >> 63) != 0;
    return true;
}

void CLogScanner::PutPlainBody() {
    if (!m_leftBlocks.empty()) ReleaseLeftBlocks();
    for (;;) {
        if (m_end - m_r < kAhead) {
            Prepare();
            if (m_end - m_r < kAhead) return;  // near the end: line by line
        }
        // Whole blocks from the one holding m_r; a line is taken only when
        // its CR LF lies in them.
        const std::size_t first = m_r & ~std::size_t(63);
        const std::size_t last = m_end & ~std::size_t(63);  // blocks end before here
        if (last <= first) return;
        PlainScan scan{m_r};
        bool plain = true;
        for (std::size_t blk = first; blk < last && plain; blk += 64)
            plain = ScanPlainBlock(blk, scan);
        if (scan.lineStart > m_r) PutPlainLines(scan.lineStart);
        if (!plain) return;
    }
}

void CLogScanner::Begin() { Abandon(); }

void CLogScanner::Put(std::string_view bytes) {
    if (bytes.empty()) return;
    Flush();
    if (m_r - m_w < bytes.size()) Relocate(0, bytes.size() + kRoom);
    if (bytes.data() != m_base + m_w) std::memmove(m_base + m_w, bytes.data(), bytes.size());
    m_w += bytes.size();
}

void CLogScanner::TrimTabLfCr(std::size_t from) {
    Flush();
    while (m_w > m_msg + from && IsTabLfCr(m_base[m_w - 1])) --m_w;
}

void CLogScanner::Finish(CComment& rec, std::uint32_t (&len)[5]) {
    Flush();
    // A field is at most 4 GiB long; a longer text is more than a record holds.
    if (m_w - m_msg > UINT32_MAX) throw std::bad_alloc();
    len[4] = static_cast<std::uint32_t>(m_w - m_msg - len[0] - len[1] - len[2] - len[3]);
    m_store.SetFieldsAt(rec, m_base + m_msg, len);
    m_msg = m_w;
}

}  // namespace orv
