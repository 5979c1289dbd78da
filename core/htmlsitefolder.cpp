// What the site folder does the same on every system; the system calls are
// in htmlsitefolder_posix.cpp and htmlsitefolder_win.cpp.
#include "core/htmlsitefolder.h"

#include <cerrno>

namespace orv {

CHtmlSiteFolder::~CHtmlSiteFolder() {
    if (!m_committed) Discard();
}

void CHtmlSiteFolder::Fail(int err, const std::string& path) {
    if (m_err) return;  // the first failure is the one reported
    m_err = err ? err : EIO;
    m_errPath = path;
}

}  // namespace orv
