#include "lineserver.h"

#include "conditions.h"
#include "partitions.h"
#include "resultstore.h"
#include "schema.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <functional>

namespace results::lineserver {

const char *const OwnerRole = "kavel_owner";
const char *const WriterRole = "kavel_writer";
const char *const ReaderRole = "kavel_reader";

namespace {

// The functions' own calls, as clients make them.
const char RecordRun[] = "record_run(jsonb)";
const char KnownRuns[] = "known_runs(jsonb)";
const char ClaimStation[] = "claim_station(text, text)";
const char CheckWriter[] = "check_writer(text)";

// The server's code for a run of a station the caller may not write: a
// refusal of that run, where a right missing altogether (42501) is the role's
// trouble, not the run's.
const char OtherStation[] = "KV001";
// A run that names a text the server does not hold.
const char MissingText[] = "KV002";

// The number every record_run() holds from its start to its commit: runs get
// their arrival number one after another, each visible before the next takes
// one, so that a reader who sees a number sees every smaller one.
const char ArrivalLock[] = "7023117416";

QString latin(const char *text)
{
    return QString::fromLatin1(text);
}

// sql with its "?" replaced in turn by the expressions given: the statements
// the station's store runs with bound values, run by the server's function on
// its own variables.
QString inlined(QString sql, const QStringList &values)
{
    qsizetype at = 0;
    for (const QString &value : values) {
        at = sql.indexOf(QLatin1Char('?'), at);
        Q_ASSERT(at >= 0);
        sql.replace(at, 1, value);
        at += value.size();
    }
    Q_ASSERT(sql.indexOf(QLatin1Char('?'), at) < 0);
    return sql;
}

QString yieldChange(bool add)
{
    const QString sign = add ? QStringLiteral("1") : QStringLiteral("-1");
    const QString none = QStringLiteral("''");
    const QString id = QStringLiteral("r.run_id");
    return inlined(yieldChangeSql(), {id, sign, sign, sign, sign, sign, QStringLiteral("r.barcode"), add ? id : none,
                                      add ? none : id, id})
           + QStringLiteral(";\n    ")
           + inlined(cohortChangeSql(),
                     {sign, sign, sign, sign, QStringLiteral("r.barcode"), add ? id : none, add ? none : id});
}

// The texts the run names, each once, and only those: a run that names a
// text the server holds nowhere is refused (MissingText), and the station
// sends it again with its texts.
QString conditionsBeforeRun()
{
    return QStringLiteral(
               "INSERT INTO texts SELECT (jsonb_populate_record(NULL::texts, e)).*"
               " FROM jsonb_array_elements(COALESCE(payload->'texts', '[]'::jsonb)) AS e"
               " WHERE e->>'sha1' IN (r.profile_sha1, r.baseline_sha1, r.firmware_sha1) ON CONFLICT DO NOTHING;\n"
               "  IF EXISTS (SELECT 1 FROM unnest(ARRAY[r.profile_sha1, r.baseline_sha1, r.firmware_sha1]) AS n(sha1)"
               " WHERE n.sha1 IS NOT NULL AND NOT EXISTS (SELECT 1 FROM texts t WHERE t.sha1 = n.sha1)) THEN\n"
               "    RAISE EXCEPTION 'run % names a text the server does not hold', r.run_id USING ERRCODE = '%1';\n"
               "  END IF;")
        .arg(latin(MissingText));
}

// The run's profile version, first seen when the station first saw it (a
// save before the run) or at the run.
QString conditionsAfterRun()
{
    const QString firstAt = QStringLiteral(
        "LEAST(r.started_at, COALESCE((SELECT MIN((e->>'first_at')::bigint)"
        " FROM jsonb_array_elements(COALESCE(payload->'profile_versions', '[]'::jsonb)) AS e"
        " WHERE e->>'profile' = r.profile AND e->>'profile_sha1' = r.profile_sha1), r.started_at))");
    return QStringLiteral("IF r.profile_sha1 IS NOT NULL THEN\n    %1;\n  END IF;")
        .arg(inlined(conditions::versionUpsertSql(),
                     {QStringLiteral("r.profile"), QStringLiteral("r.profile_sha1"), firstAt, QStringLiteral("r.station")}));
}

QString functions()
{
    const QString header = QStringLiteral("LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, public");
    QStringList children;
    const schema::Table &runs = schema::table("runs");
    for (const schema::Table *table : schema::runTables()) {
        if (table == &runs)
            continue;
        // Each row belongs to the run it came with, whatever it says: its id
        // and whatever else of the run it keeps beside it are the run's.
        QStringList own;
        for (const schema::Column *c : table->columnsIn(schema::Engine::Server)) {
            if (runs.indexOf(c->name, schema::Engine::Server) >= 0)
                own << QStringLiteral("'%1', r.%1").arg(QLatin1String(c->name));
        }
        // and it goes into its run's month.
        if (table->partitioned(schema::Engine::Server) && table->indexOf(schema::PartitionKey, schema::Engine::Server) < 0)
            own << QStringLiteral("'%1', r.%1").arg(QLatin1String(schema::PartitionKey));
        children << QStringLiteral("INSERT INTO %1 SELECT (jsonb_populate_record(NULL::%1,"
                                   " e || jsonb_build_object(%2))).*"
                                   " FROM jsonb_array_elements(COALESCE(payload->'%1', '[]'::jsonb)) AS e;")
                        .arg(QLatin1String(table->name), own.join(QStringLiteral(", ")));
    }
    // The measurements chained on the server's own runs, each to the
    // previous run of its station and profile (resultstore.h).
    const QStringList at{QStringLiteral("r.station"), QStringLiteral("r.profile"), QStringLiteral("r.started_at"),
                         QStringLiteral("r.started_at"), QStringLiteral("r.run_id")};
    children << QStringLiteral("IF EXISTS (SELECT 1 FROM measurements WHERE run_id = r.run_id) THEN")
             << inlined(neighbourSql(false, QStringLiteral("chain_before, chain_before_at")), at) + QLatin1Char(';')
             << inlined(neighbourSql(true, QStringLiteral("chain_after, chain_after_at")), at) + QLatin1Char(';')
             << inlined(chainSql(), {QStringLiteral("chain_before"), QStringLiteral("chain_before_at"),
                                     QStringLiteral("chain_before"), QStringLiteral("chain_before_at"),
                                     QStringLiteral("r.run_id")})
                    + QLatin1Char(';')
             << QStringLiteral("IF chain_after IS NOT NULL THEN ")
                    + inlined(chainSql(), {QStringLiteral("r.run_id"), QStringLiteral("r.started_at"),
                                           QStringLiteral("r.run_id"), QStringLiteral("r.started_at"),
                                           QStringLiteral("chain_after")})
                    + QStringLiteral("; END IF;")
             << QStringLiteral("END IF;");
    const QString flags = inlined(panelFlagsSql(), {QStringLiteral("r.barcode"), QStringLiteral("r.barcode"),
                                                    QStringLiteral("r.barcode"), QStringLiteral("r.run_id")});
    return QStringLiteral(
               // Which station the caller may write: its role's, any for the schema's owner.
               "CREATE OR REPLACE FUNCTION check_writer(wanted text) RETURNS void %1 AS $fn$\n"
               "DECLARE own text;\n"
               "BEGIN\n"
               "  SELECT s.station INTO own FROM station_roles s WHERE s.role_name = session_user;\n"
               "  IF own IS NULL THEN\n"
               "    IF pg_has_role(session_user, '%2', 'MEMBER') THEN RETURN; END IF;\n"
               "    RAISE EXCEPTION 'the role % adds the runs of no station: the administrator runs"
               " \"kavel-results server add-station ID --role %\"', session_user, session_user"
               " USING ERRCODE = '42501';\n"
               "  END IF;\n"
               "  IF own IS DISTINCT FROM wanted THEN\n"
               "    RAISE EXCEPTION 'the role % adds the runs of station % only, not of %', session_user, own,"
               " wanted USING ERRCODE = '%9';\n"
               "  END IF;\n"
               "END $fn$;\n"

               "CREATE OR REPLACE FUNCTION claim_station(wanted text, machine_id text) RETURNS bigint %1 AS $fn$\n"
               "DECLARE held stations; now_ms bigint := floor(extract(epoch FROM clock_timestamp()) * 1000);\n"
               "BEGIN\n"
               "  PERFORM check_writer(wanted);\n"
               "  INSERT INTO stations (station, machine, claimed_at, seen_at) VALUES (wanted, machine_id, now_ms, now_ms)"
               " ON CONFLICT (station) DO NOTHING;\n"
               "  SELECT * INTO held FROM stations s WHERE s.station = wanted;\n"
               "  IF held.machine <> machine_id THEN\n"
               "    RAISE EXCEPTION 'the station id % is held by another machine (since %): give this station an id"
               " of its own in line.ini, or, where this machine replaces that one, the administrator runs"
               " \"kavel-results server release-station %\"', wanted,"
               " to_char(to_timestamp(held.claimed_at / 1000.0) AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI \"UTC\"'),"
               " wanted USING ERRCODE = '42501';\n"
               "  END IF;\n"
               "  UPDATE stations SET seen_at = now_ms WHERE station = wanted;\n"
               "  RETURN now_ms;\n"
               "END $fn$;\n"

               "CREATE OR REPLACE FUNCTION known_runs(asked jsonb) RETURNS SETOF text %1 STABLE AS $fn$\n"
               "BEGIN\n"
               "  PERFORM check_writer(a.station) FROM (SELECT DISTINCT x.station FROM jsonb_to_recordset(asked)"
               " AS x(station text)) AS a;\n"
               "  RETURN QUERY SELECT a.run_id FROM jsonb_to_recordset(asked)"
               " AS a(run_id text, station text, file_name text, content_sha1 text)"
               " WHERE a.file_name <> '' AND EXISTS (SELECT 1 FROM runs k WHERE k.station = a.station"
               " AND k.file_name = a.file_name AND k.content_sha1 = a.content_sha1 AND k.file_name <> '');\n"
               "END $fn$;\n"

               "CREATE OR REPLACE FUNCTION record_run(payload jsonb) RETURNS text %1 AS $fn$\n"
               "DECLARE r runs; held runs; held_start bigint; chain_before text; chain_before_at bigint;"
               " chain_after text; chain_after_at bigint;\n"
               "BEGIN\n"
               "  IF (payload->>'schema') IS DISTINCT FROM '%3' THEN\n"
               "    RAISE EXCEPTION 'the run comes in schema %, the server keeps schema %3', payload->>'schema'"
               " USING ERRCODE = '55000';\n"
               "  END IF;\n"
               "  PERFORM pg_advisory_xact_lock(%4);\n"
               "  r := jsonb_populate_record(NULL::runs, payload->'runs');\n"
               "  IF r.run_id IS NULL THEN RAISE EXCEPTION 'a run without an id' USING ERRCODE = '22023'; END IF;\n"
               "  PERFORM check_writer(r.station);\n"
               // The id's month, then the run in it: one partition read.
               "  SELECT k.started_at INTO held_start FROM run_ids k WHERE k.run_id = r.run_id;\n"
               "  IF FOUND THEN\n"
               "    SELECT * INTO held FROM runs WHERE run_id = r.run_id AND started_at = held_start;\n"
               // Its month was dropped: the line had it.
               "    IF NOT FOUND THEN RETURN 'known'; END IF;\n"
               "    IF held.station = r.station AND held.file_name = r.file_name AND held.content_sha1 = r.content_sha1"
               " AND (r.file_name <> '' OR (held.started_at = r.started_at AND held.verdict = r.verdict)) THEN\n"
               "      RETURN 'known';\n"
               "    END IF;\n"
               "    RAISE EXCEPTION 'run % is on the server already with other content (station %, file \"%\")',"
               " r.run_id, held.station, held.file_name USING ERRCODE = '23505';\n"
               "  END IF;\n"
               "  IF r.file_name <> '' AND EXISTS (SELECT 1 FROM runs k WHERE k.station = r.station"
               " AND k.file_name = r.file_name AND k.content_sha1 = r.content_sha1 AND k.file_name <> '') THEN\n"
               "    RETURN 'known';\n"
               "  END IF;\n"
               "  r.received_at := floor(extract(epoch FROM clock_timestamp()) * 1000);\n"
               "  r.received_seq := nextval('runs_received_seq');\n"
               "  r.panel_first := CASE WHEN r.barcode = '' THEN 1 ELSE 0 END;\n"
               "  r.panel_last := r.panel_first;\n"
               "  %10\n"
               "  INSERT INTO run_ids (run_id, started_at) VALUES (r.run_id, r.started_at);\n"
               "  INSERT INTO runs SELECT r.*;\n"
               "  %5\n"
               "  %11\n"
               "  IF r.barcode <> '' THEN\n"
               "    %6;\n"
               "    %7;\n"
               "  END IF;\n"
               "  %8;\n"
               "  RETURN 'added';\n"
               "END $fn$;\n")
        .arg(header, latin(OwnerRole), QString::number(schema::Version), latin(ArrivalLock),
             children.join(QStringLiteral("\n  ")), yieldChange(false), flags, yieldChange(true), latin(OtherStation))
        .arg(conditionsBeforeRun(), conditionsAfterRun());
}

// The views a line's reporting tools read (a BI tool's or a dashboard's
// PostgreSQL data source) with the reader role: plain views over the tables,
// times as timestamptz, so that they read partitioned tables as they read
// plain ones and never hold data of their own. Dropped and made anew by every
// init: a migration may change a column they read.
const char *const ReportViews[] = {"report_runs", "report_measurements", "report_yield_hourly"};

QStringList reportViewsSql()
{
    return {
        QStringLiteral(
            "CREATE VIEW report_runs AS SELECT run_id, station, start_mode, lot, worker, barcode, profile,"
            " to_timestamp(started_at / 1000.0) AS started, to_timestamp(ended_at / 1000.0) AS ended, verdict,"
            " file_name, file_path, current_ma, tb_mean, open_short_x, open_short_y,"
            " panel_first = 1 AS first_run_of_panel, panel_last = 1 AS latest_run_of_panel,"
            " to_timestamp(received_at / 1000.0) AS received,"
            // What the run was judged against: the texts are in `texts` by
            // these hashes, a profile's versions in `profile_versions`.
            " profile_sha1, baseline_sha1, firmware_sha1, software_version FROM runs"),
        // One row per measurement, with the limits it was judged against and
        // whether its item passed (the items' names are the store's own).
        QStringLiteral(
            "CREATE VIEW report_measurements AS SELECT m.run_id, m.station, m.profile, r.barcode, r.lot, r.verdict,"
            " to_timestamp(m.started_at / 1000.0) AS started, m.item, m.name AS measurement, m.value,"
            " m.lower_limit, m.upper_limit, m.limits_known = 1 AS limits_known,"
            " CASE WHEN m.limits_known = 1 THEN (m.lower_limit IS NULL OR m.value >= m.lower_limit)"
            " AND (m.upper_limit IS NULL OR m.value < m.upper_limit"
            " OR (m.value = m.upper_limit AND m.item <> 'Electric')) END AS within_limits,"
            " i.pass = 1 AS item_passed"
            " FROM measurements m JOIN runs r ON r.run_id = m.run_id"
            " LEFT JOIN items i ON i.run_id = m.run_id AND i.item = CASE m.item WHEN 'Electric' THEN 'electric'"
            " WHEN 'Tb_Value' THEN 'tb' WHEN 'OpenShort' THEN 'open_short' WHEN 'RasterX' THEN 'raster_x'"
            " WHEN 'RasterY' THEN 'raster_y' WHEN 'BtnData' THEN 'button_data' END"),
        // Both yields of the panels first tested in the hour (the tool's
        // "yield --by hour", every run counted: the engineering runs' patterns
        // are each station's own setting). The hour is the reader's (TimeZone).
        QStringLiteral(
            "CREATE VIEW report_yield_hourly AS SELECT y.hour, COUNT(*) AS runs, SUM(y.panel_first) AS panels,"
            " SUM(y.first_passed) AS first_passed, SUM(y.final_passed) AS final_passed,"
            " round(100.0 * SUM(y.first_passed) / NULLIF(SUM(y.panel_first), 0), 1) AS first_pass_yield,"
            " round(100.0 * SUM(y.final_passed) / NULLIF(SUM(y.panel_first), 0), 1) AS final_yield"
            " FROM (SELECT date_trunc('hour', to_timestamp(f.started_at / 1000.0)) AS hour, f.panel_first,"
            " CASE WHEN f.panel_first = 1 AND f.verdict = 'PASS' THEN 1 ELSE 0 END AS first_passed,"
            " CASE WHEN f.panel_first = 1 THEN CASE WHEN f.panel_last = 1 OR f.barcode = '' THEN"
            " CASE WHEN f.verdict = 'PASS' THEN 1 ELSE 0 END"
            " ELSE (SELECT CASE WHEN l.verdict = 'PASS' THEN 1 ELSE 0 END FROM runs l"
            " WHERE l.barcode = f.barcode AND l.panel_last = 1 LIMIT 1) END ELSE 0 END AS final_passed"
            " FROM runs f) y GROUP BY y.hour"),
    };
}

class Admin
{
public:
    Admin(QSqlDatabase &db, QString *error) : m_db(db), m_error(error) {}

    bool fail(const QString &why)
    {
        if (m_error)
            *m_error = why;
        return false;
    }

    bool exec(const QString &sql, const QVariantList &bound = {})
    {
        const QSqlError e = schema::execute(m_db, sql, bound);
        return e.type() == QSqlError::NoError || fail(reason(e));
    }

    bool value(const QString &sql, const QVariantList &bound, QVariant &result)
    {
        QSqlQuery q(m_db);
        q.prepare(sql);
        for (const QVariant &v : bound)
            q.addBindValue(v);
        if (!q.exec())
            return fail(reason(q.lastError()));
        result = q.next() ? q.value(0) : QVariant();
        return true;
    }

    // An identifier as the server quotes it: role names cannot be bound.
    bool identifier(const QString &name, QString &quoted)
    {
        QVariant v;
        if (!value(QStringLiteral("SELECT quote_ident(?)"), {name}, v))
            return false;
        quoted = v.toString();
        return true;
    }

    bool roleExists(const QString &role, bool &exists, bool *super = nullptr)
    {
        QVariant v;
        if (!value(QStringLiteral("SELECT rolsuper FROM pg_roles WHERE rolname = ?"), {role}, v))
            return false;
        exists = !v.isNull();
        if (super)
            *super = v.toBool();
        return true;
    }

    // Runs body as the schema's owner.
    bool asOwner(const std::function<bool()> &body)
    {
        if (!exec(QStringLiteral("SET ROLE %1").arg(latin(OwnerRole))))
            return false;
        const bool ok = body();
        QSqlQuery(m_db).exec(QStringLiteral("RESET ROLE"));
        return ok;
    }

    bool transaction(const std::function<bool()> &body)
    {
        if (!m_db.transaction())
            return fail(reason(m_db.lastError()));
        if (!body()) {
            m_db.rollback();
            return false;
        }
        return m_db.commit() || fail(reason(m_db.lastError()));
    }

    // A login role in group (created when absent).
    bool loginIn(const QString &role, const char *group, QString *report)
    {
        if (role.isEmpty())
            return fail(QStringLiteral("a role needs a name (--role NAME)"));
        bool exists = false, super = false;
        QString quoted;
        if (!roleExists(role, exists, &super) || !identifier(role, quoted))
            return false;
        if (super)
            return fail(QStringLiteral("%1 is a superuser; give the station or reader a role of its own").arg(role));
        for (const char *other : {OwnerRole, WriterRole, ReaderRole}) {
            if (role == QLatin1String(other))
                return fail(QStringLiteral("%1 is one of the line's own groups").arg(role));
        }
        if (exists) {
            *report += QStringLiteral("role %1 exists; ").arg(role);
            return exec(QStringLiteral("ALTER ROLE %1 LOGIN").arg(quoted))
                   && exec(QStringLiteral("GRANT %1 TO %2").arg(latin(group), quoted));
        }
        *report += QStringLiteral("role %1 created (LOGIN, no password yet); ").arg(role);
        return exec(QStringLiteral("CREATE ROLE %1 LOGIN IN ROLE %2").arg(quoted, latin(group)));
    }

private:
    QSqlDatabase &m_db;
    QString *m_error;
};

} // namespace

bool init(QSqlDatabase &db, QString *report, QString *error)
{
    Admin admin(db, error);
    QVariant v;
    if (!admin.value(QStringLiteral("SELECT rolsuper OR rolcreaterole FROM pg_roles WHERE rolname = current_user"),
                     {}, v))
        return false;
    if (!v.toBool())
        return admin.fail(QStringLiteral("\"server init\" needs a connection of a superuser or of a role that may "
                                         "create roles (the administrator's, not a station's)"));
    QString database, self;
    if (!admin.value(QStringLiteral("SELECT quote_ident(current_database())"), {}, v))
        return false;
    database = v.toString();
    if (!admin.value(QStringLiteral("SELECT quote_ident(current_user)"), {}, v))
        return false;
    self = v.toString();

    for (const char *role : {OwnerRole, WriterRole, ReaderRole}) {
        bool exists = false;
        if (!admin.roleExists(latin(role), exists))
            return false;
        if (!exists && !admin.exec(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(latin(role))))
            return false;
    }
    if (!admin.value(QStringLiteral("SELECT pg_has_role(current_user, ?, 'MEMBER')"), {latin(OwnerRole)}, v)
        || (!v.toBool() && !admin.exec(QStringLiteral("GRANT %1 TO %2").arg(latin(OwnerRole), self))))
        return false;

    // What another role owned (a line set up before these roles) becomes the
    // owner's: the database, the tables, the sequence, the functions.
    const auto give = [&admin](const QString &what, const QString &name) {
        return admin.exec(QStringLiteral("ALTER %1 %2 OWNER TO %3").arg(what, name, latin(OwnerRole)));
    };
    if (!admin.value(QStringLiteral("SELECT pg_get_userbyid(datdba) = ? FROM pg_database WHERE datname = current_database()"),
                     {latin(OwnerRole)}, v)
        || (!v.toBool() && !give(QStringLiteral("DATABASE"), database)))
        return false;
    // Nobody but the groups reaches the database, and nobody creates anything
    // in it but the owner.
    if (!admin.exec(QStringLiteral("REVOKE ALL ON DATABASE %1 FROM PUBLIC").arg(database))
        || !admin.exec(QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2, %3")
                           .arg(database, latin(WriterRole), latin(ReaderRole)))
        || !admin.exec(QStringLiteral("REVOKE CREATE ON SCHEMA public FROM PUBLIC"))
        || !admin.exec(QStringLiteral("GRANT USAGE, CREATE ON SCHEMA public TO %1").arg(latin(OwnerRole))))
        return false;
    QSqlQuery owned(db);
    if (!owned.exec(QStringLiteral("SELECT c.relname, c.relkind FROM pg_class c"
                                   " JOIN pg_namespace n ON n.oid = c.relnamespace"
                                   " WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'S')"
                                   " AND pg_get_userbyid(c.relowner) <> '%1'")
                        .arg(latin(OwnerRole))))
        return admin.fail(reason(owned.lastError()));
    QStringList tables, sequences;
    while (owned.next()) {
        const QString name = owned.value(0).toString();
        const bool ours = name == QLatin1String("schema_migration") || name == QLatin1String("runs_received_seq")
                          || std::any_of(schema::tables().begin(), schema::tables().end(),
                                         [&](const schema::Table &t) { return name == QLatin1String(t.name); });
        if (ours)
            (owned.value(1).toString() == QLatin1String("S") ? sequences : tables) << name;
    }
    owned.finish();
    for (const QString &t : tables)
        if (!give(QStringLiteral("TABLE"), t))
            return false;
    for (const QString &s : sequences)
        if (!give(QStringLiteral("SEQUENCE"), s))
            return false;
    for (const char *f : {RecordRun, KnownRuns, ClaimStation, CheckWriter}) {
        if (!admin.value(QStringLiteral("SELECT to_regprocedure(?) IS NOT NULL"), {latin(f)}, v))
            return false;
        if (v.toBool() && !give(QStringLiteral("FUNCTION"), latin(f)))
            return false;
    }

    // The file texts are compressed with lz4 wherever a column does not say
    // so itself (a table a later version adds).
    if (!admin.exec(QStringLiteral("ALTER DATABASE %1 SET default_toast_compression = 'lz4'").arg(database)))
        return false;

    // No run arrives while the tables change: record_run() waits.
    if (!admin.exec(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(latin(ArrivalLock))))
        return false;
    const bool ok = admin.asOwner([&] {
        QStringList views;
        for (const char *view : ReportViews)
            views << latin(view);
        const QStringList viewsSql = reportViewsSql();
        if (!admin.exec(QStringLiteral("DROP VIEW IF EXISTS %1").arg(views.join(QStringLiteral(", "))))
            || !schema::prepareServer(db, error))
            return false;
        QVariant now;
        if (!admin.value(QStringLiteral("SELECT floor(extract(epoch FROM clock_timestamp()) * 1000)::bigint"), {}, now)
            || !admin.transaction([&] {
                   if (!partitions::ensureDefaults(db, nullptr, error))
                       return false;
                   for (int month = 0; month <= MaintainOptions().ahead; ++month) {
                       if (!partitions::ensureMonth(db, partitions::monthStart(now.toLongLong(), month), nullptr, error))
                           return false;
                   }
                   return true;
               }))
            return false;
        return admin.transaction([&] {
            QStringList readable, ours;
            for (const schema::Table &t : schema::tables()) {
                if (t.in(schema::Engine::Server))
                    readable << latin(t.name);
            }
            if (!admin.exec(functions()))
                return false;
            for (const char *f : {RecordRun, KnownRuns, ClaimStation, CheckWriter})
                ours << latin(f);
            return admin.exec(QStringLiteral("REVOKE ALL ON %1 FROM PUBLIC").arg(readable.join(QStringLiteral(", "))))
                   && admin.exec(QStringLiteral("REVOKE ALL ON SEQUENCE runs_received_seq FROM PUBLIC"))
                   && admin.exec(QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(ours.join(QStringLiteral(", "))))
                   && admin.exec(QStringLiteral("GRANT SELECT ON schema_version TO %1").arg(latin(WriterRole)))
                   && admin.exec(QStringLiteral("GRANT EXECUTE ON FUNCTION %1, %2, %3 TO %4")
                                     .arg(latin(RecordRun), latin(KnownRuns), latin(ClaimStation), latin(WriterRole)))
                   && admin.exec(QStringLiteral("GRANT SELECT ON %1 TO %2")
                                     .arg(readable.join(QStringLiteral(", ")), latin(ReaderRole)))
                   && std::all_of(viewsSql.begin(), viewsSql.end(),
                                  [&admin](const QString &sql) { return admin.exec(sql); })
                   && admin.exec(QStringLiteral("REVOKE ALL ON %1 FROM PUBLIC").arg(views.join(QStringLiteral(", "))))
                   && admin.exec(QStringLiteral("GRANT SELECT ON %1 TO %2")
                                     .arg(views.join(QStringLiteral(", ")), latin(ReaderRole)));
        });
    });
    QSqlQuery(db).exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(latin(ArrivalLock)));
    if (!ok)
        return false;
    if (report)
        *report = QStringLiteral("the line's server holds schema %1; owner %2, stations in %3, readers in %4\n")
                      .arg(schema::Version)
                      .arg(latin(OwnerRole), latin(WriterRole), latin(ReaderRole));
    return true;
}

bool maintain(QSqlDatabase &db, const MaintainOptions &options, QString *report, QString *error)
{
    Admin admin(db, error);
    QVariant v;
    if (!admin.value(QStringLiteral("SELECT pg_has_role(current_user, ?, 'MEMBER')"), {latin(OwnerRole)}, v))
        return false;
    if (!v.toBool())
        return admin.fail(QStringLiteral("\"server maintain\" needs a connection of the schema's owner (%1) or of a "
                                         "superuser, not of a station or a reader")
                              .arg(latin(OwnerRole)));
    if (options.keepMonths < 0 || options.ahead < 0)
        return admin.fail(QStringLiteral("months to keep or make ahead cannot be negative"));
    QString out;
    const bool ok = admin.asOwner([&] {
        bool split = false;
        if (!schema::checkServer(db, error) || !partitions::isPartitioned(db, "runs", split, error))
            return false;
        if (!split)
            return admin.fail(QStringLiteral("the line's runs are not kept by month yet: run \"kavel-results server "
                                             "init\" first"));
        QVariant clock;
        if (!admin.value(QStringLiteral("SELECT floor(extract(epoch FROM clock_timestamp()) * 1000)::bigint"), {}, clock))
            return false;
        const qint64 now = options.now ? options.now : clock.toLongLong();
        // Each month in a transaction of its own: one that fails leaves the
        // others done.
        QStringList created;
        if (!admin.transaction([&] { return partitions::ensureDefaults(db, &created, error); }))
            return false;
        if (!created.isEmpty())
            out += QStringLiteral("created the default partitions: %1\n").arg(created.join(QStringLiteral(", ")));
        for (int month = 0; month <= options.ahead; ++month) {
            const qint64 start = partitions::monthStart(now, month);
            created.clear();
            if (!admin.transaction([&] { return partitions::ensureMonth(db, start, &created, error); }))
                return false;
            if (!created.isEmpty())
                out += QStringLiteral("created %1: %2\n").arg(partitions::monthText(start), created.join(QStringLiteral(", ")));
        }
        std::vector<qint64> months;
        if (options.keepMonths > 0) {
            const qint64 cut = partitions::monthStart(now, 1 - options.keepMonths);
            if (!partitions::months(db, months, error))
                return false;
            for (const qint64 start : months) {
                if (start >= cut)
                    break;
                partitions::Dropped dropped;
                if (!admin.transaction([&] { return partitions::dropMonth(db, start, dropped, error); }))
                    return false;
                out += QStringLiteral("dropped %1: %2 runs").arg(partitions::monthText(start)).arg(dropped.runs);
                if (dropped.kept)
                    out += QStringLiteral(", %1 kept with their panel's later runs").arg(dropped.kept);
                if (dropped.fromDefault)
                    out += QStringLiteral(", %1 older runs from the default partition").arg(dropped.fromDefault);
                out += QLatin1Char('\n');
            }
        }
        QVariant outside;
        if (!partitions::months(db, months, error)
            || !admin.value(QStringLiteral("SELECT COUNT(*) FROM runs_default"), {}, outside))
            return false;
        out += months.empty() ? QStringLiteral("no months held")
                              : QStringLiteral("months held: %1 to %2")
                                    .arg(partitions::monthText(months.front()), partitions::monthText(months.back()));
        out += QStringLiteral("; %1 runs in the default partition\n").arg(outside.toLongLong());
        // A question over every month locks each month's tables and their
        // indexes, in a lock table all the server's processes share: one that
        // finds it full fails ("out of shared memory"), and so do the others'
        // then. The table holds max_locks_per_transaction for each process
        // the server may run and each prepared transaction.
        QVariant locked, perProcess, processes;
        if (!admin.value(QStringLiteral("SELECT COUNT(*) + COALESCE(SUM((SELECT COUNT(*) FROM pg_index x"
                                        " WHERE x.indrelid = i.inhrelid)), 0)"
                                        " FROM pg_inherits i JOIN pg_class p ON p.oid = i.inhparent"
                                        " WHERE p.relkind = 'p' AND p.relnamespace = CAST(current_schema() AS regnamespace)"),
                         {}, locked)
            || !admin.value(QStringLiteral("SELECT CAST(current_setting('max_locks_per_transaction') AS integer)"), {},
                            perProcess)
            || !admin.value(QStringLiteral("SELECT SUM(CAST(current_setting(s) AS integer)) + 1 FROM unnest(ARRAY["
                                           "'max_connections', 'autovacuum_max_workers', 'max_worker_processes',"
                                           " 'max_wal_senders', 'max_prepared_transactions']) s"),
                            {}, processes))
            return false;
        const qint64 room = perProcess.toLongLong() * processes.toLongLong();
        // Room for four such questions at once.
        if (locked.toLongLong() * 4 > room)
            out += QStringLiteral("a question over every month locks %1 tables and indexes, over a quarter of the %2"
                                  " the server can hold locked at once (max_locks_per_transaction %3 x %4"
                                  " processes): set max_locks_per_transaction to at least %5 and restart the"
                                  " server, or keep fewer months (--keep-months)\n")
                       .arg(locked.toLongLong())
                       .arg(room)
                       .arg(perProcess.toLongLong())
                       .arg(processes.toLongLong())
                       .arg((locked.toLongLong() * 4 + processes.toLongLong() - 1) / processes.toLongLong());
        return true;
    });
    if (ok && report)
        *report = out;
    return ok;
}

bool addStation(QSqlDatabase &db, const QString &station, const QString &role, QString *report, QString *error)
{
    Admin admin(db, error);
    if (station.trimmed().isEmpty())
        return admin.fail(QStringLiteral("add-station needs the station's id"));
    QString done;
    if (!admin.loginIn(role, WriterRole, &done))
        return false;
    QVariant before;
    const bool ok = admin.asOwner([&] {
        return admin.value(QStringLiteral("SELECT station FROM station_roles WHERE role_name = ?"), {role}, before)
               && admin.exec(QStringLiteral("INSERT INTO station_roles (role_name, station) VALUES (?, ?)"
                                            " ON CONFLICT (role_name) DO UPDATE SET station = excluded.station"),
                             {role, station});
    });
    if (ok && report) {
        *report = done + QStringLiteral("%1 adds the runs of station %2").arg(role, station);
        if (!before.isNull() && before.toString() != station)
            *report += QStringLiteral(" (before: %1)").arg(before.toString());
        *report += QLatin1Char('\n');
    }
    return ok;
}

bool addReader(QSqlDatabase &db, const QString &role, QString *report, QString *error)
{
    Admin admin(db, error);
    QString done;
    if (!admin.loginIn(role, ReaderRole, &done))
        return false;
    if (report)
        *report = done + QStringLiteral("%1 reads the line's runs\n").arg(role);
    return true;
}

bool releaseStation(QSqlDatabase &db, const QString &station, QString *report, QString *error)
{
    Admin admin(db, error);
    QVariant machine;
    const bool ok = admin.asOwner([&] {
        return admin.value(QStringLiteral("SELECT machine FROM stations WHERE station = ?"), {station}, machine)
               && admin.exec(QStringLiteral("DELETE FROM stations WHERE station = ?"), {station});
    });
    if (ok && report)
        *report = machine.isNull() ? QStringLiteral("no machine held station %1\n").arg(station)
                                   : QStringLiteral("station %1 released; the next machine to upload claims it\n")
                                         .arg(station);
    return ok;
}

QString recordRunSql()
{
    return QStringLiteral("SELECT record_run(CAST(? AS jsonb))");
}

QString knownRunsSql()
{
    return QStringLiteral("SELECT * FROM known_runs(CAST(? AS jsonb))");
}

QString claimSql()
{
    return QStringLiteral("SELECT claim_station(?, ?)");
}

bool missingText(const QSqlError &error)
{
    return error.nativeErrorCode() == QLatin1String(MissingText);
}

QString reason(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    text = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    for (const char *prefix : {"ERROR:", "FATAL:"}) {
        if (text.startsWith(QLatin1String(prefix)))
            text = text.mid(qsizetype(qstrlen(prefix))).trimmed();
    }
    return text;
}

bool transient(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    // No server answer at all, a connection that broke, a server shutting
    // down, read-only or short of resources, a lock or a schema not in the
    // state asked, a right or an object missing (the role's or the server's
    // trouble, which would refuse every run alike). What is left refuses the
    // run itself: its data (22), a constraint (23), the server's own reasons
    // (P0, KV).
    static const char *const Classes[] = {"08", "25", "40", "42", "53", "55", "57", "58", "XX"};
    if (code.size() != 5)
        return true;
    for (const char *c : Classes) {
        if (code.startsWith(QLatin1String(c)))
            return true;
    }
    return false;
}

} // namespace results::lineserver
