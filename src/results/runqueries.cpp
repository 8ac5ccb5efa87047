#include "runqueries.h"

#include <QDateTime>
#include <QHash>
#include <QSettings>
#include <QSqlError>
#include <QSqlRecord>
#include <QTimeZone>

#include <map>

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

// A group's counts as they are gathered. From the runs, the panels first
// tested in the group are counted from the indexes alone as if each was
// tested once (its first run its latest), and then those tested again are
// looked up and put right; the store's counts per quarter hold them whole.
struct Counts
{
    qint64 runs = 0;
    qint64 panels = 0;
    qint64 firstPassed = 0;
    qint64 finalPassed = 0;
    qint64 passedAfterRetest = 0;
    qint64 neverPassed = 0;
    qint64 retests = 0;

    // runs, panels first tested, of those passed at first (baseColumns()).
    void addBase(const QSqlQuery &q)
    {
        const qint64 first = q.value(2).toLongLong();
        const qint64 passed = q.value(3).toLongLong();
        runs += q.value(1).toLongLong();
        panels += first;
        firstPassed += passed;
        finalPassed += passed;
        neverPassed += first - passed;
    }

    // The retested panels (retestedSql()), which addBase() took for tested once.
    void addRetested(const QSqlQuery &q)
    {
        const qint64 retested = q.value(1).toLongLong();
        const qint64 firstPassedOnes = q.value(2).toLongLong();
        finalPassed += q.value(3).toLongLong() - firstPassedOnes;
        passedAfterRetest += q.value(4).toLongLong();
        neverPassed += q.value(5).toLongLong() - (retested - firstPassedOnes);
        retests += q.value(6).toLongLong();
    }

    // A quarter as the store keeps it (quarterColumns()).
    void addQuarter(const QSqlQuery &q)
    {
        runs += q.value(1).toLongLong();
        panels += q.value(2).toLongLong();
        firstPassed += q.value(3).toLongLong();
        finalPassed += q.value(4).toLongLong();
        passedAfterRetest += q.value(5).toLongLong();
        neverPassed += q.value(6).toLongLong();
        retests += q.value(7).toLongLong();
    }

    void add(const Counts &o, qint64 sign = 1)
    {
        runs += sign * o.runs;
        panels += sign * o.panels;
        firstPassed += sign * o.firstPassed;
        finalPassed += sign * o.finalPassed;
        passedAfterRetest += sign * o.passedAfterRetest;
        neverPassed += sign * o.neverPassed;
        retests += sign * o.retests;
    }

    void into(YieldRow &row) const
    {
        row.runs = runs;
        row.panels = panels;
        row.firstPassed = firstPassed;
        row.finalPassed = finalPassed;
        row.passedAfterRetest = passedAfterRetest;
        row.neverPassed = neverPassed;
        row.retests = retests;
    }
};

// Per key: runs, panels first tested, of those passed at first.
QString baseColumns()
{
    return QStringLiteral("COUNT(*), SUM(r.panel_first),"
                          " SUM(CASE WHEN r.panel_first = 1 AND r.verdict = 'PASS' THEN 1 ELSE 0 END)");
}

// Per key, of the panels first tested there that were tested again: how many,
// passed at first, passed at their latest run, failed at first and passed
// later, never passed, and their runs after the first. SQLite looks each such
// panel's runs up through the barcode index (CROSS JOIN keeps that order);
// PostgreSQL does so for a short range and hashes the runs for a long one,
// which a lookup per panel was slower than (0.29 s against 0.15 s over 10^5
// runs). Finding those panels reads the range's yield index; a group of whole
// quarters without other conditions reads the store's own counts instead.
QString retestedSql(const QString &key, const QString &condition)
{
    return QStringLiteral(
               "SELECT c.k, COUNT(*), SUM(c.fp), SUM(c.lp),"
               " SUM(CASE WHEN c.fp = 0 AND c.passes > 0 THEN 1 ELSE 0 END),"
               " SUM(CASE WHEN c.passes = 0 THEN 1 ELSE 0 END), SUM(c.n - 1)"
               " FROM (SELECT %1 AS k, r.run_id,"
               " MAX(CASE WHEN r.verdict = 'PASS' THEN 1 ELSE 0 END) AS fp,"
               " MAX(CASE WHEN n.panel_last = 1 AND n.verdict = 'PASS' THEN 1 ELSE 0 END) AS lp,"
               " SUM(CASE WHEN n.verdict = 'PASS' THEN 1 ELSE 0 END) AS passes, COUNT(*) AS n"
               " FROM runs r CROSS JOIN runs n WHERE ")
               .arg(key)
           + (condition.isEmpty() ? QString() : condition + QStringLiteral(" AND "))
           + QStringLiteral("r.panel_first = 1 AND r.panel_last = 0 AND n.barcode = r.barcode"
                            " GROUP BY %1, r.run_id) c GROUP BY c.k")
                 .arg(key);
}

// The code point after the last of text's that can be raised, the rest
// dropped: the least text above every text that starts with text, in code
// point order. Null when there is none.
QString successor(const QString &text)
{
    QList<uint> points = text.toUcs4();
    while (!points.isEmpty()) {
        uint last = points.takeLast() + 1;
        if (last >= 0xD800 && last <= 0xDFFF)
            last = 0xE000;
        if (last <= 0x10FFFF) {
            points.push_back(last);
            return QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData()), points.size());
        }
    }
    return QString();
}

// The runs whose barcode fits one of the patterns.
QString engineeringMatch(const QString &column, const QStringList &patterns, Engine engine, QVariantList &bound)
{
    QStringList any;
    for (const QString &pattern : patterns) {
        if (pattern.endsWith(QLatin1Char('*'))) {
            any << startsWith(column, pattern.chopped(1), engine, bound);
        } else {
            any << column + QStringLiteral(" = ?");
            bound << text(pattern);
        }
    }
    return any.isEmpty() ? QStringLiteral("1 = 0") : QLatin1Char('(') + any.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

} // namespace

bool finished(const QSqlQuery &q, QString *error)
{
    if (!q.lastError().isValid())
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

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

Engine engineOf(const QSqlDriver *driver)
{
    if (!driver)
        return Engine::Any;
    switch (driver->dbmsType()) {
    case QSqlDriver::SQLite:
        return Engine::SQLite;
    case QSqlDriver::PostgreSQL:
        return Engine::PostgreSQL;
    default:
        return Engine::Any;
    }
}

Engine engineOf(const QSqlDatabase &db)
{
    return engineOf(db.driver());
}

QString startsWith(const QString &column, const QString &prefix, Engine engine, QVariantList &bound)
{
    if (prefix.isEmpty())
        return QStringLiteral("1 = 1");
    switch (engine) {
    case Engine::SQLite: {
        const QString above = successor(prefix);
        bound << prefix;
        if (above.isNull())
            return column + QStringLiteral(" >= ?");
        bound << above;
        return QStringLiteral("(%1 >= ? AND %1 < ?)").arg(column);
    }
    case Engine::PostgreSQL: {
        // Operator input: its own % and _ are no wildcards.
        QString pattern;
        for (const QChar c : prefix) {
            if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_'))
                pattern += QLatin1Char('!');
            pattern += c;
        }
        bound << pattern + QLatin1Char('%');
        return column + QStringLiteral(" LIKE ? ESCAPE '!'");
    }
    case Engine::Any:
        break;
    }
    bound << prefix;
    return QStringLiteral("substr(%1, 1, %2) = ?").arg(column).arg(prefix.toUcs4().size());
}

QStringList engineeringPatterns(const QString &settingsFile)
{
    const QSettings file(settingsFile, QSettings::IniFormat);
    QStringList patterns;
    for (const QString &p : file.value(QStringLiteral("engineering/barcodes")).toStringList()) {
        if (!p.trimmed().isEmpty())
            patterns << p.trimmed();
    }
    return patterns;
}

void setEngineeringPatterns(const QStringList &patterns, const QString &settingsFile)
{
    QSettings file(settingsFile, QSettings::IniFormat);
    if (patterns.isEmpty())
        file.remove(QStringLiteral("engineering/barcodes"));
    else
        file.setValue(QStringLiteral("engineering/barcodes"), patterns);
}

QString where(const RunFilter &filter, const QString &alias, QVariantList &bound, bool quarters, Engine engine)
{
    QStringList conditions;
    const auto equal = [&](const std::optional<QString> &value, const char *column) {
        if (!value)
            return;
        conditions << alias + QLatin1Char('.') + QLatin1String(column) + QStringLiteral(" = ?");
        bound << text(*value);
    };
    equal(filter.barcode, "barcode");
    if (filter.barcodePrefix)
        conditions << startsWith(alias + QStringLiteral(".barcode"), *filter.barcodePrefix, engine, bound);
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
    if (!filter.engineering.isEmpty() || filter.engineeringOnly) {
        const QString match = engineeringMatch(alias + QStringLiteral(".barcode"), filter.engineering, engine, bound);
        conditions << (filter.engineeringOnly ? match : QStringLiteral("NOT ") + match);
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
            *error = q.lastError().isValid() ? q.lastError().text() : QStringLiteral("the server gave no answer");
        return false;
    }
    seq = q.value(0).toLongLong();
    return true;
}

bool findRuns(QSqlQuery &query, const RunFilter &filter, QString *error)
{
    QVariantList bound;
    const QString condition = where(filter, QStringLiteral("r"), bound, false, engineOf(query.driver()));
    return exec(query,
                QStringLiteral("SELECT r.run_id, r.verdict, r.station, r.started_at, r.barcode, r.lot, r.file_path,"
                               " r.worker, i.item, r.profile_sha1, r.baseline_sha1, r.firmware_sha1,"
                               " r.software_version FROM runs r"
                               " LEFT JOIN items i ON i.run_id = r.run_id AND i.pass = 0")
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

std::optional<double> YieldRow::firstPassYield() const
{
    if (panels <= 0)
        return std::nullopt;
    return 100.0 * double(firstPassed) / double(panels);
}

std::optional<double> YieldRow::finalYield() const
{
    if (panels <= 0)
        return std::nullopt;
    return 100.0 * double(finalPassed) / double(panels);
}

void YieldRow::add(const YieldRow &o)
{
    runs += o.runs;
    panels += o.panels;
    firstPassed += o.firstPassed;
    finalPassed += o.finalPassed;
    passedAfterRetest += o.passedAfterRetest;
    neverPassed += o.neverPassed;
    retests += o.retests;
}

bool yieldByGroup(const QSqlDatabase &db, GroupBy by, const RunFilter &filter, std::vector<YieldRow> &rows,
                  QString *error)
{
    rows.clear();
    const Engine engine = engineOf(db);
    const bool byTime = by == GroupBy::Hour || by == GroupBy::Day;
    // In time the groups are folded from quarters of an hour; a range given in
    // quarters too reads the yield index, which leads with them.
    const QString key = byTime                  ? QStringLiteral("r.started_at / %1").arg(QuarterMs)
                        : by == GroupBy::Lot     ? QStringLiteral("r.lot")
                        : by == GroupBy::Station ? QStringLiteral("r.station")
                                                 : QStringLiteral("r.profile");
    // The groups in the order the first query gives them.
    std::vector<std::pair<QVariant, Counts>> groups;
    QHash<QString, std::size_t> index;
    const auto group = [&](const QVariant &k) -> Counts & {
        const QString name = k.toString();
        const auto at = index.constFind(name);
        if (at != index.constEnd())
            return groups[*at].second;
        index.insert(name, groups.size());
        groups.push_back({k, Counts()});
        return groups.back().second;
    };

    QSqlQuery q(db);
    // Engineering runs left out are counted with the rest (from the indexes,
    // which lack the barcode, or the store's quarters) and then taken off
    // with their panels whole: they are a few, found through the barcode index.
    const bool subtract = !filter.engineering.isEmpty() && !filter.engineeringOnly;
    RunFilter counted = filter;
    if (subtract)
        counted.engineering.clear();
    // Without a filter, or one of whole quarters in time only, the store's
    // own counts per quarter answer; else the runs are counted.
    const bool wholeQuarters = byTime && !filter.barcode && !filter.barcodePrefix && !filter.lot && !filter.worker
                               && !filter.station && !filter.profile && !filter.engineeringOnly
                               && !filter.receivedAfter && !filter.receivedUpTo
                               && filter.since.value_or(0) % QuarterMs == 0
                               && filter.until.value_or(0) % QuarterMs == 0;
    if (wholeQuarters) {
        QVariantList span;
        QStringList spanSql;
        if (filter.since) {
            spanSql << QStringLiteral("quarter >= ?");
            span << *filter.since / QuarterMs;
        }
        if (filter.until) {
            spanSql << QStringLiteral("quarter < ?");
            span << *filter.until / QuarterMs;
        }
        if (!exec(q,
                  QStringLiteral("SELECT quarter, runs, panels, first_passed, final_passed, passed_after_retest,"
                                 " never_passed, retests FROM yield_quarters")
                      + (spanSql.isEmpty() ? QString() : QStringLiteral(" WHERE ") + spanSql.join(QStringLiteral(" AND ")))
                      + QStringLiteral(" ORDER BY quarter"),
                  span, error))
            return false;
        while (q.next())
            group(q.value(0)).addQuarter(q);
        if (!finished(q, error))
            return false;
        q.finish();
    } else {
        QVariantList countedBound;
        const QString countedCondition = where(counted, QStringLiteral("r"), countedBound, byTime, engine);
        if (!exec(q,
                  QStringLiteral("SELECT %1, ").arg(key) + baseColumns() + QStringLiteral(" FROM runs r")
                      + (countedCondition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + countedCondition)
                      + QStringLiteral(" GROUP BY %1 ORDER BY %1").arg(key),
                  countedBound, error))
            return false;
        while (q.next())
            group(q.value(0)).addBase(q);
        if (!finished(q, error))
            return false;
        q.finish();
        if (!exec(q, retestedSql(key, countedCondition), countedBound, error))
            return false;
        while (q.next())
            group(q.value(0)).addRetested(q);
        if (!finished(q, error))
            return false;
        q.finish();
    }
    if (subtract) {
        // Asked by the barcode alone, so that the barcode index is read
        // whatever else the filter names; the rest is kept here. Every run of
        // an engineering barcode comes, so each panel is seen whole.
        RunFilter engineering;
        engineering.engineering = filter.engineering;
        engineering.engineeringOnly = true;
        QVariantList eb;
        if (!exec(q,
                  QStringLiteral("SELECT %1, r.started_at, r.verdict, r.panel_first, r.barcode, r.lot, r.worker,"
                                 " r.station, r.profile, r.panel_last, r.run_id FROM runs r WHERE ")
                          .arg(key)
                      + where(engineering, QStringLiteral("r"), eb, false, engine),
                  eb, error))
            return false;
        struct Run
        {
            QVariant key;
            QString panel;
            bool first = false;
            bool passed = false;
            bool counted = false; // in the filter
        };
        struct Panel
        {
            qint64 runs = 0;
            qint64 passes = 0;
            bool lastPassed = false;
        };
        std::vector<Run> found;
        QHash<QString, Panel> panels;
        const auto is = [&q](const std::optional<QString> &wanted, int column) {
            return !wanted || q.value(column).toString() == *wanted;
        };
        while (q.next()) {
            const qint64 at = q.value(1).toLongLong();
            const bool passed = q.value(2).toString() == QLatin1String("PASS");
            // A run without a barcode is a panel of its own.
            const QString panel = q.value(4).toString().isEmpty() ? QLatin1Char('#') + q.value(10).toString()
                                                                  : QLatin1Char('=') + q.value(4).toString();
            Panel &p = panels[panel];
            ++p.runs;
            p.passes += passed ? 1 : 0;
            if (q.value(9).toInt() == 1)
                p.lastPassed = passed;
            const bool counted = !((filter.since && at < *filter.since) || (filter.until && at >= *filter.until)
                                   || !is(filter.barcode, 4)
                                   || (filter.barcodePrefix && !q.value(4).toString().startsWith(*filter.barcodePrefix))
                                   || !is(filter.lot, 5) || !is(filter.worker, 6) || !is(filter.station, 7)
                                   || !is(filter.profile, 8));
            found.push_back({q.value(0), panel, q.value(3).toInt() == 1, passed, counted});
        }
        if (!finished(q, error))
            return false;
        q.finish();
        for (const Run &run : found) {
            if (!run.counted)
                continue;
            Counts c;
            c.runs = 1;
            if (run.first) {
                const Panel &p = panels[run.panel];
                c.panels = 1;
                c.firstPassed = run.passed ? 1 : 0;
                c.finalPassed = p.lastPassed ? 1 : 0;
                c.passedAfterRetest = !run.passed && p.passes > 0 ? 1 : 0;
                c.neverPassed = p.passes == 0 ? 1 : 0;
                c.retests = p.runs - 1;
            }
            group(run.key).add(c, -1);
        }
    }

    // A group whose runs were all engineering runs is no group.
    if (!byTime) {
        for (const auto &[k, counts] : groups) {
            if (counts.runs <= 0)
                continue;
            YieldRow row;
            counts.into(row);
            row.group = k.toString();
            rows.push_back(row);
        }
        return true;
    }
    // The quarters in ascending order; local buckets follow them (an hour
    // that the clocks repeat in autumn is one bucket).
    std::map<qint64, Counts> quarters;
    for (const auto &[k, counts] : groups)
        if (counts.runs > 0)
            quarters[k.toLongLong()].add(counts);
    const qint64 bucket = bucketMs(by);
    std::optional<LocalOffsets> offsets;
    std::vector<std::pair<qint64, Counts>> buckets;
    for (const auto &[quarter, counts] : quarters) {
        const qint64 utc = quarter * QuarterMs;
        if (!offsets)
            offsets.emplace(utc, filter.until.value_or(utc + 50 * 366LL * 86400000));
        const qint64 local = utc + offsets->at(utc);
        const qint64 start = local - (local % bucket + bucket) % bucket;
        if (buckets.empty() || buckets.back().first != start)
            buckets.push_back({start, Counts()});
        buckets.back().second.add(counts);
    }
    for (const auto &[start, counts] : buckets) {
        YieldRow row;
        counts.into(row);
        row.bucket = start;
        // The bucket counts local wall-clock time, so it is shown as UTC.
        row.group = QDateTime::fromMSecsSinceEpoch(start, Qt::UTC)
                        .toString(by == GroupBy::Hour ? QStringLiteral("yyyy-MM-dd HH:00")
                                                      : QStringLiteral("yyyy-MM-dd"));
        rows.push_back(row);
    }
    return true;
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
