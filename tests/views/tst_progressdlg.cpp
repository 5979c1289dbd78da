// The progress dialog: modes, labels, the blocked owner, the ways to ask
// for a cancel, and a cancel asked during a real import.
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/progressdlg.h"
#include "viewtestutil.h"

using namespace orv;
using namespace orv::test;

namespace {

void PostKey(QWidget* w, int key) {
    // The event queue owns posted events.
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

// Makes real progress dialogs and presses Escape in each import dialog as
// soon as it exists.
class EscapeFactory : public IProgressFactory {
public:
    explicit EscapeFactory(QWidget* owner) : m_owner(owner) {}
    std::unique_ptr<IProgressDlg> CreateProgress(bool cancelMode) override {
        auto dlg = std::make_unique<CProgressDlg>();
        dlg->Create(m_owner, cancelMode);
        dlg->SetPumpInterval(0);
        live = dlg.get();
        ownerDisabledDuring = ownerDisabledDuring || CProgressDlg::BlocksInput(m_owner);
        if (pressEscape) PostKey(dlg.get(), Qt::Key_Escape);
        pressEscape = false;
        return dlg;
    }
    bool pressEscape = true;
    CProgressDlg* live = nullptr;
    bool ownerDisabledDuring = false;

private:
    QWidget* m_owner;
};

// Answers 60009 with No the first time (and presses Escape again), Yes
// the second time.
class CancelPrompter : public FakePrompter {
public:
    EscapeFactory* factory = nullptr;
    MsgAnswer MessageBox(int id, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override {
        FakePrompter::MessageBox(id, text, icon, buttons);
        if (id != 60009) return MsgAnswer::Ok;
        if (++asked == 1) {
            PostKey(factory->live, Qt::Key_Escape);
            return MsgAnswer::No;
        }
        return MsgAnswer::Yes;
    }
    int asked = 0;
};

}  // namespace

class TestProgressDlg : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void progressModeLabels() {
        QWidget owner;
        owner.show();
        CProgressDlg dlg;
        QVERIFY(dlg.Create(&owner, false));
        dlg.SetPumpInterval(0);
        QCOMPARE(dlg.windowTitle(), QStringLiteral(u"経過"));
        auto* bar = dlg.findChild<QProgressBar*>();
        auto* cancel = dlg.findChild<QPushButton*>();
        QVERIFY(bar->isVisibleTo(&dlg));
        QVERIFY(!cancel->isVisibleTo(&dlg));
        QCOMPARE(dlg.PercentText(), QStringLiteral(" 0 %"));
        dlg.SetCaption(std::string("sample.log 取り込み中！"));
        QCOMPARE(dlg.CaptionText(), QStringLiteral(u"sample.log 取り込み中！"));
        dlg.SetPos(0);
        QCOMPARE(dlg.PercentText(), QStringLiteral("0%"));
        dlg.SetPos(42);
        QCOMPARE(dlg.PercentText(), QStringLiteral("42%"));
        QCOMPARE(bar->value(), 42);
        dlg.SetPos(100);
        QCOMPARE(dlg.PercentText(), QStringLiteral("100%"));
        QCOMPARE(dlg.OffsetPos(-50), 100);
        QCOMPARE(dlg.PercentText(), QStringLiteral("50%"));
        dlg.SetStep(30);
        QCOMPARE(dlg.StepIt(), 50);
        QCOMPARE(dlg.GetPos(), 80);
    }

    void rangeIsSixteenBitAndScalesThePercentage() {
        CProgressDlg dlg;
        dlg.SetRange(100, 300);
        QVERIFY(dlg.Create(nullptr, false));
        dlg.SetPos(150);
        QCOMPARE(dlg.PercentText(), QStringLiteral("25%"));
        dlg.SetRange(5, 5);      // upper not above lower: ignored
        dlg.SetRange(0, 70000);  // beyond 16 bits: ignored
        dlg.SetPos(299);
        QCOMPARE(dlg.PercentText(), QStringLiteral("99%"));
        // A position past either end (a log that grew while read) stands
        // at that end.
        const std::pair<int, QString> beyond[] = {{301, QStringLiteral("100%")},
                                                  {1000000, QStringLiteral("100%")},
                                                  {99, QStringLiteral("0%")},
                                                  {-5, QStringLiteral("0%")}};
        for (const auto& [pos, text] : beyond) {
            dlg.SetPos(pos);
            QCOMPARE(dlg.PercentText(), text);
            QVERIFY(dlg.GetPos() >= 100 && dlg.GetPos() <= 300);
        }
    }

    void cancelModeShowsCaptionAndCancelOnly() {
        CProgressDlg dlg;
        QVERIFY(dlg.Create(nullptr, true));
        QVERIFY(dlg.IsCancelMode());
        QVERIFY(!dlg.findChild<QProgressBar*>()->isVisibleTo(&dlg));
        QVERIFY(dlg.findChild<QPushButton*>()->isVisibleTo(&dlg));
        const auto labels = dlg.findChildren<QLabel*>();
        int shown = 0;
        for (QLabel* l : labels) shown += l->isVisibleTo(&dlg) ? 1 : 0;
        QCOMPARE(shown, 1);
        dlg.findChild<QPushButton*>()->click();
        QVERIFY(dlg.CheckCancel());
        QVERIFY(!dlg.CheckCancel());  // the request is cleared by the poll
    }

    void ownerTakesNoInputWhileTheDialogExists() {
        QMainWindow owner;
        owner.menuBar()->addMenu(QStringLiteral("File"));
        auto* central = new QWidget(&owner);  // Qt children of owner
        auto* layout = new QHBoxLayout(central);
        auto* child = new QLineEdit(central);
        auto* other = new QLineEdit(central);
        auto* button = new QPushButton(QStringLiteral("go"), central);
        layout->addWidget(child);
        layout->addWidget(other);
        layout->addWidget(button);
        owner.setCentralWidget(central);
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        owner.resize(400, 200);
        owner.show();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        // A click as the window system delivers it.
        auto clickButton = [&] {
            QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, {},
                              button->mapTo(&owner, button->rect().center()));
            QCoreApplication::processEvents();
        };
        {
            CProgressDlg dlg;
            QVERIFY(dlg.Create(child, false));  // the top-level window is blocked
            QVERIFY(dlg.IsOwnerDisabled());
            QVERIFY(CProgressDlg::BlocksInput(&owner));
            // Blocked, not disabled: the window keeps its look.
            QVERIFY(owner.isEnabled());
            QVERIFY(dlg.isEnabled());
            clickButton();
            QCOMPARE(clicks, 0);
            // Over the client area, below the menu bar.
            QCOMPARE(dlg.pos(), owner.mapToGlobal(QPoint(0, owner.menuBar()->height())));
            {
                // A second dialog finds its owner blocked and leaves it so.
                CProgressDlg inner;
                QVERIFY(inner.Create(&owner, false));
                QVERIFY(!inner.IsOwnerDisabled());
            }
            QVERIFY(CProgressDlg::BlocksInput(&owner));
            clickButton();
            QCOMPARE(clicks, 0);
        }
        QVERIFY(!CProgressDlg::BlocksInput(&owner));
        // The widget that had the keyboard focus has it again.
        QTRY_VERIFY(other->hasFocus());
        clickButton();
        QCOMPARE(clicks, 1);
    }

    void escapeAndCloseAskToCancelEnterDoesNothing() {
        CProgressDlg dlg;
        QVERIFY(dlg.Create(nullptr, false));
        dlg.SetPumpInterval(0);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTest::keyClick(&dlg, Qt::Key_Enter);
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.CheckCancel());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.CheckCancel());
        QVERIFY(!dlg.CheckCancel());
        dlg.close();
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.CheckCancel());
        // A posted key arrives through the poll itself.
        PostKey(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.CheckCancel());
    }

    void withoutCreateNothingHappens() {
        CProgressDlg dlg;
        dlg.SetPos(50);
        QCOMPARE(dlg.PercentText(), QStringLiteral(" 0 %"));
        QVERIFY(!dlg.CheckCancel());
        QVERIFY(!dlg.isVisible());
    }

    void escapeDuringAnImportAsks60009() {
        QWidget owner;
        owner.show();
        TempDir dir;
        std::vector<Msg> msgs;
        for (int n = 1; n <= 40; ++n) msgs.push_back({n, -1, "t", "a\nb\nc\nd"});
        EscapeFactory factory(&owner);
        CancelPrompter prompter;
        prompter.factory = &factory;
        TestHost host;
        COrvDoc doc;
        ImportInto(doc, host, dir, msgs, &prompter, &factory);
        // No goes on, a later request asks again, Yes stops with 60008.
        QCOMPARE(prompter.Ids(), (std::vector<int>{60009, 60009, 60008}));
        QCOMPARE(prompter.shown[0].icon, MsgIcon::Information);
        QCOMPARE(prompter.shown[0].buttons, MsgButtons::YesNo);
        QCOMPARE(QString::fromStdString(prompter.shown[0].text),
                 QStringLiteral(u"ログファイルの取り込みを中止しますか？"));
        QVERIFY(doc.GetRootCount() >= 1);
        QVERIFY(doc.GetRootCount() < 40);
        QCOMPARE(doc.LastImportEnd(), COrvDoc::ImportEnd::Cancelled);
        QVERIFY(factory.ownerDisabledDuring);
        QVERIFY(!CProgressDlg::BlocksInput(&owner));              // every dialog is gone
        QCOMPARE(doc.GetTreeItems().size(), doc.GetRootCount());  // rebuilt
    }

    void factoryDialogsFollowTheCoreModes() {
        QWidget owner;
        CProgressFactory factory(&owner);
        auto search = factory.CreateProgress(true);
        auto* dlg = dynamic_cast<CProgressDlg*>(search.get());
        QVERIFY(dlg && dlg->IsCancelMode());
        search.reset();
        QVERIFY(!CProgressDlg::BlocksInput(&owner));
    }
};

QTEST_MAIN(TestProgressDlg)
#include "tst_progressdlg.moc"
