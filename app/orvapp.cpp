#include "app/orvapp.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocalSocket>
#include <QPrinter>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include "app/commands.h"
#include "app/desktopintegration.h"
#include "app/mainframe.h"
#include "app/progressdlg.h"
#include "app/settings.h"
#include "app/splashscreen.h"
#include "views/logfont.h"
#include "views/textview.h"

namespace orv {

namespace {
constexpr char kOpenVerb[] = "open\t";
}

COrvApp::COrvApp(int& argc, char** argv) : QApplication(argc, argv) {
    // Window titles are the program's own, without the name appended.
    setApplicationDisplayName(QString());
    setDesktopFileName(QStringLiteral("orv"));
    setWindowIcon(QIcon(QStringLiteral(":/res/orv.png")));
    setQuitOnLastWindowClosed(true);
    connect(&m_server, &QLocalServer::newConnection, this, &COrvApp::OnHandOverConnection);
    LoadQtTranslation();
}

bool COrvApp::LoadQtTranslation() {
    if (!m_qtTranslator.isEmpty()) return true;
    // Qt's own folder, else a "translations" folder beside the program.
    const QString name = QStringLiteral("qtbase_ja");
    const QString dirs[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                            QDir(applicationDirPath()).filePath(QStringLiteral("translations"))};
    for (const QString& dir : dirs) {
        if (m_qtTranslator.load(name, dir)) return installTranslator(&m_qtTranslator);
    }
    return false;
}

COrvApp::~COrvApp() { m_pMainFrame.reset(); }

COrvApp* COrvApp::GetApp() { return qobject_cast<COrvApp*>(QCoreApplication::instance()); }

COrvApp::StartResult COrvApp::InitInstance() {
    QStringList args = arguments();
    if (!args.isEmpty()) args.removeFirst();
    return InitInstance(args);
}

COrvApp::StartResult COrvApp::InitInstance(const QStringList& args) {
    // Whether to show the splash screen, from a plain reading of the
    // command line.
    CCommandLineInfo plain;
    plain.Parse(args);
    CSplashScreen::EnableSplashScreen(plain.m_bShowSplash);

    // The settings key.
    settings::SetKey(settings::Organization(), settings::Application());
    InstallFontSubstitutions();

    // Recent files, preview pages, search options.
    m_recentFiles.ReadList();
    m_nPreviewPages =
        settings::ReadInt(settings::kSecSettings, QString::fromUtf8(settings::kValPreviewPages), 0);
    LoadFindOption();

    // The command line again, now with the logs to import.
    m_cmdInfo = CImportCommandLineInfo();
    m_cmdInfo.Parse(args);

    // A second start that only opens a document gives it to the running
    // viewer (the desktop's "open with" starts one process per request).
    if (m_bSingleInstance && m_cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen &&
        !m_cmdInfo.HasImports() &&
        HandOver({QFileInfo(m_cmdInfo.m_strFileName).absoluteFilePath()}))
        return StartResult::Done;

    // The shell command, with the first document and the main window.
    if (m_cmdInfo.m_nShellCommand == CCommandLineInfo::AppUnregister) {
        // Nothing is registered by the program itself here: the desktop entry
        // and the document type are installed with it.
        return StartResult::Done;
    }
    m_pMainFrame = std::make_unique<CMainFrame>();
    if (!m_pMainFrame->IsCreated()) {
        m_pMainFrame.reset();
        return StartResult::Failed;
    }
    m_pMainFrame->SetFindOptionStore(&m_nFindOption);
    m_pMainFrame->SetRecentFileList(&m_recentFiles);
    if (CTextView* text = m_pMainFrame->GetTextView()) text->SetPreviewPages(&m_nPreviewPages);
    m_pMainFrame->Commands().UpdateAll();
    if (m_frameSetup) m_frameSetup(*m_pMainFrame);

    switch (m_cmdInfo.m_nShellCommand) {
        case CCommandLineInfo::FileNew:
        case CCommandLineInfo::FileDDE:
            m_pMainFrame->OnFileNew();
            break;
        case CCommandLineInfo::FileOpen:
            if (!m_pMainFrame->OpenDocumentFile(m_cmdInfo.m_strFileName)) {
                m_pMainFrame.reset();
                return StartResult::Failed;
            }
            break;
        case CCommandLineInfo::FilePrint:
        case CCommandLineInfo::FilePrintTo:
            if (!m_pMainFrame->OpenDocumentFile(m_cmdInfo.m_strFileName)) {
                m_pMainFrame.reset();
                return StartResult::Failed;
            }
            if (m_cmdInfo.m_nShellCommand == CCommandLineInfo::FilePrintTo &&
                !m_cmdInfo.m_strPrinterName.isEmpty())
                m_pMainFrame->Printer().setPrinterName(m_cmdInfo.m_strPrinterName);
            {
                // Nothing is shown right after an open: the print is of the first
                // message in tree order. A print that cannot start, or a document
                // without messages, has been reported; the start fails.
                const bool printed = m_pMainFrame->PrintFirstMessage();
                m_pMainFrame.reset();
                return printed ? StartResult::Done : StartResult::Failed;
            }
        case CCommandLineInfo::AppUnregister:
            break;
    }

    // The logs named on the command line.
    if (m_cmdInfo.HasImports()) m_pMainFrame->ImportLogs(m_cmdInfo.m_importList);

    // Show the window; from now on it accepts dropped files and
    // documents handed over by later starts. Beside a viewer that runs
    // already (this start had logs to import, which are not handed over)
    // the window does not hide the other one.
    if (m_bSingleInstance && AnotherViewerRuns()) CascadeWindow(*m_pMainFrame);
    m_pMainFrame->ShowInitial();
    if (m_bSingleInstance) ListenForHandOver();
    return StartResult::Run;
}

int COrvApp::ExitInstance() {
    SaveFindOption();
    m_recentFiles.WriteList();
    if (m_nPreviewPages != 0)
        settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValPreviewPages),
                           m_nPreviewPages);
    m_server.close();
    m_pMainFrame.reset();
    return 0;
}

void COrvApp::LoadFindOption() {
    m_nFindOption = static_cast<std::uint32_t>(
        settings::ReadInt(settings::kSecFind, QString::fromUtf8(settings::kValFindOption),
                          static_cast<std::int32_t>(FIND_DEFAULT)));
}

void COrvApp::SaveFindOption() {
    settings::WriteInt(settings::kSecFind, QString::fromUtf8(settings::kValFindOption),
                       static_cast<std::int32_t>(m_nFindOption));
}

// --- hand-over ------------------------------------------------------------------------

QString COrvApp::InstanceServerName() {
    // One socket per user, display and settings store, in the user's
    // private folder; empty when there is none.
    const QString key = settings::Open()->fileName() + QLatin1Char('|') + settings::Organization() +
                        QLatin1Char('|') + settings::Application();
    return desktop::HandOverSocketName(key);
}

bool COrvApp::AnotherViewerRuns() {
    const QString name = InstanceServerName();
    if (name.isEmpty()) return false;
    QLocalSocket probe;
    probe.connectToServer(name);
    return probe.waitForConnected(300);
}

void COrvApp::CascadeWindow(CMainFrame& window) {
    // One title bar down and to the right, as windows cascade; back to the
    // corner of the screen when that would leave it.
    if (window.StartsMaximized()) return;
    const int step = std::max(
        kCascadeStep, window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window));
    QRect r = window.geometry().translated(step, step);
    if (QScreen* s = window.screen()) {
        const QRect avail = s->availableGeometry();
        if (!avail.contains(r)) r.moveTopLeft(avail.topLeft());
    }
    window.setGeometry(r);
}

bool COrvApp::HandOver(const QStringList& documents) {
    // Any failure (no private folder, nobody listening, a listener of
    // another user, no answer) leaves the start to open its own window.
    const QString name = InstanceServerName();
    if (name.isEmpty() || documents.isEmpty()) return false;
    QLocalSocket sock;
    sock.connectToServer(name);
    if (!sock.waitForConnected(500)) return false;
    if (!desktop::PeerIsSameUser(sock)) return false;
    QByteArray request;
    for (const QString& d : documents) request += kOpenVerb + d.toUtf8() + '\n';
    sock.write(request);
    if (!sock.waitForBytesWritten(2000)) return false;
    // The running viewer answers once it has taken the request.
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!sock.waitForReadyRead(3000)) return false;
        answer += sock.readAll();
    }
    return answer.startsWith("ok\n");
}

bool COrvApp::ListenForHandOver() {
    const QString name = InstanceServerName();
    if (m_server.isListening()) return true;
    if (name.isEmpty()) return false;
    desktop::PrepareHandOverServer(m_server);
    if (m_server.listen(name)) return true;
    // A name left behind by a viewer that did not end normally is taken
    // over; one that answers belongs to a running viewer.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(300)) return false;
    QLocalServer::removeServer(name);
    return m_server.listen(name);
}

void COrvApp::OnHandOverConnection() {
    while (QLocalSocket* sock = m_server.nextPendingConnection()) {
        connect(sock, &QLocalSocket::disconnected, sock, &QObject::deleteLater);
        // Only the user's own viewers may hand documents over.
        if (!desktop::PeerIsSameUser(*sock)) {
            sock->abort();
            sock->deleteLater();
            continue;
        }
        connect(sock, &QLocalSocket::readyRead, this, [this, sock] {
            bool took = false;
            while (sock->canReadLine()) {
                const QString line = QString::fromUtf8(sock->readLine());
                if (!line.endsWith(QLatin1Char('\n'))) continue;
                const QString verb = QString::fromLatin1(kOpenVerb);
                if (line.startsWith(verb) && line.size() > verb.size() + 1) {
                    m_pendingOpens.append(line.mid(verb.size()).chopped(1));
                    took = true;
                }
            }
            // Answered once a whole request line has come.
            if (!took) return;
            sock->write("ok\n");
            sock->flush();
            QTimer::singleShot(0, this, &COrvApp::ProcessHandOvers);
        });
    }
}

void COrvApp::ProcessHandOvers() {
    if (m_pendingOpens.isEmpty() || !m_pMainFrame) return;
    // Not while a dialog or a long operation has the window: try again soon.
    if (!m_pMainFrame->isEnabled() || QApplication::activeModalWidget() ||
        CProgressDlg::BlocksInput(m_pMainFrame.get())) {
        QTimer::singleShot(300, this, &COrvApp::ProcessHandOvers);
        return;
    }
    const QString path = m_pendingOpens.takeFirst();
    if (m_pMainFrame->isMinimized()) m_pMainFrame->showNormal();
    m_pMainFrame->raise();
    m_pMainFrame->activateWindow();
    m_pMainFrame->OpenDocumentFile(path);
    if (!m_pendingOpens.isEmpty()) QTimer::singleShot(0, this, &COrvApp::ProcessHandOvers);
}

}  // namespace orv
