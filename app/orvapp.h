// The application object: start-up from the command line, the settings it
// owns (recent files, search options, preview pages), the hand-over of
// documents from a second start, and the exit.
#pragma once

#include <QApplication>
#include <QLocalServer>
#include <QStringList>
#include <QTranslator>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/importcommandlineinfo.h"
#include "app/recentfilelist.h"
#include "search/findoption.h"

namespace orv {

class CMainFrame;

class COrvApp : public QApplication {
    Q_OBJECT
public:
    COrvApp(int& argc, char** argv);
    ~COrvApp() override;

    // Qt's own Japanese texts (standard buttons, file, font, page set-up,
    // print and preview dialogs), whatever the locale says, since the
    // program's own texts are Japanese. False when the translation is not
    // installed; the standard texts then stay as they are.
    bool LoadQtTranslation();
    bool IsQtTranslationLoaded() const { return !m_qtTranslator.isEmpty(); }

    // The running application object, or null (tests without one).
    static COrvApp* GetApp();

    enum class StartResult {
        Run,     // the main window is shown: run the event loop
        Done,    // nothing more to do (handed over, unregistered, printed)
        Failed,  // start failure
    };
    // Starts with the program's own arguments, or with args (the arguments
    // after the program name).
    StartResult InitInstance();
    StartResult InitInstance(const QStringList& args);
    // Writes the search options, the recent files and the preview pages,
    // and destroys the main window. Returns the exit code.
    int ExitInstance();

    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
    CRecentFileList& RecentFiles() { return m_recentFiles; }

    // Search option word: "FindOption" of "FindSettings", FIND_DEFAULT
    // (title and message text) when absent.
    void LoadFindOption();
    void SaveFindOption();
    std::uint32_t m_nFindOption = FIND_DEFAULT;
    int m_nPreviewPages = 0;

    // The command line as last parsed by InitInstance.
    const CImportCommandLineInfo& CommandLine() const { return m_cmdInfo; }

    // Called with the new main window before the command line is carried
    // out (tests put their scripted prompter and file chooser in here).
    void SetFrameSetup(std::function<void(CMainFrame&)> setup) { m_frameSetup = std::move(setup); }

    // --- one viewer per user -----------------------------------------------------
    // A start whose command line only opens a document hands it to a viewer
    // that already runs, and ends.
    void EnableSingleInstance(bool on) { m_bSingleInstance = on; }
    // The local socket name of this user's (and this settings store's) viewer.
    static QString InstanceServerName();
    // Sends documents to a running viewer; false when none answers.
    static bool HandOver(const QStringList& documents);
    // Starts accepting hand-overs; false when another viewer already does.
    bool ListenForHandOver();
    // True when a viewer of this user answers on the hand-over socket.
    static bool AnotherViewerRuns();
    // Moves a main window that does not start maximized down and to the
    // right by a title bar (at least kCascadeStep pixels), within its screen.
    static void CascadeWindow(CMainFrame& window);
    static constexpr int kCascadeStep = 22;

private:
    void OnHandOverConnection();
    void ProcessHandOvers();

    std::unique_ptr<CMainFrame> m_pMainFrame;
    CRecentFileList m_recentFiles{4};
    CImportCommandLineInfo m_cmdInfo;
    std::function<void(CMainFrame&)> m_frameSetup;
    bool m_bSingleInstance = true;
    QLocalServer m_server;
    QStringList m_pendingOpens;
    QTranslator m_qtTranslator;
};

}  // namespace orv
