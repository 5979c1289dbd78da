// orvinst: shows the installation information beside it and installs the
// package it names.
#include <QApplication>

#include "installer/installerapp.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvinst"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    // The program ends when InitInstance returns, not when its last window
    // closes: it still waits for the installation after the dialog is gone.
    QApplication::setQuitOnLastWindowClosed(false);

    orvinst::CInstallerApp installer(QApplication::applicationDirPath());
    return installer.InitInstance();
}
