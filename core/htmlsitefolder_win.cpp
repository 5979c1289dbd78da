// The site folder on Windows: wide-character calls on the UTF-8 paths, a
// folder of a fresh name beside the target, moved onto it when complete.
#include <windows.h>

#include <cerrno>

#include "core/htmlsitefolder.h"
#include "core/winpath.h"

namespace orv {

namespace {

using win::ErrnoOf;
using win::Narrow;
using win::Wide;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The absolute form of the target; when it is a link or junction, the folder
// it names, so that a link to an empty folder gets the site in that folder.
std::string Resolve(const std::string& target) {
    const std::wstring wide = Wide(target);
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full;
    if (n > 0) {
        full.resize(n);
        n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
        full.resize(n < full.size() ? n : 0);
    }
    if (full.empty()) full = wide;
    const DWORD attrs = GetFileAttributesW(full.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
        HANDLE h =
            CreateFileW(full.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            std::wstring resolved(MAX_PATH, L'\0');
            DWORD len = GetFinalPathNameByHandleW(
                h, resolved.data(), static_cast<DWORD>(resolved.size()), FILE_NAME_NORMALIZED);
            if (len >= resolved.size()) {
                resolved.resize(len + 1);
                len = GetFinalPathNameByHandleW(
                    h, resolved.data(), static_cast<DWORD>(resolved.size()), FILE_NAME_NORMALIZED);
            }
            CloseHandle(h);
            if (len > 0 && len < resolved.size()) {
                resolved.resize(len);
                // "\\?\C:\x" and "\\?\UNC\server\x" back to their usual forms.
                if (resolved.rfind(L"\\\\?\\UNC\\", 0) == 0)
                    full = L"\\" + resolved.substr(7);
                else if (resolved.rfind(L"\\\\?\\", 0) == 0)
                    full = resolved.substr(4);
                else
                    full = resolved;
            }
        }
    }
    std::string path = Narrow(full);
    // No trailing separator, but "C:\" and "\" stay what they are.
    while (path.size() > 1 && IsSeparator(path.back()) && path[path.size() - 2] != ':')
        path.pop_back();
    return path;
}

// A relative name with "/" between folders, joined below a folder.
std::string Join(const std::string& folder, const std::string& name) {
    std::string path = folder + "\\" + name;
    for (std::size_t i = folder.size(); i < path.size(); ++i)
        if (path[i] == '/') path[i] = '\\';
    return path;
}

class WinSiteFile : public ISiteFile {
public:
    explicit WinSiteFile(HANDLE h) : m_h(h) {}
    ~WinSiteFile() override {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    bool Write(std::string_view bytes) override {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0 && m_h != INVALID_HANDLE_VALUE) {
            const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!WriteFile(m_h, p, chunk, &written, nullptr) || written == 0) return false;
            p += written;
            left -= written;
        }
        return m_h != INVALID_HANDLE_VALUE;
    }
    bool Close() override {
        if (m_h == INVALID_HANDLE_VALUE) return false;
        const BOOL ok = CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
        return ok != 0;
    }

private:
    HANDLE m_h;
};

}  // namespace

CHtmlSiteFolder::TargetState CHtmlSiteFolder::Inspect(const std::string& target, int& err) {
    err = 0;
    const std::wstring path = Wide(Resolve(target));
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return TargetState::Missing;
        err = ErrnoOf(e);
        return TargetState::Unreadable;
    }
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) return TargetState::NotAFolder;
    const std::wstring pattern =
        path + (path.empty() || path.back() == L'\\' || path.back() == L'/' ? L"*" : L"\\*");
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND) return TargetState::Empty;
        err = ErrnoOf(e);
        return TargetState::Unreadable;
    }
    TargetState state = TargetState::Empty;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            state = TargetState::NotEmpty;
            break;
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return state;
}

CHtmlSiteFolder::CHtmlSiteFolder(std::string target) : m_target(Resolve(target)) {}

bool CHtmlSiteFolder::Begin() {
    const std::size_t slash = m_target.find_last_of("\\/");
    const std::string base = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    if (base.empty() || base == "." || base == ".." || base.back() == ':') {
        Fail(EINVAL, m_target);
        return false;
    }
    const std::string parent =
        slash == std::string::npos ? std::string(".") : m_target.substr(0, slash);
    // A name of the process and a counter, tried until one is free.
    static LONG counter = 0;
    const unsigned long pid = GetCurrentProcessId();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const unsigned long n =
            static_cast<unsigned long>(InterlockedIncrement(&counter)) ^ GetTickCount();
        const std::string name =
            parent + "\\." + base + "." + std::to_string(pid) + "-" + std::to_string(n);
        if (CreateDirectoryW(Wide(name).c_str(), nullptr)) {
            m_temp = name;
            return true;
        }
        const DWORD e = GetLastError();
        if (e != ERROR_ALREADY_EXISTS) {
            Fail(ErrnoOf(e), parent);
            return false;
        }
    }
    Fail(EEXIST, parent);
    return false;
}

bool CHtmlSiteFolder::MakeFolder(const std::string& name) {
    const std::string path = Join(m_temp, name);
    if (!CreateDirectoryW(Wide(path).c_str(), nullptr)) {
        Fail(ErrnoOf(GetLastError()), path);
        return false;
    }
    m_folders.push_back(path);
    return true;
}

std::unique_ptr<ISiteFile> CHtmlSiteFolder::NewFile(const std::string& name) {
    const std::string path = Join(m_temp, name);
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Fail(ErrnoOf(GetLastError()), path);
        return nullptr;
    }
    m_files.push_back(path);
    return std::make_unique<WinSiteFile>(h);
}

bool CHtmlSiteFolder::MoveEntriesInto(const std::string& folder) {
    // The top-level entries, moved one by one; on a failure the ones moved
    // go back, so that the folder is empty again.
    std::vector<std::string> top, moved;
    for (const auto* list : {&m_folders, &m_files})
        for (const std::string& path : *list)
            if (path.find('\\', m_temp.size() + 1) == std::string::npos)
                top.push_back(path.substr(m_temp.size() + 1));
    for (const std::string& name : top) {
        if (!MoveFileExW(Wide(Join(m_temp, name)).c_str(), Wide(Join(folder, name)).c_str(),
                         MOVEFILE_WRITE_THROUGH)) {
            Fail(ErrnoOf(GetLastError()), m_target);
            for (const std::string& back : moved)
                MoveFileExW(Wide(Join(folder, back)).c_str(), Wide(Join(m_temp, back)).c_str(), 0);
            return false;
        }
        moved.push_back(name);
    }
    return true;
}

void CHtmlSiteFolder::Unlock() {}

bool CHtmlSiteFolder::Commit() {
    if (m_temp.empty()) return false;
    // The folder was made with the permissions it inherits from its parent,
    // like any folder the user makes there. An empty folder at the target
    // stays (it may be a current folder) and gets the entries.
    const std::wstring target = Wide(m_target);
    const DWORD attrs = GetFileAttributesW(target.c_str());
    const bool hadFolder = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
    if (hadFolder) {
        if (!MoveEntriesInto(m_target)) return false;
        RemoveDirectoryW(Wide(m_temp).c_str());
    } else if (!MoveFileExW(Wide(m_temp).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        Fail(ErrnoOf(GetLastError()), m_target);
        return false;
    }
    m_committed = true;
    return true;
}

void CHtmlSiteFolder::Discard() {
    if (m_temp.empty() || m_committed) return;
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) DeleteFileW(Wide(*it).c_str());
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it)
        RemoveDirectoryW(Wide(*it).c_str());
    RemoveDirectoryW(Wide(m_temp).c_str());
    m_files.clear();
    m_folders.clear();
    m_temp.clear();
}

}  // namespace orv
