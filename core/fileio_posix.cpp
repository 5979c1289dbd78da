// Files on POSIX systems; the atomic save writes into an unnamed file where
// the file system offers one (Linux O_TMPFILE).
#include "core/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <mutex>

namespace orv {

namespace {

// The fixed name a save uses when the file system refuses unnamed files,
// and the name an unnamed file gets just before it replaces the target.
std::string TemporaryName(const std::string& target) { return target + ".saving"; }

std::string FolderOf(const std::string& target) {
    std::size_t slash = target.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : target.substr(0, slash);
}

// A write beyond the file-size limit must fail with EFBIG and be reported,
// not end the process through SIGXFSZ.
void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction old {};
        if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
            std::signal(SIGXFSZ, SIG_IGN);
    });
}

// Opens the file a save writes into: unnamed when possible (named is then
// empty), else the fixed temporary name, replacing a leftover.
int OpenTemporary(const std::string& target, mode_t mode, std::string& named) {
    named.clear();
#ifdef O_TMPFILE
    int fd = ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
#endif
    named = TemporaryName(target);
    ::unlink(named.c_str());
    return ::open(named.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
}

// Gives the unnamed file fd the name name, replacing a leftover of that name.
int LinkUnnamed(int fd, const std::string& name) {
    // AT_EMPTY_PATH needs a privilege; the link through /proc does not.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
            ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno != EEXIST || ::unlink(name.c_str()) != 0) break;
    }
    return errno ? errno : EIO;
}

}  // namespace

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

int WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    IgnoreFileSizeSignal();
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    mode_t mode;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::string named;
    int fd = OpenTemporary(target, mode, named);
    if (fd < 0) return errno ? errno : EIO;
    ::fchmod(fd, mode);
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        int err = errno;
        ::close(fd);
        if (!named.empty()) ::unlink(named.c_str());
        return err ? err : EIO;
    }
    int err = 0;
    errno = 0;
    if (!write(f) || std::fflush(f) != 0 || ::fsync(fd) != 0) err = errno ? errno : EIO;
    if (!err && named.empty()) {
        named = TemporaryName(target);
        err = LinkUnnamed(fd, named);
        if (err) named.clear();
    }
    if (std::fclose(f) != 0 && !err) err = errno ? errno : EIO;
    if (!err && std::rename(named.c_str(), target.c_str()) != 0) err = errno ? errno : EIO;
    if (err && !named.empty()) ::unlink(named.c_str());
    return err;
}

}  // namespace orv
