#include "output.h"

#include "csv.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>

namespace results::cli {

namespace {

void write(std::FILE *to, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

void write(std::FILE *to, const QString &text)
{
    write(to, text.toUtf8());
}

QString plain(const Table::Value &value)
{
    if (const auto *text = std::get_if<QString>(&value))
        return *text;
    if (const auto *number = std::get_if<Table::Number>(&value))
        return number->text;
    if (const auto *list = std::get_if<QStringList>(&value))
        return list->join(QLatin1Char(','));
    return QString();
}

QString json(const Table::Value &value)
{
    if (const auto *text = std::get_if<QString>(&value))
        return jsonString(*text);
    if (const auto *number = std::get_if<Table::Number>(&value))
        return number->text;
    if (const auto *list = std::get_if<QStringList>(&value)) {
        QStringList quoted;
        for (const QString &s : *list)
            quoted << jsonString(s);
        return QLatin1Char('[') + quoted.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    return QStringLiteral("null");
}

} // namespace

void out(const QString &text)
{
    write(stdout, text);
}

void outBytes(const QByteArray &bytes)
{
    write(stdout, bytes);
}

void err(const QString &text)
{
    write(stderr, text);
    std::fflush(stderr);
}

bool flushOut()
{
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

QString isoTime(qint64 ms, bool withOffset)
{
    if (ms == 0)
        return QString();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    if (!withOffset)
        return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QString jsonString(const QString &text)
{
    QString s;
    s.reserve(text.size() + 2);
    s += QLatin1Char('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '"': s += QLatin1String("\\\""); break;
        case '\\': s += QLatin1String("\\\\"); break;
        case '\n': s += QLatin1String("\\n"); break;
        case '\r': s += QLatin1String("\\r"); break;
        case '\t': s += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029) {
                // (The two separators are valid JSON but end a line in JavaScript.)
                s += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                s += c;
                s += text.at(++i);
            } else if (c.isSurrogate()) {
                s += QLatin1String("\\ufffd");
            } else {
                s += c;
            }
        }
    }
    s += QLatin1Char('"');
    return s;
}

Table::Table(Format format, QStringList columns) : m_format(format), m_columns(std::move(columns))
{
    if (m_format == Format::Csv) {
        out(csvLine(m_columns));
    } else if (m_format == Format::Text) {
        m_held.push_back(m_columns);
    }
}

void Table::row(std::vector<Value> values)
{
    QStringList fields;
    switch (m_format) {
    case Format::Text:
        for (const Value &v : values) {
            const QString s = plain(v);
            fields << (s.isEmpty() ? QStringLiteral("-") : s);
        }
        m_held.push_back(fields);
        return;
    case Format::Csv:
        for (const Value &v : values)
            fields << plain(v);
        out(csvLine(fields));
        return;
    case Format::Json:
        for (std::size_t i = 0; i < values.size(); ++i)
            fields << jsonString(m_columns.at(qsizetype(i))) + QLatin1Char(':') + json(values[i]);
        out(QLatin1Char('{') + fields.join(QLatin1Char(',')) + QStringLiteral("}\n"));
        return;
    }
}

void Table::finish()
{
    if (m_format != Format::Text || m_held.size() <= 1)
        return;
    std::vector<qsizetype> width(std::size_t(m_columns.size()), 0);
    for (const QStringList &fields : m_held) {
        for (qsizetype i = 0; i < fields.size(); ++i)
            width[std::size_t(i)] = std::max(width[std::size_t(i)], fields.at(i).size());
    }
    for (const QStringList &fields : m_held) {
        QString line;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i + 1 == fields.size())
                line += fields.at(i);
            else
                line += fields.at(i).leftJustified(width[std::size_t(i)] + 2);
        }
        out(line + QLatin1Char('\n'));
    }
    m_held.clear();
}

} // namespace results::cli
