// Opens a document file and prints the peak resident memory against the
// file's size.  usage: orv_memprobe FILE.mld
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/listtree.h"
#include "core/orvdoc.h"

int main(int argc, char** argv) {
    constexpr char kUsage[] =
        "usage: orv_memprobe FILE.mld\n"
        "Opens the document and prints its peak resident memory against its size.\n";
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    orv::CListTitleTree tree;
    orv::COrvDoc doc;
    doc.SetPorts({&tree, nullptr, nullptr, nullptr, nullptr});
    if (!doc.OnOpenDocument(argv[1])) return 1;
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    double peakMb = static_cast<double>(ru.ru_maxrss) / 1024.0;
    double fileMb = static_cast<double>(std::filesystem::file_size(argv[1])) / (1024.0 * 1024.0);
    std::printf("open+rebuild: %zu items, peak RSS %.1f MiB, file %.1f MiB, ratio %.2f\n",
                doc.GetTreeItems().size(), peakMb, fileMb, peakMb / fileMb);
    return 0;
}
