#include "core/import/logfilelist.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/fileio.h"
#include "core/import/logsurvey.h"

namespace orv {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
std::uint64_t g_failReadsFrom = 0;  // offset + 1 of the first byte that cannot be read; 0: none
}  // namespace

void CLogFileList::FailReadsFrom(std::uint64_t offset) { g_failReadsFrom = offset + 1; }
void CLogFileList::StopFailingReads() { g_failReadsFrom = 0; }

std::size_t CLogFileList::ReadFromFile(char* dst, std::size_t n, std::uint64_t pos) {
    if (m_bConverted) return ReadConverted(dst, n);
    int err = 0;
    const std::size_t got = ReadRaw(m_file, dst, n, pos, err);
    if (err) {
        m_bFailed = true;
        m_readErr = err;
    }
    return got;
}

std::size_t CLogFileList::ReadRaw(std::FILE* f, char* dst, std::size_t n, std::uint64_t pos,
                                  int& err) {
    std::size_t allowed = n;
    if (g_failReadsFrom) {
        const std::uint64_t at = g_failReadsFrom - 1;
        allowed = pos >= at ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(n, at - pos));
    }
    errno = 0;
    const std::size_t got = allowed ? std::fread(dst, 1, allowed, f) : 0;
    if (got < allowed && std::ferror(f)) {
        err = errno ? errno : EIO;
    } else if (got == allowed && allowed < n && (allowed > 0 || std::fgetc(f) != EOF)) {
        // The read reached the failing offset with the file going on: as
        // fread does, the bytes before the error, and the error.
        err = EIO;
    }
    return got;
}

CLogFileList::~CLogFileList() { Close(); }

bool CLogFileList::OpenLogFile(std::size_t i) {
    Close();
    if (i == 0) {
        m_bCancelled = false;
        if (m_paths.empty()) {
            if (!m_chooser) return false;
            std::vector<std::string> chosen;
            if (!m_chooser->ChooseLogFiles(chosen) || chosen.empty()) {
                m_bCancelled = true;
                return false;
            }
            m_paths = std::move(chosen);
        }
        if (m_paths.size() > 1 && m_chooser) {
            std::vector<std::string> ordered = m_paths;
            if (!m_chooser->ConfirmImportOrder(ordered) || ordered.empty()) {
                m_bCancelled = true;
                return false;
            }
            m_paths = std::move(ordered);
        }
    }
    if (i >= m_paths.size()) return false;
    // A folder, a pipe or a device is no file to read a log from; a pipe
    // is refused without waiting for a writer.
    int err = 0;
    m_file = OpenRegularFile(m_paths[i], err);
    if (!m_file) return false;
    m_current = m_paths[i];
    m_length = 0;
    if (std::fseek(m_file, 0, SEEK_END) == 0) {
        long len = std::ftell(m_file);
        if (len > 0) m_length = static_cast<std::uint64_t>(len);
        std::fseek(m_file, 0, SEEK_SET);
    }
    m_buf.resize(kBufferSize);
    m_bufStart = 0;
    m_bufPos = m_bufLen = 0;
    m_bFailed = false;
    m_readErr = 0;
    m_form = LogForm();
    if (m_mode != LogEncodingMode::Cp932) DetectForm();
    return true;
}

void CLogFileList::DetectForm() {
    // The first bytes settle the encoding; a file without CR LF is read to
    // its end for its line ends. Read errors here are met again, and
    // reported, when the file is read.
    CLogFormDetector detector;
    m_bCounted = false;
    for (;;) {
        const std::size_t got = std::fread(m_buf.data(), 1, m_buf.size(), m_file);
        detector.Feed(std::string_view(m_buf.data(), got));
        if (got < m_buf.size() || !detector.NeedMore()) break;
        if (detector.EncodingSettled() && m_length >= kHalvesFrom) {
            // The rest of a large file read for its line ends in two halves
            // at once; a UTF-8 one counted in the same pass when asked.
            const LogForm form = detector.Result(m_mode);
            const bool count = m_bCountWhenOpened && IsUtf8(form.encoding);
            const LogSurvey survey =
                SurveyLog(m_file, m_current, m_length, detector.Seen(), count ? &form : nullptr);
            detector.AddLineEnds(survey.ends);
            m_bCounted = count;
            m_counted = survey.replaced;
            break;
        }
    }
    std::clearerr(m_file);
    std::fseek(m_file, 0, SEEK_SET);
    m_form = detector.Result(m_mode);
    if (m_form.Converted()) RestartConversion();
}

void CLogFileList::RestartConversion() {
    m_ahead.reset();
    std::clearerr(m_file);
    std::fseek(m_file, 0, SEEK_SET);
    m_bConverted = true;
    m_convOut.clear();
    m_convOutPos = 0;
    m_rawPos = m_convPos = 0;
    m_replaced = m_firstLine = 0;
    m_bRawEnd = false;
}

std::size_t CLogFileList::ReadConverted(char* dst, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        if (m_convOutPos == m_convOut.size()) {
            if (m_bRawEnd) break;
            if (!m_ahead) {
                std::FILE* f = m_file;
                m_ahead = std::make_unique<CConvertAhead>(
                    m_form, [f](char* d, std::size_t k, std::uint64_t pos, int& err) {
                        return ReadRaw(f, d, k, pos, err);
                    });
            }
            // The next piece of the file, converted.
            CConvertAhead::Piece piece = m_ahead->Next();
            m_ahead->GiveBack(std::move(m_convOut));
            m_convOut = std::move(piece.bytes);
            m_convOutPos = 0;
            m_rawPos = piece.rawEnd;
            m_replaced = piece.replaced;
            m_firstLine = piece.firstLine;
            m_bRawEnd = piece.end;
            if (piece.readErr) {
                m_bFailed = true;
                m_readErr = piece.readErr;
            }
            continue;
        }
        const std::size_t k = std::min(n - got, m_convOut.size() - m_convOutPos);
        std::memcpy(dst + got, m_convOut.data() + m_convOutPos, k);
        m_convOutPos += k;
        got += k;
    }
    m_convPos += got;
    return got;
}

bool CLogFileList::SeekConverted(std::uint64_t pos) {
    // The converted bytes are made in order: back means from the start.
    if (pos < m_convPos) RestartConversion();
    char skip[4096];
    while (m_convPos < pos) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof skip, pos - m_convPos));
        if (ReadConverted(skip, want) == 0) break;
    }
    m_bufStart = m_convPos;
    m_bufPos = m_bufLen = 0;
    return true;
}

std::uint64_t CLogFileList::CountReplacements() {
    if (!m_bConverted || !m_file) return 0;
    if (m_bCounted) return m_counted;
    // The file is this pass's alone: a conversion already running ahead
    // is stopped, and started again after it where the reading was.
    const bool reading = m_ahead != nullptr;
    const std::uint64_t readTo = GetPosition();
    m_ahead.reset();
    const long at = std::ftell(m_file);
    m_counted = SurveyLog(m_file, m_current, m_length, UINT64_MAX, &m_form).replaced;
    m_bCounted = true;
    std::clearerr(m_file);
    std::fseek(m_file, at, SEEK_SET);
    if (reading) {
        RestartConversion();
        m_bufStart = 0;
        m_bufPos = m_bufLen = 0;
        SeekConverted(readTo);
    }
    return m_counted;
}

std::uint64_t CLogFileList::SourcePosition(std::uint64_t position) const {
    if (!m_bConverted || m_convPos == 0) return position;
    const double source = static_cast<double>(position) * static_cast<double>(m_rawPos) /
                          static_cast<double>(m_convPos);
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(source), m_length);
}

void CLogFileList::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_ahead.reset();
    m_bConverted = false;
    m_bCounted = false;
    m_form = LogForm();
    m_bufStart = 0;
    m_bufPos = m_bufLen = 0;
}

bool CLogFileList::Fill() {
    if (!m_file) return false;
    m_bufStart += m_bufLen;
    m_bufPos = 0;
    m_bufLen = ReadFromFile(m_buf.data(), m_buf.size(), m_bufStart);
    return m_bufLen != 0;
}

int CLogFileList::Refill() {
    if (!Fill()) return -1;
    return static_cast<unsigned char>(m_buf[m_bufPos++]);
}

void CLogFileList::ReadRawLine(std::string& line, std::size_t maxBytes) {
    line.clear();
    const char* buf = m_buf.data();
    for (;;) {
        if (m_bufPos == m_bufLen && !Fill()) return;
        if (line.size() >= maxBytes) {
            if (buf[m_bufPos] == '\n' && !line.empty() && line.back() == '\r') ++m_bufPos;
            line.push_back('\n');
            return;
        }
        const std::size_t start = m_bufPos;
        const std::size_t end = start + std::min(m_bufLen - start, maxBytes - line.size());
        std::size_t i = start;
        for (;;) {
            const void* hit = std::memchr(buf + i, '\n', end - i);
            if (!hit) {
                line.append(buf + start, end - start);
                m_bufPos = end;
                break;
            }
            const std::size_t k = static_cast<std::size_t>(static_cast<const char*>(hit) - buf);
            const bool cr = k > start ? buf[k - 1] == '\r' : !line.empty() && line.back() == '\r';
            if (cr) {
                line.append(buf + start, k + 1 - start);
                m_bufPos = k + 1;
                return;
            }
            i = k + 1;
        }
    }
}

bool CLogFileList::Seek(std::uint64_t pos) {
    if (!m_file) return false;
    if (pos >= m_bufStart && pos <= m_bufStart + m_bufLen) {
        m_bufPos = static_cast<std::size_t>(pos - m_bufStart);
        return true;
    }
    if (m_bConverted) return SeekConverted(pos);
    if (std::fseek(m_file, static_cast<long>(pos), SEEK_SET) != 0) {
        m_bFailed = true;
        m_readErr = errno ? errno : EIO;
        return false;
    }
    m_bufStart = pos;
    m_bufPos = m_bufLen = 0;
    return true;
}

std::string_view CLogFileList::ReadRawLineView(std::string& scratch, std::size_t maxBytes) {
    const char* buf = m_buf.data();
    const std::size_t start = m_bufPos;
    const std::size_t end = std::min(m_bufLen, start + maxBytes);
    for (std::size_t i = start; i < end;) {
        const void* hit = std::memchr(buf + i, '\n', end - i);
        if (!hit) break;
        const std::size_t k = static_cast<std::size_t>(static_cast<const char*>(hit) - buf);
        if (k > start && buf[k - 1] == '\r') {
            m_bufPos = k + 1;
            return std::string_view(buf + start, k + 1 - start);
        }
        i = k + 1;
    }
    ReadRawLine(scratch, maxBytes);
    return scratch;
}

std::size_t CLogFileList::ReadBytes(char* dst, std::size_t n) {
    std::size_t got = std::min(n, m_bufLen - m_bufPos);
    if (got) std::memcpy(dst, m_buf.data() + m_bufPos, got);
    m_bufPos += got;
    if (got == n || !m_file) return got;
    // Past the buffer: straight from the file, with the buffer emptied at
    // the new position.
    const std::size_t more = ReadFromFile(dst + got, n - got, m_bufStart + m_bufLen);
    m_bufStart += m_bufLen + more;
    m_bufPos = m_bufLen = 0;
    return got + more;
}

std::string CLogFileList::GetFileName() const {
    std::size_t slash = m_current.find_last_of("/\\");
    return slash == std::string::npos ? m_current : m_current.substr(slash + 1);
}

}  // namespace orv
