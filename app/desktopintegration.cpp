#include "app/desktopintegration.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace orv::desktop {

namespace {

// Letters, digits and a few marks stay; anything else (a path's slashes
// among them) becomes '_'. Cut so that the socket path stays short.
QString SafeForName(const QString& s) {
    QString out;
    for (QChar c : s) {
        const bool keep = (c.unicode() < 128 && c.isLetterOrNumber()) || c == QLatin1Char('-') ||
                          c == QLatin1Char('.') || c == QLatin1Char('_') || c == QLatin1Char(':');
        out += keep ? c : QLatin1Char('_');
    }
    return out.left(40);
}

// "host:0.1" and "host:0" are one display: the screen number goes.
QString WithoutScreen(const QString& x) {
    const qsizetype colon = x.lastIndexOf(QLatin1Char(':'));
    const qsizetype dot = x.indexOf(QLatin1Char('.'), colon + 1);
    return colon >= 0 && dot > colon ? x.left(dot) : x;
}

QString KeyHash(const QString& key) {
    return QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
}

#ifndef Q_OS_WIN
// A directory (not a link to one) of this user's that nobody else may enter.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}
#endif

}  // namespace

QString DisplayTag() {
    const QString platform = QGuiApplication::platformName();
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    const QString x11 = qEnvironmentVariable("DISPLAY");
    if (platform.startsWith(QLatin1String("wayland")))
        return QStringLiteral("wayland-") +
               SafeForName(wayland.isEmpty() ? QStringLiteral("wayland-0") : wayland);
    if (!x11.isEmpty()) return QStringLiteral("x11-") + SafeForName(WithoutScreen(x11));
    if (!wayland.isEmpty()) return QStringLiteral("wayland-") + SafeForName(wayland);
    return SafeForName(platform.isEmpty() ? QStringLiteral("none") : platform);
}

#ifndef Q_OS_WIN

QString PrivateRuntimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && IsPrivateFolder(runtime)) return QFile::decodeName(runtime);
    // No usable runtime folder: one of our own in the temporary folder. A
    // folder of that name that someone else made, or that others may enter,
    // is not used.
    const QByteArray own =
        QFile::encodeName(QDir::tempPath()) + "/orv-" + QByteArray::number(::getuid());
    if (::mkdir(own.constData(), 0700) == 0)
        ::chmod(own.constData(), 0700);  // whatever the umask left
    else if (errno != EEXIST)
        return QString();
    return IsPrivateFolder(own) ? QFile::decodeName(own) : QString();
}

QString HandOverSocketName(const QString& key) {
    const QString folder = PrivateRuntimeFolder();
    if (folder.isEmpty()) return QString();
    return folder + QStringLiteral("/orv-") + DisplayTag() + QLatin1Char('-') + KeyHash(key);
}

bool PeerIsSameUser(const QLocalSocket& socket) {
    const qintptr fd = socket.socketDescriptor();
    if (fd < 0) return false;
#ifdef SO_PEERCRED
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 ||
        len != sizeof cred)
        return false;
    return cred.uid == ::getuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(static_cast<int>(fd), &uid, &gid) != 0) return false;
    return uid == ::getuid();
#endif
}

#else  // Windows: named pipes, which the user access option closes to others.

QString PrivateRuntimeFolder() { return QString(); }

QString HandOverSocketName(const QString& key) {
    return QStringLiteral("orv-") + SafeForName(qEnvironmentVariable("USERNAME")) +
           QLatin1Char('-') + DisplayTag() + QLatin1Char('-') + KeyHash(key);
}

bool PeerIsSameUser(const QLocalSocket& socket) { return socket.isValid(); }

#endif

void PrepareHandOverServer(QLocalServer& server) {
    server.setSocketOptions(QLocalServer::UserAccessOption);
}

}  // namespace orv::desktop
