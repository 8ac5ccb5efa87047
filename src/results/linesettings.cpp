#include "linesettings.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QUuid>

namespace results {

LineSettings readLineSettings(const QString &path)
{
    const QSettings file(path, QSettings::IniFormat);
    LineSettings settings;
    settings.connection = file.value(QStringLiteral("line/connection")).toString().trimmed();
    settings.reader = file.value(QStringLiteral("line/reader")).toString().trimmed();
    settings.station = file.value(QStringLiteral("station/id")).toString().trimmed();
    bool ok = false;
    const int days = file.value(QStringLiteral("station/keep_days")).toString().trimmed().toInt(&ok);
    settings.keepDays = ok && days > 0 ? days : 0;
    return settings;
}

QStringList lineSettingsWarnings(const QString &path)
{
    QStringList warnings;
    if (!QFileInfo::exists(path))
        return warnings;
    const LineSettings settings = readLineSettings(path);
    // key=value pairs, or a URI with user:password@.
    static const QRegularExpression password(QStringLiteral(R"((^|\s)password\s*=|://[^/@\s]*:[^/@\s]*@)"));
    for (const QString &connection : {settings.connection, settings.reader}) {
        if (password.match(connection).hasMatch()) {
            warnings << QStringLiteral("%1 holds a password: keep it in ~/.pgpass or a service file, or log in "
                                       "with a certificate")
                            .arg(path);
            break;
        }
    }
    if (QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        warnings << QStringLiteral("%1 can be read by other users (chmod 600 %1)").arg(path);
    return warnings;
}

QSqlDatabase addLineDatabase(const QString &connection, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    // The driver hands its options to libpq after the fields it was given;
    // with no fields set, the options are the whole connection string.
    QString options = connection;
    if (!options.contains(QLatin1String("connect_timeout")))
        options += QStringLiteral(" connect_timeout=5");
    db.setConnectOptions(options);
    return db;
}

QString machineIdentity(const QString &keyFile)
{
    QByteArray system;
    for (const char *path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        QFile f(QString::fromLatin1(path));
        if (f.open(QIODevice::ReadOnly)) {
            system = f.readAll().trimmed();
            if (!system.isEmpty())
                break;
        }
    }
    QByteArray key;
    {
        QFile f(keyFile);
        if (f.open(QIODevice::ReadOnly))
            key = f.readAll().trimmed();
    }
    if (key.isEmpty()) {
        const QByteArray fresh = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
        QSaveFile f(keyFile);
        // A key that cannot be kept would make every start another machine:
        // then the system id alone stands for it.
        if (f.open(QIODevice::WriteOnly) && f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
            && f.write(fresh + '\n') > 0 && f.commit())
            key = fresh;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayLiteral("kavel-station machine\n"));
    hash.addData(system);
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(key);
    return QString::fromLatin1(hash.result().toHex().left(32));
}

} // namespace results
