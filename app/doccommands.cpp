#include "app/doccommands.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QUrl>
#include <new>
#include <string>
#include <vector>

#include "app/corepath.h"
#include "app/exporthtmlcommand.h"
#include "app/importcommand.h"
#include "app/importcommandlineinfo.h"
#include "app/mainframe.h"
#include "app/readingcommands.h"
#include "app/recentfilelist.h"
#include "core/import/logfilelist.h"
#include "res/strings.h"
#include "views/textview.h"
#include "views/titletreeview.h"

namespace orv {

namespace {

constexpr char kAppTitle[] = "Orv's Meeting log viewer";
constexpr char kUntitled[] = "無題";
constexpr char kDocFilter[] = "会議室ログ ファイル (*.mld);;すべてのファイル (*)";

// A message box of the string table with its own text, icon and buttons.
MsgAnswer Ask(IPrompter& prompter, int id, MsgButtons buttons) {
    return prompter.MessageBox(id, res::Text(id), res::Icon(id), buttons);
}

}  // namespace

CDocCommands::CDocCommands(CMainFrame& frame) : m_frame(frame) { SetDefaultTitle(); }

// --- the path and the title ---------------------------------------------------

void CDocCommands::SetDefaultTitle() {
    m_strTitle = QString::fromUtf8(kUntitled);
    UpdateTitle();
}

void CDocCommands::UpdateTitle() {
    m_frame.setWindowTitle(m_strTitle + QStringLiteral(" - ") + QString::fromUtf8(kAppTitle));
}

void CDocCommands::SetPathName(const QString& path, bool addToRecent) {
    m_strPathName = QFileInfo(path).absoluteFilePath();
    m_strTitle = QFileInfo(path).fileName();
    UpdateTitle();
    if (addToRecent && m_pRecent) m_pRecent->Add(QDir::toNativeSeparators(m_strPathName));
}

void CDocCommands::NewEmptyDocument() {
    COrvDoc& doc = m_frame.GetDocument();
    doc.OnNewDocument();
    doc.SetModifiedFlag(false);
    m_strPathName.clear();
    SetDefaultTitle();
    m_frame.Reading().DocumentNew();
}

QString CDocCommands::AskFileName(bool open, const QString& proposed) {
    if (m_fileDialog) return m_fileDialog(open, proposed);
    const QString filter = QString::fromUtf8(kDocFilter);
    if (open)
        return QFileDialog::getOpenFileName(&m_frame, QStringLiteral("開く"), QString(), filter);
    QString path = QFileDialog::getSaveFileName(&m_frame, QStringLiteral("名前を付けて保存"),
                                                proposed, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".mld");
    return path;
}

// --- new, open, save ----------------------------------------------------------

bool CDocCommands::SaveModified() {
    if (!m_frame.GetDocument().IsModified()) return true;
    const QString name =
        m_strPathName.isEmpty() ? m_strTitle : QDir::toNativeSeparators(m_strPathName);
    const MsgAnswer a = m_frame.Prompter().MessageBox(
        res::IDS_SAVE_CHANGES, res::Format(res::IDS_SAVE_CHANGES, name.toStdString()),
        res::Icon(res::IDS_SAVE_CHANGES), MsgButtons::YesNoCancel);
    if (a == MsgAnswer::Cancel) return false;
    if (a == MsgAnswer::Yes) return OnFileSave();
    return true;
}

bool CDocCommands::OnFileNew() {
    if (!SaveModified()) return false;
    NewEmptyDocument();
    emit m_frame.DocumentChanged();
    return true;
}

void CDocCommands::OnFileOpen() {
    const QString path = AskFileName(true, QString());
    if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CDocCommands::OpenDocumentFile(const QString& path) {
    const QFileInfo fi(path);
    const QString full = fi.absoluteFilePath();
    // The document already open is not read again.
    if (!m_strPathName.isEmpty() &&
        (full == m_strPathName ||
         (fi.exists() && fi.canonicalFilePath() == QFileInfo(m_strPathName).canonicalFilePath()))) {
        m_frame.activateWindow();
        return true;
    }
    if (!SaveModified()) return false;
    COrvDoc& doc = m_frame.GetDocument();
    const bool wasModified = doc.IsModified();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = doc.OnOpenDocument(CorePath(full));
    QApplication::restoreOverrideCursor();
    if (!ok) {
        if (doc.LastOpenResult() == COrvDoc::OpenResult::CannotOpen ||
            doc.LastOpenResult() == COrvDoc::OpenResult::OutOfMemory) {
            // The file did not open: the document is as it was.
            doc.SetModifiedFlag(wasModified);
        } else {
            // Reading failed part way: an empty new document takes its place.
            NewEmptyDocument();
        }
        emit m_frame.DocumentChanged();
        return false;
    }
    doc.SetModifiedFlag(false);
    SetPathName(full);
    m_frame.Reading().DocumentOpened(full);
    emit m_frame.DocumentChanged();
    return true;
}

void CDocCommands::OnOpenRecentFile(int i) {
    if (!m_pRecent || i >= m_pRecent->GetSize()) return;
    const QString path = (*m_pRecent)[i];
    // An entry that no longer opens leaves the list.
    if (!OpenDocumentFile(path) && m_pRecent->GetSize() > i && (*m_pRecent)[i] == path &&
        !QFileInfo::exists(path))
        m_pRecent->Remove(i);
}

bool CDocCommands::OnFileSave() {
    if (m_strPathName.isEmpty()) return DoSave(QString());
    const QFileInfo fi(m_strPathName);
    if (fi.exists() && !fi.isWritable()) return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CDocCommands::OnFileSaveAs() { return DoSave(QString()); }

bool CDocCommands::DoSave(const QString& pathIn) {
    QString path = pathIn;
    const bool replace = path.isEmpty();
    if (replace) {
        QString proposed = m_strPathName.isEmpty() ? m_strTitle : m_strPathName;
        if (QFileInfo(proposed).suffix().isEmpty()) proposed += QStringLiteral(".mld");
        path = AskFileName(false, proposed);
        if (path.isEmpty()) return false;
    }
    COrvDoc& doc = m_frame.GetDocument();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool ok = false;
    try {
        ok = doc.OnSaveDocument(CorePath(QFileInfo(path).absoluteFilePath()));
    } catch (const std::bad_alloc&) {
        // Out of memory outside the document's own save: the window and
        // the unsaved document stay, the user is told.
        Ask(m_frame.Prompter(), res::IDS_OUT_OF_MEMORY, MsgButtons::Ok);
    }
    QApplication::restoreOverrideCursor();
    if (!ok) return false;
    doc.SetModifiedFlag(false);
    if (replace || path != m_strPathName) SetPathName(path);
    m_frame.Reading().DocumentSaved(m_strPathName);
    emit m_frame.DocumentChanged();
    return true;
}

// --- import, print, export, drops ---------------------------------------------

void CDocCommands::OnFileImportLog() {
    COrvDoc& doc = m_frame.GetDocument();
    OnImportLog(doc, m_frame.LogFileChooser());
    emit m_frame.DocumentChanged();
}

void CDocCommands::ImportLogs(const QStringList& paths) {
    std::vector<std::string> list;
    list.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& p : paths) list.push_back(CorePath(p));
    CLogFileList files(std::move(list));
    COrvDoc& doc = m_frame.GetDocument();
    files.SetChooser(m_frame.LogFileChooser());
    doc.ImportLogFiles(files);
    emit m_frame.DocumentChanged();
}

bool CDocCommands::PrintFirstMessage() {
    const std::vector<TreeItem>& items = m_frame.GetDocument().GetTreeItems();
    CTitleTreeView* tree = m_frame.GetTreeView();
    CTextView* text = m_frame.GetTextView();
    if (!tree || !text) return false;
    if (items.empty()) {
        Ask(m_frame.Prompter(), res::IDS_PRINT_NOTHING, MsgButtons::Ok);
        return false;
    }
    tree->SelectItem(items.front());
    return text->GetComment() && text->OnFilePrintDirect();
}

void CDocCommands::OnFilePrintSetup() {
    QPageSetupDialog dlg(&m_frame.Printer(), &m_frame);
    dlg.exec();
}

void CDocCommands::OnFileExportHtml() {
    const QString proposed =
        m_strPathName.isEmpty() ? QDir::currentPath() : QFileInfo(m_strPathName).absolutePath();
    OnExportHtml(
        m_frame.GetDocument(), m_strTitle, proposed,
        [this](const QString& start) {
            return m_folderDialog ? m_folderDialog(start) : ChooseExportFolder(&m_frame, start);
        },
        [this](const QString& index) {
            const QUrl url = QUrl::fromLocalFile(index);
            if (m_siteOpener)
                m_siteOpener(url);
            else
                QDesktopServices::openUrl(url);
        });
}

void CDocCommands::OnDropFiles(const QStringList& paths) {
    m_frame.activateWindow();
    m_frame.raise();
    bool opened = false;
    QStringList imports;
    for (const QString& p : paths) {
        if (CImportCommandLineInfo::IsDocumentPath(p)) {
            if (!opened) {
                opened = true;
                OpenDocumentFile(p);
            }
        } else {
            imports.append(p);
        }
    }
    if (imports.isEmpty()) return;
    if (Ask(m_frame.Prompter(), res::IDS_DROP_IMPORT, MsgButtons::YesNo) == MsgAnswer::Yes)
        ImportLogs(imports);
}

}  // namespace orv
