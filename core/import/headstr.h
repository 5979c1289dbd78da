// One space-separated token of a message header line, used while importing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/import/headerline.h"

namespace orv {

// The kinds of header token (CHeadStr::m_nKind).
struct TokenKind {
    enum : int {
        Number = 0,  // the first token: the message number
        Id = 1,      // the second token: the author ID
        Author = 2,  // a later token starting before kTitleColumn
        Title = 3,   // a later token starting at kTitleColumn or later
    };
};

class CHeadStr {
public:
    int m_nKind = TokenKind::Number;
    std::string m_strToken;

    CHeadStr() = default;
    CHeadStr(int kind, std::string token) : m_nKind(kind), m_strToken(std::move(token)) {}
};

using HeaderTokenArray = std::vector<CHeadStr>;

}  // namespace orv
