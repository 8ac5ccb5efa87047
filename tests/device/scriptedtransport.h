#ifndef SCRIPTEDTRANSPORT_H
#define SCRIPTEDTRANSPORT_H

#include "bridgereport.h"
#include "transport.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// A board that says what it is told to. Answers are queued by the test; every
// write and read is recorded with the time it happened, so that tests can check
// the wire byte for byte and the waits between requests and answers.
class ScriptedTransport : public device::Transport
{
public:
    struct Event
    {
        enum Kind { Write, Read } kind;
        device::bridge::Report bytes{}; // what was written, or what was answered
        double atMs = 0;                // since the transport was made
        int timeoutMs = 0;              // reads only
        int result = 0;
    };

    ScriptedTransport();

    // What enumerate() lists, and which id pairs open() accepts.
    std::vector<device::HidDeviceInfo> devices;
    std::set<std::pair<std::uint16_t, std::uint16_t>> openable;

    // Queued answers, one per read; std::nullopt is one read that times out.
    // With the queue empty, reads get defaultAnswer, or time out when silent.
    std::deque<std::optional<device::bridge::Report>> answers;
    device::bridge::Report defaultAnswer{};
    bool silent = false;
    // Make silent reads really take their time-out (off: they return at once).
    bool realTimeouts = false;

    // Queued write results; with the queue empty a write succeeds.
    std::deque<int> writeResults;

    // Called on the writing thread for every write (numbered from 1), before
    // it is answered: lets a test act at an exact point of an exchange.
    std::function<void(int number, const device::bridge::Report &request)> onWrite;

    // Feature reports.
    std::vector<QByteArray> featuresSent;
    std::deque<QByteArray> featureAnswers;

    // Recording.
    std::vector<Event> events;
    int enumerateCalls = 0;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> openCalls;

    void setOpen(bool open) { m_open = open; }

    std::vector<device::HidDeviceInfo> enumerate() override;
    bool open(std::uint16_t vendorId, std::uint16_t productId) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    int write(const std::uint8_t *data, std::size_t length) override;
    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override;
    int sendFeatureReport(const std::uint8_t *data, std::size_t length) override;
    int getFeatureReport(std::uint8_t *data, std::size_t length) override;

    // The recorded wire as text: "> 02 00 .." for a write (trailing zeros left
    // out), "<" for a read.
    QStringList wire() const;
    std::vector<device::bridge::Report> writes() const;
    int readCount() const;

private:
    bool m_open = false;
    int m_writes = 0;
    QElapsedTimer m_clock;
};

// "02 00 00 01 88" → a report with those first bytes and zeros after.
device::bridge::Report reportFromHex(const QString &hex);
// A report with only the given bytes set.
device::bridge::Report answerWith(std::initializer_list<std::pair<int, int>> bytes);
// Hex text of a report without its trailing zeros.
QString hexOf(const device::bridge::Report &report);

// Checks the recorded wire against a script: "> hex" a request (all 64 bytes),
// "<" an answer read, "~N" at least N ms between the events around it. Returns
// what differs, or nothing.
QString wireMismatch(const ScriptedTransport &board, const QStringList &script);

#endif
