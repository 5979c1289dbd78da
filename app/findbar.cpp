#include "app/findbar.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <memory>

#include "app/commands.h"
#include "app/settings.h"

namespace orv {
namespace {

constexpr char kValStrNum[] = "StrNum";

QString StringValue(int i) { return QStringLiteral("String%1").arg(i); }

}  // namespace

CFindBar::CFindBar(QWidget* parent) : CNameToolBar(parent) {}

bool CFindBar::Initialize(const QString& caption) {
    if (!CNameToolBar::Initialize(caption)) return false;

    // The box stands in front of the buttons, with a gap after it.
    const QList<QAction*> buttons = actions();
    QAction* first = buttons.isEmpty() ? nullptr : buttons.front();
    auto combo = std::make_unique<CFindStrCombo>();
    const int height = std::max(combo->sizeHint().height(), iconSize().height() + 6);
    if (!combo->Create(QRect(0, 1, kComboWidth, height), cmd::IDC_FIND_STRING)) {
        qDebug().noquote() << QStringLiteral(
            "CFindBar-Initialize : 検索文字列コンボボックスの作成失敗");
        return false;
    }
    combo->setStatusTip(cmd::StatusPrompt(cmd::IDC_FIND_STRING));
    combo->setToolTip(cmd::ToolTip(cmd::IDC_FIND_STRING));
    combo->lineEdit()->setStatusTip(combo->statusTip());
    combo->lineEdit()->setToolTip(combo->toolTip());
    m_combo = combo.get();
    QAction* placeholder = insertWidget(first, combo.release());  // the bar owns it now
    placeholder->setData(static_cast<int>(cmd::IDC_FIND_STRING));
    insertSeparator(first);

    LoadHistory();
    return true;
}

void CFindBar::LoadHistory() {
    const int n = settings::ReadInt(settings::kSecFind, QString::fromUtf8(kValStrNum), 0);
    for (int i = 0; i < n; ++i) {
        const QString s = settings::ReadString(settings::kSecFind, StringValue(i));
        // The list takes entries only at its end: the history ends at the
        // first missing or empty value.
        if (s.isEmpty()) break;
        m_combo->insertItem(i, s);
    }
    // The field starts empty; the entries wait in the list.
    m_combo->setCurrentIndex(-1);
    m_combo->setEditText(QString());
}

QString CFindBar::GetFindString() const { return m_combo ? m_combo->FieldText() : QString(); }

bool CFindBar::HasFocus() const {
    QWidget* focus = QApplication::focusWidget();
    return m_combo && focus && (focus == m_combo || m_combo->isAncestorOf(focus));
}

bool CFindBar::HandleSpace() {
    if (!HasFocus()) return false;
    QWidget* target = m_combo->lineEdit() ? static_cast<QWidget*>(m_combo->lineEdit())
                                          : static_cast<QWidget*>(m_combo.data());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(target, &release);
    return true;
}

void CFindBar::SaveHistory() {
    if (!m_combo) return;
    const int n = m_combo->count();
    settings::WriteInt(settings::kSecFind, QString::fromUtf8(kValStrNum), n);
    for (int i = 0; i < n; ++i)
        settings::WriteString(settings::kSecFind, StringValue(i), m_combo->itemText(i));
}

}  // namespace orv
