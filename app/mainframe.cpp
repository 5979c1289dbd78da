#include "app/mainframe.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QTreeView>
#include <QUrl>

#include "app/aboutdlg.h"
#include "app/corepath.h"
#include "app/exporthtmlcommand.h"
#include "app/findbar.h"
#include "app/importcommand.h"
#include "app/importcommandlineinfo.h"
#include "app/librarypane.h"
#include "app/logfilechooser.h"
#include "app/msgprompter.h"
#include "app/nametoolbar.h"
#include "app/progressdlg.h"
#include "app/recentfilelist.h"
#include "app/settings.h"
#include "app/splashscreen.h"
#include "app/viewsplitter.h"
#include "core/cp932.h"
#include "core/import/logfilelist.h"
#include "res/strings.h"
#include "search/findall.h"
#include "search/findoption.h"
#include "views/findresultspane.h"
#include "views/textview.h"
#include "views/titletreeview.h"

namespace orv {

using namespace cmd;

namespace {

constexpr char kAppTitle[] = "Orv's Meeting log viewer";
constexpr char kUntitled[] = "無題";
constexpr char kDocFilter[] = "会議室ログ ファイル (*.mld);;すべてのファイル (*)";

QString BarSection(int i) {
    return QStringLiteral("%1-Bar%2").arg(QLatin1String(settings::kBarState)).arg(i);
}
QString SummarySection() {
    return QStringLiteral("%1-Summary").arg(QLatin1String(settings::kBarState));
}

}  // namespace

// --- the title tree port ------------------------------------------------------

class CMainFrame::CTreePort : public ITitleTree {
public:
    explicit CTreePort(CMainFrame& frame) : m_frame(frame) {}
    void ClearTree() override {
        m_frame.ClearFindResults();
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

// --- window placement ---------------------------------------------------------

QString WindowPlacement::ToString() const {
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
        .arg(flags)
        .arg(showCmd)
        .arg(minX)
        .arg(minY)
        .arg(maxX)
        .arg(maxY)
        .arg(normal.left())
        .arg(normal.top())
        .arg(normal.left() + normal.width())
        .arg(normal.top() + normal.height());
}

bool WindowPlacement::FromString(const QString& text, WindowPlacement& out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 10) return false;
    long long v[10];
    for (int i = 0; i < 10; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toLongLong(&ok);
        if (!ok) return false;
    }
    out.flags = static_cast<std::uint32_t>(v[0]);
    out.showCmd = static_cast<std::uint32_t>(v[1]);
    out.minX = static_cast<int>(v[2]);
    out.minY = static_cast<int>(v[3]);
    out.maxX = static_cast<int>(v[4]);
    out.maxY = static_cast<int>(v[5]);
    out.normal = QRect(QPoint(static_cast<int>(v[6]), static_cast<int>(v[7])),
                       QSize(static_cast<int>(v[8] - v[6]), static_cast<int>(v[9] - v[7])));
    return true;
}

bool CMainFrame::ReadWindowPlacement(WindowPlacement& wp) {
    const QString text =
        settings::ReadString(settings::kSecSettings, QString::fromUtf8(settings::kValWindowPos));
    if (text.isEmpty()) return false;
    return WindowPlacement::FromString(text, wp);
}

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
    // The one printer set-up of the run: the set-up command changes it,
    // and print, preview and the command line's print use it.
    m_pPrinter = CTextView::MakePrinter();
    m_findContext.SetTextSource([this] { return GetFindText().toStdString(); });
    m_findContext.SetOptionStore(m_pFindOption);

    // Creation preparation: a window closed maximized opens maximized.
    WindowPlacement wp;
    if (ReadWindowPlacement(wp) && (wp.flags & WindowPlacement::kRestoreToMaximized))
        m_bStartMaximized = true;
    SetDefaultTitle();

    if (!OnCreateClient()) return;
    if (!OnCreate()) return;
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

    const int mode =
        settings::ReadInt(settings::kSecSettings, QString::fromUtf8(settings::kValViewMode), 1);
    splitter->SetViewMode(mode);
    const int split = settings::ReadInt(
        settings::kSecSettings, QString::fromUtf8(settings::kValSplitPosition), kDefaultSplit);
    if (mode == 0 || mode == 1) splitter->SetFirstPaneSize(mode, split, kMinSplit);
    splitter->RecalcLayout();
    return true;
}

bool CMainFrame::OnCreate() {
    CSplashScreen::ShowSplashScreen(this);

    WindowPlacement wp;
    if (ReadWindowPlacement(wp)) {
        m_bPlacementRead = true;
        QRect r = wp.normal;
        if (r.width() > 0 && r.height() > 0) {
            // A rectangle on no screen (a monitor since removed) is moved
            // onto the primary screen, as the platform does on Windows.
            bool onScreen = false;
            for (QScreen* s : QGuiApplication::screens())
                if (s->availableGeometry().intersects(r)) onScreen = true;
            if (!onScreen)
                if (QScreen* s = QGuiApplication::primaryScreen())
                    r.moveTopLeft(s->availableGeometry().topLeft() + QPoint(20, 20));
            setGeometry(r);
        }
    } else {
        resize(800, 560);
    }

    // The tool bar.
    m_pToolBar = new CNameToolBar(this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setProperty("controlId", static_cast<int>(AFX_IDW_TOOLBAR));
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pCmds->FillToolBar(m_pToolBar, ToolBarLayout());
    if (!m_pToolBar->Initialize(QStringLiteral("ツール"))) return false;

    if (!CreateFindBar()) return false;
    BuildStatusBar();

    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    if (m_pFindBar) {
        addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, m_pFindBar);
    }

    m_pCmds->BuildMenuBar(menuBar(), &m_pRecentMenu);
    if (m_pRecentMenu) {
        // The recent files stand where "最近使ったファイル" stands.
        const QList<QAction*> items = m_pRecentMenu->actions();
        const qsizetype at = items.indexOf(m_pCmds->Action(ID_FILE_MRU_FILE1));
        QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
        for (int id = ID_FILE_MRU_FILE1 + 1; id <= ID_FILE_MRU_FILE4; ++id)
            m_pRecentMenu->insertAction(before, m_pCmds->Action(id));
    }
    CreateFindResults();
    BuildCommands();
    LoadBarState();
    // Its place comes back, its visibility does not: it starts hidden and
    // appears when a find all fills it (or the user asks for it).
    m_pResults->RestoreState(
        *this,
        settings::ReadString(settings::kSecSettings, QString::fromUtf8(settings::kValFindResults)));
    m_pResults->StartHidden();
    return true;
}

void CMainFrame::CreateFindResults() {
    // Below the panes the first time, hidden until a find all fills it.
    auto* pane = new CFindResultsPane(this);
    addDockWidget(Qt::BottomDockWidgetArea, pane);
    pane->hide();
    connect(pane, &CFindResultsPane::Picked, this, &CMainFrame::ShowFindResult);
    m_pResults = pane;
}

void CMainFrame::ClearFindResults() {
    if (m_pResults) m_pResults->Clear();
}

bool CMainFrame::CreateFindBar() {
    // The search bar, control id 130, below the tool bar: the search-string
    // box, then the buttons of the find commands and the search options.
    auto* bar = new CFindBar(this);
    bar->setObjectName(QStringLiteral("findBar"));
    bar->setProperty("controlId", static_cast<int>(IDW_FINDBAR));
    bar->setIconSize(QSize(16, 16));
    m_pCmds->FillToolBar(bar, FindBarLayout());
    if (!bar->Initialize(QStringLiteral("検索"))) return false;
    CFindStrCombo* combo = bar->Combo();
    combo->SetFocusTarget([this]() -> QWidget* { return GetTreeView(); });
    // Enter and Shift+Enter go straight to the document's find commands.
    combo->SetFindHandler([this](bool previous) {
        OnFindStep(previous);
        m_pCmds->UpdateAll();
    });
    m_pFindBar = bar;
    return true;
}

bool CMainFrame::FindBarHandleSpace() {
    auto* bar = qobject_cast<CFindBar*>(m_pFindBar.data());
    return bar && bar->HandleSpace();
}

void CMainFrame::FindBarSaveHistory() {
    if (auto* bar = qobject_cast<CFindBar*>(m_pFindBar.data())) bar->SaveHistory();
}

QString CMainFrame::GetFindText() const {
    auto* bar = qobject_cast<CFindBar*>(m_pFindBar.data());
    return bar ? bar->GetFindString() : QString();
}

std::string CMainFrame::GetFindString() { return m_findContext.GetFindString(); }

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
    m_bCapsLock = caps;
    m_bNumLock = num;
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

void CMainFrame::SetPrompter(IPrompter* prompter) {
    m_pPrompter = prompter ? prompter : m_pMsgPrompter.get();
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
    m_findContext.SetPrompter(m_pPrompter);
    ports.prompter = &m_findContext;
    ports.find = &m_findContext;
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

// --- commands -------------------------------------------------------------------

void CMainFrame::BuildCommands() {
    CCommandTable& t = *m_pCmds;
    auto always = [](CCmdUI&) {};

    t.SetHandler(
        ID_FILE_NEW, [this] { OnFileNew(); }, always);
    t.SetHandler(
        ID_FILE_OPEN,
        [this] {
            const QString path = AskFileName(true, QString());
            if (!path.isEmpty()) OpenDocumentFile(path);
        },
        always);
    t.SetHandler(
        ID_FILE_SAVE, [this] { OnFileSave(); }, always);
    t.SetHandler(
        ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); }, always);
    t.SetHandler(
        ID_FILE_EXPORT_HTML, [this] { OnFileExportHtml(); }, always);
    t.SetHandler(
        ID_FILE_IMPORT_LOG,
        [this] {
            OnImportLog(*m_pDoc, m_pChooserPort);
            emit DocumentChanged();
        },
        always);
    auto hasText = [this](CCmdUI& ui) { ui.Enable(GetTextView() != nullptr); };
    // Printing needs a message on show: a blank page helps nobody.
    auto shown = [this]() -> CTextView* {
        CTextView* v = GetTextView();
        return v && v->GetComment() ? v : nullptr;
    };
    auto hasMessage = [shown](CCmdUI& ui) { ui.Enable(shown() != nullptr); };
    t.SetHandler(
        ID_FILE_PRINT,
        [shown] {
            if (auto* v = shown()) v->OnFilePrint();
        },
        hasMessage);
    t.SetHandler(
        ID_FILE_PRINT_DIRECT,
        [shown] {
            if (auto* v = shown()) v->OnFilePrintDirect();
        },
        hasMessage);
    t.SetHandler(
        ID_FILE_PRINT_PREVIEW,
        [shown] {
            if (auto* v = shown()) v->OnFilePrintPreview();
        },
        hasMessage);
    t.SetHandler(
        ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); }, always);
    for (int i = 0; i < 4; ++i) {
        const int id = ID_FILE_MRU_FILE1 + i;
        t.SetHandler(
            id,
            [this, i] {
                if (!m_pRecent || i >= m_pRecent->GetSize()) return;
                const QString path = (*m_pRecent)[i];
                // An entry that no longer opens leaves the list.
                if (!OpenDocumentFile(path) && m_pRecent->GetSize() > i &&
                    (*m_pRecent)[i] == path && !QFileInfo::exists(path))
                    m_pRecent->Remove(i);
            },
            [this, i](CCmdUI& ui) {
                const int n = m_pRecent ? m_pRecent->GetSize() : 0;
                QAction* a = ui.Action();
                if (i == 0 && n == 0) {
                    a->setText(QString::fromUtf8(FindCommand(ID_FILE_MRU_FILE1)->text));
                    a->setVisible(true);
                    ui.Enable(false);
                    return;
                }
                a->setVisible(i < n);
                if (i < n) a->setText(m_pRecent->GetMenuText(i));
                ui.Enable(i < n);
            });
    }
    t.SetHandler(
        ID_APP_EXIT, [this] { close(); }, always);
    t.SetHandler(
        ID_EDIT_COPY,
        [this] {
            if (auto* v = GetTextView()) v->OnEditCopy();
        },
        [this](CCmdUI& ui) {
            auto* v = GetTextView();
            ui.Enable(v && v->OnUpdateEditCopy());
        });
    t.SetHandler(
        ID_EDIT_DELETE_TREE,
        [this] {
            m_pDoc->DeleteSelectedTree();
            emit DocumentChanged();
        },
        [this](CCmdUI& ui) { ui.Enable(m_pDoc->OnUpdateDeleteSelectedTree()); });

    const std::pair<int, std::uint32_t> options[] = {
        {ID_FIND_TITLE, FIND_TITLE},           {ID_FIND_CONTENT, FIND_CONTENT},
        {ID_FIND_AUTHOR, FIND_AUTHOR},         {ID_FIND_AUTHORID, FIND_AUTHORID},
        {ID_FIND_IGNORECASE, FIND_IGNORECASE}, {ID_FIND_IGNOREWIDTH, FIND_IGNOREWIDTH},
        {ID_FIND_IGNOREKANA, FIND_IGNOREKANA},
    };
    for (const auto& [id, bit] : options) {
        const std::uint32_t b = bit;
        t.SetHandler(
            id, [this, b] { ToggleFindOption(b); },
            [this, b](CCmdUI& ui) { ui.SetCheck((*m_pFindOption & b) ? 1 : 0); });
    }

    t.SetHandler(
        ID_VIEW_TOOLBAR, [this] { m_pToolBar->setVisible(m_pToolBar->isHidden()); },
        [this](CCmdUI& ui) { ui.SetCheck(m_pToolBar->isHidden() ? 0 : 1); });
    t.SetHandler(
        ID_VIEW_FINDBAR,
        [this] {
            if (m_pFindBar) m_pFindBar->setVisible(m_pFindBar->isHidden());
        },
        [this](CCmdUI& ui) {
            ui.Enable(m_pFindBar != nullptr);
            ui.SetCheck(m_pFindBar && !m_pFindBar->isHidden() ? 1 : 0);
        });
    t.SetHandler(
        ID_VIEW_FINDRESULTS,
        [this] {
            if (m_pResults->isHidden())
                m_pResults->ShowAtPlace(*this);
            else
                m_pResults->hide();
        },
        [this](CCmdUI& ui) { ui.SetCheck(m_pResults->isHidden() ? 0 : 1); });
    t.SetHandler(
        ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(statusBar()->isHidden()); },
        [this](CCmdUI& ui) { ui.SetCheck(statusBar()->isHidden() ? 0 : 1); });
    m_pModeGroup = new QActionGroup(this);
    m_pModeGroup->setExclusive(true);
    m_pModeGroup->addAction(t.Action(ID_VIEW_TOPBOTTOM));
    m_pModeGroup->addAction(t.Action(ID_VIEW_SIDEBYSIDE));
    t.SetHandler(
        ID_VIEW_TOPBOTTOM, [this] { SetViewMode(0); },
        [this](CCmdUI& ui) { ui.SetRadio(GetViewMode() == 0); });
    t.SetHandler(
        ID_VIEW_SIDEBYSIDE, [this] { SetViewMode(1); },
        [this](CCmdUI& ui) { ui.SetRadio(GetViewMode() == 1); });
    t.SetHandler(
        ID_VIEW_FONT,
        [this] {
            if (auto* v = GetTextView()) v->OnViewFont();
        },
        hasText);
    t.SetHandler(
        ID_VIEW_EXPANDALL, [this] { orv::OnExpandAll(*m_pDoc, *this); },
        [this](CCmdUI& ui) { ui.Enable(orv::OnUpdateExpandAll(*m_pDoc)); });
    t.SetHandler(
        ID_VIEW_COLLAPSEALL, [this] { orv::OnCollapseAll(*m_pDoc, *this); },
        [this](CCmdUI& ui) { ui.Enable(orv::OnUpdateCollapseAll(*m_pDoc)); });
    t.SetHandler(
        ID_FIND_PREV, [this] { OnFindStep(true); },
        [this](CCmdUI& ui) { ui.Enable(OnUpdateFindPrev(*m_pDoc)); });
    t.SetHandler(
        ID_FIND_NEXT, [this] { OnFindStep(false); },
        [this](CCmdUI& ui) { ui.Enable(OnUpdateFindNext(*m_pDoc)); });
    t.SetHandler(
        ID_FIND_ALL, [this] { OnFindAll(); },
        [this](CCmdUI& ui) { ui.Enable(OnUpdateFindNext(*m_pDoc)); });
    t.SetHandler(
        ID_FIND_LIBRARY, [this] { OnFindLibrary(); }, always);
    t.SetHandler(
        ID_HELP_CONTENTS, [this] { OnHelpContents(); }, always);
    t.SetHandler(
        ID_APP_ABOUT, [this] { OnAppAbout(); }, always);
    t.SetHandler(
        ID_NEXT_PANE, [this] { OnNextPane(true); }, always);
    t.SetHandler(
        ID_PREV_PANE, [this] { OnNextPane(false); }, always);
    t.SetHandler(
        ID_SCROLL_PAGE, [this] { OnScrollPage(true); }, always);

    // Keys without a menu item work anywhere in the window.
    for (int id : {ID_NEXT_PANE, ID_PREV_PANE, ID_SCROLL_PAGE, ID_FILE_PRINT_DIRECT})
        addAction(t.Action(id));
    auto* backward = new QAction(this);
    backward->setObjectName(QStringLiteral("cmd110shift"));
    backward->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Space));
    connect(backward, &QAction::triggered, this, [this] { OnScrollPage(false); });
    addAction(backward);

    // Command states follow the selection, the text selection, the focus and
    // the document.
    if (m_pTreeView && m_pTreeView->selectionModel())
        connect(m_pTreeView->selectionModel(), &QItemSelectionModel::currentChanged, m_pCmds,
                &CCommandTable::UpdateAll);
    if (m_pTextView)
        connect(m_pTextView, &QPlainTextEdit::copyAvailable, m_pCmds, &CCommandTable::UpdateAll);
    connect(qApp, &QApplication::focusChanged, m_pCmds, &CCommandTable::UpdateAll);
    connect(this, &CMainFrame::DocumentChanged, m_pCmds, &CCommandTable::UpdateAll);
    t.UpdateAll();
}

void CMainFrame::ToggleFindOption(std::uint32_t bit) { *m_pFindOption ^= bit; }

// --- find all and marked matches ------------------------------------------------------

void CMainFrame::OnFindStep(bool previous) {
    CTitleTreeView* tree = GetTreeView();
    const TreeItem before = tree ? tree->GetSelectedItem() : kNoItem;
    if (previous)
        OnFindPrev(*m_pDoc);
    else
        OnFindNext(*m_pDoc);
    // A hit moved the selection: the message it shows gets its marks.
    if (tree && tree->GetSelectedItem() != before)
        MarkMatches(TypedTextToCp932(GetFindText().toStdString()), *m_pFindOption);
}

void CMainFrame::OnFindAll() {
    // The text is recorded in the history as Enter records it.
    if (auto* bar = qobject_cast<CFindBar*>(m_pFindBar.data())) bar->Combo()->UpdateHistory();
    std::string text = TypedTextToCp932(GetFindText().toStdString());
    const std::uint32_t option = *m_pFindOption;
    const std::vector<TreeItem>& items = m_pDoc->GetTreeItems();
    const FindAllResult found = FindAll(items, m_pDoc->Ports());
    if (found.outcome != SearchOutcome::Found && found.outcome != SearchOutcome::NotFound) return;
    std::vector<CFindResultsModel::Row> rows;
    rows.reserve(found.hits.size());
    CTitleTreeView* tree = GetTreeView();
    for (std::size_t i : found.hits) {
        const TreeItem item = items[i];
        rows.push_back({item, tree ? tree->GetItemData(item) : nullptr,
                        static_cast<std::uint32_t>(rows.size())});
    }
    m_pResults->SetResults(std::move(rows), std::move(text), option);
    m_pResults->ShowAtPlace(*this);
    m_pResults->raise();
    if (m_pResults->Count() > 0) m_pResults->List()->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::ShowFindResult(TreeItem item, const CComment* record) {
    CTitleTreeView* tree = GetTreeView();
    // A row of a tree since rebuilt names nothing any more.
    if (!tree || !record || tree->GetItemData(item) != record) return;
    tree->SelectItem(item);
    CTextView* view = GetTextView();
    if (view && view->GetComment() == record)
        MarkMatches(m_pResults->SearchText(), m_pResults->SearchOption());
    m_pCmds->UpdateAll();
}

void CMainFrame::OnFindLibrary() {
    CLibraryPane* pane = LibraryPane();
    pane->show();
    pane->raise();
    pane->Field()->setFocus(Qt::OtherFocusReason);
}

CLibraryPane* CMainFrame::LibraryPane() {
    if (!m_pLibrary) {
        QList<QAction*> options;
        for (int id : {ID_FIND_TITLE, ID_FIND_CONTENT, ID_FIND_AUTHOR, ID_FIND_AUTHORID,
                       ID_FIND_IGNORECASE, ID_FIND_IGNOREWIDTH, ID_FIND_IGNOREKANA})
            options << m_pCmds->Action(id);
        m_pLibrary = new CLibraryPane(this, options, [this] { return *m_pFindOption; });
        m_pLibrary->SetFolders(
            settings::ReadString(settings::kSecSettings, QStringLiteral("LibraryFolders"))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts));
        connect(m_pLibrary, &CLibraryPane::Picked, this, &CMainFrame::ShowLibraryResult);
    }
    return m_pLibrary;
}

void CMainFrame::ShowLibraryResult(const QString& path, std::uint32_t ordinal, std::int32_t number,
                                   const std::string& textCp932, std::uint32_t findOption) {
    if (!OpenDocumentFile(path)) return;
    CTitleTreeView* tree = GetTreeView();
    const std::vector<TreeItem>& items = m_pDoc->GetTreeItems();
    if (!tree) return;
    // The place in tree order names the message unless the document
    // changed since the search; then its number does.
    TreeItem item = kNoItem;
    if (ordinal < items.size() && tree->GetItemData(items[ordinal]) &&
        tree->GetItemData(items[ordinal])->GetNumber() == number)
        item = items[ordinal];
    for (std::size_t i = 0; item == kNoItem && i < items.size(); ++i)
        if (const CComment* rec = tree->GetItemData(items[i]); rec && rec->GetNumber() == number)
            item = items[i];
    if (item == kNoItem) return;
    tree->SelectItem(item);
    MarkMatches(textCp932, findOption);
    m_pCmds->UpdateAll();
}

void CMainFrame::MarkMatches(const std::string& textCp932, std::uint32_t findOption) {
    CTextView* view = GetTextView();
    if (!view || !view->GetComment()) return;
    CMatchFinder finder(findOption, textCp932);
    view->SetMatchRanges(FindRecordRanges(*view->GetComment(), findOption, finder));
}

int CMainFrame::GetViewMode() const { return m_pSplitter ? m_pSplitter->GetViewMode() : 1; }

int CMainFrame::SetViewMode(int mode) { return m_pSplitter ? m_pSplitter->SetViewMode(mode) : 1; }

void CMainFrame::OnNextPane(bool) {
    // Two panes: either key moves the focus to the other one.
    CTitleTreeView* tree = GetTreeView();
    CTextView* text = GetTextView();
    if (!tree || !text) return;
    if (tree->hasFocus())
        text->setFocus(Qt::OtherFocusReason);
    else
        tree->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::OnScrollPage(bool forward) {
    if (FindBarHandleSpace()) return;
    if (CTextView* v = GetTextView()) v->ScrollPage(forward);
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dlg(this);
    dlg.exec();
}

void CMainFrame::OnHelpContents() {
    // "orv.chm" beside the program, opened by the desktop; nothing is said
    // when it is missing or cannot be shown.
    const QString help =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("orv.chm"));
    if (QFileInfo(help).isFile()) QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void CMainFrame::OnFilePrintSetup() {
    QPageSetupDialog dlg(&Printer(), this);
    dlg.exec();
}

// --- the document -------------------------------------------------------------------

void CMainFrame::SetDefaultTitle() {
    m_strTitle = QString::fromUtf8(kUntitled);
    UpdateTitle();
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(m_strTitle + QStringLiteral(" - ") + QString::fromUtf8(kAppTitle));
}

void CMainFrame::SetPathName(const QString& path, bool addToRecent) {
    m_strPathName = QFileInfo(path).absoluteFilePath();
    m_strTitle = QFileInfo(path).fileName();
    UpdateTitle();
    if (addToRecent && m_pRecent) m_pRecent->Add(QDir::toNativeSeparators(m_strPathName));
}

QString CMainFrame::AskFileName(bool open, const QString& proposed) {
    if (m_fileDialog) return m_fileDialog(open, proposed);
    const QString filter = QString::fromUtf8(kDocFilter);
    if (open) return QFileDialog::getOpenFileName(this, QStringLiteral("開く"), QString(), filter);
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("名前を付けて保存"), proposed, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".mld");
    return path;
}

bool CMainFrame::SaveModified() {
    if (!m_pDoc->IsModified()) return true;
    const QString name =
        m_strPathName.isEmpty() ? m_strTitle : QDir::toNativeSeparators(m_strPathName);
    const MsgAnswer a = m_pPrompter->MessageBox(
        res::IDS_SAVE_CHANGES, res::Format(res::IDS_SAVE_CHANGES, name.toStdString()),
        res::Icon(res::IDS_SAVE_CHANGES), MsgButtons::YesNoCancel);
    if (a == MsgAnswer::Cancel) return false;
    if (a == MsgAnswer::Yes) return OnFileSave();
    return true;
}

bool CMainFrame::OnFileNew() {
    if (!SaveModified()) return false;
    m_pDoc->OnNewDocument();
    m_pDoc->SetModifiedFlag(false);
    m_strPathName.clear();
    SetDefaultTitle();
    emit DocumentChanged();
    return true;
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    const QFileInfo fi(path);
    const QString full = fi.absoluteFilePath();
    // The document already open is not read again.
    if (!m_strPathName.isEmpty() &&
        (full == m_strPathName ||
         (fi.exists() && fi.canonicalFilePath() == QFileInfo(m_strPathName).canonicalFilePath()))) {
        activateWindow();
        return true;
    }
    if (!SaveModified()) return false;
    const bool wasModified = m_pDoc->IsModified();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = m_pDoc->OnOpenDocument(CorePath(full));
    QApplication::restoreOverrideCursor();
    if (!ok) {
        if (m_pDoc->LastOpenResult() == COrvDoc::OpenResult::CannotOpen ||
            m_pDoc->LastOpenResult() == COrvDoc::OpenResult::OutOfMemory) {
            // The file did not open: the document is as it was.
            m_pDoc->SetModifiedFlag(wasModified);
        } else {
            // Reading failed part way: an empty new document takes its place.
            m_pDoc->OnNewDocument();
            m_pDoc->SetModifiedFlag(false);
            m_strPathName.clear();
            SetDefaultTitle();
        }
        emit DocumentChanged();
        return false;
    }
    m_pDoc->SetModifiedFlag(false);
    SetPathName(full);
    emit DocumentChanged();
    return true;
}

bool CMainFrame::OnFileSave() {
    if (m_strPathName.isEmpty()) return DoSave(QString());
    const QFileInfo fi(m_strPathName);
    if (fi.exists() && !fi.isWritable()) return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CMainFrame::OnFileSaveAs() { return DoSave(QString()); }

bool CMainFrame::DoSave(const QString& pathIn) {
    QString path = pathIn;
    const bool replace = path.isEmpty();
    if (replace) {
        QString proposed = m_strPathName.isEmpty() ? m_strTitle : m_strPathName;
        if (QFileInfo(proposed).suffix().isEmpty()) proposed += QStringLiteral(".mld");
        path = AskFileName(false, proposed);
        if (path.isEmpty()) return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool ok = false;
    try {
        ok = m_pDoc->OnSaveDocument(CorePath(QFileInfo(path).absoluteFilePath()));
    } catch (const std::bad_alloc&) {
        // Out of memory outside the document's own save: the window and
        // the unsaved document stay, the user is told.
        m_pPrompter->MessageBox(res::IDS_OUT_OF_MEMORY, res::Text(res::IDS_OUT_OF_MEMORY),
                                res::Icon(res::IDS_OUT_OF_MEMORY), MsgButtons::Ok);
    }
    QApplication::restoreOverrideCursor();
    if (!ok) return false;
    m_pDoc->SetModifiedFlag(false);
    if (replace || path != m_strPathName) SetPathName(path);
    emit DocumentChanged();
    return true;
}

void CMainFrame::ImportLogs(const QStringList& paths) {
    std::vector<std::string> list;
    list.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& p : paths) list.push_back(CorePath(p));
    CLogFileList files(std::move(list));
    files.SetChooser(m_pChooserPort);
    m_pDoc->ImportLogFiles(files);
    emit DocumentChanged();
}

bool CMainFrame::PrintFirstMessage() {
    const std::vector<TreeItem>& items = m_pDoc->GetTreeItems();
    CTitleTreeView* tree = GetTreeView();
    CTextView* text = GetTextView();
    if (!tree || !text) return false;
    if (items.empty()) {
        m_pPrompter->MessageBox(res::IDS_PRINT_NOTHING, res::Text(res::IDS_PRINT_NOTHING),
                                res::Icon(res::IDS_PRINT_NOTHING), MsgButtons::Ok);
        return false;
    }
    tree->SelectItem(items.front());
    return text->GetComment() && text->OnFilePrintDirect();
}

void CMainFrame::OnFileExportHtml() {
    const QString proposed =
        m_strPathName.isEmpty() ? QDir::currentPath() : QFileInfo(m_strPathName).absolutePath();
    OnExportHtml(
        *m_pDoc, m_strTitle, proposed,
        [this](const QString& start) {
            return m_folderDialog ? m_folderDialog(start) : ChooseExportFolder(this, start);
        },
        [this](const QString& index) {
            const QUrl url = QUrl::fromLocalFile(index);
            if (m_siteOpener)
                m_siteOpener(url);
            else
                QDesktopServices::openUrl(url);
        });
}

// --- drops ------------------------------------------------------------------------------

void CMainFrame::ShowInitial() {
    if (m_bStartMaximized)
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

void CMainFrame::OnDropFiles(const QStringList& paths) {
    activateWindow();
    raise();
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
    const MsgAnswer a =
        m_pPrompter->MessageBox(res::IDS_DROP_IMPORT, res::Text(res::IDS_DROP_IMPORT),
                                res::Icon(res::IDS_DROP_IMPORT), MsgButtons::YesNo);
    if (a == MsgAnswer::Yes) ImportLogs(imports);
}

// --- closing ------------------------------------------------------------------------------

void CMainFrame::SaveWindowPlacement() {
    const QRect n = normalGeometry();
    if (!n.isValid() || n.isEmpty()) return;  // keeps the value of the last run
    WindowPlacement wp;
    const bool minimized = isMinimized();
    wp.flags = (isMaximized() && !minimized) ? WindowPlacement::kRestoreToMaximized : 0;
    wp.showCmd = minimized ? 2 : isMaximized() ? 3 : 1;
    wp.normal = n;
    settings::WriteString(settings::kSecSettings, QString::fromUtf8(settings::kValWindowPos),
                          wp.ToString());
}

void CMainFrame::SaveBarState() {
    // The results pane keeps its visibility and place in a value of its own,
    // and the layout is taken without it.
    QByteArray layout;
    if (m_pResults && dockWidgetArea(m_pResults) != Qt::NoDockWidgetArea) {
        const QString own = m_pResults->SaveState(*this);
        settings::WriteString(settings::kSecSettings, QString::fromUtf8(settings::kValFindResults),
                              own);
        removeDockWidget(m_pResults);
        layout = saveState(1);
        m_pResults->RestoreState(*this, own);
    } else {
        layout = saveState(1);
    }
    auto s = settings::Open();
    s->remove(SummarySection());
    struct Bar {
        QWidget* w;
        int id;
    };
    const Bar bars[] = {{m_pToolBar, AFX_IDW_TOOLBAR},
                        {m_pFindBar.data(), IDW_FINDBAR},
                        {statusBar(), AFX_IDW_STATUS_BAR}};
    int n = 0;
    for (int i = 0; i < 8; ++i) s->remove(BarSection(i));
    for (const Bar& b : bars) {
        if (!b.w) continue;
        s->beginGroup(BarSection(n++));
        s->setValue(QStringLiteral("BarID"), b.id);
        s->setValue(QStringLiteral("Visible"), b.w->isHidden() ? 0 : 1);
        if (auto* tb = qobject_cast<QToolBar*>(b.w)) {
            s->setValue(QStringLiteral("Horz"), tb->orientation() == Qt::Horizontal ? 1 : 0);
            s->setValue(QStringLiteral("Floating"), tb->isFloating() ? 1 : 0);
            s->setValue(QStringLiteral("Docking"), static_cast<int>(toolBarArea(tb)));
            if (tb->isFloating()) {
                s->setValue(QStringLiteral("XPos"), tb->x());
                s->setValue(QStringLiteral("YPos"), tb->y());
            }
        }
        s->endGroup();
    }
    s->beginGroup(SummarySection());
    s->setValue(QStringLiteral("Bars"), n);
    if (QScreen* sc = screen()) {
        s->setValue(QStringLiteral("ScreenCX"), sc->size().width());
        s->setValue(QStringLiteral("ScreenCY"), sc->size().height());
    }
    s->setValue(QStringLiteral("Layout"), QString::fromLatin1(layout.toBase64()));
    s->endGroup();
}

void CMainFrame::LoadBarState() {
    auto s = settings::Open();
    s->beginGroup(SummarySection());
    if (!s->contains(QStringLiteral("Bars"))) return;
    const int n = s->value(QStringLiteral("Bars")).toInt();
    const QByteArray layout =
        QByteArray::fromBase64(s->value(QStringLiteral("Layout")).toByteArray());
    s->endGroup();
    if (!layout.isEmpty()) restoreState(layout, 1);
    for (int i = 0; i < n && i < 8; ++i) {
        s->beginGroup(BarSection(i));
        const int id = s->value(QStringLiteral("BarID")).toInt();
        const bool visible = s->value(QStringLiteral("Visible"), 1).toInt() != 0;
        s->endGroup();
        QWidget* w = id == AFX_IDW_TOOLBAR      ? static_cast<QWidget*>(m_pToolBar)
                     : id == IDW_FINDBAR        ? static_cast<QWidget*>(m_pFindBar.data())
                     : id == AFX_IDW_STATUS_BAR ? static_cast<QWidget*>(statusBar())
                                                : nullptr;
        if (w) w->setVisible(visible);
    }
}

void CMainFrame::SaveFrameSettings() {
    SaveBarState();
    SaveWindowPlacement();
    settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValViewMode),
                       GetViewMode());
    if (m_pSplitter)
        settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValSplitPosition),
                           m_pSplitter->FirstPaneSize());
    FindBarSaveHistory();
    if (CTextView* v = GetTextView()) v->SaveViewFont();
    if (m_pLibrary)
        settings::WriteString(settings::kSecSettings, QStringLiteral("LibraryFolders"),
                              m_pLibrary->Folders().join(QLatin1Char('\n')));
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
