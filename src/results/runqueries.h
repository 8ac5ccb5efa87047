#ifndef RUNQUERIES_H
#define RUNQUERIES_H

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>
#include <vector>

// The questions asked of a results store, one SQL text each for both engines,
// every value bound. The tool and the statistics window ask them the same way.
namespace results::queries {

// Which runs: each condition given narrows; times are ms since the epoch (UTC),
// since inclusive, until exclusive.
struct RunFilter
{
    std::optional<QString> barcode;
    std::optional<QString> lot;
    std::optional<QString> worker;
    std::optional<QString> station;
    std::optional<QString> profile;
    std::optional<qint64> since;
    std::optional<qint64> until;
    // The line's server only: runs that arrived after receivedAfter and up to
    // receivedUpTo, by the server's arrival number (received_seq).
    std::optional<qint64> receivedAfter;
    std::optional<qint64> receivedUpTo;
};

// Prepares sql forward-only, binds the values in order and runs it; false
// with the driver's reason.
bool exec(QSqlQuery &query, const QString &sql, const QVariantList &bound, QString *error);

// The SQL that keeps the runs of filter, for a runs table named alias, with
// its values appended to bound; empty when the filter keeps everything.
// quarters: the time range is also given in quarters of an hour, so that a
// count over many runs reads the yield index (which leads with the quarter)
// instead of the runs.
QString where(const RunFilter &filter, const QString &alias, QVariantList &bound, bool quarters = false);

// The line server's last arrival number (0 before the first run): an export
// by arrival reads up to it, and goes on from it next time. Every run with a
// smaller number is visible once this one is (the server numbers runs one at a
// time), so a cursor taken here misses no run that arrives late.
bool lastReceived(const QSqlDatabase &db, qint64 &seq, QString *error);

// Runs are counted per quarter of an hour in UTC, which the stores index.
constexpr qint64 QuarterMs = 900000;

// The runs of filter, newest first, one row per failed item (or one for a run
// without): run_id, verdict, station, started_at, barcode, lot, file_path,
// worker, failed item or NULL.
bool findRuns(QSqlQuery &query, const RunFilter &filter, QString *error);

// How yield is grouped. Hour and Day are local wall-clock time.
enum class GroupBy { Hour, Day, Lot, Station, Profile };
std::optional<GroupBy> groupByName(const QString &name);
qint64 bucketMs(GroupBy by);

// One group's yield: its runs, the panels first tested there and how many of
// those passed at once, the panels whose latest run is there and how many of
// those passed.
struct YieldRow
{
    // For Hour and Day the start of the local hour or day, as ms since the
    // epoch read as UTC (so that it prints as the local wall-clock time); else
    // the LOT, station or profile.
    QVariant group;
    qint64 runs = 0;
    qint64 panels = 0;
    qint64 firstPassed = 0;
    qint64 lastPanels = 0;
    qint64 lastPassed = 0;
};

// The groups with runs, in group order.
bool yieldByGroup(const QSqlDatabase &db, GroupBy by, const RunFilter &filter, std::vector<YieldRow> &rows,
                  QString *error);

// The items in the order a run takes them, the order every output lists them in.
const QStringList &itemOrder();

} // namespace results::queries

#endif
