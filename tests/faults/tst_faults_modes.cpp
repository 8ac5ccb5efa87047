#include "faultrun.h"

#include <QtTest>

using faults::FaultCase;

// The board pulled while a live mode streams from it, each mode started by its
// button after signing in, as an engineer does: the mode's window closes (or
// times out), the pane says the board left, and after signing out the next
// panel plugged in passes. One station through all modes.
class TestFaultsModes : public QObject
{
    Q_OBJECT

    StationRun m_run;

private slots:
    void initTestCase()
    {
        QVERIFY(FaultCase::start(m_run, faults::powerOnProfile()));
        QVERIFY(FaultCase(m_run).goodRunFilesPass());
    }

    void unplugInLiveMode_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("Nomal touch") << "nomalBtn" << "QDialog";
        QTest::newRow("Debug") << "pushButton" << "QDialog";
        QTest::newRow("InternalM0") << "internalBtn" << "QDialog";
        QTest::newRow("RasterX") << "rasterXBtn" << "QTableWidget";
        QTest::newRow("RasterY") << "rasterYBtn" << "QTableWidget";
        QTest::newRow("internal RasterX") << "InternalRXBtn" << "QTableWidget";
        QTest::newRow("internal RasterY") << "InternalRYBtn" << "QTableWidget";
        QTest::newRow("Btn Data") << "btnDataBtn" << "QDialog";
        QTest::newRow("BtnSignal") << "btnSignalBtn" << "QDialog";
        QTest::newRow("Btn Status") << "btnStatusBtn" << "BtnStatusDlg";
    }
    void unplugInLiveMode()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        FaultCase station(m_run);
        const faults::Files before = faults::keptFiles(m_run);

        int from = m_run.channel().size();
        QVERIFY(m_run.operate("text|lineEdit_5|123456"));
        QVERIFY(m_run.operate("click|dengluBtn"));
        QVERIFY(m_run.waitForPrefix("did|click|dengluBtn", from, 10000) >= 0);
        from = m_run.channel().size();
        QVERIFY(m_run.operate("click|" + button));
        QVERIFY2(m_run.waitForPrefix("did|click|" + button, from, 10000) >= 0,
                 qPrintable(m_run.channel().mid(from).join('\n')));
        QVERIFY(m_run.waitForPrefix("shown|" + window + "|", from, 10000) >= 0);
        QTest::qWait(300); // streaming

        const int removed = m_run.channel().count("pane|HID_Removed!");
        QCOMPARE(m_run.command("unplug"), QString("ok unplugged"));
        QVERIFY(m_run.waitForCount("pane|HID_Removed!", removed + 1, 10000));
        QVERIFY(m_run.waitForPrefix("hidden|" + window + "|", from, 10000) >= 0);
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(m_run);

        // Signed out, the station is a power-on station again.
        from = m_run.channel().size();
        QVERIFY(m_run.operate("click|dengluBtn"));
        QVERIFY2(m_run.waitForPrefix("did|click|dengluBtn", from, 10000) >= 0,
                 qPrintable(m_run.channel().mid(from).join('\n')));
        QVERIFY(station.waitIdle());
        QVERIFY(station.goodRunFilesPass());
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(m_run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(m_run);
    }

    void cleanupTestCase()
    {
        qInfo("longest the window went without its events: %d ms", m_run.worstStall());
        QVERIFY(FaultCase(m_run).stationAlive());
        QCOMPARE(m_run.closeStation(), 0);
    }
};

QTEST_GUILESS_MAIN(TestFaultsModes)
#include "tst_faults_modes.moc"
