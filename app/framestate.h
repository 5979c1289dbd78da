// The main frame's placement and bar state between runs: the window's
// rectangle and maximized state ("WindowPos 2"), the view mode and the
// split, the tool bar, search bar and status bar with the dock layout, and
// the place of the results pane of find all.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>

namespace orv {

class CMainFrame;

// The platform's window-placement record as "WindowPos 2" keeps it.
struct WindowPlacement {
    std::uint32_t flags = 0;    // kRestoreToMaximized or 0
    std::uint32_t showCmd = 1;  // kShowNormal, kShowMinimized or kShowMaximized
    int minX = -1, minY = -1, maxX = -1, maxY = -1;
    QRect normal;  // the restored window's rectangle

    static constexpr std::uint32_t kRestoreToMaximized = 2;
    static constexpr std::uint32_t kShowNormal = 1;
    static constexpr std::uint32_t kShowMinimized = 2;
    static constexpr std::uint32_t kShowMaximized = 3;
    QString ToString() const;
    // All ten numbers or nothing.
    static bool FromString(const QString& text, WindowPlacement& out);
};

class CFrameState {
public:
    // Reads whether the window was closed maximized; nothing is applied yet.
    explicit CFrameState(CMainFrame& frame);

    // Placement read from "WindowPos 2"; false when absent or unparsable.
    static bool ReadWindowPlacement(WindowPlacement& wp);
    bool StartsMaximized() const { return m_bStartMaximized; }

    // The view mode and split of the last run, given to the splitter.
    void LoadSplit();
    // The restored rectangle of the last run (moved onto a screen when it
    // lies on none), or the first run's size.
    void LoadPlacement();
    // The bars' visibility and the dock layout of the last run, then the
    // results pane's own place; the pane itself starts hidden.
    void LoadBarState();
    // Everything above, written for the next run.
    void Save();

    static constexpr int kMinSplit = 50;
    static constexpr int kDefaultSplit = 200;

private:
    void LoadBars();
    void SaveBarState();
    void SaveWindowPlacement();

    CMainFrame& m_frame;
    bool m_bStartMaximized = false;
};

}  // namespace orv
