// The installer's application object: shows the dialog and, when the user
// presses 開始, runs the platform installer on the package and waits for it.
#pragma once

#include <QString>
#include <QStringList>

namespace orvinst {

class CInstallerDlg;

// Exit statuses of the installer.
enum InstExitStatus : int {
    kExitDone = 0,         // the platform installer ended, or the user cancelled
    kExitStartFailed = 1,  // the platform installer could not be started
    kExitReadFailed = 3,   // the information file could not be read
};

class CInstallerApp {
public:
    // strFolder is the installer's own folder (the folder of the executable).
    explicit CInstallerApp(const QString& strFolder);
    virtual ~CInstallerApp() = default;

    CInstallerApp(const CInstallerApp&) = delete;
    CInstallerApp& operator=(const CInstallerApp&) = delete;

    // Runs the installer from start to end and returns its exit status.
    int InitInstance();

    // Starts program with args, its standard channels those of the installer,
    // and waits without a time limit until it has ended. Returns false when it
    // could not be started; its own exit status is not looked at.
    static bool StartAndWait(const QString& strProgram, const QStringList& args);

protected:
    // Shows a message of the string table with the stop icon and an OK
    // button. Tests replace it to answer without a modal loop.
    virtual void ShowStopMessage(int nId);

private:
    QString m_strFolder;
};

}  // namespace orvinst
