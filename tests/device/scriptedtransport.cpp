#include "scriptedtransport.h"

#include <QThread>

#include <algorithm>
#include <cstring>

using device::bridge::Report;

ScriptedTransport::ScriptedTransport()
{
    m_clock.start();
}

std::vector<device::HidDeviceInfo> ScriptedTransport::enumerate()
{
    ++enumerateCalls;
    return devices;
}

bool ScriptedTransport::open(std::uint16_t vendorId, std::uint16_t productId)
{
    openCalls.emplace_back(vendorId, productId);
    m_open = openable.count({vendorId, productId}) > 0;
    return m_open;
}

void ScriptedTransport::close()
{
    m_open = false;
}

int ScriptedTransport::write(const std::uint8_t *data, std::size_t length)
{
    Event e{Event::Write};
    std::memcpy(e.bytes.data(), data, std::min(length, e.bytes.size()));
    e.atMs = m_clock.nsecsElapsed() / 1e6;
    e.result = static_cast<int>(length);
    if (!writeResults.empty()) {
        e.result = writeResults.front();
        writeResults.pop_front();
    }
    events.push_back(e);
    ++m_writes;
    if (onWrite)
        onWrite(m_writes, e.bytes);
    return e.result;
}

int ScriptedTransport::read(std::uint8_t *data, std::size_t length, int timeoutMs)
{
    std::optional<Report> answer;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    } else if (!silent) {
        answer = defaultAnswer;
    }
    if (!answer && realTimeouts)
        QThread::msleep(static_cast<unsigned long>(std::max(timeoutMs, 0)));

    Event e{Event::Read};
    e.atMs = m_clock.nsecsElapsed() / 1e6;
    e.timeoutMs = timeoutMs;
    if (answer) {
        e.bytes = *answer;
        std::memcpy(data, answer->data(), std::min(length, answer->size()));
        e.result = static_cast<int>(std::min(length, answer->size()));
    }
    events.push_back(e);
    return e.result;
}

int ScriptedTransport::sendFeatureReport(const std::uint8_t *data, std::size_t length)
{
    featuresSent.emplace_back(reinterpret_cast<const char *>(data), static_cast<int>(length));
    return static_cast<int>(length);
}

int ScriptedTransport::getFeatureReport(std::uint8_t *data, std::size_t length)
{
    if (featureAnswers.empty())
        return -1;
    const QByteArray a = featureAnswers.front();
    featureAnswers.pop_front();
    const std::size_t n = std::min(length, static_cast<std::size_t>(a.size()));
    std::memcpy(data, a.constData(), n);
    return static_cast<int>(n);
}

QStringList ScriptedTransport::wire() const
{
    QStringList lines;
    for (const Event &e : events)
        lines << (e.kind == Event::Write ? QStringLiteral("> ") + hexOf(e.bytes) : QStringLiteral("<"));
    return lines;
}

std::vector<Report> ScriptedTransport::writes() const
{
    std::vector<Report> w;
    for (const Event &e : events) {
        if (e.kind == Event::Write)
            w.push_back(e.bytes);
    }
    return w;
}

int ScriptedTransport::readCount() const
{
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [](const Event &e) { return e.kind == Event::Read; }));
}

Report reportFromHex(const QString &hex)
{
    Report r{};
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    std::memcpy(r.data(), bytes.constData(), std::min(r.size(), static_cast<std::size_t>(bytes.size())));
    return r;
}

Report answerWith(std::initializer_list<std::pair<int, int>> bytes)
{
    Report r{};
    for (const auto &b : bytes)
        r[static_cast<std::size_t>(b.first)] = static_cast<std::uint8_t>(b.second);
    return r;
}

QString hexOf(const Report &report)
{
    std::size_t end = report.size();
    while (end > 2 && report[end - 1] == 0)
        --end;
    QStringList parts;
    for (std::size_t i = 0; i < end; ++i)
        parts << QStringLiteral("%1").arg(report[i], 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

// Checks the recorded wire against a script: "> hex" a request (all 64 bytes),
// "<" an answer read, "~N" at least N ms between the events around it. Returns
// what differs, or nothing.
QString wireMismatch(const ScriptedTransport &board, const QStringList &script)
{
    std::size_t next = 0;
    int minGap = 0;
    for (const QString &step : script) {
        if (step.startsWith('~')) {
            minGap = step.mid(1).toInt();
            continue;
        }
        if (next >= board.events.size())
            return QStringLiteral("wire ends before '%1'").arg(step);
        const ScriptedTransport::Event &e = board.events[next];
        if (step.startsWith('>')) {
            if (e.kind != ScriptedTransport::Event::Write)
                return QStringLiteral("event %1 is a read, expected %2").arg(next).arg(step);
            if (e.bytes != reportFromHex(step.mid(1).trimmed()))
                return QStringLiteral("event %1 is > %2, expected %3").arg(next).arg(hexOf(e.bytes), step);
        } else if (e.kind != ScriptedTransport::Event::Read) {
            return QStringLiteral("event %1 is > %2, expected a read").arg(next).arg(hexOf(e.bytes));
        }
        if (minGap > 0) {
            const double gap = e.atMs - board.events[next - 1].atMs;
            if (gap < minGap)
                return QStringLiteral("only %1 ms before event %2, expected %3").arg(gap).arg(next).arg(minGap);
            minGap = 0;
        }
        ++next;
    }
    if (next != board.events.size())
        return QStringLiteral("%1 more events: %2")
            .arg(board.events.size() - next)
            .arg(board.wire().mid(int(next)).join(QStringLiteral(", ")));
    return QString();
}
