#include "app/framefind.h"

#include <QLineEdit>
#include <vector>

#include "app/commands.h"
#include "app/findbar.h"
#include "app/findstrcombo.h"
#include "app/librarypane.h"
#include "app/mainframe.h"
#include "app/settings.h"
#include "search/findall.h"
#include "search/findengine.h"
#include "views/findresultspane.h"
#include "views/textview.h"
#include "views/titletreeview.h"

namespace orv {

using namespace cmd;

CFrameFind::CFrameFind(CMainFrame& frame) : m_frame(frame) {
    m_findContext.SetTextSource([this] { return GetFindText().toStdString(); });
    m_findContext.SetOptionStore(m_pFindOption);
}

// --- the search bar and the results pane ------------------------------------

bool CFrameFind::CreateFindBar() {
    // The search bar (IDW_FINDBAR) below the tool bar: the search-string
    // box, then the buttons of the find commands and the search options.
    auto* bar = new CFindBar(&m_frame);
    bar->setObjectName(QStringLiteral("findBar"));
    bar->setProperty("controlId", static_cast<int>(IDW_FINDBAR));
    bar->setIconSize(QSize(16, 16));
    m_frame.Commands().FillToolBar(bar, FindBarLayout());
    if (!bar->Initialize(QStringLiteral("検索"))) return false;
    CFindStrCombo* combo = bar->Combo();
    combo->SetFocusTarget([this]() -> QWidget* { return m_frame.GetTreeView(); });
    // Enter and Shift+Enter go straight to the document's find commands.
    combo->SetFindHandler([this](bool previous) {
        OnFindStep(previous);
        m_frame.Commands().UpdateAll();
    });
    m_pFindBar = bar;
    return true;
}

void CFrameFind::CreateFindResults() {
    // Below the panes the first time, hidden until a find all fills it.
    auto* pane = new CFindResultsPane(&m_frame);
    m_frame.addDockWidget(Qt::BottomDockWidgetArea, pane);
    pane->hide();
    QObject::connect(
        pane, &CFindResultsPane::Picked, &m_frame,
        [this](TreeItem item, const CComment* record) { ShowFindResult(item, record); });
    m_pResults = pane;
}

void CFrameFind::ClearFindResults() {
    if (m_pResults) m_pResults->Clear();
}

void CFrameFind::ToggleFindResults() {
    if (m_pResults->isHidden())
        m_pResults->ShowAtPlace(m_frame);
    else
        m_pResults->hide();
}

bool CFrameFind::HandleSpace() {
    auto* bar = qobject_cast<CFindBar*>(m_pFindBar.data());
    return bar && bar->HandleSpace();
}

void CFrameFind::SaveHistory() {
    if (auto* bar = qobject_cast<CFindBar*>(m_pFindBar.data())) bar->SaveHistory();
}

// --- the search text and options ---------------------------------------------

QString CFrameFind::GetFindText() const {
    auto* bar = qobject_cast<CFindBar*>(m_pFindBar.data());
    return bar ? bar->GetFindString() : QString();
}

void CFrameFind::SetOptionStore(std::uint32_t* option) {
    m_pFindOption = option;
    m_findContext.SetOptionStore(option);
}

CFindContext& CFrameFind::Context(IPrompter* prompter) {
    // The search's own messages pass the search context, which names an
    // unconvertible search text as typed.
    m_findContext.SetPrompter(prompter);
    return m_findContext;
}

// --- find next, previous and all ---------------------------------------------

void CFrameFind::OnFindStep(bool previous) {
    CTitleTreeView* tree = m_frame.GetTreeView();
    COrvDoc& doc = m_frame.GetDocument();
    const TreeItem before = tree ? tree->GetSelectedItem() : kNoItem;
    if (previous)
        OnFindPrev(doc);
    else
        OnFindNext(doc);
    // A hit moved the selection: the message it shows gets its marks.
    if (tree && tree->GetSelectedItem() != before)
        MarkMatches(TypedTextToCp932(GetFindText().toStdString()), *m_pFindOption);
}

void CFrameFind::OnFindAll() {
    // The text is recorded in the history as Enter records it.
    if (auto* bar = qobject_cast<CFindBar*>(m_pFindBar.data())) bar->Combo()->UpdateHistory();
    std::string text = TypedTextToCp932(GetFindText().toStdString());
    const std::uint32_t option = *m_pFindOption;
    COrvDoc& doc = m_frame.GetDocument();
    const std::vector<TreeItem>& items = doc.GetTreeItems();
    const FindAllResult found = FindAll(items, doc.Ports());
    if (found.outcome != SearchOutcome::Found && found.outcome != SearchOutcome::NotFound) return;
    std::vector<CFindResultsModel::Row> rows;
    rows.reserve(found.hits.size());
    CTitleTreeView* tree = m_frame.GetTreeView();
    for (std::size_t i : found.hits) {
        const TreeItem item = items[i];
        rows.push_back({item, tree ? tree->GetItemData(item) : nullptr,
                        static_cast<std::uint32_t>(rows.size())});
    }
    m_pResults->SetResults(std::move(rows), std::move(text), option);
    m_pResults->ShowAtPlace(m_frame);
    m_pResults->raise();
    if (m_pResults->Count() > 0) m_pResults->List()->setFocus(Qt::OtherFocusReason);
}

void CFrameFind::ShowFindResult(TreeItem item, const CComment* record) {
    CTitleTreeView* tree = m_frame.GetTreeView();
    // A row of a tree since rebuilt names nothing any more.
    if (!tree || !record || tree->GetItemData(item) != record) return;
    tree->SelectItem(item);
    CTextView* view = m_frame.GetTextView();
    if (view && view->GetComment() == record)
        MarkMatches(m_pResults->SearchText(), m_pResults->SearchOption());
    m_frame.Commands().UpdateAll();
}

// --- the library search -------------------------------------------------------

void CFrameFind::OnFindLibrary() {
    CLibraryPane* pane = LibraryPane();
    pane->show();
    pane->raise();
    pane->Field()->setFocus(Qt::OtherFocusReason);
}

CLibraryPane* CFrameFind::LibraryPane() {
    if (!m_pLibrary) {
        QList<QAction*> options;
        for (int id : {ID_FIND_TITLE, ID_FIND_CONTENT, ID_FIND_AUTHOR, ID_FIND_AUTHORID,
                       ID_FIND_IGNORECASE, ID_FIND_IGNOREWIDTH, ID_FIND_IGNOREKANA})
            options << m_frame.Commands().Action(id);
        m_pLibrary = new CLibraryPane(&m_frame, options, [this] { return *m_pFindOption; });
        m_pLibrary->SetFolders(
            settings::ReadString(settings::kSecSettings, QStringLiteral("LibraryFolders"))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts));
        QObject::connect(m_pLibrary, &CLibraryPane::Picked, &m_frame,
                         [this](const QString& path, std::uint32_t ordinal, std::int32_t number,
                                const std::string& text, std::uint32_t option) {
                             ShowLibraryResult(path, ordinal, number, text, option);
                         });
    }
    return m_pLibrary;
}

void CFrameFind::SaveLibraryFolders() {
    if (m_pLibrary)
        settings::WriteString(settings::kSecSettings, QStringLiteral("LibraryFolders"),
                              m_pLibrary->Folders().join(QLatin1Char('\n')));
}

void CFrameFind::ShowLibraryResult(const QString& path, std::uint32_t ordinal, std::int32_t number,
                                   const std::string& textCp932, std::uint32_t findOption) {
    if (!m_frame.OpenDocumentFile(path)) return;
    CTitleTreeView* tree = m_frame.GetTreeView();
    if (!tree) return;
    const std::vector<TreeItem>& items = m_frame.GetDocument().GetTreeItems();
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
    m_frame.Commands().UpdateAll();
}

void CFrameFind::MarkMatches(const std::string& textCp932, std::uint32_t findOption) {
    CTextView* view = m_frame.GetTextView();
    if (!view || !view->GetComment()) return;
    CMatchFinder finder(findOption, textCp932);
    view->SetMatchRanges(FindRecordRanges(*view->GetComment(), findOption, finder));
}

}  // namespace orv
