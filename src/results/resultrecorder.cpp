#include "resultrecorder.h"

#include "resultstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <deque>

namespace results {

// The store's own thread: opens the store there (connections are bound to
// their thread) and keeps what it could not record until it can.
class RecorderWorker : public QObject
{
    Q_OBJECT

public:
    RecorderWorker(ResultRecorder *front, const QString &path) : m_front(front), m_path(path)
    {
        // A child, so that it moves to the store's thread with the worker.
        m_retry = new QTimer(this);
        m_retry->setInterval(RetryMs);
        m_retry->setSingleShot(true);
        connect(m_retry, &QTimer::timeout, this, &RecorderWorker::drain);
    }

    void record(const RunContext &context)
    {
        m_pending.push_back(context);
        drain();
    }

    void catchUp(const ResultRecorder::Folders &folders)
    {
        m_folders = folders;
        m_catchUpDue = true;
        drain();
    }

private:
    static constexpr int RetryMs = 10000;

    bool ensureOpen(QString &reason)
    {
        if (m_store.isOpen())
            return true;
        if (m_store.openLocal(m_path, &reason))
            return true;
        // A file that is not a database any more is moved aside, never
        // deleted, and the store is rebuilt from the filed results.
        if (QFile::exists(m_path) && (reason.contains(QLatin1String("not a database"))
                                      || reason.contains(QLatin1String("malformed")))) {
            const QString aside =
                m_path + QStringLiteral(".corrupt-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
            if (QFile::rename(m_path, aside)) {
                QFile::rename(m_path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
                QFile::remove(m_path + QStringLiteral("-shm"));
                m_catchUpDue = m_catchUpDue || !m_folders.folders.isEmpty();
                return m_store.openLocal(m_path, &reason);
            }
        }
        return false;
    }

    void drain()
    {
        QString reason;
        if (!ensureOpen(reason)) {
            down(reason);
            return;
        }
        while (!m_pending.empty()) {
            const RunContext &context = m_pending.front();
            const Recorded done = m_store.record(context, &reason);
            if (done == Recorded::Failed) {
                // The connection may be what broke: open it afresh next time.
                m_store.close();
                down(reason);
                return;
            }
            emit m_front->recorded(context.path);
            m_pending.pop_front();
        }
        if (m_catchUpDue && !recordMissing(reason)) {
            m_store.close();
            down(reason);
            return;
        }
        up();
    }

    // Files filed but never recorded (a crash between the two, a store
    // rebuilt). Only files changed since shortly before the newest recorded
    // run can be such (a day's margin for a clock set back), so a store of a
    // year of runs is not read whole at every start.
    bool recordMissing(QString &reason)
    {
        QSqlQuery newest(m_store.database());
        if (!newest.exec(QStringLiteral("SELECT MAX(recorded_at) FROM runs")) || !newest.next()) {
            reason = newest.lastError().text();
            return false;
        }
        const QVariant last = newest.value(0);
        newest.finish();
        const QDateTime since = last.isNull() ? QDateTime()
                                              : QDateTime::fromMSecsSinceEpoch(last.toLongLong()).addDays(-1);
        QSqlQuery known(m_store.database());
        known.prepare(QStringLiteral("SELECT 1 FROM runs WHERE file_path = ?"));
        for (const QString &folder : m_folders.folders) {
            if (folder.isEmpty())
                continue;
            const QDir dir(folder);
            for (const QFileInfo &file : dir.entryInfoList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name)) {
                if (since.isValid() && file.lastModified() < since)
                    continue;
                known.addBindValue(file.absoluteFilePath());
                if (!known.exec()) {
                    reason = known.lastError().text();
                    return false;
                }
                const bool recorded = known.next();
                known.finish();
                if (recorded)
                    continue;
                const RunContext context = contextFromFile(file.absoluteFilePath(), m_folders.station,
                                                           m_folders.passFolder, m_folders.failFolder);
                if (m_store.record(context, &reason) == Recorded::Failed)
                    return false;
                emit m_front->recorded(context.path);
            }
        }
        m_catchUpDue = false;
        return true;
    }

    void down(const QString &reason)
    {
        if (!m_down) {
            m_down = true;
            emit m_front->unavailable(reason);
        }
        m_retry->start();
    }

    void up()
    {
        if (m_down) {
            m_down = false;
            emit m_front->available();
        }
    }

    ResultRecorder *m_front;
    QString m_path;
    ResultStore m_store;
    std::deque<RunContext> m_pending;
    ResultRecorder::Folders m_folders;
    bool m_catchUpDue = false;
    bool m_down = false;
    QTimer *m_retry = nullptr;
};

ResultRecorder::ResultRecorder(const QString &storePath, QObject *parent) : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("results store"));
    auto worker = std::make_unique<RecorderWorker>(this, storePath);
    worker->moveToThread(&m_thread);
    m_worker = worker.release();
    // The thread owns the worker from here: it goes when the thread ends.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

ResultRecorder::~ResultRecorder()
{
    // Everything handed over is recorded (or kept for the catch-up) first.
    QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void ResultRecorder::record(const RunContext &context)
{
    RecorderWorker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker, context] { worker->record(context); }, Qt::QueuedConnection);
}

void ResultRecorder::catchUp(const Folders &folders)
{
    RecorderWorker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker, folders] { worker->catchUp(folders); }, Qt::QueuedConnection);
}

} // namespace results

#include "resultrecorder.moc"
