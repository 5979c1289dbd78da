#include "app/msgprompter.h"

#include "app/settings.h"

#include <QGuiApplication>

namespace orv {

QMessageBox::Icon CMsgPrompter::ToQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Stop: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

MsgAnswer CMsgPrompter::MessageBox(int, const std::string& textUtf8, MsgIcon icon,
                                   MsgButtons buttons) {
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::StandardButton def = QMessageBox::Ok;
    switch (buttons) {
    case MsgButtons::Ok: break;
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
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: break;
    }
    // The close box of a Yes/No box answers No; of an OK box, OK.
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok
           : buttons == MsgButtons::YesNo ? MsgAnswer::No
                                          : MsgAnswer::Cancel;
}

}  // namespace orv
