#include "lineuploader.h"

#include "linesettings.h"
#include "resultstore.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <map>
#include <memory>

namespace results {

namespace {

// How many runs one attempt sends before it looks at the outbox again.
constexpr int Batch = 50;
// When nothing kicks it, the uploader looks at the outbox this often anyway
// (runs recorded by another process, e.g. the tool's import).
constexpr int PollMs = 1000;
constexpr int FirstBackOffMs = 1000;
constexpr int MaxBackOffMs = 30000;

// The tables of a run, with the columns that identify it.
struct Table
{
    const char *name;
    const char *columns;
};
const Table RunTables[] = {
    {"runs", "run_id, station, start_mode, lot, worker, barcode, profile, started_at, ended_at, verdict, file_name,"
             " file_path, content_sha1, content, current_ma, tb_mean, recorded_at, panel_first, panel_last,"
             " open_short_x, open_short_y"},
    {"items", "run_id, item, pass, value, text"},
    {"failing_cells", "run_id, raster, row_index, column_index, value"},
    {"failing_electrodes", "run_id, kind, line, first_index, second_index, value"},
};

QString placeholders(const char *columns)
{
    const int count = int(QByteArray(columns).count(',')) + 1;
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

} // namespace

class UploadWorker : public QObject
{
    Q_OBJECT

public:
    UploadWorker(LineUploader *front, const QString &localStore, const QString &connection)
        : m_front(front)
        , m_localPath(localStore)
        , m_connection(connection)
    {
        // Children, so that they move to the uploader's thread with the worker.
        m_timer = new QTimer(this);
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, this, &UploadWorker::attempt);
    }

    ~UploadWorker() override { closeServer(); }

    void start() { m_timer->start(0); }

    void kick()
    {
        // While backing off after a failure, a new run waits for the back-off.
        if (m_state.connected)
            m_timer->start(0);
    }

    LineUploader::State attempt()
    {
        m_timer->stop();
        const bool ok = sendWaiting();
        m_state.waiting = waitingCount();
        emit m_front->stateChanged(m_state);
        if (ok) {
            m_backOffMs = FirstBackOffMs;
            m_timer->start(m_state.waiting > 0 ? 0 : PollMs);
        } else {
            m_timer->start(m_backOffMs);
            m_backOffMs = std::min(m_backOffMs * 2, MaxBackOffMs);
        }
        return m_state;
    }

private:
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

    bool openServer()
    {
        if (m_server.isOpen())
            return true;
        QString error;
        if (m_server.openDatabase(addLineDatabase(m_connection, m_server.connectionName()), &error))
            return true;
        m_state.connected = false;
        m_state.reason = error.trimmed().section(QLatin1Char('\n'), 0, 0);
        closeServer();
        return false;
    }

    void closeServer()
    {
        m_prepared.clear(); // before the connection they belong to
        m_server.close();
        m_state.connected = false;
    }

    int waitingCount()
    {
        if (!openLocal())
            return m_state.waiting;
        QSqlQuery q(m_local.database());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) && q.next() ? q.value(0).toInt() : m_state.waiting;
    }

    // Sends the outbox, oldest first, in batches; false at the first failure.
    bool sendWaiting()
    {
        if (!openLocal() || !openServer())
            return false;
        m_state.connected = true;
        m_state.reason.clear();
        for (;;) {
            QStringList batch;
            {
                QSqlQuery q(m_local.database());
                q.prepare(QStringLiteral("SELECT run_id FROM outbox ORDER BY queued_at, run_id LIMIT ?"));
                q.addBindValue(Batch);
                if (!q.exec()) {
                    m_state.reason = q.lastError().text();
                    m_local.close();
                    return false;
                }
                while (q.next())
                    batch << q.value(0).toString();
            }
            if (batch.isEmpty())
                return true;
            for (const QString &runId : batch) {
                if (!sendRun(runId)) {
                    // Closed here, once no handle of the connection is left.
                    if (m_serverBroken)
                        closeServer();
                    return false;
                }
                emit m_front->uploaded(runId);
            }
        }
    }

    // One run in one server transaction. A run the server has already (an
    // earlier attempt committed, the acknowledgement was lost) is left as it
    // is there, and leaves the outbox all the same.
    bool sendRun(const QString &runId)
    {
        QSqlDatabase server = m_server.database();
        QSqlDatabase local = m_local.database();
        m_serverBroken = false;
        const auto serverFailed = [&](const QString &why) { return failOnServer(server, why); };
        if (!server.transaction())
            return serverFailed(server.lastError().text());
        bool inserted = false;
        QString barcode;
        for (const Table &table : RunTables) {
            const bool runRow = qstrcmp(table.name, "runs") == 0;
            if (!runRow && !inserted)
                break;
            QSqlQuery rows(local);
            rows.setForwardOnly(true);
            rows.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE run_id = ?")
                             .arg(QString::fromLatin1(table.columns), QString::fromLatin1(table.name)));
            rows.addBindValue(runId);
            if (!rows.exec()) {
                m_state.reason = rows.lastError().text();
                server.rollback();
                return false;
            }
            QSqlQuery *insert = prepared(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)%4")
                                             .arg(QString::fromLatin1(table.name), QString::fromLatin1(table.columns),
                                                  placeholders(table.columns),
                                                  runRow ? QStringLiteral(" ON CONFLICT DO NOTHING") : QString()));
            if (!insert)
                return serverFailed(m_prepareError);
            while (rows.next()) {
                const QSqlRecord record = rows.record();
                for (int i = 0; i < record.count(); ++i)
                    insert->addBindValue(record.value(i));
                if (!insert->exec())
                    return serverFailed(insert->lastError().text());
                if (runRow) {
                    inserted = insert->numRowsAffected() > 0;
                    barcode = record.value(QStringLiteral("barcode")).toString();
                }
            }
        }
        // Last, just before the commit: every station's runs of the same
        // quarter hour update one row of the yield, which stays locked from
        // here until the commit.
        if (inserted && !flagOnServer(server, barcode, runId))
            return false;
        if (!server.commit())
            return serverFailed(server.lastError().text());

        QSqlQuery done(local);
        done.prepare(QStringLiteral("DELETE FROM outbox WHERE run_id = ?"));
        done.addBindValue(runId);
        if (!done.exec()) {
            m_state.reason = done.lastError().text();
            m_local.close();
            return false;
        }
        return true;
    }

    // The server's flags of the panel's first and last run, over the runs of
    // every station, and its yield per quarter. Two stations sending the same
    // barcode at once take turns.
    bool flagOnServer(QSqlDatabase &server, const QString &barcode, const QString &runId)
    {
        if (!barcode.isEmpty()) {
            QSqlQuery *lock = prepared(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"));
            if (!lock)
                return failOnServer(server, m_prepareError);
            lock->addBindValue(barcode);
            if (!lock->exec())
                return failOnServer(server, lock->lastError().text());
            lock->finish();
        }
        QSqlQuery *flags = prepared(panelFlagsSql());
        QSqlQuery *yield = prepared(yieldChangeSql());
        if (!flags || !yield)
            return failOnServer(server, m_prepareError);
        if (!flagPanel(*flags, *yield, barcode, runId))
            return failOnServer(server, flags->lastError().isValid() ? flags->lastError().text()
                                                                     : yield->lastError().text());
        return true;
    }

    // The server's statements, prepared once per connection: each prepare and
    // each release is a round trip to the server, more than the run's rows.
    QSqlQuery *prepared(const QString &sql)
    {
        auto &query = m_prepared[sql];
        if (!query) {
            auto fresh = std::make_unique<QSqlQuery>(m_server.database());
            if (!fresh->prepare(sql)) {
                m_prepareError = fresh->lastError().text();
                m_prepared.erase(sql);
                return nullptr;
            }
            query = std::move(fresh);
        }
        return query.get();
    }

    bool failOnServer(QSqlDatabase &server, const QString &why)
    {
        m_state.reason = why.trimmed().section(QLatin1Char('\n'), 0, 0);
        if (server.isOpen())
            server.rollback();
        m_serverBroken = true;
        return false;
    }

    LineUploader *m_front;
    QString m_localPath;
    QString m_connection;
    ResultStore m_local;
    ResultStore m_server;
    LineUploader::State m_state;
    QTimer *m_timer = nullptr;
    int m_backOffMs = FirstBackOffMs;
    bool m_serverBroken = false;
    std::map<QString, std::unique_ptr<QSqlQuery>> m_prepared;
    QString m_prepareError;
};

LineUploader::LineUploader(const QString &localStore, const QString &connection, QObject *parent) : QObject(parent)
{
    qRegisterMetaType<results::LineUploader::State>();
    m_thread.setObjectName(QStringLiteral("line uploader"));
    auto worker = std::make_unique<UploadWorker>(this, localStore, connection);
    worker->moveToThread(&m_thread);
    m_worker = worker.release();
    // The thread owns the worker from here: it goes when the thread ends.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    UploadWorker *w = m_worker;
    QMetaObject::invokeMethod(m_worker, [w] { w->start(); }, Qt::QueuedConnection);
}

LineUploader::~LineUploader()
{
    m_thread.quit();
    m_thread.wait();
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

QString LineUploader::describe(const State &state)
{
    if (state.connected)
        return state.waiting == 0 ? tr("line store: connected") : tr("line store: %1 waiting").arg(state.waiting);
    return tr("line store: %1 waiting, server not reached: %2").arg(state.waiting).arg(state.reason);
}

} // namespace results

#include "lineuploader.moc"
