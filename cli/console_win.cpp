// The command line on Windows: arguments through the wide-character command
// line, output bytes passed through untranslated (UTF-8, LF line ends, as on
// other systems), and a console switched to UTF-8 output with control
// sequences on.
#include <fcntl.h>
#include <io.h>

#include "cli/console.h"
// windows.h first: shellapi.h builds on its types.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>

namespace orv::cli {

namespace {

std::string Utf8(const wchar_t* wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

}  // namespace

std::vector<std::string> StartConsole(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    int wargc = 0;
    if (wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc)) {
        for (int i = 0; i < wargc; ++i) args.push_back(Utf8(wargv[i]));
        LocalFree(wargv);
    } else {
        args.assign(argv, argv + argc);
    }
    return args;
}

bool StderrIsTerminal() {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (err == INVALID_HANDLE_VALUE || !GetConsoleMode(err, &mode)) return false;
    return SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace orv::cli
