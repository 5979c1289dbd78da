// The main frame's search: the search bar and its typed text, the option
// word, find next and previous with the matches marked in the message
// shown, find all with its results pane, and the search context that the
// document's search reads.
#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <string>

#include "core/ports.h"
#include "search/findcontext.h"
#include "search/findoption.h"

namespace orv {

class CComment;
class CFindResultsPane;
class CLibraryPane;
class CMainFrame;
class CNameToolBar;

class CFrameFind {
public:
    explicit CFrameFind(CMainFrame& frame);

    // The search bar below the tool bar, false when it could not be made;
    // until it exists GetFindText is empty.
    bool CreateFindBar();
    // The results pane of find all, docked below the panes and hidden.
    void CreateFindResults();
    CNameToolBar* FindBar() const { return m_pFindBar.data(); }
    CFindResultsPane* FindResults() const { return m_pResults.data(); }

    // The search text as typed in the search bar, as CP932 bytes (for the
    // search) or as text; empty while the window has no search bar.
    std::string GetFindString() { return m_findContext.GetFindString(); }
    QString GetFindText() const;
    std::uint32_t GetFindOption() const { return *m_pFindOption; }
    // The application's search option word (the frame's own copy otherwise).
    void SetOptionStore(std::uint32_t* option);
    void ToggleFindOption(std::uint32_t bit) { *m_pFindOption ^= bit; }
    // The document's search port, which sends its messages to prompter.
    CFindContext& Context(IPrompter* prompter);

    // Find next or previous; a hit is shown with its matches marked.
    void OnFindStep(bool previous);
    // Records the search text as Enter does and lists every hit in the
    // results pane.
    void OnFindAll();
    // Selects a listed hit in the tree and marks its matches.
    void ShowFindResult(TreeItem item, const CComment* record);
    // Empties the results pane (the records it names may be about to go).
    void ClearFindResults();
    void ToggleFindResults();

    // 移動 > ライブラリを検索: shows the library pane, its search field
    // focused. The pane is made when first asked for, with the folders the
    // settings keep.
    void OnFindLibrary();
    CLibraryPane* LibraryPane();
    // Opens a document found by the library search (as 開く does) and
    // shows the message at ordinal in tree order (or, when the document
    // changed since, the first with that number), its matches marked.
    void ShowLibraryResult(const QString& path, std::uint32_t ordinal, std::int32_t number,
                           const std::string& textCp932, std::uint32_t findOption);
    void SaveLibraryFolders();

    // Space in the search bar's box is typed there: true when it took it.
    bool HandleSpace();
    void SaveHistory();

private:
    // Marks the matches of a search in the message the text view shows.
    void MarkMatches(const std::string& textCp932, std::uint32_t findOption);

    CMainFrame& m_frame;
    QPointer<CNameToolBar> m_pFindBar;      // the frame's child, once made
    QPointer<CFindResultsPane> m_pResults;  // the frame's child
    QPointer<CLibraryPane> m_pLibrary;      // the frame's child, once asked for
    std::uint32_t m_nFindOptionOwn = FIND_DEFAULT;
    std::uint32_t* m_pFindOption = &m_nFindOptionOwn;
    // The typed search text in CP932 for the search, between the document
    // and the prompter.
    CFindContext m_findContext;
};

}  // namespace orv
