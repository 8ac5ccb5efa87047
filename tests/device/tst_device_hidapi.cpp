// The real transport on a machine without a bridge board: everything fails
// cleanly and quickly, nothing crashes or waits.
#include "devicelink.h"
#include "hidapitransport.h"
#include "hidcommand.h"
#include "myusbhid.h"
#include "settings.h"
#include "stationids.h"
#include "ui_vorlane.h"

#include <QtTest>
#include <QMainWindow>

using namespace device;

namespace {

// Ids no bridge board of ours uses.
constexpr std::uint16_t AbsentVid = 0xFFFE;
constexpr std::uint16_t AbsentPid = 0xFFFD;

bool listed(const std::vector<HidDeviceInfo> &devices, std::uint16_t vid, std::uint16_t pid)
{
    for (const HidDeviceInfo &d : devices) {
        if (d.vendorId == vid && d.productId == pid)
            return true;
    }
    return false;
}

} // namespace

class TestDeviceHidapi : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_oldDir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        station::setBridgeIds({"FFFE", "FFFD", "FFFE", "FFFD"});
    }
    void cleanupTestCase() { QDir::setCurrent(m_oldDir); }
    void cleanup() { link::install(nullptr); }

    void closedTransport()
    {
        HidapiTransport t;
        QVERIFY(!t.isOpen());
        std::uint8_t report[64] = {0x02};
        QCOMPARE(t.write(report, sizeof report), -1);
        QCOMPARE(t.read(report, sizeof report, 2000), -1);
        QCOMPARE(t.sendFeatureReport(report, 33), -1);
        QCOMPARE(t.getFeatureReport(report, 33), -1);
        t.close();
        t.close();
        QVERIFY(!t.isOpen());
    }

    void openAbsentBoard()
    {
        HidapiTransport t;
        if (listed(t.enumerate(), AbsentVid, AbsentPid))
            QSKIP("a device with the test's absent ids is attached");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!t.open(AbsentVid, AbsentPid));
        QVERIFY(!t.isOpen());
        QVERIFY(clock.elapsed() < 2000);
        // Enumeration works again after a failed open and a close.
        t.close();
        t.enumerate();
    }

    void stationWithoutBoard()
    {
        if (listed(HidapiTransport().enumerate(), AbsentVid, AbsentPid))
            QSKIP("a device with the test's absent ids is attached");
        link::install(std::make_unique<HidapiTransport>());

        MyUsbHid usb;
        QVERIFY(!usb.openDevice());
        QVERIFY(!link::isOpen());
        QCOMPARE(link::connected(), std::uint8_t(0));
        QVERIFY(usb.closeDevice());

        // Even with the flag forced on, no command reaches a device that is not open.
        QMainWindow window;
        Ui::VorlaneClass ui;
        ui.setupUi(&window);
        Settings store;
        HidCommand cmd(&window, &ui, &store);
        link::setConnected(1);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!cmd.readXnYn());
        QCOMPARE(cmd.readCrcVersion(), QString());
        QCOMPARE(cmd.readUsbVersion(), QString());
        QCOMPARE(cmd.readElectric(), 0.0f);
        QCOMPARE(cmd.attbTest(), QStringLiteral("FAIL"));
        QVERIFY(!cmd.setDebugMode());
        cmd.enableInterrupt();
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(ui.textBrowser->toPlainText().isEmpty());
        link::setConnected(0);
    }

    void searchWithoutBoard()
    {
        const std::vector<HidDeviceInfo> devices = HidapiTransport().enumerate();
        if (!devices.empty())
            QSKIP("HID devices are attached to this machine");
        link::install(std::make_unique<HidapiTransport>());
        QFile::remove(QStringLiteral("./log.txt"));
        MyUsbHid usb;
        QVERIFY(!usb.findHidDevice());
        QFile log(QStringLiteral("./log.txt"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray("error2\r\n259\r\n").repeated(10));
    }
};

QTEST_MAIN(TestDeviceHidapi)
#include "tst_device_hidapi.moc"
