// The reading state in the main window: read marks as messages are shown,
// bold unread titles, the status-bar pane 「未読 N 件」, bookmarks and their
// list, the last position, and the commands of all of it. Owns the store
// (opened at the first document with a file) and writes what changed in
// batches, once a second, and when it is destroyed.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "core/orvdoc.h"
#include "core/ports.h"
#include "readstate/docreadstate.h"
#include "readstate/statestore.h"

class QLabel;
class QStatusBar;
class QTimer;
class QWidget;

namespace orv {

class IViewHost;
namespace cmd {
class CCommandTable;
}

class CReadingCommands : public QObject {
    Q_OBJECT
public:
    // How often what changed is written.
    static constexpr int kFlushIntervalMs = 1000;
    // How many message keys are taken per idle slice after an opening.
    static constexpr std::size_t kCountSlice = 20000;

    // storePath: the state file; empty for the user's data folder.
    CReadingCommands(QWidget* window, COrvDoc& doc, IViewHost& host, QString storePath = {});
    ~CReadingCommands() override;

    // Binds the commands of the table to this object.
    void BuildCommands(cmd::CCommandTable& table);
    // Puts the pane 「未読 N 件」 on the status bar, first of its panes on the
    // right (after the message pane, before the key indicators).
    void AddStatusPane(QStatusBar* bar);
    // Messages (a damaged state file) go to prompter.
    void SetPrompter(IPrompter* prompter) { m_pPrompter = prompter; }
    // Connects to the text view's reading signals; again after the pane was
    // made anew.
    void ConnectViews();

    // --- what the frame tells ---------------------------------------------------
    // A document was opened from path: its state is loaded, and with
    // "OpenAtLastPosition" its last message selected.
    void DocumentOpened(const QString& path);
    // The document was saved to path (the first save of a new document
    // keeps the marks made on it).
    void DocumentSaved(const QString& path);
    // A new empty document.
    void DocumentNew();
    // The messages changed (an import, a deleted thread): counts again.
    // Connected to the frame's DocumentChanged.
    void RecordsChanged();
    // Writes "OpenAtLastPosition" (the frame's close sequence).
    void SaveSettings() const;

    // --- commands ---------------------------------------------------------------
    void OnNextUnread();
    // The selected message and its replies.
    void OnMarkSelected(bool read);
    void OnMarkAllRead();
    void OnToggleBookmark();
    void OnBookmarkList();
    void OnLastPosition();

    // --- for the tests ------------------------------------------------------------
    CDocReadState& State() { return m_state; }
    CReadStateStore& Store() { return m_store; }
    bool OpenAtLastPosition() const { return m_bOpenAtLast; }
    QLabel* StatusPane() const { return m_pPane; }
    // Writes what waits now (the timer's work).
    bool Flush();
    // The tree item of the message with key, kNoItem when none.
    TreeItem ItemOfKey(MessageKey key) const;

private:
    void EnsureStore();
    void TakeRecords();
    void Attach(const QString& path);
    void MarkShown(const CComment* record);
    void Changed();
    void StartCounting();
    void UpdatePane();
    void Report(int id, const std::string& arg);

    QWidget* m_pWindow;
    COrvDoc& m_doc;
    IViewHost& m_host;
    IPrompter* m_pPrompter = nullptr;
    QString m_storePath;
    CReadStateStore m_store;
    bool m_bStoreTried = false;
    CDocReadState m_state{&m_store};
    QTimer* m_pTimer = nullptr;
    QTimer* m_pCountTimer = nullptr;  // counts while idle
    QPointer<QLabel> m_pPane;
    QPointer<QObject> m_connectedText;
    QPointer<QObject> m_connectedTree;
    bool m_bOpenAtLast = false;
    // Where the reader stopped before this opening ("前回の位置へ").
    LastPosition m_previous;
    // The records were just taken by an opening, a save or a new document:
    // the DocumentChanged that follows need not count them again.
    bool m_bRecordsTaken = false;
};

}  // namespace orv
