#ifndef RESULTS_PARTITIONS_H
#define RESULTS_PARTITIONS_H

#include "schema.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <vector>

// The line's server keeps the runs and their children in one partition per
// month (UTC) of the run's start: "runs_2026_12", "items_2026_12", ..., and a
// default partition each ("runs_default") that takes a run of a month that
// has none (a clock years off, a folder of old files copied in late), so that
// no run is refused for its date. A month goes whole: its partitions are
// detached and dropped, which frees its disk at once where deleting rows
// would leave it to VACUUM.
//
// None of these opens or ends a transaction: the caller runs each in one, as
// the schema's owner.
namespace results::partitions {

// The tables split by month, parents before children.
std::vector<const schema::Table *> tables();

// The start (ms since the epoch) of the UTC month that holds ms, moved by
// shift months.
qint64 monthStart(qint64 ms, int shift = 0);
// "runs_2026_12" for table and the month starting at start.
QString monthName(const char *table, qint64 start);
// "2026-12".
QString monthText(qint64 start);

bool isPartitioned(QSqlDatabase &db, const char *table, bool &partitioned, QString *error);

// The default partition of every split table, where missing.
bool ensureDefaults(QSqlDatabase &db, QStringList *created, QString *error);
// The month starting at start in every split table, where missing, with the
// rows the default partitions hold for it moved in.
bool ensureMonth(QSqlDatabase &db, qint64 start, QStringList *created, QString *error);
// Every month that holds a run of runsTable (a table with started_at, read
// through an index on it).
bool ensureMonthsOf(QSqlDatabase &db, const QString &runsTable, QStringList *created, QString *error);

// The months that have partitions of runs, in order (their starts).
bool months(QSqlDatabase &db, std::vector<qint64> &starts, QString *error);

struct Dropped
{
    qint64 runs = 0; // in the month's partition
    // Of them, put back (into the default partition) with their panel: a
    // panel tested again after the month keeps all its runs, so that its
    // first and last run and the yield of its quarters stay right when it
    // is tested once more.
    qint64 kept = 0;
    // Runs before the month's end that were only kept for their panel, or
    // arrived after their month was dropped, dropped from the default
    // partition now.
    qint64 fromDefault = 0;
};

// Drops the month starting at start from every split table, after checking
// that the yield per quarter counts every one of its runs (those counts
// stay). Run ids stay in run_ids: a run sent again is known, not added.
bool dropMonth(QSqlDatabase &db, qint64 start, Dropped &dropped, QString *error);

} // namespace results::partitions

#endif
