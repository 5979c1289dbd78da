// Start-up from the command line, the exit and the hand-over from a second
// start, with the application object itself.
#include <sys/stat.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QtTest>

#include "app/mainframe.h"
#include "app/orvapp.h"
#include "app/settings.h"
#include "apptestutil.h"
#include "fakes/fakeports.h"
#include "res/strings.h"
#include "views/textview.h"
#include "views/titletreeview.h"

using namespace orv;

class TestStartup : public QObject {
    Q_OBJECT
    test::ScratchSettings m_settings;
    QTemporaryDir m_files;
    test::FakePrompter m_prompter;
    test::ScriptedChooser m_chooser;

    COrvApp& App() { return *COrvApp::GetApp(); }

    COrvApp::StartResult Start(const QStringList& args) {
        App().EnableSingleInstance(false);
        App().SetFrameSetup([this](CMainFrame& f) {
            // (The chooser first: a later prompter must leave it in place.)
            f.SetLogFileChooser(&m_chooser);
            f.SetPrompter(&m_prompter);
        });
        return App().InitInstance(args);
    }

    QString Doc(const QString& name) { return test::SampleDocIn(m_files, name); }

private slots:
    void init() {
        m_settings.Clear();
        m_prompter = test::FakePrompter();
        m_chooser = test::ScriptedChooser();
    }
    void cleanup() {
        if (CMainFrame* f = App().GetMainFrame()) f->GetDocument().SetModifiedFlag(false);
        App().ExitInstance();
    }

    void noArgumentsGiveAnEmptyUntitledDocument() {
        QCOMPARE(Start({}), COrvApp::StartResult::Run);
        CMainFrame* f = App().GetMainFrame();
        QVERIFY(f && f->isVisible());
        QVERIFY(f->acceptDrops());
        QCOMPARE(f->windowTitle(), QStringLiteral("無題 - Orv's Meeting log viewer"));
        QCOMPARE(f->GetDocument().GetRootCount(), std::size_t{0});
        QCOMPARE(App().m_nFindOption, 3u);
        QVERIFY(m_chooser.orders.empty());
    }

    void documentInCapitalsIsOpened() {
        const QString doc = m_files.filePath(QStringLiteral("ROOM.MLD"));
        QVERIFY(test::MakeSampleDocument(doc));
        QCOMPARE(Start({doc}), COrvApp::StartResult::Run);
        CMainFrame* f = App().GetMainFrame();
        QCOMPARE(f->GetPathName(), doc);
        QVERIFY(f->GetDocument().GetRootCount() > 0);
        QVERIFY(!f->GetDocument().IsModified());
        QVERIFY(m_chooser.orders.empty());
    }

    void twoLogsAreOrderedThenImported() {
        const QString second = m_files.filePath(QStringLiteral("second.txt"));
        QFile::copy(test::SampleLog(), second);
        QCOMPARE(Start({test::SampleLog(), second}), COrvApp::StartResult::Run);
        QCOMPARE(m_chooser.orders.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(m_chooser.orders[0][0]), test::SampleLog());
        QCOMPARE(QString::fromStdString(m_chooser.orders[0][1]), second);
        CMainFrame* f = App().GetMainFrame();
        QCOMPARE(f->GetPathName(), QString());
        QVERIFY(f->GetDocument().GetRootCount() > 0);
        QVERIFY(f->GetDocument().IsModified());
    }

    void logThenDocumentImportsIntoTheDocument() {
        const QString doc = Doc(QStringLiteral("room.mld"));
        QCOMPARE(Start({test::SampleLog(), doc}), COrvApp::StartResult::Run);
        CMainFrame* f = App().GetMainFrame();
        QCOMPARE(f->GetPathName(), doc);
        // The log's messages are already there: the import asks about them.
        QCOMPARE(m_prompter.Ids().front(), static_cast<int>(res::IDS_IMPORT_DUPLICATE));
    }

    void documentThenLogAlsoOpensTheDocument() {
        const QString doc = Doc(QStringLiteral("room2.mld"));
        QCOMPARE(Start({doc, test::SampleLog()}), COrvApp::StartResult::Run);
        QCOMPARE(App().GetMainFrame()->GetPathName(), doc);
        QVERIFY(!m_prompter.shown.empty());
    }

    void missingDocumentEndsTheStart() {
        const QString missing = m_files.filePath(QStringLiteral("nothing.mld"));
        QCOMPARE(Start({missing}), COrvApp::StartResult::Failed);
        QVERIFY(!App().GetMainFrame());
        // The message names the file, not only the system's reason.
        QCOMPARE(m_prompter.Ids(), std::vector<int>{res::IDS_OPEN_FAILED});
        QVERIFY(QString::fromStdString(m_prompter.shown[0].text).contains(missing));
    }

    void printThatCannotStartIsReportedAndFails() {
        const QString doc = Doc(QStringLiteral("print.mld"));
        QCOMPARE(Start({QStringLiteral("/pt"), doc, QStringLiteral("orv-no-such-printer"),
                        QStringLiteral("driver"), QStringLiteral("port")}),
                 COrvApp::StartResult::Failed);
        QCOMPARE(m_prompter.Ids(), std::vector<int>{res::IDS_PRINT_FAILED});
        QCOMPARE(m_prompter.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(!App().GetMainFrame());
    }

    void shellPrintTakesTheFirstMessage() {
        // /p and /pt print the first message in tree order; a document
        // without messages prints nothing, says so and fails.
        QTemporaryDir out;
        const QString empty = m_files.filePath(QStringLiteral("empty.mld"));
        QVERIFY(COrvDoc().OnSaveDocument(empty.toStdString()));
        const struct {
            const char* name;
            QStringList args;
            bool printed;
        } cases[] = {
            {"p", {QStringLiteral("/p"), Doc(QStringLiteral("p.mld"))}, true},
            {"pt",
             {QStringLiteral("/pt"), Doc(QStringLiteral("p.mld")), QStringLiteral("pdf")},
             true},
            {"p-empty", {QStringLiteral("/p"), empty}, false},
            {"pt-empty", {QStringLiteral("/pt"), empty, QStringLiteral("pdf")}, false},
        };
        for (const auto& c : cases) {
            m_prompter = test::FakePrompter();
            const QString pdf = out.filePath(QString::fromLatin1(c.name) + QStringLiteral(".pdf"));
            int shownNumber = -1;
            App().EnableSingleInstance(false);
            App().SetFrameSetup([&](CMainFrame& f) {
                f.SetPrompter(&m_prompter);
                f.Printer().setOutputFormat(QPrinter::PdfFormat);
                f.Printer().setOutputFileName(pdf);
                connect(f.GetTextView(), &QPlainTextEdit::textChanged, &f, [&f, &shownNumber] {
                    if (const CComment* rec = f.GetTextView()->GetComment())
                        shownNumber = rec->GetNumber();
                });
            });
            const COrvApp::StartResult r = App().InitInstance(c.args);
            QVERIFY(!App().GetMainFrame());
            QFile file(pdf);
            if (c.printed) {
                QCOMPARE(r, COrvApp::StartResult::Done);
                QVERIFY2(m_prompter.shown.empty(), c.name);
                COrvDoc doc;
                QVERIFY(doc.OnOpenDocument(c.args[1].toStdString()));
                QCOMPARE(shownNumber, (*doc.GetRoots().begin())->GetNumber());
                // A page with text carries a font; a blank page does not.
                QVERIFY2(
                    file.open(QIODevice::ReadOnly) && file.readAll().contains("/FontDescriptor"),
                    c.name);
            } else {
                QCOMPARE(r, COrvApp::StartResult::Failed);
                QCOMPARE(m_prompter.Ids(), std::vector<int>{res::IDS_PRINT_NOTHING});
                QCOMPARE(m_prompter.shown[0].text, std::string("印刷する発言がありません。"));
                QCOMPARE(m_prompter.shown[0].icon, MsgIcon::Exclamation);
                QVERIFY2(!file.exists(), c.name);
            }
        }
    }

    void printNeedsAShownMessage() {
        QCOMPARE(Start({Doc(QStringLiteral("shown.mld"))}), COrvApp::StartResult::Run);
        CMainFrame* f = App().GetMainFrame();
        const int ids[] = {cmd::ID_FILE_PRINT, cmd::ID_FILE_PRINT_DIRECT,
                           cmd::ID_FILE_PRINT_PREVIEW};
        const auto enabled = [f, &ids](bool want) {
            f->Commands().UpdateAll();
            for (int id : ids)
                if (f->Commands().Action(id)->isEnabled() != want) return false;
            return true;
        };
        QVERIFY(enabled(false));  // opened, nothing shown yet
        QVERIFY(!f->Commands().Execute(cmd::ID_FILE_PRINT_DIRECT));
        f->GetTreeView()->SelectItem(f->GetDocument().GetTreeItems().front());
        QVERIFY(enabled(true));
        f->OnFileNew();
        QVERIFY(enabled(false));
    }

    void printAndPreviewUseThePrinterSetUp() {
        QCOMPARE(Start({Doc(QStringLiteral("setup.mld"))}), COrvApp::StartResult::Run);
        CMainFrame* f = App().GetMainFrame();
        f->GetTreeView()->SelectItem(f->GetDocument().GetTreeItems().front());
        QPrinter* setUp = &f->Printer();
        setUp->setPageOrientation(QPageLayout::Landscape);
        QPrinter* previewed = nullptr;
        QPrinter* printed = nullptr;
        QTimer::singleShot(0, [&previewed] {
            auto* dlg = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (dlg) previewed = dlg->printer();
            if (dlg) dlg->reject();
        });
        f->Commands().Execute(cmd::ID_FILE_PRINT_PREVIEW);
        QTimer::singleShot(0, [&printed] {
            auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (dlg) printed = dlg->printer();
            if (dlg) dlg->reject();
        });
        f->Commands().Execute(cmd::ID_FILE_PRINT);
        QCOMPARE(previewed, setUp);
        QCOMPARE(printed, setUp);
        QCOMPARE(&f->GetTextView()->Printer(), setUp);
        QCOMPARE(setUp->pageLayout().orientation(), QPageLayout::Landscape);
    }

    void qtTextsAreJapaneseWhateverTheLocale() {
        // main() runs with LANG=C.
        QVERIFY(App().IsQtTranslationLoaded());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                 QStringLiteral(u"キャンセル"));
    }

    void handOverSocketIsPrivateAndPerDisplay() {
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray oldTmp = qgetenv("TMPDIR");
        const QByteArray oldDisplay = qgetenv("DISPLAY");
        QTemporaryDir runtime, tmp;
        const QString folder = tmp.path() + QStringLiteral("/orv-") + QString::number(::getuid());
        auto mode = [](const QString& path) {
            struct stat st {};
            return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 0777)
                                                                          : -1;
        };

        // The session's runtime folder, the display in the name.
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("DISPLAY", ":7.0");
        const QString onSeven = COrvApp::InstanceServerName();
        QVERIFY(onSeven.startsWith(runtime.path() + QLatin1Char('/')));
        QVERIFY(QFileInfo(onSeven).fileName().contains(QStringLiteral(":7")));
        qputenv("DISPLAY", ":8");
        QVERIFY(COrvApp::InstanceServerName() != onSeven);

        // A runtime folder that others may enter is not used: a folder of
        // the user's own in the temporary folder is made, closed to others.
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0755);
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        QVERIFY(COrvApp::InstanceServerName().startsWith(folder + QLatin1Char('/')));
        QCOMPARE(mode(folder), 0700);

        // One that others may enter is refused, and nothing is handed over
        // or listened for: the window opens here.
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QCOMPARE(COrvApp::InstanceServerName(), QString());
        QVERIFY(!COrvApp::HandOver({Doc(QStringLiteral("refused.mld"))}));
        QCOMPARE(Start({}), COrvApp::StartResult::Run);
        QVERIFY(!App().ListenForHandOver());

        qputenv("XDG_RUNTIME_DIR", oldRuntime);
        qputenv("TMPDIR", oldTmp);
        qputenv("DISPLAY", oldDisplay);
        if (oldRuntime.isEmpty()) qunsetenv("XDG_RUNTIME_DIR");
        if (oldTmp.isEmpty()) qunsetenv("TMPDIR");
        if (oldDisplay.isEmpty()) qunsetenv("DISPLAY");
    }

    void exitWritesOptionsAndRecentFiles() {
        settings::WriteInt(settings::kSecFind, QString::fromUtf8(settings::kValFindOption), 0x8003);
        const QString doc = Doc(QStringLiteral("recent.mld"));
        QCOMPARE(Start({doc}), COrvApp::StartResult::Run);
        QCOMPARE(App().m_nFindOption, 0x8003u);
        App().GetMainFrame()->Commands().Execute(cmd::ID_FIND_IGNOREKANA);
        QCOMPARE(App().RecentFiles().Paths(), QStringList{doc});
        App().GetMainFrame()->Commands().UpdateAll();
        QVERIFY(App().GetMainFrame()->Commands().Action(cmd::ID_FILE_MRU_FILE1)->isEnabled());
        App().GetMainFrame()->close();
        App().ExitInstance();
        QCOMPARE(
            settings::ReadInt(settings::kSecFind, QString::fromUtf8(settings::kValFindOption), 0),
            0x8013);
        QCOMPARE(settings::ReadString(settings::kSecRecentFiles, QStringLiteral("File1")), doc);
        QVERIFY(!settings::Contains(settings::kSecSettings,
                                    QString::fromUtf8(settings::kValPreviewPages)));
    }

    void secondStartHandsTheDocumentOver() {
        const QString doc = Doc(QStringLiteral("handed.mld"));
        QCOMPARE(Start({}), COrvApp::StartResult::Run);
        QVERIFY(App().ListenForHandOver());
        QLocalSocket sock;
        sock.connectToServer(COrvApp::InstanceServerName());
        QVERIFY(sock.waitForConnected(1000));
        sock.write(("open\t" + doc + "\n").toUtf8());
        sock.flush();
        QTRY_VERIFY(sock.bytesAvailable() > 0 || sock.waitForReadyRead(10));
        QVERIFY(sock.readAll().startsWith("ok"));
        QTRY_COMPARE(App().GetMainFrame()->GetPathName(), doc);
        // A second listener is refused while this one runs.
        QLocalServer other;
        QVERIFY(!other.listen(COrvApp::InstanceServerName()));
    }

    void windowForLogsBesideARunningViewerCascades() {
        // Logs are not handed over: a second window opens, and does not sit
        // exactly on the running viewer's.
        settings::WriteString(settings::kSecSettings, QString::fromUtf8(settings::kValWindowPos),
                              QStringLiteral("0,1,-1,-1,-1,-1,100,100,500,400"));
        QPoint at[2];
        for (int running = 0; running < 2; ++running) {
            QLocalServer other;
            if (running) QVERIFY(other.listen(COrvApp::InstanceServerName()));
            App().EnableSingleInstance(true);
            App().SetFrameSetup([this](CMainFrame& f) {
                f.SetLogFileChooser(&m_chooser);
                f.SetPrompter(&m_prompter);
            });
            QCOMPARE(App().InitInstance({test::SampleLog()}), COrvApp::StartResult::Run);
            at[running] = App().GetMainFrame()->geometry().topLeft();
            App().GetMainFrame()->GetDocument().SetModifiedFlag(false);
            App().ExitInstance();
        }
        QCOMPARE(at[0], QPoint(100, 100));
        const QPoint step = at[1] - at[0];
        QVERIFY2(step.x() >= COrvApp::kCascadeStep && step.x() == step.y(),
                 qPrintable(QStringLiteral("%1,%2").arg(step.x()).arg(step.y())));
    }

    void noRunningViewerMeansNoHandOver() {
        QVERIFY(!COrvApp::HandOver({Doc(QStringLiteral("alone.mld"))}));
    }
};

int main(int argc, char** argv) {
    // Qt's own texts are Japanese whatever the locale says.
    qputenv("LANG", "C");
    qputenv("LC_ALL", "C");
    COrvApp app(argc, argv);
    TestStartup t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_startup.moc"
