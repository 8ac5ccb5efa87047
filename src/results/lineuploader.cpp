#include "lineuploader.h"

#include "lineserver.h"
#include "linesettings.h"
#include "resultstore.h"
#include "runrows.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>

#include <libpq-fe.h>

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>

namespace results {

namespace {

// How many runs the uploader reads from the outbox at a time, and asks the
// server about at once.
constexpr int Batch = 50;
// When nothing kicks it, the uploader looks at the outbox this often anyway
// (runs recorded by another process, e.g. the tool's import).
constexpr int PollMs = 1000;
constexpr int FirstBackOffMs = 1000;
constexpr int MaxBackOffMs = 30000;
// A clock this far from the server's is worth saying: panels' first and last
// runs, and so retests, are ordered by the stations' clocks.
constexpr qint64 ClockToleranceMs = 60000;

QString firstLine(const QString &text)
{
    return text.trimmed().section(QLatin1Char('\n'), 0, 0);
}

} // namespace

// What the uploader's own thread may know and do of the worker's connection
// to the server while the worker waits in a call: since when it waits, and
// cutting the connection (shutting its socket down wakes the worker with an
// error, as a broken line would; the worker still closes it).
struct ServerLink
{
    std::atomic<qint64> callSince{0}; // ms since the epoch; 0: no call waits

    // The worker's connection opened (its socket) or about to close (-1).
    // After cut(), a connection just opened is cut at once.
    void setSocket(int socket)
    {
        const std::lock_guard<std::mutex> hold(lock);
        fd = socket;
        if (closing && fd >= 0)
            ::shutdown(fd, SHUT_RDWR);
    }

    void cut()
    {
        const std::lock_guard<std::mutex> hold(lock);
        closing = true;
        if (fd >= 0)
            ::shutdown(fd, SHUT_RDWR);
    }

    bool isClosing()
    {
        const std::lock_guard<std::mutex> hold(lock);
        return closing;
    }

private:
    std::mutex lock;
    int fd = -1;
    bool closing = false;
};

namespace {

// The socket of a QPSQL connection, -1 when it has none.
int socketOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // The driver names the type as libpq's header declares it.
    if (!handle.isValid()
        || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return -1;
    PGconn *connection = *static_cast<PGconn *const *>(handle.constData());
    return connection ? PQsocket(connection) : -1;
}

// Marks a call to the server for the uploader's watch while it lasts.
class Call
{
public:
    explicit Call(ServerLink &link) : m_link(link) { m_link.callSince = QDateTime::currentMSecsSinceEpoch(); }
    ~Call() { m_link.callSince = 0; }
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

private:
    ServerLink &m_link;
};

} // namespace

class UploadWorker : public QObject
{
    Q_OBJECT

public:
    UploadWorker(LineUploader *front, std::shared_ptr<ServerLink> link, const QString &localStore,
                 const QString &connection, const QString &station, const QString &machine)
        : m_front(front)
        , m_link(std::move(link))
        , m_localPath(localStore)
        , m_connection(connection)
        , m_station(station)
        , m_machine(machine)
    {
        // Children, so that they move to the uploader's thread with the worker.
        m_timer = new QTimer(this);
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, this, &UploadWorker::attempt);
    }

    ~UploadWorker() override { closeServer(); }

    // From here on the worker sends by itself; until then only when asked.
    void start()
    {
        m_polling = true;
        m_timer->start(0);
    }

    void kick()
    {
        // While backing off after a failure, a new run waits for the back-off.
        if (m_polling && m_state.connected)
            m_timer->start(0);
    }

    LineUploader::State attempt()
    {
        m_timer->stop();
        m_state.sent = 0;
        const Outcome outcome = sendWaiting();
        m_state.waiting = count(QStringLiteral("outbox"), m_state.waiting);
        m_state.refused = count(QStringLiteral("quarantine"), m_state.refused);
        if (outcome == Outcome::Failed) {
            m_state.retryMs = m_backOffMs;
            if (m_polling)
                m_timer->start(m_backOffMs);
            m_backOffMs = std::min(m_backOffMs * 2, MaxBackOffMs);
        } else {
            m_backOffMs = FirstBackOffMs;
            m_state.retryMs = 0;
            // A run refused but not yet in quarantine is tried again after a pause.
            if (m_polling)
                m_timer->start(outcome == Outcome::Refusals ? FirstBackOffMs : m_state.waiting > 0 ? 0 : PollMs);
        }
        emit m_front->stateChanged(m_state);
        return m_state;
    }

private:
    enum class Outcome { Done, Refusals, Failed };
    enum class Sent { Yes, Refused, Failed };

    bool openLocal()
    {
        if (m_local.isOpen())
            return true;
        QString error;
        if (m_local.openLocal(m_localPath, &error))
            return true;
        m_state.reason = error;
        return false;
    }

    // The server's schema, this station's claim and the server's clock.
    bool openServer()
    {
        if (m_server.isOpen())
            return true;
        if (m_link->isClosing())
            return serverAway(QStringLiteral("the uploader is closing"));
        QString error;
        bool opened = false;
        {
            const Call call(*m_link);
            opened = m_server.openDatabase(addLineDatabase(m_connection, m_server.connectionName()), &error);
        }
        if (!opened)
            return serverAway(error);
        m_link->setSocket(socketOf(m_server.database()));
        QSqlQuery *claim = prepared(lineserver::claimSql());
        if (!claim)
            return serverAway(m_prepareError);
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        claim->addBindValue(m_station);
        claim->addBindValue(m_machine);
        if (!exec(claim) || !claim->next())
            return serverAway(lineserver::reason(claim->lastError()));
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        m_state.clockOffsetMs = (before + after) / 2 - claim->value(0).toLongLong();
        claim->finish();
        return true;
    }

    bool serverAway(const QString &why)
    {
        m_state.connected = false;
        m_state.reason = firstLine(why);
        closeServer();
        return false;
    }

    void closeServer()
    {
        m_serverTexts.clear();
        m_prepared.clear(); // before the connection they belong to
        m_link->setSocket(-1);
        m_server.close();
        m_state.connected = false;
    }

    int count(const QString &table, int otherwise)
    {
        if (!openLocal())
            return otherwise;
        QSqlQuery q(m_local.database());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)) && q.next() ? q.value(0).toInt()
                                                                                        : otherwise;
    }

    bool localFailed(const QSqlQuery &q)
    {
        m_state.reason = firstLine(q.lastError().text());
        m_local.close();
        return false;
    }

    // The outbox once through, oldest first, a batch at a time; a run refused
    // stays behind and the rest go on.
    Outcome sendWaiting()
    {
        if (!openLocal() || !openServer())
            return Outcome::Failed;
        m_state.connected = true;
        m_state.reason.clear();
        bool refusals = false;
        // Runs queued in the same millisecond go in the order they were
        // queued (the table's own row numbers), not by their ids.
        qint64 afterQueued = std::numeric_limits<qint64>::min();
        qint64 afterRow = std::numeric_limits<qint64>::min();
        for (;;) {
            std::vector<std::pair<qint64, QString>> batch;
            {
                QSqlQuery q(m_local.database());
                q.prepare(QStringLiteral("SELECT queued_at, run_id, rowid FROM outbox WHERE queued_at > ?"
                                         " OR (queued_at = ? AND rowid > ?) ORDER BY queued_at, rowid LIMIT ?"));
                for (const QVariant &v : {QVariant(afterQueued), QVariant(afterQueued), QVariant(afterRow), QVariant(Batch)})
                    q.addBindValue(v);
                if (!q.exec())
                    return localFailed(q), Outcome::Failed;
                while (q.next()) {
                    batch.emplace_back(q.value(0).toLongLong(), q.value(1).toString());
                    afterRow = q.value(2).toLongLong();
                }
            }
            if (batch.empty()) {
                // Nothing went this time: a question that costs the server
                // nothing keeps "connected" true.
                if (m_state.sent == 0 && !refusals && !ping())
                    return Outcome::Failed;
                return refusals ? Outcome::Refusals : Outcome::Done;
            }
            afterQueued = batch.back().first;
            std::set<QString> known;
            if (batch.size() > 1 && !askKnown(batch, known))
                return Outcome::Failed;
            for (const auto &entry : batch) {
                const QString &runId = entry.second;
                const Sent sent = known.count(runId) ? acknowledge(runId) : sendRun(runId);
                if (sent == Sent::Failed)
                    return Outcome::Failed;
                refusals = refusals || sent == Sent::Refused;
            }
        }
    }

    bool ping()
    {
        QSqlQuery *ping = prepared(QStringLiteral("SELECT 1"));
        if (!ping)
            return serverFailed(m_prepareError);
        if (!exec(ping))
            return serverFailed(lineserver::reason(ping->lastError()));
        ping->finish();
        return true;
    }

    // Which runs of the batch the server holds already (a store rebuilt and
    // queued again): those leave the outbox without their texts travelling.
    bool askKnown(const std::vector<std::pair<qint64, QString>> &batch, std::set<QString> &known)
    {
        QStringList marks;
        QVariantList ids;
        for (const auto &entry : batch) {
            marks << QStringLiteral("?");
            ids << entry.second;
        }
        QSqlQuery q(m_local.database());
        q.prepare(QStringLiteral("SELECT run_id, station, file_name, content_sha1 FROM runs WHERE run_id IN (%1)")
                      .arg(marks.join(QStringLiteral(", "))));
        for (const QVariant &id : ids)
            q.addBindValue(id);
        if (!q.exec())
            return localFailed(q);
        QStringList asked;
        while (q.next()) {
            // Only this station's own runs; a role may ask about no other.
            if (q.value(1).toString() != m_station || q.value(2).toString().isEmpty())
                continue;
            QStringList fields;
            const char *const names[] = {"run_id", "station", "file_name", "content_sha1"};
            for (int i = 0; i < 4; ++i)
                fields << jsonText(QLatin1String(names[i])) + QLatin1Char(':') + jsonText(q.value(i).toString());
            asked << QLatin1Char('{') + fields.join(QLatin1Char(',')) + QLatin1Char('}');
        }
        if (asked.isEmpty())
            return true;
        QSqlQuery *ask = prepared(lineserver::knownRunsSql());
        if (!ask)
            return serverFailed(m_prepareError);
        ask->addBindValue(QLatin1Char('[') + asked.join(QLatin1Char(',')) + QLatin1Char(']'));
        if (!exec(ask)) {
            // Asking is a saving, not a need: a refusal sends the runs one by one.
            return lineserver::transient(ask->lastError()) ? serverFailed(lineserver::reason(ask->lastError())) : true;
        }
        while (ask->next())
            known.insert(ask->value(0).toString());
        ask->finish();
        return true;
    }

    Sent sendRun(const QString &runId)
    {
        RunRows rows;
        QString error;
        if (!readRunRows(m_local.database(), runId, rows, &error)) {
            m_state.reason = firstLine(error);
            m_local.close();
            return Sent::Failed;
        }
        // Gone from the store meanwhile (a cascade): nothing to send.
        if (rows.tables.empty())
            return acknowledge(runId);
        // A text the store cannot give back and whose file is gone: never sent
        // as something else, and held apart with the reason like a refusal.
        if (!rows.textError.isEmpty())
            return refuse(runId, rows.value("file_path").toString(), rows.textError);
        QSqlQuery *record = prepared(lineserver::recordRunSql());
        if (!record)
            return serverFailed(m_prepareError), Sent::Failed;
        const RunRows lean = withoutKnownTexts(rows);
        record->addBindValue(linePayload(lean));
        bool sent = exec(record);
        if (!sent && lean.texts.size() < rows.texts.size() && lineserver::missingText(record->lastError())) {
            // The server lacks a text taken for sent: all of them go again.
            m_serverTexts.clear();
            record->addBindValue(linePayload(rows));
            sent = exec(record);
        }
        if (!sent) {
            const QSqlError e = record->lastError();
            if (lineserver::transient(e))
                return serverFailed(lineserver::reason(e)), Sent::Failed;
            return refuse(runId, rows.value("file_path").toString(), lineserver::reason(e));
        }
        record->finish();
        const int sha1 = schema::table("texts").indexOf("sha1", schema::Engine::Station);
        for (const QVariantList &text : rows.texts)
            m_serverTexts.insert(text.at(sha1).toString());
        return acknowledge(runId);
    }

    // A text goes to the server until it has taken it over this connection:
    // the next runs of the same profile and baseline travel without them.
    RunRows withoutKnownTexts(RunRows rows) const
    {
        const int sha1 = schema::table("texts").indexOf("sha1", schema::Engine::Station);
        rows.texts.erase(std::remove_if(rows.texts.begin(), rows.texts.end(),
                                        [&](const QVariantList &text) {
                                            return m_serverTexts.count(text.at(sha1).toString()) > 0;
                                        }),
                         rows.texts.end());
        return rows;
    }

    // The server holds the run: it leaves the outbox.
    Sent acknowledge(const QString &runId)
    {
        QSqlQuery done(m_local.database());
        done.prepare(QStringLiteral("DELETE FROM outbox WHERE run_id = ?"));
        done.addBindValue(runId);
        if (!done.exec())
            return localFailed(done), Sent::Failed;
        ++m_state.sent;
        emit m_front->uploaded(runId);
        return Sent::Yes;
    }

    // The server refused the run: counted, and after a few refusals put in
    // quarantine with the server's reason.
    Sent refuse(const QString &runId, const QString &path, const QString &why)
    {
        m_state.refusal = why;
        QSqlDatabase local = m_local.database();
        QSqlQuery q(local);
        const auto run = [&q](const QString &sql, const QVariantList &bound) {
            q.prepare(sql);
            for (const QVariant &v : bound)
                q.addBindValue(v);
            return q.exec();
        };
        if (!local.transaction())
            return localFailed(q), Sent::Failed;
        bool ok = run(QStringLiteral("UPDATE outbox SET attempts = attempts + 1, last_error = ? WHERE run_id = ?"),
                      {why, runId})
                  && run(QStringLiteral("SELECT attempts FROM outbox WHERE run_id = ?"), {runId});
        const bool quarantine = ok && q.next() && q.value(0).toInt() >= LineUploader::RefusalsBeforeQuarantine;
        if (ok && quarantine) {
            ok = run(QStringLiteral("INSERT INTO quarantine (run_id, refused_at, attempts, reason)"
                                    " SELECT run_id, ?, attempts, ? FROM outbox WHERE run_id = ?"
                                    " ON CONFLICT (run_id) DO UPDATE SET refused_at = excluded.refused_at,"
                                    " attempts = excluded.attempts, reason = excluded.reason"),
                     {QDateTime::currentMSecsSinceEpoch(), why, runId})
                 && run(QStringLiteral("DELETE FROM outbox WHERE run_id = ?"), {runId});
        }
        if (!ok || !local.commit()) {
            m_state.reason = firstLine(q.lastError().isValid() ? q.lastError().text() : local.lastError().text());
            q.finish();
            local.rollback();
            m_local.close();
            return Sent::Failed;
        }
        if (quarantine)
            emit m_front->refused(runId, path, why);
        return Sent::Refused;
    }

    // The server's statements, prepared once per connection: each prepare and
    // each release is a round trip to the server.
    QSqlQuery *prepared(const QString &sql)
    {
        auto &query = m_prepared[sql];
        if (!query) {
            auto fresh = std::make_unique<QSqlQuery>(m_server.database());
            if (!fresh->prepare(sql)) {
                m_prepareError = lineserver::reason(fresh->lastError());
                m_prepared.erase(sql);
                return nullptr;
            }
            query = std::move(fresh);
        }
        return query.get();
    }

    // A statement of the server's, watched while it waits for the answer.
    bool exec(QSqlQuery *query)
    {
        const Call call(*m_link);
        return query->exec();
    }

    // The server or the connection failed (not the run): closed, and tried
    // afresh after the back-off.
    bool serverFailed(const QString &why)
    {
        m_state.reason = firstLine(why);
        closeServer();
        return false;
    }

    LineUploader *m_front;
    std::shared_ptr<ServerLink> m_link;
    QString m_localPath;
    QString m_connection;
    QString m_station;
    QString m_machine;
    ResultStore m_local;
    ResultStore m_server;
    LineUploader::State m_state;
    QTimer *m_timer = nullptr;
    int m_backOffMs = FirstBackOffMs;
    std::map<QString, std::unique_ptr<QSqlQuery>> m_prepared;
    QString m_prepareError;
    // The texts the server took over this connection.
    std::set<QString> m_serverTexts;
    bool m_polling = false;
};

LineUploader::LineUploader(const QString &localStore, const QString &connection, const QString &station,
                           const QString &machine, Attempts attempts, QObject *parent)
    : QObject(parent)
    , m_link(std::make_shared<ServerLink>())
    , m_localPath(localStore)
{
    qRegisterMetaType<results::LineUploader::State>();
    m_thread.setObjectName(QStringLiteral("line uploader"));
    // The worker's states, queued to this thread, are the latest known.
    connect(this, &LineUploader::stateChanged, this, [this](const State &state) {
        if (!m_silent)
            m_last = state;
    });
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, &LineUploader::watchSilence);
    m_watch.start();
    auto worker = std::make_unique<UploadWorker>(this, m_link, localStore, connection, station, machine);
    worker->moveToThread(&m_thread);
    m_worker = worker.release();
    // The thread owns the worker from here: it goes when the thread ends.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    if (attempts == Attempts::WhenAsked)
        return;
    UploadWorker *w = m_worker;
    QMetaObject::invokeMethod(m_worker, [w] { w->start(); }, Qt::QueuedConnection);
}

LineUploader::~LineUploader()
{
    m_thread.quit();
    // A run whose answer is cut off stays in the outbox: sent again, the
    // server knows it.
    m_link->cut();
    m_thread.wait();
}

void LineUploader::watchSilence()
{
    const qint64 since = m_link->callSince;
    const qint64 silent = since > 0 ? QDateTime::currentMSecsSinceEpoch() - since : 0;
    if (silent < SilenceMs)
        return;
    State state = m_last;
    // The worker, waiting, cannot count: what the recorder added since is
    // read here, from a connection of this thread's own.
    {
        ResultStore local;
        if (local.openLocal(m_localPath, nullptr)) {
            QSqlQuery q(local.database());
            if (q.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) && q.next())
                state.waiting = q.value(0).toInt();
        }
    }
    state.connected = false;
    state.sent = 0;
    state.retryMs = 0;
    state.reason = QStringLiteral("the server has not answered for %1 s").arg(silent / 1000);
    m_silent = true;
    emit stateChanged(state);
    m_silent = false;
}

void LineUploader::kick()
{
    UploadWorker *w = m_worker;
    QMetaObject::invokeMethod(m_worker, [w] { w->kick(); }, Qt::QueuedConnection);
}

LineUploader::State LineUploader::syncNow()
{
    State state;
    UploadWorker *w = m_worker;
    QMetaObject::invokeMethod(m_worker, [w, &state] { state = w->attempt(); }, Qt::BlockingQueuedConnection);
    return state;
}

bool LineUploader::retryRefused(ResultStore &local, int *count, QString *error)
{
    QSqlDatabase db = local.database();
    QSqlQuery q(db);
    const bool ok = db.transaction() && q.exec(QStringLiteral("SELECT COUNT(*) FROM quarantine")) && q.next()
                    && ((count ? *count = q.value(0).toInt() : 0), true)
                    && q.exec(QStringLiteral("INSERT INTO outbox (run_id, queued_at, attempts, last_error)"
                                             " SELECT run_id, refused_at, 0, '' FROM quarantine"
                                             // SQLite reads ON after a bare FROM as a join's.
                                             " WHERE true ON CONFLICT (run_id) DO NOTHING"))
                    && q.exec(QStringLiteral("DELETE FROM quarantine"));
    if (ok && db.commit())
        return true;
    if (error)
        *error = q.lastError().isValid() ? q.lastError().text() : db.lastError().text();
    db.rollback();
    return false;
}

QString LineUploader::describe(const State &state)
{
    QString line = !state.connected     ? tr("line store: %1 waiting, server not reached: %2").arg(state.waiting).arg(state.reason)
                   : state.waiting == 0 ? tr("line store: connected")
                                        : tr("line store: %1 waiting").arg(state.waiting);
    if (state.refused > 0)
        line += tr(", %1 refused").arg(state.refused);
    if (state.connected && std::abs(state.clockOffsetMs) > ClockToleranceMs) {
        const qint64 minutes = (std::abs(state.clockOffsetMs) + 30000) / 60000;
        line += state.clockOffsetMs > 0 ? tr(", this clock is %1 min ahead of the server's").arg(minutes)
                                        : tr(", this clock is %1 min behind the server's").arg(minutes);
    }
    return line;
}

} // namespace results

#include "lineuploader.moc"
