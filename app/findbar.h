// The search bar: the search-string box with its history, then the buttons
// of find previous and find next, the four search targets and the three
// folding options.
#pragma once

#include <QPointer>

#include "app/findstrcombo.h"
#include "app/nametoolbar.h"

namespace orv {

class CFindBar : public CNameToolBar {
    Q_OBJECT
public:
    static constexpr int kComboWidth = 200;

    explicit CFindBar(QWidget* parent = nullptr);

    // The captioned bar, then the search-string box at the front (with a
    // gap before the buttons already on the bar) and its history loaded
    // from "FindSettings". False when the bar or the box cannot be made.
    bool Initialize(const QString& caption) override;

    // The text of the search-string box.
    QString GetFindString() const;
    // True when the keyboard focus is in the search-string box.
    bool HasFocus() const;
    // Types a space into the box when it has the focus (true); false
    // otherwise, so that the caller does its own Space action.
    bool HandleSpace();
    // Writes the history as "StrNum" and "String0".. of "FindSettings".
    void SaveHistory();

    CFindStrCombo* Combo() { return m_combo; }

private:
    void LoadHistory();

    // Owned as a Qt child of the bar.
    QPointer<CFindStrCombo> m_combo;
};

}  // namespace orv
