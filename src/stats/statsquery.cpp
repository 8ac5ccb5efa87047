#include "statsquery.h"

#include "resultstore.h"
#include "retention.h"
#include "runqueries.h"
#include "schema.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace stats {

namespace {

using results::queries::finished;

results::queries::RunFilter runFilter(const Filter &filter)
{
    results::queries::RunFilter f;
    if (filter.from > 0)
        f.since = filter.from;
    if (filter.to > 0)
        f.until = filter.to;
    if (!filter.station.isEmpty())
        f.station = filter.station;
    if (!filter.lot.isEmpty())
        f.lot = filter.lot;
    if (!filter.profile.isEmpty())
        f.profile = filter.profile;
    f.engineering = filter.engineering;
    f.engineeringOnly = filter.engineeringOnly;
    return f;
}

// The filter as SQL conditions on runs aliased r, its values appended to bound.
QString where(const QSqlDatabase &db, const Filter &filter, QVariantList &bound)
{
    const QString sql = results::queries::where(runFilter(filter), QStringLiteral("r"), bound, false,
                                                results::queries::engineOf(db));
    return sql.isEmpty() ? QStringLiteral("1 = 1") : sql;
}

const char *measureColumn(Measure measure)
{
    switch (measure) {
    case Measure::Current:
        return "r.current_ma";
    case Measure::TbMean:
        return "r.tb_mean";
    case Measure::OpenShortX:
        return "r.open_short_x";
    case Measure::OpenShortY:
        return "r.open_short_y";
    }
    return "r.current_ma";
}

// How many runs a time range holds (from the counts kept per quarter, so
// the range is widened to whole quarters), how many the store holds, and how
// many failed items it holds (of one item, when given).
struct Sizes
{
    qint64 runsInRange = 0;
    qint64 storeRuns = 0;
    qint64 failed = 0;
};

bool sizes(const QSqlDatabase &db, qint64 from, qint64 to, const QString &item, Sizes *sizes, QString *error)
{
    QVariantList bound;
    QStringList span{QStringLiteral("1 = 1")};
    if (from > 0) {
        span << QStringLiteral("quarter >= ?");
        bound << from / results::queries::QuarterMs;
    }
    if (to > 0) {
        span << QStringLiteral("quarter <= ?");
        bound << (to - 1) / results::queries::QuarterMs;
    }
    if (!item.isEmpty())
        bound << item;
    QSqlQuery q(db);
    if (!results::queries::exec(q,
             QStringLiteral("SELECT (SELECT COALESCE(SUM(runs), 0) FROM yield_quarters WHERE ")
                 + span.join(QStringLiteral(" AND "))
                 + QStringLiteral("), (SELECT COALESCE(SUM(runs), 0) FROM yield_quarters),"
                                  " (SELECT COUNT(*) FROM items WHERE pass = 0%1)")
                       .arg(item.isEmpty() ? QString() : QStringLiteral(" AND item = ?")),
             bound, error))
        return false;
    if (q.next())
        *sizes = {q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong()};
    return finished(q, error);
}

// Where the failures' questions start. A narrow range starts from its runs
// and looks up each one's failures; a range holding more runs than the store
// has failed items starts from the failures (a few in a hundred runs, and
// indexed apart) and looks up each one's run. SQLite joins in the order
// written with CROSS JOIN; PostgreSQL plans the join either way itself.
bool fromFailures(const QSqlDatabase &db, const Filter &filter, bool *failuresFirst, QString *error)
{
    Sizes s;
    if (!sizes(db, filter.from, filter.to, QString(), &s, error))
        return false;
    *failuresFirst = s.runsInRange > s.failed;
    return true;
}

// "a CROSS JOIN runs r" or the other way round, for fromFailures.
QString joinRuns(const QString &table, bool failuresFirst)
{
    const QString runs = QStringLiteral("runs r");
    return failuresFirst ? table + QStringLiteral(" CROSS JOIN ") + runs : runs + QStringLiteral(" CROSS JOIN ") + table;
}

} // namespace

bool countRuns(const QSqlDatabase &db, qint64 *runs, QString *error)
{
    // The count kept per quarter with every run, not a pass over the runs.
    QSqlQuery q(db);
    if (!results::queries::exec(q, QStringLiteral("SELECT COALESCE(SUM(runs), 0) FROM yield_quarters"), {}, error))
        return false;
    *runs = q.next() ? q.value(0).toLongLong() : 0;
    return finished(q, error);
}

bool heldFrom(const QSqlDatabase &db, qint64 *from, QString *error)
{
    *from = 0;
    return results::schema::engineOf(db) != results::schema::Engine::Station
           || results::retention::horizon(db, *from, error);
}

bool yieldByGroup(const QSqlDatabase &db, const Filter &filter, GroupBy by, std::vector<YieldRow> &rows,
                  QString *error)
{
    return results::queries::yieldByGroup(db, by, runFilter(filter), rows, error);
}

bool failurePareto(const QSqlDatabase &db, const Filter &filter, std::vector<ParetoRow> &rows, QString *error)
{
    rows.clear();
    bool failuresFirst = false;
    if (!fromFailures(db, filter, &failuresFirst, error))
        return false;
    QVariantList bound;
    QSqlQuery q(db);
    if (!results::queries::exec(q,
             QStringLiteral("SELECT i.item, COUNT(*) FROM ") + joinRuns(QStringLiteral("items i"), failuresFirst)
                 + QStringLiteral(" WHERE r.run_id = i.run_id AND i.pass = 0 AND ") + where(db, filter, bound)
                 + QStringLiteral(" GROUP BY i.item"),
             bound, error))
        return false;
    while (q.next())
        rows.push_back({q.value(0).toString(), q.value(1).toLongLong()});
    if (!finished(q, error))
        return false;
    // Most first; equal counts in the order a run takes the items.
    std::sort(rows.begin(), rows.end(), [](const ParetoRow &a, const ParetoRow &b) {
        if (a.runs != b.runs)
            return a.runs > b.runs;
        return results::queries::itemOrder().indexOf(a.item) < results::queries::itemOrder().indexOf(b.item);
    });
    return true;
}

bool failureMap(const QSqlDatabase &db, const Filter &filter, int rows, int columns, FailureMap &map,
                QString *error)
{
    map = FailureMap();
    bool failuresFirst = false;
    if (!fromFailures(db, filter, &failuresFirst, error))
        return false;
    QVariantList bound;
    const QString runs = where(db, filter, bound);
    QSqlQuery count(db);
    if (!results::queries::exec(count, QStringLiteral("SELECT COUNT(*) FROM runs r WHERE ") + runs, bound, error))
        return false;
    map.runs = count.next() ? count.value(0).toLongLong() : 0;
    if (!finished(count, error))
        return false;
    count.finish();

    QSqlQuery cells(db);
    if (!results::queries::exec(cells,
             QStringLiteral("SELECT c.raster, c.row_index, c.column_index, COUNT(DISTINCT c.run_id) FROM ")
                 + joinRuns(QStringLiteral("failing_cells c"), failuresFirst)
                 + QStringLiteral(" WHERE r.run_id = c.run_id AND ") + runs
                 + QStringLiteral(" GROUP BY c.raster, c.row_index, c.column_index"),
             bound, error))
        return false;
    while (cells.next()) {
        const QString raster = cells.value(0).toString();
        const int row = cells.value(1).toInt();
        const int column = cells.value(2).toInt();
        const qint64 panels = cells.value(3).toLongLong();
        if (row < 0 || column < 0 || row >= rows || column >= columns || raster.size() != 1) {
            map.outsideCells += panels;
            continue;
        }
        map.cells.push_back({raster.at(0).toLatin1(), row, column, panels});
    }
    if (!finished(cells, error))
        return false;
    cells.finish();

    // An open or short pair names two electrodes: each gets the run. Each
    // pair is read once and counted for both (side 1 and 2).
    QSqlQuery pairs(db);
    if (!results::queries::exec(pairs,
             QStringLiteral("SELECT e.kind, e.line,"
                            " CASE WHEN s.side = 1 THEN e.first_index ELSE e.second_index END AS electrode,"
                            " COUNT(DISTINCT e.run_id) FROM ")
                 + joinRuns(QStringLiteral("failing_electrodes e"), failuresFirst)
                 + QStringLiteral(" CROSS JOIN (SELECT 1 AS side UNION ALL SELECT 2 AS side) s"
                                  " WHERE r.run_id = e.run_id AND e.kind IN ('open', 'short')"
                                  " AND (s.side = 1 OR e.second_index IS NOT NULL) AND ")
                 + runs + QStringLiteral(" GROUP BY e.kind, e.line, electrode ORDER BY e.line, electrode"),
             bound, error))
        return false;
    std::map<std::pair<char, int>, ElectrodeCount> electrodes;
    while (pairs.next()) {
        const QString line = pairs.value(1).toString();
        const char l = line == QLatin1String("Y") ? 'Y' : 'X';
        ElectrodeCount &e = electrodes[{l, pairs.value(2).toInt()}];
        e.line = l;
        e.electrode = pairs.value(2).toInt();
        (pairs.value(0).toString() == QLatin1String("open") ? e.open : e.shorts) += pairs.value(3).toLongLong();
    }
    if (!finished(pairs, error))
        return false;
    for (const auto &entry : electrodes)
        map.electrodes.push_back(entry.second);
    return true;
}

bool spcSeries(const QSqlDatabase &db, const Filter &filter, Measure measure, int limit,
               std::vector<SpcPoint> &points, qint64 *total, QString *error)
{
    points.clear();
    const QString column = QLatin1String(measureColumn(measure));
    QVariantList bound;
    const QString runs = QStringLiteral("%1 IS NOT NULL AND ").arg(column) + where(db, filter, bound);
    QSqlQuery count(db);
    if (!results::queries::exec(count, QStringLiteral("SELECT COUNT(*) FROM runs r WHERE ") + runs, bound, error))
        return false;
    *total = count.next() ? count.value(0).toLongLong() : 0;
    if (!finished(count, error))
        return false;
    count.finish();
    bound << limit;
    QSqlQuery q(db);
    if (!results::queries::exec(q,
             QStringLiteral("SELECT r.started_at, %1, r.run_id, r.station, r.barcode FROM runs r WHERE ").arg(column)
                 + runs + QStringLiteral(" ORDER BY r.started_at DESC, r.run_id DESC LIMIT ?"),
             bound, error))
        return false;
    while (q.next())
        points.push_back({q.value(0).toLongLong(), q.value(1).toDouble(), q.value(2).toString(),
                          q.value(3).toString(), q.value(4).toString()});
    if (!finished(q, error))
        return false;
    std::reverse(points.begin(), points.end());
    return true;
}

bool spcLimits(const QSqlDatabase &db, const Filter &filter, Measure measure, SpcLimits &limits, QString *error)
{
    limits = SpcLimits();
    const QString column = QLatin1String(measureColumn(measure));
    QVariantList bound;
    const QString runs = where(db, filter, bound) + QStringLiteral(" AND %1 IS NOT NULL").arg(column);
    QSqlQuery centre(db);
    if (!results::queries::exec(centre, QStringLiteral("SELECT COUNT(*), AVG(%1) FROM runs r WHERE ").arg(column) + runs, bound, error))
        return false;
    if (centre.next()) {
        limits.count = centre.value(0).toLongLong();
        limits.centre = centre.value(1).toDouble();
    }
    if (!finished(centre, error))
        return false;
    centre.finish();
    QSqlQuery range(db);
    if (!results::queries::exec(range,
             QStringLiteral("SELECT AVG(ABS(m.v - m.prev)) FROM (SELECT %1 AS v,"
                            " LAG(%1) OVER (ORDER BY r.started_at, r.run_id) AS prev FROM runs r WHERE ")
                     .arg(column)
                 + runs + QStringLiteral(") m WHERE m.prev IS NOT NULL"),
             bound, error))
        return false;
    if (range.next())
        limits.meanRange = range.value(0).toDouble();
    return finished(range, error);
}

bool traceRuns(const QSqlDatabase &db, const TraceQuery &query, std::vector<TraceRow> &rows, QString *error)
{
    rows.clear();
    Filter given;
    given.from = query.from;
    given.to = query.to;
    given.station = query.station;
    given.lot = query.lot;
    given.profile = query.profile;
    results::queries::RunFilter filter = runFilter(given);
    if (!query.barcode.isEmpty())
        (query.barcodePrefix ? filter.barcodePrefix : filter.barcode) = query.barcode;
    if (!query.worker.isEmpty())
        filter.worker = query.worker;
    QVariantList bound;
    QStringList conditions{QStringLiteral("1 = 1")};
    const QString sql =
        results::queries::where(filter, QStringLiteral("r"), bound, false, results::queries::engineOf(db));
    if (!sql.isEmpty())
        conditions << sql;
    if (!query.failedItem.isEmpty()) {
        // The newest runs are walked until enough failed the item: about
        // limit x (store's runs / item's failures) of them, at most the
        // range's. An item that failed fewer times than an eighth of that is
        // looked up from its failures instead: each look-up reads a page of
        // its own, where the walk reads neighbours (a week of 10^6 generated
        // runs: 0.6 s looked up, 30 ms walked).
        Sizes s;
        if (!sizes(db, query.from, query.to, query.failedItem, &s, error))
            return false;
        const qint64 walked = std::min(s.runsInRange, qint64(query.limit) * s.storeRuns / std::max<qint64>(1, s.failed));
        conditions << (s.failed * 8 < walked
                           ? QStringLiteral("r.run_id IN (SELECT f.run_id FROM items f WHERE f.item = ? AND f.pass = 0)")
                           : QStringLiteral("EXISTS (SELECT 1 FROM items f WHERE f.run_id = r.run_id AND f.item = ?"
                                            " AND f.pass = 0)"));
        bound << query.failedItem;
    }
    bound << query.limit;
    // The newest runs first, one row per failed item folded per run below.
    QSqlQuery q(db);
    if (!results::queries::exec(q,
             QStringLiteral("SELECT t.run_id, t.station, t.started_at, t.verdict, t.barcode, t.lot, t.worker,"
                            " t.file_path, i.item, t.profile_sha1, t.baseline_sha1, t.firmware_sha1,"
                            " t.software_version FROM (SELECT r.run_id, r.station, r.started_at, r.verdict,"
                            " r.barcode, r.lot, r.worker, r.file_path, r.profile_sha1, r.baseline_sha1,"
                            " r.firmware_sha1, r.software_version FROM runs r WHERE ")
                 + conditions.join(QStringLiteral(" AND "))
                 + QStringLiteral(" ORDER BY r.started_at DESC, r.run_id DESC LIMIT ?) t"
                                  " LEFT JOIN items i ON i.run_id = t.run_id AND i.pass = 0"
                                  " ORDER BY t.started_at DESC, t.run_id DESC"),
             bound, error))
        return false;
    while (q.next()) {
        const QString runId = q.value(0).toString();
        if (rows.empty() || rows.back().runId != runId) {
            rows.push_back({runId, q.value(1).toString(), q.value(2).toLongLong(), q.value(3).toString(),
                            q.value(4).toString(), q.value(5).toString(), q.value(6).toString(), {},
                            q.value(7).toString(), q.value(9).toString(), q.value(10).toString(),
                            q.value(11).toString(), q.value(12).toString()});
        }
        if (!q.value(8).isNull())
            rows.back().failed << q.value(8).toString();
    }
    if (!finished(q, error))
        return false;
    for (TraceRow &row : rows)
        std::sort(row.failed.begin(), row.failed.end(), [](const QString &a, const QString &b) {
            return results::queries::itemOrder().indexOf(a) < results::queries::itemOrder().indexOf(b);
        });
    return true;
}

bool runContent(const QSqlDatabase &db, const QString &runId, QByteArray &content, QString *error)
{
    content.clear();
    QSqlQuery q(db);
    if (!results::queries::exec(q, QStringLiteral("SELECT content, file_path, content_sha1 FROM runs WHERE run_id = ?"),
                                {runId}, error))
        return false;
    if (!q.next())
        return true;
    // A stored text that cannot be read: the filed file, where it is still
    // the one recorded, stands in.
    QString why;
    if (results::schema::fileBytes(q.value(0), results::schema::engineOf(db), content, &why)
        || results::filedBytes(q.value(1).toString(), q.value(2).toString().toLatin1(), content))
        return true;
    if (error)
        *error = why;
    return false;
}

bool capability(const QSqlDatabase &db, const Filter &filter, const QString &item, std::vector<Capability> &rows,
                QString *error)
{
    return results::queries::capability(db, item, runFilter(filter), rows, error);
}

bool distinctValues(const QSqlDatabase &db, const Filter &filter, const QString &column, QStringList &values,
                    QString *error)
{
    values.clear();
    // column is one of the code's own names, never operator input.
    if (column != QLatin1String("station") && column != QLatin1String("profile") && column != QLatin1String("lot"))
        return false;
    Filter range;
    range.from = filter.from;
    range.to = filter.to;
    QVariantList bound;
    const QString inRange = where(db, range, bound);
    // The values are few and each leads an index with the start time: the
    // index is walked from one value to the next (a seek each), and each value
    // is kept when a run of it lies in the range (a seek each), instead of
    // reading every run of the range.
    QSqlQuery q(db);
    if (!results::queries::exec(q,
             QStringLiteral("WITH RECURSIVE v (value) AS (SELECT MIN(%1) FROM runs"
                            " UNION ALL SELECT (SELECT MIN(n.%1) FROM runs n WHERE n.%1 > v.value)"
                            " FROM v WHERE v.value IS NOT NULL)"
                            " SELECT v.value FROM v WHERE v.value IS NOT NULL"
                            " AND EXISTS (SELECT 1 FROM runs r WHERE r.%1 = v.value AND ")
                     .arg(column)
                 + inRange + QStringLiteral(") ORDER BY v.value"),
             bound, error))
        return false;
    while (q.next())
        values << q.value(0).toString();
    return finished(q, error);
}

std::vector<bool> outsideLimits(const std::vector<double> &values, double lower, double upper)
{
    std::vector<bool> marked(values.size(), false);
    for (std::size_t i = 0; i < values.size(); ++i)
        marked[i] = values[i] > upper || values[i] < lower;
    return marked;
}

std::vector<bool> runsOfEight(const std::vector<double> &values, double centre)
{
    std::vector<bool> marked(values.size(), false);
    int side = 0;
    std::size_t length = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int s = values[i] > centre ? 1 : values[i] < centre ? -1 : 0;
        length = s != 0 && s == side ? length + 1 : (s != 0 ? 1 : 0);
        side = s;
        if (length >= 8)
            marked[i] = true;
    }
    return marked;
}

} // namespace stats
