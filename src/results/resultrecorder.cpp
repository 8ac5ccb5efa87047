#include "resultrecorder.h"

#include "durablefile.h"
#include "foundresult.h"
#include "resultstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <deque>
#include <limits>

namespace results {

namespace {

// SQLite's own words for a damaged file: SQLITE_CORRUPT ("database disk
// image is malformed") and SQLITE_NOTADB ("file is not a database"). A
// damaged index may show only when a run is written into it.
bool damaged(const QString &reason)
{
    return reason.contains(QLatin1String("malformed")) || reason.contains(QLatin1String("not a database"));
}

// A run as a damaged store still holds it.
struct SalvagedRun
{
    RunContext context;
    QByteArray content; // empty when its text could not be had whole
    QByteArray sha1;
    qint64 recordedAt = 0;
};

struct Salvage
{
    std::vector<SalvagedRun> runs;
    QHash<QString, qint64> outbox; // run id, queued_at
    bool runsWhole = true;         // every row of runs was read
    bool outboxWhole = false;      // every row of the outbox was read
    int textsLost = 0;             // runs whose text is damaged and whose file is gone or other
};

// Reads the rows of table in rowid order, and on past the pages that cannot
// be read: after a row that fails, the next rowid from which rows can be read
// again is found by steps that double, then narrowed down, so that the rows
// of a damaged page are lost and not the rest. row(query) takes each row
// (rowid first). False when the table could not be read whole.
template<typename Row>
bool readAround(const QSqlDatabase &db, const QString &columns, const QString &table, Row row)
{
    // ">=", not ">": SQLite finds "rowid > n" by seeking n, which leads into
    // the page that holds n even when everything after n is readable.
    const QString sql = QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid >= ? ORDER BY rowid").arg(columns, table);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Whether the first row at or after from (if any) can be read whole.
    const auto readable = [&](qint64 from) {
        q.prepare(sql + QStringLiteral(" LIMIT 1"));
        q.addBindValue(from);
        bool ok = q.exec();
        while (ok && q.next()) {
        }
        ok = ok && !q.lastError().isValid();
        q.finish();
        return ok;
    };
    constexpr qint64 First = std::numeric_limits<qint64>::min();
    constexpr qint64 Last = std::numeric_limits<qint64>::max();
    qint64 next = First; // the first rowid not read yet
    bool whole = true;
    for (;;) {
        q.prepare(sql);
        q.addBindValue(next);
        if (q.exec()) {
            while (q.next()) {
                const qint64 id = q.value(0).toLongLong();
                row(q);
                if (id == Last)
                    return whole;
                next = id + 1;
            }
            if (!q.lastError().isValid())
                return whole;
        } else if (next == First && !damaged(q.lastError().text())) {
            return false; // no such table, or the schema itself unreadable
        }
        q.finish();
        whole = false;
        // The row at next (or the page that leads to it) cannot be read.
        // (SQLite numbers rows from 1 up unless told otherwise, which the
        // store never does.)
        const qint64 from = next == First ? 1 : next;
        qint64 step = 1;
        for (;;) {
            if (from > Last - step)
                return false;
            if (readable(from + step))
                break;
            if (step > Last / 2)
                return false;
            step *= 2;
        }
        qint64 low = from + step / 2; // not readable (or from itself, taken as such)
        qint64 high = from + step;    // readable
        while (high - low > 1) {
            const qint64 middle = low + (high - low) / 2;
            if (readable(middle))
                high = middle;
            else
                low = middle;
        }
        next = high;
    }
}

// What the damaged store at path still holds: its runs with their texts, and
// its outbox. Read through SQLite itself, table by table, past damaged pages.
// (The sqlite3 program's .recover would read pages that no table reaches any
// more, but Debian's SQLite library lacks the page table it needs, and there
// it only fails.)
Salvage salvage(const QString &path)
{
    Salvage found;
    const QString name = QStringLiteral("results-salvage-%1").arg(quintptr(&found), 0, 16);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            found.runsWhole = readAround(
                db,
                QStringLiteral("run_id, station, start_mode, lot, worker, barcode, profile, started_at, ended_at,"
                               " verdict, file_path, content_sha1, content, recorded_at"),
                QStringLiteral("runs"), [&found](const QSqlQuery &q) {
                    SalvagedRun run;
                    RunContext &c = run.context;
                    c.runId = q.value(1).toString();
                    c.station = q.value(2).toString();
                    c.startMode = q.value(3).toString();
                    c.lot = q.value(4).toString();
                    c.worker = q.value(5).toString();
                    c.barcode = q.value(6).toString();
                    c.profile = q.value(7).toString();
                    c.startedAt = QDateTime::fromMSecsSinceEpoch(q.value(8).toLongLong());
                    c.endedAt = QDateTime::fromMSecsSinceEpoch(q.value(9).toLongLong());
                    c.verdict = q.value(10).toString();
                    c.path = q.value(11).toString();
                    run.sha1 = q.value(12).toString().toLatin1();
                    // The text as the file had it (Latin-1, one byte a character).
                    run.content = q.value(13).toString().toLatin1();
                    run.recordedAt = q.value(14).toLongLong();
                    if (!c.runId.isEmpty())
                        found.runs.push_back(std::move(run));
                });
            found.outboxWhole = readAround(db, QStringLiteral("run_id, queued_at"), QStringLiteral("outbox"),
                                           [&found](const QSqlQuery &q) {
                                               found.outbox.insert(q.value(1).toString(), q.value(2).toLongLong());
                                           });
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    // A text that does not hash to what was recorded is damaged: the filed
    // file, where it is still there as it was, stands in for it.
    std::string buffer;
    for (SalvagedRun &run : found.runs) {
        if (!run.content.isEmpty() && contentHash(run.content) == run.sha1)
            continue;
        run.content.clear();
        if (readFileBytes(QFile::encodeName(run.context.path).toStdString(), buffer)) {
            const QByteArray file(buffer.data(), qsizetype(buffer.size()));
            if (contentHash(file) == run.sha1)
                run.content = file;
        }
        if (run.content.isEmpty())
            ++found.textsLost;
    }
    return found;
}

} // namespace

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
        return QFile::exists(m_path) && damaged(reason) && rebuild(reason);
    }

    void drain()
    {
        QString reason;
        if (!ensureOpen(reason)) {
            down(reason);
            return;
        }
        // A store found damaged while writing is rebuilt once per drain; what
        // could not be written is written into the rebuilt one.
        bool rebuilt = false;
        const auto broke = [&] {
            m_store.close();
            if (!rebuilt && damaged(reason)) {
                rebuilt = true;
                if (rebuild(reason))
                    return false;
            }
            down(reason);
            return true;
        };
        while (!m_pending.empty()) {
            const RunContext &context = m_pending.front();
            const Recorded done = m_store.record(context, &reason);
            if (done == Recorded::Failed) {
                // The connection may be what broke: open it afresh next time.
                if (broke())
                    return;
                continue;
            }
            emit m_front->recorded(context.path);
            m_pending.pop_front();
        }
        while (m_catchUpDue && !recordMissing(m_store, m_folders.folders, true, reason)) {
            if (broke())
                return;
        }
        m_catchUpDue = false;
        up();
    }

    // Files filed but never recorded (a crash between the two, a store
    // rebuilt). bounded: only files changed since shortly before the newest
    // run recorded up to now can be such (a day's margin for a clock set
    // back), so that a store of a year of runs is not read whole at every
    // start. Runs recorded while the clock was ahead lie in the future and
    // bound nothing: the files filed after the clock was put right are found.
    bool recordMissing(ResultStore &store, const QStringList &folders, bool bounded, QString &reason)
    {
        QDateTime since;
        if (bounded) {
            QSqlQuery newest(store.database());
            newest.prepare(QStringLiteral("SELECT MAX(recorded_at) FROM runs WHERE recorded_at <= ?"));
            newest.addBindValue(QDateTime::currentMSecsSinceEpoch());
            if (!newest.exec() || !newest.next()) {
                reason = newest.lastError().text();
                return false;
            }
            const QVariant last = newest.value(0);
            newest.finish();
            if (!last.isNull())
                since = QDateTime::fromMSecsSinceEpoch(last.toLongLong()).addDays(-1);
        }
        QSqlQuery known(store.database());
        known.prepare(QStringLiteral("SELECT 1 FROM runs WHERE file_path = ?"));
        for (const QString &folder : folders) {
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
                if (known.lastError().isValid()) {
                    reason = known.lastError().text();
                    return false;
                }
                known.finish();
                if (recorded)
                    continue;
                const RunContext context = contextFromFile(file.absoluteFilePath(), m_folders.station,
                                                           m_folders.passFolder, m_folders.failFolder);
                if (recordFound(store, context, &reason) == Recorded::Failed)
                    return false;
                emit m_front->recorded(context.path);
            }
        }
        return true;
    }

    // A damaged store: what it still holds is salvaged into a new file
    // beside it, with the files of every folder it named and of the
    // configured ones; then the damaged file is moved aside (never deleted)
    // and the new one takes its name. Until then the damaged file stays where
    // it is, so that a station stopped meanwhile salvages it again.
    bool rebuild(QString &reason)
    {
        m_store.close();
        const Salvage old = salvage(m_path);
        const QString fresh = m_path + QStringLiteral(".rebuild");
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(fresh + suffix);
        int salvaged = 0;
        int queued = 0;
        qint64 rebuiltFromFiles = 0;
        {
            ResultStore store;
            if (!store.openLocal(fresh, &reason) || !refill(store, old, salvaged, queued, reason))
                return false;
            QStringList folders = m_folders.folders;
            QSet<QString> named;
            for (const SalvagedRun &run : old.runs)
                named.insert(QFileInfo(run.context.path).absolutePath());
            for (const QString &folder : std::as_const(named))
                if (!folders.contains(folder))
                    folders << folder;
            const qint64 before = count(store);
            if (!recordMissing(store, folders, false, reason))
                return false;
            rebuiltFromFiles = count(store) - before;
        }
        const QString aside =
            m_path + QStringLiteral(".corrupt-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
        if (!QFile::rename(m_path, aside)) {
            reason = QStringLiteral("%1 could not be moved aside").arg(m_path);
            return false;
        }
        const QString wal = QStringLiteral("-wal");
        const QString shm = QStringLiteral("-shm");
        QFile::rename(m_path + wal, aside + wal);
        QFile::remove(m_path + shm);
        // (Closed, the rebuilt store has no journal left; were one there, it
        // would go with it.)
        QFile::rename(fresh + wal, m_path + wal);
        QFile::remove(fresh + shm);
        if (!QFile::rename(fresh, m_path) || !files::syncFolderOf(m_path)) {
            reason = QStringLiteral("the rebuilt store could not be put in place of %1").arg(m_path);
            return false;
        }
        m_catchUpDue = false;
        QString summary = QStringLiteral("the results store was damaged and is kept as %1; %2 runs salvaged (%3 not sent yet), "
                                         "%4 recorded again from the result folders")
                              .arg(QFileInfo(aside).fileName())
                              .arg(salvaged)
                              .arg(queued)
                              .arg(rebuiltFromFiles);
        if (old.textsLost > 0)
            summary += QStringLiteral(", %1 lost with their text and file").arg(old.textsLost);
        if (!old.runsWhole)
            summary += old.runs.empty() ? QStringLiteral(", nothing could be read from it")
                                        : QStringLiteral(", the rows on its damaged pages are lost");
        emit m_front->rebuilt(summary);
        return m_store.openLocal(m_path, &reason);
    }

    static qint64 count(const ResultStore &store)
    {
        QSqlQuery q(store.database());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM runs")) && q.next() ? q.value(0).toLongLong() : 0;
    }

    // The salvaged runs into store under their own ids, times and place in
    // the outbox; their items, flags and yields are made anew from their
    // texts. A run the outbox shows as sent stays sent; where the outbox
    // could not be read whole, every run is sent again (the line's server
    // takes a run it has once).
    static bool refill(ResultStore &store, const Salvage &old, int &salvaged, int &queued, QString &reason)
    {
        QSqlQuery recordedAt(store.database()), queuedAt(store.database());
        recordedAt.prepare(QStringLiteral("UPDATE runs SET recorded_at = ? WHERE run_id = ?"));
        queuedAt.prepare(QStringLiteral("UPDATE outbox SET queued_at = ? WHERE run_id = ?"));
        ResultRecord parsed;
        std::size_t inBatch = 0;
        for (const SalvagedRun &run : old.runs) {
            if (run.content.isEmpty())
                continue;
            if (!store.inBatch() && !store.beginBatch(&reason))
                return false;
            const bool queue = !old.outboxWhole || old.outbox.contains(run.context.runId);
            readResult(std::string_view(run.content.constData(), std::size_t(run.content.size())), parsed);
            const Recorded done = recordFound(store, run.context, run.content, run.sha1, parsed, &reason, queue);
            if (done == Recorded::Failed)
                return false;
            if (done != Recorded::Added)
                continue;
            ++salvaged;
            recordedAt.addBindValue(run.recordedAt);
            recordedAt.addBindValue(run.context.runId);
            bool ok = recordedAt.exec();
            if (ok && queue) {
                ++queued;
                if (old.outbox.contains(run.context.runId)) {
                    queuedAt.addBindValue(old.outbox.value(run.context.runId));
                    queuedAt.addBindValue(run.context.runId);
                    ok = queuedAt.exec();
                }
            }
            if (!ok) {
                reason = (recordedAt.lastError().isValid() ? recordedAt : queuedAt).lastError().text();
                store.rollbackBatch();
                return false;
            }
            if (++inBatch == 500 && !store.commitBatch(&reason))
                return false;
            inBatch %= 500;
        }
        return store.commitBatch(&reason);
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
