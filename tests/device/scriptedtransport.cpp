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
