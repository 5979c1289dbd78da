// The command ids of the viewer with their menu texts, status-bar prompts,
// tooltips and keys, the layout of the menu bar and the tool bar, and the
// table that binds each id to a QAction with its handler and update handler.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;

namespace orv::cmd {

enum CommandId : int {
    ID_SCROLL_PAGE = 110,   // Space: page scrolling of the message text
    IDC_FIND_STRING = 107,  // the search-string box of the search bar
    ID_VIEW_TOPBOTTOM = 32771,
    ID_VIEW_SIDEBYSIDE = 32772,
    ID_FILE_IMPORT_LOG = 32773,
    ID_FIND_PREV = 32780,
    ID_FIND_NEXT = 32781,
    ID_VIEW_FONT = 32782,
    ID_FIND_IGNORECASE = 32783,
    ID_EDIT_DELETE_TREE = 32784,
    ID_FIND_TITLE = 32785,
    ID_FIND_CONTENT = 32786,
    ID_HELP_CONTENTS = 32792,
    ID_FIND_IGNOREWIDTH = 32793,
    ID_VIEW_FINDBAR = 32794,
    ID_VIEW_EXPANDALL = 32795,
    ID_VIEW_COLLAPSEALL = 32796,
    ID_FIND_IGNOREKANA = 32797,
    ID_FIND_AUTHOR = 32798,
    ID_FIND_AUTHORID = 32799,
    ID_FIND_ALL = 32800,          // every message that matches, in the results pane
    ID_VIEW_FINDRESULTS = 32801,  // shows or hides the results pane
    ID_FILE_EXPORT_HTML = 32813,  // the document as a folder of HTML pages
    // Reading state: read marks, bookmarks, the last position.
    ID_GO_NEXT_UNREAD = 32840,
    ID_EDIT_MARK_READ = 32841,
    ID_EDIT_MARK_UNREAD = 32842,
    ID_EDIT_MARK_ALL_READ = 32843,
    ID_EDIT_BOOKMARK = 32844,
    ID_GO_BOOKMARKS = 32845,
    ID_GO_LAST_POSITION = 32846,
    ID_VIEW_OPEN_AT_LAST = 32847,
    ID_FIND_LIBRARY = 32814,  // the library search window
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_FILE4 = 57619,
    ID_EDIT_COPY = 57634,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

// Control ids of the frame's children.
enum ControlId : int {
    AFX_IDW_TOOLBAR = 59392,
    AFX_IDW_STATUS_BAR = 59393,
    IDW_FINDBAR = 130,
    AFX_IDW_PANE_FIRST = 59648,
    AFX_IDW_PANE_SIDE = 59649,   // second pane, side by side (row 0, column 1)
    AFX_IDW_PANE_BELOW = 59664,  // second pane, top and bottom (row 1, column 0)
};

struct CommandInfo {
    int id;
    const char* text;    // menu text with its & mnemonic; empty for none
    const char* prompt;  // status-bar prompt, then "\n" and the tooltip
    const char* keys;    // QKeySequence portable text, "; " between several
};

// The entry of id, or null.
const CommandInfo* FindCommand(int id);
const std::vector<CommandInfo>& AllCommands();
// The part of the prompt before "\n" (status bar) and after it (tooltip).
QString StatusPrompt(int id);
QString ToolTip(int id);

// The menu bar, in order. A popup opens a (sub)menu that ends at kEnd.
enum class MenuKind { Popup, Item, Separator, End };
struct MenuEntry {
    MenuKind kind;
    int id;            // Item
    const char* text;  // Popup
};
const std::vector<MenuEntry>& MenuBarLayout();
// Tool bar buttons, 0 for a gap.
const std::vector<int>& ToolBarLayout();
// Search bar buttons, 0 for a gap.
const std::vector<int>& FindBarLayout();

// What an update handler sets on its command.
class CCmdUI {
public:
    explicit CCmdUI(QAction* action) : m_pAction(action) {}
    void Enable(bool on = true);
    // 0 unchecked, 1 checked (a check mark; a radio mark with SetRadio).
    void SetCheck(int check = 1);
    void SetRadio(bool on = true);
    QAction* Action() const { return m_pAction; }

private:
    QAction* m_pAction;
};

using Handler = std::function<void()>;
using UpdateHandler = std::function<void(CCmdUI&)>;

// The QAction of each command id, with its texts, keys and icon, its
// handler and its update handler. A command without a handler is greyed.
class CCommandTable : public QObject {
    Q_OBJECT
public:
    explicit CCommandTable(QObject* parent);

    // The action of id, made on first use from the command's entry.
    QAction* Action(int id);
    void SetHandler(int id, Handler handler, UpdateHandler update = {});
    bool HasHandler(int id) const;
    // Runs the update handler of id and then, when the command is enabled,
    // its handler; false when it did not run.
    bool Execute(int id);
    // Runs every update handler.
    void UpdateAll();
    void Update(int id);

    // Builds the menu bar from MenuBarLayout into bar; the menu of the recent
    // files is reported through recentMenu (the menu that holds ID_FILE_MRU_FILE1).
    void BuildMenuBar(QMenuBar* bar, QMenu** recentMenu = nullptr);
    void FillToolBar(QToolBar* bar, const std::vector<int>& layout);

signals:
    // After every command that ran.
    void Executed(int id);

private:
    struct Entry {
        QAction* action = nullptr;
        Handler handler;
        UpdateHandler update;
    };
    Entry& Get(int id);

    std::map<int, Entry> m_entries;
};

}  // namespace orv::cmd
