#ifndef LINESERVER_H
#define LINESERVER_H

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// The line's results server as its administrator sets it up, and what its
// clients call there. Three kinds of role:
//
//   kavel_owner   owns the schema; only "kavel-results server init" acts as it
//                 (creating and migrating the tables, never a station);
//   kavel_writer  the group of the stations' login roles: each may add runs of
//                 its own station id, through record_run(), and nothing else;
//                 it holds no right on any table and reads nothing but the
//                 schema's version;
//   kavel_reader  the group of analysts and the statistics window: reads every
//                 table, writes nothing.
//
// A station writes through SECURITY DEFINER functions rather than through
// row-level security on the tables: a run also moves other stations' rows (a
// retested panel's first and last run, the yield of its quarter hour), which a
// station that may touch only its own rows could not do; the server stamps
// the run's arrival and numbers it; and a run goes in one round trip, whole or
// not at all.
namespace results::lineserver {

extern const char *const OwnerRole;
extern const char *const WriterRole;
extern const char *const ReaderRole;

// Creates or migrates the schema and the three roles, (re)creates the
// functions and sets every right, on a connection of a superuser or of a role
// that may create roles and owns the database. Safe to run again. report: what
// the server holds now, for the administrator.
bool init(QSqlDatabase &db, QString *report, QString *error);
// The months of the runs (see partitions.h), on a connection of the schema's
// owner or a superuser: the default partitions and the current month and
// ahead months after it made where missing; with keepMonths, the months
// before the last keepMonths (the current one counted) dropped, each after
// its runs are counted in the yield per quarter. Safe to repeat. report: what
// it made and dropped, and what the server holds.
struct MaintainOptions
{
    int keepMonths = 0; // 0: nothing is dropped
    int ahead = 3;
    qint64 now = 0; // ms since the epoch; 0: the server's clock
};
bool maintain(QSqlDatabase &db, const MaintainOptions &options, QString *report, QString *error);
// A login role (created when absent, without a password: see the README) that
// adds the runs of station and nothing else.
bool addStation(QSqlDatabase &db, const QString &station, const QString &role, QString *report, QString *error);
// A login role that reads everything and writes nothing.
bool addReader(QSqlDatabase &db, const QString &role, QString *report, QString *error);
// Forgets which machine holds station, so that another may claim it (a
// station PC replaced).
bool releaseStation(QSqlDatabase &db, const QString &station, QString *report, QString *error);

// What a client calls, each with its values bound.
// record_run(payload): "added" or "known"; an error names why the run is refused.
QString recordRunSql();
// known_runs(asked): which of the runs asked (JSON objects with run_id,
// station, file_name, content_sha1) the server holds already.
QString knownRunsSql();
// claim_station(station, machine): the server's clock (ms since the epoch)
// when the caller's role may write station and its machine holds it;
// otherwise an error that says why.
QString claimSql();

// Whether the server refused a run for naming a text it does not hold (one
// the station took it to have): the run goes again with its texts.
bool missingText(const QSqlError &error);

// The server's reason in one line, without the driver's decoration.
QString reason(const QSqlError &error);
// Whether the error says the server or the connection is in trouble (try the
// same again later) rather than that it refuses what was sent.
bool transient(const QSqlError &error);

} // namespace results::lineserver

#endif
