#include "logresult.h"

#include <limits>

namespace {

class Lines
{
public:
    explicit Lines(const QByteArray &content) : m_lines(content.split('\n'))
    {
        // The final line end closes the last line; it does not open another.
        if (content.endsWith('\n'))
            m_lines.removeLast();
    }

    bool next(QByteArray &line)
    {
        if (m_at >= m_lines.size())
            return false;
        line = m_lines.at(m_at++);
        if (line.endsWith('\r'))
            line.chop(1);
        return true;
    }

    // Reads on until a line holds the marker.
    bool seek(const char *marker)
    {
        QByteArray line;
        while (next(line))
            if (line.contains(marker))
                return true;
        return false;
    }

private:
    QList<QByteArray> m_lines;
    qsizetype m_at = 0;
};

int countAfter(qsizetype length)
{
    return length >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                       : int(length) + 1;
}

} // namespace

QList<int> resultFields(const QByteArray &line)
{
    QList<int> values;
    for (const QByteArray &field : line.split(',')) {
        if (field.isEmpty())
            continue;
        bool ok = false;
        const int v = field.toInt(&ok, 10);
        values.push_back(ok ? v : 0);
    }
    return values;
}

bool readResultText(const QByteArray &content, LogData &data)
{
    Lines lines(content);
    QByteArray line;

    if (!lines.seek("OpenShort"))
        return false;
    data.xLine = lines.next(line) ? resultFields(line.mid(2)) : QList<int>();
    data.yLine = lines.next(line) ? resultFields(line.mid(2)) : QList<int>();
    data.xn = countAfter(data.xLine.size());
    data.yn = countAfter(data.yLine.size());

    data.rasterRows.clear();
    for (const char *section : {"RasterX", "RasterY"}) {
        if (!lines.seek(section))
            return false;
        for (qsizetype j = 0; j <= qsizetype(data.yn) && lines.next(line); ++j)
            data.rasterRows.push_back(resultFields(line));
    }

    QByteArray buttons;
    for (;;) {
        if (!lines.next(buttons))
            return false;
        if (buttons.contains("BtnData"))
            break;
    }
    const QList<int> fields = resultFields(buttons);
    data.buttons = fields.mid(1);
    return true;
}
