// The About box: the application icon, the version line and OK.
#pragma once

#include <QDialog>

namespace orv {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    static QString VersionText();
};

}  // namespace orv
