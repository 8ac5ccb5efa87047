#include "linesettings.h"

#include <QSettings>

namespace results {

LineSettings readLineSettings(const QString &path)
{
    const QSettings file(path, QSettings::IniFormat);
    LineSettings settings;
    settings.connection = file.value(QStringLiteral("line/connection")).toString().trimmed();
    settings.station = file.value(QStringLiteral("station/id")).toString().trimmed();
    return settings;
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

} // namespace results
