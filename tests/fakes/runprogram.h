// Runs orvlog as a program through the system's command interpreter and
// collects what it printed. One implementation per platform
// (runprogram_posix.cpp, runprogram_win.cpp).
#pragma once

#include <string>

namespace orv::test {

struct RunResult {
    int status;  // exit status, -1 when it could not run or did not exit
    std::string out;
};

// One argument quoted for the command interpreter (UTF-8).
std::string Quote(const std::string& arg);

// Where output goes to be thrown away, quoted.
std::string NullDevice();

// Runs orvlog with the arguments (quoted by the caller with Quote);
// standard error goes to the already quoted redirection target err.
RunResult RunOrvlog(const std::string& args, const std::string& err);

}  // namespace orv::test
