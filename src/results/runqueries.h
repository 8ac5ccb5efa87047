#ifndef RUNQUERIES_H
#define RUNQUERIES_H

#include <QSqlDatabase>
#include <QSqlDriver>
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
    // The runs whose barcode starts with it.
    std::optional<QString> barcodePrefix;
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
    // Engineering runs (golden samples, reference panels), by their barcodes'
    // patterns (engineeringPatterns()): left out, or with engineeringOnly the
    // only runs kept.
    QStringList engineering;
    bool engineeringOnly = false;
};

// How a barcode prefix is asked. SQLite compares text byte by byte, so a
// range on the barcode index finds a prefix exactly. PostgreSQL compares in
// the database's collation, where a range can miss barcodes (punctuation
// weighs nothing in most locales): LIKE is exact there and reads an index
// that sorts as C does (the server's runs_barcode_prefix), whatever the
// database's collation. Any: exact on both, but reads every run asked.
enum class Engine { Any, SQLite, PostgreSQL };
Engine engineOf(const QSqlDatabase &db);
Engine engineOf(const QSqlDriver *driver);

// Prepares sql forward-only, binds the values in order and runs it; false
// with the driver's reason.
bool exec(QSqlQuery &query, const QString &sql, const QVariantList &bound, QString *error);

// After a query's rows (next() returned false, or the one row wanted was
// read): false with the reason when they stopped because the connection or
// the store broke off, not because there were no more. Every loop over rows
// ends with it: rows that stopped early are no answer, however many came.
bool finished(const QSqlQuery &query, QString *error);

// The SQL that keeps the runs of filter, for a runs table named alias, with
// its values appended to bound; empty when the filter keeps everything.
// quarters: the time range is also given in quarters of an hour, so that a
// count over many runs reads the yield index (which leads with the quarter)
// instead of the runs. engine: how a barcode prefix is asked.
QString where(const RunFilter &filter, const QString &alias, QVariantList &bound, bool quarters = false,
              Engine engine = Engine::Any);

// The condition that column starts with prefix, its values appended to bound.
QString startsWith(const QString &column, const QString &prefix, Engine engine, QVariantList &bound);

// The patterns of a statistics settings file's engineering barcodes
// (./stats.ini, [engineering] barcodes): "GOLD*" is a prefix, anything else
// one barcode exactly.
QStringList engineeringPatterns(const QString &settingsFile = QStringLiteral("./stats.ini"));
void setEngineeringPatterns(const QStringList &patterns, const QString &settingsFile = QStringLiteral("./stats.ini"));

// The line server's last arrival number (0 before the first run): an export
// by arrival reads up to it, and goes on from it next time. Every run with a
// smaller number is visible once this one is (the server numbers runs one at a
// time), so a cursor taken here misses no run that arrives late.
bool lastReceived(const QSqlDatabase &db, qint64 &seq, QString *error);

// Runs are counted per quarter of an hour in UTC, which the stores index.
constexpr qint64 QuarterMs = 900000;

// The runs of filter, newest first, one row per failed item (or one for a run
// without): run_id, verdict, station, started_at, barcode, lot, file_path,
// worker, failed item or NULL, then the run's conditions: profile_sha1,
// baseline_sha1, firmware_sha1, software_version (NULL where not known).
bool findRuns(QSqlQuery &query, const RunFilter &filter, QString *error);

// How yield is grouped. Hour and Day are local wall-clock time.
enum class GroupBy { Hour, Day, Lot, Station, Profile };
std::optional<GroupBy> groupByName(const QString &name);
qint64 bucketMs(GroupBy by);

// One group's yield. Both yields are of the same panels: those first tested
// in the group (a panel is a barcode; a run without one is a panel of its
// own), whenever and wherever their later runs were. First-pass yield: their
// first run passed; final yield: their latest run passed. Passed at first,
// passed after a retest and never passed divide the panels between them.
struct YieldRow
{
    // A LOT, station or profile; for Hour and Day the local start,
    // "yyyy-MM-dd HH:00" or "yyyy-MM-dd".
    QString group;
    // Hour and Day: the start of the local hour or day, as ms since the epoch
    // read as UTC (so that it prints as the local wall-clock time).
    qint64 bucket = 0;
    qint64 runs = 0;              // runs in the group, retests included
    qint64 panels = 0;            // panels first tested in the group
    qint64 firstPassed = 0;       // ... whose first run passed
    qint64 finalPassed = 0;       // ... whose latest run passed
    qint64 passedAfterRetest = 0; // ... whose first run failed and a later one passed
    qint64 neverPassed = 0;       // ... of which no run passed
    qint64 retests = 0;           // their runs after the first

    // In percent; none for a group without first-tested panels.
    std::optional<double> firstPassYield() const;
    std::optional<double> finalYield() const;
    void add(const YieldRow &other);
};

// The groups with runs, in group order.
bool yieldByGroup(const QSqlDatabase &db, GroupBy by, const RunFilter &filter, std::vector<YieldRow> &rows,
                  QString *error);

// The items in the order a run takes them, the order every output lists them in.
const QStringList &itemOrder();

} // namespace results::queries

#endif
