// The site folder on POSIX systems: mkdtemp beside the target, rename onto it.
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "core/fileio.h"
#include "core/htmlsitefolder.h"

namespace orv {

namespace {

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The target with symbolic links followed when it exists, so that a link
// to an empty folder gets the site in the folder it names.
std::string Resolve(const std::string& target) {
    std::string path = StripTrailingSlashes(target);
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    return path;
}

class PosixSiteFile : public ISiteFile {
public:
    PosixSiteFile(int fd, std::function<void(int)> onError)
        : m_fd(fd), m_onError(std::move(onError)) {}
    ~PosixSiteFile() override {
        if (m_fd >= 0) ::close(m_fd);
    }
    void Adopt(int fd) { m_fd = fd; }
    bool Open() const { return m_fd >= 0; }
    bool Write(std::string_view bytes) override {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0 && m_fd >= 0) {
            ssize_t n = ::write(m_fd, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                m_onError(errno);
                return false;
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        return m_fd >= 0;
    }
    bool Close() override {
        if (m_fd < 0) return false;
        int rc = ::close(m_fd);
        m_fd = -1;
        if (rc != 0) m_onError(errno);
        return rc == 0;
    }

private:
    int m_fd;
    std::function<void(int)> m_onError;
};

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

// The names mkdtemp gives the temporary folders: "." NAME "." and six
// letters or digits.
bool IsTemporaryName(const std::string& name) {
    const std::size_t n = name.size();
    if (n < 9 || name[0] != '.' || name[n - 7] != '.') return false;
    for (std::size_t i = n - 6; i < n; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// The lock file of an export's temporary folder when that folder is ours
// and nobody holds the lock any more (its export was killed); -1 otherwise.
int LockAbandoned(const std::string& folder) {
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return -1;
    const std::string lock = folder + "/" + CHtmlSiteFolder::kLockName;
    if (::lstat(lock.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const int fd = ::open(lock.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

// Removes the temporary folders of killed exports in parent.
void RemoveAbandoned(const std::string& parent) {
    DIR* dir = ::opendir(parent.c_str());
    if (!dir) return;
    std::vector<std::string> found;
    while (const dirent* e = ::readdir(dir))
        if (IsTemporaryName(e->d_name))
            found.push_back((parent == "/" ? "" : parent) + "/" + e->d_name);
    ::closedir(dir);
    for (const std::string& folder : found) {
        const int lock = LockAbandoned(folder);
        if (lock < 0) continue;
        // Depth first, links removed rather than followed, never leaving
        // the folder's file system.
        ::nftw(folder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
        ::close(lock);
    }
}

// rename that never replaces what stands at to.
int RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

CHtmlSiteFolder::TargetState CHtmlSiteFolder::Inspect(const std::string& target, int& err) {
    err = 0;
    struct stat st;
    const std::string path = Resolve(target);
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return TargetState::Missing;
        err = errno;
        return TargetState::Unreadable;
    }
    if (!S_ISDIR(st.st_mode)) return TargetState::NotAFolder;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) {
        err = errno;
        return TargetState::Unreadable;
    }
    TargetState state = TargetState::Empty;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            state = TargetState::NotEmpty;
            break;
        }
    }
    ::closedir(dir);
    return state;
}

CHtmlSiteFolder::CHtmlSiteFolder(std::string target) : m_target(Resolve(target)) {}

bool CHtmlSiteFolder::Begin() {
    // A file beyond the size limit is a failed write, not a killed process.
    IgnoreFileSizeSignal();
    const std::string parent = ParentOf(m_target);
    const std::size_t slash = m_target.rfind('/');
    const std::string base = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    if (base.empty() || base == "." || base == "..") {
        Fail(EINVAL, m_target);
        return false;
    }
    RemoveAbandoned(parent);
    // "." and ".XXXXXX" around the name must fit a file name's 255 bytes:
    // a long name is cut, before a whole UTF-8 character.
    std::size_t keep = std::min<std::size_t>(base.size(), 255 - 8);
    while (keep < base.size() && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
    std::string tmpl =
        (parent == "/" ? std::string() : parent) + "/." + base.substr(0, keep) + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) {
        Fail(errno, parent);
        return false;
    }
    m_temp = name.data();
    const std::string lock = m_temp + "/" + kLockName;
    m_lock = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_lock < 0 || ::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        Fail(errno, m_temp);
        Discard();
        return false;
    }
    return true;
}

bool CHtmlSiteFolder::MakeFolder(const std::string& name) {
    // Listed before it is made: memory that runs out between the two would
    // leave a folder that Discard does not know of.
    m_folders.push_back(m_temp + "/" + name);
    const std::string& path = m_folders.back();
    if (::mkdir(path.c_str(), 0777) != 0) {
        Fail(errno, path);
        m_folders.pop_back();
        return false;
    }
    return true;
}

std::unique_ptr<ISiteFile> CHtmlSiteFolder::NewFile(const std::string& name) {
    // Listed, and its handle's owner made, before the file is: memory that
    // runs out on the way leaves no file that Discard does not know of.
    const std::string path = m_temp + "/" + name;
    m_files.push_back(path);
    auto file = std::make_unique<PosixSiteFile>(-1, [this, path](int err) { Fail(err, path); });
    file->Adopt(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file->Open()) {
        Fail(errno, path);
        m_files.pop_back();
        return nullptr;
    }
    return file;
}

bool CHtmlSiteFolder::MoveEntriesInto(const std::string& folder) {
    // The top-level entries, moved one by one; on a failure the ones moved
    // go back, so that the folder is empty again.
    std::vector<std::string> top, moved;
    for (const auto* list : {&m_folders, &m_files})
        for (const std::string& path : *list)
            if (path.find('/', m_temp.size() + 1) == std::string::npos)
                top.push_back(path.substr(m_temp.size() + 1));
    for (const std::string& name : top) {
        if (int err = RenameNoReplace(m_temp + "/" + name, folder + "/" + name)) {
            Fail(err, m_target);
            for (const std::string& back : moved)
                std::rename((folder + "/" + back).c_str(), (m_temp + "/" + back).c_str());
            return false;
        }
        moved.push_back(name);
    }
    return true;
}

void CHtmlSiteFolder::Unlock() {
    if (m_lock < 0) return;
    ::unlink((m_temp + "/" + kLockName).c_str());
    ::close(m_lock);
    m_lock = -1;
}

bool CHtmlSiteFolder::Commit() {
    if (m_temp.empty()) return false;
    // The lock file is no part of the site; the lock itself is held until
    // the site is in place.
    const std::string lock = m_temp + "/" + kLockName;
    ::unlink(lock.c_str());
    struct stat st;
    if (::stat(m_target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        // An empty folder at the target stays (it may be the shell's
        // current folder) and gets the entries.
        if (!MoveEntriesInto(m_target)) return false;
        ::rmdir(m_temp.c_str());
    } else {
        // mkdtemp makes the folder for its owner alone; the site is meant
        // to be read like any folder the user makes.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::chmod(m_temp.c_str(), 0777 & ~mask) != 0) {
            Fail(errno, m_temp);
            return false;
        }
        // rename fails when a file or a folder that is not empty stands
        // at the target meanwhile.
        if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
            Fail(errno, m_target);
            return false;
        }
    }
    m_committed = true;
    ::close(m_lock);
    m_lock = -1;
    return true;
}

void CHtmlSiteFolder::Discard() {
    if (m_temp.empty() || m_committed) return;
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) ::unlink(it->c_str());
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) ::rmdir(it->c_str());
    Unlock();
    ::rmdir(m_temp.c_str());
    m_files.clear();
    m_folders.clear();
    m_temp.clear();
}

}  // namespace orv
