// The search-string box of the search bar: an editable drop-down list whose
// entries are the recent search texts, latest first.
#pragma once

#include <QComboBox>
#include <QFont>
#include <functional>

namespace orv {

class CFindStrCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kMaxHistory = 20;

    explicit CFindStrCombo(QWidget* parent = nullptr);

    // Gives the box its style (editable field with a list, no sorting, no
    // insertion of its own), its font ("MS UI Gothic", 9 points), the
    // geometry rect and the control id. False when the font cannot be made.
    bool Create(const QRect& rect, int id);

    // What the keys of the box reach: the find commands (Enter, Shift+Enter)
    // and the window that takes the focus after a text is recorded.
    using FindHandler = std::function<void(bool previous)>;
    using FocusTarget = std::function<QWidget*()>;
    void SetFindHandler(FindHandler handler) { m_onFind = std::move(handler); }
    void SetFocusTarget(FocusTarget target) { m_focusTarget = std::move(target); }

    // Records the current text at the top of the history (an entry equal to
    // it without regard to case gives way), keeps at most kMaxHistory
    // entries, and moves the focus to the focus target.
    void UpdateHistory();

    // The field's text.
    QString FieldText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Key handling of the box and its field; true when the key is used up.
    bool PreTranslateKey(QKeyEvent* key);
    // Keys in the dropped-down list.
    bool PopupKey(QKeyEvent* key);
    void WatchChildren();

    QFont m_font;
    FindHandler m_onFind;
    FocusTarget m_focusTarget;
};

}  // namespace orv
