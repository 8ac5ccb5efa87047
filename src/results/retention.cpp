#include "retention.h"

#include "runrows.h"
#include "schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace results::retention {

namespace {

bool failed(const QSqlQuery &q, QString *error)
{
    if (error)
        *error = q.lastError().text();
    return false;
}

bool run(QSqlQuery &q, const QString &sql, const QVariantList &bound, QString *error)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return failed(q, error);
    for (const QVariant &v : bound)
        q.addBindValue(v);
    return q.exec() || failed(q, error);
}

// The horizon moved to `before` (never back), runs more pruned.
bool advance(QSqlDatabase &db, qint64 before, qint64 runs, QString *error)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("UPDATE pruning SET pruned_before = MAX(pruned_before, ?), runs = runs + ?"),
             {before, runs}, error))
        return false;
    if (q.numRowsAffected() > 0)
        return true;
    return run(q, QStringLiteral("INSERT INTO pruning (pruned_before, runs) VALUES (?, ?)"), {before, runs}, error);
}

// Rows of table read whole, as far as they can be: false when some could not.
bool readRows(const QSqlDatabase &db, const QString &sql, std::vector<QVariantList> &rows)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql))
        return false;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        rows.push_back(std::move(row));
    }
    return !q.lastError().isValid();
}

bool insertRows(QSqlDatabase &db, const char *table, const std::vector<QVariantList> &rows, QString *error)
{
    const QStringList columns = schema::table(table).columnNames(schema::Engine::Station);
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT OR REPLACE INTO %1 (%2) VALUES (%3)")
                       .arg(QLatin1String(table), columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
        return failed(q, error);
    for (const QVariantList &row : rows) {
        for (const QVariant &v : row)
            q.addBindValue(v);
        if (!q.exec())
            return failed(q, error);
    }
    return true;
}

} // namespace

qint64 quarterStart(qint64 ms)
{
    return (ms >= 0 ? ms / QuarterMs : (ms - QuarterMs + 1) / QuarterMs) * QuarterMs;
}

bool survey(const QSqlDatabase &db, qint64 before, Pruned &pruned, QString *error)
{
    QSqlQuery q(db);
    if (!run(q,
             QStringLiteral("SELECT COALESCE(SUM(CASE WHEN o.run_id IS NULL AND q.run_id IS NULL THEN 1 ELSE 0 END), 0),"
                            " COALESCE(SUM(CASE WHEN o.run_id IS NOT NULL THEN 1 ELSE 0 END), 0),"
                            " COALESCE(SUM(CASE WHEN o.run_id IS NULL AND q.run_id IS NOT NULL THEN 1 ELSE 0 END), 0)"
                            " FROM runs r LEFT JOIN outbox o ON o.run_id = r.run_id"
                            " LEFT JOIN quarantine q ON q.run_id = r.run_id WHERE r.started_at < ?"),
             {quarterStart(before)}, error))
        return false;
    if (!q.next())
        return failed(q, error);
    pruned.runs = q.value(0).toLongLong();
    pruned.waiting = q.value(1).toLongLong();
    pruned.refused = q.value(2).toLongLong();
    return true;
}

bool step(QSqlDatabase db, Walk &walk, int limit, Pruned &pruned, QString *error)
{
    walk.before = quarterStart(walk.before);
    if (walk.done)
        return true;
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    const auto rollback = [&db](bool) {
        db.rollback();
        return false;
    };
    // In start order (the runs_started index, whose entries end with the
    // rowid), on from where the last step stopped.
    QSqlQuery look(db);
    if (!run(look,
             QStringLiteral("SELECT r.rowid, r.started_at, r.run_id, o.run_id IS NOT NULL, q.run_id IS NOT NULL"
                            " FROM runs r LEFT JOIN outbox o ON o.run_id = r.run_id"
                            " LEFT JOIN quarantine q ON q.run_id = r.run_id"
                            " WHERE r.started_at < ? AND r.started_at >= ? AND (r.started_at > ? OR r.rowid > ?)"
                            " ORDER BY r.started_at, r.rowid LIMIT ?"),
             {walk.before, walk.startedAt, walk.startedAt, walk.rowid, limit}, error))
        return rollback(false);
    std::vector<std::pair<QString, qint64>> prune; // id, start
    int seen = 0;
    Pruned here;
    qint64 rowid = walk.rowid, startedAt = walk.startedAt;
    while (look.next()) {
        ++seen;
        rowid = look.value(0).toLongLong();
        startedAt = look.value(1).toLongLong();
        if (look.value(3).toBool())
            ++here.waiting;
        else if (look.value(4).toBool())
            ++here.refused;
        else
            prune.emplace_back(look.value(2).toString(), startedAt);
    }
    if (look.lastError().isValid())
        return rollback(failed(look, error));
    look.finish();
    QSqlQuery keep(db), remove(db), measured(db);
    if (!keep.prepare(QStringLiteral("INSERT OR REPLACE INTO pruned_runs"
                                     " (barcode, started_at, run_id, verdict, panel_first, panel_last)"
                                     " SELECT barcode, started_at, run_id, verdict, panel_first, panel_last FROM runs"
                                     " WHERE run_id = ? AND barcode <> '' AND (panel_first = 1 OR panel_last = 1)"))
        || !remove.prepare(QStringLiteral("DELETE FROM runs WHERE run_id = ?"))
        || !measured.prepare(QStringLiteral("DELETE FROM measurements WHERE ") + measurementsOfRun()))
        return rollback(failed(keep.lastError().isValid() ? keep : remove.lastError().isValid() ? remove : measured, error));
    for (const auto &[runId, start] : prune) {
        keep.addBindValue(runId);
        if (!keep.exec())
            return rollback(failed(keep, error));
        // Its measurements by their key; its items, failing cells and
        // electrodes go with it (ON DELETE CASCADE).
        measured.addBindValue(start);
        measured.addBindValue(runId);
        if (!measured.exec())
            return rollback(failed(measured, error));
        remove.addBindValue(runId);
        if (!remove.exec())
            return rollback(failed(remove, error));
    }
    here.runs = qint64(prune.size());
    const bool done = seen < limit;
    // Once the walk pruned: every run the line had that started before
    // where the walk stands is gone. (A walk that pruned nothing moves no
    // horizon: a file older than the runs it kept was never recorded here.)
    const bool pruning = walk.pruning || here.runs > 0;
    if (pruning && !advance(db, done ? walk.before : startedAt, here.runs, error))
        return rollback(false);
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    walk.rowid = rowid;
    walk.startedAt = startedAt;
    walk.done = done;
    walk.pruning = pruning;
    pruned.runs += here.runs;
    pruned.waiting += here.waiting;
    pruned.refused += here.refused;
    return true;
}

bool horizon(const QSqlDatabase &db, qint64 &before, QString *error)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT MAX(pruned_before) FROM pruning"), {}, error))
        return false;
    before = q.next() ? q.value(0).toLongLong() : 0;
    return !q.lastError().isValid() || failed(q, error);
}

void readCarried(const QSqlDatabase &old, Carried &carried)
{
    QSqlQuery q(old);
    // (Where even this cannot be read, neither can its runs, which the
    // rebuild says.)
    if (q.exec(QStringLiteral("SELECT MAX(pruned_before), SUM(runs) FROM pruning")) && q.next()) {
        carried.before = q.value(0).toLongLong();
        carried.runs = q.value(1).toLongLong();
    }
    q.finish();
    if (carried.before <= 0)
        return;
    const auto columns = [](const char *table) {
        return schema::table(table).columnNames(schema::Engine::Station).join(QStringLiteral(", "));
    };
    carried.whole = readRows(old, QStringLiteral("SELECT %1 FROM pruned_runs").arg(columns("pruned_runs")), carried.panelRuns)
                    && carried.whole;
    carried.whole = readRows(old,
                             QStringLiteral("SELECT %1 FROM yield_quarters WHERE quarter < %2")
                                 .arg(columns("yield_quarters"))
                                 .arg(carried.before / QuarterMs),
                             carried.quarters)
                    && carried.whole;
}

bool carryPanels(QSqlDatabase &db, const Carried &carried, QString *error)
{
    if (carried.before <= 0)
        return true;
    return insertRows(db, "pruned_runs", carried.panelRuns, error) && advance(db, carried.before, carried.runs, error);
}

bool carryQuarters(QSqlDatabase &db, const Carried &carried, QString *error)
{
    // The quarters before the horizon held the pruned runs' counts, which
    // no run recorded again brings back: they are taken whole as they were.
    if (carried.before <= 0)
        return true;
    QSqlQuery q(db);
    return run(q, QStringLiteral("DELETE FROM yield_quarters WHERE quarter < ?"), {carried.before / QuarterMs}, error)
           && insertRows(db, "yield_quarters", carried.quarters, error);
}

} // namespace results::retention
