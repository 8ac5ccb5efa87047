#include "faultrun.h"

#include <QtTest>

using faults::FaultCase;

// The board pulled out at ten moments spread over a full run, one station
// through all of them: each time the station says the board left, keeps every
// file it wrote before, and passes a good panel once the board is back.
class TestFaultsUnplug : public QObject
{
    Q_OBJECT

    StationRun m_run;

private slots:
    void initTestCase()
    {
        QVERIFY(FaultCase::start(m_run, faults::powerOnProfile()));
        // A first panel, so that there is a result to keep.
        QVERIFY(FaultCase(m_run).goodRunFilesPass());
        QCOMPARE(m_run.command("unplug"), QString("ok unplugged"));
        QVERIFY(m_run.waitForCount("pane|HID_Removed!", 1, 10000));
    }

    void unplugMidRun_data()
    {
        // The pane line after which the board goes; the item then running is named.
        QTest::addColumn<QString>("after");
        QTest::newRow("run begun, identification") << "pane-reset";
        QTest::newRow("versions") << "pane|read Electric";
        QTest::newRow("TB") << "pane|Read eeprom_Version";
        QTest::newRow("attention line") << "pane|TB_Test";
        QTest::newRow("open/short") << "pane|Attb Test";
        QTest::newRow("planeness X rows") << "pane|Planeness_Y: Testing";
        QTest::newRow("between planeness items") << "pane|Planeness_Y: PASS";
        QTest::newRow("planeness Y rows") << "pane|Planeness_X: Testing";
        QTest::newRow("button data") << "pane|Planeness_X: PASS";
        QTest::newRow("reset") << "pane|Button Data";
    }
    void unplugMidRun()
    {
        QFETCH(QString, after);
        FaultCase fault(m_run);
        const faults::Files before = faults::keptFiles(m_run);
        const QStringList passedBefore = faults::filesIn(m_run, "resultsPASS");

        // The board is out after the last case; plugging it in starts a run.
        QCOMPARE(m_run.command("status"), QString("ok unplugged"));
        const int from = m_run.channel().size();
        const int removed = m_run.channel().count("pane|HID_Removed!");
        QCOMPARE(m_run.command("plug"), QString("ok plugged"));
        const int at = m_run.waitForPrefix(after, from, 30000);
        QVERIFY2(at >= 0, qPrintable(after));
        QCOMPARE(m_run.command("unplug"), QString("ok unplugged"));

        // The pane says the board left, and the run ends without a PASS, unless
        // the board went only after the verdict (the last moments are close to it).
        QVERIFY(m_run.waitForCount("pane|HID_Removed!", removed + 1, 10000));
        QVERIFY(fault.waitIdle());
        const QStringList said = m_run.channel().mid(at);
        const QStringList passedNow = faults::filesIn(m_run, "resultsPASS");
        const qsizetype verdict = said.indexOf("pane|PASS");
        if (verdict >= 0 && verdict < said.indexOf("pane|HID_Removed!")) {
            QCOMPARE(passedNow.size(), passedBefore.size() + 1);
            QVERIFY(faults::resultFileWhole(faults::readFile(m_run.path("resultsPASS/" + passedNow.last()))));
        } else {
            QVERIFY2(!said.contains("pane|PASS"), qPrintable(said.join('\n')));
            QCOMPARE(passedNow, passedBefore);
        }
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(m_run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(m_run);

        QVERIFY(fault.goodRunFilesPass());
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(m_run)));
        QCOMPARE(m_run.command("unplug"), QString("ok unplugged"));
        QVERIFY(m_run.waitForCount("pane|HID_Removed!", removed + 2, 10000));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(m_run);
    }

    void cleanupTestCase()
    {
        qInfo("longest the window went without its events: %d ms", m_run.worstStall());
        // The station ends cleanly with its host (no sanitizer report, no crash).
        QVERIFY(faults::FaultCase(m_run).stationAlive());
        QCOMPARE(m_run.closeStation(), 0);
    }
};

QTEST_GUILESS_MAIN(TestFaultsUnplug)
#include "tst_faults_unplug.moc"
