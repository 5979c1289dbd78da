// Runs orvlog through cmd.exe with a wide-character command line, so that
// UTF-8 arguments reach it unchanged.
#include <windows.h>

#include <array>
#include <cstdio>

#include "fakes/runprogram.h"

namespace orv::test {

namespace {

std::wstring Wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

}  // namespace

std::string Quote(const std::string& arg) {
    // cmd.exe and the C run-time's argument parser: double quotes, with a
    // quote inside written as \".
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string NullDevice() { return "NUL"; }

RunResult RunOrvlog(const std::string& args, const std::string& err) {
    std::string program = ORVLOG_PATH;
    for (char& c : program)
        if (c == '/') c = '\\';
    // cmd /c drops the outermost quotes of a command that begins with one.
    std::string cmd = "\"" + Quote(program) + " " + args + " 2>" + err + "\"";
    RunResult r{-1, {}};
    std::FILE* p = _wpopen(Wide(cmd).c_str(), L"rb");
    if (!p) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    r.status = _pclose(p);
    return r;
}

}  // namespace orv::test
