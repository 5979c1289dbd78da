#include "app/aboutdlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

QString CAboutDlg::VersionText() {
    return QStringLiteral("Orv's Meeting log viewer  Version 2.30");
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    QFont f(QStringLiteral("MS UI Gothic"));
    f.setPointSize(9);
    setFont(f);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(QIcon(QStringLiteral(":/res/orv.png")).pixmap(32, 32));
    auto* text = new QLabel(VersionText(), this);
    text->setObjectName(QStringLiteral("aboutText"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(text, 1, Qt::AlignVCenter);
    row->addSpacing(12);
    row->addWidget(ok, 0, Qt::AlignTop);
    auto* top = new QVBoxLayout(this);
    top->addLayout(row);
    top->setContentsMargins(14, 14, 14, 14);
    setFixedSize(sizeHint().expandedTo(QSize(340, 80)));
}

}  // namespace orv
