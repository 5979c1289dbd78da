// The run of a Google Benchmark program: the library's options, --help with
// the program's own usage first, an unknown option refused.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>

namespace orv::bench {

inline const char*& UsageText() {
    static const char* text = "";
    return text;
}

inline void PrintUsage() {
    std::fputs(UsageText(), stdout);
    benchmark::PrintDefaultHelp();
}

// usage: the lines printed before the library's own options.
inline int RunBenchmarks(int argc, char** argv, const char* usage) {
    UsageText() = usage;
    benchmark::Initialize(&argc, argv, PrintUsage);  // --help ends here
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace orv::bench
