#include "resultstore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <numeric>
#include <tuple>

namespace results {

namespace {

// Both engines take these as they stand: TEXT, INTEGER, BIGINT and DOUBLE
// PRECISION, times as milliseconds since the epoch (UTC).
const char *const CreateTables[] = {
    "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS runs ("
    " run_id TEXT PRIMARY KEY,"
    " station TEXT NOT NULL,"
    " start_mode TEXT NOT NULL,"
    " lot TEXT NOT NULL,"
    " worker TEXT NOT NULL,"
    " barcode TEXT NOT NULL,"
    " profile TEXT NOT NULL,"
    " started_at BIGINT NOT NULL,"
    " ended_at BIGINT NOT NULL,"
    " verdict TEXT NOT NULL,"
    " file_name TEXT NOT NULL,"
    " file_path TEXT NOT NULL,"
    " content_sha1 TEXT NOT NULL,"
    " content TEXT NOT NULL,"
    " current_ma DOUBLE PRECISION,"
    " tb_mean DOUBLE PRECISION,"
    " recorded_at BIGINT NOT NULL,"
    " panel_first INTEGER NOT NULL DEFAULT 0,"
    " panel_last INTEGER NOT NULL DEFAULT 0,"
    // The open/short line's mean level, X and Y, for the drift chart.
    " open_short_x DOUBLE PRECISION,"
    " open_short_y DOUBLE PRECISION,"
    " UNIQUE (station, file_name, content_sha1))",
    "CREATE INDEX IF NOT EXISTS runs_barcode ON runs (barcode, started_at)",
    // Per LOT, station and profile: the runs of one in a time range, and yield
    // per each over a long range, read from the index alone.
    "CREATE INDEX IF NOT EXISTS runs_lot ON runs (lot, started_at, verdict, panel_first, panel_last)",
    "CREATE INDEX IF NOT EXISTS runs_station ON runs (station, started_at, verdict, panel_first, panel_last)",
    "CREATE INDEX IF NOT EXISTS runs_profile ON runs (profile, started_at, verdict, panel_first, panel_last)",
    "CREATE INDEX IF NOT EXISTS runs_started ON runs (started_at)",
    "CREATE INDEX IF NOT EXISTS runs_path ON runs (file_path)",
    // Yield over a long time reads this index alone, in order of the quarters
    // of an hour it counts in, never the runs' texts.
    "CREATE INDEX IF NOT EXISTS runs_yield ON runs ((started_at / 900000), started_at, verdict, panel_first,"
    " panel_last, station, lot, profile)",
    // pass: 1 or 0, NULL where the file cannot tell (an item whose line
    // carries the run's verdict after an earlier item failed).
    "CREATE TABLE IF NOT EXISTS items ("
    " run_id TEXT NOT NULL REFERENCES runs (run_id) ON DELETE CASCADE,"
    " item TEXT NOT NULL,"
    " pass INTEGER,"
    " value DOUBLE PRECISION,"
    " text TEXT NOT NULL,"
    " PRIMARY KEY (run_id, item))",
    "CREATE INDEX IF NOT EXISTS items_item ON items (item, pass)",
    // The failed items alone (a few in a hundred runs): the failures' Pareto
    // over a long range reads these instead of every run's items.
    "CREATE INDEX IF NOT EXISTS items_failed ON items (run_id, item) WHERE pass = 0",
    "CREATE TABLE IF NOT EXISTS failing_cells ("
    " run_id TEXT NOT NULL REFERENCES runs (run_id) ON DELETE CASCADE,"
    " raster TEXT NOT NULL,"
    " row_index INTEGER NOT NULL,"
    " column_index INTEGER NOT NULL,"
    " value INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS failing_cells_run ON failing_cells (run_id)",
    // kind: "window" (outside its per-electrode window, first = value index),
    // "open" or "short" (the pair first:second, numbered from 1).
    "CREATE TABLE IF NOT EXISTS failing_electrodes ("
    " run_id TEXT NOT NULL REFERENCES runs (run_id) ON DELETE CASCADE,"
    " kind TEXT NOT NULL,"
    " line TEXT NOT NULL,"
    " first_index INTEGER NOT NULL,"
    " second_index INTEGER,"
    " value INTEGER)",
    "CREATE INDEX IF NOT EXISTS failing_electrodes_run ON failing_electrodes (run_id)",
    // Yield per quarter of an hour (UTC), kept with every run recorded: the
    // runs, the panels first tested then and how many passed at once, the
    // panels whose latest run is then and how many passed. Yield by hour or
    // day over a year of a line reads a few ten thousand of these, not a
    // million runs.
    "CREATE TABLE IF NOT EXISTS yield_quarters ("
    " quarter BIGINT PRIMARY KEY,"
    " runs BIGINT NOT NULL,"
    " panels BIGINT NOT NULL,"
    " first_passed BIGINT NOT NULL,"
    " last_panels BIGINT NOT NULL,"
    " last_passed BIGINT NOT NULL)",
    // The runs the line's server has not acknowledged yet (the station's store only).
    "CREATE TABLE IF NOT EXISTS outbox ("
    " run_id TEXT PRIMARY KEY REFERENCES runs (run_id) ON DELETE CASCADE,"
    " queued_at BIGINT NOT NULL)",
};

// From schema 1: each panel's first and last run flagged, so that yield over
// a million runs is a count instead of a ranking of every run.
const char *const MigrateFrom1[] = {
    "ALTER TABLE runs ADD COLUMN panel_first INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE runs ADD COLUMN panel_last INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE runs ADD COLUMN open_short_x DOUBLE PRECISION",
    "ALTER TABLE runs ADD COLUMN open_short_y DOUBLE PRECISION",
    // Made anew below with the yield's columns.
    "DROP INDEX IF EXISTS runs_lot",
    "DROP INDEX IF EXISTS runs_station",
    "UPDATE runs SET"
    " panel_first = CASE WHEN barcode = '' OR run_id = (SELECT f.run_id FROM runs f WHERE f.barcode = runs.barcode"
    " ORDER BY f.started_at, f.run_id LIMIT 1) THEN 1 ELSE 0 END,"
    " panel_last = CASE WHEN barcode = '' OR run_id = (SELECT l.run_id FROM runs l WHERE l.barcode = runs.barcode"
    " ORDER BY l.started_at DESC, l.run_id DESC LIMIT 1) THEN 1 ELSE 0 END",
};

QString lastError(const QSqlQuery &q)
{
    return q.lastError().text();
}

bool exec(QSqlDatabase &db, const char *sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(QString::fromLatin1(sql)))
        return true;
    if (error)
        *error = lastError(q);
    return false;
}

// An empty text is stored as one, never as NULL.
QVariant textValue(const QString &s)
{
    return QVariant(s.isNull() ? QStringLiteral("") : s);
}

qint64 msSinceEpoch(const QDateTime &t)
{
    return t.isValid() ? t.toMSecsSinceEpoch() : 0;
}

QString text(const std::string &s)
{
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

struct ItemRow
{
    const char *item;
    QVariant pass;
    QVariant value;
    QString text;
};

QVariant flag(bool pass)
{
    return QVariant(pass ? 1 : 0);
}

// What the file says of each item. Lines that carry the run's verdict (the
// current and the USB and CRC versions) tell the item's own result only until
// an earlier item failed.
std::vector<ItemRow> itemRows(const ResultRecord &r)
{
    std::vector<ItemRow> rows;
    bool earlierFailed = false;
    const auto verdictLine = [&earlierFailed](bool linePass) {
        return linePass ? flag(true) : earlierFailed ? QVariant() : flag(false);
    };
    if (r.electricPresent) {
        rows.push_back({"electric", flag(r.electricPass), double(r.currentMa[1]), QString()});
        earlierFailed = !r.electricPass;
    }
    if (r.usbVersion.present) {
        rows.push_back({"usb_version", verdictLine(r.usbVersion.pass), QVariant(), text(r.usbVersion.text)});
        earlierFailed = earlierFailed || !r.usbVersion.pass;
    }
    if (r.crcVersion.present)
        rows.push_back({"crc_version", verdictLine(r.crcVersion.pass), QVariant(), text(r.crcVersion.text)});
    if (r.eepromVersion.present)
        rows.push_back({"eeprom_version", flag(r.eepromVersion.pass), QVariant(), text(r.eepromVersion.text)});
    if (r.tbPresent) {
        const double mean = r.tb.empty() ? 0.0 : std::accumulate(r.tb.begin(), r.tb.end(), 0.0) / double(r.tb.size());
        rows.push_back({"tb", flag(r.tbPass), r.tb.empty() ? QVariant() : QVariant(mean), QString()});
    }
    if (r.attb.present)
        rows.push_back({"attb", flag(r.attb.pass), QVariant(), text(r.attb.text)});
    if (r.openShort.present)
        rows.push_back({"open_short", flag(r.openShort.pass), double(r.openShort.failing.size()), QString()});
    if (r.rasterX.present)
        rows.push_back({"raster_x", flag(r.rasterX.pass), double(r.rasterX.failing.size()), QString()});
    if (r.rasterY.present)
        rows.push_back({"raster_y", flag(r.rasterY.pass), double(r.rasterY.failing.size()), QString()});
    if (r.buttonsPresent) {
        // The band is the profile's, not the file's: the file cannot say; a
        // line without values is a read that failed.
        rows.push_back({"button_data", r.buttons.empty() ? flag(false) : QVariant(), QVariant(), QString()});
    }
    if (r.reset.present)
        rows.push_back({"reset", flag(r.reset.pass), QVariant(), text(r.reset.text)});
    return rows;
}

// The mean of an open/short line, NULL where the file has none.
QVariant lineLevel(const ResultRecord &r, const ValueLine &line)
{
    if (!r.openShort.linesRead || line.values.empty())
        return QVariant();
    return std::accumulate(line.values.begin(), line.values.end(), 0.0) / double(line.values.size());
}

// The open/short levels of the runs a schema-1 store holds, read from their
// files' texts (which the store keeps), a thousand runs at a time.
bool fillOpenShortLevels(QSqlDatabase &db, QString *error)
{
    QSqlQuery read(db), write(db);
    read.setForwardOnly(true);
    if (!read.prepare(QStringLiteral("SELECT run_id, content FROM runs WHERE run_id > ? ORDER BY run_id LIMIT 1000"))
        || !write.prepare(QStringLiteral("UPDATE runs SET open_short_x = ?, open_short_y = ? WHERE run_id = ?"))) {
        if (error)
            *error = lastError(read.lastError().isValid() ? read : write);
        return false;
    }
    ResultRecord parsed;
    QString after = QStringLiteral("");
    for (;;) {
        read.addBindValue(after);
        if (!read.exec()) {
            if (error)
                *error = lastError(read);
            return false;
        }
        std::vector<std::tuple<QString, QVariant, QVariant>> levels;
        while (read.next()) {
            const QByteArray content = read.value(1).toString().toLatin1();
            readResult(std::string_view(content.constData(), std::size_t(content.size())), parsed);
            levels.emplace_back(read.value(0).toString(), lineLevel(parsed, parsed.openShort.x),
                                lineLevel(parsed, parsed.openShort.y));
        }
        read.finish();
        if (levels.empty())
            return true;
        for (const auto &[runId, x, y] : levels) {
            write.addBindValue(x);
            write.addBindValue(y);
            write.addBindValue(runId);
            if (!write.exec()) {
                if (error)
                    *error = lastError(write);
                return false;
            }
        }
        after = std::get<0>(levels.back());
    }
}

} // namespace

bool schema::rebuildYield(QSqlDatabase &db, QString *error)
{
    return exec(db, "DELETE FROM yield_quarters", error)
           && exec(db,
                   "INSERT INTO yield_quarters (quarter, runs, panels, first_passed, last_panels, last_passed)"
                   " SELECT started_at / 900000, COUNT(*), SUM(panel_first),"
                   " SUM(CASE WHEN panel_first = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END), SUM(panel_last),"
                   " SUM(CASE WHEN panel_last = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END)"
                   " FROM runs GROUP BY started_at / 900000",
                   error);
}

bool schema::prepare(QSqlDatabase &db, QString *error)
{
    QSqlQuery version(db);
    int current = 0;
    if (version.exec(QStringLiteral("SELECT version FROM schema_version")) && version.next())
        current = version.value(0).toInt();
    version.finish();
    if (current > Version) {
        if (error)
            *error = QStringLiteral("the store was written by a newer station (schema %1)").arg(current);
        return false;
    }
    if (current == Version)
        return true;
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    if (current == 1) {
        for (const char *sql : MigrateFrom1) {
            if (!exec(db, sql, error)) {
                db.rollback();
                return false;
            }
        }
    }
    for (const char *sql : CreateTables) {
        if (!exec(db, sql, error)) {
            db.rollback();
            return false;
        }
    }
    if (current == 1 && !(rebuildYield(db, error) && fillOpenShortLevels(db, error))) {
        db.rollback();
        return false;
    }
    QSqlQuery set(db);
    const bool ok = set.exec(QStringLiteral("DELETE FROM schema_version"))
                    && set.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"))
                    && (set.addBindValue(Version), set.exec());
    if (!ok || !db.commit()) {
        if (error)
            *error = ok ? db.lastError().text() : lastError(set);
        db.rollback();
        return false;
    }
    return true;
}

QByteArray contentHash(const QByteArray &content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex();
}

QString panelFlagsSql()
{
    return QStringLiteral(
        "UPDATE runs SET"
        " panel_first = CASE WHEN run_id = (SELECT f.run_id FROM runs f WHERE f.barcode = ?"
        " ORDER BY f.started_at, f.run_id LIMIT 1) THEN 1 ELSE 0 END,"
        " panel_last = CASE WHEN run_id = (SELECT l.run_id FROM runs l WHERE l.barcode = ?"
        " ORDER BY l.started_at DESC, l.run_id DESC LIMIT 1) THEN 1 ELSE 0 END"
        " WHERE barcode = ? AND (panel_first = 1 OR panel_last = 1 OR run_id = ?)");
}

const RecordSql &recordSql()
{
    static const RecordSql sql{
        QStringLiteral("INSERT INTO runs (run_id, station, start_mode, lot, worker, barcode, profile, started_at,"
                       " ended_at, verdict, file_name, file_path, content_sha1, content, current_ma, tb_mean,"
                       " recorded_at, panel_first, panel_last, open_short_x, open_short_y)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, CAST(? AS TEXT), ?, ?, ?, ?, ?, ?, ?)"
                       " ON CONFLICT DO NOTHING"),
        QStringLiteral("INSERT INTO items (run_id, item, pass, value, text) VALUES (?, ?, ?, ?, ?)"),
        QStringLiteral("INSERT INTO failing_cells (run_id, raster, row_index, column_index, value)"
                       " VALUES (?, ?, ?, ?, ?)"),
        QStringLiteral("INSERT INTO failing_electrodes (run_id, kind, line, first_index, second_index, value)"
                       " VALUES (?, ?, ?, ?, ?, ?)"),
        QStringLiteral("INSERT INTO outbox (run_id, queued_at) VALUES (?, ?)"),
    };
    return sql;
}

// The statements a record makes, prepared once per connection: preparing
// them for every run cost more than running them.
struct ResultStore::Statements
{
    explicit Statements(const QSqlDatabase &db)
        : run(db)
        , item(db)
        , cell(db)
        , electrode(db)
        , outbox(db)
        , panel(db)
        , yield(db)
    {
    }

    bool prepare()
    {
        const RecordSql &sql = recordSql();
        return run.prepare(sql.run) && item.prepare(sql.item) && cell.prepare(sql.cell)
               && electrode.prepare(sql.electrode) && outbox.prepare(sql.outbox)
               && panel.prepare(panelFlagsSql()) && yield.prepare(yieldChangeSql());
    }

    QSqlQuery run, item, cell, electrode, outbox, panel, yield;
};

ResultStore::ResultStore() = default;

ResultStore::~ResultStore()
{
    close();
}

bool ResultStore::openLocal(const QString &path, QString *error)
{
    close();
    const bool opened = [&] {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        // A writer that finds the file busy waits a little rather than failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open()) {
            if (error)
                *error = db.lastError().text();
            return false;
        }
        QSqlQuery pragma(db);
        // WAL: readers (the statistics, the tool) never block the station's writer.
        for (const char *sql : {"PRAGMA journal_mode=WAL", "PRAGMA foreign_keys=ON", "PRAGMA synchronous=NORMAL"}) {
            if (!pragma.exec(QString::fromLatin1(sql))) {
                if (error)
                    *error = lastError(pragma);
                return false;
            }
        }
        pragma.finish();
        m_sqlite = true;
        return schema::prepare(db, error);
    }();
    if (!opened)
        close();
    return opened;
}

bool ResultStore::openDatabase(QSqlDatabase db, QString *error)
{
    m_sqlite = db.driverName() == QLatin1String("QSQLITE");
    if (!db.isOpen() && !db.open()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    return schema::prepare(db, error);
}

bool ResultStore::setBulk(QString *error)
{
    if (!m_sqlite)
        return true;
    QSqlQuery pragma(database());
    // A larger page cache keeps the indexes' pages between batches.
    for (const char *sql : {"PRAGMA synchronous=OFF", "PRAGMA cache_size=-65536"}) {
        if (!pragma.exec(QString::fromLatin1(sql))) {
            if (error)
                *error = lastError(pragma);
            return false;
        }
    }
    return true;
}

void ResultStore::close()
{
    // A batch not committed is lost with the connection, as a transaction is.
    m_batch = false;
    m_statements.reset();
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool ResultStore::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase ResultStore::database() const
{
    return QSqlDatabase::database(m_name, false);
}

Recorded ResultStore::record(const RunContext &context, QString *error, bool queueForLine)
{
    // A run that filed nothing is recorded all the same, with its items.
    if (context.path.isEmpty())
        m_buffer.clear();
    else if (!readFileBytes(QFile::encodeName(context.path).toStdString(), m_buffer))
        return Recorded::Unreadable;
    const QByteArray content(m_buffer.data(), qsizetype(m_buffer.size()));
    readResult(m_buffer, m_parsed);
    return record(context, content, m_parsed, error, queueForLine);
}

QString yieldChangeSql()
{
    // The flagged runs of a barcode (or the one run given), counted per
    // quarter and added to yield_quarters times a sign; the runs column counts
    // only the new run.
    return QStringLiteral(
        "INSERT INTO yield_quarters (quarter, runs, panels, first_passed, last_panels, last_passed)"
        " SELECT started_at / 900000,"
        " SUM(CASE WHEN run_id = ? THEN 1 ELSE 0 END) * CAST(? AS BIGINT),"
        " SUM(panel_first) * CAST(? AS BIGINT),"
        " SUM(CASE WHEN panel_first = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END) * CAST(? AS BIGINT),"
        " SUM(panel_last) * CAST(? AS BIGINT),"
        " SUM(CASE WHEN panel_last = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END) * CAST(? AS BIGINT)"
        " FROM runs WHERE ((barcode = ? AND barcode <> '') OR run_id = ?) AND run_id <> ?"
        " AND (panel_first = 1 OR panel_last = 1 OR run_id = ?)"
        " GROUP BY started_at / 900000"
        " ON CONFLICT (quarter) DO UPDATE SET runs = yield_quarters.runs + excluded.runs,"
        " panels = yield_quarters.panels + excluded.panels,"
        " first_passed = yield_quarters.first_passed + excluded.first_passed,"
        " last_panels = yield_quarters.last_panels + excluded.last_panels,"
        " last_passed = yield_quarters.last_passed + excluded.last_passed");
}

namespace {

bool changeYield(QSqlQuery &yield, const QString &barcode, const QString &runId, bool add)
{
    const QString none = QStringLiteral("");
    const qint64 sign = add ? 1 : -1;
    for (const QVariant &v : {QVariant(runId), QVariant(sign), QVariant(sign), QVariant(sign), QVariant(sign),
                              QVariant(sign), QVariant(barcode.isNull() ? none : barcode),
                              QVariant(add ? runId : none), QVariant(add ? none : runId), QVariant(runId)})
        yield.addBindValue(v);
    return yield.exec();
}

} // namespace

bool flagPanel(QSqlQuery &flags, QSqlQuery &yield, const QString &barcode, const QString &runId)
{
    // The barcode's first and last run as they were leave the yield, the
    // flags move, and the runs flagged now (with the new run) come back in.
    // A run without a barcode is a panel of its own, flagged when inserted.
    if (!barcode.isEmpty()) {
        if (!changeYield(yield, barcode, runId, false))
            return false;
        flags.addBindValue(barcode);
        flags.addBindValue(barcode);
        flags.addBindValue(barcode);
        flags.addBindValue(runId);
        if (!flags.exec())
            return false;
    }
    return changeYield(yield, barcode, runId, true);
}

Recorded ResultStore::record(const RunContext &context, const QByteArray &content, const ResultRecord &parsed,
                             QString *error, bool queueForLine)
{
    return record(context, content, contentHash(content), parsed, error, queueForLine);
}

Recorded ResultStore::record(const RunContext &context, const QByteArray &content, const QByteArray &sha1,
                             const ResultRecord &parsed, QString *error, bool queueForLine)
{
    if (!parsed.anyBlock() && !context.path.isEmpty())
        return Recorded::NotAResult;
    QSqlDatabase db = database();
    const auto fail = [&](const QString &why) {
        if (error)
            *error = m_batch ? why + QStringLiteral(" (the batch was rolled back)") : why;
        db.rollback();
        m_batch = false;
        return Recorded::Failed;
    };
    if (!db.isOpen())
        return fail(QStringLiteral("the store is not open"));
    if (!m_statements) {
        auto statements = std::make_unique<Statements>(db);
        if (!statements->prepare())
            return fail(statements->run.lastError().text());
        m_statements = std::move(statements);
    }
    Statements &s = *m_statements;
    if (!m_batch && !db.transaction())
        return fail(db.lastError().text());

    const std::vector<ItemRow> items = itemRows(parsed);
    QVariant current, tb;
    for (const ItemRow &row : items) {
        if (qstrcmp(row.item, "electric") == 0)
            current = row.value;
        else if (qstrcmp(row.item, "tb") == 0)
            tb = row.value;
    }
    // The file's text as the station wrote it (Latin-1). SQLite takes it as
    // UTF-8 bytes, which for the usual all-ASCII file are the file's own.
    QVariant text;
    if (m_sqlite) {
        const bool ascii = std::all_of(content.begin(), content.end(), [](char c) { return uchar(c) < 0x80; });
        text = ascii ? content : QString::fromLatin1(content).toUtf8();
    } else {
        text = QString::fromLatin1(content);
    }
    const QVariant ownPanel(context.barcode.isEmpty() ? 1 : 0);
    QSqlQuery &run = s.run;
    for (const QVariant &v :
         {textValue(context.runId), textValue(context.station), textValue(context.startMode), textValue(context.lot),
          textValue(context.worker), textValue(context.barcode), textValue(context.profile),
          QVariant(msSinceEpoch(context.startedAt)), QVariant(msSinceEpoch(context.endedAt)),
          textValue(context.verdict), textValue(QFileInfo(context.path).fileName()), textValue(context.path),
          QVariant(QString::fromLatin1(sha1)), text, current, tb, QVariant(QDateTime::currentMSecsSinceEpoch()),
          ownPanel, ownPanel, lineLevel(parsed, parsed.openShort.x), lineLevel(parsed, parsed.openShort.y)})
        run.addBindValue(v);
    if (!run.exec())
        return fail(lastError(run));
    if (run.numRowsAffected() == 0) {
        // Nothing was written; a batch goes on.
        if (!m_batch)
            db.rollback();
        return Recorded::Known;
    }

    QSqlQuery &item = s.item;
    for (const ItemRow &row : items) {
        item.addBindValue(context.runId);
        item.addBindValue(QString::fromLatin1(row.item));
        item.addBindValue(row.pass);
        item.addBindValue(row.value);
        item.addBindValue(textValue(row.text));
        if (!item.exec())
            return fail(lastError(item));
    }
    // What the run says of the items its file cannot show; the file's own row wins.
    for (auto e = context.items.begin(); e != context.items.end(); ++e) {
        const QByteArray name = e->item.toLatin1();
        if (std::any_of(items.begin(), items.end(), [&name](const ItemRow &row) { return name == row.item; })
            || std::any_of(context.items.begin(), e, [e](const ItemEvidence &o) { return o.item == e->item; }))
            continue;
        item.addBindValue(context.runId);
        item.addBindValue(textValue(e->item));
        item.addBindValue(flag(e->pass));
        item.addBindValue(e->value.isValid() ? QVariant(e->value.toDouble()) : QVariant());
        item.addBindValue(textValue(e->text));
        if (!item.exec())
            return fail(lastError(item));
    }

    QSqlQuery &cell = s.cell;
    for (const auto &[name, block] : {std::pair<const char *, const RasterBlock *>{"X", &parsed.rasterX},
                                      std::pair<const char *, const RasterBlock *>{"Y", &parsed.rasterY}}) {
        for (const FailingCell &c : block->failing) {
            cell.addBindValue(context.runId);
            cell.addBindValue(QString::fromLatin1(name));
            cell.addBindValue(c.row);
            cell.addBindValue(c.column);
            cell.addBindValue(c.value);
            if (!cell.exec())
                return fail(lastError(cell));
        }
    }

    QSqlQuery &electrode = s.electrode;
    const auto addElectrode = [&](const char *kind, char line, int first, const QVariant &second,
                                  const QVariant &value) {
        electrode.addBindValue(context.runId);
        electrode.addBindValue(QString::fromLatin1(kind));
        electrode.addBindValue(QString(QLatin1Char(line)));
        electrode.addBindValue(first);
        electrode.addBindValue(second);
        electrode.addBindValue(value);
        return electrode.exec();
    };
    for (const FailingElectrode &e : parsed.openShort.failing)
        if (!addElectrode("window", e.line, e.index, QVariant(), e.value))
            return fail(lastError(electrode));
    for (const ElectrodePair &p : parsed.openShort.open)
        if (!addElectrode("open", p.line, p.first, p.second, QVariant()))
            return fail(lastError(electrode));
    for (const ElectrodePair &p : parsed.openShort.shorts)
        if (!addElectrode("short", p.line, p.first, p.second, QVariant()))
            return fail(lastError(electrode));

    if (queueForLine) {
        QSqlQuery &outbox = s.outbox;
        outbox.addBindValue(context.runId);
        outbox.addBindValue(QDateTime::currentMSecsSinceEpoch());
        if (!outbox.exec())
            return fail(lastError(outbox));
    }
    // Last: the line's server takes the same order (see the uploader).
    if (!flagPanel(s.panel, s.yield, context.barcode, context.runId))
        return fail(s.panel.lastError().isValid() ? lastError(s.panel) : lastError(s.yield));
    if (!m_batch && !db.commit())
        return fail(db.lastError().text());
    return Recorded::Added;
}

bool ResultStore::beginBatch(QString *error)
{
    if (m_batch)
        return true;
    QSqlDatabase db = database();
    if (!db.transaction()) {
        if (error)
            *error = db.isOpen() ? db.lastError().text() : QStringLiteral("the store is not open");
        return false;
    }
    m_batch = true;
    return true;
}

bool ResultStore::commitBatch(QString *error)
{
    if (!m_batch)
        return true;
    m_batch = false;
    QSqlDatabase db = database();
    if (db.commit())
        return true;
    if (error)
        *error = db.lastError().text();
    db.rollback();
    return false;
}

void ResultStore::rollbackBatch()
{
    if (!m_batch)
        return;
    m_batch = false;
    database().rollback();
}

bool ResultStore::contains(const QString &fileName, const QByteArray &content) const
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT 1 FROM runs WHERE file_name = ? AND content_sha1 = ?"));
    q.addBindValue(fileName);
    q.addBindValue(QString::fromLatin1(contentHash(content)));
    return q.exec() && q.next();
}

} // namespace results
