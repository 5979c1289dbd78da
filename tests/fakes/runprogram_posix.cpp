#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "fakes/runprogram.h"

namespace orv::test {

std::string Quote(const std::string& arg) {
    std::string out = "'";
    for (char c : arg) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string NullDevice() { return "/dev/null"; }

RunResult RunOrvlog(const std::string& args, const std::string& err) {
    std::string cmd = Quote(ORVLOG_PATH) + " " + args + " 2>" + err;
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
