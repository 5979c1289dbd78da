#include "app/msgprompter.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <algorithm>

#include "app/settings.h"

namespace orv {

QMessageBox::Icon CMsgPrompter::ToQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Stop:
            return QMessageBox::Critical;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

void CMsgPrompter::KeepLinesWhole(QMessageBox& box) {
    // The box wraps any line wider than half the screen (or 500 pixels),
    // breaking Japanese text at any character. The text's own lines are
    // kept whole as far as the box may grow; a line wider than that still
    // wraps, at a blank where it has one.
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label) return;
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    // The box's own widest size, less its icon and margins.
    const int limit = (screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000)) - 120;
    const QFontMetrics fm(label->font());
    int widest = 0;
    for (const QString& line : box.text().split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    label->setMinimumWidth(std::min(widest + 4, std::max(limit, 0)));
}

MsgAnswer CMsgPrompter::MessageBox(int, const std::string& textUtf8, MsgIcon icon,
                                   MsgButtons buttons) {
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::StandardButton def = QMessageBox::Ok;
    switch (buttons) {
        case MsgButtons::Ok:
            break;
        case MsgButtons::YesNo:
            set = QMessageBox::Yes | QMessageBox::No;
            def = QMessageBox::Yes;
            break;
        case MsgButtons::YesNoCancel:
            set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            def = QMessageBox::Yes;
            break;
    }
    QMessageBox box(ToQtIcon(icon), QString::fromUtf8(settings::kApplication),
                    QString::fromUtf8(textUtf8), set, m_parent);
    box.setDefaultButton(def);
    KeepLinesWhole(box);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        default:
            break;
    }
    // The close box of a Yes/No box answers No; of an OK box, OK.
    return buttons == MsgButtons::Ok      ? MsgAnswer::Ok
           : buttons == MsgButtons::YesNo ? MsgAnswer::No
                                          : MsgAnswer::Cancel;
}

}  // namespace orv
