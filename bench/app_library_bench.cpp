// The library pane: from Enter in its search field until the results of an
// indexed query are in its list, on a library whose index is built.
// usage: app_library_bench FOLDER INDEX TEXT [OPTION]
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/librarypane.h"
#include "search/findoption.h"

int main(int argc, char** argv) {
    constexpr char kUsage[] =
        "usage: app_library_bench FOLDER INDEX TEXT [OPTION]\n"
        "Types TEXT into the library pane searching FOLDER with the index file\n"
        "INDEX, presses Enter and measures until the results are listed; best\n"
        "and median of nine. OPTION: the option word in hexadecimal (default: the\n"
        "search bar's default).\n";
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            std::fputs(kUsage, stderr);
            return 2;
        }
        operands.push_back(arg);
    }
    if (operands.size() < 3 || operands.size() > 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::uint32_t option =
        operands.size() == 4 ? static_cast<std::uint32_t>(std::stoul(operands[3], nullptr, 16))
                             : orv::FIND_DEFAULT;
    QApplication app(argc, argv);
    orv::CLibraryPane pane(nullptr, {}, [option] { return option; });
    pane.SetFolders({QString::fromStdString(operands[0])});
    pane.SetIndexFile(operands[1]);
    pane.show();
    bool done = false;
    QObject::connect(&pane, &orv::CLibraryPane::SearchFinished, [&done] { done = true; });

    std::vector<double> ms;
    int rows = 0;
    for (int run = 0; run < 9; ++run) {
        pane.Field()->setText(QString::fromStdString(operands[2]));
        QCoreApplication::processEvents();
        done = false;
        QElapsedTimer timer;
        timer.start();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(pane.Field(), &enter);
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        rows = pane.Model().rowCount();
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "== library pane: results of \"%s\" (%d rows) listed %.0f ms after Enter, median %.0f ms"
        " (target 100)\n",
        operands[2].c_str(), rows, ms.front(), ms[ms.size() / 2]);
    return rows > 0 ? 0 : 1;
}
