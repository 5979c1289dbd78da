// The main frame's document commands: new, open, save and save as with
// the question for unsaved changes, the recent files, the import of text
// logs, printing, the HTML export and dropped files; the document's path and
// the window title that shows it.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QUrl;

namespace orv {

class CMainFrame;
class CRecentFileList;

class CDocCommands {
public:
    // Gives the window the title of an untitled document.
    explicit CDocCommands(CMainFrame& frame);

    QString GetPathName() const { return m_strPathName; }
    QString GetTitle() const { return m_strTitle; }

    // The file dialogs of Open and Save As: returns the chosen path or empty.
    using FileDialogHook = std::function<QString(bool open, const QString& proposed)>;
    void SetFileDialogHook(FileDialogHook hook) { m_fileDialog = std::move(hook); }
    // The folder dialog of the HTML export: returns the chosen folder or empty.
    using FolderDialogHook = std::function<QString(const QString& proposed)>;
    void SetFolderDialogHook(FolderDialogHook hook) { m_folderDialog = std::move(hook); }
    // Opens an exported site; null: the desktop's browser.
    using UrlHook = std::function<void(const QUrl& url)>;
    void SetSiteOpener(UrlHook hook) { m_siteOpener = std::move(hook); }
    void SetRecentFileList(CRecentFileList* list) { m_pRecent = list; }
    CRecentFileList* RecentFileList() const { return m_pRecent; }

    // Asks IDS_SAVE_CHANGES when the document is modified; false when the
    // user chose Cancel or the save failed.
    bool SaveModified();
    bool OnFileNew();
    // Asks for a document in the file dialog and opens it.
    void OnFileOpen();
    // Opens path (after SaveModified); false on failure. The path already
    // open is not read again.
    bool OpenDocumentFile(const QString& path);
    // Opens entry i of the recent files; an entry that no longer opens and
    // whose file is gone leaves the list.
    void OnOpenRecentFile(int i);
    bool OnFileSave();
    bool OnFileSaveAs();
    bool DoSave(const QString& path);
    // The import command: the log files are chosen in the file dialog.
    void OnFileImportLog();
    // Imports the text logs paths into the document (several: the order
    // dialog first).
    void ImportLogs(const QStringList& paths);
    // The shell's print command: shows the first message in tree order and
    // prints it without the dialog. False when the print could not start or
    // the document has no message (both reported).
    bool PrintFirstMessage();
    void OnFilePrintSetup();
    // Writes the document as shown into a folder of HTML pages.
    void OnFileExportHtml();
    // The drop handling: the first document is opened, the other files are
    // offered for import (IDS_DROP_IMPORT).
    void OnDropFiles(const QStringList& paths);

private:
    QString AskFileName(bool open, const QString& proposed);
    void SetPathName(const QString& path, bool addToRecent = true);
    void SetDefaultTitle();
    void UpdateTitle();
    // The document stands as a new, empty, unmodified one.
    void NewEmptyDocument();

    CMainFrame& m_frame;
    CRecentFileList* m_pRecent = nullptr;
    FileDialogHook m_fileDialog;
    FolderDialogHook m_folderDialog;
    UrlHook m_siteOpener;
    QString m_strPathName;
    QString m_strTitle;
};

}  // namespace orv
