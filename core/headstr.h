// One space-separated token of a message header line, used while importing.
#pragma once

#include <string>
#include <vector>

namespace orv {

class CHeadStr {
public:
    // 0: first token; 1: second token; 2: later token starting before byte
    // column 38 (author); 3: later token starting at column 38 or later (title).
    int m_nKind = 0;
    std::string m_strToken;

    CHeadStr() = default;
    CHeadStr(int kind, std::string token) : m_nKind(kind), m_strToken(std::move(token)) {}
};

using HeaderTokenArray = std::vector<CHeadStr>;

// Byte column from which a header token belongs to the title.
inline constexpr std::size_t kTitleColumn = 38;

}  // namespace orv
