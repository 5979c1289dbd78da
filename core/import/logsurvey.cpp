#include "core/import/logsurvey.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "core/fileio.h"
#include "core/import/logconvert.h"

namespace orv {

namespace {

constexpr std::size_t kPieceSize = 1 << 16;

// Reads f from offset at up to offset to, or its end: the line ends of the
// bytes from endsFrom on into ends, and every byte into counter if any.
void SurveyPart(std::FILE* f, std::uint64_t at, std::uint64_t to, std::uint64_t endsFrom,
                CLineEndStats& ends, CLogConverter* counter) {
    if (std::fseek(f, static_cast<long>(at), SEEK_SET) != 0) return;
    std::vector<char> piece(kPieceSize);
    while (at < to) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), to - at));
        const std::size_t got = std::fread(piece.data(), 1, want, f);
        const std::string_view bytes(piece.data(), got);
        const bool end = got < want || at + got >= to;
        if (counter) counter->Count(bytes, end);
        if (at + got > endsFrom)
            ends.Feed(bytes.substr(endsFrom > at ? static_cast<std::size_t>(endsFrom - at) : 0));
        at += got;
        if (end) break;
    }
}

// Where the bytes from..to of the file at path may be cut into two halves
// read apart: at an ASCII byte other than CR and LF near their middle, which
// neither ends a UTF-8 character nor splits a CR LF; 0 when none is near.
std::uint64_t HalfwayCut(const std::string& path, std::uint64_t from, std::uint64_t to) {
    int err = 0;
    std::FILE* f = OpenRegularFile(path, err);
    if (!f) return 0;
    std::uint64_t cut = 0;
    char window[4096];
    const std::uint64_t mid = from + (to - from) / 2;
    if (std::fseek(f, static_cast<long>(mid), SEEK_SET) == 0) {
        const std::size_t got = std::fread(window, 1, sizeof window, f);
        for (std::size_t i = 0; i < got && !cut; ++i) {
            const auto b = static_cast<unsigned char>(window[i]);
            if (b < 0x80 && b != '\r' && b != '\n') cut = mid + i;
        }
    }
    std::fclose(f);
    return cut;
}

}  // namespace

LogSurvey SurveyLog(std::FILE* f, const std::string& path, std::uint64_t length,
                    std::uint64_t endsFrom, const LogForm* count) {
    // Counting starts at the file's start; line ends alone where asked.
    const std::uint64_t from = count ? 0 : std::min(endsFrom, length);
    // UTF-8 starts anew at every ASCII byte; the other encodings are
    // counted in one pass.
    const bool halves = (!count || IsUtf8(count->encoding)) && length - from >= kHalvesFrom;
    const std::uint64_t cut = halves ? HalfwayCut(path, from, length) : 0;
    std::unique_ptr<CLogConverter> first, second;
    if (count) first = std::make_unique<CLogConverter>(*count);
    if (count && cut) second = std::make_unique<CLogConverter>(LogForm{LogEncoding::Utf8});
    LogSurvey survey;
    CLineEndStats later;
    bool laterRead = false;
    const auto readLater = [&](std::FILE* g) {
        SurveyPart(g, cut, UINT64_MAX, std::max(cut, endsFrom), later, second.get());
        laterRead = true;
    };
    std::thread other;
    if (cut) {
        try {
            other = std::thread([&] {
                int err = 0;
                if (std::FILE* g = OpenRegularFile(path, err)) {
                    readLater(g);
                    std::fclose(g);
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: the second half comes after the first.
        }
    }
    SurveyPart(f, from, cut ? cut : UINT64_MAX, endsFrom, survey.ends, first.get());
    if (other.joinable()) other.join();
    if (cut && !laterRead) readLater(f);
    survey.ends.Add(later);
    if (first) survey.replaced = first->Replaced() + (second ? second->Replaced() : 0);
    return survey;
}

}  // namespace orv
