#include "storequery.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

namespace results {

bool execQuery(QSqlQuery &query, const QString &sql, const QVariantList &bound, QString *error)
{
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (qsizetype i = 0; ok && i < bound.size(); ++i)
        query.bindValue(int(i), bound.at(i));
    if (ok && query.exec())
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

QString localTimeSql(const QString &column, qint64 from, qint64 to, QVariantList &bound)
{
    const auto offsetAt = [](qint64 ms) { return qint64(QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc()) * 1000; };
    QString sql;
    const QTimeZone zone = QTimeZone::systemTimeZone();
    if (zone.hasTransitions()) {
        for (const QTimeZone::OffsetData &change : zone.transitions(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC),
                                                                    QDateTime::fromMSecsSinceEpoch(to, Qt::UTC))) {
            const qint64 at = change.atUtc.toMSecsSinceEpoch();
            sql += QStringLiteral(" WHEN %1 < ? THEN %1 + ?").arg(column);
            bound << at << offsetAt(at - 1);
        }
    }
    bound << offsetAt(to);
    return sql.isEmpty() ? column + QStringLiteral(" + ?")
                         : QStringLiteral("CASE") + sql + QStringLiteral(" ELSE %1 + ? END").arg(column);
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

} // namespace results
