#include "storegen.h"

#include "pgserver.h"
#include "lineserver.h"
#include "linesettings.h"
#include "measurements.h"
#include "partitions.h"
#include "resultstore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace storegen {

namespace {

constexpr qint64 Start = 1767225600000; // 2026-01-01T00:00:00Z
constexpr qint64 Chunk = 100000;

bool run(QSqlDatabase &db, const QString &sql, qint64 from, qint64 to, QString *error)
{
    QSqlQuery q(db);
    if (q.prepare(sql)) {
        q.addBindValue(from);
        q.addBindValue(to - 1);
        if (q.exec())
            return true;
    }
    *error = q.lastError().text() + QStringLiteral("\n") + sql;
    return false;
}

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = q.lastError().text() + QStringLiteral("\n") + sql;
    return false;
}

// The keys, references and indexes of the tables split by month, as the
// schema made them, dropped (with every month's) so that the rows go in
// without them: made again over the whole of each month's rows afterwards, a
// sort or a join each, instead of being kept up and checked row by row (each
// run's 10 items and 13 measurements looked up their run in the months'
// keys). made: the statements that make them again, in order.
bool dropMonthKeys(QSqlDatabase &db, QStringList &made, QString *error)
{
    QSqlQuery q(db);
    // Keys before the references to them, each in the order it was made.
    if (!q.exec(QStringLiteral(
            "WITH split AS (SELECT oid FROM pg_class WHERE relkind = 'p'"
            " AND relnamespace = CAST(current_schema() AS regnamespace))"
            " SELECT CAST(CAST(c.conrelid AS regclass) AS TEXT), c.conname, pg_get_constraintdef(c.oid), c.contype = 'f'"
            " FROM pg_constraint c WHERE c.conparentid = 0 AND c.contype IN ('p', 'u', 'f')"
            " AND (c.conrelid IN (SELECT oid FROM split) OR c.confrelid IN (SELECT oid FROM split))"
            " ORDER BY c.contype = 'f', c.oid"))) {
        *error = q.lastError().text();
        return false;
    }
    QStringList keys, references, drops;
    while (q.next()) {
        const QString table = q.value(0).toString();
        const QString name = q.value(1).toString();
        (q.value(3).toBool() ? references : keys)
            << QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 %3").arg(table, name, q.value(2).toString());
        // References go first.
        drops.insert(q.value(3).toBool() ? 0 : drops.size(), QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(table, name));
    }
    if (!q.exec(QStringLiteral("SELECT CAST(i.indexrelid AS regclass), pg_get_indexdef(i.indexrelid) FROM pg_index i"
                               " JOIN pg_class t ON t.oid = i.indrelid"
                               " WHERE t.relkind = 'p' AND t.relnamespace = CAST(current_schema() AS regnamespace)"
                               " AND NOT EXISTS (SELECT 1 FROM pg_constraint c WHERE c.conindid = i.indexrelid)"
                               " ORDER BY i.indexrelid"))) {
        *error = q.lastError().text();
        return false;
    }
    QStringList indexes;
    while (q.next()) {
        drops << QStringLiteral("DROP INDEX %1").arg(q.value(0).toString());
        // Written as a dump makes it, for the parent alone: made again here
        // for every month too.
        indexes << q.value(1).toString().replace(QStringLiteral(" ON ONLY "), QStringLiteral(" ON "));
    }
    for (const QString &sql : drops) {
        if (!exec(db, sql, error))
            return false;
    }
    made << keys << indexes << references;
    return true;
}

// The measurements of run n of an item, packed as the station packs them.
void benchPack(sqlite3_context *context, int, sqlite3_value **a)
{
    const QString item = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(a[0])));
    const qint64 n = sqlite3_value_int64(a[1]);
    std::vector<results::Measurement> m;
    const auto add = [&](const QString &name, double value) {
        results::Measurement one;
        one.key = results::measurementKey(name);
        one.value = value;
        m.push_back(one);
    };
    if (item == QLatin1String("Electric"))
        add(QStringLiteral("current"), 60 + double(n % 17) / 10.0);
    else if (item == QLatin1String("Tb_Value"))
        add(QStringLiteral("highest"), double(510 + n % 23));
    else if (item == QLatin1String("OpenShort"))
        for (int k = 0; k < 4; ++k)
            add(QStringLiteral("X[%1]").arg(k), double((n * 7 + k * 5) % 21 - 10));
    else if (item == QLatin1String("RasterX")) {
        add(QStringLiteral("middle max"), double(n % 9));
        add(QStringLiteral("middle min"), double(-(n % 7)));
        add(QStringLiteral("edge max"), double(n % 11));
        add(QStringLiteral("edge min"), double(-(n % 13)));
    } else if (item == QLatin1String("BtnData"))
        for (int k = 0; k < 3; ++k)
            add(QStringLiteral("Btn[%1]").arg(k), double(100 + (n + 13 * k) % 40));
    const QByteArray packed = results::packMeasurements(m.data(), m.data() + m.size());
    sqlite3_result_blob(context, packed.constData(), int(packed.size()), SQLITE_TRANSIENT);
}

bool registerPack(QSqlDatabase &db, QString *error)
{
    const QVariant handle = db.driver()->handle();
    sqlite3 *sqlite = qstrcmp(handle.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3 *const *>(handle.constData())
                                                                   : nullptr;
    if (sqlite
        && sqlite3_create_function_v2(sqlite, "kavel_bench_pack", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      benchPack, nullptr, nullptr, nullptr)
               == SQLITE_OK)
        return true;
    *error = QStringLiteral("kavel_bench_pack could not be registered");
    return false;
}

// The limits of the two versions: 2 lowers the current's.
bool writeLimits(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    const QString sql = QStringLiteral(
        "WITH v(sha1, limits, current) AS (VALUES ('bench-1', 1, 64.0), ('bench-2', 2, 63.5)),"
        " m(item, name, lower, upper) AS (VALUES ('Electric', 'current', NULL, NULL),"
        " ('Tb_Value', 'highest', 490, NULL), ('OpenShort', 'X[0]', -30, 30),"
        " ('OpenShort', 'X[1]', -30, 30), ('OpenShort', 'X[2]', -30, 30),"
        " ('OpenShort', 'X[3]', -30, 30), ('RasterX', 'middle max', NULL, 30),"
        " ('RasterX', 'middle min', -30, NULL), ('RasterX', 'edge max', NULL, 60),"
        " ('RasterX', 'edge min', -60, NULL), ('BtnData', 'Btn[0]', 80, 160),"
        " ('BtnData', 'Btn[1]', 80, 160), ('BtnData', 'Btn[2]', 80, 160))"
        " INSERT OR IGNORE INTO measurement_limits (profile_sha1, item, name, limits, lower_limit, upper_limit,"
        " limits_known) SELECT v.sha1, m.item, m.name, v.limits, m.lower,"
        " CASE WHEN m.item = 'Electric' THEN v.current ELSE m.upper END, 1 FROM v, m");
    if (q.exec(sql))
        return true;
    *error = q.lastError().text();
    return false;
}

} // namespace

bool generate(QSqlDatabase &db, qint64 runs, QString *error, bool progress, const QByteArray &text,
              const QStringList &skipIndexes)
{
    const bool pg = db.driverName() == QLatin1String("QPSQL");
    const auto pad = [pg](const QString &n) {
        return pg ? QStringLiteral("lpad(CAST(%1 AS TEXT), 12, '0')").arg(n)
                  : QStringLiteral("substr('000000000000' || %1, -12)").arg(n);
    };
    const QString seq = pg ? QStringLiteral("WITH seq(n) AS (SELECT generate_series(CAST(? AS BIGINT), CAST(? AS BIGINT)))")
                           : QStringLiteral("WITH RECURSIVE seq(n) AS (SELECT CAST(? AS BIGINT) UNION ALL"
                                            " SELECT n + 1 FROM seq WHERE n < CAST(? AS BIGINT))");
    const QString runId = QStringLiteral("'00000000-0000-8000-8000-' || ") + pad(QStringLiteral("n"));
    // The server keeps a run's children in its run's month.
    const QString month = pg ? QStringLiteral(", started_at") : QString();
    const QString monthValue = pg ? QStringLiteral(", %1 + n * 30000").arg(Start) : QString();
    const QString failed = QStringLiteral("(n % 20 = 18 OR (n % 97 = 0 AND n % 20 <> 19))");
    const QString barcode =
        QStringLiteral("'SN' || ") + pad(QStringLiteral("(n - CASE WHEN n % 20 = 19 THEN 1 ELSE 0 END)"));
    const QString insertRuns =
        seq
        + QStringLiteral(" INSERT INTO runs (run_id, station, start_mode, lot, worker, barcode, profile, started_at,"
                         " ended_at, verdict, file_name, file_path, content_sha1, content, current_ma, tb_mean,"
                         " recorded_at, panel_first, panel_last, open_short_x, open_short_y)"
                         " SELECT %1, 'ST' || CAST(n % 20 AS TEXT), 'Barcode', 'L' || CAST(n / 5000 AS TEXT),"
                         " 'W' || CAST(n % 7 AS TEXT), %2, 'P' || CAST(n % 3 AS TEXT) || '.ini',"
                         " %3 + n * 30000, %3 + n * 30000 + 25000,"
                         " CASE WHEN %4 THEN 'FAIL' ELSE 'PASS' END,"
                         " %2 || '.csv', '/results/' || %2 || '.csv', %1,"
                         " %5,"
                         " 60 + (n % 17) / 10.0, 500 + n % 23, %3 + n * 30000 + 26000,"
                         " CASE WHEN n % 20 = 19 THEN 0 ELSE 1 END, CASE WHEN n % 20 = 18 THEN 0 ELSE 1 END,"
                         " 100 + n % 13, 110 + n % 11 FROM seq")
              .arg(runId, barcode)
              .arg(Start)
              .arg(failed)
              // The server keeps the files' bytes.
              .arg(!text.isEmpty() ? QStringLiteral("overlay((SELECT t FROM bench_text) PLACING convert_to(%1, 'LATIN1')"
                                                    " FROM 1 FOR 12)")
                                         .arg(pad(QStringLiteral("n")))
                   : pg ? QStringLiteral("convert_to('Attb:,' || CASE WHEN %1 THEN 'FAIL' ELSE 'PASS' END, 'LATIN1')")
                              .arg(failed)
                        : QStringLiteral("'Attb:,' || CASE WHEN %1 THEN 'FAIL' ELSE 'PASS' END").arg(failed));
    const QString insertItems =
        seq
        + QStringLiteral(", names(item) AS (SELECT 'electric' UNION ALL SELECT 'usb_version' UNION ALL"
                         " SELECT 'crc_version' UNION ALL SELECT 'tb' UNION ALL SELECT 'attb' UNION ALL"
                         " SELECT 'open_short' UNION ALL SELECT 'raster_x' UNION ALL SELECT 'raster_y' UNION ALL"
                         " SELECT 'button_data' UNION ALL SELECT 'reset')"
                         " INSERT INTO items (run_id, item, pass, value, text%3)"
                         " SELECT %1, item, CASE WHEN %2 AND item = CASE WHEN n % 2 = 0 THEN 'open_short'"
                         " ELSE 'raster_x' END THEN 0 ELSE 1 END, NULL, ''%4 FROM seq CROSS JOIN names")
              .arg(runId, failed, month, monthValue);
    const QString insertCells =
        seq
        + QStringLiteral(" INSERT INTO failing_cells (run_id, raster, row_index, column_index, value%3)"
                         " SELECT %1, 'X', (n / 7) % 30, (n / 11) % 40, 0%4 FROM seq WHERE %2 AND n % 2 = 1")
              .arg(runId, failed, month, monthValue);
    const QString insertElectrodes =
        seq
        + QStringLiteral(" INSERT INTO failing_electrodes (run_id, kind, line, first_index, second_index, value%3)"
                         " SELECT %1, 'open', 'X', (n / 7) % 40 + 1, (n / 7) % 40 + 2, NULL%4 FROM seq"
                         " WHERE %2 AND n % 2 = 0")
              .arg(runId, failed, month, monthValue);
    // The server's registry of run ids.
    const QString insertIds =
        seq + QStringLiteral(" INSERT INTO run_ids (run_id, started_at) SELECT %1, %2 + n * 30000 FROM seq").arg(runId).arg(Start);
    QStringList inserts{insertRuns, insertItems, insertCells, insertElectrodes};
    if (!text.isEmpty()) {
        QSqlQuery q(db);
        if (!pg || !q.exec(QStringLiteral("CREATE TEMP TABLE bench_text (t BYTEA)"))
            || !q.prepare(QStringLiteral("INSERT INTO bench_text (t) VALUES (?)"))) {
            *error = pg ? q.lastError().text() : QStringLiteral("real texts are made on PostgreSQL only");
            return false;
        }
        q.addBindValue(text);
        if (!q.exec()) {
            *error = q.lastError().text();
            return false;
        }
    }
    if (pg) {
        inserts << insertIds;
        // The months the runs fall in, made by the schema's owner as "server
        // maintain" makes the coming ones.
        if (!db.transaction() || !QSqlQuery(db).exec(QStringLiteral("SET LOCAL ROLE kavel_owner"))) {
            *error = db.lastError().text();
            return false;
        }
        for (qint64 month = results::partitions::monthStart(Start); runs > 0 && month <= Start + (runs - 1) * 30000;
             month = results::partitions::monthStart(month, 1)) {
            if (!results::partitions::ensureMonth(db, month, nullptr, error)) {
                db.rollback();
                return false;
            }
        }
        if (!db.commit()) {
            *error = db.lastError().text();
            return false;
        }
    }

    // Each run's measurements with their limits (13 a run), chained along the
    // runs of one station and profile: run n - 60 is the one before run n.
    // The current's limit is lowered from 64 to 63.5 mA halfway.
    const QString half = QString::number(runs / 2);
    const auto value = [](const QString &n) {
        return QStringLiteral("CASE m.item WHEN 'Electric' THEN 60 + (%1 % 17) / 10.0"
                              " WHEN 'Tb_Value' THEN 510 + %1 % 23"
                              " WHEN 'OpenShort' THEN (%1 * 7 + m.k * 5) % 21 - 10"
                              " WHEN 'BtnData' THEN 100 + (%1 + 13 * m.k) % 40"
                              " ELSE CASE m.name WHEN 'middle max' THEN %1 % 9 WHEN 'middle min' THEN -(%1 % 7)"
                              " WHEN 'edge max' THEN %1 % 11 ELSE -(%1 % 13) END END")
            .arg(n);
    };
    const QString upper = QStringLiteral("CASE m.item WHEN 'Electric' THEN CASE WHEN %2 < %1 THEN 64.0 ELSE 63.5 END"
                                         " WHEN 'Tb_Value' THEN NULL ELSE m.upper END")
                              .arg(half);
    const QString serverRows =
        seq
        + QStringLiteral(", m(item, name, k, lower, upper) AS (VALUES ('Electric', 'current', 0, NULL, NULL),"
                         " ('Tb_Value', 'highest', 0, 490, NULL), ('OpenShort', 'X[0]', 0, -30, 30),"
                         " ('OpenShort', 'X[1]', 1, -30, 30), ('OpenShort', 'X[2]', 2, -30, 30),"
                         " ('OpenShort', 'X[3]', 3, -30, 30), ('RasterX', 'middle max', 0, NULL, 30),"
                         " ('RasterX', 'middle min', 0, -30, NULL), ('RasterX', 'edge max', 0, NULL, 60),"
                         " ('RasterX', 'edge min', 0, -60, NULL), ('BtnData', 'Btn[0]', 0, 80, 160),"
                         " ('BtnData', 'Btn[1]', 1, 80, 160), ('BtnData', 'Btn[2]', 2, 80, 160))"
                         " INSERT INTO measurements (run_id, item, name, value, lower_limit, upper_limit, limits_known,"
                         " station, profile, started_at, previous_run, previous_at, moving_range)"
                         " SELECT %1, m.item, m.name, %2, m.lower, %3, 1, 'ST' || CAST(n % 20 AS TEXT),"
                         " 'P' || CAST(n % 3 AS TEXT) || '.ini', %4 + n * 30000,"
                         " CASE WHEN n >= 60 THEN %5 END, CASE WHEN n >= 60 THEN %4 + (n - 60) * 30000 END,"
                         " CASE WHEN n >= 60 AND (m.item <> 'Electric' OR (n < %6) = (n - 60 < %6))"
                         " THEN ABS((%2) - (%7)) END FROM seq CROSS JOIN m")
              .arg(runId, value(QStringLiteral("n")), QString(upper).arg(QStringLiteral("n")))
              .arg(Start)
              .arg(QStringLiteral("'00000000-0000-8000-8000-' || ") + pad(QStringLiteral("(n - 60)")), half,
                   value(QStringLiteral("(n - 60)")));
    // The station packs a run's measurements of an item in one row, with
    // the number of its profile version's limits (1, then 2 for the lowered
    // current): its moving ranges are taken when asked.
    const QString insertMeasurements =
        pg ? serverRows
           : seq
                 + QStringLiteral(", m(item) AS (VALUES ('Electric'), ('Tb_Value'), ('OpenShort'), ('RasterX'),"
                                  " ('BtnData'))"
                                  " INSERT INTO measurements (run_id, item, station, profile, started_at, limits, packed)"
                                  " SELECT %1, m.item, 'ST' || CAST(n % 20 AS TEXT), 'P' || CAST(n % 3 AS TEXT) || '.ini',"
                                  " %2 + n * 30000, CASE WHEN m.item = 'Electric' AND n >= %3 THEN 2 ELSE 1 END,"
                                  " kavel_bench_pack(m.item, n) FROM seq CROSS JOIN m")
                       .arg(runId)
                       .arg(Start)
                       .arg(half);
    if (!pg && !(registerPack(db, error) && writeLimits(db, error)))
        return false;
    inserts << insertMeasurements;

    // Sorts for the indexes and the yield's panels in memory, not in files.
    QStringList indexes;
    if (pg
        && !(exec(db, QStringLiteral("SET maintenance_work_mem = '512MB'"), error)
             && exec(db, QStringLiteral("SET work_mem = '256MB'"), error) && db.transaction()
             && dropMonthKeys(db, indexes, error) && db.commit())) {
        if (error->isEmpty())
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    for (qint64 from = 0; from < runs; from += Chunk) {
        const qint64 to = std::min(runs, from + Chunk);
        if (!db.transaction()) {
            *error = db.lastError().text();
            return false;
        }
        for (const QString &sql : inserts) {
            if (!run(db, sql, from, to, error)) {
                db.rollback();
                return false;
            }
        }
        if (!db.commit()) {
            *error = db.lastError().text();
            return false;
        }
        if (progress)
            std::fprintf(stderr, "\rgenerated %lld of %lld runs", static_cast<long long>(to),
                         static_cast<long long>(runs));
    }
    if (progress)
        std::fprintf(stderr, "\n");
    for (const QString &sql : indexes) {
        const bool skipped = std::any_of(skipIndexes.begin(), skipIndexes.end(), [&sql](const QString &name) {
            return sql.contains(QStringLiteral(" INDEX %1 ON ").arg(name));
        });
        if (skipped) {
            if (progress)
                std::fprintf(stderr, "not made: %s\n", qPrintable(sql));
            continue;
        }
        if (!exec(db, sql, error))
            return false;
    }
    if (!db.transaction() || !results::schema::rebuildYield(db, error) || !db.commit()) {
        if (error->isEmpty())
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    QSqlQuery analyze(db);
    if (!analyze.exec(pg ? QStringLiteral("VACUUM ANALYZE") : QStringLiteral("ANALYZE"))) {
        *error = analyze.lastError().text();
        return false;
    }
    return !pg || (exec(db, QStringLiteral("RESET work_mem"), error)
                  && exec(db, QStringLiteral("RESET maintenance_work_mem"), error));
}

bool fingerprint(QSqlDatabase &db, QStringList &lines, QString *error)
{
    const bool pg = db.driverName() == QLatin1String("QPSQL");
    QStringList tables{QStringLiteral("runs"),          QStringLiteral("items"),
                       QStringLiteral("failing_cells"), QStringLiteral("failing_electrodes"),
                       QStringLiteral("measurements"),  QStringLiteral("yield_quarters")};
    if (pg)
        tables << QStringLiteral("run_ids");
    else
        tables << QStringLiteral("measurement_limits");
    for (const QString &table : tables) {
        // Every row's text, in an order that does not depend on how the rows
        // were written; SQLite has no md5, so it gives the counts alone.
        QSqlQuery q(db);
        const QString sql =
            pg ? QStringLiteral("SELECT COUNT(*), md5(string_agg(md5(CAST(t AS TEXT)), '' ORDER BY md5(CAST(t AS TEXT))))"
                                " FROM %1 t")
                     .arg(table)
               : QStringLiteral("SELECT COUNT(*), '' FROM %1").arg(table);
        if (!q.exec(sql) || !q.next()) {
            *error = q.lastError().text();
            return false;
        }
        lines << QStringLiteral("%1 %2 %3").arg(table, q.value(0).toString(), q.value(1).toString());
    }
    if (!pg)
        return true;
    // And the indexes, every month's by its name.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT COUNT(*), md5(string_agg(indexdef, '\n' ORDER BY indexdef)) FROM pg_indexes"
                               " WHERE schemaname = current_schema()"))
        || !q.next()) {
        *error = q.lastError().text();
        return false;
    }
    lines << QStringLiteral("indexes %1 %2").arg(q.value(0).toString(), q.value(1).toString());
    // And the keys and references, every month's by its name; but a
    // reference to a table split by month is copied for each month of it,
    // under a name the server numbers in the order the reference and the
    // months came: those copies by what they refer to.
    if (!q.exec(QStringLiteral("SELECT COUNT(*), md5(string_agg(k, '\n' ORDER BY k)) FROM (SELECT"
                               " CAST(CAST(c.conrelid AS regclass) AS TEXT) || ' '"
                               " || CASE WHEN c.conparentid <> 0 AND t.relkind = 'p' THEN '' ELSE c.conname END"
                               " || ' ' || pg_get_constraintdef(c.oid) AS k FROM pg_constraint c"
                               " JOIN pg_class t ON t.oid = c.conrelid"
                               " WHERE c.connamespace = CAST(current_schema() AS regnamespace)) c"))
        || !q.next()) {
        *error = q.lastError().text();
        return false;
    }
    lines << QStringLiteral("constraints %1 %2").arg(q.value(0).toString(), q.value(1).toString());
    return true;
}

qint64 panels(qint64 runs)
{
    return runs - runs / 20; // the n % 20 == 19 runs are retests
}

qint64 failedRuns(qint64 runs)
{
    qint64 failed = 0;
    for (qint64 n = 0; n < runs; ++n)
        failed += n % 20 == 18 || (n % 97 == 0 && n % 20 != 19);
    return failed;
}

qint64 firstStart()
{
    return Start;
}

BenchStore::BenchStore() = default;

BenchStore::~BenchStore()
{
    m_store.close();
}

QString BenchStore::connection() const
{
    return m_server ? m_server->connectionString(QStringLiteral("line")) : m_conninfo;
}

bool BenchStore::open(const QStringList &args, QString *error)
{
    QString engine = QStringLiteral("sqlite");
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--engine"))
            engine = args[i + 1];
        else if (args[i] == QLatin1String("--runs"))
            m_runs = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--fingerprint"))
            m_fingerprint = args[i + 1];
        else if (args[i] == QLatin1String("--store"))
            m_path = args[i + 1];
        else if (args[i] == QLatin1String("--server"))
            m_conninfo = args[i + 1];
        else if (args[i] == QLatin1String("--skip-index"))
            m_skipIndexes = args[i + 1].split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (args[i] == QLatin1String("--texts")) {
            QFile file(args[i + 1]);
            if (!file.open(QIODevice::ReadOnly)) {
                *error = QStringLiteral("cannot read %1").arg(args[i + 1]);
                return false;
            }
            m_text = file.readAll();
        }
    }
    m_runs -= m_runs % 20; // whole retest cycles
    bool fresh = true;
    if (engine == QLatin1String("pg") && !m_conninfo.isEmpty()) {
        QSqlDatabase db = results::addLineDatabase(m_conninfo, m_store.connectionName());
        if (!db.open()) {
            *error = db.lastError().text();
            return false;
        }
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT to_regclass('public.runs') IS NOT NULL")) || !q.next()) {
            *error = q.lastError().text();
            return false;
        }
        fresh = !q.value(0).toBool();
        if (!fresh) {
            if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM runs")) || !q.next()) {
                *error = q.lastError().text();
                return false;
            }
            // Fewer where a timed "server maintain" dropped its oldest months;
            // the newest runs, those of the window's default week, stay.
            const qint64 held = q.value(0).toLongLong();
            if (held > m_runs || held == 0) {
                *error = QStringLiteral("the server holds %1 runs, not the %2 asked for").arg(held).arg(m_runs);
                return false;
            }
            if (held < m_runs)
                std::fprintf(stderr, "the server holds %lld of the %lld runs made (months dropped since)\n",
                             static_cast<long long>(held), static_cast<long long>(m_runs));
        }
        q.finish();
        if (fresh && !results::lineserver::init(db, nullptr, error))
            return false;
        if (!m_store.openDatabase(db, error))
            return false;
    } else if (engine == QLatin1String("pg")) {
        // PostgreSQL's default buffer cache (128 MB), not the tests' 8 MB.
        PgServer::Options options;
        options.sharedBuffersMb = 128;
        m_server = std::make_unique<PgServer>(options);
        if (!m_server->start() || !m_server->createDatabase(QStringLiteral("line"))) {
            *error = m_server->errorString();
            return false;
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_store.connectionName());
        m_server->configure(db, QStringLiteral("line"));
        if (!db.open()) {
            *error = db.lastError().text();
            return false;
        }
        // The runs are made as the superuser; the schema as a line's server has it.
        if (!results::lineserver::init(db, nullptr, error) || !m_store.openDatabase(db, error))
            return false;
    } else {
        if (m_path.isEmpty())
            m_path = QStringLiteral("/tmp/kavel-store-%1.db").arg(m_runs);
        fresh = !QFileInfo::exists(m_path);
        if (!m_store.openLocal(m_path, error))
            return false;
    }
    if (!fresh)
        return true;
    QElapsedTimer clock;
    clock.start();
    QSqlDatabase db = m_store.database();
    if (!generate(db, m_runs, error, true, m_text, m_skipIndexes))
        return false;
    std::fprintf(stderr, "made %lld runs in %.1f s\n", static_cast<long long>(m_runs),
                 double(clock.elapsed()) / 1000);
    if (m_fingerprint.isEmpty())
        return true;
    QStringList lines;
    if (!fingerprint(db, lines, error))
        return false;
    QFile out(m_fingerprint);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0) {
        *error = QStringLiteral("cannot write %1").arg(m_fingerprint);
        return false;
    }
    return true;
}

} // namespace storegen
