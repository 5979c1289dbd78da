// The information file's parsing, the package path and the arguments given
// to the platform installer.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "installer/instinfo.h"

using namespace orvinst;

namespace {

QByteArray Cp932(const char* pUtf8)
{
    QStringEncoder encoder("windows-31j");
    return encoder.encode(QString::fromUtf8(pUtf8));
}

}  // namespace

class TestInstInfo : public QObject {
    Q_OBJECT

private slots:
    void lineCounts_data();
    void lineCounts();
    void lineEnds();
    void decodesCp932();
    void brokenCharacterStaysInItsLine();
    void packagePath_data();
    void packagePath();
    void msiexecArguments();
    void readsFileBesideInstaller();
};

void TestInstInfo::lineCounts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("info");

    QTest::newRow("empty file") << QByteArray() << false << QString();
    QTest::newRow("one line") << QByteArray("App\r\n") << false << QString();
    QTest::newRow("two lines") << QByteArray("App\r\nsetup.msi\r\n") << false << QString();
    QTest::newRow("two lines, no final end") << QByteArray("App\r\nsetup.msi") << false << QString();
    QTest::newRow("empty third line") << QByteArray("App\r\nsetup.msi\r\n\r\n") << true
                                      << QStringLiteral("\r\n");
    QTest::newRow("third line without end") << QByteArray("App\nsetup.msi\nInfo") << true
                                            << QStringLiteral("Info\r\n");
    QTest::newRow("several lines") << QByteArray("App\r\nsetup.msi\r\nA\r\n\r\nB\r\n") << true
                                   << QStringLiteral("A\r\n\r\nB\r\n");
}

void TestInstInfo::lineCounts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(QString, info);

    InstInfo parsed;
    QCOMPARE(ParseInstInfo(bytes, QStringLiteral("/setup"), parsed), ok);
    if (ok) {
        QCOMPARE(parsed.m_strAppName, QStringLiteral("App"));
        QCOMPARE(parsed.m_strPackage, QStringLiteral("/setup/setup.msi"));
        QCOMPARE(parsed.m_strInfo, info);
    }
}

void TestInstInfo::lineEnds()
{
    // CR LF and LF both end a line and are removed; a CR that does not end a
    // line is text.
    InstInfo parsed;
    QVERIFY(ParseInstInfo(QByteArray("Name\nsetup.msi\r\na\rb\r\nlast\r"), QStringLiteral("/s"),
                          parsed));
    QCOMPARE(parsed.m_strAppName, QStringLiteral("Name"));
    QCOMPARE(parsed.m_strPackage, QStringLiteral("/s/setup.msi"));
    QCOMPARE(parsed.m_strInfo, QStringLiteral("a\rb\r\nlast\r\r\n"));
}

void TestInstInfo::decodesCp932()
{
    // Kanji, kana, the NEC circled digits and half-width kana of code page 932.
    const QByteArray bytes = Cp932("会議室ログビューア\r\nセットアップ.msi\r\n①から⑤まで ﾊﾝｶｸ\r\n");
    InstInfo parsed;
    QVERIFY(ParseInstInfo(bytes, QStringLiteral("/s"), parsed));
    QCOMPARE(parsed.m_strAppName, QString::fromUtf8("会議室ログビューア"));
    QCOMPARE(parsed.m_strPackage, QString::fromUtf8("/s/セットアップ.msi"));
    QCOMPARE(parsed.m_strInfo, QString::fromUtf8("①から⑤まで ﾊﾝｶｸ\r\n"));
}

void TestInstInfo::brokenCharacterStaysInItsLine()
{
    // A lead byte with no trail byte at the end of line 1 must not take the
    // next line's first character with it.
    InstInfo parsed;
    QVERIFY(ParseInstInfo(QByteArray("App\x82\r\nsetup.msi\r\nInfo\r\n"), QStringLiteral("/s"),
                          parsed));
    QVERIFY(parsed.m_strAppName.startsWith(QStringLiteral("App")));
    QCOMPARE(parsed.m_strPackage, QStringLiteral("/s/setup.msi"));
    QCOMPARE(parsed.m_strInfo, QStringLiteral("Info\r\n"));
}

void TestInstInfo::packagePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("line2");
    QTest::addColumn<QString>("path");

    const QString sep = QDir::separator();
    QTest::newRow("relative") << QStringLiteral("/media/setup") << QStringLiteral("setup.msi")
                              << QDir::toNativeSeparators("/media/setup/") + "setup.msi";
    QTest::newRow("folder with separator") << QStringLiteral("/") << QStringLiteral("setup.msi")
                                           << sep + QStringLiteral("setup.msi");
    QTest::newRow("subfolder") << QStringLiteral("/m") << QStringLiteral("pkg/setup.msi")
                               << QDir::toNativeSeparators("/m/") + "pkg/setup.msi";
    // An absolute line 2 is still put behind the folder, unchanged.
    QTest::newRow("absolute line 2") << QStringLiteral("/m") << QStringLiteral("/opt/setup.msi")
                                     << QDir::toNativeSeparators("/m/") + "/opt/setup.msi";
    QTest::newRow("spaces") << QStringLiteral("/my setup") << QStringLiteral(" a b .msi ")
                            << QDir::toNativeSeparators("/my setup/") + " a b .msi ";
}

void TestInstInfo::packagePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, line2);
    QFETCH(QString, path);
    QCOMPARE(MakePackagePath(folder, line2), path);
}

void TestInstInfo::msiexecArguments()
{
    const QString path = QStringLiteral("/a b/\"x\" y.msi");
    QCOMPARE(MsiexecArguments(path),
             QStringList({QStringLiteral("/i"), path, QStringLiteral("ALLUSERS=2")}));
}

void TestInstInfo::readsFileBesideInstaller()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    InstInfo parsed;
    QVERIFY(!ReadInstInfo(dir.path(), parsed));  // no file

    QFile file(dir.filePath(QStringLiteral("InstInfo.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Cp932("名前\r\nsetup.msi\r\n説明\r\n"));
    file.close();
    QVERIFY(ReadInstInfo(dir.path(), parsed));
    QCOMPARE(parsed.m_strAppName, QString::fromUtf8("名前"));
    QCOMPARE(parsed.m_strPackage, MakePackagePath(dir.path(), QStringLiteral("setup.msi")));
    QCOMPARE(parsed.m_strInfo, QString::fromUtf8("説明\r\n"));

    // A folder of that name cannot be read as the file.
    QTemporaryDir dir2;
    QVERIFY(QDir(dir2.path()).mkdir(QStringLiteral("InstInfo.txt")));
    QVERIFY(!ReadInstInfo(dir2.path(), parsed));
}

QTEST_GUILESS_MAIN(TestInstInfo)
#include "tst_instinfo.moc"
