#ifndef STOREGEN_H
#define STOREGEN_H

#include "resultstore.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

class PgServer;

// A results store of a given size, made inside the engine (a few SQL
// statements per hundred thousand runs) instead of through files, for the
// figures at scale. Its runs are known, so that what a query answers is too:
//   run n starts at 2026-01-01T00:00Z + n * 30 s, on station "ST<n % 20>",
//   LOT "L<n / 5000>", worker "W<n % 7>", profile "P<n % 3>.ini";
//   barcode "SN<12 digits>" of n, except that every run with n % 20 == 19
//   retests the barcode of run n - 1, which failed (n % 20 == 18);
//   runs with n % 97 == 0 fail too (first and last run of their panel);
//   a failed run fails open/short when n is even, else the X raster, with one
//   failing cell at row (n / 7) % 30, column (n / 11) % 40;
//   supply current 60 + (n % 17) / 10 mA, TB mean 500 + n % 23, open/short
//   levels X 100 + n % 13 and Y 110 + n % 11;
//   13 measurements a run with their limits (Electric current, below 64 mA
//   for the first half of the runs and 63.5 mA from then on; Tb_Value highest;
//   OpenShort X[0..3]; RasterX middle/edge max/min; BtnData Btn[0..2]); run
//   n - 60 is the previous of its station and profile (the server's rows
//   are chained to it, the station packs a run's values per item).
// The store must be open with the current schema (ResultStore::open...). On
// PostgreSQL the keys, references and indexes of the tables split by month are
// made again after the rows, as the schema has them: nothing else may use the
// store while it is made.
namespace storegen {

// text: each run's file text is these bytes with its first 12 replaced by
// the run's number (a real result file, for the bytes a run takes); empty:
// a short text.
// skipIndexes: indexes of the tables split by month (PostgreSQL) left unmade,
// by name, for a disk that cannot hold them.
bool generate(QSqlDatabase &db, qint64 runs, QString *error, bool progress = false, const QByteArray &text = {},
              const QStringList &skipIndexes = {});

// The numbers the generated store answers (for checks).
qint64 panels(qint64 runs);
qint64 failedRuns(qint64 runs);

// Each table's rows, counted and (PostgreSQL) hashed in an order of their
// own, one line a table: two ways of making the same store give the same
// lines.
bool fingerprint(QSqlDatabase &db, QStringList &lines, QString *error);

// The first run's start, ms since the epoch.
qint64 firstStart();

// A generated store for a benchmark, from its command line:
//   --engine sqlite|pg  SQLite file (default) or a private PostgreSQL 15 server
//   --runs N            10^6 by default, rounded down to whole retest cycles
//   --store PATH        the SQLite file, /tmp/kavel-store-<runs>.db by default;
//                       made once and reused
//   --texts FILE        every run's text made from this result file (PostgreSQL)
//   --fingerprint FILE  the new store's fingerprint() written there
//   --server CONNINFO   (with --engine pg) a server of one's own instead of a
//                       private one, as a line's connection string names it
//                       (its user a superuser): a database
//                       without the schema is made into a store of --runs
//                       runs, one that holds --runs runs is used as it is
//                       (so that two programs time the same 10^7 runs; one
//                       whose oldest months a timed maintain dropped too)
//   --skip-index A,B    (with --engine pg) a new store made without these
//                       indexes of the tables split by month; the questions
//                       that would read them read the tables instead
class BenchStore
{
public:
    BenchStore();
    ~BenchStore();

    // Opens (and where new, makes) the store; false with the reason.
    bool open(const QStringList &args, QString *error);

    bool postgres() const { return m_server != nullptr || !m_conninfo.isEmpty(); }
    qint64 runs() const { return m_runs; }
    QString path() const { return m_path; }
    // The server's libpq connection string (PostgreSQL only).
    QString connection() const;
    results::ResultStore &store() { return m_store; }
    QSqlDatabase database() const { return m_store.database(); }

private:
    qint64 m_runs = 1000000;
    QByteArray m_text;
    QString m_fingerprint;
    QString m_path;
    QString m_conninfo; // --server
    QStringList m_skipIndexes;
    results::ResultStore m_store;
    std::unique_ptr<PgServer> m_server;
};

} // namespace storegen

#endif
