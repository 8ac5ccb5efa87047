// The bridge report layout, the write/wait/read exchange and the decoding of
// the panel's answers.
#include "bridgereport.h"
#include "devicelink.h"
#include "panelcodec.h"
#include "scriptedtransport.h"

#include <QtTest>

using namespace device;
using bridge::Report;

Q_DECLARE_METATYPE(device::bridge::Report)

class TestDeviceBridge : public QObject
{
    Q_OBJECT

private:
    ScriptedTransport *m_board = nullptr;

private slots:
    void init()
    {
        auto board = std::make_unique<ScriptedTransport>();
        m_board = board.get();
        m_board->setOpen(true);
        link::install(std::move(board));
    }
    void cleanup()
    {
        m_board = nullptr;
        link::install(nullptr);
    }

    void requestLayout_data()
    {
        QTest::addColumn<Report>("request");
        QTest::addColumn<QString>("expected");
        using namespace bridge;
        QTest::newRow("information mode, standard map")
            << modeWrite(StandardMap, mode::Information) << "02 00 00 01 88 02 02 00";
        QTest::newRow("information mode, alternate map")
            << modeWrite(AlternateMap, mode::Information) << "02 00 00 01 42 02 02 00";
        QTest::newRow("normal mode keeps count 2")
            << modeWrite(StandardMap, mode::Normal) << "02 00 00 01 88 02 00 00";
        QTest::newRow("data window read") << i2cRead(StandardMap.window, 13) << "02 00 00 00 8E 0D";
        QTest::newRow("bootloader version read")
            << i2cRead(reg::BootloaderVersion, 4, TargetBootloader) << "02 00 02 00 00 04";
        QTest::newRow("one-byte write") << i2cWrite(reg::Attention, {0x0B}) << "02 00 00 01 34 01 0B";
        QTest::newRow("bridge reset") << request(Reset, {0x00, 0x01}) << "02 02 00 01";
        QTest::newRow("interrupt report disable")
            << request(InterruptReport, {0x00, 0x01, 0x01}) << "02 05 00 01 01";
        QTest::newRow("current") << request(SupplyCurrent) << "02 07";
    }
    void requestLayout()
    {
        QFETCH(Report, request);
        QFETCH(QString, expected);
        // All 64 bytes: whatever the request leaves unset must go out as zero.
        QCOMPARE(hexOf(request), hexOf(reportFromHex(expected)));
        QVERIFY(request == reportFromHex(expected));
    }

    void windowChunks_data()
    {
        QTest::addColumn<int>("cf48");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("address");
        QTest::newRow("standard 0") << 0 << 0 << 0x8E;
        QTest::newRow("standard 1") << 0 << 1 << 0xCA;
        QTest::newRow("standard 2 wraps") << 0 << 2 << 0x06;
        QTest::newRow("standard 5 wraps") << 0 << 5 << 0xBA;
        QTest::newRow("alternate 1") << 1 << 1 << 0x84;
        QTest::newRow("alternate 3 wraps") << 1 << 3 << 0xFC;
        QTest::newRow("alternate 4 wraps") << 1 << 4 << 0x38;
    }
    void windowChunks()
    {
        QFETCH(int, cf48);
        QFETCH(int, chunk);
        QTEST(int(bridge::windowChunk(bridge::registerMap(cf48), chunk)), "address");
    }

    void transferOrder()
    {
        Report answer{};
        m_board->answers.push_back(answerWith({{1, 0x55}}));
        const bridge::Transfer t = bridge::transfer(bridge::request(bridge::FirmwareVersion), 30, &answer);
        QVERIFY(t.ok());
        QCOMPARE(answer[1], std::uint8_t(0x55));
        QCOMPARE(m_board->events.size(), std::size_t(2));
        QCOMPARE(m_board->events[0].kind, ScriptedTransport::Event::Write);
        QCOMPARE(m_board->events[1].kind, ScriptedTransport::Event::Read);
        QVERIFY(m_board->events[1].atMs - m_board->events[0].atMs >= 30);
        QCOMPARE(m_board->events[1].timeoutMs, bridge::AnswerTimeoutMs);
    }

    void transferFailures()
    {
        // A failed write still consumes its answer slot, but the transfer failed.
        m_board->writeResults.push_back(-1);
        QVERIFY(!bridge::transfer(bridge::request(bridge::SupplyCurrent)).ok());
        QCOMPARE(m_board->readCount(), 1);

        // A silent board is a failed transfer, not a hang.
        m_board->silent = true;
        const bridge::Transfer silent = bridge::transfer(bridge::request(bridge::SupplyCurrent));
        QVERIFY(silent.written);
        QVERIFY(!silent.answered);

        // Nothing open: the transport is not even asked.
        m_board->setOpen(false);
        const std::size_t before = m_board->events.size();
        QVERIFY(!bridge::transfer(bridge::request(bridge::SupplyCurrent)).ok());
        QVERIFY(!bridge::send(bridge::request(bridge::SupplyCurrent)));
        QCOMPARE(m_board->events.size(), before);
    }

    void i2cError_data()
    {
        QTest::addColumn<int>("byte62");
        QTest::addColumn<int>("byte63");
        QTest::addColumn<QString>("error");
        QTest::newRow("clean") << 0 << 0 << "";
        QTest::newRow("timeout") << 1 << 0 << "error2";
        QTest::newRow("no ack") << 0 << 1 << "error1";
        QTest::newRow("no ack wins") << 1 << 1 << "error1";
        QTest::newRow("only 1 is a flag") << 2 << 2 << "";
    }
    void i2cError()
    {
        QFETCH(int, byte62);
        QFETCH(int, byte63);
        QTEST(codec::i2cError(answerWith({{62, byte62}, {63, byte63}})), "error");
    }

    void crcText_data()
    {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QString>("text");
        QTest::newRow("1234") << 0x34 << 0x12 << "1234";
        QTest::newRow("upper case") << 0xcd << 0xab << "ABCD";
        QTest::newRow("leading zeros") << 0x05 << 0x00 << "0005";
    }
    void crcText()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        QTEST(codec::crcText(answerWith({{1, low}, {2, high}})), "text");
    }

    void eepromText_data()
    {
        QTest::addColumn<Report>("answer");
        QTest::addColumn<int>("cf48");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero skipped")
            << answerWith({{1, 0x56}, {2, 0x31}, {3, 0x2E}, {4, 0x30}, {5, 0x00}, {6, 0x41}}) << 0
            << "V1.0A";
        QTest::newRow("space and tilde skipped")
            << answerWith({{1, 0x56}, {2, 0x20}, {3, 0x31}, {4, 0x7E}, {5, 0x41}}) << 0 << "V1A";
        QTest::newRow("edges + and z kept, * and { skipped")
            << answerWith({{1, 0x2A}, {2, 0x2B}, {3, 0x7A}, {4, 0x7B}}) << 0 << "+z";
        QTest::newRow("byte 32 is the last") << answerWith({{32, 'Q'}, {33, 'R'}}) << 0 << "Q";
        QTest::newRow("alternate map: byte 1 only")
            << answerWith({{1, 'B'}, {2, 'C'}}) << 1 << "B";
        QTest::newRow("alternate map: unprintable byte 1")
            << answerWith({{1, 0x20}, {2, 'C'}}) << 1 << "";
    }
    void eepromText()
    {
        QFETCH(Report, answer);
        QFETCH(int, cf48);
        QTEST(codec::eepromText(answer, cf48), "text");
    }

    void usbVersion_data()
    {
        QTest::addColumn<Report>("answer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("W104") << answerWith({{1, 'W'}, {2, '1'}, {3, '0'}, {4, '4'}}) << "W104" << true;
        QTest::newRow("not ours") << answerWith({{1, 'V'}, {2, '1'}, {3, '0'}, {4, '4'}}) << "V104" << false;
        QTest::newRow("zero ends its pair")
            << answerWith({{1, 'W'}, {2, 0}, {3, '0'}, {4, '4'}}) << "W04" << true;
        QTest::newRow("zero first drops the pair")
            << answerWith({{1, 0}, {2, 'X'}, {3, 'W'}, {4, '4'}}) << "W4" << true;
        QTest::newRow("empty") << Report{} << "" << false;
    }
    void usbVersion()
    {
        QFETCH(Report, answer);
        QFETCH(QString, text);
        QCOMPARE(codec::usbVersionText(answer), text);
        QTEST(codec::usbVersionAccepted(text), "accepted");
    }

    void bootloader_data()
    {
        QTest::addColumn<int>("fourth");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("0x46") << 0x46 << false;
        QTest::newRow("0x47") << 0x47 << true;
        QTest::newRow("0x4A") << 0x4A << true;
        QTest::newRow("0x4B") << 0x4B << false;
    }
    void bootloader()
    {
        QFETCH(int, fourth);
        const Report a = answerWith({{1, 0x01}, {2, 0xA2}, {3, 0x03}, {4, fourth}, {5, 0x77}});
        QTEST(codec::bootloaderAccepted(a), "accepted");
        const QString code = QStringLiteral("%1").arg(fourth, 2, 16, QLatin1Char('0')).toUpper();
        QCOMPARE(codec::bootloaderCode(a), code);
        QCOMPARE(codec::bootloaderText(a), QStringLiteral("BootloadVersion:01,A2,03,%1,").arg(code));
    }

    void current_data()
    {
        QTest::addColumn<int>("byte2");
        QTest::addColumn<int>("byte3");
        QTest::addColumn<float>("mA");
        QTest::newRow("raw 0") << 0x00 << 0x00 << 33.0f;
        QTest::newRow("raw 4096") << 0x10 << 0x00 << 0.0f;
        QTest::newRow("raw 2048") << 0x08 << 0x00 << 16.5f;
        QTest::newRow("big-endian: 0x0010") << 0x00 << 0x10 << float(33.0 - 16 * 33.0 / 4096);
    }
    void current()
    {
        QFETCH(int, byte2);
        QFETCH(int, byte3);
        QFETCH(float, mA);
        const int raw = codec::currentRaw(answerWith({{2, byte2}, {3, byte3}}));
        QCOMPARE(raw, byte2 * 256 + byte3);
        QCOMPARE(codec::currentFromRaw(raw), mA);
    }

    void buttons()
    {
        const Report a = answerWith({{1, 0xFF}, {2, 0x7F}, {3, 0x80}, {4, 0x01}, {9, 0x05}});
        const std::vector<int> values = codec::buttonValues(a);
        QCOMPARE(values, (std::vector<int>{-2, 254, -256, 2, 0, 0, 0, 0}));
        QCOMPARE(codec::buttonText(values), QStringLiteral("-2,254,-256,2,0,0,0,0,"));
    }
};

QTEST_MAIN(TestDeviceBridge)
#include "tst_device_bridge.moc"
