#ifndef RESULTSTORE_H
#define RESULTSTORE_H

#include "resultreader.h"
#include "runcontext.h"
#include "runrows.h"
#include "schema.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

class QSqlQuery;

// The results store: an index of the filed result files that a line can
// query. The same schema (schema.h) serves the station's SQLite file and the
// line's PostgreSQL server; every value is bound, never spliced into the SQL.
namespace results {

// What recording did with a filed file.
enum class Recorded {
    Added,      // a new run
    Known,      // the same file (station, name and content) is in the store already
    NotAResult, // the file holds none of the station's blocks
    Unreadable, // the file could not be read
    Failed,     // the store refused the write; the reason is in error
};

// One connection to a store, used by one thread (Qt SQL connections are bound
// to the thread that opened them). Closes its connection when destroyed.
class ResultStore
{
public:
    ResultStore();
    ~ResultStore();
    ResultStore(const ResultStore &) = delete;
    ResultStore &operator=(const ResultStore &) = delete;

    // The station's own store: an SQLite file in WAL mode, created when absent
    // (readable by its owner only), migrated to this code's schema.
    bool openLocal(const QString &path, QString *error);
    // The line's server: driver "QPSQL" with the connection fields already set
    // on a database the caller made with connectionName(). Nothing is created
    // or migrated there (its administrator does that); a server of another
    // schema is refused with schema::checkServer()'s line.
    bool openDatabase(QSqlDatabase db, QString *error);
    void close();
    bool isOpen() const;
    QSqlDatabase database() const;

    // A connection name of its own for this store.
    const QString &connectionName() const { return m_name; }

    // Records a filed file with its run's context; the file is read here (the
    // filed file is the truth), and the run's id derived from it
    // (fileRunId()). A context without a path is a run that filed nothing: it
    // is recorded under its own run id with the items it carries.
    // queueForLine: put the run in the outbox for the line's uploader. On the
    // line's server a run goes through the server's record_run().
    Recorded record(const RunContext &context, QString *error, bool queueForLine = true);
    // The same from text already read.
    Recorded record(const RunContext &context, const QByteArray &content, const ResultRecord &parsed,
                    QString *error, bool queueForLine = true);
    // The same with the content's hash (contentHash()) already taken, e.g. on
    // another thread while this one writes.
    Recorded record(const RunContext &context, const QByteArray &content, const QByteArray &sha1,
                    const ResultRecord &parsed, QString *error, bool queueForLine = true);

    // A version of a profile the station saved (its file name, the text
    // written), kept in its history with when and where it first appeared.
    // The station's store only: the line's server learns a version with the
    // first run judged under it.
    bool recordProfileSaved(const QString &profile, const QByteArray &text, const QString &station,
                            const QDateTime &at, QString *error);
    // The stored form of content (textcodec::pack()), made elsewhere: the
    // import packs on the thread that reads the files. The next record()
    // whose file is content binds it instead of packing the file again.
    void usePacked(const QByteArray &content, const QByteArray &packed);

    // For a long import: commits no longer wait for the disk. A crash loses
    // the last batches, which the next import brings in again from the files.
    bool setBulk(QString *error);

    // Many records in one transaction (an import of old folders): a commit per
    // run would cost more than the run. Between beginBatch() and commitBatch()
    // record() writes into the batch; a record that fails rolls the whole batch
    // back and ends it, so that no run is left half written.
    bool beginBatch(QString *error);
    bool commitBatch(QString *error);
    void rollbackBatch();
    bool inBatch() const { return m_batch; }

private:
    struct Statements;
    // The statements of this connection, prepared at the first write.
    bool prepared(QString *error);
    std::unique_ptr<Statements> m_statements;
    bool m_sqlite = false;
    QString m_name = QStringLiteral("results-%1").arg(quintptr(this), 0, 16);
    ResultRecord m_parsed;
    std::string m_buffer;
    bool m_batch = false;
    QByteArray m_packedFrom, m_packed;
};

QByteArray contentHash(const QByteArray &content);

// The filed file's bytes, when the file at path is still the one recorded
// (its content hashes to sha1): what stands in for a stored text that cannot
// be read.
bool filedBytes(const QString &path, const QByteArray &sha1, QByteArray &bytes);

// The run as rows of its tables: the context plus the items (the file's, then
// those the context adds), the failing cells and the electrodes.
RunRows runRows(const RunContext &context, const QByteArray &content, const QByteArray &sha1,
                const ResultRecord &parsed);

// The mean of an open/short line, NULL where the file has none.
QVariant openShortLevel(const ResultRecord &record, const ValueLine &line);

// The line's server chains a run's measurements to the previous run of its
// station and profile (the one before it by start time that has
// measurements): the stream a moving range is taken along. (The station takes
// its moving ranges when asked: capability.h.) neighbourSql(false) finds that run (station,
// profile, started_at twice, run_id bound; run_id and started_at come back),
// neighbourSql(true) the one after it; chainSql() sets a run's previous_run,
// previous_at and moving ranges (previous run id, its start, its id and start
// again, the run's id bound). into: a PL/pgSQL INTO clause for the server's function.
QString neighbourSql(bool next, const QString &into = QString());
QString chainSql();

// Keeps the flags of a panel's first and last run (by start time) and the
// yield per quarter true after a run of that barcode was added, in either
// engine. flags holds panelFlagsSql(), yield yieldChangeSql(), cohort
// cohortChangeSql() (what became of the panels first tested in a quarter).
// runs: where a panel's runs are read (on the station, panelRunsSql() for a
// panel some of whose runs were pruned); target: the table whose flags move.
QString panelFlagsSql(const QString &runs = QStringLiteral("runs"), const QString &target = QStringLiteral("runs"));
QString yieldChangeSql(const QString &runs = QStringLiteral("runs"));
QString cohortChangeSql(const QString &runs = QStringLiteral("runs"));
// A panel's runs on the station: those in runs and those kept of the pruned
// (retention.h), with the columns the flags and the yield read.
const QString &panelRunsSql();

// The statements ResultStore::record() writes a run with into the station's
// store, from the schema's lists; the run's content is bound in its stored
// form (textcodec::pack()).
struct RecordSql
{
    QString run, item, cell, electrode, outbox;
};
const RecordSql &recordSql();
bool flagPanel(QSqlQuery &flags, QSqlQuery &yield, QSqlQuery &cohort, const QString &barcode, const QString &runId);

} // namespace results

#endif
