// Finding and opening the bridge board, and what the search leaves in ./log.txt.
#include "devicelink.h"
#include "logrotation.h"
#include "myusbhid.h"
#include "scriptedtransport.h"
#include "stationids.h"

#include <QtTest>

using namespace device;

namespace {

HidDeviceInfo hid(std::uint16_t vid, std::uint16_t pid, std::uint16_t release = 0x0104)
{
    HidDeviceInfo d;
    d.vendorId = vid;
    d.productId = pid;
    d.releaseNumber = release;
    d.path = QByteArray("/dev/hidraw") + QByteArray::number(vid);
    return d;
}

QByteArray readAll(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QByteArray readLog()
{
    return readAll(QStringLiteral("./log.txt"));
}

const QByteArray NoMoreItems = "error2\r\n259\r\n";

} // namespace

class TestDeviceDiscovery : public QObject
{
    Q_OBJECT

private:
    ScriptedTransport *m_board = nullptr;
    QTemporaryDir m_dir;
    QString m_oldDir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        station::setBridgeIds({"1234", "5678", "ABCD", "ef01"});
    }
    void cleanupTestCase() { QDir::setCurrent(m_oldDir); }

    void init()
    {
        files::removeWithParts(QStringLiteral("./log.txt"), MyUsbHid::LogPartsKept);
        auto board = std::make_unique<ScriptedTransport>();
        m_board = board.get();
        link::install(std::move(board));
        link::setConnected(0);
        link::setInterfaceInfo(std::nullopt);
    }
    void cleanup()
    {
        m_board = nullptr;
        link::install(nullptr);
        QDir(QStringLiteral("./log.txt")).removeRecursively();
    }

    void constructionClearsConnected()
    {
        link::setConnected(1);
        MyUsbHid hid;
        QCOMPARE(link::connected(), std::uint8_t(0));
    }

    void nothingAttached()
    {
        MyUsbHid usb;
        QVERIFY(!usb.findHidDevice());
        QCOMPARE(readLog(), NoMoreItems.repeated(10));
        QCOMPARE(link::connected(), std::uint8_t(0));
    }

    void logNotWritable()
    {
        // A folder where the log should be: it cannot be opened for appending.
        QVERIFY(QDir().mkdir(QStringLiteral("log.txt")));
        m_board->devices = {hid(0x1234, 0x5678)};
        MyUsbHid usb;
        QVERIFY(!usb.findHidDevice());
        QCOMPARE(m_board->enumerateCalls, 0);
        QCOMPARE(link::connected(), std::uint8_t(0));
    }

    void logAppends_data()
    {
        // What the log holds before the search, how many older parts lie
        // beside it, and whether the search starts a fresh part.
        QTest::addColumn<QByteArray>("earlier");
        QTest::addColumn<int>("parts");
        QTest::addColumn<bool>("rotated");
        const QByteArray full(MyUsbHid::LogLimitBytes, 'e');
        QTest::newRow("appended") << QByteArray("earlier\r\n") << 0 << false;
        QTest::newRow("a byte under the limit: appended") << full.left(full.size() - 1) << 1 << false;
        QTest::newRow("at the limit: rotated") << full << 1 << true;
        QTest::newRow("every part there: the oldest dropped") << full << MyUsbHid::LogPartsKept << true;
    }
    void logAppends()
    {
        QFETCH(QByteArray, earlier);
        QFETCH(int, parts);
        QFETCH(bool, rotated);
        const auto part = [](int n) { return QStringLiteral("./log.txt.%1").arg(n); };
        const auto write = [](const QString &name, const QByteArray &text) {
            QFile f(name);
            return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
        };
        QVERIFY(write(QStringLiteral("./log.txt"), earlier));
        for (int n = 1; n <= parts; ++n)
            QVERIFY(write(part(n), "part " + QByteArray::number(n)));
        MyUsbHid usb;
        QVERIFY(!usb.openInterface(0));
        if (!rotated) {
            // The lines go on where the log ended, unchanged.
            QCOMPARE(readLog(), earlier + NoMoreItems);
            for (int n = 1; n <= parts; ++n)
                QCOMPARE(readAll(part(n)), "part " + QByteArray::number(n));
        } else {
            QCOMPARE(readLog(), NoMoreItems);
            QCOMPARE(readAll(part(1)), earlier);
            for (int n = 2; n <= std::min(parts + 1, MyUsbHid::LogPartsKept); ++n)
                QCOMPARE(readAll(part(n)), "part " + QByteArray::number(n - 1));
        }
        QVERIFY(!QFile::exists(part(MyUsbHid::LogPartsKept + 1)));
    }

    void matching_data()
    {
        QTest::addColumn<int>("vid");
        QTest::addColumn<int>("pid");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("opened");
        QTest::newRow("maker pair") << 0x1234 << 0x5678 << true << true;
        QTest::newRow("customer pair") << 0xABCD << 0xEF01 << true << true;
        QTest::newRow("maker vid, customer pid") << 0x1234 << 0xEF01 << true << false;
        QTest::newRow("customer vid, maker pid") << 0xABCD << 0x5678 << true << false;
        QTest::newRow("vid only") << 0x1234 << 0x1111 << false << false;
        QTest::newRow("pid only") << 0x2222 << 0x5678 << false << false;
    }
    void matching()
    {
        QFETCH(int, vid);
        QFETCH(int, pid);
        QFETCH(bool, found);
        QFETCH(bool, opened);
        const HidDeviceInfo board = hid(std::uint16_t(vid), std::uint16_t(pid), 0x0A0B);
        m_board->devices = {board};
        m_board->openable = {{board.vendorId, board.productId}};

        MyUsbHid usb;
        QSignalSpy vidSpy(&usb, &MyUsbHid::setVidTextEdit);
        QSignalSpy pidSpy(&usb, &MyUsbHid::setPidTextEdit);
        QSignalSpy versionSpy(&usb, &MyUsbHid::setVertEdit);
        QSignalSpy textSpy(&usb, &MyUsbHid::setTextEdit);

        QCOMPARE(usb.findHidDevice(), found);
        QCOMPARE(link::connected(), std::uint8_t(found ? 1 : 0));
        QCOMPARE(link::interfaceInfo().has_value(), found);
        QCOMPARE(vidSpy.count(), found ? 1 : 0);
        if (found) {
            QCOMPARE(vidSpy.at(0).at(0).toString(), QStringLiteral("%1").arg(vid, 4, 16, QLatin1Char('0')));
            QCOMPARE(pidSpy.at(0).at(0).toString(), QStringLiteral("%1").arg(pid, 4, 16, QLatin1Char('0')));
            QCOMPARE(versionSpy.at(0).at(0).toString(), QStringLiteral("0a0b"));
            QCOMPARE(textSpy.at(0).at(0).toString(), QStringLiteral("Found ONE HID IO Board!\r\n"));
            QVERIFY(readLog().isEmpty());
        } else {
            // Index 0 was looked at and refused; the nine others are past the end.
            QCOMPARE(readLog(), NoMoreItems.repeated(9));
        }
        // Finding never opens the device that carries the bridge reports.
        QVERIFY(!m_board->isOpen());

        link::setConnected(0);
        QCOMPARE(usb.openDevice(), opened);
        QCOMPARE(m_board->isOpen(), opened);
        QCOMPARE(link::connected(), std::uint8_t(opened ? 1 : 0));
    }

    void searchOrder()
    {
        // Ours is the fourth interface: the three before it are refused quietly.
        m_board->devices = {hid(0x0001, 0x0001), hid(0x0002, 0x0002), hid(0x0003, 0x0003),
                            hid(0xABCD, 0xEF01, 0x0200)};
        MyUsbHid usb;
        QSignalSpy versionSpy(&usb, &MyUsbHid::setVertEdit);
        QVERIFY(usb.findHidDevice());
        QCOMPARE(link::interfaceInfo()->productId, std::uint16_t(0xEF01));
        QCOMPARE(versionSpy.count(), 1);
        QCOMPARE(versionSpy.at(0).at(0).toString(), QStringLiteral("0200"));
        QVERIFY(readLog().isEmpty());
    }

    void onlyTenInterfaces()
    {
        for (int i = 0; i < 10; ++i)
            m_board->devices.push_back(hid(0x0100, std::uint16_t(i)));
        m_board->devices.push_back(hid(0x1234, 0x5678));
        MyUsbHid usb;
        QVERIFY(!usb.findHidDevice());
        QCOMPARE(m_board->enumerateCalls, 10);
        QCOMPARE(link::connected(), std::uint8_t(0));
    }

    void openOrder()
    {
        MyUsbHid usb;
        // Maker pair first, then the customer pair.
        m_board->openable = {{0xABCD, 0xEF01}};
        QVERIFY(usb.openDevice());
        QCOMPARE(m_board->openCalls,
                 (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{0x1234, 0x5678}, {0xABCD, 0xEF01}}));

        // Neither pair: false, and the connected flag is left as it was.
        m_board->openable.clear();
        link::setConnected(1);
        QVERIFY(!usb.openDevice());
        QCOMPARE(link::connected(), std::uint8_t(1));
    }

    void brokenIdsOpenNothing()
    {
        // hidapi would read 0 as "any device".
        station::setBridgeIds({"", "zz", "", ""});
        MyUsbHid usb;
        QVERIFY(!usb.openDevice());
        QVERIFY(m_board->openCalls.empty());
        station::setBridgeIds({"1234", "5678", "ABCD", "ef01"});
    }

    void closeDevice()
    {
        m_board->openable = {{0x1234, 0x5678}};
        MyUsbHid usb;
        QVERIFY(usb.openDevice());
        QVERIFY(usb.closeDevice());
        QVERIFY(!m_board->isOpen());
        // Removal clears the flag elsewhere; closing leaves it.
        QCOMPARE(link::connected(), std::uint8_t(1));
        QVERIFY(usb.closeDevice());
    }

    void parseId_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<uint>("id");
        QTest::newRow("hex without prefix") << QByteArray("1234") << 0x1234u;
        QTest::newRow("upper") << QByteArray("ABCD") << 0xABCDu;
        QTest::newRow("lower") << QByteArray("abcd") << 0xABCDu;
        QTest::newRow("empty") << QByteArray("") << 0u;
        QTest::newRow("not hex") << QByteArray("xyz") << 0u;
        QTest::newRow("too large") << QByteArray("12345") << 0u;
    }
    void parseId()
    {
        QFETCH(QByteArray, text);
        QTEST(MyUsbHid::parseId(text), "id");
    }

    void signalOrder()
    {
        const QMetaObject &mo = MyUsbHid::staticMetaObject;
        QStringList signalNames;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
            if (mo.method(i).methodType() == QMetaMethod::Signal)
                signalNames << QString::fromLatin1(mo.method(i).methodSignature());
        }
        QStringList expected;
        for (const char *s : {"readdata(const unsigned char*)", "setVidTextEdit(QString)",
                              "setPidTextEdit(QString)", "setTextEdit(QString)", "setVertEdit(QString)",
                              "HidData(QString)"})
            expected << QString::fromLatin1(QMetaObject::normalizedSignature(s));
        QCOMPARE(signalNames, expected);
    }
};

QTEST_MAIN(TestDeviceDiscovery)
#include "tst_device_discovery.moc"
