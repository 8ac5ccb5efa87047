#include "devicelink.h"
#include "devicewatcher.h"
#include "emudcontrol.h"
#include "hidapitransport.h"
#include "hidcommand.h"
#include "settings.h"
#include "ui_vorlane.h"

#include <QElapsedTimer>

#include <functional>
#include <QMainWindow>
#include <QThread>
#include <QtTest>

// Runs as the child of the emulated-board host: the board appears on a real
// hidraw node and the station's own hidapi and udev code see it.
class TestHostedLink : public QObject
{
    Q_OBJECT

    EmudControl m_control;
    static constexpr std::uint16_t kVid = 0x1A86;
    static constexpr std::uint16_t kPid = 0xE0A1;

    void plug() { QCOMPARE(m_control.send("plug"), QString("ok plugged")); }
    void unplug() { QCOMPARE(m_control.send("unplug"), QString("ok unplugged")); }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_control.connectToHost(), "run me under kavel-bridge-emud --control");
        unplug();
    }

    void watcherSeesEachPlugCycleOnceOnTheGuiThread()
    {
        DeviceWatcher watcher;
        QVERIFY(watcher.isWatching());
        int arrivals = 0, removals = 0;
        bool offThread = false;
        connect(&watcher, &DeviceWatcher::deviceArrived, this, [&] {
            ++arrivals;
            offThread |= QThread::currentThread() != qApp->thread();
        });
        connect(&watcher, &DeviceWatcher::deviceRemoved, this, [&] {
            ++removals;
            offThread |= QThread::currentThread() != qApp->thread();
        });
        for (int cycle = 1; cycle <= 3; ++cycle) {
            plug();
            QTRY_COMPARE(arrivals, cycle);
            unplug();
            QTRY_COMPARE(removals, cycle);
            // Nothing more trickles in late.
            QTest::qWait(100);
            QCOMPARE(arrivals, cycle);
            QCOMPARE(removals, cycle);
        }
        QVERIFY(!offThread);
    }

    void enumerationFindsTheBoardByItsIds()
    {
        plug();
        device::HidapiTransport transport;
        bool found = false;
        for (const auto &info : transport.enumerate())
            found |= info.vendorId == kVid && info.productId == kPid;
        QVERIFY(found);
        QVERIFY(!transport.open(0x1234, 0x5678));
        QVERIFY(transport.open(kVid, kPid));
        transport.close();
        unplug();
        QVERIFY(!transport.open(kVid, kPid));
    }

    void commandsRunThroughTheRealNode()
    {
        plug();
        auto previous = device::link::install(std::make_unique<device::HidapiTransport>());
        QVERIFY(device::link::transport().open(kVid, kPid));

        QMainWindow window;
        Ui::VorlaneClass ui;
        ui.setupUi(&window);
        Settings store;
        store.set("x_electrodes", "30");
        store.set("y_electrodes", "20");
        HidCommand command(&window, &ui, &store);
        // Building the command layer clears the flag; discovery sets it once the board is identified.
        device::link::setConnected(1);
        QVERIFY2(command.readXnYn(), qPrintable(ui.textBrowser->toPlainText()));
        QCOMPARE(ui.XNEdit->text(), QString("30"));
        QCOMPARE(ui.YNEdit->text(), QString("20"));

        // Feature reports reach the board and come back.
        std::uint8_t out[33] = {0x00, 0x00, 0x00, 0x01, 0x10, 0x04, 0xAB};
        QCOMPARE(device::link::transport().sendFeatureReport(out, sizeof out), 33);
        std::uint8_t in[33] = {};
        QCOMPARE(device::link::transport().getFeatureReport(in, sizeof in), 33);
        QCOMPARE(in[6], std::uint8_t(0xAB));

        device::link::setConnected(0);
        device::link::transport().close();
        device::link::install(std::move(previous));
        unplug();
    }

    void fingersAndKeysReachTheStationWhileForwarding()
    {
        plug();
        auto previous = device::link::install(std::make_unique<device::HidapiTransport>());
        QVERIFY(device::link::transport().open(kVid, kPid));
        QMainWindow window;
        Ui::VorlaneClass ui;
        ui.setupUi(&window);
        Settings store;
        HidCommand command(&window, &ui, &store);
        device::link::setConnected(1);
        auto &transport = device::link::transport();
        std::uint8_t report[64];
        // Reads reports as fast as they come until one matches (the board keeps
        // sending at its scan rate, so older ones are read past).
        const auto readUntil = [&](const std::function<bool()> &wanted) {
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < 3000) {
                if (transport.read(report, sizeof report, 300) == 64 && wanted())
                    return true;
            }
            return false;
        };

        // Nothing is forwarded until the station asks for it.
        QCOMPARE(m_control.send("touch 0:100:200"), QString("ok touch 1"));
        QCOMPARE(transport.read(report, sizeof report, 100), 0);

        QVERIFY(command.setNormalMode());
        // Forwarding on (as the stream reader starts it), then interrupt reports.
        const std::uint8_t forward[64] = {0x02, 0x03, 0x00, 0x01};
        QCOMPARE(transport.write(forward, sizeof forward), 64);
        QCOMPARE(transport.read(report, sizeof report, 2000), 64);
        command.enableInterruptReport();
        // A finger down: reports at the controller's scan rate, count 1, first slot (x, y, id).
        QCOMPARE(transport.read(report, sizeof report, 300), 64);
        QCOMPARE(int(report[1]), 1);
        QCOMPARE(report[3] | report[4] << 8, 100);
        QCOMPARE(report[5] | report[6] << 8, 200);
        QCOMPARE(int(report[7]), 0);
        // Two fingers, then a key held down.
        QCOMPARE(m_control.send("touch 0:10:20,1:1000:700"), QString("ok touch 2"));
        QVERIFY(readUntil([&] { return report[1] == 2; }));
        QCOMPARE(report[8] | report[9] << 8, 1000);
        QCOMPARE(m_control.send("key 0x04"), QString("ok key"));
        QVERIFY(readUntil([&] { return report[2] == 0x04; }));
        // Everything lifted: the last report says so, then the board is quiet.
        QCOMPARE(m_control.send("key 0"), QString("ok key"));
        QCOMPARE(m_control.send("touch"), QString("ok touch 0"));
        QVERIFY(readUntil([&] { return report[1] == 0 && report[2] == 0; }));
        while (transport.read(report, sizeof report, 50) > 0) {
        }
        QCOMPARE(transport.read(report, sizeof report, 100), 0);

        QVERIFY(m_control.send("touch 0:1").startsWith("error"));
        QVERIFY(m_control.send("key 256").startsWith("error"));
        command.disableInterruptReport();
        device::link::setConnected(0);
        transport.close();
        device::link::install(std::move(previous));
        unplug();
    }

    void unplugFailsAnOpenHandleAtOnceAndReplugWorks()
    {
        plug();
        device::HidapiTransport transport;
        QVERIFY(transport.open(kVid, kPid));
        unplug();
        std::uint8_t buffer[64];
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(transport.read(buffer, sizeof buffer, 2000), -1);
        QVERIFY2(timer.elapsed() < 1000, "a read on an unplugged board waited for its time-out");
        transport.close();

        plug();
        QVERIFY(transport.open(kVid, kPid));
        const std::uint8_t request[64] = {0x02, 0x00, 0x00, 0x00, 0x8E, 0x0D};
        QCOMPARE(transport.write(request, sizeof request), 64);
        QCOMPARE(transport.read(buffer, sizeof buffer, 2000), 64);
        transport.close();
        unplug();
    }
};

QTEST_MAIN(TestHostedLink)
#include "tst_hosted_link.moc"
