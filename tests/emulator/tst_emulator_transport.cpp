#include "boardharness.h"

#include <inprocesstransport.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <future>

using emulator::InProcessTransport;
using emulator::LatencyModel;
using emulator::PanelDescription;
using emulator::Report;

namespace {

constexpr std::uint16_t kVid = 0x1A86;
constexpr std::uint16_t kPid = 0xE0A1;

int writeReport(InProcessTransport &t, const Report &r)
{
    return t.write(r.data(), r.size());
}

} // namespace

class TestEmulatorTransport : public QObject
{
    Q_OBJECT

private slots:
    void enumerateShowsTheBoard();
    void openMatchesIds_data();
    void openMatchesIds();
    void roundTrip();
    void readsPairWithRequests();
    void readTimesOutWhenNothingComes_data();
    void readTimesOutWhenNothingComes();
    void negativeTimeoutRefused();
    void writeSizes_data();
    void writeSizes();
    void latencyHonoured();
    void unplugFailsOpenHandle();
    void unplugWakesWaitingReader();
    void replugNeedsReopenAndPowersUp();
    void closeDropsUnreadAnswers();
    void featureReportsRoundTrip();
    void traceToFile();
};

void TestEmulatorTransport::enumerateShowsTheBoard()
{
    InProcessTransport t;
    const auto devices = t.enumerate();
    QCOMPARE(devices.size(), std::size_t{1});
    QCOMPARE(devices[0].vendorId, kVid);
    QCOMPARE(devices[0].productId, kPid);
    QVERIFY(!devices[0].path.isEmpty());

    PanelDescription p;
    p.vendorId = 0x1234;
    p.productId = 0x0001;
    t.setPanel(p);
    QCOMPARE(t.enumerate().at(0).vendorId, std::uint16_t{0x1234});

    t.unplug();
    QVERIFY(t.enumerate().empty());
}

void TestEmulatorTransport::openMatchesIds_data()
{
    QTest::addColumn<int>("vid");
    QTest::addColumn<int>("pid");
    QTest::addColumn<bool>("plugged");
    QTest::addColumn<bool>("opens");
    QTest::newRow("right ids") << int(kVid) << int(kPid) << true << true;
    QTest::newRow("other vendor") << 0x1A87 << int(kPid) << true << false;
    QTest::newRow("other product") << int(kVid) << 0xE0A2 << true << false;
    QTest::newRow("ids swapped") << int(kPid) << int(kVid) << true << false;
    QTest::newRow("unplugged") << int(kVid) << int(kPid) << false << false;
}

void TestEmulatorTransport::openMatchesIds()
{
    QFETCH(int, vid);
    QFETCH(int, pid);
    QFETCH(bool, plugged);
    QFETCH(bool, opens);
    InProcessTransport t;
    if (!plugged)
        t.unplug();
    QCOMPARE(t.open(static_cast<std::uint16_t>(vid), static_cast<std::uint16_t>(pid)), opens);
    QCOMPARE(t.isOpen(), opens);
    const Report r = req::bridge(0x04);
    QCOMPARE(t.write(r.data(), r.size()) > 0, opens);
}

void TestEmulatorTransport::roundTrip()
{
    PanelDescription p;
    p.xElectrodes = 24;
    p.yElectrodes = 16;
    InProcessTransport t(p);
    QVERIFY(t.open(kVid, kPid));
    QCOMPARE(writeReport(t, req::i2cWrite(0x88, {0x02, 0x00})), 64);
    std::uint8_t answer[64];
    QCOMPARE(t.read(answer, sizeof answer, 2000), 64);
    QCOMPARE(writeReport(t, req::i2cRead(0x8E, 13)), 64);
    std::fill(std::begin(answer), std::end(answer), 0xEE);
    QCOMPARE(t.read(answer, sizeof answer, 2000), 64);
    QCOMPARE(answer[0], std::uint8_t{0x02});
    QCOMPARE(answer[1], std::uint8_t{24});
    QCOMPARE(answer[2], std::uint8_t{16});
    QCOMPARE(answer[14], std::uint8_t{0}); // the rest of the report is zeros, not stale bytes

    // A short buffer takes the head of the report.
    QCOMPARE(writeReport(t, req::i2cRead(0x8E, 13)), 64);
    std::uint8_t head[3];
    QCOMPARE(t.read(head, sizeof head, 2000), 3);
    QCOMPARE(head[1], std::uint8_t{24});
}

void TestEmulatorTransport::readsPairWithRequests()
{
    InProcessTransport t;
    QVERIFY(t.open(kVid, kPid));
    // Two requests before any read: two answers, in order; the bridge reset adds none.
    writeReport(t, req::bridge(0x04));
    writeReport(t, req::bridge(0x02, 0, 0x01));
    writeReport(t, req::bridge(0x07));
    QCOMPARE(t.pendingReports(), std::size_t{2});
    std::uint8_t a[64];
    QCOMPARE(t.read(a, sizeof a, 100), 64);
    QCOMPARE(a[1], std::uint8_t{'W'});
    QCOMPARE(t.read(a, sizeof a, 100), 64);
    QCOMPARE(a[1], std::uint8_t{0});
    QVERIFY(a[2] * 256 + a[3] > 0);
    QCOMPARE(t.read(a, sizeof a, 0), 0);
}

void TestEmulatorTransport::readTimesOutWhenNothingComes_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("timeoutMs");
    QTest::newRow("nothing asked") << false << 60;
    QTest::newRow("silent board") << true << 120;
    QTest::newRow("silent board, poll") << true << 0;
}

void TestEmulatorTransport::readTimesOutWhenNothingComes()
{
    QFETCH(bool, silent);
    QFETCH(int, timeoutMs);
    PanelDescription p;
    p.faults.silent = silent;
    InProcessTransport t(p);
    QVERIFY(t.open(kVid, kPid));
    if (silent)
        QCOMPARE(writeReport(t, req::i2cRead(0x3E, 2)), 64); // the write itself goes through
    std::uint8_t a[64];
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(t.read(a, sizeof a, timeoutMs), 0);
    QVERIFY2(timer.elapsed() >= timeoutMs, qPrintable(QString::number(timer.elapsed())));
}

void TestEmulatorTransport::negativeTimeoutRefused()
{
    InProcessTransport t;
    QVERIFY(t.open(kVid, kPid));
    writeReport(t, req::bridge(0x04));
    std::uint8_t a[64];
    QCOMPARE(t.read(a, sizeof a, -1), -1);
    QCOMPARE(t.read(a, sizeof a, 10), 64); // the answer is still there
}

void TestEmulatorTransport::writeSizes_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("result");
    QTest::newRow("empty") << 0 << -1;
    QTest::newRow("short report") << 6 << 6;
    QTest::newRow("full report") << 64 << 64;
    QTest::newRow("too long") << 65 << -1;
}

void TestEmulatorTransport::writeSizes()
{
    QFETCH(int, length);
    QFETCH(int, result);
    InProcessTransport t;
    QVERIFY(t.open(kVid, kPid));
    std::uint8_t buffer[65] = {0x02, 0x00, 0x00, 0x00, 0x3E, 0x02};
    std::fill(buffer + 6, buffer + 65, std::uint8_t{0});
    QCOMPARE(t.write(buffer, std::size_t(length)), result);
    if (result > 0) {
        std::uint8_t a[64];
        QCOMPARE(t.read(a, sizeof a, 100), 64);
        QCOMPARE(a[1] | a[2] << 8, int(PanelDescription().crc));
    }
}

void TestEmulatorTransport::latencyHonoured()
{
    InProcessTransport t;
    QCOMPARE(t.latency().perReport.count(), 0);
    // Long enough that a busy machine does not read the answer "early" by
    // getting to the read late.
    t.setLatency({std::chrono::milliseconds(100)});
    QVERIFY(t.open(kVid, kPid));
    std::uint8_t a[64];

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(writeReport(t, req::bridge(0x04)), 64);
    QVERIFY2(timer.elapsed() >= 100, "the request took no time on the bus");
    // Not there yet: the answer needs one more report time.
    QCOMPARE(t.read(a, sizeof a, 0), 0);
    QCOMPARE(t.read(a, sizeof a, 2000), 64);
    QCOMPARE(a[1], std::uint8_t{'W'});
    QVERIFY2(timer.elapsed() >= 200, qPrintable(QString::number(timer.elapsed())));

    // A time-out shorter than the latency gives nothing; the answer comes later.
    writeReport(t, req::bridge(0x04));
    QCOMPARE(t.read(a, sizeof a, 5), 0);
    QCOMPARE(t.read(a, sizeof a, 2000), 64);
}

void TestEmulatorTransport::unplugFailsOpenHandle()
{
    InProcessTransport t;
    QVERIFY(t.open(kVid, kPid));
    writeReport(t, req::bridge(0x04));
    t.unplug();
    std::uint8_t a[64];
    QCOMPARE(t.read(a, sizeof a, 0), -1); // even with an answer that was waiting
    QCOMPARE(writeReport(t, req::bridge(0x04)), -1);
    std::uint8_t feature[33] = {};
    QCOMPARE(t.sendFeatureReport(feature, sizeof feature), -1);
    QCOMPARE(t.getFeatureReport(feature, sizeof feature), -1);
    QVERIFY(!t.open(kVid, kPid));
}

void TestEmulatorTransport::unplugWakesWaitingReader()
{
    InProcessTransport t;
    QVERIFY(t.open(kVid, kPid));
    std::promise<void> started;
    auto reader = std::async(std::launch::async, [&t, &started] {
        std::uint8_t a[64];
        started.set_value();
        return t.read(a, sizeof a, 20000);
    });
    started.get_future().wait();
    QTest::qWait(50);
    t.unplug();
    // Woken by the unplug, long before its own time-out.
    QCOMPARE(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    QCOMPARE(reader.get(), -1);
}

void TestEmulatorTransport::replugNeedsReopenAndPowersUp()
{
    InProcessTransport t;
    QVERIFY(t.open(kVid, kPid));
    writeReport(t, req::i2cWrite(0x88, {0x02, 0x00}));
    std::uint8_t a[64];
    t.read(a, sizeof a, 100);
    QCOMPARE(t.withBoard([](emulator::BridgeBoard &b) { return b.controller().mode(); }),
             std::uint16_t{emulator::TouchController::Information});

    t.unplug();
    t.plug();
    QVERIFY(t.isPlugged());
    QCOMPARE(writeReport(t, req::bridge(0x04)), -1); // the old handle died with the unplug
    QVERIFY(t.open(kVid, kPid));
    QCOMPARE(t.withBoard([](emulator::BridgeBoard &b) { return b.controller().mode(); }),
             std::uint16_t{emulator::TouchController::Normal});
    QCOMPARE(writeReport(t, req::i2cRead(0x8E, 13)), 64);
    QCOMPARE(t.read(a, sizeof a, 100), 64);
    QCOMPARE(a[1], std::uint8_t{0}); // no information page after power-up
}

void TestEmulatorTransport::closeDropsUnreadAnswers()
{
    InProcessTransport t;
    QVERIFY(t.open(kVid, kPid));
    writeReport(t, req::bridge(0x04));
    t.close();
    QVERIFY(!t.isOpen());
    std::uint8_t a[64];
    QCOMPARE(t.read(a, sizeof a, 0), -1);
    QVERIFY(t.open(kVid, kPid));
    QCOMPARE(t.read(a, sizeof a, 20), 0);

    // Opening again while open starts from a clean handle too.
    writeReport(t, req::bridge(0x04));
    QVERIFY(t.open(kVid, kPid));
    QCOMPARE(t.read(a, sizeof a, 20), 0);
}

void TestEmulatorTransport::featureReportsRoundTrip()
{
    InProcessTransport t;
    std::uint8_t out[33] = {0x00, 0x00, 0x00, 0x01, 0x3E, 0x02};
    QCOMPARE(t.sendFeatureReport(out, sizeof out), -1); // not open
    QVERIFY(t.open(kVid, kPid));
    QCOMPARE(t.sendFeatureReport(out, sizeof out), 33);
    std::uint8_t in[33] = {};
    QCOMPARE(t.getFeatureReport(in, sizeof in), 33);
    QVERIFY(std::equal(std::begin(in), std::end(in), std::begin(out)));
    std::uint8_t other[8] = {0x05, 1, 1, 1, 1, 1, 1, 1};
    QCOMPARE(t.getFeatureReport(other, sizeof other), 8);
    QVERIFY(other[0] == 0x05 && std::all_of(other + 1, other + 8, [](std::uint8_t b) { return b == 0; }));
    // Feature reports never show up as input reports.
    QCOMPARE(t.pendingReports(), std::size_t{0});
}

void TestEmulatorTransport::traceToFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    InProcessTransport t;
    QVERIFY(!t.startTrace(dir.filePath(QStringLiteral("missing/folder/wire.txt"))));
    const QString path = dir.filePath(QStringLiteral("wire.txt"));
    QVERIFY(t.startTrace(path));
    QVERIFY(t.open(kVid, kPid));
    std::uint8_t a[64];
    writeReport(t, req::bridge(0x07));
    t.read(a, sizeof a, 100);
    std::uint8_t feature[4] = {0x00, 0x11, 0x22, 0x33};
    t.sendFeatureReport(feature, sizeof feature);
    t.stopTrace();
    writeReport(t, req::bridge(0x04)); // after the stop: not traced

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].endsWith(QLatin1String(" out 02 07")), qPrintable(lines[0]));
    const std::uint16_t raw = PanelDescription().rawCurrent();
    const QString current = QStringLiteral("%1 %2")
                                .arg(raw >> 8, 2, 16, QLatin1Char('0'))
                                .arg(raw & 0xFF, 2, 16, QLatin1Char('0'))
                                .toUpper();
    QVERIFY2(lines[1].endsWith(QLatin1String(" in  02 00 ") + current), qPrintable(lines[1]));
    QVERIFY2(lines[2].endsWith(QLatin1String(" set 00 11 22 33")), qPrintable(lines[2]));
}

QTEST_GUILESS_MAIN(TestEmulatorTransport)
#include "tst_emulator_transport.moc"
