// The site folder on POSIX systems: mkdtemp beside the target, rename onto it.
#include "core/htmlsitefolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
    explicit PosixSiteFile(int fd) : m_fd(fd) {}
    ~PosixSiteFile() override {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool Write(std::string_view bytes) override {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0 && m_fd >= 0) {
            ssize_t n = ::write(m_fd, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
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
        return rc == 0;
    }

private:
    int m_fd;
};

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
    const std::size_t slash = m_target.rfind('/');
    const std::string parent =
        slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/")
                                                                    : m_target.substr(0, slash);
    const std::string base = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    if (base.empty() || base == "." || base == "..") {
        Fail(EINVAL, m_target);
        return false;
    }
    std::string tmpl = (parent == "/" ? std::string() : parent) + "/." + base + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) {
        Fail(errno, parent);
        return false;
    }
    m_temp = name.data();
    return true;
}

bool CHtmlSiteFolder::MakeFolder(const std::string& name) {
    const std::string path = m_temp + "/" + name;
    if (::mkdir(path.c_str(), 0777) != 0) {
        Fail(errno, path);
        return false;
    }
    m_folders.push_back(path);
    return true;
}

std::unique_ptr<ISiteFile> CHtmlSiteFolder::NewFile(const std::string& name) {
    const std::string path = m_temp + "/" + name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        Fail(errno, path);
        return nullptr;
    }
    m_files.push_back(path);
    return std::make_unique<PosixSiteFile>(fd);
}

bool CHtmlSiteFolder::Commit() {
    if (m_temp.empty()) return false;
    // mkdtemp makes the folder for its owner alone; the site is meant to be
    // read like any folder the user makes.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::chmod(m_temp.c_str(), 0777 & ~mask) != 0) {
        Fail(errno, m_temp);
        return false;
    }
    // rename replaces an empty folder at the target and fails on any other.
    if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        Fail(errno, m_target);
        return false;
    }
    m_committed = true;
    return true;
}

void CHtmlSiteFolder::Discard() {
    if (m_temp.empty() || m_committed) return;
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) ::unlink(it->c_str());
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) ::rmdir(it->c_str());
    ::rmdir(m_temp.c_str());
    m_files.clear();
    m_folders.clear();
    m_temp.clear();
}

}  // namespace orv
