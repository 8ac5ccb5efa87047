#include "faultrun.h"

#include <QRegularExpression>
#include <QtTest>

using faults::FaultCase;

#ifndef FAULT_NAME
#error FAULT_NAME names the bridge fault this executable injects (nack or timeout)
#endif

#ifdef FAULT_LEAN
// The profile without the reset, key status and border items, whose own
// failure would hide an earlier hole: its last item is the button data.
constexpr bool Lean = true;
#else
constexpr bool Lean = false;
#endif

// The panel's I2C answers fail (no acknowledge, or the bridge's time-out) from
// the moment one item of the run starts, or for one item's transfers only:
// the run says so, files what was measured as failed and no PASS, the station
// stays responsive and keeps its files, and once the fault is cleared the next
// panel passes. One station through all cases.
class TestFaultsI2c : public QObject
{
    Q_OBJECT

    StationRun m_run;

    // What the folders hold before a case; then the board goes out, so that
    // plugging it in again starts the case's run.
    struct Before
    {
        faults::Files files;
        QStringList passed, failed;
    };
    void unplugNoting(Before &before)
    {
        before = {faults::keptFiles(m_run), faults::filesIn(m_run, "resultsPASS"),
                  faults::filesIn(m_run, "resultsFAIL")};
        const int removed = m_run.channel().count("pane|HID_Removed!");
        QCOMPARE(m_run.command("unplug"), QString("ok unplugged"));
        QVERIFY(m_run.waitForCount("pane|HID_Removed!", removed + 1, 10000));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(FaultCase::start(m_run, Lean ? faults::leanProfile() : faults::powerOnProfile()));
        QVERIFY(FaultCase(m_run, !Lean).goodRunFilesPass());
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
        QTest::newRow("between open/short and planeness") << "pane|OpenShort";
        QTest::newRow("planeness X") << "pane|Planeness_Y: Testing";
        QTest::newRow("between planeness items") << "pane|Planeness_Y: PASS";
        QTest::newRow("planeness Y") << "pane|Planeness_X: Testing";
        // With the reset item, it follows the button data line at once, so the
        // fault is on for both here: there is no moment between them to place it.
        QTest::newRow(Lean ? "button data" : "button data and reset") << "pane|Planeness_X: PASS";
    }
    void faultFromItem()
    {
        QFETCH(QString, after);
        const QString fault = QStringLiteral(FAULT_NAME);
        FaultCase station(m_run, !Lean);
        Before kept;
        unplugNoting(kept);
        if (QTest::currentTestFailed())
            return;
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
        // Every run that began ends with its verdict on the pane.
        QVERIFY2(said.contains("pane|FAIL"), qPrintable(said.join('\n')));
        QCOMPARE(faults::filesIn(m_run, "resultsPASS"), kept.passed);
        // Once the first item has written its block, what was measured is filed as failed.
        const QStringList failedNow = faults::filesIn(m_run, "resultsFAIL");
        if (after != QLatin1String("pane-reset")) {
            QCOMPARE(failedNow.size(), kept.failed.size() + 1);
            QVERIFY(faults::readFile(m_run.path("resultsFAIL/" + failedNow.last())).startsWith("Electric,"));
        }
        QVERIFY(FaultCase::unchanged(kept.files, faults::keptFiles(m_run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(m_run);

        QVERIFY(station.goodRunFilesPass());
        QVERIFY(FaultCase::unchanged(kept.files, faults::keptFiles(m_run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(m_run);
    }

    // The panel refuses one item's transfers for a whole run: that item fails
    // on its own line, and the run with it.
    void refusedSpot_data()
    {
        QTest::addColumn<QString>("spot"); // as the control socket takes it
        QTest::addColumn<QString>("line"); // the channel line of the failed item
        QTest::addColumn<bool>("filed");   // something was measured before it
        const bool nack = QStringLiteral(FAULT_NAME) == QLatin1String("nack");
        QTest::newRow("identification") << "window:information" << "box|error|read XN,YN error!" << false;
        QTest::newRow("CRC") << "0x3E" << (nack ? "pane|I2C NO ACK!" : "pane|I2C Timeout!") << true;
        QTest::newRow("EEPROM") << "0x40" << "pane|read eeprom_Version: FAIL" << true;
        QTest::newRow("TB") << "0x3B" << "pane|TB_Test: FAIL" << true;
        QTest::newRow("attention") << "0x34" << "pane|Attb Test:FAIL" << true;
        QTest::newRow("open/short") << "window:debug" << "pane|OpenShort: FAIL" << true;
        QTest::newRow("planeness X") << "window:raster" << "pane|Planeness_Y: FAIL" << true;
        QTest::newRow("planeness Y") << "window:internal_raster" << "pane|Planeness_X: FAIL" << true;
        QTest::newRow("button data") << "0x2B" << "pane|Button Data: FAIL" << true;
        if (!Lean)
            QTest::newRow("reset") << "bootloader" << "pane|Reset:FAIL" << true;
    }
    void refusedSpot()
    {
        QFETCH(QString, spot);
        QFETCH(QString, line);
        QFETCH(bool, filed);
        const QString command = QStringLiteral("fault " FAULT_NAME "_at ");
        FaultCase station(m_run, !Lean);
        Before kept;
        unplugNoting(kept);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_run.command(command + spot), QString("ok fault"));
        const int from = m_run.channel().size();
        QCOMPARE(m_run.command("plug"), QString("ok plugged"));
        const int at = m_run.waitForPrefix(line, from, 30000);
        QVERIFY2(at >= 0, qPrintable(m_run.channel().mid(from).join('\n')));
        QVERIFY(m_run.waitForPrefix("pane|FAIL", at, 30000) >= 0);
        QVERIFY(station.waitIdle());
        QCOMPARE(m_run.command(command + "off"), QString("ok fault"));

        const QStringList said = m_run.channel().mid(from);
        QVERIFY2(!said.contains("pane|PASS"), qPrintable(said.join('\n')));
        QCOMPARE(faults::filesIn(m_run, "resultsPASS"), kept.passed);
        QCOMPARE(faults::filesIn(m_run, "resultsFAIL").size(), kept.failed.size() + (filed ? 1 : 0));
        QVERIFY(FaultCase::unchanged(kept.files, faults::keptFiles(m_run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(m_run);

        QVERIFY(station.goodRunFilesPass());
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
