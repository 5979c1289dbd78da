#include "app/framecommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QUrl>
#include <cstdint>
#include <utility>

#include "app/aboutdlg.h"
#include "app/commands.h"
#include "app/doccommands.h"
#include "app/framefind.h"
#include "app/mainframe.h"
#include "app/nametoolbar.h"
#include "app/recentfilelist.h"
#include "search/findengine.h"
#include "search/findoption.h"
#include "views/findresultspane.h"
#include "views/textview.h"
#include "views/titletreeview.h"

namespace orv {

using namespace cmd;

namespace {

// The number of recent files the menu shows (ID_FILE_MRU_FILE1 to 4).
constexpr int kRecentFiles = ID_FILE_MRU_FILE4 - ID_FILE_MRU_FILE1 + 1;

void Always(CCmdUI&) {}

}  // namespace

CFrameCommands::CFrameCommands(CMainFrame& frame) : m_frame(frame) {}

void CFrameCommands::BuildMenuBar() {
    CCommandTable& t = m_frame.Commands();
    QMenu* recentMenu = nullptr;
    t.BuildMenuBar(m_frame.menuBar(), &recentMenu);
    if (!recentMenu) return;
    // The recent files stand where "最近使ったファイル" stands.
    const QList<QAction*> items = recentMenu->actions();
    const qsizetype at = items.indexOf(t.Action(ID_FILE_MRU_FILE1));
    QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    for (int id = ID_FILE_MRU_FILE1 + 1; id <= ID_FILE_MRU_FILE4; ++id)
        recentMenu->insertAction(before, t.Action(id));
}

void CFrameCommands::Build() {
    CCommandTable& t = m_frame.Commands();
    BuildFileCommands(t);
    BuildRecentFileCommands(t);
    BuildEditCommands(t);
    BuildFindCommands(t);
    BuildViewCommands(t);
    BuildWindowCommands(t);
    FollowState();
    t.UpdateAll();
}

// --- the file menu ------------------------------------------------------------

void CFrameCommands::BuildFileCommands(CCommandTable& t) {
    CDocCommands& docs = m_frame.Documents();
    t.SetHandler(
        ID_FILE_NEW, [&docs] { docs.OnFileNew(); }, Always);
    t.SetHandler(
        ID_FILE_OPEN, [&docs] { docs.OnFileOpen(); }, Always);
    t.SetHandler(
        ID_FILE_SAVE, [&docs] { docs.OnFileSave(); }, Always);
    t.SetHandler(
        ID_FILE_SAVE_AS, [&docs] { docs.OnFileSaveAs(); }, Always);
    t.SetHandler(
        ID_FILE_EXPORT_HTML, [&docs] { docs.OnFileExportHtml(); }, Always);
    t.SetHandler(
        ID_FILE_IMPORT_LOG, [&docs] { docs.OnFileImportLog(); }, Always);
    // Printing needs a message on show: a blank page helps nobody.
    auto shown = [this]() -> CTextView* {
        CTextView* v = m_frame.GetTextView();
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
        ID_FILE_PRINT_SETUP, [&docs] { docs.OnFilePrintSetup(); }, Always);
    t.SetHandler(
        ID_APP_EXIT, [this] { m_frame.close(); }, Always);
}

void CFrameCommands::BuildRecentFileCommands(CCommandTable& t) {
    CDocCommands& docs = m_frame.Documents();
    for (int i = 0; i < kRecentFiles; ++i) {
        t.SetHandler(
            ID_FILE_MRU_FILE1 + i, [&docs, i] { docs.OnOpenRecentFile(i); },
            [&docs, i](CCmdUI& ui) {
                CRecentFileList* recent = docs.RecentFileList();
                const int n = recent ? recent->GetSize() : 0;
                QAction* a = ui.Action();
                // An empty list shows its first entry greyed, with the
                // command's own text.
                if (i == 0 && n == 0) {
                    a->setText(QString::fromUtf8(FindCommand(ID_FILE_MRU_FILE1)->text));
                    a->setVisible(true);
                    ui.Enable(false);
                    return;
                }
                a->setVisible(i < n);
                if (i < n) a->setText(recent->GetMenuText(i));
                ui.Enable(i < n);
            });
    }
}

// --- the edit and find menus --------------------------------------------------

void CFrameCommands::BuildEditCommands(CCommandTable& t) {
    t.SetHandler(
        ID_EDIT_COPY,
        [this] {
            if (auto* v = m_frame.GetTextView()) v->OnEditCopy();
        },
        [this](CCmdUI& ui) {
            auto* v = m_frame.GetTextView();
            ui.Enable(v && v->OnUpdateEditCopy());
        });
    t.SetHandler(
        ID_EDIT_DELETE_TREE,
        [this] {
            m_frame.GetDocument().DeleteSelectedTree();
            emit m_frame.DocumentChanged();
        },
        [this](CCmdUI& ui) { ui.Enable(m_frame.GetDocument().OnUpdateDeleteSelectedTree()); });
}

void CFrameCommands::BuildFindCommands(CCommandTable& t) {
    CFrameFind& find = m_frame.Find();
    const std::pair<int, std::uint32_t> options[] = {
        {ID_FIND_TITLE, FIND_TITLE},           {ID_FIND_CONTENT, FIND_CONTENT},
        {ID_FIND_AUTHOR, FIND_AUTHOR},         {ID_FIND_AUTHORID, FIND_AUTHORID},
        {ID_FIND_IGNORECASE, FIND_IGNORECASE}, {ID_FIND_IGNOREWIDTH, FIND_IGNOREWIDTH},
        {ID_FIND_IGNOREKANA, FIND_IGNOREKANA},
    };
    for (const auto& [id, bit] : options) {
        const std::uint32_t b = bit;
        t.SetHandler(
            id, [&find, b] { find.ToggleFindOption(b); },
            [&find, b](CCmdUI& ui) { ui.SetCheck((find.GetFindOption() & b) ? 1 : 0); });
    }
    COrvDoc& doc = m_frame.GetDocument();
    t.SetHandler(
        ID_FIND_PREV, [&find] { find.OnFindStep(true); },
        [&doc](CCmdUI& ui) { ui.Enable(OnUpdateFindPrev(doc)); });
    t.SetHandler(
        ID_FIND_NEXT, [&find] { find.OnFindStep(false); },
        [&doc](CCmdUI& ui) { ui.Enable(OnUpdateFindNext(doc)); });
    t.SetHandler(
        ID_FIND_ALL, [&find] { find.OnFindAll(); },
        [&doc](CCmdUI& ui) { ui.Enable(OnUpdateFindNext(doc)); });
    t.SetHandler(
        ID_FIND_LIBRARY, [&find] { find.OnFindLibrary(); }, [](CCmdUI&) {});
}

// --- the view menu --------------------------------------------------------------

void CFrameCommands::BuildViewCommands(CCommandTable& t) {
    CNameToolBar* toolBar = m_frame.ToolBar();
    t.SetHandler(
        ID_VIEW_TOOLBAR, [toolBar] { toolBar->setVisible(toolBar->isHidden()); },
        [toolBar](CCmdUI& ui) { ui.SetCheck(toolBar->isHidden() ? 0 : 1); });
    t.SetHandler(
        ID_VIEW_FINDBAR,
        [this] {
            if (CNameToolBar* bar = m_frame.FindBar()) bar->setVisible(bar->isHidden());
        },
        [this](CCmdUI& ui) {
            CNameToolBar* bar = m_frame.FindBar();
            ui.Enable(bar != nullptr);
            ui.SetCheck(bar && !bar->isHidden() ? 1 : 0);
        });
    t.SetHandler(
        ID_VIEW_FINDRESULTS, [this] { m_frame.Find().ToggleFindResults(); },
        [this](CCmdUI& ui) { ui.SetCheck(m_frame.FindResults()->isHidden() ? 0 : 1); });
    t.SetHandler(
        ID_VIEW_STATUS_BAR,
        [this] { m_frame.statusBar()->setVisible(m_frame.statusBar()->isHidden()); },
        [this](CCmdUI& ui) { ui.SetCheck(m_frame.statusBar()->isHidden() ? 0 : 1); });
    m_pModeGroup = new QActionGroup(&m_frame);
    m_pModeGroup->setExclusive(true);
    m_pModeGroup->addAction(t.Action(ID_VIEW_TOPBOTTOM));
    m_pModeGroup->addAction(t.Action(ID_VIEW_SIDEBYSIDE));
    t.SetHandler(
        ID_VIEW_TOPBOTTOM, [this] { m_frame.SetViewMode(0); },
        [this](CCmdUI& ui) { ui.SetRadio(m_frame.GetViewMode() == 0); });
    t.SetHandler(
        ID_VIEW_SIDEBYSIDE, [this] { m_frame.SetViewMode(1); },
        [this](CCmdUI& ui) { ui.SetRadio(m_frame.GetViewMode() == 1); });
    t.SetHandler(
        ID_VIEW_FONT,
        [this] {
            if (auto* v = m_frame.GetTextView()) v->OnViewFont();
        },
        [this](CCmdUI& ui) { ui.Enable(m_frame.GetTextView() != nullptr); });
    COrvDoc& doc = m_frame.GetDocument();
    t.SetHandler(
        ID_VIEW_EXPANDALL, [this, &doc] { orv::OnExpandAll(doc, m_frame); },
        [&doc](CCmdUI& ui) { ui.Enable(orv::OnUpdateExpandAll(doc)); });
    t.SetHandler(
        ID_VIEW_COLLAPSEALL, [this, &doc] { orv::OnCollapseAll(doc, m_frame); },
        [&doc](CCmdUI& ui) { ui.Enable(orv::OnUpdateCollapseAll(doc)); });
}

// --- help, panes and keys -------------------------------------------------------

void CFrameCommands::BuildWindowCommands(CCommandTable& t) {
    t.SetHandler(
        ID_HELP_CONTENTS, [this] { OnHelpContents(); }, Always);
    t.SetHandler(
        ID_APP_ABOUT, [this] { OnAppAbout(); }, Always);
    t.SetHandler(
        ID_NEXT_PANE, [this] { OnNextPane(true); }, Always);
    t.SetHandler(
        ID_PREV_PANE, [this] { OnNextPane(false); }, Always);
    t.SetHandler(
        ID_SCROLL_PAGE, [this] { OnScrollPage(true); }, Always);

    // Keys without a menu item work anywhere in the window.
    for (int id : {ID_NEXT_PANE, ID_PREV_PANE, ID_SCROLL_PAGE, ID_FILE_PRINT_DIRECT})
        m_frame.addAction(t.Action(id));
    // Shift+Space: ID_SCROLL_PAGE backward, an action of its own.
    auto* backward = new QAction(&m_frame);
    backward->setObjectName(QStringLiteral("cmd110shift"));
    backward->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Space));
    QObject::connect(backward, &QAction::triggered, &m_frame, [this] { OnScrollPage(false); });
    m_frame.addAction(backward);
}

void CFrameCommands::FollowState() {
    CCommandTable* t = &m_frame.Commands();
    CTitleTreeView* tree = m_frame.GetTreeView();
    if (tree && tree->selectionModel())
        QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, t,
                         &CCommandTable::UpdateAll);
    if (CTextView* text = m_frame.GetTextView())
        QObject::connect(text, &QPlainTextEdit::copyAvailable, t, &CCommandTable::UpdateAll);
    QObject::connect(qApp, &QApplication::focusChanged, t, &CCommandTable::UpdateAll);
    QObject::connect(&m_frame, &CMainFrame::DocumentChanged, t, &CCommandTable::UpdateAll);
}

void CFrameCommands::OnScrollPage(bool forward) {
    if (m_frame.Find().HandleSpace()) return;
    if (CTextView* v = m_frame.GetTextView()) v->ScrollPage(forward);
}

void CFrameCommands::OnNextPane(bool) {
    // Two panes: either key moves the focus to the other one.
    CTitleTreeView* tree = m_frame.GetTreeView();
    CTextView* text = m_frame.GetTextView();
    if (!tree || !text) return;
    if (tree->hasFocus())
        text->setFocus(Qt::OtherFocusReason);
    else
        tree->setFocus(Qt::OtherFocusReason);
}

void CFrameCommands::OnAppAbout() {
    CAboutDlg dlg(&m_frame);
    dlg.exec();
}

void CFrameCommands::OnHelpContents() {
    // "orv.chm" beside the program, opened by the desktop; nothing is said
    // when it is missing or cannot be shown.
    const QString help =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("orv.chm"));
    if (QFileInfo(help).isFile()) QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

}  // namespace orv
