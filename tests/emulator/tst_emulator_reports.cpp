#include "boardharness.h"

#include <inprocesstransport.h>

#include <QtTest>

#include <thread>

using emulator::BridgeBoard;
using emulator::InProcessTransport;
using emulator::Report;
using emulator::Touch;

Q_DECLARE_METATYPE(emulator::Report)

namespace {

// The station's switches, as it sends them.
const Report kForwardingOn = req::bridge(0x03, 0, 0x01);
const Report kReportsOn = req::bridge(0x05, 0, 0x00);
const Report kReportsOff = req::bridge(0x05, 0, 0x01, 0x01);

Report fromHex(const char *hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    Report r{};
    std::copy_n(bytes.constBegin(), std::min<qsizetype>(bytes.size(), 64), r.begin());
    return r;
}

// Scans the board n times; the reports it put out.
std::vector<Report> scan(BoardHarness &h, int n)
{
    h.answers.clear();
    for (int i = 0; i < n; ++i)
        h.board.tick();
    return h.answers;
}

bool isTouchReport(const std::uint8_t *r)
{
    return r[1] != 0 || r[3] != 0; // an answer to a switch carries nothing after the id
}

} // namespace

class TestEmulatorReports : public QObject
{
    Q_OBJECT

private slots:
    void onlyWhileForwarding_data();
    void onlyWhileForwarding();
    void layout_data();
    void layout();
    void everyStateIsReported();
    void keysRepeatWhileHeld();

    void transportScansWithoutReader();
    void reportsQueuedBeforeDisableStay();
    void readerWaitingGetsScans();
    void queueIsBounded();
};

void TestEmulatorReports::onlyWhileForwarding_data()
{
    QTest::addColumn<std::vector<Report>>("requests");
    QTest::addColumn<bool>("reports");

    const Report normalMode = req::i2cWrite(0x88, {0x00, 0x00});
    const Report debugMode = req::i2cWrite(0x88, {0x01, 0x01});
    QTest::newRow("nothing switched on") << std::vector<Report>{} << false;
    QTest::newRow("forwarding only") << std::vector<Report>{kForwardingOn} << false;
    QTest::newRow("interrupt reports only") << std::vector<Report>{kReportsOn} << false;
    QTest::newRow("interrupt enable is not forwarding")
        << std::vector<Report>{req::bridge(0x03, 0, 0x00), kReportsOn} << false;
    QTest::newRow("both") << std::vector<Report>{kForwardingOn, kReportsOn} << true;
    QTest::newRow("both, other order") << std::vector<Report>{kReportsOn, kForwardingOn} << true;
    QTest::newRow("reports switched off again") << std::vector<Report>{kForwardingOn, kReportsOn, kReportsOff} << false;
    QTest::newRow("bridge reset") << std::vector<Report>{kForwardingOn, kReportsOn, req::bridge(0x02, 0, 0x01)} << false;
    QTest::newRow("controller in debug mode") << std::vector<Report>{kForwardingOn, kReportsOn, debugMode} << false;
    QTest::newRow("back to normal mode")
        << std::vector<Report>{kForwardingOn, kReportsOn, debugMode, normalMode} << true;
    // The controller reset leaves the bridge's switches alone.
    QTest::newRow("controller reset") << std::vector<Report>{kForwardingOn, kReportsOn, req::bridge(0x02, 0, 0x00)} << true;
}

void TestEmulatorReports::onlyWhileForwarding()
{
    QFETCH(std::vector<Report>, requests);
    QFETCH(bool, reports);
    BoardHarness h;
    h.board.setTouches({{0, 100, 200}});
    h.board.setKeys(0x01);
    for (const Report &r : requests)
        h.send(r);

    QCOMPARE(h.board.reportDue(), reports);
    const std::vector<Report> out = scan(h, 3);
    QCOMPARE(out.size(), reports ? std::size_t{3} : std::size_t{0});
    // Two changes, two reports (finger gone with the key held, then both gone);
    // while reports are off nothing is owed for later.
    h.board.setTouches({});
    h.board.setKeys(0);
    QCOMPARE(scan(h, 3).size(), reports ? std::size_t{2} : std::size_t{0});
}

void TestEmulatorReports::layout_data()
{
    QTest::addColumn<std::vector<Touch>>("touches");
    QTest::addColumn<int>("keys");
    QTest::addColumn<Report>("expected");

    QTest::newRow("one finger")
        << std::vector<Touch>{{0, 0x0123, 0x0456}} << 0 << fromHex("02 01 00 23 01 56 04 00");
    QTest::newRow("id and corner of a 1280 x 800 panel")
        << std::vector<Touch>{{3, 1279, 799}} << 0 << fromHex("02 01 00 FF 04 1F 03 03");
    QTest::newRow("two fingers")
        << std::vector<Touch>{{0, 100, 200}, {1, 300, 400}} << 0
        << fromHex("02 02 00 64 00 C8 00 00 2C 01 90 01 01");
    QTest::newRow("five fingers")
        << std::vector<Touch>{{4, 1, 2}, {3, 3, 4}, {2, 5, 6}, {1, 7, 8}, {0, 9, 10}} << 0
        << fromHex("02 05 00 01 00 02 00 04 03 00 04 00 03 05 00 06 00 02 07 00 08 00 01 09 00 0A 00 00");
    // Six fingers: the count says so, only five fit; the station drops such a report.
    QTest::newRow("six fingers")
        << std::vector<Touch>{{0, 1, 1}, {1, 2, 2}, {2, 3, 3}, {3, 4, 4}, {4, 5, 5}, {5, 6, 6}} << 0
        << fromHex("02 06 00 01 00 01 00 00 02 00 02 00 01 03 00 03 00 02 04 00 04 00 03 05 00 05 00 04");
    QTest::newRow("keys only") << std::vector<Touch>{} << 0x05 << fromHex("02 00 05");
    QTest::newRow("key and finger") << std::vector<Touch>{{2, 10, 20}} << 0x80 << fromHex("02 01 80 0A 00 14 00 02");
}

void TestEmulatorReports::layout()
{
    QFETCH(std::vector<Touch>, touches);
    QFETCH(int, keys);
    QFETCH(Report, expected);
    BoardHarness h;
    h.send(kForwardingOn);
    h.send(kReportsOn);
    h.board.setTouches(touches);
    h.board.setKeys(static_cast<std::uint8_t>(keys));
    const std::vector<Report> out = scan(h, 2);
    QCOMPARE(out.size(), std::size_t{2});
    // Two changes make an in-between state first; the second scan has both.
    QCOMPARE(out.back(), expected);
}

// A tap or a key click shorter than a scan is still seen, in order, and a
// lift is reported once.
void TestEmulatorReports::everyStateIsReported()
{
    BoardHarness h;
    h.send(kForwardingOn);
    h.send(kReportsOn);

    h.board.setTouches({{0, 10, 10}});
    h.board.setTouches({{0, 20, 10}});
    h.board.setTouches({});
    std::vector<Report> out = scan(h, 5);
    QCOMPARE(out.size(), std::size_t{3});
    QCOMPARE((std::vector<int>{out[0][1], out[0][3], out[1][1], out[1][3], out[2][1], out[2][3]}),
             (std::vector<int>{1, 10, 1, 20, 0, 0}));

    h.board.setKeys(0x02);
    h.board.setKeys(0x00);
    out = scan(h, 4);
    QCOMPARE(out.size(), std::size_t{2});
    QCOMPARE((std::vector<int>{out[0][2], out[1][2]}), (std::vector<int>{2, 0}));

    // A finger held: one report per scan, then the lift, then quiet.
    h.board.setTouches({{1, 5, 6}});
    QCOMPARE(scan(h, 4).size(), std::size_t{4});
    h.board.setTouches({});
    out = scan(h, 4);
    QCOMPARE(out.size(), std::size_t{1});
    QCOMPARE(out[0], fromHex("02"));
    QVERIFY(!h.board.reportDue());
}

// The key-code stream reads byte 2 of every report: held keys keep coming,
// several keys are several bits, the release is a 0.
void TestEmulatorReports::keysRepeatWhileHeld()
{
    BoardHarness h;
    h.send(kForwardingOn);
    h.send(kReportsOn);
    h.board.setKeys(0x01);
    h.board.setKeys(0x03);
    std::vector<int> codes;
    for (const Report &r : scan(h, 3))
        codes.push_back(r[2]);
    h.board.setKeys(0x00);
    for (const Report &r : scan(h, 3))
        codes.push_back(r[2]);
    QCOMPARE(codes, (std::vector<int>{1, 3, 3, 0}));
}

namespace {

struct OpenBoard
{
    InProcessTransport t;
    OpenBoard()
    {
        t.open(0x1A86, 0xE0A1);
    }
    // One request and its answer, as the station sends a switch.
    void command(const Report &r)
    {
        std::uint8_t answer[64];
        t.write(r.data(), r.size());
        t.read(answer, sizeof answer, 100);
    }
};

} // namespace

// Scans run while nobody reads, and after a disable what was queued before it
// is still there, ahead of the disable's answer; nothing follows the answer.
void TestEmulatorReports::reportsQueuedBeforeDisableStay()
{
    OpenBoard b;
    b.t.setTouches({{0, 640, 400}});
    b.command(kForwardingOn);
    // Reports on with a finger already down: its answer comes first, then the touches.
    b.t.write(kReportsOn.data(), kReportsOn.size());
    std::uint8_t r[64];
    QCOMPARE(b.t.read(r, sizeof r, 100), 64);
    QVERIFY(!isTouchReport(r));

    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    QCOMPARE(b.t.write(kReportsOff.data(), kReportsOff.size()), 64);
    std::this_thread::sleep_for(std::chrono::milliseconds(40)); // the finger stays down

    int touches = 0;
    bool answered = false;
    for (int i = 0; i < 300 && !answered; ++i) {
        QCOMPARE(b.t.read(r, sizeof r, 100), 64);
        if (isTouchReport(r)) {
            QCOMPARE((std::vector<int>{r[1], r[3], r[4], r[5], r[6]}), (std::vector<int>{1, 0x80, 0x02, 0x90, 0x01}));
            ++touches;
        } else {
            answered = true;
        }
    }
    QVERIFY(answered);
    // At least the scans of the 40 ms before the disable, none of the 40 ms after.
    QVERIFY2(touches >= 4, qPrintable(QString::number(touches)));
    QCOMPARE(b.t.read(r, sizeof r, 50), 0);
}

void TestEmulatorReports::transportScansWithoutReader()
{
    OpenBoard b;
    b.command(kForwardingOn);
    b.command(kReportsOn);
    QCOMPARE(b.t.pendingReports(), std::size_t{0});
    b.t.setKeys(0x04);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::size_t queued = b.t.pendingReports();
    QVERIFY2(queued >= 5, qPrintable(QString::number(queued)));

    // Closing drops them, and what the board says while no handle is open
    // (here the release) is lost too.
    b.t.close();
    b.t.setKeys(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    QVERIFY(b.t.open(0x1A86, 0xE0A1));
    std::uint8_t r[64];
    QCOMPARE(b.t.read(r, sizeof r, 30), 0);
}

// A stream reader with a 300 ms time-out is never left waiting while a finger
// is down, and is left waiting once it is lifted.
void TestEmulatorReports::readerWaitingGetsScans()
{
    OpenBoard b;
    b.t.setLatency(emulator::LatencyModel::usbFullSpeed());
    b.command(kForwardingOn);
    b.command(kReportsOn);
    std::thread finger([&b] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        b.t.setTouches({{0, 1, 2}});
    });
    std::uint8_t r[64];
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(b.t.read(r, sizeof r, 300), 64);
        QCOMPARE(int(r[1]), 1);
    }
    finger.join();
    b.t.setTouches({});
    for (;;) {
        QCOMPARE(b.t.read(r, sizeof r, 300), 64);
        if (r[1] == 0)
            break;
    }
    QCOMPARE(b.t.read(r, sizeof r, 60), 0);
}

// A station that stops reading loses reports beyond what a hidraw node keeps,
// answers included, instead of the emulator growing without end.
void TestEmulatorReports::queueIsBounded()
{
    OpenBoard b;
    b.t.setScanInterval(std::chrono::microseconds(100));
    b.command(kForwardingOn);
    b.command(kReportsOn);
    b.t.setTouches({{0, 1, 2}});
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    QCOMPARE(b.t.pendingReports(), std::size_t{256});
    const Report version = req::bridge(0x04);
    b.t.write(version.data(), version.size());
    QCOMPARE(b.t.pendingReports(), std::size_t{256});
}

QTEST_GUILESS_MAIN(TestEmulatorReports)
#include "tst_emulator_reports.moc"
