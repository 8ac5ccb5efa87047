#ifndef LINESETTINGS_H
#define LINESETTINGS_H

#include <QSqlDatabase>
#include <QString>

// The line's results server, as a station or the tool reaches it. Its settings
// live in a small file of their own in the working folder (./line.ini), never
// in the station file or the profile, whose formats are fixed:
//
//     [line]
//     connection=host=db.line1 dbname=results user=station
//     [station]
//     id=ST-07
//
// connection is a libpq connection string or "service=NAME" (a service file
// entry); passwords belong in ~/.pgpass or the service file, not here.
namespace results {

struct LineSettings
{
    QString connection; // empty: no line is configured
    QString station;    // empty: the host name
};

LineSettings readLineSettings(const QString &path = QStringLiteral("./line.ini"));

// A PostgreSQL connection (driver QPSQL) named name for the connection string,
// not yet opened. connect_timeout defaults to 5 s, so that an unreachable host
// never holds anyone for long.
QSqlDatabase addLineDatabase(const QString &connection, const QString &name);

} // namespace results

#endif
