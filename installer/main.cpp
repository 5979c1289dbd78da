// orvinst: shows the installation information beside it and installs the
// package it names.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "installer/installerapp.h"

namespace {

constexpr char kUsage[] =
    "usage: orvinst\n"
    "Shows InstInfo.txt from the installer's folder and, on 開始, installs the\n"
    "package it names with msiexec. It takes no arguments.\n";

}  // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    // What the toolkit did not take as its own option is a mistake.
    if (argc > 1) {
        std::fprintf(stderr, "orvinst: unexpected argument %s\n%s", argv[1], kUsage);
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("orvinst"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    // The program ends when InitInstance returns, not when its last window
    // closes: it still waits for the installation after the dialog is gone.
    QApplication::setQuitOnLastWindowClosed(false);

    orvinst::CInstallerApp installer(QApplication::applicationDirPath());
    return installer.InitInstance();
}
