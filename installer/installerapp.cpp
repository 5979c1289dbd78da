#include "installer/installerapp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QProcess>

#include "installer/installerdlg.h"
#include "installer/instinfo.h"
#include "installer/inststrings.h"

namespace orvinst {

CInstallerApp::CInstallerApp(const QString& strFolder) : m_strFolder(strFolder) {}

int CInstallerApp::InitInstance() {
    QString strPackage;
    {
        CInstallerDlg dlg(m_strFolder);
        if (!dlg.OnInitDialog()) {
            ShowStopMessage(IDS_READ_INFO_FAILED);
            return kExitReadFailed;
        }
        if (dlg.exec() != QDialog::Accepted) {
            return kExitDone;
        }
        strPackage = dlg.PackagePath();
    }
    // The dialog is gone while the platform installer runs.
    if (!StartAndWait(QString::fromLatin1(kMsiexecProgram), MsiexecArguments(strPackage))) {
        ShowStopMessage(IDS_START_FAILED);
        return kExitStartFailed;
    }
    return kExitDone;
}

bool CInstallerApp::StartAndWait(const QString& strProgram, const QStringList& args) {
    QProcess process;
    process.setProgram(strProgram);
    process.setArguments(args);
    // The started program talks to the user itself; nothing of its output is
    // caught here.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);

    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    process.start();
    if (!process.waitForStarted(-1)) {
        return false;
    }
    // Wait in an event loop rather than blocked, so that the application
    // still answers the window system while the installation runs.
    if (process.state() != QProcess::NotRunning) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

void CInstallerApp::ShowStopMessage(int nId) {
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), LoadInstString(nId),
                    QMessageBox::Ok);
    box.exec();
}

}  // namespace orvinst
