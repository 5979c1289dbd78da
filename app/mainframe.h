// The main window: the two panes of the one open document in a splitter,
// the menu bar, the tool bar, the search bar's place, the status bar, the
// document's file commands, dropped files and the Space key.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/commands.h"
#include "app/nametoolbar.h"
#include "app/viewsplitter.h"
#include "core/orvdoc.h"
#include "core/ports.h"
#include "search/findcontext.h"
#include "search/findoption.h"
#include "views/findresultspane.h"
#include "views/viewhost.h"

class QActionGroup;
class QMenu;
class QPrinter;
class QUrl;
class QStatusBar;

namespace orv {

class CLibraryPane;
class CLogFileChooser;
class CMsgPrompter;
class CProgressFactory;
class CRecentFileList;
class CTextView;
class CTitleTreeView;

// The platform's window-placement record as "WindowPos 2" keeps it.
struct WindowPlacement {
    std::uint32_t flags = 0;    // 2: restore to maximized
    std::uint32_t showCmd = 1;  // 1 normal, 2 minimized, 3 maximized
    int minX = -1, minY = -1, maxX = -1, maxY = -1;
    QRect normal;  // the restored window's rectangle

    static constexpr std::uint32_t kRestoreToMaximized = 2;
    QString ToString() const;
    // All ten numbers or nothing.
    static bool FromString(const QString& text, WindowPlacement& out);
};

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
    bool StartsMaximized() const { return m_bStartMaximized; }

    // --- IViewHost and the search text ------------------------------------------
    CTitleTreeView* GetTreeView() override;
    CTextView* GetTextView() override;
    // The search text as typed in the search bar, as CP932 bytes (for the
    // search) or as text; empty while the window has no search bar.
    // The search's port is the frame's CFindContext, which reads both.
    std::string GetFindString();
    QString GetFindText() const;
    std::uint32_t GetFindOption() const { return *m_pFindOption; }

    // --- parts ---------------------------------------------------------------
    COrvDoc& GetDocument() { return *m_pDoc; }
    CViewSplitter* Splitter() const { return m_pSplitter; }
    CNameToolBar* ToolBar() const { return m_pToolBar; }
    CNameToolBar* FindBar() const { return m_pFindBar; }
    CFindResultsPane* FindResults() const { return m_pResults; }
    QStatusBar* StatusBarWidget() const;
    cmd::CCommandTable& Commands() { return *m_pCmds; }
    IPrompter& Prompter() { return *m_pPrompter; }

    // --- wiring for the application and tests ---------------------------------
    // Questions go to prompter (a scripted one in tests); null: message boxes.
    void SetPrompter(IPrompter* prompter);
    // The file dialogs of Open and Save As: returns the chosen path or empty.
    using FileDialogHook = std::function<QString(bool open, const QString& proposed)>;
    void SetFileDialogHook(FileDialogHook hook) { m_fileDialog = std::move(hook); }
    // The folder dialog of the HTML export: returns the chosen folder or empty.
    using FolderDialogHook = std::function<QString(const QString& proposed)>;
    void SetFolderDialogHook(FolderDialogHook hook) { m_folderDialog = std::move(hook); }
    // Opens an exported site; null: the desktop's browser.
    using UrlHook = std::function<void(const QUrl& url)>;
    void SetSiteOpener(UrlHook hook) { m_siteOpener = std::move(hook); }
    void SetLogFileChooser(ILogFileChooser* chooser);
    // The application's search option word (the frame's own copy otherwise).
    void SetFindOptionStore(std::uint32_t* option) {
        m_pFindOption = option;
        m_findContext.SetOptionStore(option);
    }
    void SetRecentFileList(CRecentFileList* list) { m_pRecent = list; }
    QPrinter& Printer();

    // --- view mode and split ---------------------------------------------------
    int GetViewMode() const;
    int SetViewMode(int mode);

    // --- the document ---------------------------------------------------------
    QString GetPathName() const { return m_strPathName; }
    QString GetTitle() const { return m_strTitle; }
    // Asks 61699 when the document is modified; false when the user chose
    // Cancel or the save failed.
    bool SaveModified();
    bool OnFileNew();
    // Opens path (after SaveModified); false on failure. The path already
    // open is not read again.
    bool OpenDocumentFile(const QString& path);
    bool OnFileSave();
    bool OnFileSaveAs();
    bool DoSave(const QString& path);
    // Imports the text logs paths into the document (several: the order
    // dialog first).
    void ImportLogs(const QStringList& paths);
    // The shell's print command: shows the first message in tree order and
    // prints it without the dialog. False when the print could not start or
    // the document has no message (both reported).
    bool PrintFirstMessage();
    // Writes the document as shown into a folder of HTML pages.
    void OnFileExportHtml();

    // --- drops, Space, close ---------------------------------------------------
    // The drop handling: the first document is opened, the other files are
    // offered for import (60010).
    void OnDropFiles(const QStringList& paths);
    // --- find all and marked matches -------------------------------------------
    // Find next or previous; a hit is shown with its matches marked.
    void OnFindStep(bool previous);
    // Records the search text as Enter does and lists every hit in the
    // results pane.
    void OnFindAll();
    // Selects a listed hit in the tree and marks its matches.
    void ShowFindResult(TreeItem item, const CComment* record);
    // Opens a document found by the library search (as 開く does) and shows
    // its message ordinal (number), marked.
    void ShowLibraryResult(const QString& path, std::uint32_t ordinal, std::int32_t number,
                           const std::string& textCp932, std::uint32_t findOption);
    CLibraryPane* LibraryPane();
    // 移動 > ライブラリを検索: shows the library pane, its search field focused.
    void OnFindLibrary();

    // Command 110: Space (forward) or Shift+Space (backward).
    void OnScrollPage(bool forward);
    // Steps of the close request that run before the save question.
    void SaveFrameSettings();
    // Placement read from "WindowPos 2"; false when absent or unparsable.
    static bool ReadWindowPlacement(WindowPlacement& wp);

    static constexpr int kMinSplit = 50;
    static constexpr int kDefaultSplit = 200;

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
    // The search bar's place: made and docked here once the search bar
    // exists; until then there is none and GetFindString is empty.
    bool CreateFindBar();
    bool FindBarHandleSpace();
    void FindBarSaveHistory();
    void BuildCommands();
    void BuildStatusBar();
    void SaveBarState();
    void CreateFindResults();
    void ClearFindResults();
    // Marks the matches of a search in the message the text view shows.
    void MarkMatches(const std::string& textCp932, std::uint32_t findOption);
    void LoadBarState();
    void SaveWindowPlacement();
    void UpdateTitle();
    void SetPathName(const QString& path, bool addToRecent = true);
    void SetDefaultTitle();
    void OnAppAbout();
    void OnHelpContents();
    void OnFilePrintSetup();
    void OnNextPane(bool forward);
    void ToggleFindOption(std::uint32_t bit);
    void UpdateIndicators(quint32 nativeModifiers, int key);
    QString AskFileName(bool open, const QString& proposed);

    std::unique_ptr<COrvDoc> m_pDoc;
    std::unique_ptr<CMsgPrompter> m_pMsgPrompter;
    IPrompter* m_pPrompter = nullptr;
    std::unique_ptr<CProgressFactory> m_pProgress;
    std::unique_ptr<CLogFileChooser> m_pChooser;
    ILogFileChooser* m_pChooserPort = nullptr;
    std::unique_ptr<QPrinter> m_pPrinter;
    cmd::CCommandTable* m_pCmds = nullptr;  // child
    QPointer<CViewSplitter> m_pSplitter;    // child
    QPointer<CTitleTreeView> m_pTreeView;
    QPointer<CTextView> m_pTextView;
    CNameToolBar* m_pToolBar = nullptr;     // child
    QPointer<CNameToolBar> m_pFindBar;      // child, once the search bar exists
    QPointer<CFindResultsPane> m_pResults;  // child
    QPointer<CLibraryPane> m_pLibrary;      // child, made when first asked for
    // The title tree as the document sees it: the tree view, with the
    // results list emptied whenever the tree is cleared (the records it
    // names may be about to go).
    class CTreePort;
    std::unique_ptr<CTreePort> m_pTreePort;
    QLabel* m_pMessagePane = nullptr;
    QLabel* m_pIndicators[4] = {};
    QMenu* m_pRecentMenu = nullptr;
    QActionGroup* m_pModeGroup = nullptr;
    CRecentFileList* m_pRecent = nullptr;
    std::uint32_t m_nFindOptionOwn = FIND_DEFAULT;
    std::uint32_t* m_pFindOption = &m_nFindOptionOwn;
    // The typed search text in CP932 for the search, between the document
    // and the prompter.
    CFindContext m_findContext;
    FileDialogHook m_fileDialog;
    FolderDialogHook m_folderDialog;
    UrlHook m_siteOpener;

    QString m_strPathName;
    QString m_strTitle;
    bool m_bCreated = false;
    bool m_bStartMaximized = false;
    bool m_bPlacementRead = false;
    bool m_bCapsLock = false;
    bool m_bNumLock = false;
};

}  // namespace orv
