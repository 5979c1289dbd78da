// Runs orvlog as a program through the shell and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace orv::test {

struct RunResult {
    int status;  // exit status, -1 when it could not run or did not exit
    std::string out;
};

// Runs orvlog with the arguments (quoted for the shell by the caller);
// standard error goes to the shell redirection target err.
inline RunResult RunOrvlog(const std::string& args, const std::string& err) {
    std::string cmd = std::string("'") + ORVLOG_PATH + "' " + args + " 2>" + err;
    RunResult r{-1, {}};
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

}  // namespace orv::test
