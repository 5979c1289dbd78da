// Helpers for tests that need files: a temporary folder removed at the end,
// CP932 text from UTF-8 literals, and log lines laid out by byte column.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/cp932.h"

namespace orv::test {

inline std::string Sjis(const std::string& utf8) {
    auto s = Utf8ToCp932(utf8);
    return s ? *s : std::string("<unmappable>");
}

class TempDir {
public:
    TempDir() {
        // A new folder of a random name: create_directory says whether it
        // made the folder, so two tests never share one.
        const auto base = std::filesystem::temp_directory_path();
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (;;) {
            m_path = base / ("orvtest." + std::to_string(random()));
            if (std::filesystem::create_directory(m_path)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string p = File(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Header line 1 of a message: number/total, ID, author from column 12, the
// title at byte column 38 (CP932 bytes), no line end.
inline std::string Header1(int number, int total, const std::string& id,
                           const std::string& authorUtf8, const std::string& titleUtf8) {
    char head[32];
    std::snprintf(head, sizeof head, "%05d/%05d ", number, total);
    std::string line = head + id + "  " + Sjis(authorUtf8);
    if (line.size() < 38)
        line.append(38 - line.size(), ' ');
    else
        line += ' ';
    return line + Sjis(titleUtf8);
}

// Header line 2 with an optional parent number.
inline std::string Header2(const std::string& dateTime, int parent = -1) {
    std::string line = "(12) " + dateTime;
    if (parent >= 0) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "  %05d", parent);
        line += buf + Sjis("へのコメント");
    }
    return line;
}

// Joins lines with CR LF after each.
inline std::string Crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

// The three-message log of the worked example, with a junk line first.
inline std::string WorkedExample() {
    return Crlf({
        Sjis("(a line captured before the first message)"),
        Header1(1, 3, "ABC00001", "試験 太郎", "雪の日の写真"),
        Header2("99/01/10 08:15:30"),
        Sjis("今朝の雪の写真を載せました。"),
        "",
        Header1(2, 3, "ABC00002", "見本 花子", "RE:雪の日の写真"),
        Header2("99/01/10 09:02:11", 1),
        Sjis("きれいですね。"),
        Header1(3, 3, "ABC00001", "試験 太郎", "次の集まり"),
        Header2("99/01/11 20:40:05"),
        Sjis("来月の集まりの案内です。"),
    });
}

}  // namespace orv::test
