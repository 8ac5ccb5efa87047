#ifndef RESULTS_SCHEMA_H
#define RESULTS_SCHEMA_H

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// The results store's tables, written down once: every CREATE, every
// migration, every statement that writes a run and the payload a run travels
// to the line's server in are built from these lists, so that a column added
// here reaches all of them. The station's store (SQLite) and the line's server
// (PostgreSQL) share the schema; a few tables and columns live on one side only.
namespace results::schema {

// The version this code writes. Every change of a table, a column or an index
// raises it; the station migrates its own file when it opens it, the line's
// server is migrated by its administrator ("kavel-results server init").
constexpr int Version = 3;

enum class Engine { Station, Server };

// Where a table or a column exists.
enum class Place { Both, Station, Server };

struct Column
{
    const char *name;
    // The column's type and constraints as both engines take them (a NOT NULL
    // column that a migration may add carries a DEFAULT).
    const char *type;
    // The server's, where it differs.
    const char *serverType = nullptr;
    Place place = Place::Both;
    // How the station's INSERT takes the value, where it is not a plain "?".
    const char *stationPlaceholder = nullptr;

    const char *typeFor(Engine engine) const { return engine == Engine::Server && serverType ? serverType : type; }
    bool in(Engine engine) const;
};

struct Table
{
    const char *name;
    std::vector<Column> columns;
    std::vector<const char *> constraints; // PRIMARY KEY, REFERENCES, ...
    Place place = Place::Both;
    // A run's own rows: written with the run, sent with it to the line.
    bool ofRun = false;
    // What follows the station's CREATE TABLE (")" and this), e.g. "WITHOUT
    // ROWID" for a small table kept in the order of its key.
    const char *stationOptions = nullptr;
    // The station's keys and references, where they are not those above.
    std::vector<const char *> stationConstraints = {};

    bool in(Engine engine) const;
    const std::vector<const char *> &constraintsIn(Engine engine) const;
    // The columns this engine has, in order.
    std::vector<const Column *> columnsIn(Engine engine) const;
    QStringList columnNames(Engine engine) const;
    int indexOf(const char *column, Engine engine) const; // -1: not there
    // Whether the engine keeps the table in one partition per month of the
    // run's start (PartitionKey): the server, for every table of a run.
    bool partitioned(Engine engine) const;
};

// The column a partitioned table is split by. The children of a run carry
// it on the server too (not listed: the server fills it from their run).
constexpr const char *PartitionKey = "started_at";

// Every table, parents before children.
const std::vector<Table> &tables();
const Table &table(const char *name);
// The tables of a run (runs first, then its children).
std::vector<const Table *> runTables();
// Where a table is among runTables().
std::size_t runTableIndex(const char *name);

// "CREATE TABLE IF NOT EXISTS name (...)" for the table on engine; a
// partitioned one gets the partition key in its keys and references.
QString createTableSql(const Table &table, Engine engine, const QString &name);

// "INSERT INTO t (a, b, ...) VALUES (?, ?, ...)" for the station's store.
QString insertSql(const Table &table, const QString &suffix = QString());

// The station's own store: creates the tables or migrates them to Version, in
// batches (each a transaction of its own; an interrupted migration goes on
// where it stopped at the next open). False with a reason when the file
// cannot be brought there (one of a newer version included).
bool prepare(QSqlDatabase &db, QString *error);
// The same for the line's server, run by its administrator as the schema's
// owner (see lineserver.h); never by a station or a reader.
bool prepareServer(QSqlDatabase &db, QString *error);

// A line client's look at the server's schema: true when it is this code's.
// Otherwise one line that says what is wrong and who mends it.
bool checkServer(QSqlDatabase &db, QString *error);

// Counts yield_quarters anew from the runs (after a migration, or runs written
// other than through the store). Never on a station's store that pruned runs
// (retention.h): their counts are in yield_quarters alone.
bool rebuildYield(QSqlDatabase &db, QString *error);

// Runs sql on db, with the values bound in order where there are any (a
// statement without values is not prepared: the server prepares no DDL).
// The error, of type NoError when it ran; rows, where given, the rows it
// changed.
QSqlError execute(QSqlDatabase &db, const QString &sql, const QVariantList &bound = {}, qint64 *rows = nullptr);

// The file's bytes from the content column as engine gives it back: the
// server keeps the bytes themselves, the station a compressed frame
// (textcodec.h) or, in a store not yet migrated, the file's Latin-1 text.
// False with the reason (bytes empty) when a frame cannot be read.
bool fileBytes(const QVariant &stored, Engine engine, QByteArray &bytes, QString *error = nullptr);
// The engine behind a connection (QSQLITE: the station's, else the server's).
Engine engineOf(const QSqlDatabase &db);

} // namespace results::schema

#endif
