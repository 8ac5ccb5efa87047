#include "runrows.h"

#include "resultstore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cmath>

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

void appendRow(QString &out, const schema::Table &table, const QVariantList &row)
{
    out += QLatin1Char('{');
    const auto columns = table.columnsIn(Station);
    for (std::size_t i = 0; i < columns.size() && i < std::size_t(row.size()); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        appendString(out, QLatin1String(columns[i]->name));
        out += QLatin1Char(':');
        appendValue(out, row.at(qsizetype(i)), qstrcmp(columns[i]->name, "content") == 0);
    }
    out += QLatin1Char('}');
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
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE run_id = ?")
                      .arg(table->columnNames(Station).join(QStringLiteral(", ")), QLatin1String(table->name)));
        q.addBindValue(runId);
        if (!q.exec()) {
            if (error)
                *error = q.lastError().text();
            rows.tables.clear();
            return false;
        }
        std::vector<QVariantList> found;
        while (q.next()) {
            const QSqlRecord record = q.record();
            QVariantList row;
            row.reserve(record.count());
            for (int i = 0; i < record.count(); ++i)
                row << record.value(i);
            found.push_back(std::move(row));
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
    return true;
}

QString linePayload(const RunRows &rows)
{
    QString out;
    out.reserve(2 * rows.value("content").toByteArray().size() + 4096);
    out += QStringLiteral("{\"schema\":%1").arg(schema::Version);
    const auto tables = schema::runTables();
    for (std::size_t t = 0; t < tables.size() && t < rows.tables.size(); ++t) {
        out += QLatin1Char(',');
        appendString(out, QLatin1String(tables[t]->name));
        out += QLatin1Char(':');
        if (t == 0) {
            appendRow(out, *tables[t], rows.tables[t].front());
            continue;
        }
        out += QLatin1Char('[');
        for (std::size_t r = 0; r < rows.tables[t].size(); ++r) {
            if (r > 0)
                out += QLatin1Char(',');
            appendRow(out, *tables[t], rows.tables[t][r]);
        }
        out += QLatin1Char(']');
    }
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
