// The installer's About box: its icon, name and version.
#pragma once

#include <QDialog>

namespace orvinst {

class CInstallerAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CInstallerAboutDlg(QWidget* pParent = nullptr);
};

}  // namespace orvinst
