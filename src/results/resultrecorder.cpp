#include "resultrecorder.h"

#include "durablefile.h"
#include "foundresult.h"
#include "resultstore.h"
#include "retention.h"

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
#include <optional>

namespace results {

namespace {

// SQLite's own words for a damaged file: SQLITE_CORRUPT ("database disk
// image is malformed") and SQLITE_NOTADB ("file is not a database"). A
// damaged index may show only when a run is written into it.
bool damaged(const QString &reason)
{
    return reason.contains(QLatin1String("malformed")) || reason.contains(QLatin1String("not a database"));
}

// What a damaged store still held, and what became of it.
struct Salvage
{
    // A run waiting for the line: its place, and the server's refusals so far.
    struct Queued
    {
        qint64 queuedAt = 0;
        int attempts = 0;
        QString lastError;
    };
    // A run put aside after the server refused it again and again.
    struct Refused
    {
        qint64 refusedAt = 0;
        int attempts = 0;
        QString reason;
    };
    QHash<QString, Queued> outbox;      // by run id
    QHash<QString, Refused> quarantine; // by run id
    bool sentKnown = false;             // outbox and quarantine read whole: a run in neither was sent
    bool runsWhole = true;              // every row of runs was read
    int salvaged = 0;                   // runs recorded again from their texts
    int queued = 0;                     // of those, the ones not sent yet
    int refused = 0;                    // of those, the ones put aside again
    int textsLost = 0;                  // runs whose text is damaged and whose file is gone or other
    int itemsLost = 0;                  // runs whose items beside the file could not be read
    QSet<QString> folders;              // where its runs' files were filed
};

// Reads the rows of table in rowid order, and on past the pages that cannot
// be read: after a row that fails, the next rowid from which rows can be read
// again is found by steps that double, then narrowed down, so that the rows
// of a damaged page are lost and not the rest. row(query) takes each row
// (rowid first) and returns false to stop. False when the table could not be
// read whole.
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
                if (!row(q) || id == Last)
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

// Records the salvaged runs into store under their own ids, times and
// place in the outbox, a batch at a time; their items, flags and yields are
// made anew from their texts, with the items the run handed beside its file.
// A run the outbox shows as sent stays sent, one the line's server refused
// stays aside with its reason; where the outbox or the quarantine could not
// be read whole, every other run is sent again (the line's server takes a run
// it has once).
class Refill
{
public:
    Refill(ResultStore &store, Salvage &found)
        : m_store(store)
        , m_found(found)
        , m_recordedAt(store.database())
        , m_queued(store.database())
        , m_refused(store.database())
    {
        m_recordedAt.prepare(QStringLiteral("UPDATE runs SET recorded_at = ? WHERE run_id = ?"));
        m_queued.prepare(QStringLiteral("UPDATE outbox SET queued_at = ?, attempts = ?, last_error = ? WHERE run_id = ?"));
        m_refused.prepare(schema::insertSql(schema::table("quarantine")));
    }

    // context.path empty: a run that filed nothing, content and sha1 empty.
    bool add(const RunContext &context, const QByteArray &content, const QByteArray &sha1, qint64 recordedAt,
             QString &reason)
    {
        if (!m_store.inBatch() && !m_store.beginBatch(&reason))
            return false;
        const auto refused = m_found.quarantine.constFind(context.runId);
        const auto queued = m_found.outbox.constFind(context.runId);
        const bool aside = refused != m_found.quarantine.cend();
        const bool queue = !aside && (!m_found.sentKnown || queued != m_found.outbox.cend());
        if (content.isEmpty())
            m_parsed.clear();
        else
            readResult(std::string_view(content.constData(), std::size_t(content.size())), m_parsed);
        const Recorded done = context.path.isEmpty()
                                  ? m_store.record(context, content, sha1, m_parsed, &reason, queue)
                                  : recordFound(m_store, context, content, sha1, m_parsed, &reason, queue);
        if (done == Recorded::Failed)
            return false;
        if (done != Recorded::Added)
            return true;
        ++m_found.salvaged;
        const auto run = [](QSqlQuery &q, const QVariantList &values) {
            for (const QVariant &v : values)
                q.addBindValue(v);
            return q.exec();
        };
        bool ok = run(m_recordedAt, {recordedAt, context.runId});
        if (ok && queue) {
            ++m_found.queued;
            if (queued != m_found.outbox.cend())
                ok = run(m_queued, {queued->queuedAt, queued->attempts, queued->lastError, context.runId});
        }
        if (ok && aside) {
            ++m_found.refused;
            ok = run(m_refused, {context.runId, refused->refusedAt, refused->attempts, refused->reason});
        }
        if (!ok) {
            for (const QSqlQuery *q : {&m_recordedAt, &m_queued, &m_refused})
                if (q->lastError().isValid())
                    reason = q->lastError().text();
            m_store.rollbackBatch();
            return false;
        }
        return ++m_inBatch % 500 != 0 || m_store.commitBatch(&reason);
    }

    bool finish(QString &reason) { return m_store.commitBatch(&reason); }

private:
    ResultStore &m_store;
    Salvage &m_found;
    QSqlQuery m_recordedAt, m_queued, m_refused;
    ResultRecord m_parsed;
    int m_inBatch = 0;
};

// The columns table has in the damaged store: none where it has no such
// table, as a store of an older schema may lack one. False when even that
// cannot be read.
bool columnsOf(const QSqlDatabase &db, const QString &table, QSet<QString> &columns)
{
    QSqlQuery q(db);
    // The table's name is the code's own, never input.
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        return false;
    while (q.next())
        columns.insert(q.value(1).toString());
    return !q.lastError().isValid();
}

// column where the damaged store has it, else what it held before it had it.
QString columnOr(const QSet<QString> &columns, const char *column, const char *before)
{
    return QLatin1String(columns.contains(QLatin1String(column)) ? column : before);
}

// The run's items in the damaged store, where they can be read: those its
// text gives are made anew from it, the others (what the run handed beside
// its file, and all of a run that filed nothing) only these rows still hold.
bool readItems(QSqlQuery &items, const QString &runId, std::vector<ItemEvidence> &found)
{
    found.clear();
    items.addBindValue(runId);
    if (!items.exec())
        return false;
    while (items.next())
        found.push_back({items.value(0).toString(), items.value(1).toInt() == 1, items.value(2), items.value(3).toString()});
    const bool whole = !items.lastError().isValid();
    items.finish();
    if (!whole)
        found.clear();
    return whole;
}

// Salvages what the damaged store at path still holds into store: its
// outbox and quarantine first, then its runs one by one with their texts
// and items (a store of years is never held in memory). Read through SQLite
// itself, table by table, past damaged pages. (The sqlite3 program's .recover
// would read pages that no table reaches any more, but Debian's SQLite
// library lacks the page table it needs, and there it only fails.) False when
// store refused a write.
bool salvageInto(const QString &path, ResultStore &store, Salvage &found, QString &reason)
{
    const QString name = QStringLiteral("results-salvage-%1").arg(quintptr(&found), 0, 16);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSet<QString> outbox, quarantine;
            const bool outboxWhole =
                columnsOf(db, QStringLiteral("outbox"), outbox) && !outbox.isEmpty()
                && readAround(db,
                              QStringLiteral("run_id, queued_at, %1, %2")
                                  .arg(columnOr(outbox, "attempts", "0"), columnOr(outbox, "last_error", "''")),
                              QStringLiteral("outbox"), [&found](const QSqlQuery &q) {
                                  found.outbox.insert(q.value(1).toString(), {q.value(2).toLongLong(), q.value(3).toInt(),
                                                                              q.value(4).toString()});
                                  return true;
                              });
            // A store from before the quarantine has none, and it is whole.
            const bool quarantineWhole =
                columnsOf(db, QStringLiteral("quarantine"), quarantine)
                && (quarantine.isEmpty()
                    || readAround(db, QStringLiteral("run_id, refused_at, attempts, reason"), QStringLiteral("quarantine"),
                                  [&found](const QSqlQuery &q) {
                                      found.quarantine.insert(q.value(1).toString(),
                                                              {q.value(2).toLongLong(), q.value(3).toInt(),
                                                               q.value(4).toString()});
                                      return true;
                                  }));
            found.sentKnown = outboxWhole && quarantineWhole;
            Refill refill(store, found);
            QSqlQuery items(db);
            items.setForwardOnly(true);
            const bool itemsReadable =
                items.prepare(QStringLiteral("SELECT item, pass, value, text FROM items WHERE run_id = ?"));
            found.runsWhole = readAround(
                db,
                QStringLiteral("run_id, station, start_mode, lot, worker, barcode, profile, started_at, ended_at,"
                               " verdict, file_path, content_sha1, content, recorded_at"),
                QStringLiteral("runs"), [&](const QSqlQuery &q) {
                    RunContext c;
                    c.runId = q.value(1).toString();
                    c.keepRunId = true;
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
                    if (c.runId.isEmpty())
                        return true;
                    const QByteArray sha1 = q.value(12).toString().toLatin1();
                    QByteArray content;
                    if (!c.path.isEmpty()) {
                        found.folders.insert(QFileInfo(c.path).absolutePath());
                        // A text that cannot be unpacked or does not hash to what
                        // was recorded is damaged, and the filed file, where it is
                        // still there as it was, stands in.
                        if (!schema::fileBytes(q.value(13), schema::Engine::Station, content) || content.isEmpty()
                            || contentHash(content) != sha1) {
                            content.clear();
                            filedBytes(c.path, sha1, content);
                        }
                        if (content.isEmpty()) {
                            ++found.textsLost;
                            return true;
                        }
                    }
                    if (!itemsReadable || !readItems(items, c.runId, c.items))
                        ++found.itemsLost;
                    ok = refill.add(c, content, c.path.isEmpty() ? QByteArray() : sha1, q.value(14).toLongLong(), reason);
                    return ok;
                });
            ok = ok && refill.finish(reason);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
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
        m_prune = new QTimer(this);
        m_prune->setSingleShot(true);
        connect(m_prune, &QTimer::timeout, this, &RecorderWorker::prune);
    }

    void retain(int keepDays)
    {
        m_keepDays = keepDays;
        if (keepDays > 0)
            m_prune->start(0);
        else
            m_prune->stop();
    }

    void record(const RunContext &context)
    {
        m_pending.push_back(context);
        drain();
    }

    void profileSaved(const QString &profile, const QByteArray &text, const QString &station, const QDateTime &at)
    {
        m_savedProfiles.push_back({profile, text, station, at});
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
    // Pruning: a step looks at this many runs (a few ms), and a walk over
    // what is due starts every hour.
    static constexpr int PruneStepRuns = 100;
    static constexpr int PruneEveryMs = 3600 * 1000;

    // One step of pruning, then the event loop again: a run handed over
    // meanwhile waits for one step at most, and is recorded before the next.
    void prune()
    {
        if (m_keepDays <= 0)
            return;
        QString reason;
        if (!m_pending.empty() || m_catchUpDue || m_down || !ensureOpen(reason)) {
            m_prune->start(RetryMs);
            return;
        }
        if (!m_walk) {
            m_walk.emplace();
            m_walk->before = QDateTime::currentMSecsSinceEpoch() - qint64(m_keepDays) * 24 * 3600 * 1000;
        }
        QSqlDatabase db = m_store.database();
        retention::Pruned pruned;
        // A store that fails here fails the next record too, which says so.
        const bool stepped = retention::step(db, *m_walk, PruneStepRuns, pruned, &reason);
        if (stepped && !m_walk->done) {
            m_prune->start(0);
            return;
        }
        m_walk.reset();
        m_prune->start(PruneEveryMs);
    }

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
        while (!m_savedProfiles.empty()) {
            const SavedProfile &saved = m_savedProfiles.front();
            if (!m_store.recordProfileSaved(saved.profile, saved.text, saved.station, saved.at, &reason)) {
                if (broke())
                    return;
                continue;
            }
            m_savedProfiles.pop_front();
        }
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
        // A file that started before the store's horizon was recorded and
        // pruned: recording it again would count it twice.
        qint64 horizon = 0;
        if (!retention::horizon(store.database(), horizon, &reason))
            return false;
        QSqlQuery known(store.database());
        // Through the file-name index (which holds filed runs only).
        known.prepare(QStringLiteral("SELECT 1 FROM runs WHERE file_name = ? AND file_name <> '' AND file_path = ?"));
        for (const QString &folder : folders) {
            if (folder.isEmpty())
                continue;
            const QDir dir(folder);
            for (const QFileInfo &file : dir.entryInfoList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name)) {
                if (since.isValid() && file.lastModified() < since)
                    continue;
                known.addBindValue(file.fileName());
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
                if (context.startedAt.toMSecsSinceEpoch() < horizon)
                    continue;
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
        const QString fresh = m_path + QStringLiteral(".rebuild");
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(fresh + suffix);
        Salvage old;
        qint64 rebuiltFromFiles = 0;
        // What the old store pruned: the runs recorded again are flagged and
        // counted over its pruned panels, and no pruned file comes back.
        retention::Carried carried;
        {
            const QString name = QStringLiteral("results-carry-%1").arg(quintptr(&carried), 0, 16);
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(m_path);
                if (db.open())
                    retention::readCarried(db, carried);
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
        const auto carry = [&](ResultStore &store, bool quarters) {
            QSqlDatabase db = store.database();
            if (!db.transaction()
                || !(quarters ? retention::carryQuarters(db, carried, &reason) : retention::carryPanels(db, carried, &reason))
                || !db.commit()) {
                if (reason.isEmpty())
                    reason = db.lastError().text();
                db.rollback();
                return false;
            }
            return true;
        };
        {
            ResultStore store;
            // The quarters before the horizon as they were, once the runs
            // they counted are back; what the folders bring counts on top.
            if (!store.openLocal(fresh, &reason) || !carry(store, false) || !salvageInto(m_path, store, old, reason)
                || !carry(store, true))
                return false;
            QStringList folders = m_folders.folders;
            for (const QString &folder : std::as_const(old.folders))
                if (!folders.contains(folder))
                    folders << folder;
            const qint64 before = count(store);
            if (!recordMissing(store, folders, false, reason))
                return false;
            rebuiltFromFiles = count(store) - before;
        }
        const QString aside = m_path + QStringLiteral(".corrupt-")
                              + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
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
        QString summary = QStringLiteral("the results store was damaged and is kept as %1; %2 runs salvaged"
                                         " (%3 not sent yet), %4 recorded again from the result folders")
                              .arg(QFileInfo(aside).fileName())
                              .arg(old.salvaged)
                              .arg(old.queued)
                              .arg(rebuiltFromFiles);
        if (old.refused > 0)
            summary += QStringLiteral(", %1 kept aside as the line's server refused them").arg(old.refused);
        if (old.textsLost > 0)
            summary += QStringLiteral(", %1 lost with their text and file").arg(old.textsLost);
        if (old.itemsLost > 0)
            summary += QStringLiteral(", the items beside the file of %1 lost").arg(old.itemsLost);
        if (!carried.whole)
            summary += QStringLiteral(", what it kept of its pruned runs could not all be read");
        if (!old.runsWhole)
            summary += old.salvaged + old.textsLost == 0 ? QStringLiteral(", nothing could be read from it")
                                                         : QStringLiteral(", the rows on its damaged pages are lost");
        emit m_front->rebuilt(summary);
        return m_store.openLocal(m_path, &reason);
    }

    static qint64 count(const ResultStore &store)
    {
        QSqlQuery q(store.database());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM runs")) && q.next() ? q.value(0).toLongLong() : 0;
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
    struct SavedProfile
    {
        QString profile;
        QByteArray text;
        QString station;
        QDateTime at;
    };
    std::deque<SavedProfile> m_savedProfiles;
    ResultRecorder::Folders m_folders;
    bool m_catchUpDue = false;
    bool m_down = false;
    QTimer *m_retry = nullptr;
    int m_keepDays = 0;
    std::optional<retention::Walk> m_walk;
    QTimer *m_prune = nullptr;
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

void ResultRecorder::profileSaved(const QString &profile, const QByteArray &text, const QString &station)
{
    RecorderWorker *worker = m_worker;
    const QDateTime at = QDateTime::currentDateTime();
    QMetaObject::invokeMethod(
        m_worker, [worker, profile, text, station, at] { worker->profileSaved(profile, text, station, at); },
        Qt::QueuedConnection);
}

void ResultRecorder::catchUp(const Folders &folders)
{
    RecorderWorker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker, folders] { worker->catchUp(folders); }, Qt::QueuedConnection);
}

void ResultRecorder::retain(int keepDays)
{
    RecorderWorker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker, keepDays] { worker->retain(keepDays); }, Qt::QueuedConnection);
}

} // namespace results

#include "resultrecorder.moc"
