// Where the benchmarks find the synthetic forum: ORV_BENCH_DATA names a
// folder with forum*.log (written by orv_gen_forum) and forum.mld.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/ports.h"

namespace orv::bench {

inline std::filesystem::path DataDir() {
    const char* d = std::getenv("ORV_BENCH_DATA");
    return d ? d : "build/bench-data";
}

// The forum's logs: as generated (CP932, CR LF), or the copies bench/run.sh
// makes in a folder below (utf8-lf: UTF-8 with LF line ends).
inline std::vector<std::string> LogFiles(const std::string& below = "") {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(DataDir() / below, ec))
        if (e.path().extension() == ".log") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::string DocumentFile() { return (DataDir() / "forum.mld").string(); }

inline double TotalBytes(const std::vector<std::string>& files) {
    double total = 0;
    for (auto& f : files) total += static_cast<double>(std::filesystem::file_size(f));
    return total;
}

// Answers every question Yes, as a user importing converted logs would
// (the real box would wait for a click).
class YesPrompter : public IPrompter {
public:
    MsgAnswer MessageBox(int, const std::string&, MsgIcon, MsgButtons) override {
        return MsgAnswer::Yes;
    }
};

// Milliseconds that f takes.
template <class F>
double TimeMs(F&& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// The median of v (sorted in place).
inline double Median(std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace orv::bench
