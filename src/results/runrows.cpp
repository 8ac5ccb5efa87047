#include "runrows.h"

#include "conditions.h"
#include "resultstore.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>
#include <optional>

namespace results {

namespace {

constexpr schema::Engine Station = schema::Engine::Station;

void appendString(QString &out, const QString &text)
{
    out += QLatin1Char('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"' || u == '\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u == 0) {
            out += QChar(0xFFFD);
        } else if (u < 0x20) {
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
}

void appendValue(QString &out, const QVariant &v, bool bytes)
{
    if (v.isNull()) {
        out += QLatin1String("null");
        return;
    }
    if (bytes) {
        out += QLatin1String("\"\\\\x");
        out += QLatin1String(v.toByteArray().toHex());
        out += QLatin1Char('"');
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        out += QString::number(v.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float: {
        // JSON has no infinities; the server's number input takes these names.
        const double d = v.toDouble();
        if (std::isnan(d))
            out += QLatin1String("\"NaN\"");
        else if (std::isinf(d))
            out += d > 0 ? QLatin1String("\"Infinity\"") : QLatin1String("\"-Infinity\"");
        else
            out += QString::number(d, 'g', 17);
        return;
    }
    default:
        appendString(out, v.toString());
    }
}

void appendRow(QString &out, const schema::Table &table, const QVariantList &row, schema::Engine engine = Station)
{
    out += QLatin1Char('{');
    const auto columns = table.columnsIn(engine);
    for (std::size_t i = 0; i < columns.size() && i < std::size_t(row.size()); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        appendString(out, QLatin1String(columns[i]->name));
        out += QLatin1Char(':');
        appendValue(out, row.at(qsizetype(i)), qstrcmp(columns[i]->name, "content") == 0);
    }
    out += QLatin1Char('}');
}

// Each row of sql (its values bound) in the columns of table.
bool readRows(const QSqlDatabase &db, const schema::Table &table, const QString &condition, const QVariantList &bound,
              std::vector<QVariantList> &into, QString *error)
{
    into.clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                  .arg(table.columnNames(Station).join(QStringLiteral(", ")), QLatin1String(table.name), condition));
    for (const QVariant &v : bound)
        q.addBindValue(v);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        into.push_back(std::move(row));
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return true;
}

// The texts the run names and its profile's version.
bool readConditionRows(const QSqlDatabase &db, RunRows &rows, QString *error)
{
    QVariantList named;
    for (const char *column : {"profile_sha1", "baseline_sha1", "firmware_sha1"}) {
        const QVariant sha1 = rows.value(column);
        if (!sha1.isNull() && !named.contains(sha1))
            named << sha1;
    }
    rows.texts.clear();
    rows.profileVersions.clear();
    if (named.isEmpty())
        return true;
    QStringList marks(named.size(), QStringLiteral("?"));
    if (!readRows(db, schema::table("texts"), QStringLiteral("sha1 IN (%1)").arg(marks.join(QStringLiteral(", "))),
                  named, rows.texts, error))
        return false;
    // The rows hold a text's own bytes, whatever form the store keeps it in.
    const int content = schema::table("texts").indexOf("content", Station);
    for (QVariantList &text : rows.texts)
        text[content] = conditions::textFromStore(text.at(content));
    return (rows.value("profile_sha1").isNull()
               || readRows(db, schema::table("profile_versions"), QStringLiteral("profile = ? AND profile_sha1 = ?"),
                           {rows.value("profile"), rows.value("profile_sha1")}, rows.profileVersions, error));
}

void appendRows(QString &out, const schema::Table &table, const std::vector<QVariantList> &rows,
                schema::Engine engine = Station)
{
    out += QLatin1Char(',');
    appendString(out, QLatin1String(table.name));
    out += QStringLiteral(":[");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r > 0)
            out += QLatin1Char(',');
        appendRow(out, table, rows[r], engine);
    }
    out += QLatin1Char(']');
}

// The run's measurements as the line's server keeps them, a row each (its
// chain is the server's own).
std::vector<QVariantList> serverMeasurements(const RunRows &rows)
{
    const schema::Table &table = schema::table("measurements");
    const auto columns = table.columnsIn(schema::Engine::Server);
    const auto limit = [](const std::optional<double> &l) { return l ? QVariant(*l) : QVariant(); };
    std::vector<QVariantList> out;
    for (const Measurement &m : rows.measured) {
        QVariantList row;
        for (const schema::Column *c : columns) {
            const QByteArray name(c->name);
            row << (name == "item"           ? QVariant(QString::fromLatin1(m.item))
                    : name == "name"         ? QVariant(m.name())
                    : name == "value"        ? QVariant(m.value)
                    : name == "lower_limit"  ? limit(m.lower)
                    : name == "upper_limit"  ? limit(m.upper)
                    : name == "limits_known" ? QVariant(m.limitsKnown ? 1 : 0)
                    : name == "previous_run" || name == "previous_at" || name == "moving_range" ? QVariant()
                                                                                                  : rows.value(c->name));
        }
        out.push_back(std::move(row));
    }
    return out;
}

// The measurements of a run from the rows the station packs them in, with
// the limits of its profile's version.
bool readMeasured(const QSqlDatabase &db, std::vector<QVariantList> &packed, const QVariant &profileSha1,
                  std::vector<Measurement> &measured, QString *error)
{
    measured.clear();
    const schema::Table &table = schema::table("measurements");
    const int itemAt = table.indexOf("item", Station), setAt = table.indexOf("limits", Station),
              packedAt = table.indexOf("packed", Station);
    struct Limits
    {
        std::optional<double> lower, upper;
        bool known = false;
    };
    QHash<QString, Limits> limits; // by item and name
    std::vector<PackedValue> values;
    for (const QVariantList &row : packed) {
        const QVariant set = row.at(setAt);
        if (!set.isNull() && limits.isEmpty()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT item, name, lower_limit, upper_limit, limits_known FROM measurement_limits"
                                     " WHERE profile_sha1 = ? AND limits = ?"));
            q.addBindValue(profileSha1);
            q.addBindValue(set);
            if (!q.exec()) {
                if (error)
                    *error = q.lastError().text();
                return false;
            }
            while (q.next()) {
                const auto side = [&q](int at) {
                    return q.value(at).isNull() ? std::nullopt : std::optional<double>(q.value(at).toDouble());
                };
                limits.insert(q.value(0).toString() + QLatin1Char('/') + q.value(1).toString(),
                              {side(2), side(3), q.value(4).toInt() != 0});
            }
        }
        const QString itemName = row.at(itemAt).toString();
        const char *item = measuredItem(itemName);
        const QByteArray bytes = row.at(packedAt).toByteArray();
        if (!item || !unpackMeasurements(bytes.constData(), std::size_t(bytes.size()), values)) {
            if (error)
                *error = QStringLiteral("the store's measurements of %1 cannot be read").arg(itemName);
            return false;
        }
        for (const PackedValue &v : values) {
            Measurement m;
            m.item = item;
            m.key = v.key;
            m.value = v.value;
            if (!set.isNull()) {
                const Limits l = limits.value(itemName + QLatin1Char('/') + m.name());
                m.lower = l.lower;
                m.upper = l.upper;
                m.limitsKnown = l.known;
            }
            measured.push_back(std::move(m));
        }
    }
    // In the order a run takes them.
    const auto order = [](const Measurement &m) {
        const auto &items = measuredItems();
        return std::find(items.begin(), items.end(), m.item) - items.begin();
    };
    std::stable_sort(measured.begin(), measured.end(),
                     [&](const Measurement &a, const Measurement &b) { return order(a) < order(b); });
    packed.clear();
    return true;
}

// The run's row with its file's bytes in place of their stored form. A
// stored text that cannot be read is taken from the filed file where that is
// still the one recorded; else why is set.
void unpackContent(QVariantList &run, QString &why)
{
    const schema::Table &runs = schema::table("runs");
    const int at = runs.indexOf("content", Station);
    QByteArray bytes;
    if (schema::fileBytes(run.value(at), Station, bytes, &why)) {
        run[at] = bytes;
        return;
    }
    if (filedBytes(run.value(runs.indexOf("file_path", Station)).toString(),
                   run.value(runs.indexOf("content_sha1", Station)).toString().toLatin1(), bytes)) {
        run[at] = bytes;
        why.clear();
        return;
    }
    run[at] = QByteArray("");
}

} // namespace

QString measurementsOfRun()
{
    QStringList items;
    for (const char *item : measuredItems())
        items << QStringLiteral("'%1'").arg(QLatin1String(item));
    return QStringLiteral("item IN (%1) AND started_at = ? AND run_id = ?").arg(items.join(QStringLiteral(", ")));
}

QVariant RunRows::value(const char *column) const
{
    const int at = schema::table("runs").indexOf(column, Station);
    if (tables.empty() || tables.front().empty() || at < 0)
        return QVariant();
    return tables.front().front().value(at);
}

bool readRunRows(const QSqlDatabase &db, const QString &runId, RunRows &rows, QString *error)
{
    rows.tables.clear();
    rows.textError.clear();
    for (const schema::Table *table : schema::runTables()) {
        std::vector<QVariantList> found;
        const bool measurements = qstrcmp(table->name, "measurements") == 0;
        if (!readRows(db, *table, measurements ? measurementsOfRun() : QStringLiteral("run_id = ?"),
                      measurements ? QVariantList{rows.value("started_at"), runId} : QVariantList{runId}, found, error)) {
            rows.tables.clear();
            return false;
        }
        if (table == schema::runTables().front()) {
            if (found.empty()) {
                rows.tables.clear();
                return true;
            }
            unpackContent(found.front(), rows.textError);
        }
        rows.tables.push_back(std::move(found));
    }
    std::vector<QVariantList> &packed = rows.tables[schema::runTableIndex("measurements")];
    if (!readMeasured(db, packed, rows.value("profile_sha1"), rows.measured, error)) {
        rows.tables.clear();
        return false;
    }
    return readConditionRows(db, rows, error);
}

QString linePayload(const RunRows &rows)
{
    QString out;
    qsizetype texts = 0;
    for (const QVariantList &text : rows.texts)
        texts += 2 * text.value(schema::table("texts").indexOf("content", Station)).toByteArray().size();
    out.reserve(2 * rows.value("content").toByteArray().size() + texts + 4096);
    out += QStringLiteral("{\"schema\":%1").arg(schema::Version);
    const auto tables = schema::runTables();
    for (std::size_t t = 0; t < tables.size() && t < rows.tables.size(); ++t) {
        if (t == 0) {
            out += QLatin1Char(',');
            appendString(out, QLatin1String(tables[t]->name));
            out += QLatin1Char(':');
            appendRow(out, *tables[t], rows.tables[t].front());
            continue;
        }
        if (qstrcmp(tables[t]->name, "measurements") == 0)
            appendRows(out, *tables[t], serverMeasurements(rows), schema::Engine::Server);
        else
            appendRows(out, *tables[t], rows.tables[t]);
    }
    appendRows(out, schema::table("texts"), rows.texts);
    appendRows(out, schema::table("profile_versions"), rows.profileVersions);
    out += QLatin1Char('}');
    return out;
}

QString jsonText(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    appendString(out, text);
    return out;
}

QString storableText(QString text)
{
    text.replace(QChar(0), QChar(0xFFFD));
    return text;
}

} // namespace results
