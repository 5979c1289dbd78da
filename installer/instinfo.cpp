#include "installer/instinfo.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace orvinst {

namespace {

// One line of code page 932 text as Unicode. Every line gets a decoder of its
// own, so that a broken character at the end of one line cannot swallow the
// first byte of the next.
QString DecodeCp932(QByteArrayView line) {
    QStringDecoder decoder("windows-31j");
    if (!decoder.isValid()) {
        // A Qt without ICU knows only the system's own code page; on the
        // Japanese systems this installer is made for that is code page 932.
        decoder = QStringDecoder(QStringDecoder::System);
    }
    return decoder.decode(line);
}

}  // namespace

QString FolderWithSeparator(const QString& strFolder) {
    QString strNative = QDir::toNativeSeparators(strFolder);
    if (!strNative.endsWith(QDir::separator())) {
        strNative += QDir::separator();
    }
    return strNative;
}

QString MakePackagePath(const QString& strFolder, const QString& strLine2) {
    return FolderWithSeparator(strFolder) + strLine2;
}

bool ParseInstInfo(const QByteArray& bytes, const QString& strFolder, InstInfo& info) {
    info = InstInfo();
    int nLine = 0;
    qsizetype nPos = 0;
    // A LF ends a line; text after the last LF is one more line, an empty
    // rest is not. 0x0A is never part of a two-byte character in code page
    // 932, so splitting the bytes before decoding is safe.
    while (nPos < bytes.size()) {
        qsizetype nEnd = bytes.indexOf('\n', nPos);
        const qsizetype nNext = nEnd < 0 ? bytes.size() : nEnd + 1;
        if (nEnd < 0) {
            nEnd = bytes.size();
        }
        QByteArrayView line(bytes.constData() + nPos, nEnd - nPos);
        if (nEnd > nPos && bytes[nEnd - 1] == '\r' && nEnd < bytes.size()) {
            line.chop(1);  // CR LF
        }
        nPos = nNext;

        ++nLine;
        if (nLine == 1) {
            info.m_strAppName = DecodeCp932(line);
        } else if (nLine == 2) {
            info.m_strPackage = MakePackagePath(strFolder, DecodeCp932(line));
        } else {
            info.m_strInfo += DecodeCp932(line);
            info.m_strInfo += QStringLiteral("\r\n");
        }
    }
    return nLine >= 3;
}

bool ReadInstInfo(const QString& strFolder, InstInfo& info) {
    info = InstInfo();
    QFile file(QDir(strFolder).filePath(QString::fromLatin1(kInstInfoFileName)));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return false;
    }
    return ParseInstInfo(bytes, strFolder, info);
}

QStringList MsiexecArguments(const QString& strPackage) {
    return {QStringLiteral("/i"), strPackage, QStringLiteral("ALLUSERS=2")};
}

}  // namespace orvinst
