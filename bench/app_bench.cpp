// Start-up figures of the viewer: from process start (and from the start of
// InitInstance) until the main window is on screen, without the splash; and
// from the start of InitInstance with the synthetic 100,000-message document
// on the command line until its tree is shown.
// usage: app_bench [DOC.mld]   (default: ORV_BENCH_DATA/forum.mld)
#include <unistd.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWindow>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/mainframe.h"
#include "app/orvapp.h"
#include "app/settings.h"
#include "bench/benchdata.h"
#include "views/titletreeview.h"

namespace {

// Milliseconds since this process started, from /proc (10 ms steps).
double ProcessAgeMs() {
    std::ifstream stat("/proc/self/stat");
    std::string s((std::istreambuf_iterator<char>(stat)), {});
    const auto close = s.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(s.substr(close + 2));
    std::string field;
    unsigned long long start = 0;
    for (int i = 3; i <= 22 && rest >> field; ++i)
        if (i == 22) start = std::stoull(field);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 -
            static_cast<double>(start) / ticks) *
           1000.0;
}

void WaitShown(orv::CMainFrame* f) {
    while (!f->windowHandle() || !f->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    constexpr char kUsage[] =
        "usage: app_bench [DOC.mld]\n"
        "Measures the viewer's start-up until its window is shown, then the start\n"
        "with DOC.mld (default: ORV_BENCH_DATA/forum.mld) until its tree is shown.\n"
        "Options of the benchmark library (--benchmark_...) are accepted and ignored.\n";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.size() > 1 && arg[0] == '-' && arg.rfind("--benchmark_", 0) != 0) {
            std::fprintf(stderr, "app_bench: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    QTemporaryDir settingsDir;
    orv::settings::UseFolder(settingsDir.path());
    orv::COrvApp app(argc, argv);
    app.EnableSingleInstance(false);
    std::string doc = orv::bench::DocumentFile();
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-') doc = argv[i];

    // 1. First start, empty settings, no splash ("-Embedding").
    QElapsedTimer t;
    t.start();
    if (app.InitInstance({QStringLiteral("-Embedding")}) != orv::COrvApp::StartResult::Run)
        return 1;
    WaitShown(app.GetMainFrame());
    const double initMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const double processMs = ProcessAgeMs();
    std::printf(
        "start-up to main window shown: %.1f ms from process start (10 ms steps), "
        "%.1f ms from InitInstance (target 300 ms)\n",
        processMs, initMs);
    app.GetMainFrame()->close();
    app.ExitInstance();

    // 2. The big document named on the command line.
    if (!std::ifstream(doc)) {
        std::printf("no document %s: skipping the open figure\n", doc.c_str());
        return 0;
    }
    for (int run = 0; run < 3; ++run) {
        t.restart();
        if (app.InitInstance({QStringLiteral("-Embedding"), QString::fromStdString(doc)}) !=
            orv::COrvApp::StartResult::Run)
            return 1;
        WaitShown(app.GetMainFrame());
        const double openMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
        const auto rows = app.GetMainFrame()->GetTreeView()->model()->rowCount();
        std::printf(
            "open %s from the command line until the tree is shown: %.1f ms "
            "(%lld top-level items; target 1500 ms)\n",
            doc.c_str(), openMs, static_cast<long long>(rows));
        app.GetMainFrame()->close();
        app.ExitInstance();
    }
    return 0;
}
