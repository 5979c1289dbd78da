// --help for the looking-at programs of the tests: their usage on standard
// output, and nothing else done.
#pragma once

#include <cstdio>
#include <cstring>

namespace orv::test {

// True (after printing usage) when an argument is --help.
inline bool AnswerHelp(int argc, char** argv, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return true;
        }
    }
    return false;
}

}  // namespace orv::test
