#include "schema.h"

#include "partitions.h"
#include "resultstore.h"
#include "textcodec.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <cstring>
#include <functional>
#include <tuple>

namespace results::schema {

namespace {

// Both engines take these types as they stand: TEXT, INTEGER, BIGINT and
// DOUBLE PRECISION; times are milliseconds since the epoch (UTC).
const std::vector<Table> &allTables()
{
    static const std::vector<Table> list{
        {"schema_version", {{"version", "INTEGER NOT NULL"}}, {}},
        {"runs",
         {
             {"run_id", "TEXT NOT NULL"},
             {"station", "TEXT NOT NULL"},
             {"start_mode", "TEXT NOT NULL"},
             {"lot", "TEXT NOT NULL"},
             {"worker", "TEXT NOT NULL"},
             {"barcode", "TEXT NOT NULL"},
             {"profile", "TEXT NOT NULL"},
             {"started_at", "BIGINT NOT NULL"},
             {"ended_at", "BIGINT NOT NULL"},
             {"verdict", "TEXT NOT NULL"},
             // All three empty for a run that filed nothing.
             {"file_name", "TEXT NOT NULL"},
             {"file_path", "TEXT NOT NULL"},
             {"content_sha1", "TEXT NOT NULL"},
             // The filed file, byte for byte, a NUL (the tail of a file a
             // power cut left) included. The station keeps it compressed
             // (textcodec.h; a store not yet migrated, as its Latin-1 text),
             // the server as the bytes themselves, which it compresses itself.
             {"content", "BLOB NOT NULL", "BYTEA COMPRESSION lz4 NOT NULL"},
             {"current_ma", "DOUBLE PRECISION"},
             {"tb_mean", "DOUBLE PRECISION"},
             {"recorded_at", "BIGINT NOT NULL"},
             // Each panel's first and last run (by start time) flagged, so
             // that yield over a million runs is a count, not a ranking.
             {"panel_first", "INTEGER NOT NULL DEFAULT 0"},
             {"panel_last", "INTEGER NOT NULL DEFAULT 0"},
             // The open/short line's mean level, X and Y, for the drift chart.
             {"open_short_x", "DOUBLE PRECISION"},
             {"open_short_y", "DOUBLE PRECISION"},
             // What the run was judged against, each a text of the texts
             // table by its SHA-1: NULL where it is not known (a run rebuilt
             // from its file), or, for the baseline and the firmware, where
             // the run used none.
             {"profile_sha1", "TEXT"},
             {"baseline_sha1", "TEXT"},
             {"firmware_sha1", "TEXT"},
             {"software_version", "TEXT"},
             // The server's clock when the run arrived, and the order runs
             // arrived in (an export cursor that misses no late run).
             {"received_at", "BIGINT", nullptr, Place::Server},
             {"received_seq", "BIGINT", nullptr, Place::Server},
         },
         {"PRIMARY KEY (run_id)"},
         Place::Both,
         true},
        // pass: 1 or 0, NULL where the file cannot tell (an item whose line
        // carries the run's verdict after an earlier item failed).
        {"items",
         {{"run_id", "TEXT NOT NULL"},
          {"item", "TEXT NOT NULL"},
          {"pass", "INTEGER"},
          {"value", "DOUBLE PRECISION"},
          {"text", "TEXT NOT NULL"}},
         {"FOREIGN KEY (run_id) REFERENCES runs (run_id) ON DELETE CASCADE", "PRIMARY KEY (run_id, item)"},
         Place::Both,
         true,
         // Kept in the order of its key alone: an index beside the table
         // would hold every item twice.
         "WITHOUT ROWID"},
        {"failing_cells",
         {{"run_id", "TEXT NOT NULL"},
          {"raster", "TEXT NOT NULL"},
          {"row_index", "INTEGER NOT NULL"},
          {"column_index", "INTEGER NOT NULL"},
          {"value", "INTEGER NOT NULL"}},
         {"FOREIGN KEY (run_id) REFERENCES runs (run_id) ON DELETE CASCADE"},
         Place::Both,
         true},
        // kind: "window" (outside its per-electrode window, first = value
        // index), "open" or "short" (the pair first:second, numbered from 1).
        {"failing_electrodes",
         {{"run_id", "TEXT NOT NULL"},
          {"kind", "TEXT NOT NULL"},
          {"line", "TEXT NOT NULL"},
          {"first_index", "INTEGER NOT NULL"},
          {"second_index", "INTEGER"},
          {"value", "INTEGER"}},
         {"FOREIGN KEY (run_id) REFERENCES runs (run_id) ON DELETE CASCADE"},
         Place::Both,
         true},
        // Each run's measurements with the limits of the profile it was
        // judged under (measurements.h). The run's station, profile and start
        // are kept beside them, so that a capability over a million runs reads
        // this table alone, in the order of its key.
        // The server: a row per measurement: a side without a limit is NULL,
        // and both are where limits_known is 0 (a run whose profile text is not
        // known, rebuilt from its file). moving_range: against the previous
        // run of the station and profile (previous_run, previous_at) where
        // that run has the measurement under the same limits (chainSql()).
        // The station: a row per run and item, its values packed in the order
        // of their names (packMeasurements()); limits: the profile version's
        // set in measurement_limits, NULL where the profile is not known. Its
        // moving ranges are taken when asked (capability.h). No reference to
        // the run: a run's rows go with it by their key (retention.h), where
        // a reference would have every pruned run look through the whole table.
        {"measurements",
         {{"run_id", "TEXT NOT NULL"},
          {"item", "TEXT NOT NULL"},
          {"name", "TEXT NOT NULL", nullptr, Place::Server},
          {"value", "DOUBLE PRECISION NOT NULL", nullptr, Place::Server},
          {"lower_limit", "DOUBLE PRECISION", nullptr, Place::Server},
          {"upper_limit", "DOUBLE PRECISION", nullptr, Place::Server},
          {"limits_known", "INTEGER NOT NULL DEFAULT 0", nullptr, Place::Server},
          {"station", "TEXT NOT NULL"},
          {"profile", "TEXT NOT NULL"},
          {"started_at", "BIGINT NOT NULL"},
          {"previous_run", "TEXT", nullptr, Place::Server},
          {"previous_at", "BIGINT", nullptr, Place::Server},
          {"moving_range", "DOUBLE PRECISION", nullptr, Place::Server},
          {"limits", "INTEGER", nullptr, Place::Station},
          {"packed", "BLOB NOT NULL DEFAULT x''", nullptr, Place::Station}},
         {"FOREIGN KEY (run_id) REFERENCES runs (run_id) ON DELETE CASCADE",
          "PRIMARY KEY (item, started_at, run_id, name)"},
         Place::Both,
         true,
         "WITHOUT ROWID",
         {"PRIMARY KEY (item, started_at, run_id)"}},
        // The limits of each version of a profile a run was judged under, per
        // measurement, kept once (the station's; the server keeps them in
        // every measurement's row). limits: the version's number, which the
        // measurements' rows name.
        {"measurement_limits",
         {{"profile_sha1", "TEXT NOT NULL"},
          {"item", "TEXT NOT NULL"},
          {"name", "TEXT NOT NULL"},
          {"limits", "INTEGER NOT NULL"},
          {"lower_limit", "DOUBLE PRECISION"},
          {"upper_limit", "DOUBLE PRECISION"},
          {"limits_known", "INTEGER NOT NULL"}},
         {"PRIMARY KEY (profile_sha1, item, name)"},
         Place::Station,
         false,
         "WITHOUT ROWID"},
        // The texts runs were judged against (profiles, baselines, firmware
        // images), each once, by the SHA-1 of its bytes. kind: "profile",
        // "baseline" or "firmware". Written and read through textToStore()
        // and textFromStore() alone.
        {"texts",
         {{"sha1", "TEXT NOT NULL"}, {"kind", "TEXT NOT NULL"}, {"content", "BLOB NOT NULL", "BYTEA NOT NULL"}},
         {"PRIMARY KEY (sha1)"}},
        // Every version of a profile (by its file name) that a run used or
        // the station saved: when and on which station it first appeared.
        {"profile_versions",
         {{"profile", "TEXT NOT NULL"},
          {"profile_sha1", "TEXT NOT NULL"},
          {"first_at", "BIGINT NOT NULL"},
          {"station", "TEXT NOT NULL"}},
         {"PRIMARY KEY (profile, profile_sha1)"}},
        // Yield per quarter of an hour (UTC), kept with every run recorded:
        // the runs, the panels first tested then and how many passed at once,
        // the panels whose latest run is then and how many passed. Yield by
        // hour or day over a year reads a few ten thousand of these.
        {"yield_quarters",
         {{"quarter", "BIGINT NOT NULL"},
          {"runs", "BIGINT NOT NULL"},
          {"panels", "BIGINT NOT NULL"},
          {"first_passed", "BIGINT NOT NULL"},
          {"last_panels", "BIGINT NOT NULL"},
          {"last_passed", "BIGINT NOT NULL"},
          // Of the panels first tested then, whatever hour their retests
          // fell in: those whose latest run passed, those that failed at
          // first and passed later, those that never passed, and their runs
          // after the first. Both yields of a group of whole quarters read
          // these alone.
          {"final_passed", "BIGINT NOT NULL DEFAULT 0"},
          {"passed_after_retest", "BIGINT NOT NULL DEFAULT 0"},
          {"never_passed", "BIGINT NOT NULL DEFAULT 0"},
          {"retests", "BIGINT NOT NULL DEFAULT 0"}},
         {"PRIMARY KEY (quarter)"}},
        // The runs the line's server has not acknowledged yet, with how often
        // and why it refused each.
        {"outbox",
         {{"run_id", "TEXT NOT NULL"},
          {"queued_at", "BIGINT NOT NULL"},
          {"attempts", "INTEGER NOT NULL DEFAULT 0"},
          {"last_error", "TEXT NOT NULL DEFAULT ''"}},
         {"PRIMARY KEY (run_id)", "FOREIGN KEY (run_id) REFERENCES runs (run_id) ON DELETE CASCADE"},
         Place::Station},
        // Runs the server refused again and again, with its reason; the
        // uploader goes on without them until they are retried.
        {"quarantine",
         {{"run_id", "TEXT NOT NULL"},
          {"refused_at", "BIGINT NOT NULL"},
          {"attempts", "INTEGER NOT NULL"},
          {"reason", "TEXT NOT NULL"}},
         {"PRIMARY KEY (run_id)", "FOREIGN KEY (run_id) REFERENCES runs (run_id) ON DELETE CASCADE"},
         Place::Station},
        // The station's runs pruned once the line had them (retention.h)
        // that were a panel's first or latest run: the panel's later runs
        // are its retests, and move its latest run out of the yield of the
        // quarter it was counted in. The rest of a pruned run is gone; its
        // counts stay in yield_quarters.
        {"pruned_runs",
         {{"barcode", "TEXT NOT NULL"},
          {"started_at", "BIGINT NOT NULL"},
          {"run_id", "TEXT NOT NULL"},
          {"verdict", "TEXT NOT NULL"},
          {"panel_first", "INTEGER NOT NULL"},
          {"panel_last", "INTEGER NOT NULL"}},
         {"PRIMARY KEY (barcode, started_at, run_id)"},
         Place::Station,
         false,
         "WITHOUT ROWID"},
        // One row once the station pruned: every run that started before
        // pruned_before and that the line had acknowledged is gone; runs:
        // how many were pruned in all.
        {"pruning", {{"pruned_before", "BIGINT NOT NULL"}, {"runs", "BIGINT NOT NULL"}}, {}, Place::Station},
        // Which machine holds each station id (claimed at its first upload).
        {"stations",
         {{"station", "TEXT NOT NULL"},
          {"machine", "TEXT NOT NULL"},
          {"claimed_at", "BIGINT NOT NULL"},
          {"seen_at", "BIGINT NOT NULL"}},
         {"PRIMARY KEY (station)"},
         Place::Server},
        // The login role each station adds its runs with.
        {"station_roles",
         {{"role_name", "TEXT NOT NULL"}, {"station", "TEXT NOT NULL"}},
         {"PRIMARY KEY (role_name)"},
         Place::Server},
        // Every run the server took, by id, with its start (which names its
        // month): the runs are split by month, and a key across the months
        // is what keeps an id once on the line. Kept when a month is dropped,
        // so that a run sent again after its month went is known, not added.
        {"run_ids",
         {{"run_id", "TEXT NOT NULL"}, {"started_at", "BIGINT NOT NULL"}},
         {"PRIMARY KEY (run_id)"},
         Place::Server},
    };
    return list;
}

struct Index
{
    const char *name;
    const char *table;
    const char *definition; // what follows "ON table"
    // The version whose definition this is: a migration from an older one
    // makes it anew.
    int since;
    Place place = Place::Both;
    bool unique = false;
};

const Index Indexes[] = {
    // A file is recorded once per station; runs that filed nothing are each
    // their own. Led by the name, so that the station's catch-up finds a
    // file by its name here instead of an index of every path.
    {"runs_file", "runs", "(file_name, station, content_sha1) WHERE file_name <> ''", 3, Place::Both, true},
    {"runs_barcode", "runs", "(barcode, started_at)", 1},
    // A barcode's prefix (LIKE 'GOLD%') is read from an index only where it
    // sorts as C does; a line's database mostly sorts by its locale
    // (C.UTF-8, en_US.UTF-8), where every run was read instead.
    {"runs_barcode_prefix", "runs", "(barcode COLLATE \"C\", started_at)", 3, Place::Server},
    // Per LOT, station and profile: the runs of one in a time range, and yield
    // per each over a long range, read from the index alone.
    {"runs_lot", "runs", "(lot, started_at, verdict, panel_first, panel_last)", 3},
    {"runs_station", "runs", "(station, started_at, verdict, panel_first, panel_last)", 3},
    {"runs_profile", "runs", "(profile, started_at, verdict, panel_first, panel_last)", 3},
    {"runs_started", "runs", "(started_at)", 1},
    // Yield over a long time reads this index alone, in order of the quarters
    // of an hour it counts in, never the runs' texts.
    {"runs_yield", "runs", "((started_at / 900000), started_at, verdict, panel_first, panel_last, station, lot, profile)",
     3},
    {"runs_received", "runs", "(received_seq)", 3, Place::Server, true},
    // A profile's versions and the runs judged with each, from the index alone.
    {"runs_conditions", "runs", "(profile, profile_sha1)", 3},
    // Every question of items asks for the failed ones: the runs and counts
    // of one failed item read these alone (a few in a hundred items).
    {"items_item", "items", "(item, run_id) WHERE pass = 0", 3},
    // The failed items alone (a few in a hundred runs): the failures' Pareto
    // over a long range reads these instead of every run's items.
    {"items_failed", "items", "(run_id, item) WHERE pass = 0", 3},
    {"failing_cells_run", "failing_cells", "(run_id)", 1},
    {"failing_electrodes_run", "failing_electrodes", "(run_id)", 1},
    // The run before and after one of a station and profile, whose values a
    // moving range is taken against, found without sorting the others.
    // The station takes them when asked (capability.h).
    {"runs_chain", "runs", "(station, profile, started_at, run_id)", 3, Place::Server},
    // A run's measurements, and its previous run's, looked up by run.
    {"measurements_run", "measurements", "(run_id, item, name)", 3, Place::Server},
    // Capability over a range read from this index alone: the server's rows
    // lie in the order they arrived, every item's beside every other's (a
    // million runs: 1.0 s instead of 3.2 s). The station's table is this
    // order itself (WITHOUT ROWID).
    {"measurements_capability", "measurements",
     "(item, started_at) INCLUDE (name, limits_known, lower_limit, upper_limit, value, moving_range, previous_at,"
     " station, profile)",
     3, Place::Server},
};

// Indexes no longer made: a migration drops them.
const char *const DroppedIndexes[] = {
    // The catch-up finds files through runs_file.
    "runs_path",
};

bool placedIn(Place place, Engine engine)
{
    return place == Place::Both || (place == Place::Server) == (engine == Engine::Server);
}

// A migration walks the runs this many at a time, each batch a transaction of
// its own: a server of a million runs is never locked for the whole of it, and
// an interrupted migration loses one batch.
constexpr int Batch = 2000;

// Steps of a migration that take the runs in batches; written into
// schema_migration when the migration starts and struck off when done, so
// that a migration interrupted anywhere finishes at the next attempt.
const char StepRunsTable[] = "runs_table";       // the station's runs without the old UNIQUE
const char StepContentBytes[] = "content_bytes"; // the server's texts as the files' bytes
const char StepLevels[] = "open_short_levels";
const char StepFlags[] = "panel_flags";
const char StepArrivals[] = "arrivals"; // the server's runs from before it numbered arrivals
const char StepYield[] = "yield";
const char StepPackTexts[] = "pack_texts"; // the station's texts compressed
const char StepItemsTable[] = "items_table"; // the station's items without a rowid
// In the order they run.
const char *const Steps[] = {StepRunsTable, StepItemsTable, StepPackTexts, StepContentBytes,
                             StepLevels,    StepFlags,      StepArrivals,  StepYield};

class Migration
{
public:
    Migration(QSqlDatabase &db, Engine engine, QString *error) : m_db(db), m_engine(engine), m_error(error) {}

    bool run()
    {
        int current = 0;
        bool hasVersion = false;
        if (!readVersion(current, hasVersion))
            return false;
        if (current > Version)
            return fail(QStringLiteral("the store was written by a newer station (schema %1)").arg(current));
        bool hasRuns = false;
        if (!tableExists("runs", hasRuns))
            return false;
        // A server of this version whose runs are not split yet gets its
        // missing columns first: the split copies every column.
        if (current == Version)
            return packedMeasurements() && complete() && (!hasRuns || partitionRuns());
        if (!hasRuns)
            return create();
        return structure(current) && batches() && partitionRuns() && finish();
    }

private:
    bool fail(const QString &why)
    {
        if (m_error)
            *m_error = why;
        return false;
    }

    bool exec(const QString &sql, const QVariantList &bound = {})
    {
        const QSqlError e = execute(m_db, sql, bound);
        return e.type() == QSqlError::NoError || fail(e.text());
    }

    bool begin() { return m_db.transaction() || fail(m_db.lastError().text()); }

    bool commit()
    {
        if (m_db.commit())
            return true;
        fail(m_db.lastError().text());
        m_db.rollback();
        return false;
    }

    // Runs body in a transaction of its own.
    bool transaction(const std::function<bool()> &body)
    {
        if (!begin())
            return false;
        if (!body()) {
            m_db.rollback();
            return false;
        }
        return commit();
    }

    bool server() const { return m_engine == Engine::Server; }

    bool readVersion(int &version, bool &present)
    {
        if (!tableExists("schema_version", present))
            return false;
        if (!present)
            return true;
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT version FROM schema_version")))
            return fail(q.lastError().text());
        if (q.next())
            version = q.value(0).toInt();
        return true;
    }

    bool tableExists(const char *name, bool &exists)
    {
        QSqlQuery q(m_db);
        q.prepare(server() ? QStringLiteral("SELECT 1 FROM information_schema.tables"
                                            " WHERE table_schema = current_schema() AND table_name = ?")
                           : QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
        q.addBindValue(QString::fromLatin1(name));
        if (!q.exec())
            return fail(q.lastError().text());
        exists = q.next();
        return true;
    }

    // The table's columns as the database has them, with their types.
    bool columns(const char *table, QHash<QString, QString> &found)
    {
        QSqlQuery q(m_db);
        if (server()) {
            q.prepare(QStringLiteral("SELECT column_name, data_type FROM information_schema.columns"
                                     " WHERE table_schema = current_schema() AND table_name = ?"));
            q.addBindValue(QString::fromLatin1(table));
            if (!q.exec())
                return fail(q.lastError().text());
            while (q.next())
                found.insert(q.value(0).toString(), q.value(1).toString());
            return true;
        }
        // The table's name is the code's own, never input.
        if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table))))
            return fail(q.lastError().text());
        while (q.next())
            found.insert(q.value(1).toString(), q.value(2).toString());
        return true;
    }

    QString createTable(const Table &table, const QString &name) const
    {
        return createTableSql(table, m_engine, name);
    }

    // withPartitioned false: not the tables split by month (a server whose
    // runs are not split yet gets them when they are).
    bool createTables(bool withPartitioned = true)
    {
        for (const Table &table : allTables()) {
            if (!table.in(m_engine) || (!withPartitioned && table.partitioned(m_engine)))
                continue;
            if (!exec(createTable(table, QLatin1String(table.name))))
                return false;
        }
        if (server() && !exec(QStringLiteral("CREATE SEQUENCE IF NOT EXISTS runs_received_seq")))
            return false;
        return true;
    }

    // withPartitioned false: as createTables().
    bool createIndexes(bool withPartitioned = true)
    {
        for (const Index &index : Indexes) {
            if (!withPartitioned && table(index.table).partitioned(m_engine))
                continue;
            // A unique index of a table split by month would have to hold the
            // month; what these keep unique is kept so otherwise: a file's
            // run id is made from its key (station, name, content) and held
            // once in run_ids, arrivals are numbered by a sequence.
            const bool unique = index.unique && !table(index.table).partitioned(m_engine);
            if (placedIn(index.place, m_engine)
                && !exec(QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 %4")
                             .arg(unique ? QStringLiteral("UNIQUE ") : QString(), QLatin1String(index.name),
                                  QLatin1String(index.table), QLatin1String(index.definition))))
                return false;
        }
        return true;
    }

    bool setVersion()
    {
        return exec(QStringLiteral("DELETE FROM schema_version"))
               && exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"), {Version});
    }

    bool create()
    {
        return transaction([this] {
            return createTables() && createIndexes() && setVersion()
                   && (!server() || partitions::ensureDefaults(m_db, nullptr, m_error));
        });
    }

    // What the migration changes in place, in one transaction: tables and
    // columns that are missing, indexes whose definition changed, and the
    // steps that follow in batches.
    bool structure(int current)
    {
        bool split = false;
        if (server() && !partitions::isPartitioned(m_db, "runs", split, m_error))
            return false;
        return transaction([this, current, split] {
            if (!exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_migration (step TEXT NOT NULL PRIMARY KEY)"))
                || !createTables(!server() || split))
                return false;
            QSet<QString> steps;
            QSqlQuery pending(m_db);
            if (!pending.exec(QStringLiteral("SELECT step FROM schema_migration")))
                return fail(pending.lastError().text());
            while (pending.next())
                steps.insert(pending.value(0).toString());
            // The shapes a version-2 store was left in differ: whatever a
            // store lacks is added and filled, whatever it was.
            if (!addColumns(steps))
                return false;
            steps.insert(QLatin1String(StepYield));
            if (!server())
                steps.insert(QLatin1String(StepPackTexts));
            for (const Index &index : Indexes) {
                if (index.since > current && !exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(index.name))))
                    return false;
            }
            for (const char *name : DroppedIndexes) {
                if (!exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(name))))
                    return false;
            }
            if (!structureForThree(steps) || !withoutRowids(steps))
                return false;
            for (const QString &step : steps) {
                if (!exec(m_engine == Engine::Server
                              ? QStringLiteral("INSERT INTO schema_migration (step) VALUES (?) ON CONFLICT DO NOTHING")
                              : QStringLiteral("INSERT OR IGNORE INTO schema_migration (step) VALUES (?)"),
                          {step}))
                    return false;
            }
            return true;
        });
    }

    // The columns the tables lack (a table that is not there lacks all of its).
    bool missingColumns(std::vector<std::pair<const Table *, const Column *>> &missing)
    {
        for (const Table &table : allTables()) {
            if (!table.in(m_engine))
                continue;
            QHash<QString, QString> found;
            if (!columns(table.name, found))
                return false;
            // A table split by month that the server lacks comes whole
            // when its runs are split.
            if (found.isEmpty() && table.partitioned(m_engine))
                continue;
            for (const Column *c : table.columnsIn(m_engine)) {
                if (!found.contains(QLatin1String(c->name)))
                    missing.emplace_back(&table, c);
            }
        }
        return true;
    }

    // Adds the columns a table lacks, with the steps that fill them.
    bool addColumns(QSet<QString> &steps)
    {
        std::vector<std::pair<const Table *, const Column *>> missing;
        if (!missingColumns(missing))
            return false;
        for (const auto &[table, c] : missing) {
            if (!exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                          .arg(QLatin1String(table->name), QLatin1String(c->name),
                               QLatin1String(c->typeFor(m_engine)))))
                return false;
            if (qstrcmp(c->name, "panel_first") == 0)
                steps.insert(QLatin1String(StepFlags));
            if (qstrcmp(c->name, "open_short_x") == 0)
                steps.insert(QLatin1String(StepLevels));
            if (qstrcmp(c->name, "received_seq") == 0)
                steps.insert(QLatin1String(StepArrivals));
        }
        return true;
    }

    // A store of this version made by a build of it from before a table, a
    // column or an index was added (the version had not shipped yet): what it
    // lacks is added in place. A store that lacks nothing is only read.
    bool complete()
    {
        std::vector<std::pair<const Table *, const Column *>> missing;
        if (!missingColumns(missing))
            return false;
        bool lacking = !missing.empty();
        QSqlQuery q(m_db);
        if (!q.exec(server() ? QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema()")
                             : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index'")))
            return fail(q.lastError().text());
        QSet<QString> indexes;
        while (q.next())
            indexes.insert(q.value(0).toString());
        q.finish();
        for (const Index &index : Indexes)
            lacking = lacking || (placedIn(index.place, m_engine) && !indexes.contains(QLatin1String(index.name)));
        if (!lacking)
            return true;
        bool split = true;
        if (server() && !partitions::isPartitioned(m_db, "runs", split, m_error))
            return false;
        return transaction([this, split] {
            QSet<QString> steps; // nothing to fill: the version's own runs carry their values
            // A table split by month that came with this version gets its
            // months with it; on a server not split yet it comes with the split.
            return createTables(split) && addColumns(steps) && createIndexes(split)
                   && (!server() || !split
                       || (partitions::ensureDefaults(m_db, nullptr, m_error)
                           && partitions::ensureMonthsOf(m_db, QStringLiteral("runs"), nullptr, m_error)));
        });
    }

    // The station's measurements as a build of this version first kept them,
    // a row per measurement and chained at every record: dropped, to be made
    // anew in their packed shape (no such store was shipped: its runs'
    // measurements are not there until their files are recorded again).
    bool packedMeasurements()
    {
        if (server())
            return true;
        QHash<QString, QString> found;
        if (!columns("measurements", found))
            return false;
        if (!found.contains(QStringLiteral("name")))
            return true;
        return transaction([this] {
            return exec(QStringLiteral("DROP TABLE measurements")) && exec(QStringLiteral("DROP INDEX IF EXISTS runs_chain"));
        });
    }

    // Up to version 3 a file was unique per station by a table constraint,
    // which a run that filed nothing breaks; the server kept the files' text.
    bool structureForThree(QSet<QString> &steps)
    {
        if (server()) {
            // The constraint goes at once; the index that replaces it comes at the end.
            if (!exec(QStringLiteral(
                    "DO $$DECLARE c name; BEGIN"
                    " FOR c IN SELECT conname FROM pg_constraint WHERE conrelid = 'runs'::regclass AND contype = 'u'"
                    " LOOP EXECUTE format('ALTER TABLE runs DROP CONSTRAINT %I', c); END LOOP; END$$")))
                return false;
            QHash<QString, QString> found;
            if (!columns("runs", found))
                return false;
            if (found.value(QStringLiteral("content")) == QLatin1String("text")) {
                if (!exec(QStringLiteral("ALTER TABLE runs ADD COLUMN IF NOT EXISTS content_bytes BYTEA COMPRESSION lz4")))
                    return false;
                steps.insert(QLatin1String(StepContentBytes));
            }
            return true;
        }
        // SQLite drops no table constraint: such a runs table is copied into
        // one without it.
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'runs'")) || !q.next())
            return fail(q.lastError().text());
        if (!q.value(0).toString().contains(QLatin1String("UNIQUE")))
            return true;
        q.finish();
        steps.insert(QLatin1String(StepRunsTable));
        return exec(createTable(table("runs"), QStringLiteral("runs_next")));
    }

    // The station's items were kept with a rowid and an index beside them:
    // they are copied into a table without, then swapped in.
    bool withoutRowids(QSet<QString> &steps)
    {
        if (server())
            return true;
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'items'")) || !q.next())
            return fail(q.lastError().text());
        const bool rowid = !q.value(0).toString().contains(QLatin1String("WITHOUT ROWID"));
        q.finish();
        if (!rowid)
            return true;
        steps.insert(QLatin1String(StepItemsTable));
        return exec(createTable(table("items"), QStringLiteral("items_next")));
    }

    // A table copied into its next shape (made by withoutRowids()), the
    // rows of a batch of runs at a time, then swapped in.
    bool copyTable(const char *name, const char *step)
    {
        const QString table = QLatin1String(name);
        const QString next = table + QStringLiteral("_next");
        const QString columns = schema::table(name).columnNames(m_engine).join(QStringLiteral(", "));
        const QString copy = QStringLiteral("INSERT OR IGNORE INTO %1 (%2) SELECT %2 FROM %3 WHERE run_id > ? AND run_id <= ?")
                                 .arg(next, columns, table);
        if (!inBatches([&](const QString &from, const QString &to) { return exec(copy, {from, to}); }))
            return false;
        if (!exec(QStringLiteral("PRAGMA foreign_keys=OFF")))
            return false;
        const bool swapped = transaction([&] {
            return exec(QStringLiteral("DROP TABLE %1").arg(table))
                   && exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(next, table)) && done(step);
        });
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA foreign_keys=ON"));
        return swapped;
    }

    bool pendingSteps(QStringList &steps)
    {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT step FROM schema_migration")))
            return fail(q.lastError().text());
        QSet<QString> found;
        while (q.next())
            found.insert(q.value(0).toString());
        for (const char *step : Steps) {
            if (found.contains(QLatin1String(step)))
                steps << QLatin1String(step);
        }
        return true;
    }

    bool done(const char *step)
    {
        return exec(QStringLiteral("DELETE FROM schema_migration WHERE step = ?"), {QString::fromLatin1(step)});
    }

    // Walks the runs in run_id order, a batch per transaction: body(from, to)
    // takes the runs with from < run_id <= to.
    bool inBatches(const std::function<bool(const QString &, const QString &)> &body,
                   const QString &runs = QStringLiteral("runs"))
    {
        QString from = QStringLiteral("");
        for (;;) {
            QSqlQuery q(m_db);
            q.prepare(QStringLiteral("SELECT MAX(run_id) FROM (SELECT run_id FROM %2 WHERE run_id > ?"
                                     " ORDER BY run_id LIMIT %1) AS batch")
                          .arg(Batch)
                          .arg(runs));
            q.addBindValue(from);
            if (!q.exec() || !q.next())
                return fail(q.lastError().text());
            if (q.value(0).isNull())
                return true;
            const QString to = q.value(0).toString();
            q.finish();
            if (!transaction([&] { return body(from, to); }))
                return false;
            from = to;
        }
    }

    bool batches()
    {
        QStringList steps;
        if (!pendingSteps(steps))
            return false;
        for (const QString &step : steps) {
            const QByteArray name = step.toLatin1();
            if (name == StepRunsTable && !copyRuns())
                return false;
            if (name == StepContentBytes && !contentBytes())
                return false;
            if (name == StepItemsTable && !copyTable("items", StepItemsTable))
                return false;
            if (name == StepPackTexts && !(inBatches([this](const QString &from, const QString &to) {
                    return packTexts(from, to);
                }) && transaction([this] { return done(StepPackTexts); })))
                return false;
            if (name == StepLevels && !(inBatches([this](const QString &from, const QString &to) {
                    return fillLevels(from, to);
                }) && transaction([this] { return done(StepLevels); })))
                return false;
            if (name == StepFlags
                && !(inBatches([this](const QString &from, const QString &to) {
                         return exec(QStringLiteral(
                                         "UPDATE runs SET"
                                         " panel_first = CASE WHEN barcode = '' OR run_id = (SELECT f.run_id FROM runs f"
                                         " WHERE f.barcode = runs.barcode ORDER BY f.started_at, f.run_id LIMIT 1)"
                                         " THEN 1 ELSE 0 END,"
                                         " panel_last = CASE WHEN barcode = '' OR run_id = (SELECT l.run_id FROM runs l"
                                         " WHERE l.barcode = runs.barcode ORDER BY l.started_at DESC, l.run_id DESC"
                                         " LIMIT 1) THEN 1 ELSE 0 END"
                                         " WHERE run_id > ? AND run_id <= ?"),
                                     {from, to});
                     }) && transaction([this] { return done(StepFlags); })))
                return false;
            // Numbered (their time of arrival unknown) so that an export by
            // arrival from 0 takes them in too.
            if (name == StepArrivals
                && !(inBatches([this](const QString &from, const QString &to) {
                         return exec(QStringLiteral("UPDATE runs SET received_seq = nextval('runs_received_seq')"
                                                    " WHERE received_seq IS NULL AND run_id > ? AND run_id <= ?"),
                                     {from, to});
                     }) && transaction([this] { return done(StepArrivals); })))
                return false;
        }
        return true;
    }

    // The station's runs into a table without the old constraint, a batch
    // at a time, then swapped in with whatever came meanwhile.
    bool copyRuns()
    {
        const QString columns = table("runs").columnNames(m_engine).join(QStringLiteral(", "));
        const QString copy = QStringLiteral("INSERT OR IGNORE INTO runs_next (%1) SELECT %1 FROM runs").arg(columns);
        if (!inBatches([&](const QString &from, const QString &to) {
                return exec(copy + QStringLiteral(" WHERE run_id > ? AND run_id <= ?"), {from, to});
            }))
            return false;
        // Dropping the old table must not delete the runs' items with it.
        if (!exec(QStringLiteral("PRAGMA foreign_keys=OFF")))
            return false;
        const bool swapped = transaction([&] {
            return exec(copy + QStringLiteral(" WHERE run_id NOT IN (SELECT run_id FROM runs_next)"))
                   && exec(QStringLiteral("DROP TABLE runs")) && exec(QStringLiteral("ALTER TABLE runs_next RENAME TO runs"))
                   && done(StepRunsTable);
        });
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA foreign_keys=ON"));
        return swapped;
    }

    // The server's texts turned back into the files' bytes (the station sent
    // each file as Latin-1 text).
    bool contentBytes()
    {
        const QString convert =
            QStringLiteral("UPDATE runs SET content_bytes = convert_to(content, 'LATIN1') WHERE content_bytes IS NULL");
        return inBatches([&](const QString &from, const QString &to) {
                   return exec(convert + QStringLiteral(" AND run_id > ? AND run_id <= ?"), {from, to});
               })
               && transaction([&] {
                      return exec(convert) && exec(QStringLiteral("ALTER TABLE runs DROP COLUMN content"))
                             && exec(QStringLiteral("ALTER TABLE runs RENAME COLUMN content_bytes TO content"))
                             && exec(QStringLiteral("ALTER TABLE runs ALTER COLUMN content SET NOT NULL"))
                             && done(StepContentBytes);
                  });
    }

    // The station's texts compressed as a store of today keeps them; the
    // ones a batch interrupted before left are still texts, and are taken at
    // the next attempt.
    bool packTexts(const QString &from, const QString &to)
    {
        QSqlQuery read(m_db);
        read.setForwardOnly(true);
        read.prepare(QStringLiteral("SELECT run_id, content FROM runs WHERE run_id > ? AND run_id <= ?"
                                    " AND typeof(content) = 'text'"));
        read.addBindValue(from);
        read.addBindValue(to);
        if (!read.exec())
            return fail(read.lastError().text());
        std::vector<std::pair<QString, QByteArray>> packed;
        while (read.next())
            packed.emplace_back(read.value(0).toString(), textcodec::pack(read.value(1).toString().toLatin1()));
        if (read.lastError().isValid())
            return fail(read.lastError().text());
        read.finish();
        for (const auto &[runId, stored] : packed) {
            if (stored.isNull())
                return fail(QStringLiteral("run %1: its text could not be compressed").arg(runId));
            if (!exec(QStringLiteral("UPDATE runs SET content = ? WHERE run_id = ?"), {stored, runId}))
                return false;
        }
        return true;
    }

    // The open/short levels, read from the files' texts the store keeps.
    bool fillLevels(const QString &from, const QString &to)
    {
        QSqlQuery read(m_db);
        read.setForwardOnly(true);
        read.prepare(QStringLiteral("SELECT run_id, content FROM runs WHERE run_id > ? AND run_id <= ?"));
        read.addBindValue(from);
        read.addBindValue(to);
        if (!read.exec())
            return fail(read.lastError().text());
        ResultRecord parsed;
        std::vector<std::tuple<QString, QVariant, QVariant>> levels;
        QByteArray content;
        while (read.next()) {
            QString why;
            if (!fileBytes(read.value(1), m_engine, content, &why))
                return fail(QStringLiteral("run %1: %2").arg(read.value(0).toString(), why));
            readResult(std::string_view(content.constData(), std::size_t(content.size())), parsed);
            levels.emplace_back(read.value(0).toString(), openShortLevel(parsed, parsed.openShort.x),
                                openShortLevel(parsed, parsed.openShort.y));
        }
        read.finish();
        for (const auto &[runId, x, y] : levels) {
            if (!exec(QStringLiteral("UPDATE runs SET open_short_x = ?, open_short_y = ? WHERE run_id = ?"), {x, y, runId}))
                return false;
        }
        return true;
    }

    // The server's runs and their children split by month, on a server
    // whose tables were made whole (before the split, or by a version before
    // it): the tables set aside, the runs copied a batch at a time into the
    // split ones, each run once (a batch interrupted is taken again), then
    // the tables set aside dropped.
    bool partitionRuns()
    {
        if (!server())
            return true;
        bool split = false, aside = false;
        if (!partitions::isPartitioned(m_db, "runs", split, m_error) || !tableExists("runs_unpartitioned", aside))
            return false;
        if (split && !aside)
            return true;
        const std::vector<const Table *> tables = partitions::tables();
        if (!split && !transaction([&] {
                for (const Table *t : tables) {
                    bool exists = false;
                    if (!tableExists(t->name, exists))
                        return false;
                    const QString name = QLatin1String(t->name);
                    if (exists
                        && !(exec(QStringLiteral("ALTER TABLE %1 RENAME TO %1_unpartitioned").arg(name))
                             && exec(QStringLiteral(
                                         "DO $$DECLARE i name; BEGIN FOR i IN SELECT c.relname FROM pg_index x"
                                         " JOIN pg_class c ON c.oid = x.indexrelid WHERE x.indrelid ="
                                         " '%1_unpartitioned'::regclass LOOP EXECUTE format('ALTER INDEX %I RENAME"
                                         " TO %I', i, i || '_unpartitioned'); END LOOP; END$$")
                                         .arg(name))))
                        return false;
                }
                return createTables() && partitions::ensureDefaults(m_db, nullptr, m_error)
                       && partitions::ensureMonthsOf(m_db, QStringLiteral("runs_unpartitioned"), nullptr, m_error);
            }))
            return false;
        QStringList copies;
        const QString fresh = QStringLiteral(" WHERE o.run_id > ? AND o.run_id <= ?"
                                             " AND NOT EXISTS (SELECT 1 FROM run_ids k WHERE k.run_id = o.run_id)");
        for (const Table *t : tables) {
            bool old = false;
            if (!tableExists((QByteArray(t->name) + "_unpartitioned").constData(), old))
                return false;
            if (!old)
                continue;
            const bool isRuns = t == tables.front();
            QStringList from;
            for (const QString &c : t->columnNames(m_engine))
                from << (isRuns ? QStringLiteral("o.") : QStringLiteral("c.")) + c;
            QStringList to = t->columnNames(m_engine);
            if (!isRuns) {
                to << QLatin1String(PartitionKey);
                from << QStringLiteral("o.") + QLatin1String(PartitionKey);
            }
            copies << QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
                              .arg(QLatin1String(t->name), to.join(QStringLiteral(", ")), from.join(QStringLiteral(", ")),
                                   isRuns ? QStringLiteral("runs_unpartitioned o")
                                          : QStringLiteral("%1_unpartitioned c JOIN runs_unpartitioned o"
                                                           " ON o.run_id = c.run_id")
                                                .arg(QLatin1String(t->name)))
                          + fresh;
        }
        // Last: the batch's runs are known from here on.
        copies << QStringLiteral("INSERT INTO run_ids (run_id, started_at) SELECT o.run_id, o.started_at"
                                 " FROM runs_unpartitioned o")
                      + fresh;
        if (!inBatches(
                [&](const QString &from, const QString &to) {
                    for (const QString &copy : copies) {
                        if (!exec(copy, {from, to}))
                            return false;
                    }
                    return true;
                },
                QStringLiteral("runs_unpartitioned")))
            return false;
        return transaction([&] {
            for (auto t = tables.rbegin(); t != tables.rend(); ++t) {
                if (!exec(QStringLiteral("DROP TABLE IF EXISTS %1_unpartitioned CASCADE").arg(QLatin1String((*t)->name))))
                    return false;
            }
            return createIndexes();
        });
    }

    bool finish()
    {
        return transaction([this] {
            QStringList steps;
            if (!pendingSteps(steps))
                return false;
            if (steps.contains(QLatin1String(StepYield)) && !rebuildYield(m_db, m_error))
                return false;
            return createIndexes() && setVersion() && exec(QStringLiteral("DROP TABLE schema_migration"));
        });
    }

    QSqlDatabase &m_db;
    Engine m_engine;
    QString *m_error;
};

} // namespace

bool Column::in(Engine engine) const
{
    return placedIn(place, engine);
}

bool Table::in(Engine engine) const
{
    return placedIn(place, engine);
}

const std::vector<const char *> &Table::constraintsIn(Engine engine) const
{
    return engine == Engine::Station && !stationConstraints.empty() ? stationConstraints : constraints;
}

bool Table::partitioned(Engine engine) const
{
    return engine == Engine::Server && ofRun && in(engine);
}

std::vector<const Column *> Table::columnsIn(Engine engine) const
{
    std::vector<const Column *> list;
    for (const Column &c : columns) {
        if (c.in(engine))
            list.push_back(&c);
    }
    return list;
}

QStringList Table::columnNames(Engine engine) const
{
    QStringList names;
    for (const Column *c : columnsIn(engine))
        names << QLatin1String(c->name);
    return names;
}

int Table::indexOf(const char *column, Engine engine) const
{
    // Asked for every value of every run written: no list is made for it.
    int at = 0;
    for (const Column &c : columns) {
        if (!c.in(engine))
            continue;
        if (qstrcmp(c.name, column) == 0)
            return at;
        ++at;
    }
    return -1;
}

const std::vector<Table> &tables()
{
    return allTables();
}

const Table &table(const char *name)
{
    for (const Table &t : allTables()) {
        if (qstrcmp(t.name, name) == 0)
            return t;
    }
    qFatal("no table %s in the schema", name);
}

std::vector<const Table *> runTables()
{
    std::vector<const Table *> list;
    for (const Table &t : allTables()) {
        if (t.ofRun)
            list.push_back(&t);
    }
    return list;
}

std::size_t runTableIndex(const char *name)
{
    const std::vector<const Table *> list = runTables();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (qstrcmp(list[i]->name, name) == 0)
            return i;
    }
    qFatal("no run table %s in the schema", name);
}

QString createTableSql(const Table &table, Engine engine, const QString &name)
{
    const bool split = table.partitioned(engine);
    const QString key = QLatin1String(PartitionKey);
    QStringList parts;
    for (const Column *c : table.columnsIn(engine))
        parts << QStringLiteral("%1 %2").arg(QLatin1String(c->name), QLatin1String(c->typeFor(engine)));
    if (split && table.indexOf(PartitionKey, engine) < 0)
        parts << key + QStringLiteral(" BIGINT NOT NULL");
    for (const char *constraint : table.constraintsIn(engine)) {
        QString c = QLatin1String(constraint);
        // Keys and references take the month: every column list gets the key.
        const bool keyed = c.startsWith(QLatin1String("PRIMARY KEY")) || c.startsWith(QLatin1String("UNIQUE"))
                           || c.startsWith(QLatin1String("FOREIGN KEY"));
        if (split && keyed && !c.contains(key))
            c.replace(QLatin1Char(')'), QStringLiteral(", %1)").arg(key));
        parts << c;
    }
    QString options;
    if (split)
        options = QStringLiteral(" PARTITION BY RANGE (%1)").arg(key);
    else if (engine != Engine::Server && table.stationOptions)
        options = QLatin1Char(' ') + QLatin1String(table.stationOptions);
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)%3").arg(name, parts.join(QStringLiteral(", ")), options);
}

QString insertSql(const Table &table, const QString &suffix)
{
    QStringList names, marks;
    for (const Column *c : table.columnsIn(Engine::Station)) {
        names << QLatin1String(c->name);
        marks << (c->stationPlaceholder ? QLatin1String(c->stationPlaceholder) : QLatin1String("?"));
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)%4")
        .arg(QLatin1String(table.name), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")), suffix);
}

bool prepare(QSqlDatabase &db, QString *error)
{
    return Migration(db, Engine::Station, error).run();
}

bool prepareServer(QSqlDatabase &db, QString *error)
{
    return Migration(db, Engine::Server, error).run();
}

bool checkServer(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version"))) {
        // 42P01: no such table.
        if (q.lastError().nativeErrorCode() == QLatin1String("42P01"))
            return fail(QStringLiteral("the line's server holds no results store yet: its administrator runs "
                                       "\"kavel-results server init\""));
        return fail(q.lastError().text().trimmed().section(QLatin1Char('\n'), 0, 0));
    }
    const int version = q.next() ? q.value(0).toInt() : 0;
    if (version == Version)
        return true;
    if (version > Version)
        return fail(QStringLiteral("the line's server has schema %1, newer than this station's %2: this station "
                                   "must be updated before it writes there")
                        .arg(version)
                        .arg(Version));
    return fail(QStringLiteral("the line's server has schema %1, this station writes %2: its administrator runs "
                               "\"kavel-results server init\"")
                    .arg(version)
                    .arg(Version));
}

bool rebuildYield(QSqlDatabase &db, QString *error)
{
    // Each run in its own quarter; each panel (a barcode, or a run without
    // one) in the quarter of its first run with what became of it.
    for (const char *sql :
         {"DELETE FROM yield_quarters",
          "INSERT INTO yield_quarters (quarter, runs, panels, first_passed, last_panels, last_passed, final_passed,"
          " passed_after_retest, never_passed, retests)"
          " SELECT t.q, SUM(t.runs), SUM(t.panels), SUM(t.first_passed), SUM(t.last_panels), SUM(t.last_passed),"
          " SUM(t.final_passed), SUM(t.passed_after_retest), SUM(t.never_passed), SUM(t.retests) FROM ("
          " SELECT started_at / 900000 AS q, COUNT(*) AS runs, SUM(panel_first) AS panels,"
          " SUM(CASE WHEN panel_first = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END) AS first_passed,"
          " SUM(panel_last) AS last_panels,"
          " SUM(CASE WHEN panel_last = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END) AS last_passed,"
          " 0 AS final_passed, 0 AS passed_after_retest, 0 AS never_passed, 0 AS retests"
          " FROM runs GROUP BY started_at / 900000"
          " UNION ALL"
          " SELECT p.q, 0, 0, 0, 0, 0, SUM(p.lp), SUM(CASE WHEN p.fp = 0 AND p.passes > 0 THEN 1 ELSE 0 END),"
          " SUM(CASE WHEN p.passes = 0 THEN 1 ELSE 0 END), SUM(p.n - 1) FROM ("
          " SELECT MIN(CASE WHEN panel_first = 1 THEN started_at / 900000 END) AS q,"
          " MAX(CASE WHEN panel_first = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END) AS fp,"
          " MAX(CASE WHEN panel_last = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END) AS lp,"
          " SUM(CASE WHEN verdict = 'PASS' THEN 1 ELSE 0 END) AS passes, COUNT(*) AS n"
          " FROM runs GROUP BY barcode, CASE WHEN barcode = '' THEN run_id END) p GROUP BY p.q"
          ") t GROUP BY t.q"}) {
        QSqlQuery q(db);
        if (!q.exec(QString::fromLatin1(sql))) {
            if (error)
                *error = q.lastError().text();
            return false;
        }
    }
    return true;
}

QSqlError execute(QSqlDatabase &db, const QString &sql, const QVariantList &bound, qint64 *rows)
{
    QSqlQuery q(db);
    bool ok = bound.isEmpty() ? q.exec(sql) : q.prepare(sql);
    if (ok && !bound.isEmpty()) {
        for (const QVariant &v : bound)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (ok && rows)
        *rows = q.numRowsAffected();
    return ok ? QSqlError() : q.lastError();
}

bool fileBytes(const QVariant &stored, Engine engine, QByteArray &bytes, QString *error)
{
    if (engine == Engine::Station && stored.typeId() == QMetaType::QByteArray)
        return textcodec::unpack(stored.toByteArray(), bytes, error);
    bytes = stored.typeId() == QMetaType::QByteArray ? stored.toByteArray() : stored.toString().toLatin1();
    return true;
}

Engine engineOf(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QSQLITE") ? Engine::Station : Engine::Server;
}

} // namespace results::schema
