#include "csv.h"

#include <QRegularExpression>

#include <algorithm>

namespace results {

namespace {

bool formulaStart(const QString &text)
{
    if (text.isEmpty())
        return false;
    switch (text.front().unicode()) {
    case '=': case '+': case '-': case '@': case '\t': case '\r': break;
    default: return false;
    }
    // A signed number (a negative reading) is a number to every spreadsheet.
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    return !number.match(text).hasMatch();
}

} // namespace

QString csvField(const QString &text)
{
    const QString field = formulaStart(text) ? QLatin1Char('\'') + text : text;
    static const QString special = QStringLiteral(",;\"\r\n");
    if (std::none_of(field.begin(), field.end(), [](QChar c) { return special.contains(c); }))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvLine(const QStringList &fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        line += csvField(fields.at(i));
    }
    return line + QLatin1Char('\n');
}

} // namespace results
