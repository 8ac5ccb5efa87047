#include "statsservice.h"

#include "linesettings.h"
#include "resultstore.h"

#include <QFileInfo>

namespace stats {

namespace {

constexpr qint64 HourMs = 3600000;

bool answerInto(const QSqlDatabase &db, const Request &request, Reply &reply)
{
    QString *error = &reply.error;
    if (!countRuns(db, &reply.storeRuns, error) || !heldFrom(db, &reply.heldFrom, error))
        return false;
    switch (request.view) {
    case View::Yield:
    case View::Shift: {
        if (request.view == View::Yield
            && !(yieldByGroup(db, request.filter, request.by, reply.yield, error)
                 && distinctValues(db, request.filter, QStringLiteral("station"), reply.stations, error)
                 && distinctValues(db, request.filter, QStringLiteral("profile"), reply.profiles, error)))
            return false;
        // Shift: the filter is the shift so far; Yield: the hour holding now.
        Filter current = request.filter;
        if (request.view == View::Yield) {
            const qint64 offset = QDateTime::fromMSecsSinceEpoch(request.now).offsetFromUtc() * qint64(1000);
            current.from = (request.now + offset) / HourMs * HourMs - offset;
            current.to = current.from + HourMs;
        }
        std::vector<YieldRow> rows;
        if (!yieldByGroup(db, current, GroupBy::Station, rows, error))
            return false;
        for (const YieldRow &row : rows)
            reply.currentHour.add(row);
        return true;
    }
    case View::Pareto:
        return failurePareto(db, request.filter, reply.pareto, error);
    case View::Map:
        return failureMap(db, request.filter, request.rows, request.columns, reply.map, error);
    case View::Spc: {
        // A measurement drifts on one station: several stations in one chart
        // flag the healthy ones against the others' limits. Without a station
        // asked for, the first with runs in the range is drawn.
        Filter filter = request.filter;
        if (filter.station.isEmpty()) {
            QStringList stations;
            if (!distinctValues(db, filter, QStringLiteral("station"), stations, error))
                return false;
            filter.station = stations.value(0);
        }
        reply.spcStation = filter.station;
        if (filter.station.isEmpty())
            return true; // no runs in the range
        Filter reference = request.reference;
        reference.station = filter.station;
        return spcLimits(db, reference, request.measure, reply.limits, error)
               && spcSeries(db, filter, request.measure, request.points, reply.points, &reply.spcValues, error);
    }
    case View::Trace:
        return traceRuns(db, request.trace, reply.trace, error);
    case View::Content:
        reply.runId = request.runId;
        return runContent(db, request.runId, reply.content, error);
    case View::Conditions: {
        reply.runId = request.runId;
        namespace conditions = results::conditions;
        bool found = false;
        return conditions::runConditions(db, request.runId, reply.conditions, error)
               && (reply.conditions.profileSha1.isEmpty()
                   || conditions::textOf(db, reply.conditions.profileSha1, reply.profileText, found, error))
               && (reply.conditions.previousSha1.isEmpty()
                   || conditions::textOf(db, reply.conditions.previousSha1, reply.previousText, found, error));
    }
    case View::Capability:
        return capability(db, request.filter, request.item, reply.capability, error);
    case View::Count:
        break;
    }
    return false;
}

} // namespace

Reply answer(const QSqlDatabase &db, const Request &request)
{
    Reply reply;
    reply.view = request.view;
    if (!answerInto(db, request, reply) && reply.error.isEmpty())
        reply.error = QStringLiteral("the question could not be asked");
    return reply;
}

// Lives on the service's thread with the connection it opened there.
class StatsWorker : public QObject
{
public:
    StatsWorker(StatsService *front, const Source &source) : m_front(front), m_source(source) {}

    void setSource(const Source &source)
    {
        m_source = source;
        m_store.reset();
    }

    void answer(const Request &request, quint64 id)
    {
        // Asked again while this one waited: the newer one is answered instead.
        if (m_front->m_latest[std::size_t(request.view)].load() != id)
            return;
        Reply reply;
        QString reason;
        if (ensureOpen(reason)) {
            reply = stats::answer(m_store->database(), request);
            // A line server that went away leaves a connection that no longer
            // works: the next question opens a new one.
            if (!reply.error.isEmpty() && m_source.line)
                m_store.reset();
        } else {
            reply.view = request.view;
            reply.error = reason;
        }
        reply.id = id;
        emit m_front->answered(reply);
    }

private:
    bool ensureOpen(QString &reason)
    {
        if (m_store && m_store->isOpen())
            return true;
        m_store = std::make_unique<results::ResultStore>();
        if (!m_source.line) {
            // A viewer makes no store: a station that never filed has none.
            if (!QFileInfo::exists(m_source.path)) {
                reason = StatsService::tr("there is no results store at %1 yet").arg(m_source.path);
                m_store.reset();
                return false;
            }
            if (m_store->openLocal(m_source.path, &reason))
                return true;
        } else if (m_source.connection.isEmpty()) {
            reason = StatsService::tr("no line store is configured (./line.ini)");
        } else if (m_store->openDatabase(
                       results::addLineDatabase(m_source.connection, m_store->connectionName()), &reason)) {
            return true;
        } else {
            reason = StatsService::tr("the line store is not reached: %1").arg(reason.trimmed());
        }
        m_store.reset();
        return false;
    }

    StatsService *m_front;
    Source m_source;
    std::unique_ptr<results::ResultStore> m_store;
};

StatsService::StatsService(const Source &source, QObject *parent) : QObject(parent), m_source(source)
{
    qRegisterMetaType<stats::Reply>();
    m_thread.setObjectName(QStringLiteral("statistics"));
    auto worker = std::make_unique<StatsWorker>(this, source);
    worker->moveToThread(&m_thread);
    m_worker = worker.release();
    // The thread owns the worker from here: it goes, with its connection, when
    // the thread ends.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

StatsService::~StatsService()
{
    // Questions still waiting are dropped; one being answered is finished.
    for (auto &latest : m_latest)
        latest.store(0);
    m_thread.quit();
    m_thread.wait();
}

void StatsService::setSource(const Source &source)
{
    m_source = source;
    StatsWorker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker, source] { worker->setSource(source); }, Qt::QueuedConnection);
}

quint64 StatsService::ask(const Request &request)
{
    const quint64 id = ++m_next;
    m_latest[std::size_t(request.view)].store(id);
    StatsWorker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker, request, id] { worker->answer(request, id); },
                              Qt::QueuedConnection);
    return id;
}

bool StatsService::isLatest(const Reply &reply) const
{
    return m_latest[std::size_t(reply.view)].load() == reply.id;
}

} // namespace stats
