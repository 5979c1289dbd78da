// The command line, the recent-file menu texts and the saved window
// placement: parsing without windows.
#include <QtTest>

#include "app/importcommandlineinfo.h"
#include "app/mainframe.h"
#include "app/recentfilelist.h"

using namespace orv;

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void noArguments() {
        CImportCommandLineInfo info;
        info.Parse({});
        QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FileNew);
        QVERIFY(!info.HasImports());
        QVERIFY(info.m_bShowSplash);
    }

    void documentInCapitalsIsOpenedNotImported() {
        CImportCommandLineInfo info;
        info.Parse({QStringLiteral("/data/FORUM.MLD")});
        QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FileOpen);
        QCOMPARE(info.m_strFileName, QStringLiteral("/data/FORUM.MLD"));
        QVERIFY(!info.HasImports());
    }

    void logsAreImportedInOrder() {
        CImportCommandLineInfo info;
        info.Parse({QStringLiteral("b.log"), QStringLiteral("a.txt")});
        QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FileNew);
        QCOMPARE(info.m_importList,
                 (QStringList{QStringLiteral("b.log"), QStringLiteral("a.txt")}));
    }

    void documentAndLogsInEitherOrderOpenTheDocument() {
        for (const QStringList& args :
             {QStringList{QStringLiteral("x.log"), QStringLiteral("d.mld")},
              QStringList{QStringLiteral("d.mld"), QStringLiteral("x.log")}}) {
            CImportCommandLineInfo info;
            info.Parse(args);
            QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FileOpen);
            QCOMPARE(info.m_strFileName, QStringLiteral("d.mld"));
            QCOMPARE(info.m_importList, QStringList{QStringLiteral("x.log")});
        }
    }

    void shortArgumentsAreComparedWhole() {
        CImportCommandLineInfo info;
        info.Parse({QStringLiteral("mld"), QStringLiteral(".mld")});
        QCOMPARE(info.m_importList, QStringList{QStringLiteral("mld")});
        QCOMPARE(info.m_strFileName, QStringLiteral(".mld"));
    }

    void absolutePathsAreNotSwitches() {
        CImportCommandLineInfo info;
        info.Parse({QStringLiteral("/home/u/a.log"), QStringLiteral("/p")});
        QCOMPARE(info.m_importList, QStringList{QStringLiteral("/home/u/a.log")});
        QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FilePrint);
    }

    void embeddingSwitchesHideTheSplash() {
        for (const QString& sw : {QStringLiteral("-Embedding"), QStringLiteral("/automation"),
                                  QStringLiteral("-EMBEDDING")}) {
            CCommandLineInfo plain;
            plain.Parse({sw});
            QVERIFY2(!plain.m_bShowSplash, qPrintable(sw));
        }
    }

    void printToTakesPrinterDriverPort() {
        // (With the viewer's own command line these three would be logs.)
        CCommandLineInfo info;
        info.Parse({QStringLiteral("-pt"), QStringLiteral("d.mld"), QStringLiteral("lp0"),
                    QStringLiteral("drv"), QStringLiteral("port"), QStringLiteral("extra.mld")});
        QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FilePrintTo);
        QCOMPARE(info.m_strFileName, QStringLiteral("d.mld"));
        QCOMPARE(info.m_strPrinterName, QStringLiteral("lp0"));
        QCOMPARE(info.m_strDriverName, QStringLiteral("drv"));
        QCOMPARE(info.m_strPortName, QStringLiteral("port"));
    }

    void recentFileMenuTexts() {
        QCOMPARE(CRecentFileList::AbbreviateName(QStringLiteral("/a/b.mld"), 30),
                 QStringLiteral("/a/b.mld"));
        const QString longPath = QStringLiteral("/home/someone/logs/forums/2024/spring/room.mld");
        const QString shortName = CRecentFileList::AbbreviateName(longPath, 30);
        QVERIFY(shortName.size() <= 30);
        QVERIFY(shortName.startsWith(QStringLiteral("/...")));
        QVERIFY(shortName.endsWith(QStringLiteral("/spring/room.mld")));
        // A name longer than the limit is shown whole, without its folders.
        QCOMPARE(CRecentFileList::AbbreviateName(
                     QStringLiteral("/x/") + QString(40, QLatin1Char('n')), 30),
                 QString(40, QLatin1Char('n')));

        CRecentFileList list(4);
        for (int i = 0; i < 6; ++i) list.Add(QStringLiteral("/d/f%1.mld").arg(i));
        list.Add(QStringLiteral("/d/f3.mld"));
        QCOMPARE(list.Paths(),
                 (QStringList{QStringLiteral("/d/f3.mld"), QStringLiteral("/d/f5.mld"),
                              QStringLiteral("/d/f4.mld"), QStringLiteral("/d/f2.mld")}));
        list.Add(QStringLiteral("/d/R&D.mld"));
        QCOMPARE(list.GetMenuText(0), QStringLiteral("&1 /d/R&&D.mld"));
    }

    void windowPlacementNeedsAllTenNumbers() {
        WindowPlacement wp;
        QVERIFY(WindowPlacement::FromString(QStringLiteral("2,3,-1,-1,-8,-8,10,20,610,420"), wp));
        QCOMPARE(wp.flags, 2u);
        QCOMPARE(wp.showCmd, 3u);
        QCOMPARE(wp.normal, QRect(10, 20, 600, 400));
        QCOMPARE(wp.ToString(), QStringLiteral("2,3,-1,-1,-8,-8,10,20,610,420"));
        QVERIFY(!WindowPlacement::FromString(QStringLiteral("0,1,-1,-1,-1,-1,10,20,610"), wp));
        QVERIFY(!WindowPlacement::FromString(QStringLiteral("0,1,x,-1,-1,-1,10,20,610,420"), wp));
        QVERIFY(!WindowPlacement::FromString(QString(), wp));
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
