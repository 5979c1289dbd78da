// Files on Windows: UTF-8 paths become wide-character names, and a save
// replaces the target with ReplaceFileW.
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "core/fileio.h"
#include "core/winpath.h"

namespace orv {

namespace win {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int inLen = static_cast<int>(utf8.size());
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLen, nullptr, 0);
    std::wstring out(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLen, out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int inLen = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLen, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLen, out.data(), n, nullptr, nullptr);
    return out;
}

int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        default:
            return EIO;
    }
}

}  // namespace win

namespace {

using win::ErrnoOf;
using win::Wide;

// The fixed name of the file a save writes into, replaced by the next save.
std::wstring TemporaryName(const std::wstring& target) { return target + L".saving"; }

}  // namespace

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

std::FILE* OpenRegularFile(const std::string& path, int& err) {
    err = 0;
    std::FILE* f = _wfopen(Wide(path).c_str(), L"rb");
    if (!f) {
        err = errno ? errno : EIO;
        return nullptr;
    }
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0)
        err = errno ? errno : EIO;
    else if (st.st_mode & _S_IFDIR)
        err = EISDIR;
    else if (!(st.st_mode & _S_IFREG))
        err = kErrNotRegularFile;
    if (err) {
        std::fclose(f);
        f = nullptr;
    }
    return f;
}

namespace {

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h =
        CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return ok != FALSE;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return FileIdentity(a, ia) && FileIdentity(b, ib) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

void IgnoreFileSizeSignal() {}

int WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    const std::wstring target = Wide(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return EISDIR;
    const std::wstring temp = TemporaryName(target);
    std::FILE* f = _wfopen(temp.c_str(), L"wb");
    if (!f) return errno ? errno : EIO;
    int err = 0;
    errno = 0;
    if (!write(f) || std::fflush(f) != 0) err = errno ? errno : EIO;
    if (!err && !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))))
        err = ErrnoOf(GetLastError());
    if (std::fclose(f) != 0 && !err) err = errno ? errno : EIO;
    if (!err) {
        // ReplaceFileW keeps the target's attributes and security; it needs
        // the target to exist.
        const bool exists = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
        BOOL ok = exists ? ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                         : MoveFileExW(temp.c_str(), target.c_str(),
                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!ok) err = ErrnoOf(GetLastError());
    }
    if (err) DeleteFileW(temp.c_str());
    return err;
}

}  // namespace orv
