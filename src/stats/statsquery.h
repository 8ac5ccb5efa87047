#ifndef STATSQUERY_H
#define STATSQUERY_H

#include "capability.h"
#include "runqueries.h"

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <vector>

// The questions the line statistics ask of a results store. Every count is
// made by the database (the same SQL on SQLite and PostgreSQL), so a store of
// a million runs is never loaded; only the rows a chart draws come back.
// A panel is a barcode (a run without one is a panel of its own): a run with
// panel_first = 1 is its panel's first run in the store, panel_last = 1 its
// latest.
namespace stats {

// Which runs a question is about. Times are milliseconds since the epoch
// (UTC), from inclusive, to exclusive; an empty text keeps every value.
struct Filter
{
    qint64 from = 0;
    qint64 to = 0;
    QString station;
    QString lot;
    QString profile;
    // Engineering runs' barcode patterns (results::queries::engineeringPatterns):
    // left out, or with engineeringOnly the only runs kept.
    QStringList engineering;
    bool engineeringOnly = false;
};

using GroupBy = results::queries::GroupBy;
using YieldRow = results::queries::YieldRow;

struct ParetoRow
{
    QString item;   // the store's item name: "open_short", "raster_x", ...
    qint64 runs = 0; // runs in which it failed
};

struct CellCount
{
    char raster = 'X';
    int row = 0;
    int column = 0;
    qint64 panels = 0; // runs that failed at this cell
};

struct ElectrodeCount
{
    char line = 'X';
    int electrode = 0;  // numbered from 1, as the file lists them
    qint64 open = 0;    // runs listing it in an open pair
    qint64 shorts = 0;  // runs listing it in a short pair
};

struct FailureMap
{
    std::vector<CellCount> cells;
    std::vector<ElectrodeCount> electrodes;
    qint64 runs = 0;          // runs of the profile in the range
    qint64 outsideCells = 0;  // failing cells beyond the geometry asked for
};

enum class Measure { Current, TbMean, OpenShortX, OpenShortY };

struct SpcPoint
{
    qint64 startedAt = 0;
    double value = 0;
    QString runId;
    QString station;
    QString barcode;
};

// Control limits from a reference period: centre = mean of the individual
// values, sigma = mean moving range / 1.128.
struct SpcLimits
{
    qint64 count = 0;  // values in the reference period
    double centre = 0;
    double meanRange = 0;
    double sigma() const { return meanRange / 1.128; }
    double upper() const { return centre + 3 * sigma(); }
    double lower() const { return centre - 3 * sigma(); }
    double rangeUpper() const { return 3.267 * meanRange; }
};

struct TraceQuery
{
    QString barcode;
    bool barcodePrefix = false; // the runs whose barcode starts with barcode
    QString lot;
    QString worker;
    QString failedItem;  // only runs in which this item failed
    QString station;     // empty: every station
    QString profile;     // empty: every profile
    qint64 from = 0;     // 0: no bound
    qint64 to = 0;
    int limit = 500;
};

struct TraceRow
{
    QString runId;
    QString station;
    qint64 startedAt = 0;
    QString verdict;
    QString barcode;
    QString lot;
    QString worker;
    QStringList failed;  // in the order a run takes its items
    QString path;
    // What the run was judged against; empty where not known or not used.
    QString profileSha1;
    QString baselineSha1;
    QString firmwareSha1;
    QString softwareVersion;
};

// Each returns false with the driver's reason in error.
bool countRuns(const QSqlDatabase &db, qint64 *runs, QString *error);
// A station's store: the start of the runs it holds, where it pruned older
// ones once the line had them (results/retention.h); 0 for the line's
// server and a store that never pruned.
bool heldFrom(const QSqlDatabase &db, qint64 *from, QString *error);
bool yieldByGroup(const QSqlDatabase &db, const Filter &filter, GroupBy by, std::vector<YieldRow> &rows,
                  QString *error);
bool failurePareto(const QSqlDatabase &db, const Filter &filter, std::vector<ParetoRow> &rows, QString *error);
// The failing raster cells and open/short electrodes of the filter's runs (its
// profile should be set: cells of different geometries do not add up); cells
// beyond rows x columns are counted in outsideCells, not returned.
bool failureMap(const QSqlDatabase &db, const Filter &filter, int rows, int columns, FailureMap &map,
                QString *error);
// The newest `limit` values of the filter's runs, oldest first; total: how
// many values the filter's runs hold.
bool spcSeries(const QSqlDatabase &db, const Filter &filter, Measure measure, int limit,
               std::vector<SpcPoint> &points, qint64 *total, QString *error);
// The limits from the filter's runs (the reference period).
bool spcLimits(const QSqlDatabase &db, const Filter &filter, Measure measure, SpcLimits &limits, QString *error);
bool traceRuns(const QSqlDatabase &db, const TraceQuery &query, std::vector<TraceRow> &rows, QString *error);
bool runContent(const QSqlDatabase &db, const QString &runId, QByteArray &content, QString *error);
// The capability of item's measurements in the filter's runs
// (results::queries::capability).
using Capability = results::queries::Capability;
bool capability(const QSqlDatabase &db, const Filter &filter, const QString &item, std::vector<Capability> &rows,
                QString *error);
// The stations, LOTs or profiles (column) of the runs in the filter's time
// range, for the filter's choices.
bool distinctValues(const QSqlDatabase &db, const Filter &filter, const QString &column, QStringList &values,
                    QString *error);

// Points to mark on an individual-value chart: outside the limits, or the
// eighth and later of a run of points on one side of the centre line.
std::vector<bool> outsideLimits(const std::vector<double> &values, double lower, double upper);
std::vector<bool> runsOfEight(const std::vector<double> &values, double centre);

} // namespace stats

Q_DECLARE_METATYPE(stats::Filter)

#endif
