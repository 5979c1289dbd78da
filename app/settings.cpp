#include "app/settings.h"

#include <QCoreApplication>

namespace orv::settings {
namespace {

QString& Org() {
    static QString s = QString::fromUtf8(kOrganization);
    return s;
}

QString& App() {
    static QString s = QString::fromUtf8(kApplication);
    return s;
}

QString Key(const char* section, const QString& name) {
    return QString::fromUtf8(section) + QLatin1Char('/') + name;
}

}  // namespace

void SetKey(const QString& organization, const QString& application) {
    Org() = organization;
    App() = application;
    QCoreApplication::setOrganizationName(organization);
    QCoreApplication::setApplicationName(application);
}

QString Organization() { return Org(); }
QString Application() { return App(); }

void UseFolder(const QString& folder) {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
}

std::unique_ptr<QSettings> Open() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, Org(), App());
}

std::int32_t ReadInt(const char* section, const QString& name, std::int32_t def) {
    const QVariant v = Open()->value(Key(section, name));
    if (!v.isValid()) return def;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok) return def;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<qulonglong>(n)));
}

void WriteInt(const char* section, const QString& name, std::int32_t value) {
    Open()->setValue(Key(section, name), value);
}

QString ReadString(const char* section, const QString& name, const QString& def) {
    const QVariant v = Open()->value(Key(section, name));
    return v.isValid() ? v.toString() : def;
}

void WriteString(const char* section, const QString& name, const QString& value) {
    Open()->setValue(Key(section, name), value);
}

bool Contains(const char* section, const QString& name) {
    return Open()->contains(Key(section, name));
}

void RemoveSection(const char* section) { Open()->remove(QString::fromUtf8(section)); }

}  // namespace orv::settings
