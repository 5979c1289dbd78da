// The installer from start to end: the dialog, the buttons and keys, and the
// platform installer it starts, played by a stand-in "msiexec" script put
// first on PATH.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "installer/installeraboutdlg.h"
#include "installer/installerapp.h"
#include "installer/installerdlg.h"
#include "installer/instinfo.h"
#include "installer/inststrings.h"

using namespace orvinst;

namespace {

// The installer with its message boxes recorded instead of shown.
class CRecordingApp : public CInstallerApp {
public:
    using CInstallerApp::CInstallerApp;
    QList<int> m_listMessages;

protected:
    void ShowStopMessage(int nId) override { m_listMessages << nId; }
};

// Acts on the installer's dialog once it is shown modally; remembers
// whether it ever was.
class CDialogDriver {
public:
    explicit CDialogDriver(std::function<void(CInstallerDlg&)> fn) : m_fn(std::move(fn)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* pDlg = qobject_cast<CInstallerDlg*>(QApplication::activeModalWidget());
            if (pDlg != nullptr && pDlg->isVisible()) {
                m_timer.stop();
                m_bShown = true;
                m_fn(*pDlg);
            }
        });
        m_timer.start();
    }
    bool Shown() const { return m_bShown; }

private:
    std::function<void(CInstallerDlg&)> m_fn;
    QTimer m_timer;
    bool m_bShown = false;
};

QByteArray Cp932(const QString& text) {
    QStringEncoder encoder("windows-31j");
    return encoder.encode(text);
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Sends a key to the widget that has the focus in the dialog.
void PressKey(CInstallerDlg& dlg, Qt::Key key) {
    QWidget* pTarget = dlg.focusWidget() != nullptr ? dlg.focusWidget() : &dlg;
    QTest::keyClick(pTarget, key);
}

}  // namespace

class TestInstallerApp : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void unreadableInfoEndsWithMessage1000_data();
    void unreadableInfoEndsWithMessage1000();
    void dialogShowsInformation_data();
    void dialogShowsInformation();
    void startPassesPackageAsOneArgument_data();
    void startPassesPackageAsOneArgument();
    void waitsUntilInstallerEnds();
    void cancelStartsNothing_data();
    void cancelStartsNothing();
    void missingInstallerShowsMessage1001_data();
    void missingInstallerShowsMessage1001();
    void aboutBoxOpens();

private:
    // Puts a stand-in "msiexec" into folder: it writes its arguments,
    // separated by NUL bytes, to the file args, waits nSleepMs and then
    // creates the file ended.
    bool MakeStandIn(const QString& folder, int nSleepMs = 0);
    QStringList RecordedArguments() const;
    QString ArgsPath() const { return m_binDir->filePath(QStringLiteral("args")); }
    QString EndedPath() const { return m_binDir->filePath(QStringLiteral("ended")); }

    std::unique_ptr<QTemporaryDir> m_binDir;    // holds the stand-in, first on PATH
    std::unique_ptr<QTemporaryDir> m_setupDir;  // the installer's folder
    QByteArray m_oldPath;
};

void TestInstallerApp::init() {
    m_binDir = std::make_unique<QTemporaryDir>();
    m_setupDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_binDir->isValid() && m_setupDir->isValid());
    QVERIFY(MakeStandIn(m_binDir->path()));
    m_oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_binDir->path()) + ':' + m_oldPath);
}

void TestInstallerApp::cleanup() {
    qputenv("PATH", m_oldPath);
    m_binDir.reset();
    m_setupDir.reset();
}

bool TestInstallerApp::MakeStandIn(const QString& folder, int nSleepMs) {
    QString script = QStringLiteral("#!/bin/sh\nprintf '%s\\0' \"$@\" > '%1'\n").arg(ArgsPath());
    if (nSleepMs > 0) {
        script += QStringLiteral("sleep %1\n").arg(nSleepMs / 1000.0);
    }
    script += QStringLiteral("touch '%1'\n").arg(EndedPath());
    const QString path = QDir(folder).filePath(QStringLiteral("msiexec"));
    QFile::remove(path);
    return WriteFile(path, script.toUtf8()) &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList TestInstallerApp::RecordedArguments() const {
    QFile file(ArgsPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<not started>")};
    }
    QStringList args;
    for (const QByteArray& arg : file.readAll().split('\0')) {
        args << QString::fromUtf8(arg);
    }
    args.removeLast();  // after the last NUL
    return args;
}

void TestInstallerApp::unreadableInfoEndsWithMessage1000_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("missing file") << false << QByteArray();
    QTest::newRow("empty file") << true << QByteArray();
    QTest::newRow("two lines") << true << QByteArray("App\r\nsetup.msi\r\n");
}

void TestInstallerApp::unreadableInfoEndsWithMessage1000() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    if (exists) {
        QVERIFY(WriteFile(m_setupDir->filePath("InstInfo.txt"), bytes));
    }
    CRecordingApp app(m_setupDir->path());
    CDialogDriver driver([](CInstallerDlg& dlg) { dlg.reject(); });
    QCOMPARE(app.InitInstance(), int(kExitReadFailed));
    QCOMPARE(app.m_listMessages, QList<int>{IDS_READ_INFO_FAILED});
    QVERIFY(!driver.Shown());
    QVERIFY(!QFile::exists(ArgsPath()));
    QVERIFY(LoadInstString(IDS_READ_INFO_FAILED) ==
            QStringLiteral("インストール情報ファイルの読み込みに失敗しました。\n強制終了します。"));
}

void TestInstallerApp::dialogShowsInformation_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("box");
    QTest::newRow("Japanese") << QStringLiteral(
                                     "Orv's 会議室\r\nsetup.msi\r\n一行目\r\n\r\n③ ﾃｷｽﾄ\n")
                              << QStringLiteral("Orv's 会議室")
                              << QStringLiteral("一行目\n\n③ ﾃｷｽﾄ\n");
    // An empty third line still opens the dialog, with an empty-looking box.
    QTest::newRow("empty third line") << QStringLiteral("App\r\nsetup.msi\r\n\r\n")
                                      << QStringLiteral("App") << QStringLiteral("\n");
}

void TestInstallerApp::dialogShowsInformation() {
    QFETCH(QString, file);
    QFETCH(QString, label);
    QFETCH(QString, box);
    QVERIFY(WriteFile(m_setupDir->filePath("InstInfo.txt"), Cp932(file)));
    CRecordingApp app(m_setupDir->path());
    QString shownLabel, shownBox, title;
    bool bFocusOnStart = false;
    bool bInside = true;
    CDialogDriver driver([&](CInstallerDlg& dlg) {
        shownLabel = dlg.NameLabel()->text();
        shownBox = dlg.InfoBox()->toPlainText();
        title = dlg.windowTitle();
        bFocusOnStart = dlg.focusWidget() == dlg.StartButton();
        for (QWidget* pChild : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            bInside = bInside && dlg.rect().contains(pChild->geometry());
        }
        dlg.reject();
    });
    QCOMPARE(app.InitInstance(), int(kExitDone));
    QVERIFY(driver.Shown());
    QCOMPARE(shownLabel, label);
    QCOMPARE(shownBox, box);
    QCOMPARE(title, QStringLiteral("Orv's インストーラ"));
    QVERIFY(bFocusOnStart);
    QVERIFY(bInside);
    QVERIFY(app.m_listMessages.isEmpty());
}

void TestInstallerApp::startPassesPackageAsOneArgument_data() {
    QTest::addColumn<QString>("subfolder");  // the installer's folder below the temporary one
    QTest::addColumn<QString>("line2");
    QTest::addColumn<int>("how");  // 0 click 開始, 1 Enter, 2 Enter in the box

    QTest::newRow("relative, click") << QString() << QStringLiteral("setup.msi") << 0;
    QTest::newRow("relative, Enter") << QString() << QStringLiteral("setup.msi") << 1;
    QTest::newRow("Enter in the box") << QString() << QStringLiteral("setup.msi") << 2;
    QTest::newRow("absolute line 2") << QString() << QStringLiteral("/opt/setup.msi") << 0;
    QTest::newRow("spaces") << QStringLiteral("my setup") << QStringLiteral("orv setup 2.msi") << 0;
    QTest::newRow("quotes and options")
        << QStringLiteral("a \"b") << QStringLiteral("x.msi\" /qn ALLUSERS=\"1") << 0;
    QTest::newRow("shell characters")
        << QString() << QStringLiteral("$(touch pwned); `id` *.msi") << 0;
    QTest::newRow("Japanese name")
        << QStringLiteral("セットアップ") << QStringLiteral("会議室ログ.msi") << 0;
}

void TestInstallerApp::startPassesPackageAsOneArgument() {
    QFETCH(QString, subfolder);
    QFETCH(QString, line2);
    QFETCH(int, how);

    const QString folder =
        subfolder.isEmpty() ? m_setupDir->path() : m_setupDir->filePath(subfolder);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(WriteFile(QDir(folder).filePath("InstInfo.txt"),
                      Cp932("App\r\n" + line2 + "\r\nInfo\r\n")));
    CRecordingApp app(folder);
    CDialogDriver driver([how](CInstallerDlg& dlg) {
        if (how == 0) {
            QTest::mouseClick(dlg.StartButton(), Qt::LeftButton);
        } else if (how == 1) {
            PressKey(dlg, Qt::Key_Return);
        } else {
            dlg.InfoBox()->setFocus();
            QTest::keyClick(dlg.InfoBox(), Qt::Key_Return);
        }
    });
    QCOMPARE(app.InitInstance(), int(kExitDone));
    QVERIFY(driver.Shown());
    QVERIFY(app.m_listMessages.isEmpty());
    const QString expected = QDir::toNativeSeparators(folder) + QDir::separator() + line2;
    QCOMPARE(RecordedArguments(),
             QStringList({QStringLiteral("/i"), expected, QStringLiteral("ALLUSERS=2")}));
    QVERIFY(!QFile::exists(QDir(folder).filePath("pwned")));
    QVERIFY(!QFile::exists(QDir::current().filePath("pwned")));
}

void TestInstallerApp::waitsUntilInstallerEnds() {
    QVERIFY(MakeStandIn(m_binDir->path(), 700));
    QVERIFY(WriteFile(m_setupDir->filePath("InstInfo.txt"), "App\r\nsetup.msi\r\nInfo\r\n"));
    CRecordingApp app(m_setupDir->path());
    bool bHiddenWhileRunning = false;
    CDialogDriver driver(
        [&](CInstallerDlg& dlg) { QTest::mouseClick(dlg.StartButton(), Qt::LeftButton); });
    // While the stand-in runs, no installer window is shown.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (QFile::exists(ArgsPath()) && !QFile::exists(EndedPath())) {
            bHiddenWhileRunning = QApplication::activeModalWidget() == nullptr;
        }
    });
    probe.start(20);
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(app.InitInstance(), int(kExitDone));
    QVERIFY(QFile::exists(EndedPath()));
    QVERIFY(elapsed.elapsed() >= 600);
    QVERIFY(bHiddenWhileRunning);
}

void TestInstallerApp::cancelStartsNothing_data() {
    QTest::addColumn<int>(
        "how");  // 0 click キャンセル, 1 Escape, 2 close box, 3 Enter on キャンセル
    QTest::newRow("button") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
    QTest::newRow("Enter on focused cancel") << 3;
}

void TestInstallerApp::cancelStartsNothing() {
    QFETCH(int, how);
    QVERIFY(WriteFile(m_setupDir->filePath("InstInfo.txt"), "App\r\nsetup.msi\r\nInfo\r\n"));
    CRecordingApp app(m_setupDir->path());
    CDialogDriver driver([how](CInstallerDlg& dlg) {
        switch (how) {
            case 0:
                QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
                break;
            case 1:
                PressKey(dlg, Qt::Key_Escape);
                break;
            case 2:
                dlg.close();
                break;
            default:
                dlg.CancelButton()->setFocus();
                QTest::keyClick(dlg.CancelButton(), Qt::Key_Return);
                break;
        }
    });
    QCOMPARE(app.InitInstance(), int(kExitDone));
    QVERIFY(driver.Shown());
    QVERIFY(app.m_listMessages.isEmpty());
    QVERIFY(!QFile::exists(ArgsPath()));
}

void TestInstallerApp::missingInstallerShowsMessage1001_data() {
    QTest::addColumn<bool>("notExecutable");
    QTest::newRow("not on PATH") << false;
    QTest::newRow("not executable") << true;
}

void TestInstallerApp::missingInstallerShowsMessage1001() {
    QFETCH(bool, notExecutable);
    QTemporaryDir emptyBin;
    QVERIFY(emptyBin.isValid());
    if (notExecutable) {
        QVERIFY(WriteFile(emptyBin.filePath("msiexec"), "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(emptyBin.filePath("msiexec"),
                                      QFile::ReadOwner | QFile::WriteOwner));
    }
    qputenv("PATH", QFile::encodeName(emptyBin.path()));
    QVERIFY(WriteFile(m_setupDir->filePath("InstInfo.txt"), "App\r\nsetup.msi\r\nInfo\r\n"));
    CRecordingApp app(m_setupDir->path());
    CDialogDriver driver(
        [](CInstallerDlg& dlg) { QTest::mouseClick(dlg.StartButton(), Qt::LeftButton); });
    QCOMPARE(app.InitInstance(), int(kExitStartFailed));
    QCOMPARE(app.m_listMessages, QList<int>{IDS_START_FAILED});
    QCOMPARE(LoadInstString(IDS_START_FAILED),
             QStringLiteral("インストールの開始に失敗しました。"));
}

void TestInstallerApp::aboutBoxOpens() {
    QVERIFY(WriteFile(m_setupDir->filePath("InstInfo.txt"), "App\r\nsetup.msi\r\nInfo\r\n"));
    CInstallerDlg dlg(m_setupDir->path());
    QVERIFY(dlg.OnInitDialog());
    QVERIFY(dlg.AboutButton() != nullptr);
    QCOMPARE(dlg.AboutButton()->text(), QStringLiteral("バージョン情報(&A)..."));
    QString title;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* pAbout = qobject_cast<CInstallerAboutDlg*>(QApplication::activeModalWidget());
        QVERIFY(pAbout != nullptr);
        title = pAbout->windowTitle();
        for (QLabel* pLabel : pAbout->findChildren<QLabel*>()) {
            texts << pLabel->text();
        }
        pAbout->accept();
    });
    QTest::mouseClick(dlg.AboutButton(), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("バージョン情報"));
    QVERIFY(std::any_of(texts.begin(), texts.end(),
                        [](const QString& s) { return s.endsWith("Version 1.00"); }));
}

QTEST_MAIN(TestInstallerApp)
#include "tst_installerapp.moc"
