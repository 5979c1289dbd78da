#include "app/nametoolbar.h"

#include <QDebug>

namespace orv {

CNameToolBar::CNameToolBar(QWidget* parent) : QToolBar(parent) {}

bool CNameToolBar::Initialize(const QString& caption) {
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPointSize(9);
    if (font.pointSize() <= 0) {
        qDebug().noquote() << QStringLiteral("CNameToolBar-Initialize : フォント作成失敗");
        return false;
    }
    m_font = font;
    setFont(m_font);
    update();
    setWindowTitle(caption);
    return true;
}

}  // namespace orv
