#ifndef RUNROWS_H
#define RUNROWS_H

#include "measurements.h"
#include "schema.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <vector>

// A run as rows of its tables (schema::runTables()), in the columns the
// station's store has: what record() writes, what the uploader reads back and
// sends, and the payload the line's server takes it in.
namespace results {

struct RunRows
{
    // One entry per run table, in schema::runTables() order; the runs table
    // has one row. The content column holds the file's bytes (QByteArray).
    std::vector<std::vector<QVariantList>> tables;
    // What the run was judged against, beside its own rows: the rows of the
    // texts table it names and of profile_versions for its profile's version
    // (in the columns the station's store has), written and sent with it.
    std::vector<QVariantList> texts;
    std::vector<QVariantList> profileVersions;
    // The run's measurements with their limits: the station keeps them
    // packed (its measurements table's entry here stays empty), the line's
    // server a row each (the payload's "measurements").
    std::vector<Measurement> measured;
    // Read from the station's store: why the file's text could be read
    // neither from the store nor from the filed file (the content is then
    // empty, and the run must not travel).
    QString textError;

    QVariant value(const char *column) const;
    QString runId() const { return value("run_id").toString(); }
};

// The run's rows as the station's store holds them, the file's bytes
// unpacked; false with a reason, or with an empty RunRows when the store has
// no such run.
bool readRunRows(const QSqlDatabase &db, const QString &runId, RunRows &rows, QString *error);

// Where the station's measurements of a run are (its start and its id bound):
// by the table's key, not by a look through every run's.
QString measurementsOfRun();

// The rows as one JSON document for the server's record_run(): each table's
// rows as objects keyed by column name, then "texts" and "profile_versions". Texts cannot hold NUL on the server:
// storableText() stands for them; the file's own bytes travel whole.
QString linePayload(const RunRows &rows);

// text as a JSON string (RFC 8259), NUL as storableText() has it.
QString jsonText(const QString &text);

// A text as either engine keeps it: NUL (which the server's texts cannot
// hold) becomes U+FFFD. The file itself is kept byte for byte beside it.
QString storableText(QString text);

} // namespace results

#endif
