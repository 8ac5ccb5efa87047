#ifndef RESULTSTORE_H
#define RESULTSTORE_H

#include "resultreader.h"
#include "runcontext.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

class QSqlQuery;

// The results store: an index of the filed result files that a line can
// query. The same schema serves the station's SQLite file and the line's
// PostgreSQL server; every value is bound, never spliced into the SQL.
namespace results {

namespace schema {
// The version this code writes; older stores are migrated in place.
constexpr int Version = 2;
// Creates the tables or migrates them to Version. False with a reason when
// the database cannot be brought there (a newer version included).
bool prepare(QSqlDatabase &db, QString *error);
// Counts yield_quarters anew from the runs (after a migration, or runs written
// other than through ResultStore::record).
bool rebuildYield(QSqlDatabase &db, QString *error);
} // namespace schema

// What recording did with a filed file.
enum class Recorded {
    Added,      // a new run
    Known,      // the same file (name and content) is in the store already
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

    // The station's own store: an SQLite file in WAL mode, created when absent.
    bool openLocal(const QString &path, QString *error);
    // The line's server: driver "QPSQL" with the connection fields already set
    // on a database the caller made with connectionName().
    bool openDatabase(QSqlDatabase db, QString *error);
    void close();
    bool isOpen() const;
    QSqlDatabase database() const;

    // A connection name of its own for this store.
    const QString &connectionName() const { return m_name; }

    // Records a filed file with its run's context; the file is read here (the
    // filed file is the truth). queueForLine: put the run in the outbox for
    // the line's uploader.
    Recorded record(const RunContext &context, QString *error, bool queueForLine = true);
    // The same from text already read.
    Recorded record(const RunContext &context, const QByteArray &content, const ResultRecord &parsed,
                    QString *error, bool queueForLine = true);
    // The same with the content's hash (contentHash()) already taken, e.g. on
    // another thread while this one writes.
    Recorded record(const RunContext &context, const QByteArray &content, const QByteArray &sha1,
                    const ResultRecord &parsed, QString *error, bool queueForLine = true);

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

    // A file recorded under this name with this content.
    bool contains(const QString &fileName, const QByteArray &content) const;

private:
    struct Statements;
    std::unique_ptr<Statements> m_statements;
    bool m_sqlite = false;
    QString m_name = QStringLiteral("results-%1").arg(quintptr(this), 0, 16);
    ResultRecord m_parsed;
    std::string m_buffer;
    bool m_batch = false;
};

// Everything a run's file says, as rows: the context plus the items, the
// failing cells and the electrodes. Used for both engines.
QByteArray contentHash(const QByteArray &content);

// Keeps the flags of a panel's first and last run (by start time) and the
// yield per quarter true after a run of that barcode was added, in either
// engine. flags holds panelFlagsSql(), yield yieldChangeSql().
QString panelFlagsSql();
QString yieldChangeSql();

// The statements ResultStore::record() writes a run with, as both engines
// take them; the run's content is bound as bytes (CAST(? AS TEXT)).
struct RecordSql
{
    QString run, item, cell, electrode, outbox;
};
const RecordSql &recordSql();
bool flagPanel(QSqlQuery &flags, QSqlQuery &yield, const QString &barcode, const QString &runId);

} // namespace results

#endif
