#include "runqueries.h"

#include <QDateTime>
#include <QSqlError>
#include <QTimeZone>

namespace results::queries {

namespace {

// Operator input as typed; an empty text stays a text (a null QString would
// bind as NULL and match nothing).
QVariant text(const QString &s)
{
    return QVariant(s.isNull() ? QStringLiteral("") : s);
}

// r.started_at moved to local wall-clock time by the offset of each stretch
// between the time zone's transitions in [from, to], so that a day keeps its
// runs across a change to or from summer time. The offsets are bound.
QString localTime(qint64 from, qint64 to, QVariantList &bound)
{
    const auto offsetAt = [](qint64 ms) { return qint64(QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc()) * 1000; };
    QString sql;
    const QTimeZone zone = QTimeZone::systemTimeZone();
    if (zone.hasTransitions()) {
        for (const QTimeZone::OffsetData &change : zone.transitions(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC),
                                                                    QDateTime::fromMSecsSinceEpoch(to, Qt::UTC))) {
            const qint64 at = change.atUtc.toMSecsSinceEpoch();
            sql += QStringLiteral(" WHEN r.started_at < ? THEN r.started_at + ?");
            bound << at << offsetAt(at - 1);
        }
    }
    bound << offsetAt(to);
    return sql.isEmpty() ? QStringLiteral("r.started_at + ?")
                         : QStringLiteral("CASE") + sql + QStringLiteral(" ELSE r.started_at + ? END");
}

} // namespace

bool exec(QSqlQuery &query, const QString &sql, const QVariantList &bound, QString *error)
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

QString where(const RunFilter &filter, const QString &alias, QVariantList &bound)
{
    QStringList conditions;
    const auto equal = [&](const std::optional<QString> &value, const char *column) {
        if (!value)
            return;
        conditions << alias + QLatin1Char('.') + QLatin1String(column) + QStringLiteral(" = ?");
        bound << text(*value);
    };
    equal(filter.barcode, "barcode");
    equal(filter.lot, "lot");
    equal(filter.worker, "worker");
    equal(filter.station, "station");
    equal(filter.profile, "profile");
    if (filter.since) {
        conditions << alias + QStringLiteral(".started_at >= ?");
        bound << *filter.since;
    }
    if (filter.until) {
        conditions << alias + QStringLiteral(".started_at < ?");
        bound << *filter.until;
    }
    return conditions.join(QStringLiteral(" AND "));
}

bool findRuns(QSqlQuery &query, const RunFilter &filter, QString *error)
{
    QVariantList bound;
    const QString condition = where(filter, QStringLiteral("r"), bound);
    return exec(query,
                QStringLiteral("SELECT r.run_id, r.verdict, r.station, r.started_at, r.barcode, r.lot, r.file_path,"
                               " r.worker, i.item FROM runs r LEFT JOIN items i ON i.run_id = r.run_id AND i.pass = 0")
                    + (condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition)
                    + QStringLiteral(" ORDER BY r.started_at DESC, r.run_id DESC"),
                bound, error);
}

std::optional<GroupBy> groupByName(const QString &name)
{
    static const std::pair<const char *, GroupBy> names[] = {{"hour", GroupBy::Hour},
                                                             {"day", GroupBy::Day},
                                                             {"lot", GroupBy::Lot},
                                                             {"station", GroupBy::Station},
                                                             {"profile", GroupBy::Profile}};
    for (const auto &[n, by] : names)
        if (name == QLatin1String(n))
            return by;
    return std::nullopt;
}

qint64 bucketMs(GroupBy by)
{
    return by == GroupBy::Hour ? 3600000 : 86400000;
}

bool yieldByGroup(const QSqlDatabase &db, QSqlQuery &query, GroupBy by, const RunFilter &filter, QString *error)
{
    QVariantList bound;
    QString group;
    if (by == GroupBy::Hour || by == GroupBy::Day) {
        QVariantList rangeBound;
        const QString range = where(filter, QStringLiteral("r"), rangeBound);
        QSqlQuery span(db);
        if (!exec(span,
                  QStringLiteral("SELECT MIN(r.started_at), MAX(r.started_at) FROM runs r")
                      + (range.isEmpty() ? QString() : QStringLiteral(" WHERE ") + range),
                  rangeBound, error))
            return false;
        if (!span.next() || span.value(0).isNull())
            return exec(query, QStringLiteral("SELECT 1 FROM runs WHERE 1 = 0"), {}, error); // no runs, no groups
        const qint64 from = span.value(0).toLongLong();
        const qint64 to = span.value(1).toLongLong();
        span.finish();
        // Integer division in both engines: the values are integers.
        group = QStringLiteral("(%1) / %2 * %2").arg(localTime(from, to, bound)).arg(bucketMs(by));
    } else {
        group = by == GroupBy::Lot ? QStringLiteral("r.lot") : by == GroupBy::Station ? QStringLiteral("r.station")
                                                                                       : QStringLiteral("r.profile");
    }
    const QString range = where(filter, QStringLiteral("r"), bound);
    // A panel is a barcode, or a run of its own when it has none. The store
    // flags each panel's first run (first-pass yield) and its latest (final
    // yield), so a group's yield is a count over one index.
    return exec(query,
                QStringLiteral("SELECT ") + group
                    + QStringLiteral(" AS grp, COUNT(*), SUM(r.panel_first),"
                                     " SUM(CASE WHEN r.panel_first = 1 AND r.verdict = 'PASS' THEN 1 ELSE 0 END),"
                                     " SUM(r.panel_last),"
                                     " SUM(CASE WHEN r.panel_last = 1 AND r.verdict = 'PASS' THEN 1 ELSE 0 END)"
                                     " FROM runs r")
                    + (range.isEmpty() ? QString() : QStringLiteral(" WHERE ") + range)
                    + QStringLiteral(" GROUP BY grp ORDER BY grp"),
                bound, error);
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

} // namespace results::queries
