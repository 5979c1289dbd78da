// A pass over the whole of a log before the import reads it: the line ends
// of a file whose first bytes hold no CR LF, and what the conversion of a
// file will replace when the import is to ask about it. A large file is
// read in two halves at once, the second on a thread of its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/import/logform.h"

namespace orv {

// The least length read in two halves.
constexpr std::uint64_t kHalvesFrom = std::uint64_t(1) << 20;

struct LogSurvey {
    CLineEndStats ends;          // of the bytes from the offset asked on
    std::uint64_t replaced = 0;  // characters the conversion replaces, when counted
};

// Reads the file f (at path, length bytes long) from offset endsFrom to its
// end for its line ends (UINT64_MAX: none); with count, counts what the
// conversion from that form replaces in the whole file as well. Read errors
// end the pass where they stand: the reading proper meets and reports them.
LogSurvey SurveyLog(std::FILE* f, const std::string& path, std::uint64_t length,
                    std::uint64_t endsFrom, const LogForm* count);

}  // namespace orv
