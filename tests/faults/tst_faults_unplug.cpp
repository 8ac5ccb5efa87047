#include "faultrun.h"

#include <QtTest>

using faults::FaultCase;

// The board pulled out at moments spread over a full run, in every item and
// in the waits between them, with two profiles: the demo's, and one whose last
// item is the button data (no reset, key status or border item whose own
// failure would hide an earlier hole). One station per profile through all of
// its moments: each time the station says the board left, files no PASS for a
// panel it did not finish, keeps every file it wrote before, and passes a good
// panel once the board is back.
class TestFaultsUnplug : public QObject
{
    Q_OBJECT

    StationRun m_full;
    StationRun m_lean;

private slots:
    void initTestCase()
    {
        QVERIFY(FaultCase::start(m_full, faults::powerOnProfile()));
        QVERIFY(FaultCase::start(m_lean, faults::leanProfile()));
        for (StationRun *run : {&m_full, &m_lean}) {
            // A first panel, so that there is a result to keep.
            QVERIFY(FaultCase(*run, run == &m_full).goodRunFilesPass());
            QCOMPARE(run->command("unplug"), QString("ok unplugged"));
            QVERIFY(run->waitForCount("pane|HID_Removed!", 1, 10000));
        }
    }

    void unplugMidRun_data()
    {
        // The pane line after which the board goes; the item then running is named.
        QTest::addColumn<bool>("lean");
        QTest::addColumn<QString>("after");
        for (const bool lean : {false, true}) {
            const char *profile = lean ? "no reset: " : "demo: ";
            const auto row = [&](const char *moment, const char *after) {
                QTest::newRow(qPrintable(QString::fromLatin1(profile) + QLatin1String(moment))) << lean << after;
            };
            row("run begun, identification", "pane-reset");
            row("versions", "pane|read Electric");
            row("TB", "pane|Read eeprom_Version");
            row("attention line", "pane|TB_Test");
            row("open/short", "pane|Attb Test");
            row("between open/short and planeness", "pane|OpenShort");
            row("planeness X rows", "pane|Planeness_Y: Testing");
            row("between planeness items", "pane|Planeness_Y: PASS");
            row("planeness Y rows", "pane|Planeness_X: Testing");
            row("button data", "pane|Planeness_X: PASS");
            row(lean ? "after the last item" : "reset", "pane|Button Data");
        }
    }
    void unplugMidRun()
    {
        QFETCH(bool, lean);
        QFETCH(QString, after);
        StationRun &m_run = lean ? m_lean : m_full;
        FaultCase fault(m_run, !lean);
        const faults::Files before = faults::keptFiles(m_run);
        const QStringList passedBefore = faults::filesIn(m_run, "resultsPASS");
        const QStringList failedBefore = faults::filesIn(m_run, "resultsFAIL");

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
            QVERIFY(faults::resultFileWhole(faults::readFile(m_run.path("resultsPASS/" + passedNow.last())), !lean));
        } else {
            QVERIFY2(!said.contains("pane|PASS"), qPrintable(said.join('\n')));
            QCOMPARE(passedNow, passedBefore);
            // Once the first item has written its block, what was measured is
            // filed as failed.
            if (after != QLatin1String("pane-reset"))
                QCOMPARE(faults::filesIn(m_run, "resultsFAIL").size(), failedBefore.size() + 1);
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
        for (StationRun *run : {&m_full, &m_lean}) {
            qInfo("longest the window went without its events: %d ms", run->worstStall());
            // The station ends cleanly with its host (no sanitizer report, no crash).
            QVERIFY(faults::FaultCase(*run).stationAlive());
            QCOMPARE(run->closeStation(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestFaultsUnplug)
#include "tst_faults_unplug.moc"
