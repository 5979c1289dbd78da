// The picture shown in the middle of the screen while the main window is
// built: gone after three seconds or at the first key or mouse-button press
// anywhere in the program, which press has no other effect.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace orv {

class CSplashScreen : public QWidget {
    Q_OBJECT
public:
    // Whether a splash may be shown in this run (set once at start).
    static void EnableSplashScreen(bool enable);
    static bool IsEnabled();
    // Shows the splash owned by parent, unless disabled or one exists.
    static void ShowSplashScreen(QWidget* parent);
    // The splash on screen, or null.
    static CSplashScreen* Current();
    // Offered every event before anything else handles it: true when the
    // event was a key or mouse-button press that removed the splash.
    static bool PreTranslateAppMessage(QObject* receiver, QEvent* event);

    // Destroys the splash and repaints the main window at once.
    void HideSplashScreen();

    static constexpr int kDisplayMs = 3000;

protected:
    void paintEvent(QPaintEvent* e) override;
    // The splash watches every event of the application while it exists.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CSplashScreen(QWidget* parent, const QPixmap& picture);

    QPixmap m_bitmap;
    QTimer m_timer;

    static bool s_bEnabled;
    static QPointer<CSplashScreen> s_pCurrent;
};

}  // namespace orv
