#include "app/findstrcombo.h"

#include <QAbstractItemView>
#include <QDebug>
#include <QKeyEvent>
#include <QLineEdit>

namespace orv {

CFindStrCombo::CFindStrCombo(QWidget* parent) : QComboBox(parent) {}

bool CFindStrCombo::Create(const QRect& rect, int id) {
    // An editable one-line field with a list; the list keeps the order in
    // which UpdateHistory puts the entries, and Enter adds nothing by itself.
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);  // the field completes nothing by itself
    setDuplicatesEnabled(false);
    setFocusPolicy(Qt::StrongFocus);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setProperty("controlId", id);
    setObjectName(QStringLiteral("findString"));
    // The field scrolls sideways under a long text (as a line edit does);
    // the dropped list takes about ten heights of the field below it.
    setMaxVisibleItems(10);

    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPointSize(9);
    if (font.pointSize() <= 0) {
        qDebug().noquote() << QStringLiteral("CFindStrCombo-OnCreate : フォントの生成失敗");
        return false;
    }
    m_font = font;
    setFont(m_font);

    setGeometry(rect);
    setFixedWidth(rect.width());
    // Files dropped on the field go to the main window (open or import),
    // not into the text.
    if (QLineEdit* edit = lineEdit()) edit->setAcceptDrops(false);
    setAcceptDrops(false);
    WatchChildren();
    return true;
}

void CFindStrCombo::WatchChildren() {
    installEventFilter(this);
    if (QLineEdit* edit = lineEdit()) edit->installEventFilter(this);
    if (QAbstractItemView* list = view()) list->installEventFilter(this);
}

QString CFindStrCombo::FieldText() const { return lineEdit() ? lineEdit()->text() : currentText(); }

void CFindStrCombo::UpdateHistory() {
    // The field's text: an entry chosen from the list stands in the field,
    // and one edited after it was chosen is recorded as edited, the text
    // that is searched.
    const QString text = FieldText();
    if (!text.isEmpty()) {
        const int same = findText(text, Qt::MatchFixedString);  // without regard to case
        if (same >= 0) removeItem(same);
        insertItem(0, text);
        setCurrentIndex(0);
        // A removed current entry may have changed the field on the way.
        if (FieldText() != text) setEditText(text);
        while (count() > kMaxHistory) removeItem(count() - 1);
    }
    if (QWidget* target = m_focusTarget ? m_focusTarget() : nullptr)
        target->setFocus(Qt::OtherFocusReason);
}

bool CFindStrCombo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == view()) {
            if (PopupKey(key)) return true;
        } else if (watched == this || watched == lineEdit()) {
            if (PreTranslateKey(key)) return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

bool CFindStrCombo::PreTranslateKey(QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers();
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            const bool previous = mods & Qt::ShiftModifier;
            UpdateHistory();
            // Straight to the document's command: the command states do not
            // stop a search started from the field.
            if (m_onFind) m_onFind(previous);
            return true;
        }
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            UpdateHistory();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!(mods & (Qt::AltModifier | Qt::ControlModifier)) && !view()->isVisible()) {
                showPopup();
                return true;
            }
            return false;
        default:
            return false;
    }
}

bool CFindStrCombo::PopupKey(QKeyEvent* key) {
    // Enter in the open list takes the highlighted entry into the field and
    // then does what Enter in the field does; Tab and Esc close the list and
    // then record the field's text as they do in the field.
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            const QModelIndex chosen = view()->currentIndex();
            hidePopup();
            if (chosen.isValid()) setCurrentIndex(chosen.row());
            return PreTranslateKey(key);
        }
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            hidePopup();
            return PreTranslateKey(key);
        default:
            return false;
    }
}

}  // namespace orv
