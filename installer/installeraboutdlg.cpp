#include "installer/installeraboutdlg.h"

#include <QLabel>
#include <QPushButton>

#include "installer/dialogunits.h"
#include "installer/installerdlg.h"

namespace orvinst {

CInstallerAboutDlg::CInstallerAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFont(InstallerDialogFont());
    const CDialogUnits du(font());

    // The icon keeps its own size in pixels, as icons do in dialogs.
    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(InstallerIcon().pixmap(32, 32));
    pIcon->setGeometry(QRect(du.Rect(7, 7, 0, 0).topLeft(), QSize(32, 32)));

    auto* pName = new QLabel(QStringLiteral("orvinst Version 1.00"), this);
    pName->setGeometry(du.Rect(31, 7, 111, 8));

    auto* pLine2 = new QLabel(QStringLiteral("Orv's インストーラ"), this);
    pLine2->setGeometry(du.Rect(31, 20, 111, 8));

    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setGeometry(du.Rect(49, 34, 50, 14));
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    pOk->setFocus();

    setFixedSize(du.Size(149, 55));
}

}  // namespace orvinst
