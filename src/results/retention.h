#ifndef RETENTION_H
#define RETENTION_H

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <limits>
#include <vector>

// Pruning the station's store: runs older than the station keeps them go
// once the line's server has them, never one the outbox or the quarantine
// still holds. What goes is a run's row with its text, items, failing cells
// and electrodes; the filed CSV files are not touched. What stays:
//  - its counts in yield_quarters (pruning never subtracts from them);
//  - a panel's first and latest run, where pruned, as a row of pruned_runs,
//    so that the panel's next run is a retest and moves the latest run's
//    count out of its quarter;
//  - the store's horizon (pruned_before): a file found in a folder that
//    started before it is not recorded again (catch-up, rebuild, import), for
//    its run was counted and pruned.
// A run is cut by the quarter of an hour it started in, so that the quarters
// on either side of the horizon hold runs of one kind only.
namespace results::retention {

constexpr qint64 QuarterMs = 900000;

// ms rounded down to the start of its quarter of an hour.
qint64 quarterStart(qint64 ms);

// What pruning did (or, surveyed, would do) with the runs before a time.
struct Pruned
{
    qint64 runs = 0;    // pruned (would be)
    qint64 waiting = 0; // kept: the outbox holds them, the line has not acknowledged them
    qint64 refused = 0; // kept: in quarantine
};

// Where a pruning walk stands: the runs are walked in start order, a step
// at a time, so that the station's writer is never held for long.
struct Walk
{
    qint64 before = 0; // the runs that started before this (quarterStart()ed)
    qint64 startedAt = std::numeric_limits<qint64>::min();
    qint64 rowid = std::numeric_limits<qint64>::min();
    bool done = false;
    bool pruning = false; // a step of this walk pruned
};

// What pruning before `before` would do; nothing is changed.
bool survey(const QSqlDatabase &db, qint64 before, Pruned &pruned, QString *error);

// One step of a walk: the next `limit` runs looked at, those the line has
// acknowledged pruned, in one transaction; pruned counts them. walk.done
// once the walk passed walk.before; the horizon moves as it goes.
bool step(QSqlDatabase db, Walk &walk, int limit, Pruned &pruned, QString *error);

// The store's horizon: every run that started before it and that the line
// had acknowledged was pruned. 0 when nothing was ever pruned.
bool horizon(const QSqlDatabase &db, qint64 &before, QString *error);

// What a store pruned, carried into the store rebuilt from it (resultrecorder.h):
// read from the old one as far as it can be read; the horizon and the pruned
// panels' runs put in before its runs are recorded again, and the counts of
// the quarters before the horizon (which held the pruned runs) put back once
// they are, before anything new is recorded.
struct Carried
{
    qint64 before = 0;
    qint64 runs = 0;
    std::vector<QVariantList> panelRuns; // pruned_runs
    std::vector<QVariantList> quarters;  // yield_quarters before the horizon
    bool whole = true;                   // all it kept of its pruned runs could be read
};
void readCarried(const QSqlDatabase &old, Carried &carried);
bool carryPanels(QSqlDatabase &db, const Carried &carried, QString *error);
bool carryQuarters(QSqlDatabase &db, const Carried &carried, QString *error);

} // namespace results::retention

#endif
