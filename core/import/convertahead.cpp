#include "core/import/convertahead.h"

#include <new>
#include <vector>

#include "core/import/logconvert.h"

namespace orv {

namespace {
constexpr std::size_t kPieceSize = 1 << 16;
}

CConvertAhead::CConvertAhead(const LogForm& form, ReadFn read) : m_read(std::move(read)) {
    m_thread = std::thread([this, form] { Run(form); });
}

CConvertAhead::~CConvertAhead() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopped = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void CConvertAhead::Run(const LogForm& form) {
    try {
        CLogConverter conv(form);
        for (bool end = false; !end;) {
            Raw raw;
            if (!TakeRaw(raw)) return;
            Piece piece;
            piece.bytes = Spare(m_spare);
            end = raw.last;
            conv.Convert(raw.bytes, end && !raw.readErr, piece.bytes);
            piece.rawEnd = raw.end;
            piece.replaced = conv.Replaced();
            piece.firstLine = conv.FirstReplacedLine();
            piece.end = end;
            piece.readErr = raw.readErr;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_spareRaw.size() < kRawAhead) m_spareRaw.push_back(std::move(raw.bytes));
            }
            if (!Push(std::move(piece))) return;
        }
    } catch (const std::bad_alloc&) {
        Piece piece;
        piece.end = true;
        piece.thrown = std::current_exception();
        Push(std::move(piece));
    }
}

bool CConvertAhead::TakeRaw(Raw& raw) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return !m_raw.empty() || (!m_bReading && !m_bReadAll) || m_bStopped; });
    if (m_bStopped) return false;
    if (m_raw.empty()) {
        raw = ReadOne(lock);  // nothing read ahead: the next piece is this one
    } else {
        raw = std::move(m_raw.front());
        m_raw.pop_front();
    }
    m_cv.notify_all();
    return true;
}

CConvertAhead::Raw CConvertAhead::ReadOne(std::unique_lock<std::mutex>& lock) {
    // One thread reads at a time (m_bReading), the lock let go meanwhile.
    Raw raw;
    if (!m_spareRaw.empty()) {
        raw.bytes = std::move(m_spareRaw.back());
        m_spareRaw.pop_back();
    }
    m_bReading = true;
    const std::uint64_t at = m_rawPos;
    lock.unlock();
    std::size_t got = 0;
    try {
        raw.bytes.resize(kPieceSize);
        got = m_read(raw.bytes.data(), kPieceSize, at, raw.readErr);
        raw.bytes.resize(got);
    } catch (...) {
        lock.lock();
        m_bReading = false;
        m_cv.notify_all();
        throw;
    }
    raw.last = got < kPieceSize || raw.readErr;
    lock.lock();
    m_bReading = false;
    m_rawPos += got;
    raw.end = m_rawPos;
    m_bReadAll = raw.last;
    return raw;
}

bool CConvertAhead::Push(Piece&& piece) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return m_pieces.size() < kAhead || m_bStopped; });
    if (m_bStopped) return false;
    m_pieces.push_back(std::move(piece));
    m_cv.notify_all();
    return true;
}

std::string CConvertAhead::Spare(std::vector<std::string>& spare) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (spare.empty()) return {};
    std::string bytes = std::move(spare.back());
    spare.pop_back();
    bytes.clear();
    return bytes;
}

void CConvertAhead::GiveBack(std::string&& bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_spare.size() < kAhead) m_spare.push_back(std::move(bytes));
}

CConvertAhead::Piece CConvertAhead::Next() {
    // While no converted piece is there, the file is read ahead (as far as
    // there is room) rather than waited on.
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (!m_pieces.empty()) break;
        if (!m_bReading && !m_bReadAll && m_raw.size() < kRawAhead) {
            m_raw.push_back(ReadOne(lock));
            m_cv.notify_all();
            continue;
        }
        m_cv.wait(lock, [&] {
            return !m_pieces.empty() || (!m_bReading && !m_bReadAll && m_raw.size() < kRawAhead);
        });
    }
    Piece piece = std::move(m_pieces.front());
    m_pieces.pop_front();
    m_cv.notify_all();
    lock.unlock();
    if (piece.thrown) std::rethrow_exception(piece.thrown);
    return piece;
}

}  // namespace orv
