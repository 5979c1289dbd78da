#include "app/splashscreen.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace orv {

bool CSplashScreen::s_bEnabled = true;
QPointer<CSplashScreen> CSplashScreen::s_pCurrent;

void CSplashScreen::EnableSplashScreen(bool enable) { s_bEnabled = enable; }

bool CSplashScreen::IsEnabled() { return s_bEnabled; }

CSplashScreen* CSplashScreen::Current() { return s_pCurrent.data(); }

void CSplashScreen::ShowSplashScreen(QWidget* parent) {
    if (!s_bEnabled || s_pCurrent) return;
    const QPixmap picture(QStringLiteral(":/res/splash.png"));
    if (picture.isNull()) return;  // no picture, no splash
    // Parented to the main window (which destroys it at the latest), shown
    // as a frameless window of its own above it.
    auto* splash = new CSplashScreen(parent, picture);
    s_pCurrent = splash;
    splash->show();
    splash->repaint();
    // Let the window system put the picture on screen before the main
    // window's creation goes on; input waits for the event loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

CSplashScreen::CSplashScreen(QWidget* parent, const QPixmap& picture)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_bitmap(picture) {
    setObjectName(QStringLiteral("splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The picture never takes the keyboard from the window behind it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::ArrowCursor);
    const QSize size = m_bitmap.deviceIndependentSize().toSize();
    setFixedSize(size);
    // Centred against the owner when it is visible, else on the screen.
    QRect area;
    if (parent && parent->isVisible())
        area = parent->frameGeometry();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid()) move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSplashScreen::HideSplashScreen);
    m_timer.start(kDisplayMs);
    qApp->installEventFilter(this);
}

bool CSplashScreen::eventFilter(QObject* watched, QEvent* event) {
    return PreTranslateAppMessage(watched, event);
}

void CSplashScreen::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_bitmap);
}

void CSplashScreen::HideSplashScreen() {
    m_timer.stop();
    if (s_pCurrent == this) s_pCurrent = nullptr;
    QWidget* owner = parentWidget();
    // Where the picture held the keyboard, it goes back to the window.
    const bool hadFocus = windowHandle() && QGuiApplication::focusWindow() == windowHandle();
    hide();
    deleteLater();
    if (owner && owner->isVisible()) {
        if (hadFocus) owner->activateWindow();
        owner->repaint();
    }
}

bool CSplashScreen::PreTranslateAppMessage(QObject* watched, QEvent* event) {
    CSplashScreen* splash = s_pCurrent.data();
    if (!splash) return false;
    // Input for a progress dialog (an import started from the command line
    // while the splash still shows) is that dialog's own: its first Cancel
    // or Escape must not be spent on the splash.
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->window()->inherits("orv::CProgressDlg"))
        return false;
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Claim the key for the coming key press so that no shortcut fires;
            // the key press then removes the splash and goes no further.
            event->accept();
            return true;
        case QEvent::KeyPress:
            splash->HideSplashScreen();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick: {
            const auto b = static_cast<QMouseEvent*>(event)->button();
            if (b == Qt::LeftButton || b == Qt::RightButton || b == Qt::MiddleButton) {
                splash->HideSplashScreen();
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

}  // namespace orv
