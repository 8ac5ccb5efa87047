#include "commands.h"

#include "linesettings.h"
#include "resultstore.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace results::cli {

bool openStore(const Invocation &invocation, ResultStore &store, bool mustExist, QString *error)
{
    if (!invocation.line) {
        if (mustExist && !QFileInfo::exists(invocation.store)) {
            *error = QStringLiteral("no store at %1").arg(invocation.store);
            return false;
        }
        return store.openLocal(invocation.store, error);
    }
    const QString connection =
        invocation.connection.isEmpty() ? readLineSettings().connection : invocation.connection;
    if (connection.isEmpty()) {
        *error = QStringLiteral("no line is configured: ./line.ini names no [line] connection; "
                                "give one with --connection");
        return false;
    }
    return store.openDatabase(addLineDatabase(connection, store.connectionName()), error);
}

bool execQuery(QSqlQuery &query, const QString &sql, const QVariantList &bound, QString *error)
{
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (qsizetype i = 0; ok && i < bound.size(); ++i)
        query.bindValue(int(i), bound.at(i));
    if (ok && query.exec())
        return true;
    *error = query.lastError().text();
    return false;
}

QString timeRange(const Invocation &invocation, const QString &alias, QVariantList &bound)
{
    QStringList conditions;
    if (invocation.since) {
        conditions << alias + QStringLiteral(".started_at >= ?");
        bound << *invocation.since;
    }
    if (invocation.until) {
        conditions << alias + QStringLiteral(".started_at < ?");
        bound << *invocation.until;
    }
    return conditions.join(QStringLiteral(" AND "));
}

const QStringList &itemOrder()
{
    static const QStringList order{
        QStringLiteral("electric"),    QStringLiteral("usb_version"), QStringLiteral("crc_version"),
        QStringLiteral("eeprom_version"), QStringLiteral("tb"),       QStringLiteral("attb"),
        QStringLiteral("open_short"),  QStringLiteral("raster_x"),    QStringLiteral("raster_y"),
        QStringLiteral("button_data"), QStringLiteral("reset"),
    };
    return order;
}

} // namespace results::cli
