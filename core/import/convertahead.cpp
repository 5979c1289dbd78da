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
        std::vector<char> raw(kPieceSize);
        std::uint64_t rawPos = 0;
        for (bool end = false; !end;) {
            Piece piece;
            piece.bytes = Spare();
            const std::size_t got = m_read(raw.data(), raw.size(), rawPos, piece.readErr);
            rawPos += got;
            end = got < raw.size();
            conv.Convert(std::string_view(raw.data(), got), end && !piece.readErr, piece.bytes);
            piece.rawEnd = rawPos;
            piece.replaced = conv.Replaced();
            piece.firstLine = conv.FirstReplacedLine();
            piece.end = end;
            if (!Push(std::move(piece))) return;
        }
    } catch (const std::bad_alloc&) {
        Piece piece;
        piece.end = true;
        piece.thrown = std::current_exception();
        Push(std::move(piece));
    }
}

bool CConvertAhead::Push(Piece&& piece) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return m_pieces.size() < kAhead || m_bStopped; });
    if (m_bStopped) return false;
    m_pieces.push_back(std::move(piece));
    m_cv.notify_all();
    return true;
}

std::string CConvertAhead::Spare() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_spare.empty()) return {};
    std::string bytes = std::move(m_spare.back());
    m_spare.pop_back();
    bytes.clear();
    return bytes;
}

void CConvertAhead::GiveBack(std::string&& bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_spare.size() < kAhead) m_spare.push_back(std::move(bytes));
}

CConvertAhead::Piece CConvertAhead::Next() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return !m_pieces.empty(); });
    Piece piece = std::move(m_pieces.front());
    m_pieces.pop_front();
    m_cv.notify_all();
    lock.unlock();
    if (piece.thrown) std::rethrow_exception(piece.thrown);
    return piece;
}

}  // namespace orv
