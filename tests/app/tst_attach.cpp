#include "modalanswer.h"
#include "stationfixture.h"
#include "vorlane.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QtTest>

namespace {
const QByteArray kProfile = "[General]\nx_electrodes=30\ny_electrodes=20\nx_res=1280\ny_res=800\nInit_time=50\n"
                            "CRC_Version=5A3C\n";

QString pane(Vorlane &w)
{
    return w.findChild<QTextBrowser *>("textBrowser")->toPlainText();
}

// What the interface search left; "none" when it never ran.
QByteArray enumerationLog()
{
    QFile f(QStringLiteral("log.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("none");
}

QString field(Vorlane &w, const char *name)
{
    return w.findChild<QLineEdit *>(name)->text();
}
} // namespace

// How the window meets the board: the start-up probe, arrival, removal and the
// "refresh" read-out, against the emulated board.
class TestAttach : public QObject
{
    Q_OBJECT

private slots:
    void startUpProbeFindsAnAttachedBoard()
    {
        StationFixture station(kProfile);
        Vorlane w;
        QVERIFY(device::link::isOpen());
        QCOMPARE(pane(w).trimmed(), QString("HID_Arrived!"));
        QCOMPARE(field(w, "lineEdit"), QString("W103"));
        QCOMPARE(enumerationLog(), QByteArray()); // the board is the first interface
    }

    void startUpWithoutBoardSaysNothing()
    {
        StationFixture station(kProfile, false);
        Vorlane w;
        QVERIFY(!device::link::isOpen());
        QCOMPARE(pane(w), QString());
        QCOMPARE(enumerationLog(), QByteArray("error2\r\n259\r\n").repeated(10));
    }

    void arrivalOpensOnceAndWaitsForThePanel_data()
    {
        QTest::addColumn<QByteArray>("cf48");
        QTest::addColumn<int>("minimumMs");
        QTest::addColumn<int>("maximumMs");
        QTest::newRow("standard map") << QByteArray("0") << 50 << 900;
        QTest::newRow("alternate map waits a second more") << QByteArray("1") << 1050 << 2500;
    }
    void arrivalOpensOnceAndWaitsForThePanel()
    {
        QFETCH(QByteArray, cf48);
        QFETCH(int, minimumMs);
        QFETCH(int, maximumMs);
        emulator::PanelDescription panel;
        if (cf48 == "1")
            panel.registerMap = emulator::RegisterMap::Alternate;
        StationFixture station(kProfile + "CF48=" + cf48 + "\n", false, panel);
        Vorlane w;
        station.board().plug();
        QFile::remove("log.txt");
        QElapsedTimer timer;
        timer.start();
        w.onDeviceArrived();
        const qint64 took = timer.elapsed();
        QVERIFY(device::link::isOpen());
        QCOMPARE(pane(w).trimmed(), QString("HID_Arrived!"));
        QVERIFY2(took >= minimumMs && took <= maximumMs, qPrintable(QString::number(took)));
        QCOMPARE(enumerationLog(), QByteArray()); // searched, and found at once

        // A second board (or any HID device) arriving while one is open changes nothing.
        w.findChild<QTextBrowser *>("textBrowser")->clear();
        QFile::remove("log.txt");
        timer.restart();
        w.onDeviceArrived();
        QVERIFY(timer.elapsed() < 40);
        QCOMPARE(pane(w), QString());
        QCOMPARE(enumerationLog(), QByteArray("none"));
    }

    void arrivalWithUnreadableVersionReportsIt()
    {
        StationFixture station(kProfile, false);
        Vorlane w;
        emulator::Faults faults;
        faults.silent = true;
        station.board().setFaults(faults);
        station.board().plug();
        w.onDeviceArrived();
        QCOMPARE(pane(w).trimmed(), QString("read Version error!!"));
    }

    void removalClearsTheVersionsAndClosesLiveWindows()
    {
        StationFixture station(kProfile);
        Vorlane w;
        w.On_refreshBtnClicked();
        QCOMPARE(field(w, "lineEdit_6"), QString("5A3C"));
        QCOMPARE(field(w, "XNEdit"), QString("30"));
        auto *table = w.findChild<QTableWidget *>();
        table->show();

        station.board().unplug();
        w.onDeviceRemoved();
        QVERIFY(!device::link::isOpen());
        QCOMPARE(device::link::connected(), std::uint8_t(0));
        QCOMPARE(field(w, "lineEdit"), QString());
        QCOMPARE(field(w, "lineEdit_6"), QString());
        QCOMPARE(field(w, "lineEdit_7"), QString());
        // The counts keep their last values.
        QCOMPARE(field(w, "XNEdit"), QString("30"));
        QVERIFY(!table->isVisible());
        QCOMPARE(pane(w).trimmed(), QString("HID_Removed!"));

        // Nothing open: a second removal notice is ignored.
        w.findChild<QTextBrowser *>("textBrowser")->setText("kept");
        w.onDeviceRemoved();
        QCOMPARE(pane(w), QString("kept"));

        // And it comes back.
        station.board().plug();
        w.onDeviceArrived();
        QVERIFY(device::link::isOpen());
    }

    void refreshReadsThePanelOnce()
    {
        StationFixture station(kProfile);
        Vorlane w;
        auto *refresh = w.findChild<QPushButton *>("refreshBtn");
        bool enabledWhileReading = true;
        connect(w.findChild<QTextBrowser *>("textBrowser"), &QTextBrowser::textChanged, this, [&] {
            if (pane(w).endsWith("reading version..."))
                enabledWhileReading = refresh->isEnabled();
        });
        refresh->click();
        QVERIFY(!enabledWhileReading);
        QVERIFY(refresh->isEnabled());
        QCOMPARE(field(w, "lineEdit"), QString("W103"));
        QCOMPARE(field(w, "lineEdit_6"), QString("5A3C"));
        QCOMPARE(field(w, "lineEdit_7"), QString("V1.0A"));
        QCOMPARE(field(w, "XNEdit"), QString("30"));
        QCOMPARE(field(w, "YResEdit"), QString("800"));
        QVERIFY(pane(w).endsWith("reading version...\nComplete read version !"));
    }

    void refreshStopsAtAnI2cFault_data()
    {
        QTest::addColumn<bool>("nack");
        QTest::addColumn<QString>("text");
        QTest::newRow("no acknowledge") << true << "I2C NO ACK!";
        QTest::newRow("time-out") << false << "I2C Timeout!";
    }
    void refreshStopsAtAnI2cFault()
    {
        QFETCH(bool, nack);
        QFETCH(QString, text);
        StationFixture station(kProfile);
        Vorlane w;
        emulator::Faults faults;
        faults.i2cNack = nack;
        faults.i2cTimeout = !nack;
        station.board().setFaults(faults);
        w.On_refreshBtnClicked();
        const QString html = w.findChild<QTextBrowser *>("textBrowser")->toHtml();
        QVERIFY(pane(w).contains(text));
        QVERIFY2(html.contains("color:#ff0000"), qPrintable(html));
        // Stopped before the EEPROM version and the counts.
        QCOMPARE(field(w, "lineEdit_7"), QString());
        QCOMPARE(field(w, "XNEdit"), QString());
        QVERIFY(pane(w).endsWith("Complete read version !"));
    }

    void refreshWithoutBoard()
    {
        StationFixture station(kProfile, false);
        Vorlane w;
        w.On_refreshBtnClicked();
        QCOMPARE(pane(w), QString("no tp found!!!\nreading version...\nread Version error!!\nComplete read version !"));
    }
};

QTEST_MAIN(TestAttach)
#include "tst_attach.moc"
