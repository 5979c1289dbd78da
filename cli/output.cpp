#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/terminal.h"

namespace orv::cli {

bool StdOut::Write(std::string_view s) {
    if (m_err) return false;
    errno = 0;
    if (!s.empty() && std::fwrite(s.data(), 1, s.size(), stdout) != s.size())
        m_err = errno ? errno : EIO;
    return m_err == 0;
}

int StdOut::Finish(int status) {
    errno = 0;
    if (!m_err && std::fflush(stdout) != 0) m_err = errno ? errno : EIO;
    if (!m_err && std::ferror(stdout)) m_err = EIO;
    if (!m_err || m_err == EPIPE) return status;
    EndProgressLine();
    std::fprintf(stderr, "orvlog: standard output: %s\n", std::strerror(m_err));
    return kExitUsage;
}

int PrintHelp(std::string_view text) {
    StdOut out;
    out.Write(text);
    return out.Finish(kExitOk);
}

}  // namespace orv::cli
