#include "installer/installerdlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "installer/dialogunits.h"
#include "installer/installeraboutdlg.h"
#include "installer/instinfo.h"
#include "installer/inststrings.h"

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace orvinst {

#ifdef Q_OS_WIN
namespace {

// The system command of the About item; the low four bits belong to the system.
constexpr UINT kIdmAboutBox = 0x0010;

}  // namespace
#endif

QIcon InstallerIcon() {
    QIcon icon;
    for (int nSize : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/orvinst/icon%1.png").arg(nSize), QSize(nSize, nSize));
    }
    return icon;
}

CInstallerDlg::CInstallerDlg(const QString& strFolder, QWidget* pParent)
    : QDialog(pParent), m_strFolder(strFolder), m_icon(InstallerIcon()) {
    // A fixed-size dialog with a title, a close box and no other window
    // buttons; without a parent it is a top-level window of its own and so
    // appears in the task bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Orv's インストーラ"));
    setFont(InstallerDialogFont());
    const CDialogUnits du(font());

    m_pStart = new QPushButton(QStringLiteral("開始(&S)"), this);
    m_pStart->setGeometry(du.Rect(101, 144, 50, 14));
    m_pStart->setDefault(true);

    m_pCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    m_pCancel->setGeometry(du.Rect(155, 144, 50, 14));

    m_pName = new QLabel(QStringLiteral("(AppName)"), this);
    m_pName->setGeometry(du.Rect(7, 7, 198, 8));
    m_pName->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pName->setTextFormat(Qt::PlainText);

    m_pInfo = new QPlainTextEdit(this);
    m_pInfo->setGeometry(du.Rect(7, 23, 198, 117));
    m_pInfo->setReadOnly(true);
    m_pInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pInfo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_pInfo->setTabChangesFocus(true);
    // Read-only, but reachable with Tab, so the text can be scrolled and
    // selected from the keyboard.
    m_pInfo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_pInfo->setFocusPolicy(Qt::StrongFocus);

    setTabOrder(m_pStart, m_pCancel);
    setTabOrder(m_pCancel, m_pInfo);

#ifndef Q_OS_WIN
    // Without a system menu to extend, the About box gets a button in the free
    // corner beside the two buttons.
    if (!LoadInstString(IDS_ABOUTBOX).isEmpty()) {
        m_pAbout = new QPushButton(LoadInstString(IDS_ABOUTBOX), this);
        m_pAbout->setGeometry(du.Rect(7, 144, 88, 14));
        m_pAbout->setAutoDefault(false);
        setTabOrder(m_pInfo, m_pAbout);
        connect(m_pAbout, &QPushButton::clicked, this, &CInstallerDlg::OnAbout);
    }
#endif

    connect(m_pStart, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(du.Size(213, 165));
}

bool CInstallerDlg::OnInitDialog() {
    AddAboutToSystemMenu();
    setWindowIcon(m_icon);

    InstInfo info;
    if (!ReadInstInfo(m_strFolder, info)) {
        return false;
    }
    m_strPackage = info.m_strPackage;
    m_strAppName = info.m_strAppName;
    m_strInfo = info.m_strInfo;

    m_pName->setText(m_strAppName);
    m_pInfo->setPlainText(m_strInfo);
    m_pStart->setFocus();
    return true;
}

void CInstallerDlg::OnAbout() {
    CInstallerAboutDlg dlg(this);
    dlg.exec();
}

#ifdef Q_OS_WIN

void CInstallerDlg::AddAboutToSystemMenu() {
    const QString strAbout = LoadInstString(IDS_ABOUTBOX);
    HMENU hMenu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (hMenu != nullptr && !strAbout.isEmpty()) {
        ::AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(hMenu, MF_STRING, kIdmAboutBox, reinterpret_cast<LPCWSTR>(strAbout.utf16()));
    }
}

bool CInstallerDlg::nativeEvent(const QByteArray& eventType, void* pMessage, qintptr* pResult) {
    const MSG* pMsg = static_cast<const MSG*>(pMessage);
    if (eventType == "windows_generic_MSG" && pMsg->message == WM_SYSCOMMAND &&
        (pMsg->wParam & 0xFFF0) == kIdmAboutBox) {
        // Opened after the system command has returned, not inside it.
        QMetaObject::invokeMethod(this, &CInstallerDlg::OnAbout, Qt::QueuedConnection);
        *pResult = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, pMessage, pResult);
}

#else

void CInstallerDlg::AddAboutToSystemMenu() {
    // No system menu to extend: the About button stands in for it.
}

#endif

}  // namespace orvinst
