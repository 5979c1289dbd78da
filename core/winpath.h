// UTF-8 paths and Win32 error codes for the Windows sources of the core
// (fileio_win.cpp, htmlsitefolder_win.cpp). Included only on Windows.
#pragma once

#include <windows.h>

#include <string>

namespace orv::win {

// UTF-8 to the wide characters of the Win32 calls.
std::wstring Wide(const std::string& utf8);
// Wide characters back to UTF-8, for paths the system hands out.
std::string Narrow(const std::wstring& wide);
// The errno value closest to a GetLastError code (EIO when none is).
int ErrnoOf(DWORD error);

}  // namespace orv::win
