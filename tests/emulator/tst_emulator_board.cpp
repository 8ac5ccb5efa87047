#include "boardharness.h"

#include <wiretrace.h>

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using emulator::PanelDescription;
using emulator::RegisterMap;
using emulator::Report;

Q_DECLARE_METATYPE(emulator::Report)
Q_DECLARE_METATYPE(emulator::RegisterMap)

namespace {

constexpr std::uint8_t kStdMode = 0x88, kStdWindow = 0x8E, kStdRow = 0x8B;
constexpr std::uint8_t kAltMode = 0x42, kAltWindow = 0x48, kAltRow = 0x45;

struct Map
{
    std::uint8_t mode, window, row;
};

Map mapOf(RegisterMap m)
{
    return m == RegisterMap::Alternate ? Map{kAltMode, kAltWindow, kAltRow} : Map{kStdMode, kStdWindow, kStdRow};
}

// Distinct per electrode, some negative, so a block read at a wrong offset
// or in a wrong order cannot come out right.
std::vector<int> ramp(int n, int base)
{
    std::vector<int> v;
    for (int i = 0; i < n; ++i)
        v.push_back(i % 3 == 2 ? -(base + i) : base + i);
    return v;
}

} // namespace

class TestEmulatorBoard : public QObject
{
    Q_OBJECT

private slots:
    void pairing_data();
    void pairing();
    void informationPage_data();
    void informationPage();
    void otherRegisterMapGetsWrongAnswers_data();
    void otherRegisterMapGetsWrongAnswers();
    void debugBlocks_data();
    void debugBlocks();
    void rasterRows_data();
    void rasterRows();
    void fixedRegisters_data();
    void fixedRegisters();
    void tbReadingsInTurn();
    void bootloaderVersion_data();
    void bootloaderVersion();
    void attentionCheck_data();
    void attentionCheck();
    void i2cFaults_data();
    void i2cFaults();
    void refusedSpots_data();
    void refusedSpots();
    void shortAnswers();
    void silentBoard();
    void resets();
    void bridgeVersionAndCurrent_data();
    void bridgeVersionAndCurrent();
    void traceLines_data();
    void traceLines();
    void framesMove_data();
    void framesMove();
};

void TestEmulatorBoard::pairing_data()
{
    QTest::addColumn<Report>("request");
    QTest::addColumn<int>("answers");

    QTest::newRow("i2c read") << req::i2cRead(0x3E, 2) << 1;
    QTest::newRow("i2c write") << req::i2cWrite(0x33, {0x00}) << 1;
    QTest::newRow("bootloader read") << req::i2cRead(0x00, 4, 0x02) << 1;
    QTest::newRow("attention check") << req::bridge(0x01, 0x01) << 1;
    QTest::newRow("controller reset") << req::bridge(0x02, 0, 0x00) << 1;
    QTest::newRow("bridge reset") << req::bridge(0x02, 0, 0x01) << 0;
    QTest::newRow("interrupt enable") << req::bridge(0x03, 0, 0x00) << 1;
    QTest::newRow("forwarding on") << req::bridge(0x03, 0, 0x01) << 1;
    QTest::newRow("bridge version") << req::bridge(0x04) << 1;
    QTest::newRow("interrupt report enable") << req::bridge(0x05, 0, 0x00) << 1;
    QTest::newRow("interrupt report disable") << req::bridge(0x05, 0, 0x01, 0x01) << 1;
    QTest::newRow("firmware part first") << req::bridge(0x06, 0x01) << 0;
    QTest::newRow("firmware part middle") << req::bridge(0x06, 0x00) << 0;
    // The bootloader answers every record, even one that came without its first parts.
    QTest::newRow("firmware part last") << req::bridge(0x06, 0x02) << 1;
    QTest::newRow("supply current") << req::bridge(0x07) << 1;
    QTest::newRow("unknown command") << req::bridge(0x08) << 0;
    Report otherId = req::bridge(0x04);
    otherId[0] = 0x01;
    QTest::newRow("other report id") << otherId << 0;
}

void TestEmulatorBoard::pairing()
{
    QFETCH(Report, request);
    QFETCH(int, answers);
    BoardHarness h;
    QCOMPARE(h.send(request), answers);
    if (answers)
        QCOMPARE(h.last[0], std::uint8_t{0x02});
}

void TestEmulatorBoard::informationPage_data()
{
    QTest::addColumn<RegisterMap>("map");
    QTest::addColumn<int>("xn");
    QTest::addColumn<int>("yn");
    QTest::addColumn<int>("xres");
    QTest::addColumn<int>("yres");

    QTest::newRow("standard 30x20") << RegisterMap::Standard << 30 << 20 << 1280 << 800;
    QTest::newRow("alternate 30x20") << RegisterMap::Alternate << 30 << 20 << 1280 << 800;
    QTest::newRow("standard 79x79 wide res") << RegisterMap::Standard << 79 << 79 << 0xFFFF << 0x0102;
    QTest::newRow("xn 0 is reported as is") << RegisterMap::Standard << 0 << 20 << 1024 << 768;
    QTest::newRow("xn 80 is reported as is") << RegisterMap::Alternate << 80 << 20 << 1024 << 768;
}

void TestEmulatorBoard::informationPage()
{
    QFETCH(RegisterMap, map);
    QFETCH(int, xn);
    QFETCH(int, yn);
    QFETCH(int, xres);
    QFETCH(int, yres);
    PanelDescription p;
    p.registerMap = map;
    p.xElectrodes = static_cast<std::uint8_t>(xn);
    p.yElectrodes = static_cast<std::uint8_t>(yn);
    p.xResolution = static_cast<std::uint16_t>(xres);
    p.yResolution = static_cast<std::uint16_t>(yres);
    BoardHarness h(p);
    const Map m = mapOf(map);

    // Electrode counts: mode write, then 13 bytes of the window.
    h.exchange(req::i2cWrite(m.mode, {0x02, 0x00}));
    Report a = h.exchange(req::i2cRead(m.window, 13));
    QCOMPARE(int(a[1]), xn);
    QCOMPARE(int(a[2]), yn);

    // Resolution: 33 bytes, bytes 10..13 little-endian.
    h.exchange(req::i2cWrite(m.mode, {0x02, 0x00}));
    a = h.exchange(req::i2cRead(m.window, 33));
    QCOMPARE(a[11] * 256 + a[10], xres);
    QCOMPARE(a[13] * 256 + a[12], yres);
    QCOMPARE(int(a[1]), xn);
    QCOMPARE(h.unpaired, 0);
}

void TestEmulatorBoard::otherRegisterMapGetsWrongAnswers_data()
{
    QTest::addColumn<RegisterMap>("panelMap");
    QTest::newRow("panel standard, station alternate") << RegisterMap::Standard;
    QTest::newRow("panel alternate, station standard") << RegisterMap::Alternate;
}

void TestEmulatorBoard::otherRegisterMapGetsWrongAnswers()
{
    QFETCH(RegisterMap, panelMap);
    PanelDescription p;
    p.registerMap = panelMap;
    BoardHarness h(p);
    const Map wrong = mapOf(panelMap == RegisterMap::Standard ? RegisterMap::Alternate : RegisterMap::Standard);

    h.exchange(req::i2cWrite(wrong.mode, {0x02, 0x00}));
    QCOMPARE(h.board.controller().mode(), std::uint16_t{emulator::TouchController::Normal});
    const Report a = h.exchange(req::i2cRead(wrong.window, 13));
    QVERIFY(a[1] != p.xElectrodes || a[2] != p.yElectrodes);

    // A raster row select through the wrong map selects nothing either.
    h.exchange(req::i2cWrite(wrong.row, {0x05, 0x00}));
    QCOMPARE(h.board.controller().selectedRow(), 0);
}

void TestEmulatorBoard::debugBlocks_data()
{
    QTest::addColumn<RegisterMap>("map");
    QTest::addColumn<int>("modeLow");
    QTest::addColumn<int>("xn");
    QTest::addColumn<int>("yn");

    QTest::newRow("debug standard 30x20") << RegisterMap::Standard << 0x01 << 30 << 20;
    QTest::newRow("debug alternate 30x20") << RegisterMap::Alternate << 0x01 << 30 << 20;
    QTest::newRow("m0 standard 30x20") << RegisterMap::Standard << 0x09 << 30 << 20;
    // XN 31: the X block is exactly 60 bytes, the remainder request has count 0.
    QTest::newRow("debug xn 31") << RegisterMap::Standard << 0x01 << 31 << 12;
    // Blocks running past 0xFF wrap to low register numbers.
    QTest::newRow("debug standard 79x79") << RegisterMap::Standard << 0x01 << 79 << 79;
    QTest::newRow("m0 alternate 79x79") << RegisterMap::Alternate << 0x09 << 79 << 79;
    // The last Y chunk lands on the window's own register number again.
    QTest::newRow("debug 69x63 chunk at +256") << RegisterMap::Standard << 0x01 << 69 << 63;
    QTest::newRow("debug 2x2") << RegisterMap::Standard << 0x01 << 2 << 2;
}

void TestEmulatorBoard::debugBlocks()
{
    QFETCH(RegisterMap, map);
    QFETCH(int, modeLow);
    QFETCH(int, xn);
    QFETCH(int, yn);
    PanelDescription p;
    p.registerMap = map;
    p.xElectrodes = static_cast<std::uint8_t>(xn);
    p.yElectrodes = static_cast<std::uint8_t>(yn);
    p.debug.xValues = ramp(xn - 1, 100);
    p.debug.yValues = ramp(yn - 1, 300);
    p.m0.xValues = ramp(xn - 1, 500);
    p.m0.yValues = ramp(yn - 1, 700);
    const emulator::ElectrodeLevels &expected = modeLow == 0x01 ? p.debug : p.m0;
    BoardHarness h(p);
    const Map m = mapOf(map);

    h.exchange(req::i2cWrite(m.mode, {static_cast<std::uint8_t>(modeLow), 0x01}));
    const int xBytes = 2 * xn - 2;
    const int yBytes = 2 * yn - 2;
    // Two passes: the second must start again from the head of the block.
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<int> x = BoardHarness::values(h.readBlock(m.window, 0, xBytes));
        const std::vector<int> y = BoardHarness::values(h.readBlock(m.window, xBytes, yBytes));
        QCOMPARE(x, expected.xValues);
        QCOMPARE(y, expected.yValues);
    }
    QCOMPARE(h.unpaired, 0);
}

void TestEmulatorBoard::rasterRows_data()
{
    QTest::addColumn<RegisterMap>("map");
    QTest::addColumn<int>("modeLow");
    QTest::addColumn<bool>("internal");
    QTest::addColumn<int>("xn");

    QTest::newRow("raster standard") << RegisterMap::Standard << 0x85 << false << 30;
    QTest::newRow("raster alt kind") << RegisterMap::Standard << 0x8D << false << 30;
    QTest::newRow("internal raster") << RegisterMap::Standard << 0xC5 << true << 30;
    QTest::newRow("internal raster alt kind alternate map") << RegisterMap::Alternate << 0xCD << true << 30;
    QTest::newRow("raster alternate map, rows over 60 bytes") << RegisterMap::Alternate << 0x85 << false << 79;
}

void TestEmulatorBoard::rasterRows()
{
    QFETCH(RegisterMap, map);
    QFETCH(int, modeLow);
    QFETCH(bool, internal);
    QFETCH(int, xn);
    PanelDescription p;
    p.registerMap = map;
    p.xElectrodes = static_cast<std::uint8_t>(xn);
    p.yElectrodes = 6;
    p.rasterLevel = 1000;
    p.internalRasterLevel = -800;
    p.rasterNoise = 40;
    BoardHarness h(p);
    const Map m = mapOf(map);
    const int level = internal ? p.internalRasterLevel : p.rasterLevel;

    h.exchange(req::i2cWrite(m.mode, {static_cast<std::uint8_t>(modeLow), 0x01}));
    const int rowBytes = 2 * xn + 2;
    std::vector<std::vector<int>> rows;
    for (int row = 0; row <= p.yElectrodes; ++row) {
        h.exchange(req::i2cWrite(m.row, {static_cast<std::uint8_t>(row), 0x00}));
        const std::vector<int> v = BoardHarness::values(h.readBlock(m.window, 0, rowBytes));
        QCOMPARE(int(v.size()), xn + 1);
        for (int value : v)
            QVERIFY2(value >= level - p.rasterNoise && value <= level + p.rasterNoise, qPrintable(QString::number(value)));
        rows.push_back(v);
    }
    // Row select really selects: neighbouring rows are not the same data.
    int differing = 0;
    for (std::size_t r = 1; r < rows.size(); ++r)
        differing += rows[r] != rows[r - 1] ? 1 : 0;
    QVERIFY(differing > 0);

    // Selecting row 2 again gives row 2 again, whatever was read in between.
    h.exchange(req::i2cWrite(m.row, {2, 0x00}));
    QCOMPARE(BoardHarness::values(h.readBlock(m.window, 0, rowBytes)), rows[2]);

    // Past the last row there is nothing.
    h.exchange(req::i2cWrite(m.row, {static_cast<std::uint8_t>(p.yElectrodes + 1), 0x00}));
    QCOMPARE(BoardHarness::values(h.readBlock(m.window, 0, rowBytes)), std::vector<int>(std::size_t(xn + 1), 0));
    QCOMPARE(h.unpaired, 0);
}

void TestEmulatorBoard::fixedRegisters_data()
{
    QTest::addColumn<RegisterMap>("map");
    QTest::addColumn<int>("electrodes"); // a side
    QTest::addColumn<QList<int>>("modes");
    const QList<int> normalAndInformation{0x0000, 0x0002};
    // Debug and M0 blocks of 79 x 79 are 312 bytes: they reach round to 0x2B in both maps.
    const QList<int> everyMode{0x0000, 0x0002, 0x0101, 0x0109, 0x0185, 0x01C5};
    QTest::newRow("standard") << RegisterMap::Standard << 30 << normalAndInformation;
    QTest::newRow("alternate") << RegisterMap::Alternate << 30 << normalAndInformation;
    QTest::newRow("standard, large panel, every mode") << RegisterMap::Standard << 79 << everyMode;
    QTest::newRow("alternate, large panel, every mode") << RegisterMap::Alternate << 79 << everyMode;
}

void TestEmulatorBoard::fixedRegisters()
{
    QFETCH(RegisterMap, map);
    QFETCH(int, electrodes);
    QFETCH(QList<int>, modes);
    PanelDescription p;
    p.registerMap = map;
    p.xElectrodes = std::uint8_t(electrodes);
    p.yElectrodes = std::uint8_t(electrodes);
    p.crc = 0x1234;
    p.eeprom = "V1.0A";
    p.buttons = {{-1, 127, -128, 5, 0, 0, 0, 9}};
    BoardHarness h(p);

    // They read the same in every mode the station reads them in.
    for (int mode : modes) {
        const auto modeLow = std::uint8_t(mode & 0xFF);
        h.exchange(req::i2cWrite(mapOf(map).mode, {modeLow, std::uint8_t(mode >> 8)}));
        Report a = h.exchange(req::i2cRead(0x3E, 2));
        QCOMPARE(a[1], std::uint8_t{0x34});
        QCOMPARE(a[2], std::uint8_t{0x12});

        a = h.exchange(req::i2cRead(0x2B, 8));
        const std::vector<int> buttons{a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]};
        QCOMPARE(buttons, (std::vector<int>{0xFF, 0x7F, 0x80, 0x05, 0, 0, 0, 0x09}));

        a = h.exchange(req::i2cRead(0x40, 32));
        const QByteArray text(reinterpret_cast<const char *>(a.data() + 1), 32);
        if (map == RegisterMap::Standard)
            QVERIFY(text.startsWith("V1.0A") && text.mid(5) == QByteArray(27, '\0'));
        else
            QCOMPARE(text.at(0), 'V'); // one character only: 0x41 on belongs to other registers
        if (map == RegisterMap::Alternate)
            QCOMPARE(int(a[1 + (kAltMode - 0x40)]), int(modeLow)); // the mode register shows through
    }

    // Read-only: a write does not change them.
    h.exchange(req::i2cWrite(0x3E, {0x00, 0x00}));
    const Report a = h.exchange(req::i2cRead(0x3E, 2));
    QCOMPARE(a[1], std::uint8_t{0x34});
    QCOMPARE(h.unpaired, 0);
}

void TestEmulatorBoard::tbReadingsInTurn()
{
    PanelDescription p;
    p.tbReadings = {2048, 700, 900};
    BoardHarness h(p);
    auto tb = [&h] {
        const Report a = h.exchange(req::i2cRead(0x3B, 2));
        return a[2] * 256 + a[1];
    };
    QCOMPARE(tb(), 2048); // not measured yet
    QList<int> seen;
    for (int i = 0; i < 5; ++i) {
        h.exchange(req::i2cWrite(0x3A, {0x04}));
        seen << tb();
    }
    QCOMPARE(seen, (QList<int>{2048, 700, 900, 2048, 700}));
    QCOMPARE(tb(), 700); // a read without a measurement repeats the last value

    // Calibration is the other command: it takes no TB reading.
    h.exchange(req::i2cWrite(0x3A, {0x03}));
    QCOMPARE(tb(), 700);
    QCOMPARE(h.board.controller().calibrations(), 1);
    QCOMPARE(h.board.controller().tbMeasurements(), 5);
}

void TestEmulatorBoard::bootloaderVersion_data()
{
    QTest::addColumn<int>("fourth");
    QTest::newRow("good 0x4A") << 0x4A;
    QTest::newRow("outside 0x4B") << 0x4B;
}

void TestEmulatorBoard::bootloaderVersion()
{
    QFETCH(int, fourth);
    PanelDescription p;
    p.bootloader = {{0x11, 0x22, 0x33, static_cast<std::uint8_t>(fourth)}};
    BoardHarness h(p);
    const Report a = h.exchange(req::i2cRead(0x00, 4, 0x02));
    QCOMPARE((std::vector<int>{a[1], a[2], a[3], a[4]}), (std::vector<int>{0x11, 0x22, 0x33, fourth}));
    // The controller's own register 0x00 is something else.
    const Report c = h.exchange(req::i2cRead(0x00, 4, 0x00));
    QVERIFY(c[4] != fourth);
}

void TestEmulatorBoard::attentionCheck_data()
{
    QTest::addColumn<bool>("armed");
    QTest::addColumn<bool>("fault");
    QTest::addColumn<bool>("passes");
    QTest::newRow("armed, good line") << true << false << true;
    QTest::newRow("armed, broken line") << true << true << false;
    QTest::newRow("not armed") << false << false << false;
}

void TestEmulatorBoard::attentionCheck()
{
    QFETCH(bool, armed);
    QFETCH(bool, fault);
    QFETCH(bool, passes);
    PanelDescription p;
    p.faults.attentionLine = fault;
    BoardHarness h(p);
    if (armed)
        h.exchange(req::i2cWrite(0x34, {0x08}));
    const Report a = h.exchange(req::bridge(0x01, 0x01));
    QCOMPARE(a[3] < 2, passes);

    // Restoring 0x0B ends the test mode: a check now fails.
    h.exchange(req::i2cWrite(0x34, {0x0B}));
    QVERIFY(h.exchange(req::bridge(0x01, 0x01))[3] >= 2);
}

void TestEmulatorBoard::i2cFaults_data()
{
    QTest::addColumn<bool>("nack");
    QTest::addColumn<bool>("timeout");
    QTest::newRow("nack") << true << false;
    QTest::newRow("timeout") << false << true;
    QTest::newRow("both") << true << true;
}

void TestEmulatorBoard::i2cFaults()
{
    QFETCH(bool, nack);
    QFETCH(bool, timeout);
    PanelDescription p;
    p.faults.i2cNack = nack;
    p.faults.i2cTimeout = timeout;
    BoardHarness h(p);

    for (const Report &r : {req::i2cRead(0x3E, 2), req::i2cWrite(kStdMode, {0x02, 0x00}), req::i2cRead(0x00, 4, 0x02)}) {
        const Report a = h.exchange(r);
        QCOMPARE(a[63], std::uint8_t(nack ? 1 : 0));
        QCOMPARE(a[62], std::uint8_t(timeout ? 1 : 0));
        QVERIFY(std::all_of(a.begin() + 1, a.begin() + 62, [](std::uint8_t b) { return b == 0; }));
    }
    // The mode write never reached the controller.
    QCOMPARE(h.board.controller().mode(), std::uint16_t{emulator::TouchController::Normal});
    // Bridge commands do not go over I2C and still work.
    QCOMPARE(h.exchange(req::bridge(0x04))[1], std::uint8_t{'W'});

    h.board.setFaults({});
    const Report a = h.exchange(req::i2cRead(0x3E, 2));
    QCOMPARE(a[63], std::uint8_t{0});
    QCOMPARE(a[1], std::uint8_t(p.crc & 0xFF));

    // Nobody answers at an unknown I2C address.
    QCOMPARE(h.exchange(req::i2cRead(0x00, 4, 0x05))[63], std::uint8_t{1});
    QCOMPARE(h.unpaired, 0);
}

void TestEmulatorBoard::refusedSpots_data()
{
    QTest::addColumn<QString>("nackAt");
    QTest::addColumn<QString>("timeoutAt");
    QTest::addColumn<Report>("before"); // a request made first (a mode write), or none (all zero)
    QTest::addColumn<Report>("probe");
    QTest::addColumn<int>("nack");
    QTest::addColumn<int>("timeout");
    const Report none{};
    const Report debug = req::i2cWrite(kStdMode, {0x01, 0x01});
    const Report raster = req::i2cWrite(kStdMode, {0x85, 0x01});
    const Report internal = req::i2cWrite(kStdMode, {0xC5, 0x01});
    const Report information = req::i2cWrite(kStdMode, {0x02, 0x00});
    const Report window = req::i2cRead(kStdWindow, 60);
    QTest::newRow("the register refused") << "0x2B" << "" << none << req::i2cRead(0x2B, 8) << 1 << 0;
    QTest::newRow("another register answers") << "0x2B" << "" << none << req::i2cRead(0x3E, 2) << 0 << 0;
    QTest::newRow("a write to it refused") << "0x34" << "" << none << req::i2cWrite(0x34, {0x08}) << 1 << 0;
    QTest::newRow("the window in debug mode") << "window:debug" << "" << debug << window << 1 << 0;
    QTest::newRow("a later chunk of the debug block") << "window:debug" << "" << debug
                                                      << req::i2cRead(std::uint8_t(kStdWindow + 60), 60) << 1 << 0;
    QTest::newRow("the window in raster mode, debug refused") << "window:debug" << "" << raster << window << 0 << 0;
    QTest::newRow("the window in raster mode") << "window:raster" << "" << raster << window << 1 << 0;
    QTest::newRow("the window in internal raster mode") << "window:internal_raster" << "" << internal << window << 1
                                                        << 0;
    QTest::newRow("the information page") << "window:information" << "" << information << req::i2cRead(kStdWindow, 13)
                                          << 1 << 0;
    QTest::newRow("the CRC while the debug window is refused") << "window:debug" << "" << debug
                                                               << req::i2cRead(0x3E, 2) << 0 << 0;
    QTest::newRow("the bootloader") << "bootloader" << "" << none << req::i2cRead(0x00, 4, 0x02) << 1 << 0;
    QTest::newRow("the controller at the bootloader's register") << "bootloader" << "" << none
                                                                  << req::i2cRead(0x00, 4) << 0 << 0;
    QTest::newRow("a time-out at a register") << "" << "0x3B" << none << req::i2cRead(0x3B, 2) << 0 << 1;
}

void TestEmulatorBoard::refusedSpots()
{
    QFETCH(QString, nackAt);
    QFETCH(QString, timeoutAt);
    QFETCH(Report, before);
    QFETCH(Report, probe);
    QFETCH(int, nack);
    QFETCH(int, timeout);
    PanelDescription p;
    p.faults.nackAt = *emulator::I2cSpots::parse(nackAt);
    p.faults.timeoutAt = *emulator::I2cSpots::parse(timeoutAt);
    QCOMPARE(emulator::I2cSpots::parse(p.faults.nackAt.text()), std::optional(p.faults.nackAt));
    BoardHarness h(p);
    if (before[0] != 0)
        QCOMPARE(h.exchange(before)[63], std::uint8_t{0});
    const Report a = h.exchange(probe);
    QCOMPARE(int(a[63]), nack);
    QCOMPARE(int(a[62]), timeout);
    if (nack || timeout)
        QVERIFY(std::all_of(a.begin() + 1, a.begin() + 62, [](std::uint8_t b) { return b == 0; }));
    if (probe == req::i2cWrite(0x34, {0x08}))
        QCOMPARE(h.exchange(req::bridge(0x01, 0x01))[3], std::uint8_t(nack ? 2 : 1));
    QCOMPARE(h.unpaired, 0);
}

void TestEmulatorBoard::shortAnswers()
{
    PanelDescription p;
    p.faults.shortAnswers = 1u << 0x01;
    p.faults.shortAnswerBytes = 3;
    BoardHarness h(p);
    h.exchange(req::bridge(0x01, 0x01));
    QCOMPARE(h.lengths, std::vector<std::size_t>{3});
    // Only that command's answers: the others come whole.
    h.exchange(req::bridge(0x04));
    QCOMPARE(h.lengths, std::vector<std::size_t>{64});
    h.exchange(req::i2cRead(0x3E, 2));
    QCOMPARE(h.lengths, std::vector<std::size_t>{64});
}

void TestEmulatorBoard::silentBoard()
{
    PanelDescription p;
    p.faults.silent = true;
    BoardHarness h(p);
    for (const Report &r : {req::i2cRead(0x3E, 2), req::bridge(0x01, 0x01), req::bridge(0x02), req::bridge(0x03),
                            req::bridge(0x04), req::bridge(0x05), req::bridge(0x07)})
        QCOMPARE(h.send(r), 0);
    std::uint8_t feature[33] = {0};
    QCOMPARE(h.board.getFeature(feature, sizeof feature), -1);
}

void TestEmulatorBoard::resets()
{
    BoardHarness h;
    h.exchange(req::bridge(0x03, 0, 0x00));
    h.exchange(req::bridge(0x05, 0, 0x00));
    // Disabling interrupt reports needs both bytes 3 and 4.
    h.exchange(req::bridge(0x05, 0, 0x01, 0x00));
    QVERIFY(h.board.interruptEnabled() && h.board.interruptReports());
    h.exchange(req::bridge(0x05, 0, 0x01, 0x01));
    QVERIFY(!h.board.interruptReports());
    h.exchange(req::bridge(0x05, 0, 0x00));

    h.exchange(req::i2cWrite(kStdMode, {0x02, 0x00}));
    h.exchange(req::i2cWrite(0x34, {0x08}));
    h.exchange(req::bridge(0x03, 0, 0x01));
    QCOMPARE(h.board.controller().mode(), std::uint16_t{emulator::TouchController::Information});

    // The bridge restarting leaves the controller alone but drops its own switches.
    QCOMPARE(h.send(req::bridge(0x02, 0, 0x01)), 0);
    QCOMPARE(h.board.bridgeResets(), 1);
    QVERIFY(!h.board.forwarding() && !h.board.interruptEnabled() && !h.board.interruptReports());
    QCOMPARE(h.board.controller().mode(), std::uint16_t{emulator::TouchController::Information});

    // A controller reset brings back normal mode and clears the attention request.
    h.exchange(req::bridge(0x02, 0, 0x00));
    QCOMPARE(h.board.controllerResets(), 1);
    QCOMPARE(h.board.controller().mode(), std::uint16_t{emulator::TouchController::Normal});
    QVERIFY(!h.board.controller().attentionRequested());
    const Report a = h.exchange(req::i2cRead(kStdWindow, 13));
    QCOMPARE(a[1], std::uint8_t{0});
    QCOMPARE(h.unpaired, 0);
}

void TestEmulatorBoard::bridgeVersionAndCurrent_data()
{
    QTest::addColumn<double>("milliamps");
    QTest::addColumn<int>("raw");
    QTest::newRow("33 mA") << 33.0 << 0;
    QTest::newRow("0 mA") << 0.0 << 4096;
    QTest::newRow("18 mA") << 18.0 << 1862;
    QTest::newRow("above full scale") << 40.0 << 0;
}

void TestEmulatorBoard::bridgeVersionAndCurrent()
{
    QFETCH(double, milliamps);
    QFETCH(int, raw);
    PanelDescription p;
    p.currentMa = milliamps;
    p.firmwareVersion = "W2.1";
    BoardHarness h(p);
    Report a = h.exchange(req::bridge(0x07));
    QCOMPARE(a[2] * 256 + a[3], raw); // big-endian, unlike the I2C data
    if (milliamps <= 33.0)
        QVERIFY(std::abs(33.0 - (a[2] * 256 + a[3]) * 33.0 / 4096 - milliamps) <= 33.0 / 4096);

    a = h.exchange(req::bridge(0x04));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(a.data() + 1), 4), QByteArray("W2.1"));
}

void TestEmulatorBoard::traceLines_data()
{
    // The size at which the trace is rotated and how many older parts stay;
    // how many of the seven lines are then still on the disk.
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("kept");
    QTest::addColumn<int>("linesLeft");
    QTest::newRow("one file") << emulator::WireTrace::DefaultLimitBytes << emulator::WireTrace::DefaultPartsKept << 7;
    QTest::newRow("rotated at every line, all parts kept") << qint64(1) << 7 << 7;
    // 39 bytes: the first line's length, time column and line end included.
    QTest::newRow("rotated at the first line's end, three parts kept") << qint64(39) << 3 << 4;
}

void TestEmulatorBoard::traceLines()
{
    QFETCH(qint64, limit);
    QFETCH(int, kept);
    QFETCH(int, linesLeft);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("wire.txt"));
    QFile stale(path + QStringLiteral(".1")); // of an earlier trace
    QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("     1.000 out 02 07\n") > 0);
    stale.close();
    emulator::WireTrace trace;
    trace.setRotation(limit, kept);
    QVERIFY(trace.open(path));
    PanelDescription p;
    p.xElectrodes = 30;
    p.yElectrodes = 20;
    BoardHarness h(p);
    h.board.setTrace(&trace);

    h.exchange(req::i2cWrite(kStdMode, {0x02, 0x00}));
    h.exchange(req::i2cRead(kStdWindow, 13));
    h.send(req::bridge(0x02, 0, 0x01));
    h.board.setFaults({true, false, false, false});
    h.exchange(req::i2cRead(0x3E, 2));
    trace.close();

    // The oldest part first; each ends with a whole line.
    QStringList lines;
    for (int n = kept + 1; n >= 0; --n) {
        QFile f(n == 0 ? path : path + QLatin1Char('.') + QString::number(n));
        QVERIFY(n > kept ? !f.exists() : !f.exists() || f.open(QIODevice::ReadOnly | QIODevice::Text));
        const QByteArray text = f.isOpen() ? f.readAll() : QByteArray();
        QVERIFY(text.isEmpty() || text.endsWith('\n'));
        lines += QString::fromLatin1(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    double last = -1;
    for (QString &line : lines) {
        bool ok = false;
        const double ms = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty).toDouble(&ok);
        QVERIFY2(ok && ms >= last, qPrintable(line));
        last = ms;
        line = line.mid(11); // drop the time column
    }
    const QStringList expected = {
        QStringLiteral("out 02 00 00 01 88 02 02 00"),
        QStringLiteral("in  02"),
        QStringLiteral("out 02 00 00 00 8E 0D"),
        QStringLiteral("in  02 1E 14 00 00 00 00 00 00 00 00 05 20 03"), // resolution 1280 x 800 rides along
        QStringLiteral("out 02 02 00 01"), // the bridge reset, and no answer
        QStringLiteral("out 02 00 00 00 3E 02"),
        // flags are never trimmed away
        QStringLiteral("in  02") + QStringLiteral(" 00").repeated(62) + QStringLiteral(" 01"),
    };
    QCOMPARE(lines, expected.mid(expected.size() - linesLeft));
}

void TestEmulatorBoard::framesMove_data()
{
    QTest::addColumn<int>("modeLow");
    QTest::addColumn<int>("debugJitter");
    QTest::addColumn<int>("m0Jitter");
    QTest::addColumn<int>("rasterJitter");
    QTest::addColumn<int>("spread"); // how far a value may stray from its level
    QTest::addColumn<bool>("moves");

    QTest::newRow("debug") << 0x01 << 4 << 0 << 0 << 4 << true;
    QTest::newRow("m0") << 0x09 << 0 << 3 << 0 << 3 << true;
    QTest::newRow("m0 still while debug would move") << 0x09 << 50 << 0 << 50 << 0 << false;
    QTest::newRow("raster") << 0x85 << 0 << 0 << 5 << 5 + 12 << true;
    QTest::newRow("internal raster") << 0xC5 << 0 << 0 << 5 << 5 + 12 << true;
    QTest::newRow("raster without jitter") << 0x8D << 50 << 50 << 0 << 12 << false;
}

// Live views need data that moves a little from frame to frame, each kind by
// its own amount, and never away from the panel's levels.
void TestEmulatorBoard::framesMove()
{
    QFETCH(int, modeLow);
    QFETCH(int, debugJitter);
    QFETCH(int, m0Jitter);
    QFETCH(int, rasterJitter);
    QFETCH(int, spread);
    QFETCH(bool, moves);
    PanelDescription p;
    p.xElectrodes = 69; // debug block over 256 bytes, raster rows in three chunks
    p.yElectrodes = 63;
    p.debug.xValues = ramp(68, 100);
    p.debug.yValues = ramp(62, 300);
    p.m0.xValues = ramp(68, 500);
    p.m0.yValues = ramp(62, 700);
    p.rasterNoise = 12;
    p.debugJitter = debugJitter;
    p.m0Jitter = m0Jitter;
    p.rasterJitter = rasterJitter;
    BoardHarness h(p);
    h.exchange(req::i2cWrite(kStdMode, {static_cast<std::uint8_t>(modeLow), 0x01}));
    const bool raster = modeLow != 0x01 && modeLow != 0x09;
    const emulator::ElectrodeLevels &levels = modeLow == 0x01 ? p.debug : p.m0;

    std::vector<std::vector<int>> frames;
    for (int frame = 0; frame < 6; ++frame) {
        std::vector<int> v;
        if (raster) {
            h.exchange(req::i2cWrite(kStdRow, {3, 0x00}));
            v = BoardHarness::values(h.readBlock(kStdWindow, 0, 2 * 69 + 2));
        } else {
            v = BoardHarness::values(h.readBlock(kStdWindow, 0, 2 * 68));
            const std::vector<int> y = BoardHarness::values(h.readBlock(kStdWindow, 2 * 68, 2 * 62));
            v.insert(v.end(), y.begin(), y.end());
        }
        for (std::size_t i = 0; i < v.size(); ++i) {
            const int level = raster ? (modeLow == 0xC5 ? p.internalRasterLevel : p.rasterLevel)
                                     : (i < 68 ? levels.xAt(int(i)) : levels.yAt(int(i) - 68));
            QVERIFY2(std::abs(v[i] - level) <= spread, qPrintable(QStringLiteral("value %1: %2").arg(i).arg(v[i])));
        }
        frames.push_back(v);
    }
    int changed = 0;
    for (std::size_t f = 1; f < frames.size(); ++f)
        changed += frames[f] != frames[f - 1] ? 1 : 0;
    QCOMPARE(changed, moves ? 5 : 0);
    QCOMPARE(h.unpaired, 0);
}

QTEST_GUILESS_MAIN(TestEmulatorBoard)
#include "tst_emulator_board.moc"
