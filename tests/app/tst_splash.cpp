// The splash picture: where it stands, how long, and that the first key or
// click only removes it.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QtTest>

#include "app/progressdlg.h"
#include "app/splashscreen.h"

using namespace orv;

class TestSplash : public QObject {
    Q_OBJECT

    struct Window {
        QWidget w;
        QLineEdit* edit;
        QPushButton* button;
        QAction* action;
        Window() {
            auto* l = new QVBoxLayout(&w);
            edit = new QLineEdit(&w);
            button = new QPushButton(QStringLiteral("b"), &w);
            l->addWidget(edit);
            l->addWidget(button);
            action = new QAction(&w);
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
            w.addAction(action);
        }
    };

private slots:
    void init() { CSplashScreen::EnableSplashScreen(true); }
    void cleanup() {
        if (CSplashScreen* s = CSplashScreen::Current()) s->HideSplashScreen();
        QTest::qWait(1);
    }

    void showsCentredAndGoesAfterThreeSeconds() {
        QWidget owner;
        CSplashScreen::ShowSplashScreen(&owner);
        CSplashScreen* s = CSplashScreen::Current();
        QVERIFY(s);
        QCOMPARE(s->size(), QSize(520, 150));
        QVERIFY(s->isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(s->geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(s->geometry().center().y() - screen.center().y()) <= 1);
        // Only one at a time.
        CSplashScreen::ShowSplashScreen(&owner);
        QCOMPARE(owner.findChildren<CSplashScreen*>().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!CSplashScreen::Current(), CSplashScreen::kDisplayMs + 1500);
    }

    void disabledShowsNothing() {
        QWidget owner;
        CSplashScreen::EnableSplashScreen(false);
        CSplashScreen::ShowSplashScreen(&owner);
        QVERIFY(!CSplashScreen::Current());
    }

    void firstKeyOnlyRemovesTheSplash() {
        Window win;
        win.w.show();
        win.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&win.w));
        win.edit->setFocus();
        CSplashScreen::ShowSplashScreen(&win.w);
        QVERIFY(CSplashScreen::Current());
        QTest::keyClick(win.edit, Qt::Key_X);
        QVERIFY(!CSplashScreen::Current());
        QCOMPARE(win.edit->text(), QString());
        QTest::keyClick(win.edit, Qt::Key_X);
        QCOMPARE(win.edit->text(), QStringLiteral("x"));
    }

    void keyDoesNotReachShortcuts() {
        Window win;
        win.w.show();
        win.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&win.w));
        QSignalSpy fired(win.action, &QAction::triggered);
        CSplashScreen::ShowSplashScreen(&win.w);
        QTest::keyClick(win.edit, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(!CSplashScreen::Current());
        QCOMPARE(fired.count(), 0);
        QTRY_COMPARE(QApplication::activeWindow(), &win.w);
        QTest::keyClick(win.edit, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(fired.count(), 1);
    }

    void clickIsNotCarriedOut() {
        Window win;
        win.w.show();
        win.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&win.w));
        QSignalSpy clicked(win.button, &QPushButton::clicked);
        CSplashScreen::ShowSplashScreen(&win.w);
        QTest::mouseClick(win.button, Qt::LeftButton);
        QVERIFY(!CSplashScreen::Current());
        QCOMPARE(clicked.count(), 0);
        QTest::mouseClick(win.button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
    }

    void progressDialogKeepsItsFirstCancel() {
        Window win;
        win.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&win.w));
        CSplashScreen::ShowSplashScreen(&win.w);
        CProgressDlg dlg;
        QVERIFY(dlg.Create(&win.w, true));
        dlg.SetPumpInterval(0);
        QPushButton* cancel = nullptr;
        for (QPushButton* b : dlg.findChildren<QPushButton*>())
            if (b->isVisible()) cancel = b;
        QVERIFY(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(dlg.CheckCancel());
        QVERIFY(CSplashScreen::Current());  // the click was the dialog's
        dlg.Destroy();
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
