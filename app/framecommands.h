// The main frame's command wiring: the menu bar with the recent files in
// their place, and for every command id of the table its handler and its
// update handler, the keys without a menu item, and the signals after which
// the command states are brought up to date.
#pragma once

class QActionGroup;

namespace orv {

class CMainFrame;

namespace cmd {
class CCommandTable;
}

class CFrameCommands {
public:
    explicit CFrameCommands(CMainFrame& frame);

    // The menu bar of the window, the recent files after the first one.
    void BuildMenuBar();
    // Binds every command to what it does and when it is enabled or
    // checked, then brings every state up to date.
    void Build();

    // ID_SCROLL_PAGE: Space (forward) or Shift+Space (backward) pages the
    // message text, unless the search bar's box takes the Space.
    void OnScrollPage(bool forward);

private:
    void BuildFileCommands(cmd::CCommandTable& t);
    void BuildRecentFileCommands(cmd::CCommandTable& t);
    void BuildEditCommands(cmd::CCommandTable& t);
    void BuildFindCommands(cmd::CCommandTable& t);
    void BuildViewCommands(cmd::CCommandTable& t);
    void BuildWindowCommands(cmd::CCommandTable& t);
    // Command states follow the selection, the text selection, the focus
    // and the document.
    void FollowState();

    void OnAppAbout();
    void OnHelpContents();
    void OnNextPane(bool forward);

    CMainFrame& m_frame;
    QActionGroup* m_pModeGroup = nullptr;  // the frame's child
};

}  // namespace orv
