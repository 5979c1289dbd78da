// The information file's parsing, the package path and the arguments given
// to the platform installer.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "installer/instinfo.h"

using namespace orvinst;

namespace {

QByteArray Cp932(const char* pUtf8) {
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
    void packagePath();
    void folderOfThatNameIsNotRead();
};

void TestInstInfo::lineCounts_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("info");

    QTest::newRow("empty file") << QByteArray() << false << QString();
    QTest::newRow("one line") << QByteArray("App\r\n") << false << QString();
    QTest::newRow("two lines") << QByteArray("App\r\nsetup.msi\r\n") << false << QString();
    QTest::newRow("two lines, no final end")
        << QByteArray("App\r\nsetup.msi") << false << QString();
    QTest::newRow("empty third line")
        << QByteArray("App\r\nsetup.msi\r\n\r\n") << true << QStringLiteral("\r\n");
    QTest::newRow("third line without end")
        << QByteArray("App\nsetup.msi\nInfo") << true << QStringLiteral("Info\r\n");
    QTest::newRow("several lines") << QByteArray("App\r\nsetup.msi\r\nA\r\n\r\nB\r\n") << true
                                   << QStringLiteral("A\r\n\r\nB\r\n");
}

void TestInstInfo::lineCounts() {
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

void TestInstInfo::lineEnds() {
    // CR LF and LF both end a line and are removed; a CR that does not end a
    // line is text.
    InstInfo parsed;
    QVERIFY(ParseInstInfo(QByteArray("Name\nsetup.msi\r\na\rb\r\nlast\r"), QStringLiteral("/s"),
                          parsed));
    QCOMPARE(parsed.m_strAppName, QStringLiteral("Name"));
    QCOMPARE(parsed.m_strPackage, QStringLiteral("/s/setup.msi"));
    QCOMPARE(parsed.m_strInfo, QStringLiteral("a\rb\r\nlast\r\r\n"));
}

void TestInstInfo::decodesCp932() {
    // Kanji, kana, the NEC circled digits and half-width kana of code page 932.
    const QByteArray bytes = Cp932("会議室ログビューア\r\nセットアップ.msi\r\n①から⑤まで ﾊﾝｶｸ\r\n");
    InstInfo parsed;
    QVERIFY(ParseInstInfo(bytes, QStringLiteral("/s"), parsed));
    QCOMPARE(parsed.m_strAppName, QString::fromUtf8("会議室ログビューア"));
    QCOMPARE(parsed.m_strPackage, QString::fromUtf8("/s/セットアップ.msi"));
    QCOMPARE(parsed.m_strInfo, QString::fromUtf8("①から⑤まで ﾊﾝｶｸ\r\n"));
}

void TestInstInfo::brokenCharacterStaysInItsLine() {
    // A lead byte with no trail byte at the end of line 1 must not take the
    // next line's first character with it.
    InstInfo parsed;
    QVERIFY(ParseInstInfo(QByteArray("App\x82\r\nsetup.msi\r\nInfo\r\n"), QStringLiteral("/s"),
                          parsed));
    QVERIFY(parsed.m_strAppName.startsWith(QStringLiteral("App")));
    QCOMPARE(parsed.m_strPackage, QStringLiteral("/s/setup.msi"));
    QCOMPARE(parsed.m_strInfo, QStringLiteral("Info\r\n"));
}

void TestInstInfo::packagePath() {
    // The folder gets exactly one separator; line 2 follows unchanged, even
    // when it is absolute (the start tests cover the ordinary cases).
    QCOMPARE(MakePackagePath(QStringLiteral("/"), QStringLiteral("setup.msi")),
             QString(QDir::separator()) + QStringLiteral("setup.msi"));
    QCOMPARE(MakePackagePath(QStringLiteral("/m"), QStringLiteral("/opt/a b.msi")),
             QDir::toNativeSeparators(QStringLiteral("/m/")) + QStringLiteral("/opt/a b.msi"));
}

void TestInstInfo::folderOfThatNameIsNotRead() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("InstInfo.txt")));
    InstInfo parsed;
    QVERIFY(!ReadInstInfo(dir.path(), parsed));
}

QTEST_GUILESS_MAIN(TestInstInfo)
#include "tst_instinfo.moc"
