// Writes synthetic forum logs in CP932 with CR LF: numbered messages with
// header lines laid out by byte column, replies to earlier messages, replies
// to messages that are not in the logs, short and long bodies.
//
// usage: orv_gen_forum OUTDIR [MESSAGES] [FILES]
//        orv_gen_forum --chain OUTFILE MESSAGES
// The second form writes one log of tiny messages, each a reply to the one
// before: a reply chain as deep as the log is long.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

// CP932 words for titles, names and bodies.
const char* const kWords[] = {
    "\x89\xEF\x8B\x63\x8E\xBA",                  // 会議室
    "\x83\x8D\x83\x4F",                          // ログ
    "\x8E\xCA\x90\x5E",                          // 写真
    "\x90\xE1",                                  // 雪
    "\x83\x70\x83\x5C\x83\x52\x83\x93",          // パソコン
    "\x92\xCA\x90\x4D",                          // 通信
    "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD",  // こんにちは
    "\xB6\xC5",                                  // ｶﾅ
    "modem",
    "ATZ",
    "OK",
    "Windows",
    "DOS/V",
    "\x82\xA0\x82\xE8\x82\xAA\x82\xC6\x82\xA4",  // ありがとう
    "\x8E\xBF\x96\xE2",                          // 質問
    "\x89\xF1\x93\x9A",                          // 回答
};
const char* const kNames[] = {
    "\x8E\x52\x93\x63 \x88\xEA\x98\x59",  // 山田 一郎
    "\x8D\xB2\x93\xA1 \x89\xD4\x8E\x71",  // 佐藤 花子
    "\x97\xE9\x96\xD8 \x8E\x9F\x98\x59",  // 鈴木 次郎
    "TANAKA",
};
const char kMarker[] = "\x82\xD6\x82\xCC\x83\x52\x83\x81\x83\x93\x83\x67";  // へのコメント

int WriteChain(const char* path, int total) {
    std::string out;
    for (int number = 1; number <= total; ++number) {
        char head[64];
        std::snprintf(head, sizeof head, "%07d/%07d CHN00001  TANAKA", number, total);
        std::string line = head;
        line.append(38 - line.size(), ' ');
        out += line + (number > 1 ? "RE:x\r\n" : "x\r\n");
        out += "(01) 98/01/01 00:00:00";
        if (number > 1) {
            char p[16];
            std::snprintf(p, sizeof p, "  %07d", number - 1);
            out += std::string(p) + kMarker;
        }
        out += "\r\nok\r\n";
    }
    std::FILE* fp = std::fopen(path, "wb");
    if (!fp || std::fwrite(out.data(), 1, out.size(), fp) != out.size()) return 1;
    return std::fclose(fp) == 0 ? 0 : 1;
}

const char kUsage[] =
    "usage: orv_gen_forum OUTDIR [MESSAGES] [FILES]\n"
    "       orv_gen_forum --chain OUTFILE MESSAGES\n"
    "Writes synthetic forum logs (CP932, CR LF) into OUTDIR: MESSAGES messages\n"
    "(default 100000) in FILES files (default 10). The second form writes one log\n"
    "whose every message answers the one before.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "--chain")
        return WriteChain(argv[2], std::atoi(argv[3]));
    // Any other option is a mistake, never a folder to fill.
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') {
            std::fprintf(stderr, "orv_gen_forum: unknown option %s\n", argv[i]);
            argc = 0;
            break;
        }
    }
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::filesystem::path dir = argv[1];
    const int total = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int files = argc > 3 ? std::atoi(argv[3]) : 10;
    std::filesystem::create_directories(dir);
    std::mt19937 rng(20261208);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto word = [&] { return std::string(kWords[pick(sizeof kWords / sizeof *kWords)]); };

    const int perFile = (total + files - 1) / files;
    int number = 1;
    for (int f = 0; f < files && number <= total; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "forum%02d.log", f + 1);
        std::string out;
        out += "ATDT 0000\r\nCONNECT 9600\r\n\r\n";
        for (int k = 0; k < perFile && number <= total; ++k, ++number) {
            char head[64];
            std::snprintf(head, sizeof head, "%06d/%06d QVA%05d  ", number, total, pick(100000));
            std::string line = head;
            line += kNames[pick(4)];
            if (line.size() < 38) line.append(38 - line.size(), ' ');
            int r = pick(100);
            int parent = 0;
            if (number > 1 && r < 60) parent = number - 1 - pick(std::min(number - 1, 50));
            if (r >= 60 && r < 63) parent = total + 1 + pick(1000);  // not in the logs
            if (parent) line += "RE:";
            for (int w = 0, n = 1 + pick(4); w < n; ++w) line += (w ? " " : "") + word();
            out += line + "\r\n";
            char line2[64];
            std::snprintf(line2, sizeof line2, "(%02d) 98/%02d/%02d %02d:%02d:%02d", pick(99),
                          1 + pick(12), 1 + pick(28), pick(24), pick(60), pick(60));
            out += line2;
            if (parent) {
                char p[16];
                std::snprintf(p, sizeof p, "  %06d", parent);
                out += std::string(p) + kMarker;
            }
            out += "\r\n";
            // Bodies: mostly a few lines, now and then a long one.
            int lines = pick(100) < 5 ? 40 + pick(80) : 2 + pick(12);
            for (int l = 0; l < lines; ++l) {
                std::string body;
                for (int w = 0, n = 3 + pick(8); w < n; ++w) body += word() + " ";
                out += body + "\r\n";
            }
            out += "\r\n";
        }
        std::FILE* fp = std::fopen((dir / name).c_str(), "wb");
        if (!fp || std::fwrite(out.data(), 1, out.size(), fp) != out.size()) return 1;
        std::fclose(fp);
    }
    return 0;
}
