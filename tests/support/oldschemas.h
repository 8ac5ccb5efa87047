#ifndef OLDSCHEMAS_H
#define OLDSCHEMAS_H

#include "schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

// The results store as stations and line servers were left by the code before
// schema 3, as SQL both engines take: schema 1, and the three shapes schema 2
// was shipped in without a new version each time. A test builds one, fills it
// from a store of today and lets the migration bring it to the current schema.
namespace oldschemas {

inline QStringList schema1()
{
    return {
        "CREATE TABLE schema_version (version INTEGER NOT NULL)",
        "CREATE TABLE runs (run_id TEXT PRIMARY KEY, station TEXT NOT NULL, start_mode TEXT NOT NULL,"
        " lot TEXT NOT NULL, worker TEXT NOT NULL, barcode TEXT NOT NULL, profile TEXT NOT NULL,"
        " started_at BIGINT NOT NULL, ended_at BIGINT NOT NULL, verdict TEXT NOT NULL, file_name TEXT NOT NULL,"
        " file_path TEXT NOT NULL, content_sha1 TEXT NOT NULL, content TEXT NOT NULL, current_ma DOUBLE PRECISION,"
        " tb_mean DOUBLE PRECISION, recorded_at BIGINT NOT NULL, UNIQUE (station, file_name, content_sha1))",
        "CREATE INDEX runs_barcode ON runs (barcode, started_at)",
        "CREATE INDEX runs_lot ON runs (lot, started_at)",
        "CREATE INDEX runs_station ON runs (station, started_at)",
        "CREATE INDEX runs_started ON runs (started_at)",
        "CREATE INDEX runs_path ON runs (file_path)",
        "CREATE TABLE items (run_id TEXT NOT NULL REFERENCES runs (run_id) ON DELETE CASCADE, item TEXT NOT NULL,"
        " pass INTEGER, value DOUBLE PRECISION, text TEXT NOT NULL, PRIMARY KEY (run_id, item))",
        "CREATE INDEX items_item ON items (item, pass)",
        "CREATE TABLE failing_cells (run_id TEXT NOT NULL REFERENCES runs (run_id) ON DELETE CASCADE,"
        " raster TEXT NOT NULL, row_index INTEGER NOT NULL, column_index INTEGER NOT NULL, value INTEGER NOT NULL)",
        "CREATE INDEX failing_cells_run ON failing_cells (run_id)",
        "CREATE TABLE failing_electrodes (run_id TEXT NOT NULL REFERENCES runs (run_id) ON DELETE CASCADE,"
        " kind TEXT NOT NULL, line TEXT NOT NULL, first_index INTEGER NOT NULL, second_index INTEGER, value INTEGER)",
        "CREATE INDEX failing_electrodes_run ON failing_electrodes (run_id)",
        "CREATE TABLE outbox (run_id TEXT PRIMARY KEY REFERENCES runs (run_id) ON DELETE CASCADE,"
        " queued_at BIGINT NOT NULL)",
        "INSERT INTO schema_version (version) VALUES (1)",
    };
}

// shape: "1"; "2 flags" (the panels' first and last run flagged); "2 yield"
// (and yield per quarter kept); "2 levels" (and the open/short levels, with
// the indexes the statistics read).
inline QStringList schema(const QString &shape)
{
    QStringList sql = schema1();
    if (shape == QLatin1String("1"))
        return sql;
    sql << "ALTER TABLE runs ADD COLUMN panel_first INTEGER NOT NULL DEFAULT 0"
        << "ALTER TABLE runs ADD COLUMN panel_last INTEGER NOT NULL DEFAULT 0"
        << "CREATE INDEX runs_yield ON runs (started_at, verdict, panel_first, panel_last, station, lot, profile)"
        << "UPDATE schema_version SET version = 2";
    if (shape == QLatin1String("2 flags"))
        return sql;
    sql << "CREATE TABLE yield_quarters (quarter BIGINT PRIMARY KEY, runs BIGINT NOT NULL, panels BIGINT NOT NULL,"
           " first_passed BIGINT NOT NULL, last_panels BIGINT NOT NULL, last_passed BIGINT NOT NULL)";
    if (shape == QLatin1String("2 yield"))
        return sql;
    sql << "ALTER TABLE runs ADD COLUMN open_short_x DOUBLE PRECISION"
        << "ALTER TABLE runs ADD COLUMN open_short_y DOUBLE PRECISION"
        << "DROP INDEX runs_lot" << "DROP INDEX runs_station"
        << "CREATE INDEX runs_lot ON runs (lot, started_at, verdict, panel_first, panel_last)"
        << "CREATE INDEX runs_station ON runs (station, started_at, verdict, panel_first, panel_last)"
        << "CREATE INDEX runs_profile ON runs (profile, started_at, verdict, panel_first, panel_last)"
        << "CREATE INDEX items_failed ON items (run_id, item) WHERE pass = 0";
    return sql;
}

// A line's server as schema 3 was first made, every table whole rather than
// split by month: applied to a "2 levels" server with its runs copied in
// (the yield is counted anew after it).
inline QStringList wholeThree()
{
    return {
        "ALTER TABLE runs DROP CONSTRAINT runs_station_file_name_content_sha1_key",
        "ALTER TABLE runs ALTER COLUMN content TYPE BYTEA USING convert_to(content, 'LATIN1')",
        "ALTER TABLE runs ADD COLUMN received_at BIGINT, ADD COLUMN received_seq BIGINT",
        "CREATE SEQUENCE runs_received_seq",
        "UPDATE runs SET received_seq = nextval('runs_received_seq')",
        "ALTER TABLE yield_quarters ADD COLUMN final_passed BIGINT NOT NULL DEFAULT 0,"
        " ADD COLUMN passed_after_retest BIGINT NOT NULL DEFAULT 0, ADD COLUMN never_passed BIGINT NOT NULL DEFAULT 0,"
        " ADD COLUMN retests BIGINT NOT NULL DEFAULT 0",
        "CREATE TABLE stations (station TEXT PRIMARY KEY, machine TEXT NOT NULL, claimed_at BIGINT NOT NULL,"
        " seen_at BIGINT NOT NULL)",
        "CREATE TABLE station_roles (role_name TEXT PRIMARY KEY, station TEXT NOT NULL)",
        "UPDATE schema_version SET version = 3",
    };
}

// Builds the shape in db; false with the failing statement in error.
inline bool build(QSqlDatabase &db, const QString &shape, QString *error)
{
    for (const QString &sql : schema(shape)) {
        QSqlQuery q(db);
        if (!q.exec(sql)) {
            *error = sql + QStringLiteral(": ") + q.lastError().text();
            return false;
        }
    }
    return true;
}

inline QStringList columnsOf(QSqlDatabase &db, const QString &table)
{
    QStringList names;
    const QSqlRecord record = db.record(table);
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

// Copies the runs of a current station's store into an old one, in the
// columns the old one has (the file's text as the Latin-1 text both kept then).
inline bool copyRuns(QSqlDatabase &from, QSqlDatabase &to, QString *error)
{
    for (const char *name : {"runs", "items", "failing_cells", "failing_electrodes", "yield_quarters"}) {
        const QString table = QString::fromLatin1(name);
        const QStringList have = columnsOf(to, table);
        if (have.isEmpty())
            continue;
        QSqlQuery read(from);
        if (!read.exec(QStringLiteral("SELECT %1 FROM %2").arg(have.join(QStringLiteral(", ")), table))) {
            *error = read.lastError().text();
            return false;
        }
        QStringList marks;
        for (qsizetype i = 0; i < have.size(); ++i)
            marks << QStringLiteral("?");
        while (read.next()) {
            QSqlQuery write(to);
            write.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(table, have.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
            for (int i = 0; i < have.size(); ++i) {
                QByteArray bytes;
                if (have[i] != QLatin1String("content"))
                    write.addBindValue(read.value(i));
                else if (results::schema::fileBytes(read.value(i), results::schema::Engine::Station, bytes, error))
                    write.addBindValue(QString::fromLatin1(bytes));
                else
                    return false;
            }
            if (!write.exec()) {
                *error = write.lastError().text();
                return false;
            }
        }
    }
    return true;
}

} // namespace oldschemas

#endif
