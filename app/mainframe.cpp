#include "app/mainframe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPrinter>
#include <QStatusBar>
#include <QUrl>

#include "app/framecommands.h"
#include "app/logfilechooser.h"
#include "app/msgprompter.h"
#include "app/progressdlg.h"
#include "app/readingcommands.h"
#include "app/splashscreen.h"
#include "views/textview.h"
#include "views/titletreeview.h"

namespace orv {

using namespace cmd;

// --- the title tree port ------------------------------------------------------

class CMainFrame::CTreePort : public ITitleTree {
public:
    explicit CTreePort(CMainFrame& frame) : m_frame(frame) {}
    void ClearTree() override {
        m_frame.Find().ClearFindResults();
        if (ITitleTree* t = Tree()) t->ClearTree();
    }
    void SetRedraw(bool redraw) override {
        if (ITitleTree* t = Tree()) t->SetRedraw(redraw);
    }
    void ReserveItems(std::size_t count) override {
        if (ITitleTree* t = Tree()) t->ReserveItems(count);
    }
    TreeItem InsertItem(std::string_view titleCp932, int image, int selectedImage,
                        TreeItem parent) override {
        ITitleTree* t = Tree();
        return t ? t->InsertItem(titleCp932, image, selectedImage, parent) : kNoItem;
    }
    void SetItemData(TreeItem item, CComment* record) override {
        if (ITitleTree* t = Tree()) t->SetItemData(item, record);
    }
    CComment* GetItemData(TreeItem item) const override {
        const ITitleTree* t = Tree();
        return t ? t->GetItemData(item) : nullptr;
    }
    TreeItem GetSelectedItem() const override {
        const ITitleTree* t = Tree();
        return t ? t->GetSelectedItem() : kNoItem;
    }
    void SelectItem(TreeItem item) override {
        if (ITitleTree* t = Tree()) t->SelectItem(item);
    }

private:
    CTitleTreeView* Tree() const { return m_frame.m_pTreeView.data(); }
    CMainFrame& m_frame;
};

// --- creation -----------------------------------------------------------------

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/res/orv.png")));
    m_pDoc = std::make_unique<COrvDoc>();
    m_pTreePort = std::make_unique<CTreePort>(*this);
    m_pMsgPrompter = std::make_unique<CMsgPrompter>(this);
    m_pPrompter = m_pMsgPrompter.get();
    m_pProgress = std::make_unique<CProgressFactory>(this);
    m_pChooser = std::make_unique<CLogFileChooser>(this, m_pPrompter);
    m_pChooserPort = m_pChooser.get();
    m_pCmds = new CCommandTable(this);
    m_pReading = new CReadingCommands(this, *m_pDoc, *this);
    // The one printer set-up of the run: the set-up command changes it,
    // and print, preview and the command line's print use it.
    m_pPrinter = CTextView::MakePrinter();
    // Reads whether the window was closed maximized; the document commands
    // give the window its untitled name.
    m_pState = std::make_unique<CFrameState>(*this);
    m_pDocCmds = std::make_unique<CDocCommands>(*this);
    m_pFind = std::make_unique<CFrameFind>(*this);
    m_pCommands = std::make_unique<CFrameCommands>(*this);

    if (!OnCreateClient()) return;
    if (!OnCreate()) return;
    CreateReadingState();
    SetPrompter(nullptr);
    m_bCreated = true;
}

CMainFrame::~CMainFrame() {
    // No command-state updates from focus changes while the window goes.
    disconnect(qApp, nullptr, m_pCmds, nullptr);
    qApp->removeEventFilter(this);
    m_pDoc->SetPorts(DocPorts());
    // The views go first, while the document they point into still exists.
    delete m_pSplitter.data();
}

bool CMainFrame::OnCreateClient() {
    auto* splitter = new CViewSplitter(this);
    auto* tree = new CTitleTreeView(this);
    auto* text = new CTextView(this);
    if (!splitter->Create(tree, text)) {
        delete splitter;
        return false;
    }
    m_pSplitter = splitter;
    m_pTreeView = tree;
    m_pTextView = text;
    text->SetPrinter(m_pPrinter.get());
    setCentralWidget(splitter);
    // The text view is the active pane: view commands reach it.
    text->setFocus();
    m_pState->LoadSplit();
    return true;
}

bool CMainFrame::OnCreate() {
    CSplashScreen::ShowSplashScreen(this);
    m_pState->LoadPlacement();
    if (!CreateToolBar()) return false;
    if (!m_pFind->CreateFindBar()) return false;
    BuildStatusBar();

    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    if (CNameToolBar* findBar = FindBar()) {
        addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, findBar);
    }
    m_pCommands->BuildMenuBar();
    m_pFind->CreateFindResults();
    m_pCommands->Build();
    m_pState->LoadBarState();
    return true;
}

bool CMainFrame::CreateToolBar() {
    m_pToolBar = new CNameToolBar(this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setProperty("controlId", static_cast<int>(AFX_IDW_TOOLBAR));
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pCmds->FillToolBar(m_pToolBar, ToolBarLayout());
    return m_pToolBar->Initialize(QStringLiteral("ツール"));
}

// --- the status bar -------------------------------------------------------------

void CMainFrame::BuildStatusBar() {
    QStatusBar* sb = statusBar();
    sb->setObjectName(QStringLiteral("statusBar"));
    sb->setProperty("controlId", static_cast<int>(AFX_IDW_STATUS_BAR));
    m_pMessagePane = new QLabel(QStringLiteral("レディ"), sb);
    m_pMessagePane->setObjectName(QStringLiteral("messagePane"));
    sb->addWidget(m_pMessagePane, 1);
    const char* texts[4] = {"かな", "CAP", "NUM", "SCRL"};
    for (int i = 0; i < 4; ++i) {
        auto* l = new QLabel(sb);
        l->setObjectName(QStringLiteral("indicator%1").arg(i));
        l->setProperty("indicatorText", QString::fromUtf8(texts[i]));
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QString::fromUtf8(texts[i])) + 10);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        sb->addPermanentWidget(l);
        m_pIndicators[i] = l;
    }
    // Lock states come with the key events of the window system.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) qApp->installEventFilter(this);
}

void CMainFrame::UpdateIndicators(quint32 state, int key) {
    constexpr quint32 kLockMask = 1u << 1;  // X11 LockMask
    constexpr quint32 kNumMask = 1u << 4;   // X11 Mod2Mask
    bool caps = state & kLockMask;
    bool num = state & kNumMask;
    // The state of a key press is the one before the key: a lock key that
    // is pressed now flips its own state.
    if (key == Qt::Key_CapsLock) caps = !caps;
    if (key == Qt::Key_NumLock) num = !num;
    m_pIndicators[1]->setText(caps ? m_pIndicators[1]->property("indicatorText").toString()
                                   : QString());
    m_pIndicators[2]->setText(num ? m_pIndicators[2]->property("indicatorText").toString()
                                  : QString());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->nativeModifiers() != 0 || k->key() == Qt::Key_CapsLock ||
            k->key() == Qt::Key_NumLock)
            UpdateIndicators(k->nativeModifiers(),
                             event->type() == QEvent::KeyPress ? k->key() : 0);
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::CreateReadingState() {
    m_pReading->BuildCommands(*m_pCmds);
    m_pReading->AddStatusPane(statusBar());
    m_pReading->ConnectViews();
    m_pReading->RecordsChanged();
    connect(this, &CMainFrame::DocumentChanged, m_pReading, &CReadingCommands::RecordsChanged);
    // The command states again, now with the counts of the new records.
    connect(this, &CMainFrame::DocumentChanged, m_pCmds, &cmd::CCommandTable::UpdateAll);
    m_pCmds->UpdateAll();
}

void CMainFrame::SetPrompter(IPrompter* prompter) {
    m_pPrompter = prompter ? prompter : m_pMsgPrompter.get();
    if (m_pReading) m_pReading->SetPrompter(m_pPrompter);
    // The own file chooser reports through the same prompter; a chooser put
    // in by SetLogFileChooser stays.
    const bool ownChooser = !m_pChooserPort || m_pChooserPort == m_pChooser.get();
    m_pChooser = std::make_unique<CLogFileChooser>(this, m_pPrompter);
    if (ownChooser) m_pChooserPort = m_pChooser.get();
    DocPorts ports;
    ports.tree = m_pTreeView ? m_pTreePort.get() : nullptr;
    ports.progress = m_pProgress.get();
    ports.prompter = m_pPrompter;
    ports.chooser = m_pChooserPort;
    // The search's own messages pass the search context, which names an
    // unconvertible search text as typed.
    CFindContext& context = m_pFind->Context(m_pPrompter);
    ports.prompter = &context;
    ports.find = &context;
    m_pDoc->SetPorts(ports);
    if (m_pTextView) m_pTextView->SetPrompter(m_pPrompter);
}

void CMainFrame::SetLogFileChooser(ILogFileChooser* chooser) {
    m_pChooserPort = chooser ? chooser : m_pChooser.get();
    DocPorts ports = m_pDoc->Ports();
    ports.chooser = m_pChooserPort;
    m_pDoc->SetPorts(ports);
}

QPrinter& CMainFrame::Printer() { return *m_pPrinter; }

QStatusBar* CMainFrame::StatusBarWidget() const { return statusBar(); }

CTitleTreeView* CMainFrame::GetTreeView() { return m_pSplitter ? m_pTreeView.data() : nullptr; }

CTextView* CMainFrame::GetTextView() { return m_pSplitter ? m_pTextView.data() : nullptr; }

int CMainFrame::GetViewMode() const { return m_pSplitter ? m_pSplitter->GetViewMode() : 1; }

int CMainFrame::SetViewMode(int mode) { return m_pSplitter ? m_pSplitter->SetViewMode(mode) : 1; }

// --- drops and closing ------------------------------------------------------------

void CMainFrame::ShowInitial() {
    if (StartsMaximized())
        showMaximized();
    else
        show();
    repaint();
    setAcceptDrops(true);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e) {
    // No second operation while a long one runs.
    if (CProgressDlg::BlocksInput(this)) return;
    QStringList paths;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) paths.append(u.toLocalFile());
    if (paths.isEmpty()) return;
    e->acceptProposedAction();
    OnDropFiles(paths);
}

void CMainFrame::SaveFrameSettings() {
    m_pState->Save();
    m_pFind->SaveHistory();
    if (CTextView* v = GetTextView()) v->SaveViewFont();
    if (m_pReading) m_pReading->SaveSettings();
    m_pFind->SaveLibraryFolders();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    // While a long operation runs (its progress dialog keeps this window
    // from taking input) the window cannot close under it.
    if (!isEnabled() || CProgressDlg::BlocksInput(this)) {
        e->ignore();
        return;
    }
    SaveFrameSettings();
    if (!SaveModified()) {
        e->ignore();
        return;
    }
    e->accept();
}

}  // namespace orv
