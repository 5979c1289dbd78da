// The splitter of the main window: the title tree in the first pane and the
// message text in the second, side by side (view mode 1) or one above the
// other (view mode 0).
//
// Each orientation keeps its own first-pane size (the "ideal size") and a
// minimum: a first pane whose ideal size falls below its minimum is not
// shown (size 0) and its ideal size becomes 0; the second pane takes the
// rest. The second pane's control id follows the layout.
#pragma once

#include <QSplitter>

namespace orv {

class CViewSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit CViewSplitter(QWidget* parent = nullptr);

    // Puts the two panes in: first the tree, second the text. Starts side by
    // side with both first-pane sizes 100 and minimum 0.
    bool Create(QWidget* first, QWidget* second);

    // 1 side by side, 0 top and bottom.
    int GetViewMode() const;
    // Switches the layout; returns the mode in force before. The mode that
    // is already in force, or a value other than 0 and 1, changes nothing.
    int SetViewMode(int mode);

    // Ideal size and minimum of the first pane in view mode `mode`.
    void SetFirstPaneSize(int mode, int ideal, int minimum);
    int IdealSize(int mode) const { return m_ideal[mode == 0 ? 0 : 1]; }
    // The current size in pixels of the first pane.
    int FirstPaneSize() const;

    // Applies the ideal sizes to the panes (the layout calculation).
    void RecalcLayout();
    // The control id of pane i (0 or 1).
    int PaneId(int i) const;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void OnSplitterMoved(int pos, int index);

    int m_ideal[2] = {100, 100};
    int m_min[2] = {0, 0};
    bool m_bLayingOut = false;
};

}  // namespace orv
