// Files on POSIX systems; the atomic save writes into an unnamed file where
// the file system offers one (Linux O_TMPFILE).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "core/fileio.h"

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

// The file a save writes: path with every link followed, also when the
// last one names nothing yet (the save then makes the file it names).
std::string SaveTarget(const std::string& path) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string target = real;
        std::free(real);
        return target;
    }
    std::string cur = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(cur.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::vector<char> buf(PATH_MAX + 1);
        const ssize_t n = ::readlink(cur.c_str(), buf.data(), buf.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) break;
        const std::string link(buf.data(), static_cast<std::size_t>(n));
        cur = link[0] == '/' ? link : FolderOf(cur) + "/" + link;
    }
    return cur;
}

// Gives the new file the owner and group of the file it replaces, as far
// as the process may (a user keeps the group at best), then its mode:
// changing the owner clears set-id bits.
void KeepOwnerAndMode(int fd, const struct stat* old, mode_t mode) {
    if (old && (old->st_uid != ::geteuid() || old->st_gid != ::getegid())) {
        if (::fchown(fd, old->st_uid, old->st_gid) != 0)
            (void)!::fchown(fd, static_cast<uid_t>(-1), old->st_gid);
    }
    ::fchmod(fd, mode);
}

}  // namespace

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::FILE* OpenRegularFile(const std::string& path, int& err) {
    err = 0;
    // Without O_NONBLOCK, opening a pipe waits for a writer forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        err = errno ? errno : EIO;
        // A socket cannot be opened at all; say what it is.
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            err = kErrNotRegularFile;
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0)
        err = errno ? errno : EIO;
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
    else if (!S_ISREG(st.st_mode))
        err = kErrNotRegularFile;
    if (!err) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) err = errno ? errno : EIO;
    }
    std::FILE* f = err ? nullptr : ::fdopen(fd, "rb");
    if (!f) {
        if (!err) err = errno ? errno : EIO;
        ::close(fd);
    }
    return f;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction old {};
        if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
            std::signal(SIGXFSZ, SIG_IGN);
    });
}

int WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    IgnoreFileSizeSignal();
    const std::string target = SaveTarget(path);
    mode_t mode;
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    // Renaming over a device, a pipe or a folder would replace the node
    // itself (a save to /dev/null as root would leave a plain file there).
    if (exists && S_ISDIR(st.st_mode)) return EISDIR;
    if (exists && !S_ISREG(st.st_mode)) return kErrNotRegularFile;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::string named;
    int fd = OpenTemporary(target, mode, named);
    if (fd < 0) return errno ? errno : EIO;
    KeepOwnerAndMode(fd, exists ? &st : nullptr, mode);
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
