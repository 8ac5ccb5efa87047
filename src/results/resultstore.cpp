#include "resultstore.h"

#include "conditions.h"
#include "lineserver.h"
#include "measurements.h"
#include "textcodec.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <numeric>

#include <openssl/evp.h>

namespace results {

namespace {

QString lastError(const QSqlQuery &q)
{
    return q.lastError().text();
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

// A text of the file, as both engines can keep it.
QString text(const std::string &s)
{
    return storableText(QString::fromLatin1(s.data(), qsizetype(s.size())));
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

// A row of table, its values set by column name, in the columns the
// station's store has.
QVariantList rowOf(const schema::Table &table, std::initializer_list<std::pair<const char *, QVariant>> values)
{
    QVariantList r(qsizetype(table.columnsIn(schema::Engine::Station).size()));
    for (const auto &[column, value] : values) {
        const int at = table.indexOf(column, schema::Engine::Station);
        Q_ASSERT_X(at >= 0, "rowOf", column);
        if (at >= 0)
            r[at] = value;
    }
    return r;
}

// A text the run hands over, null where it handed none.
QByteArray givenText(const QByteArray &text)
{
    return text.isEmpty() ? QByteArray() : text;
}

// The text's row among the run's (once), and its hash for the run's column;
// NULL for a null text.
QVariant conditionText(RunRows &rows, const char *kind, const QByteArray &text)
{
    if (text.isNull())
        return QVariant();
    const QString sha1 = QString::fromLatin1(contentHash(text));
    const schema::Table &texts = schema::table("texts");
    const int at = texts.indexOf("sha1", schema::Engine::Station);
    for (const QVariantList &row : rows.texts) {
        if (row.at(at).toString() == sha1)
            return sha1;
    }
    rows.texts.push_back(rowOf(texts, {{"sha1", sha1}, {"kind", QString::fromLatin1(kind)}, {"content", text}}));
    return sha1;
}

QVariantList versionRow(const QString &profile, const QVariant &sha1, const QDateTime &at, const QString &station)
{
    return rowOf(schema::table("profile_versions"), {{"profile", textValue(profile)},
                                                     {"profile_sha1", sha1},
                                                     {"first_at", msSinceEpoch(at)},
                                                     {"station", textValue(station)}});
}

} // namespace

QVariant openShortLevel(const ResultRecord &r, const ValueLine &line)
{
    if (!r.openShort.linesRead || line.values.empty())
        return QVariant();
    return std::accumulate(line.values.begin(), line.values.end(), 0.0) / double(line.values.size());
}

QByteArray contentHash(const QByteArray &content)
{
    // OpenSSL's SHA-1 takes the processor's SHA instructions where there are
    // any: about a third of Qt's own time on a result file, which every
    // recording and import hashes.
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(content.constData(), std::size_t(content.size()), digest, &size, EVP_sha1(), nullptr) != 1)
        return QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex();
    return QByteArray(reinterpret_cast<const char *>(digest), qsizetype(size)).toHex();
}

bool filedBytes(const QString &path, const QByteArray &sha1, QByteArray &bytes)
{
    std::string buffer;
    if (path.isEmpty() || !readFileBytes(QFile::encodeName(path).toStdString(), buffer))
        return false;
    QByteArray file(buffer.data(), qsizetype(buffer.size()));
    if (contentHash(file) != sha1)
        return false;
    bytes = file;
    return true;
}

RunRows runRows(const RunContext &context, const QByteArray &content, const QByteArray &sha1,
                const ResultRecord &parsed)
{
    const bool filed = !context.path.isEmpty();
    const QString fileName = filed ? QFileInfo(context.path).fileName() : QString();
    const QString runId = filed && !context.keepRunId ? fileRunId(context.station, fileName, sha1)
                          : context.runId.isEmpty()     ? newRunId()
                                                        : context.runId;
    const std::vector<const schema::Table *> tables = schema::runTables();
    RunRows rows;
    rows.tables.resize(tables.size());

    // A row of table, its values set by column name.
    const auto row = [&](std::size_t table, std::initializer_list<std::pair<const char *, QVariant>> values) {
        rows.tables[table].push_back(rowOf(*tables[table], values));
    };

    std::vector<ItemRow> items = parsed.anyBlock() ? itemRows(parsed) : std::vector<ItemRow>();
    QVariant current, tb;
    for (const ItemRow &item : items) {
        if (qstrcmp(item.item, "electric") == 0)
            current = item.value;
        else if (qstrcmp(item.item, "tb") == 0)
            tb = item.value;
    }
    const QVariant ownPanel(context.barcode.isEmpty() ? 1 : 0);
    const bool read = parsed.anyBlock();
    // An empty text is a condition not known (or, for the baseline and the
    // firmware, none used): NULL, never the hash of nothing.
    const QVariant profileSha1 =
        conditionText(rows, conditions::ProfileKind,
                      context.profileText.isEmpty() ? QByteArray() : conditions::storedProfileText(context.profileText));
    row(0, {{"run_id", runId},
            {"station", textValue(context.station)},
            {"start_mode", textValue(context.startMode)},
            {"lot", textValue(context.lot)},
            {"worker", textValue(context.worker)},
            {"barcode", textValue(context.barcode)},
            {"profile", textValue(context.profile)},
            {"started_at", msSinceEpoch(context.startedAt)},
            {"ended_at", msSinceEpoch(context.endedAt)},
            {"verdict", textValue(context.verdict)},
            {"file_name", textValue(fileName)},
            {"file_path", textValue(context.path)},
            {"content_sha1", filed ? QString::fromLatin1(sha1) : QStringLiteral("")},
            {"content", filed ? content : QByteArray("")},
            {"current_ma", current},
            {"tb_mean", tb},
            {"recorded_at", QDateTime::currentMSecsSinceEpoch()},
            {"panel_first", ownPanel},
            {"panel_last", ownPanel},
            {"open_short_x", read ? openShortLevel(parsed, parsed.openShort.x) : QVariant()},
            {"open_short_y", read ? openShortLevel(parsed, parsed.openShort.y) : QVariant()},
            {"profile_sha1", profileSha1},
            {"baseline_sha1", conditionText(rows, conditions::BaselineKind, givenText(context.baselineText))},
            {"firmware_sha1", conditionText(rows, conditions::FirmwareKind, givenText(context.firmwareText))},
            {"software_version",
             context.softwareVersion.isEmpty() ? QVariant() : QVariant(context.softwareVersion)}});
    if (!profileSha1.isNull())
        rows.profileVersions.push_back(versionRow(context.profile, profileSha1, context.startedAt, context.station));

    for (const ItemRow &item : items)
        row(1, {{"run_id", runId}, {"item", QString::fromLatin1(item.item)}, {"pass", item.pass}, {"value", item.value},
                {"text", textValue(item.text)}});
    // What the run hands over beside the file, where the file does not say it;
    // an item handed twice is taken once (the first).
    for (auto e = context.items.begin(); e != context.items.end(); ++e) {
        const ItemEvidence &evidence = *e;
        if (std::any_of(items.begin(), items.end(),
                        [&](const ItemRow &item) { return evidence.item == QLatin1String(item.item); })
            || std::any_of(context.items.begin(), e, [&](const ItemEvidence &o) { return o.item == evidence.item; }))
            continue;
        row(1, {{"run_id", runId}, {"item", textValue(evidence.item)}, {"pass", flag(evidence.pass)},
                {"value", evidence.value}, {"text", textValue(storableText(evidence.text))}});
    }
    if (!read)
        return rows;

    for (const auto &[name, block] : {std::pair<const char *, const RasterBlock *>{"X", &parsed.rasterX},
                                      std::pair<const char *, const RasterBlock *>{"Y", &parsed.rasterY}}) {
        for (const FailingCell &c : block->failing)
            row(2, {{"run_id", runId}, {"raster", QString::fromLatin1(name)}, {"row_index", c.row},
                    {"column_index", c.column}, {"value", c.value}});
    }
    const auto electrode = [&](const char *kind, char line, int first, const QVariant &second, const QVariant &value) {
        row(3, {{"run_id", runId}, {"kind", QString::fromLatin1(kind)}, {"line", QString(QLatin1Char(line))},
                {"first_index", first}, {"second_index", second}, {"value", value}});
    };
    for (const FailingElectrode &e : parsed.openShort.failing)
        electrode("window", e.line, e.index, QVariant(), e.value);
    for (const ElectrodePair &p : parsed.openShort.open)
        electrode("open", p.line, p.first, p.second, QVariant());
    for (const ElectrodePair &p : parsed.openShort.shorts)
        electrode("short", p.line, p.first, p.second, QVariant());
    // Packed by record() on the station, a row each on the line's server.
    rows.measured = measurements(parsed, context.profileText);
    return rows;
}

QString neighbourSql(bool next, const QString &into)
{
    return QStringLiteral("SELECT p.run_id, p.started_at%1 FROM runs p WHERE p.station = ? AND p.profile = ?"
                          " AND (p.started_at %2 ? OR (p.started_at = ? AND p.run_id %2 ?))"
                          " AND EXISTS (SELECT 1 FROM measurements pm WHERE pm.run_id = p.run_id)"
                          " ORDER BY p.started_at %3, p.run_id %3 LIMIT 1")
        .arg(into.isEmpty() ? QString() : QStringLiteral(" INTO ") + into, next ? QStringLiteral(">") : QStringLiteral("<"),
             next ? QStringLiteral("ASC") : QStringLiteral("DESC"));
}

QString chainSql()
{
    // A moving range only between values judged alike: the same limits (or
    // both not known).
    return QStringLiteral(
        "UPDATE measurements SET previous_run = ?, previous_at = ?,"
        " moving_range = (SELECT ABS(measurements.value - p.value) FROM measurements p"
        // The previous run's start as well: the table's own order leads with
        // item and start, so the value is found at once, not searched for
        // among every run's values of the item.
        " WHERE p.run_id = ? AND p.started_at = ? AND p.item = measurements.item AND p.name = measurements.name"
        " AND p.limits_known = measurements.limits_known"
        " AND p.lower_limit IS NOT DISTINCT FROM measurements.lower_limit"
        " AND p.upper_limit IS NOT DISTINCT FROM measurements.upper_limit)"
        " WHERE run_id = ?");
}

QString panelFlagsSql(const QString &runs, const QString &target)
{
    return QStringLiteral(
               "UPDATE %2 SET"
               " panel_first = CASE WHEN run_id = (SELECT f.run_id FROM %1 f WHERE f.barcode = ?"
               " ORDER BY f.started_at, f.run_id LIMIT 1) THEN 1 ELSE 0 END,"
               " panel_last = CASE WHEN run_id = (SELECT l.run_id FROM %1 l WHERE l.barcode = ?"
               " ORDER BY l.started_at DESC, l.run_id DESC LIMIT 1) THEN 1 ELSE 0 END"
               " WHERE barcode = ? AND (panel_first = 1 OR panel_last = 1 OR run_id = ?)")
        .arg(runs, target);
}

const QString &panelRunsSql()
{
    static const QString sql =
        QStringLiteral("(SELECT run_id, barcode, started_at, verdict, panel_first, panel_last FROM runs UNION ALL"
                       " SELECT run_id, barcode, started_at, verdict, panel_first, panel_last FROM pruned_runs)");
    return sql;
}

const RecordSql &recordSql()
{
    static const RecordSql sql{
        schema::insertSql(schema::table("runs"), QStringLiteral(" ON CONFLICT DO NOTHING")),
        schema::insertSql(schema::table("items")),
        schema::insertSql(schema::table("failing_cells")),
        schema::insertSql(schema::table("failing_electrodes")),
        schema::insertSql(schema::table("outbox")),
    };
    return sql;
}

// The statements a record makes, prepared once per connection: preparing
// them for every run cost more than running them. One per run table (in
// schema::runTables() order), then the outbox and the panel's flags.
struct ResultStore::Statements
{
    explicit Statements(const QSqlDatabase &db)
        : outbox(db), panel(db), yield(db), cohort(db), line(db), text(db), version(db), limitsFind(db), limitsNext(db),
          limitsPut(db), pruned(db), prunedPanel(db), prunedHusks(db), prunedYield(db), prunedCohort(db), prunedDrop(db),
          tested(db)
    {
        for (std::size_t i = 0; i < schema::runTables().size(); ++i)
            tables.emplace_back(db);
    }

    bool prepare(bool sqlite, QString *error)
    {
        bool ok = true;
        if (sqlite) {
            const RecordSql &sql = recordSql();
            const std::vector<const schema::Table *> runTables = schema::runTables();
            for (std::size_t i = 0; ok && i < tables.size(); ++i)
                ok = tables[i].prepare(i == 0 ? sql.run : schema::insertSql(*runTables[i]));
            ok = ok && outbox.prepare(sql.outbox) && panel.prepare(panelFlagsSql()) && yield.prepare(yieldChangeSql())
                 && cohort.prepare(cohortChangeSql());
            ok = ok && text.prepare(schema::insertSql(schema::table("texts"), QStringLiteral(" ON CONFLICT DO NOTHING")))
                 && version.prepare(conditions::versionUpsertSql());
            ok = ok
                 && limitsFind.prepare(
                     QStringLiteral("SELECT limits FROM measurement_limits WHERE profile_sha1 = ? LIMIT 1"))
                 && limitsNext.prepare(QStringLiteral("SELECT COALESCE(MAX(limits), 0) + 1 FROM measurement_limits"))
                 && limitsPut.prepare(schema::insertSql(schema::table("measurement_limits"),
                                                        QStringLiteral(" ON CONFLICT DO NOTHING")));
            ok = ok && pruned.prepare(QStringLiteral("SELECT 1 FROM pruned_runs WHERE barcode = ? LIMIT 1"))
                 && prunedPanel.prepare(panelFlagsSql(panelRunsSql()))
                 && prunedHusks.prepare(panelFlagsSql(panelRunsSql(), QStringLiteral("pruned_runs")))
                 && prunedYield.prepare(yieldChangeSql(panelRunsSql()))
                 && prunedCohort.prepare(cohortChangeSql(panelRunsSql()))
                 && prunedDrop.prepare(QStringLiteral(
                     "DELETE FROM pruned_runs WHERE barcode = ? AND panel_first = 0 AND panel_last = 0"))
                 && tested.prepare(QStringLiteral("SELECT 1 FROM runs WHERE barcode = ? LIMIT 1"));
        } else {
            ok = line.prepare(lineserver::recordRunSql());
        }
        if (!ok && error) {
            for (const QSqlQuery *q : {&outbox, &panel, &yield, &cohort, &line, &text, &version, &limitsFind, &limitsNext,
                                       &limitsPut, &pruned, &prunedPanel, &prunedHusks, &prunedYield,
                                       &prunedCohort, &prunedDrop, &tested})
                if (q->lastError().isValid())
                    *error = q->lastError().text();
            for (const QSqlQuery &q : tables)
                if (q.lastError().isValid())
                    *error = q.lastError().text();
        }
        return ok;
    }

    // What was judged against: each text once, the profile's version.
    bool writeConditions(const RunRows &rows)
    {
        const schema::Table &texts = schema::table("texts");
        const int content = texts.indexOf("content", schema::Engine::Station);
        for (const QVariantList &row : rows.texts) {
            for (int i = 0; i < row.size(); ++i)
                text.addBindValue(i == content ? conditions::textToStore(row.at(i).toByteArray()) : row.at(i));
            if (!text.exec())
                return false;
        }
        const schema::Table &versions = schema::table("profile_versions");
        for (const QVariantList &row : rows.profileVersions) {
            for (const char *column : {"profile", "profile_sha1", "first_at", "station"})
                version.addBindValue(row.at(versions.indexOf(column, schema::Engine::Station)));
            if (!version.exec())
                return false;
        }
        return true;
    }

    QString conditionsError() const
    {
        return text.lastError().isValid() ? text.lastError().text() : version.lastError().text();
    }

    // The run's measurements, a row per item, with the number of its profile
    // version's limits.
    bool writeMeasurements(const RunRows &rows, QSqlQuery &insert, QString &why)
    {
        const std::vector<Measurement> &m = rows.measured;
        if (m.empty())
            return true;
        QVariant set;
        const QVariant sha1 = rows.value("profile_sha1");
        if (!sha1.isNull() && !limitSet(sha1.toString(), m, set, why))
            return false;
        const schema::Table &table = schema::table("measurements");
        const QVariant runId = rows.runId(), station = rows.value("station"), profile = rows.value("profile"),
                       started = rows.value("started_at");
        for (std::size_t from = 0; from < m.size();) {
            std::size_t to = from + 1;
            while (to < m.size() && m[to].item == m[from].item)
                ++to;
            const QByteArray packed = packMeasurements(m.data() + from, m.data() + to);
            if (packed.isNull()) {
                why = QStringLiteral("a measurement of %1 the store has no name for").arg(QLatin1String(m[from].item));
                return false;
            }
            for (const QVariant &v : rowOf(table, {{"run_id", runId},
                                                   {"item", QString::fromLatin1(m[from].item)},
                                                   {"station", station},
                                                   {"profile", profile},
                                                   {"started_at", started},
                                                   {"limits", set},
                                                   {"packed", packed}}))
                insert.addBindValue(v);
            if (!insert.exec()) {
                why = insert.lastError().text();
                return false;
            }
            from = to;
        }
        return true;
    }

    // The number of a profile version's limits, those of the run's
    // measurements written where the store does not hold them yet. Known
    // ones are remembered for the connection (forgetLimits() when a write is
    // rolled back): a recorder writes run after run under one version.
    bool limitSet(const QString &sha1, const std::vector<Measurement> &measured, QVariant &set, QString &why)
    {
        const auto failed = [&why](const QSqlQuery &q) {
            why = q.lastError().text();
            return false;
        };
        auto known = limitIds.constFind(sha1);
        if (known == limitIds.constEnd()) {
            limitsFind.addBindValue(sha1);
            if (!limitsFind.exec())
                return failed(limitsFind);
            QSqlQuery &source = limitsFind.next() ? limitsFind : limitsNext;
            if (&source == &limitsNext && !(limitsNext.exec() && limitsNext.next()))
                return failed(limitsNext);
            known = limitIds.insert(sha1, source.value(0).toLongLong());
            limitsFind.finish();
            limitsNext.finish();
        }
        set = *known;
        // The names the run has, by item: another run of the version may
        // have more of them (a longer line) or others (a raster's middle).
        QString names = sha1;
        for (const Measurement &m : measured)
            names += QLatin1Char(' ') + QLatin1String(m.item) + QLatin1Char('/') + m.name();
        if (limitsWritten.contains(names))
            return true;
        const auto limit = [](const std::optional<double> &l) { return l ? QVariant(*l) : QVariant(); };
        const schema::Table &table = schema::table("measurement_limits");
        for (const Measurement &m : measured) {
            for (const QVariant &v : rowOf(table, {{"profile_sha1", sha1},
                                                   {"item", QString::fromLatin1(m.item)},
                                                   {"name", m.name()},
                                                   {"limits", set},
                                                   {"lower_limit", limit(m.lower)},
                                                   {"upper_limit", limit(m.upper)},
                                                   {"limits_known", flag(m.limitsKnown)}}))
                limitsPut.addBindValue(v);
            if (!limitsPut.exec())
                return failed(limitsPut);
        }
        limitsWritten.insert(names);
        return true;
    }

    void forgetLimits()
    {
        limitIds.clear();
        limitsWritten.clear();
    }

    // Whether the station pruned a run of the barcode (retention.h), and the
    // flags and yield of such a panel.
    bool prunedRuns(const QString &barcode, bool &found) { return exists(pruned, barcode, found); }
    // Whether the store holds a run of the barcode.
    bool testedBefore(const QString &barcode, bool &found) { return exists(tested, barcode, found); }

    static bool exists(QSqlQuery &q, const QString &barcode, bool &found)
    {
        q.addBindValue(barcode);
        if (!q.exec())
            return false;
        found = q.next();
        q.finish();
        return true;
    }

    std::vector<QSqlQuery> tables;
    QSqlQuery outbox, panel, yield, cohort, line, text, version;
    QSqlQuery limitsFind, limitsNext, limitsPut; // the limits of a profile's version
    QHash<QString, qint64> limitIds;
    QSet<QString> limitsWritten;
    QSqlQuery pruned, prunedPanel, prunedHusks, prunedYield, prunedCohort, prunedDrop, tested;
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
        // The store holds operator input and every run: its owner's alone.
        // SQLite gives its -wal and -shm files the main file's permissions.
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        if (!QFileInfo::exists(path)) {
            QFile create(path);
            if (create.open(QIODevice::WriteOnly))
                create.setPermissions(ownerOnly);
        } else {
            // Only the owner's bits are kept: the "user" flags Qt reports are
            // the caller's access (root's is every right), not the file's mode.
            const QFileDevice::Permissions owner =
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
            for (const QString &file : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")}) {
                const QFileDevice::Permissions now = QFile::permissions(file);
                if (QFileInfo::exists(file) && (now & ~owner & ~(QFileDevice::ReadUser | QFileDevice::WriteUser
                                                                 | QFileDevice::ExeUser)))
                    QFile::setPermissions(file, now & owner);
            }
        }
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
    return m_sqlite ? schema::prepare(db, error) : schema::checkServer(db, error);
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
    if (context.path.isEmpty()) {
        m_parsed = ResultRecord();
        return record(context, QByteArray(), QByteArray(), m_parsed, error, queueForLine);
    }
    if (!readFileBytes(QFile::encodeName(context.path).toStdString(), m_buffer))
        return Recorded::Unreadable;
    const QByteArray content(m_buffer.data(), qsizetype(m_buffer.size()));
    readResult(m_buffer, m_parsed);
    return record(context, content, m_parsed, error, queueForLine);
}

QString yieldChangeSql(const QString &runs)
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
        " FROM %1 WHERE ((barcode = ? AND barcode <> '') OR run_id = ?) AND run_id <> ?"
        " AND (panel_first = 1 OR panel_last = 1 OR run_id = ?)"
        " GROUP BY started_at / 900000"
        " ON CONFLICT (quarter) DO UPDATE SET runs = yield_quarters.runs + excluded.runs,"
        " panels = yield_quarters.panels + excluded.panels,"
        " first_passed = yield_quarters.first_passed + excluded.first_passed,"
        " last_panels = yield_quarters.last_panels + excluded.last_panels,"
        " last_passed = yield_quarters.last_passed + excluded.last_passed").arg(runs);
}

QString cohortChangeSql(const QString &runs)
{
    // The panel's runs (the barcode's, or the one run given, less the one
    // kept out) as one panel, added to the quarter of its first run times a
    // sign: whether its latest run passed, whether it failed at first and
    // passed later, whether it never passed, and its runs after the first.
    return QStringLiteral(
        "INSERT INTO yield_quarters (quarter, runs, panels, first_passed, last_panels, last_passed, final_passed,"
        " passed_after_retest, never_passed, retests)"
        " SELECT p.q, 0, 0, 0, 0, 0, p.lp * CAST(? AS BIGINT),"
        " CASE WHEN p.fp = 0 AND p.passes > 0 THEN 1 ELSE 0 END * CAST(? AS BIGINT),"
        " CASE WHEN p.passes = 0 THEN 1 ELSE 0 END * CAST(? AS BIGINT), (p.n - 1) * CAST(? AS BIGINT)"
        " FROM (SELECT MIN(CASE WHEN panel_first = 1 THEN started_at / 900000 END) AS q,"
        " MAX(CASE WHEN panel_first = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END) AS fp,"
        " MAX(CASE WHEN panel_last = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END) AS lp,"
        " SUM(CASE WHEN verdict = 'PASS' THEN 1 ELSE 0 END) AS passes, COUNT(*) AS n"
        " FROM %1 WHERE ((barcode = ? AND barcode <> '') OR run_id = ?) AND run_id <> ?) p"
        " WHERE p.n > 0"
        " ON CONFLICT (quarter) DO UPDATE SET final_passed = yield_quarters.final_passed + excluded.final_passed,"
        " passed_after_retest = yield_quarters.passed_after_retest + excluded.passed_after_retest,"
        " never_passed = yield_quarters.never_passed + excluded.never_passed,"
        " retests = yield_quarters.retests + excluded.retests")
        .arg(runs);
}

namespace {

bool changeCohort(QSqlQuery &cohort, const QString &barcode, const QString &runId, bool add)
{
    const QString none = QStringLiteral("");
    const qint64 sign = add ? 1 : -1;
    for (const QVariant &v : {QVariant(sign), QVariant(sign), QVariant(sign), QVariant(sign),
                              QVariant(barcode.isNull() ? none : barcode), QVariant(add ? runId : none),
                              QVariant(add ? none : runId)})
        cohort.addBindValue(v);
    return cohort.exec();
}

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

bool flagPanel(QSqlQuery &flags, QSqlQuery &yield, QSqlQuery &cohort, const QString &barcode, const QString &runId)
{
    // The barcode's first and last run as they were leave the yield, the
    // flags move, and the runs flagged now (with the new run) come back in.
    // A run without a barcode is a panel of its own, flagged when inserted.
    if (!barcode.isEmpty()) {
        if (!changeYield(yield, barcode, runId, false) || !changeCohort(cohort, barcode, runId, false))
            return false;
        flags.addBindValue(barcode);
        flags.addBindValue(barcode);
        flags.addBindValue(barcode);
        flags.addBindValue(runId);
        if (!flags.exec())
            return false;
    }
    return changeYield(yield, barcode, runId, true) && changeCohort(cohort, barcode, runId, true);
}

namespace {

// flagPanel() for a panel whose first or latest run the station pruned: the
// same, over its runs and those kept of the pruned (pruned_runs), whose
// flags move too; a pruned run that is neither any more is forgotten.
bool flagPrunedPanel(QSqlQuery &runs, QSqlQuery &husks, QSqlQuery &yield, QSqlQuery &cohort, QSqlQuery &drop,
                     const QString &barcode, const QString &runId, QString &why)
{
    const auto failed = [&why](const QSqlQuery &q) {
        why = q.lastError().text();
        return false;
    };
    // What became of the panel is counted over the runs kept and the pruned
    // ones' first and latest: exact where those were all its pruned runs; a
    // pass among pruned runs that were neither is no longer seen.
    if (!changeYield(yield, barcode, runId, false))
        return failed(yield);
    if (!changeCohort(cohort, barcode, runId, false))
        return failed(cohort);
    for (QSqlQuery *flags : {&runs, &husks}) {
        for (const QString &v : {barcode, barcode, barcode, runId})
            flags->addBindValue(v);
        if (!flags->exec())
            return failed(*flags);
    }
    if (!changeYield(yield, barcode, runId, true))
        return failed(yield);
    if (!changeCohort(cohort, barcode, runId, true))
        return failed(cohort);
    drop.addBindValue(barcode);
    return drop.exec() || failed(drop);
}

} // namespace

Recorded ResultStore::record(const RunContext &context, const QByteArray &content, const ResultRecord &parsed,
                             QString *error, bool queueForLine)
{
    return record(context, content, contentHash(content), parsed, error, queueForLine);
}

Recorded ResultStore::record(const RunContext &context, const QByteArray &content, const QByteArray &sha1,
                             const ResultRecord &parsed, QString *error, bool queueForLine)
{
    if (!context.path.isEmpty() && !parsed.anyBlock())
        return Recorded::NotAResult;
    QSqlDatabase db = database();
    const auto fail = [&](const QString &why) {
        if (error)
            *error = m_batch ? why + QStringLiteral(" (the batch was rolled back)") : why;
        db.rollback();
        m_batch = false;
        if (m_statements)
            m_statements->forgetLimits();
        return Recorded::Failed;
    };
    QString why;
    if (!prepared(&why))
        return fail(why);
    Statements &s = *m_statements;
    RunRows rows = runRows(context, content, sha1, parsed);
    const QString runId = rows.runId();

    // The line's server takes a run whole through its own function, which
    // also keeps its flags, its yield and its time of arrival.
    if (!m_sqlite) {
        s.line.addBindValue(linePayload(rows));
        if (!s.line.exec() || !s.line.next())
            return fail(lineserver::reason(s.line.lastError()));
        const bool added = s.line.value(0).toString() == QLatin1String("added");
        s.line.finish();
        return added ? Recorded::Added : Recorded::Known;
    }

    if (!m_batch && !db.transaction())
        return fail(db.lastError().text());
    // A panel's first run (most runs are) is written flagged as its first
    // and latest: flagging it afterwards would write its row and the four
    // indexes that hold the flags once more.
    bool pruned = false, tested = false;
    if (!context.barcode.isEmpty() && !(s.prunedRuns(context.barcode, pruned) && s.testedBefore(context.barcode, tested)))
        return fail(lastError(s.pruned.lastError().isValid() ? s.pruned : s.tested));
    const bool firstRun = !pruned && !tested;
    if (firstRun) {
        const schema::Table &runs = schema::table("runs");
        for (const char *flag : {"panel_first", "panel_last"})
            rows.tables.front().front()[runs.indexOf(flag, schema::Engine::Station)] = 1;
    }
    const std::vector<const schema::Table *> tables = schema::runTables();
    const int contentAt = tables.front()->indexOf("content", schema::Engine::Station);
    for (std::size_t t = 0; t < tables.size(); ++t) {
        QSqlQuery &insert = s.tables[t];
        for (const QVariantList &row : rows.tables[t]) {
            for (int i = 0; i < row.size(); ++i) {
                if (t == 0 && i == contentAt) {
                    const QByteArray bytes = row.at(i).toByteArray();
                    const bool packedHere = m_packed.isNull() || bytes != m_packedFrom;
                    const QByteArray stored = packedHere ? textcodec::pack(bytes) : m_packed;
                    m_packedFrom = m_packed = QByteArray();
                    if (stored.isNull())
                        return fail(QStringLiteral("the file's text could not be compressed"));
                    insert.addBindValue(stored);
                } else {
                    insert.addBindValue(row.at(i));
                }
            }
            if (!insert.exec())
                return fail(lastError(insert));
            if (t == 0 && insert.numRowsAffected() == 0) {
                // Nothing was written; a batch goes on.
                if (!m_batch)
                    db.rollback();
                return Recorded::Known;
            }
        }
    }

    if (!s.writeConditions(rows))
        return fail(s.conditionsError());

    if (queueForLine) {
        QSqlQuery &outbox = s.outbox;
        for (const QVariant &v : {QVariant(runId), QVariant(QDateTime::currentMSecsSinceEpoch()), QVariant(0),
                                  QVariant(QStringLiteral(""))})
            outbox.addBindValue(v);
        if (!outbox.exec())
            return fail(lastError(outbox));
    }
    if (!s.writeMeasurements(rows, s.tables[schema::runTableIndex("measurements")], why))
        return fail(why);
    // Last: the line's server takes the same order (see record_run()).
    if (firstRun) {
        if (!changeYield(s.yield, context.barcode, runId, true) || !changeCohort(s.cohort, context.barcode, runId, true))
            return fail(s.yield.lastError().isValid() ? lastError(s.yield) : lastError(s.cohort));
    } else if (pruned) {
        if (!flagPrunedPanel(s.prunedPanel, s.prunedHusks, s.prunedYield, s.prunedCohort, s.prunedDrop, context.barcode,
                             runId, why))
            return fail(why);
    } else if (!flagPanel(s.panel, s.yield, s.cohort, context.barcode, runId)) {
        for (const QSqlQuery *q : {&s.panel, &s.yield, &s.cohort})
            if (q->lastError().isValid())
                return fail(lastError(*q));
        return fail(QStringLiteral("the panel's flags could not be kept"));
    }
    if (!m_batch && !db.commit())
        return fail(db.lastError().text());
    return Recorded::Added;
}

bool ResultStore::prepared(QString *error)
{
    QSqlDatabase db = database();
    if (!db.isOpen()) {
        if (error)
            *error = QStringLiteral("the store is not open");
        return false;
    }
    if (!m_statements) {
        auto statements = std::make_unique<Statements>(db);
        if (!statements->prepare(m_sqlite, error))
            return false;
        m_statements = std::move(statements);
    }
    return true;
}

bool ResultStore::recordProfileSaved(const QString &profile, const QByteArray &text, const QString &station,
                                     const QDateTime &at, QString *error)
{
    QSqlDatabase db = database();
    const auto fail = [&](const QString &why) {
        if (error)
            *error = m_batch ? why + QStringLiteral(" (the batch was rolled back)") : why;
        db.rollback();
        m_batch = false;
        return false;
    };
    // The server takes what a station writes only with a run.
    if (!m_sqlite)
        return fail(QStringLiteral("the line's server takes a profile only with a run judged under it"));
    if (text.isEmpty())
        return fail(QStringLiteral("the profile's text is empty"));
    QString why;
    if (!prepared(&why))
        return fail(why);
    RunRows rows;
    const QVariant sha1 = conditionText(rows, conditions::ProfileKind, conditions::storedProfileText(text));
    rows.profileVersions.push_back(versionRow(profile, sha1, at, station));
    if (!m_batch && !db.transaction())
        return fail(db.lastError().text());
    if (!m_statements->writeConditions(rows))
        return fail(m_statements->conditionsError());
    if (!m_batch && !db.commit())
        return fail(db.lastError().text());
    return true;
}

void ResultStore::usePacked(const QByteArray &content, const QByteArray &packed)
{
    m_packedFrom = content;
    m_packed = packed;
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
    if (m_statements)
        m_statements->forgetLimits();
    return false;
}

void ResultStore::rollbackBatch()
{
    if (!m_batch)
        return;
    m_batch = false;
    database().rollback();
    if (m_statements)
        m_statements->forgetLimits();
}

} // namespace results
