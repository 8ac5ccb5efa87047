#include "values.h"

#include <QList>

#include <climits>

namespace profile {

int toInt(const QByteArray &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'
                     || text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            return 0;
    }
    const long long v = negative ? -magnitude : magnitude;
    if (v > INT_MAX || v < INT_MIN)
        return 0;
    return static_cast<int>(v);
}

int toInt(const QString &text)
{
    return toInt(text.toLocal8Bit());
}

bool isOn(const QByteArray &text)
{
    return text == "1";
}

float toDecimal(const QByteArray &text)
{
    return QString::fromLocal8Bit(text).toFloat();
}

std::optional<std::array<std::vector<int>, 4>> rowSetParts(const QByteArray &rowSetData)
{
    const QList<QByteArray> parts = rowSetData.split('/');
    if (parts.size() != 4)
        return std::nullopt;
    std::array<std::vector<int>, 4> fields;
    for (std::size_t p = 0; p < fields.size(); ++p) {
        for (const QByteArray &field : parts.at(qsizetype(p)).split(','))
            fields[p].push_back(field.toInt(nullptr, 10));
    }
    return fields;
}

} // namespace profile
