#include "faultrun.h"

#include <QRegularExpression>
#include <QtTest>

using faults::FaultCase;

#ifndef FAULT_NAME
#error FAULT_NAME names the bridge fault this executable injects (nack or timeout)
#endif

// The panel's I2C answers fail (no acknowledge, or the bridge's time-out) from
// the moment one item of the run starts: the run says so and files no PASS,
// the station stays responsive and keeps its files, and once the fault is
// cleared the next panel passes. One station through all items.
class TestFaultsI2c : public QObject
{
    Q_OBJECT

    StationRun m_run;

private slots:
    void initTestCase()
    {
        QVERIFY(FaultCase::start(m_run, faults::powerOnProfile()));
        QVERIFY(FaultCase(m_run).goodRunFilesPass());
    }

    void faultFromItem_data()
    {
        // The pane line after which the fault goes on, just before the item.
        QTest::addColumn<QString>("after");
        QTest::newRow("identification") << "pane-reset";
        QTest::newRow("versions") << "pane|read Electric";
        QTest::newRow("TB") << "pane|Read eeprom_Version";
        QTest::newRow("attention line") << "pane|TB_Test";
        QTest::newRow("open/short") << "pane|Attb Test";
        QTest::newRow("planeness X") << "pane|Planeness_Y: Testing";
        QTest::newRow("planeness Y") << "pane|Planeness_X: Testing";
        // The reset item follows the button data line at once, so the fault is on
        // for both here: there is no moment between them to place it.
        QTest::newRow("button data and reset") << "pane|Planeness_X: PASS";
    }
    void faultFromItem()
    {
        QFETCH(QString, after);
        const QString fault = QStringLiteral(FAULT_NAME);
        FaultCase station(m_run);
        const faults::Files before = faults::keptFiles(m_run);
        const QStringList passedBefore = faults::filesIn(m_run, "resultsPASS");

        // Out and in again starts the next run.
        const int removed = m_run.channel().count("pane|HID_Removed!");
        QCOMPARE(m_run.command("unplug"), QString("ok unplugged"));
        QVERIFY(m_run.waitForCount("pane|HID_Removed!", removed + 1, 10000));
        const int from = m_run.channel().size();
        QCOMPARE(m_run.command("plug"), QString("ok plugged"));
        const int at = m_run.waitForPrefix(after, from, 30000);
        QVERIFY2(at >= 0, qPrintable(after));
        QCOMPARE(m_run.command("fault " + fault + " on"), QString("ok fault"));
        QVERIFY(station.waitIdle());
        QCOMPARE(m_run.command("fault " + fault + " off"), QString("ok fault"));

        // What the item said: a failed item, an error in the pane or a box.
        const QStringList said = m_run.channel().mid(at + 1);
        static const QRegularExpression failure(QStringLiteral("^(pane\\|.*(FAIL|[Ee]rror|NO ACK|Timeout)|box\\|)"));
        QVERIFY2(!said.filter(failure).isEmpty(), qPrintable(said.join('\n')));
        QVERIFY2(!said.contains("pane|PASS"), qPrintable(said.join('\n')));
        QCOMPARE(faults::filesIn(m_run, "resultsPASS"), passedBefore);
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(m_run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(m_run);

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

QTEST_GUILESS_MAIN(TestFaultsI2c)
#include "tst_faults_i2c.moc"
