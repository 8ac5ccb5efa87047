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

// Every time zone's offset and every change of it falls on a quarter of an
// hour, so each quarter lies wholly in one local hour and day.

// The local offset of a UTC time, for times in ascending order: the zone's
// transitions in the range are looked up once.
class LocalOffsets
{
public:
    LocalOffsets(qint64 from, qint64 to)
    {
        const QTimeZone zone = QTimeZone::systemTimeZone();
        m_offset = offsetAt(from);
        if (zone.hasTransitions()) {
            for (const QTimeZone::OffsetData &change : zone.transitions(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC),
                                                                        QDateTime::fromMSecsSinceEpoch(to, Qt::UTC)))
                m_changes.push_back({change.atUtc.toMSecsSinceEpoch(), qint64(change.offsetFromUtc) * 1000});
        }
    }

    qint64 at(qint64 utc)
    {
        while (m_next < m_changes.size() && m_changes[m_next].first <= utc)
            m_offset = m_changes[m_next++].second;
        return m_offset;
    }

private:
    static qint64 offsetAt(qint64 ms) { return qint64(QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc()) * 1000; }

    std::vector<std::pair<qint64, qint64>> m_changes;
    std::size_t m_next = 0;
    qint64 m_offset = 0;
};

QString yieldColumns()
{
    return QStringLiteral("COUNT(*), SUM(r.panel_first),"
                          " SUM(CASE WHEN r.panel_first = 1 AND r.verdict = 'PASS' THEN 1 ELSE 0 END),"
                          " SUM(r.panel_last),"
                          " SUM(CASE WHEN r.panel_last = 1 AND r.verdict = 'PASS' THEN 1 ELSE 0 END)");
}

void add(YieldRow &row, const QSqlQuery &q)
{
    row.runs += q.value(1).toLongLong();
    row.panels += q.value(2).toLongLong();
    row.firstPassed += q.value(3).toLongLong();
    row.lastPanels += q.value(4).toLongLong();
    row.lastPassed += q.value(5).toLongLong();
}

// After the last row: false with the reason when the rows stopped because
// the connection or the store broke off, not because there were no more.
bool finished(const QSqlQuery &q, QString *error)
{
    if (!q.lastError().isValid())
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
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

QString where(const RunFilter &filter, const QString &alias, QVariantList &bound, bool quarters)
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
    if (filter.receivedAfter) {
        conditions << alias + QStringLiteral(".received_seq > ?");
        bound << *filter.receivedAfter;
    }
    if (filter.receivedUpTo) {
        conditions << alias + QStringLiteral(".received_seq <= ?");
        bound << *filter.receivedUpTo;
    }
    // The same expression as the index's, so that the engine matches it.
    if (quarters && filter.since) {
        conditions << QStringLiteral("(%1.started_at / %2) >= ?").arg(alias).arg(QuarterMs);
        bound << *filter.since / QuarterMs;
    }
    if (quarters && filter.until) {
        conditions << QStringLiteral("(%1.started_at / %2) <= ?").arg(alias).arg(QuarterMs);
        bound << (*filter.until - 1) / QuarterMs;
    }
    return conditions.join(QStringLiteral(" AND "));
}

bool lastReceived(const QSqlDatabase &db, qint64 &seq, QString *error)
{
    QSqlQuery q(db);
    if (!exec(q, QStringLiteral("SELECT COALESCE(MAX(received_seq), 0) FROM runs"), {}, error))
        return false;
    if (!q.next()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    seq = q.value(0).toLongLong();
    return true;
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

bool yieldByGroup(const QSqlDatabase &db, GroupBy by, const RunFilter &filter, std::vector<YieldRow> &rows,
                  QString *error)
{
    rows.clear();
    QVariantList bound;
    const bool byTime = by == GroupBy::Hour || by == GroupBy::Day;
    // In time, a range given in quarters too reads the yield index, which leads with them.
    const QString range = where(filter, QStringLiteral("r"), bound, byTime);
    const QString condition = range.isEmpty() ? QString() : QStringLiteral(" WHERE ") + range;
    QSqlQuery q(db);
    // A panel is a barcode, or a run of its own when it has none. The store
    // flags each panel's first run (first-pass yield) and its latest (final
    // yield), so a group's yield is a count over one index: the LOT's,
    // station's or profile's, which hold the flags, read in group order.
    if (!byTime) {
        const QString column = by == GroupBy::Lot       ? QStringLiteral("r.lot")
                               : by == GroupBy::Station ? QStringLiteral("r.station")
                                                        : QStringLiteral("r.profile");
        if (!exec(q,
                  QStringLiteral("SELECT %1, ").arg(column) + yieldColumns() + QStringLiteral(" FROM runs r")
                      + condition + QStringLiteral(" GROUP BY %1 ORDER BY %1").arg(column),
                  bound, error))
            return false;
        while (q.next()) {
            rows.push_back({q.value(0), 0, 0, 0, 0, 0});
            add(rows.back(), q);
        }
        return finished(q, error);
    }
    // The quarters come in ascending order; local buckets follow them (an
    // hour that the clocks repeat in autumn is one bucket). Without a filter,
    // or one of whole quarters in time only, the store's own count per
    // quarter answers; else the runs are counted.
    const bool wholeQuarters = !filter.barcode && !filter.lot && !filter.worker && !filter.station && !filter.profile
                               && !filter.receivedAfter && !filter.receivedUpTo
                               && filter.since.value_or(0) % QuarterMs == 0 && filter.until.value_or(0) % QuarterMs == 0;
    QString sql;
    if (wholeQuarters) {
        bound.clear();
        QStringList span;
        if (filter.since) {
            span << QStringLiteral("quarter >= ?");
            bound << *filter.since / QuarterMs;
        }
        if (filter.until) {
            span << QStringLiteral("quarter < ?");
            bound << *filter.until / QuarterMs;
        }
        sql = QStringLiteral("SELECT quarter, runs, panels, first_passed, last_panels, last_passed"
                             " FROM yield_quarters")
              + (span.isEmpty() ? QString() : QStringLiteral(" WHERE ") + span.join(QStringLiteral(" AND ")))
              + QStringLiteral(" ORDER BY quarter");
    } else {
        sql = QStringLiteral("SELECT r.started_at / %1, ").arg(QuarterMs) + yieldColumns()
              + QStringLiteral(" FROM runs r") + condition
              + QStringLiteral(" GROUP BY r.started_at / %1 ORDER BY r.started_at / %1").arg(QuarterMs);
    }
    if (!exec(q, sql, bound, error))
        return false;
    const qint64 bucket = bucketMs(by);
    std::optional<LocalOffsets> offsets;
    while (q.next()) {
        const qint64 utc = q.value(0).toLongLong() * QuarterMs;
        if (!offsets)
            offsets.emplace(utc, filter.until.value_or(utc + 50 * 366LL * 86400000));
        const qint64 local = utc + offsets->at(utc);
        const qint64 start = local - (local % bucket + bucket) % bucket;
        if (rows.empty() || rows.back().group.toLongLong() != start)
            rows.push_back({QVariant(start), 0, 0, 0, 0, 0});
        add(rows.back(), q);
    }
    return finished(q, error);
}

const QStringList &itemOrder()
{
    static const QStringList order{
        QStringLiteral("electric"),    QStringLiteral("usb_version"), QStringLiteral("crc_version"),
        QStringLiteral("eeprom_version"), QStringLiteral("tb"),       QStringLiteral("attb"),
        QStringLiteral("open_short"),  QStringLiteral("raster_x"),    QStringLiteral("raster_y"),
        QStringLiteral("button_data"), QStringLiteral("reset"),
        // Not an item of the run: a file found cut short (foundresult.h).
        QStringLiteral("complete"),
    };
    return order;
}

} // namespace results::queries
