#include "statsquery.h"

#include "resultreader.h"
#include "runqueries.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>
#include <numeric>

namespace stats {

namespace {

// Runs whose file text is read for the open/short levels of a reference period.
constexpr int OpenShortReferenceRuns = 1000;

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
    return f;
}

// The filter as SQL conditions on runs aliased r, its values appended to bound.
QString where(const Filter &filter, QVariantList &bound)
{
    const QString sql = results::queries::where(runFilter(filter), QStringLiteral("r"), bound);
    return sql.isEmpty() ? QStringLiteral("1 = 1") : sql;
}

bool run(QSqlQuery &q, const QString &sql, const QVariantList &bound, QString *error)
{
    return results::queries::exec(q, sql, bound, error);
}

// The open/short line's mean of a file's text: the level the electrodes read.
bool openShortLevel(const QByteArray &content, Measure measure, results::ResultRecord &record, double *level)
{
    results::readResult(std::string_view(content.constData(), std::size_t(content.size())), record);
    if (!record.openShort.linesRead)
        return false;
    const std::vector<int> &values = measure == Measure::OpenShortX ? record.openShort.x.values
                                                                      : record.openShort.y.values;
    if (values.empty())
        return false;
    *level = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
    return true;
}

const char *measureColumn(Measure measure)
{
    return measure == Measure::Current ? "r.current_ma" : "r.tb_mean";
}

bool isOpenShort(Measure measure)
{
    return measure == Measure::OpenShortX || measure == Measure::OpenShortY;
}

} // namespace

bool countRuns(const QSqlDatabase &db, qint64 *runs, QString *error)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT COUNT(*) FROM runs"), {}, error))
        return false;
    *runs = q.next() ? q.value(0).toLongLong() : 0;
    return true;
}

bool yieldByGroup(const QSqlDatabase &db, const Filter &filter, GroupBy by, std::vector<YieldRow> &rows,
                  QString *error)
{
    rows.clear();
    const bool byTime = by == GroupBy::Hour || by == GroupBy::Day;
    std::vector<results::queries::YieldRow> groups;
    if (!results::queries::yieldByGroup(db, by, runFilter(filter), groups, error))
        return false;
    for (const results::queries::YieldRow &g : groups) {
        YieldRow row;
        if (byTime) {
            row.bucket = g.group.toLongLong();
            // The bucket counts local wall-clock time, so it is shown as UTC.
            row.group = QDateTime::fromMSecsSinceEpoch(row.bucket, Qt::UTC)
                            .toString(by == GroupBy::Hour ? QStringLiteral("yyyy-MM-dd HH:00")
                                                          : QStringLiteral("yyyy-MM-dd"));
        } else {
            row.group = g.group.toString();
        }
        row.runs = g.runs;
        row.firstPanels = g.panels;
        row.firstPass = g.firstPassed;
        row.finalPanels = g.lastPanels;
        row.finalPass = g.lastPassed;
        rows.push_back(row);
    }
    return true;
}

bool failurePareto(const QSqlDatabase &db, const Filter &filter, std::vector<ParetoRow> &rows, QString *error)
{
    rows.clear();
    QVariantList bound;
    QSqlQuery q(db);
    if (!run(q,
             QStringLiteral("SELECT i.item, COUNT(*) FROM items i JOIN runs r ON r.run_id = i.run_id"
                            " WHERE i.pass = 0 AND ")
                 + where(filter, bound) + QStringLiteral(" GROUP BY i.item"),
             bound, error))
        return false;
    while (q.next())
        rows.push_back({q.value(0).toString(), q.value(1).toLongLong()});
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
    QVariantList bound;
    const QString runs = where(filter, bound);
    QSqlQuery count(db);
    if (!run(count, QStringLiteral("SELECT COUNT(*) FROM runs r WHERE ") + runs, bound, error))
        return false;
    map.runs = count.next() ? count.value(0).toLongLong() : 0;
    count.finish();

    QSqlQuery cells(db);
    if (!run(cells,
             QStringLiteral("SELECT c.raster, c.row_index, c.column_index, COUNT(DISTINCT c.run_id)"
                            " FROM failing_cells c JOIN runs r ON r.run_id = c.run_id WHERE ")
                 + runs + QStringLiteral(" GROUP BY c.raster, c.row_index, c.column_index"),
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
    cells.finish();

    // An open or short pair names two electrodes: each gets the run.
    QSqlQuery pairs(db);
    if (!run(pairs,
             QStringLiteral("SELECT p.kind, p.line, p.electrode, COUNT(DISTINCT p.run_id) FROM ("
                            " SELECT e.run_id, e.kind, e.line, e.first_index AS electrode"
                            " FROM failing_electrodes e JOIN runs r ON r.run_id = e.run_id"
                            " WHERE e.kind IN ('open', 'short') AND ")
                 + runs
                 + QStringLiteral(" UNION ALL SELECT e.run_id, e.kind, e.line, e.second_index"
                                  " FROM failing_electrodes e JOIN runs r ON r.run_id = e.run_id"
                                  " WHERE e.kind IN ('open', 'short') AND e.second_index IS NOT NULL AND ")
                 + runs + QStringLiteral(") p GROUP BY p.kind, p.line, p.electrode ORDER BY p.line, p.electrode"),
             bound + bound, error))
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
    for (const auto &entry : electrodes)
        map.electrodes.push_back(entry.second);
    return true;
}

bool spcSeries(const QSqlDatabase &db, const Filter &filter, Measure measure, int limit,
               std::vector<SpcPoint> &points, QString *error)
{
    points.clear();
    QVariantList bound;
    const QString value = isOpenShort(measure) ? QStringLiteral("r.content") : QLatin1String(measureColumn(measure));
    const QString sql = QStringLiteral("SELECT r.started_at, %1 FROM runs r WHERE %1 IS NOT NULL AND ").arg(value)
                        + where(filter, bound) + QStringLiteral(" ORDER BY r.started_at DESC, r.run_id DESC LIMIT ?");
    bound << limit;
    QSqlQuery q(db);
    if (!run(q, sql, bound, error))
        return false;
    results::ResultRecord record;
    while (q.next()) {
        SpcPoint p{q.value(0).toLongLong(), 0.0};
        if (isOpenShort(measure)) {
            if (!openShortLevel(q.value(1).toString().toLatin1(), measure, record, &p.value))
                continue;
        } else {
            p.value = q.value(1).toDouble();
        }
        points.push_back(p);
    }
    std::reverse(points.begin(), points.end());
    return true;
}

bool spcLimits(const QSqlDatabase &db, const Filter &filter, Measure measure, SpcLimits &limits, QString *error)
{
    limits = SpcLimits();
    if (isOpenShort(measure)) {
        // The levels are in the file's text only: the period's first runs are
        // read, enough for limits and never the whole store.
        std::vector<double> values;
        QVariantList bound;
        const QString sql = QStringLiteral("SELECT r.content FROM runs r WHERE ") + where(filter, bound)
                            + QStringLiteral(" ORDER BY r.started_at, r.run_id LIMIT ?");
        bound << OpenShortReferenceRuns;
        QSqlQuery q(db);
        if (!run(q, sql, bound, error))
            return false;
        results::ResultRecord record;
        double level = 0;
        while (q.next())
            if (openShortLevel(q.value(0).toString().toLatin1(), measure, record, &level))
                values.push_back(level);
        limits.count = qint64(values.size());
        if (values.empty())
            return true;
        limits.centre = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
        double ranges = 0;
        for (std::size_t i = 1; i < values.size(); ++i)
            ranges += std::abs(values[i] - values[i - 1]);
        limits.meanRange = values.size() > 1 ? ranges / double(values.size() - 1) : 0.0;
        return true;
    }
    const QString column = QLatin1String(measureColumn(measure));
    QVariantList bound;
    const QString runs = where(filter, bound) + QStringLiteral(" AND %1 IS NOT NULL").arg(column);
    QSqlQuery centre(db);
    if (!run(centre, QStringLiteral("SELECT COUNT(*), AVG(%1) FROM runs r WHERE ").arg(column) + runs, bound, error))
        return false;
    if (centre.next()) {
        limits.count = centre.value(0).toLongLong();
        limits.centre = centre.value(1).toDouble();
    }
    centre.finish();
    QSqlQuery range(db);
    if (!run(range,
             QStringLiteral("SELECT AVG(ABS(m.v - m.prev)) FROM (SELECT %1 AS v,"
                            " LAG(%1) OVER (ORDER BY r.started_at, r.run_id) AS prev FROM runs r WHERE ")
                     .arg(column)
                 + runs + QStringLiteral(") m WHERE m.prev IS NOT NULL"),
             bound, error))
        return false;
    if (range.next())
        limits.meanRange = range.value(0).toDouble();
    return true;
}

bool traceRuns(const QSqlDatabase &db, const TraceQuery &query, std::vector<TraceRow> &rows, QString *error)
{
    rows.clear();
    results::queries::RunFilter filter;
    if (!query.barcode.isEmpty())
        filter.barcode = query.barcode;
    if (!query.lot.isEmpty())
        filter.lot = query.lot;
    if (!query.worker.isEmpty())
        filter.worker = query.worker;
    if (query.from > 0)
        filter.since = query.from;
    if (query.to > 0)
        filter.until = query.to;
    QVariantList bound;
    QStringList conditions{QStringLiteral("1 = 1")};
    const QString given = results::queries::where(filter, QStringLiteral("r"), bound);
    if (!given.isEmpty())
        conditions << given;
    if (!query.failedItem.isEmpty()) {
        conditions << QStringLiteral("EXISTS (SELECT 1 FROM items f WHERE f.run_id = r.run_id AND f.item = ?"
                                     " AND f.pass = 0)");
        bound << query.failedItem;
    }
    bound << query.limit;
    // The newest runs first, one row per failed item folded per run below.
    QSqlQuery q(db);
    if (!run(q,
             QStringLiteral("SELECT t.run_id, t.station, t.started_at, t.verdict, t.barcode, t.lot, t.worker,"
                            " t.file_path, i.item FROM (SELECT r.run_id, r.station, r.started_at, r.verdict,"
                            " r.barcode, r.lot, r.worker, r.file_path FROM runs r WHERE ")
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
                            q.value(7).toString()});
        }
        if (!q.value(8).isNull())
            rows.back().failed << q.value(8).toString();
    }
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
    if (!run(q, QStringLiteral("SELECT content FROM runs WHERE run_id = ?"), {runId}, error))
        return false;
    if (q.next())
        content = q.value(0).toString().toLatin1();
    return true;
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
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT DISTINCT r.%1 FROM runs r WHERE ").arg(column) + where(range, bound)
                    + QStringLiteral(" ORDER BY r.%1").arg(column),
             bound, error))
        return false;
    while (q.next())
        values << q.value(0).toString();
    return true;
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
