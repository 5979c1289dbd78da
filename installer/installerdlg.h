// The installer's main dialog: the application's name, the information text
// and the buttons 開始 and キャンセル.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orvinst {

class CInstallerDlg : public QDialog {
    Q_OBJECT

public:
    // strFolder is the installer's own folder, where the information file
    // lies and to which the package path is relative.
    explicit CInstallerDlg(const QString& strFolder, QWidget* pParent = nullptr);

    // Reads the information file and shows its texts. Returns false when the
    // file cannot be read; the dialog must not be shown then.
    bool OnInitDialog();

    const QString& PackagePath() const { return m_strPackage; }
    const QString& AppName() const { return m_strAppName; }
    const QString& Info() const { return m_strInfo; }

    QPushButton* StartButton() const { return m_pStart; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QLabel* NameLabel() const { return m_pName; }
    QPlainTextEdit* InfoBox() const { return m_pInfo; }
    // The button that opens the About box where the platform has no system
    // menu to put it in; null otherwise.
    QPushButton* AboutButton() const { return m_pAbout; }

public slots:
    void OnAbout();

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* pMessage, qintptr* pResult) override;
#endif

private:
    void AddAboutToSystemMenu();

    QString m_strFolder;
    QString m_strPackage;
    QString m_strAppName;
    QString m_strInfo;
    QIcon m_icon;

    // Children owned by the dialog.
    QPushButton* m_pStart = nullptr;
    QPushButton* m_pCancel = nullptr;
    QLabel* m_pName = nullptr;
    QPlainTextEdit* m_pInfo = nullptr;
    QPushButton* m_pAbout = nullptr;
};

// The program icon.
QIcon InstallerIcon();

}  // namespace orvinst
