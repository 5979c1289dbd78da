#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "library/docidentity.h"

namespace orv {

bool IdentifyFile(std::FILE* f, DocIdentity& out) {
    struct stat st {};
    if (::fstat(::fileno(f), &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        return false;
    }
    out.device = static_cast<std::uint64_t>(st.st_dev);
    out.file = static_cast<std::uint64_t>(st.st_ino);
    out.size = static_cast<std::uint64_t>(st.st_size);
    out.modified = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    out.changed = std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

std::FILE* OpenDocumentFile(const std::string& path) {
    // O_NONBLOCK keeps a FIFO from holding the open; the check below turns
    // away every node that is not a regular file before a byte is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
    else if (int fl = ::fcntl(fd, F_GETFL); fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) < 0)
        err = errno;
    std::FILE* f = err ? nullptr : ::fdopen(fd, "rb");
    if (!f) {
        if (!err) err = errno;
        ::close(fd);
        errno = err;
    }
    return f;
}

bool SeekFile(std::FILE* f, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
           ::fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::string CacheFolder() {
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/')
        return std::string(xdg) + "/orv";
    if (const char* home = std::getenv("HOME"); home && home[0])
        return std::string(home) + "/.cache/orv";
    return {};
}

bool MakeFolders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) errno = ec.value();
    return !ec;
}

}  // namespace orv
