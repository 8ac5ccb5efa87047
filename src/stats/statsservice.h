#ifndef STATSSERVICE_H
#define STATSSERVICE_H

#include "conditions.h"
#include "statsquery.h"

#include <QObject>
#include <QThread>

#include <array>
#include <atomic>
#include <memory>

// The statistics' questions, answered on a thread of their own with a
// connection of their own, so that a slow query or a line server that does not
// answer never holds the window. Of the questions for one view only the last
// asked is answered: one overtaken while it waited is dropped.
namespace stats {

struct Source
{
    bool line = false;
    QString path;        // the station's SQLite file
    QString connection;  // the line's libpq connection string
};

enum class View { Yield, Pareto, Map, Spc, Trace, Content, Shift, Conditions, Capability, Count };

struct Request
{
    View view = View::Yield;
    Filter filter;
    GroupBy by = GroupBy::Hour;
    qint64 now = 0;           // Yield: the current hour is the one holding now
    int rows = 0;             // Map: the raster's rows and columns
    int columns = 0;
    Measure measure = Measure::Current;
    Filter reference;         // Spc: the period the limits come from (its station is the filter's)
    int points = 500;
    TraceQuery trace;
    QString runId;            // Content, Conditions
    QString item;             // Capability: the item as the result file names it
};

struct Reply
{
    View view = View::Yield;
    quint64 id = 0;
    QString error;            // empty: the answer below holds
    qint64 storeRuns = 0;     // every run in the store
    qint64 heldFrom = 0;      // the station's store: before this its runs were pruned; 0: none were
    std::vector<YieldRow> yield;
    YieldRow currentHour;     // Yield and Shift
    QStringList stations;     // Yield: the choices of the filter
    QStringList profiles;
    std::vector<ParetoRow> pareto;
    FailureMap map;
    std::vector<SpcPoint> points;
    qint64 spcValues = 0;     // Spc: the values in the range, of which points are the newest
    QString spcStation;       // Spc: the station drawn (the first, when none was asked for)
    SpcLimits limits;
    std::vector<TraceRow> trace;
    QString runId;
    QByteArray content;
    // Conditions: what the run was judged against, its profile version's
    // text and the text of the version before it.
    results::conditions::RunConditions conditions;
    QByteArray profileText;
    QByteArray previousText;
    std::vector<Capability> capability;
};

class StatsWorker;

class StatsService : public QObject
{
    Q_OBJECT

public:
    explicit StatsService(const Source &source, QObject *parent = nullptr);
    ~StatsService() override;

    // The next questions go to this store.
    void setSource(const Source &source);
    const Source &source() const { return m_source; }
    // Asks; returns the question's id. The answer comes through answered().
    quint64 ask(const Request &request);
    // False for an answer to a question that was asked again since.
    bool isLatest(const Reply &reply) const;

signals:
    void answered(const stats::Reply &reply);

private:
    friend class StatsWorker;
    Source m_source;
    QThread m_thread;
    StatsWorker *m_worker = nullptr; // lives on m_thread, deleted when it finishes
    std::array<std::atomic<quint64>, std::size_t(View::Count)> m_latest{};
    quint64 m_next = 0;
};

// One answer, on the calling thread, from an open connection (the worker's
// work, also what the benchmarks time).
Reply answer(const QSqlDatabase &db, const Request &request);

} // namespace stats

Q_DECLARE_METATYPE(stats::Reply)

#endif
