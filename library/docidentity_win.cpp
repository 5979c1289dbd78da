#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/fileio.h"
#include "library/docidentity.h"

namespace orv {

bool IdentifyFile(std::FILE* f, DocIdentity& out) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info) ||
        !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) {
        errno = EIO;
        return false;
    }
    if (GetFileType(h) != FILE_TYPE_DISK || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR : ENODEV;
        return false;
    }
    out.device = info.dwVolumeSerialNumber;
    out.file = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    out.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    out.modified = basic.LastWriteTime.QuadPart;
    out.changed = basic.ChangeTime.QuadPart;
    return true;
}

std::FILE* OpenDocumentFile(const std::string& path) {
    std::FILE* f = OpenFile(path, "rb");
    if (!f) return nullptr;
    DocIdentity id;
    if (!IdentifyFile(f, id)) {
        const int err = errno;
        std::fclose(f);
        errno = err;
        return nullptr;
    }
    return f;
}

bool SeekFile(std::FILE* f, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
           _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
}

std::string CacheFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !local[0]) return {};
    const std::u8string s = (std::filesystem::path(local) / L"orv").u8string();
    return std::string(s.begin(), s.end());
}

bool MakeFolders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(
        std::filesystem::path(std::u8string(folder.begin(), folder.end())), ec);
    if (ec) errno = EIO;
    return !ec;
}

}  // namespace orv
