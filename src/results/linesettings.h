#ifndef LINESETTINGS_H
#define LINESETTINGS_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The line's results server, as a station or the tool reaches it. Its settings
// live in a small file of their own in the working folder (./line.ini), never
// in the station file or the profile, whose formats are fixed:
//
//     [line]
//     connection=host=db.line1 dbname=results user=st07 sslmode=verify-full sslrootcert=/etc/kavel/line-ca.crt
//     reader=host=db.line1 dbname=results user=line_reader sslmode=verify-full sslrootcert=/etc/kavel/line-ca.crt
//     [station]
//     id=ST-07
//     keep_days=30
//
// connection is a libpq connection string or "service=NAME" (a service file
// entry) of the station's own role, which may add this station's runs and
// nothing else; reader (optional) one of a reading role, for the statistics
// window and the tool's queries. Passwords belong in ~/.pgpass or the service
// file (or a client certificate is used), not here. keep_days (optional): the
// days of runs the station's own store keeps once the line's server has them
// (older ones are pruned, retention.h); without it nothing is pruned.
namespace results {

struct LineSettings
{
    QString connection; // empty: no line is configured
    QString reader;     // empty: connection
    QString station;    // empty: the host name
    int keepDays = 0;   // 0: the station prunes nothing

    const QString &readConnection() const { return reader.isEmpty() ? connection : reader; }
};

LineSettings readLineSettings(const QString &path = QStringLiteral("./line.ini"));

// What is unsafe about the settings file: a password in it, or a file that
// other users may read. Empty when there is no such file.
QStringList lineSettingsWarnings(const QString &path = QStringLiteral("./line.ini"));

// A PostgreSQL connection (driver QPSQL) named name for the connection string,
// not yet opened. connect_timeout defaults to 5 s, so that an unreachable host
// never holds anyone for long.
QSqlDatabase addLineDatabase(const QString &connection, const QString &name);

// This machine as the line's server knows it when it claims a station id: a
// hash of the system's machine id (/etc/machine-id, made anew for every
// installation and for every clone made as cloning tools advise) and of a
// random key kept beside the station (keyFile, made at the first call,
// readable by its owner only), which tells apart two station folders on
// machines whose system id was cloned. Host names are not used: cloned PCs
// share them. The system id itself is never sent.
QString machineIdentity(const QString &keyFile = QStringLiteral("./line.id"));

} // namespace results

#endif
