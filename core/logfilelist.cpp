#include "core/logfilelist.h"

namespace orv {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
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
    m_file = std::fopen(m_paths[i].c_str(), "rb");
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
    return true;
}

void CLogFileList::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_bufStart = 0;
    m_bufPos = m_bufLen = 0;
}

int CLogFileList::Refill() {
    if (!m_file) return -1;
    m_bufStart += m_bufLen;
    m_bufPos = 0;
    m_bufLen = std::fread(m_buf.data(), 1, m_buf.size(), m_file);
    if (m_bufLen == 0) {
        if (std::ferror(m_file)) m_bFailed = true;
        return -1;
    }
    return static_cast<unsigned char>(m_buf[m_bufPos++]);
}

bool CLogFileList::Seek(std::uint64_t pos) {
    if (!m_file) return false;
    if (pos >= m_bufStart && pos <= m_bufStart + m_bufLen) {
        m_bufPos = static_cast<std::size_t>(pos - m_bufStart);
        return true;
    }
    if (std::fseek(m_file, static_cast<long>(pos), SEEK_SET) != 0) {
        m_bFailed = true;
        return false;
    }
    m_bufStart = pos;
    m_bufPos = m_bufLen = 0;
    return true;
}

std::string CLogFileList::GetFileName() const {
    std::size_t slash = m_current.find_last_of("/\\");
    return slash == std::string::npos ? m_current : m_current.substr(slash + 1);
}

}  // namespace orv
