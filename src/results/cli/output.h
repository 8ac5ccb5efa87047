#ifndef OUTPUT_H
#define OUTPUT_H

#include "invocation.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <variant>
#include <vector>

// What the tool writes: results on stdout, messages on stderr, both UTF-8 so
// that operator input comes out as it was typed.
namespace results::cli {

void out(const QString &text);
// Bytes as they are (a stored text printed whole).
void outBytes(const QByteArray &bytes);
void err(const QString &text);
// Flushes stdout; false when it could not be written (a closed pipe, a full disk).
bool flushOut();

// A time the store keeps (ms since the epoch, 0 for unknown) in local ISO 8601;
// withOffset adds the UTC offset, for readers on other machines.
QString isoTime(qint64 ms, bool withOffset);

// A JSON string (RFC 8259): quotes, backslashes and control characters
// escaped, everything else as it is (UTF-8 on the way out); a lone half of a
// surrogate pair, which UTF-8 cannot hold, becomes U+FFFD.
QString jsonString(const QString &text);

// Rows of a table in one of the formats. Values are text, numbers (written as
// they are given in Number), lists of text, or null. Text is aligned, so it
// is held until finish(); CSV and JSON Lines are written row by row.
class Table
{
public:
    struct Number
    {
        QString text;
    };
    using Value = std::variant<std::monostate, QString, Number, QStringList>;

    Table(Format format, QStringList columns);
    void row(std::vector<Value> values);
    void finish();

private:
    Format m_format;
    QStringList m_columns;
    std::vector<QStringList> m_held;
};

} // namespace results::cli

#endif
