// The main window: the two panes of the one open document in a splitter,
// the menu bar, the tool bar, the search bar's place, the status bar and
// the Space key. It owns the document and its ports, and composes the
// parts that do the work: the document commands (CDocCommands), the search
// (CFrameFind), the placement and bar state (CFrameState) and the command
// wiring (CFrameCommands).
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "app/commands.h"
#include "app/doccommands.h"
#include "app/framefind.h"
#include "app/framestate.h"
#include "app/nametoolbar.h"
#include "app/viewsplitter.h"
#include "core/orvdoc.h"
#include "core/ports.h"
#include "views/findresultspane.h"
#include "views/viewhost.h"

class QPrinter;
class QStatusBar;

namespace orv {

class CFrameCommands;
class CLibraryPane;
class CLogFileChooser;
class CMsgPrompter;
class CProgressFactory;
class CReadingCommands;
class CRecentFileList;
class CTextView;
class CTitleTreeView;

class CMainFrame : public QMainWindow, public IViewHost {
    Q_OBJECT
public:
    // Builds the whole window (panes, bars, menus) from the settings; it is
    // not shown yet. Check IsCreated() afterwards.
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;
    bool IsCreated() const { return m_bCreated; }

    // Shows the window, maximized when it was closed maximized, and from
    // then on accepts dropped files.
    void ShowInitial();
    bool StartsMaximized() const { return m_pState->StartsMaximized(); }

    // --- IViewHost and the search text ------------------------------------------
    CTitleTreeView* GetTreeView() override;
    CTextView* GetTextView() override;
    // The search text as typed in the search bar, as CP932 bytes (for the
    // search) or as text; empty while the window has no search bar.
    // The search's port is the frame's CFindContext, which reads both.
    std::string GetFindString() { return m_pFind->GetFindString(); }
    QString GetFindText() const { return m_pFind->GetFindText(); }
    std::uint32_t GetFindOption() const { return m_pFind->GetFindOption(); }

    // --- parts ---------------------------------------------------------------
    COrvDoc& GetDocument() { return *m_pDoc; }
    CDocCommands& Documents() { return *m_pDocCmds; }
    CFrameFind& Find() { return *m_pFind; }
    CViewSplitter* Splitter() const { return m_pSplitter; }
    CNameToolBar* ToolBar() const { return m_pToolBar; }
    CNameToolBar* FindBar() const { return m_pFind->FindBar(); }
    CFindResultsPane* FindResults() const { return m_pFind->FindResults(); }
    QStatusBar* StatusBarWidget() const;
    cmd::CCommandTable& Commands() { return *m_pCmds; }
    // The reading state: read marks, bookmarks, the last position.
    CReadingCommands& Reading() { return *m_pReading; }
    IPrompter& Prompter() { return *m_pPrompter; }
    // The chooser of the log files of an import.
    ILogFileChooser* LogFileChooser() const { return m_pChooserPort; }

    // --- wiring for the application and tests ---------------------------------
    // Questions go to prompter (a scripted one in tests); null: message boxes.
    void SetPrompter(IPrompter* prompter);
    using FileDialogHook = CDocCommands::FileDialogHook;
    void SetFileDialogHook(FileDialogHook hook) { m_pDocCmds->SetFileDialogHook(std::move(hook)); }
    using FolderDialogHook = CDocCommands::FolderDialogHook;
    void SetFolderDialogHook(FolderDialogHook hook) {
        m_pDocCmds->SetFolderDialogHook(std::move(hook));
    }
    using UrlHook = CDocCommands::UrlHook;
    void SetSiteOpener(UrlHook hook) { m_pDocCmds->SetSiteOpener(std::move(hook)); }
    void SetLogFileChooser(ILogFileChooser* chooser);
    // The application's search option word (the frame's own copy otherwise).
    void SetFindOptionStore(std::uint32_t* option) { m_pFind->SetOptionStore(option); }
    void SetRecentFileList(CRecentFileList* list) { m_pDocCmds->SetRecentFileList(list); }
    QPrinter& Printer();

    // --- view mode and split ---------------------------------------------------
    int GetViewMode() const;
    int SetViewMode(int mode);

    // --- the document (CDocCommands) ------------------------------------------
    QString GetPathName() const { return m_pDocCmds->GetPathName(); }
    QString GetTitle() const { return m_pDocCmds->GetTitle(); }
    bool SaveModified() { return m_pDocCmds->SaveModified(); }
    bool OnFileNew() { return m_pDocCmds->OnFileNew(); }
    bool OpenDocumentFile(const QString& path) { return m_pDocCmds->OpenDocumentFile(path); }
    bool OnFileSave() { return m_pDocCmds->OnFileSave(); }
    bool OnFileSaveAs() { return m_pDocCmds->OnFileSaveAs(); }
    bool DoSave(const QString& path) { return m_pDocCmds->DoSave(path); }
    void ImportLogs(const QStringList& paths) { m_pDocCmds->ImportLogs(paths); }
    bool PrintFirstMessage() { return m_pDocCmds->PrintFirstMessage(); }
    void OnFileExportHtml() { m_pDocCmds->OnFileExportHtml(); }
    void OnDropFiles(const QStringList& paths) { m_pDocCmds->OnDropFiles(paths); }

    // --- find (CFrameFind) -------------------------------------------------------
    void OnFindStep(bool previous) { m_pFind->OnFindStep(previous); }
    void OnFindAll() { m_pFind->OnFindAll(); }
    void ShowFindResult(TreeItem item, const CComment* record) {
        m_pFind->ShowFindResult(item, record);
    }
    // 移動 > ライブラリを検索 and the library's pane (CFrameFind).
    void OnFindLibrary() { m_pFind->OnFindLibrary(); }
    CLibraryPane* LibraryPane() { return m_pFind->LibraryPane(); }

    // --- closing (CFrameState) ---------------------------------------------------
    // Steps of the close request that run before the save question.
    void SaveFrameSettings();
    // Placement read from "WindowPos 2"; false when absent or unparsable.
    static bool ReadWindowPlacement(WindowPlacement& wp) {
        return CFrameState::ReadWindowPlacement(wp);
    }

signals:
    void DocumentChanged();

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OnCreateClient();
    bool OnCreate();
    bool CreateToolBar();
    void BuildStatusBar();
    // Its commands, its status-bar pane and its link to the text view.
    void CreateReadingState();
    void UpdateIndicators(quint32 nativeModifiers, int key);

    std::unique_ptr<COrvDoc> m_pDoc;
    std::unique_ptr<CMsgPrompter> m_pMsgPrompter;
    IPrompter* m_pPrompter = nullptr;
    std::unique_ptr<CProgressFactory> m_pProgress;
    std::unique_ptr<CLogFileChooser> m_pChooser;
    ILogFileChooser* m_pChooserPort = nullptr;
    std::unique_ptr<QPrinter> m_pPrinter;
    cmd::CCommandTable* m_pCmds = nullptr;   // child
    CReadingCommands* m_pReading = nullptr;  // child
    QPointer<CViewSplitter> m_pSplitter;     // child
    QPointer<CTitleTreeView> m_pTreeView;
    QPointer<CTextView> m_pTextView;
    CNameToolBar* m_pToolBar = nullptr;  // child
    // The title tree as the document sees it: the tree view, with the
    // results list emptied whenever the tree is cleared (the records it
    // names may be about to go).
    class CTreePort;
    std::unique_ptr<CTreePort> m_pTreePort;
    QLabel* m_pMessagePane = nullptr;
    QLabel* m_pIndicators[4] = {};
    // The parts, made in this order when the window is built.
    std::unique_ptr<CFrameState> m_pState;
    std::unique_ptr<CDocCommands> m_pDocCmds;
    std::unique_ptr<CFrameFind> m_pFind;
    std::unique_ptr<CFrameCommands> m_pCommands;
    bool m_bCreated = false;
};

}  // namespace orv
