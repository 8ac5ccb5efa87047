#include "faultrun.h"

#include <QRegularExpression>
#include <QtTest>

using faults::FaultCase;

namespace {

const QRegularExpression &failureSaid()
{
    static const QRegularExpression failure(QStringLiteral("^(pane\\|.*(FAIL|[Ee]rror|NO ACK|Timeout)|box\\|)"));
    return failure;
}

bool copyFirmware(const StationRun &run)
{
    QDir().mkpath(run.path(QStringLiteral("QlxFiles")));
    return QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/emulator/three-sections.qlx"),
                       run.path(QStringLiteral("QlxFiles/demo.qlx")));
}

// Out and in again: the power-on station starts the next run. The channel
// index from which that run's lines come.
int replug(StationRun &run)
{
    const int removed = run.channel().count(QStringLiteral("pane|HID_Removed!"));
    if (run.command(QStringLiteral("status")) == QLatin1String("ok plugged")) {
        if (run.command(QStringLiteral("unplug")) != QLatin1String("ok unplugged")
            || !run.waitForCount(QStringLiteral("pane|HID_Removed!"), removed + 1, 10000))
            return -1;
    }
    const int from = run.channel().size();
    return run.command(QStringLiteral("plug")) == QLatin1String("ok plugged") ? from : -1;
}

} // namespace

// A board that stops answering mid-run, and a bootloader that refuses a record
// or falls silent during the firmware download the run starts.
class TestFaultsSilent : public QObject
{
    Q_OBJECT

private slots:
    void boardFallsSilent_data()
    {
        QTest::addColumn<QString>("after");
        QTest::newRow("identification") << "pane-reset";
        QTest::newRow("attention line") << "pane|TB_Test";
        QTest::newRow("planeness rows") << "pane|Planeness_Y: Testing";
    }
    void boardFallsSilent()
    {
        QFETCH(QString, after);
        StationRun run;
        QVERIFY(FaultCase::start(run, faults::powerOnProfile()));
        FaultCase station(run);
        QVERIFY(station.goodRunFilesPass());
        const faults::Files before = faults::keptFiles(run);
        const QStringList passedBefore = faults::filesIn(run, "resultsPASS");

        const int from = replug(run);
        QVERIFY(from >= 0);
        const int at = run.waitForPrefix(after, from, 30000);
        QVERIFY2(at >= 0, qPrintable(after));
        QCOMPARE(run.command("fault silent on"), QString("ok fault"));
        // Every unanswered request costs its whole time-out; the window lives on meanwhile.
        QVERIFY(station.waitIdle(60000));
        QCOMPARE(run.command("fault silent off"), QString("ok fault"));

        const QStringList said = run.channel().mid(at + 1);
        QVERIFY2(!said.filter(failureSaid()).isEmpty(), qPrintable(said.join('\n')));
        QVERIFY(!said.contains("pane|PASS"));
        QCOMPARE(faults::filesIn(run, "resultsPASS"), passedBefore);
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run);

        QVERIFY(station.goodRunFilesPass());
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run);
        QCOMPARE(run.closeStation(), 0);
    }

    void bootloaderFails_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("clear");
        QTest::addColumn<QString>("box");
        QTest::newRow("refuses a record") << "fault refuse_record 3" << "fault refuse_record 0"
                                          << "box|Download|HID Download file error";
        QTest::newRow("falls silent") << "fault bootloader_silent_from 2" << "fault bootloader_silent_from 0"
                                      << "box|Download|HID"; // no acknowledgement comes
    }
    void bootloaderFails()
    {
        // Firmware forced at the start of every run: the download runs on its
        // thread while the firmware dialog waits for it.
        QFETCH(QString, fault);
        QFETCH(QString, clear);
        QFETCH(QString, box);
        StationRun run;
        QVERIFY(FaultCase::start(run, faults::powerOnProfile({{"Bootloader_Auto=0", "Bootloader_Auto=1"},
                                                             {"Bootloader_Forced=0", "Bootloader_Forced=1"},
                                                             // what the image downloaded reports
                                                             {"CRC_Version=5A3C", "CRC_Version=6B1D"},
                                                             {"eeprom_Version=V1.0A", "eeprom_Version=V1.1A"}})));
        // Before the first panel comes: the run reads the file when it downloads.
        QVERIFY(copyFirmware(run));
        FaultCase station(run);
        QVERIFY(station.goodRunFilesPass());
        QVERIFY(run.channel().contains("pane|KavelC Initialization complete"));
        const faults::Files before = faults::keptFiles(run);
        const QStringList passedBefore = faults::filesIn(run, "resultsPASS");

        QCOMPARE(run.command(fault), QString("ok fault"));
        const int from = replug(run);
        QVERIFY(from >= 0);
        QVERIFY2(run.waitForPrefix(box, from, 30000) >= 0, qPrintable(run.channel().mid(from).join('\n')));
        // The operator gives up on the dialog; the run ends there.
        QVERIFY(run.waitForPrefix("shown|QDialog|", from, 1000) >= 0);
        QTest::qWait(200);
        QVERIFY(run.operate("close-modal"));
        QVERIFY(station.waitIdle());
        QCOMPARE(run.command(clear), QString("ok fault"));

        QVERIFY(!run.channel().mid(from).contains("pane|PASS"));
        QCOMPARE(faults::filesIn(run, "resultsPASS"), passedBefore);
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run);

        // The next panel downloads whole and passes.
        QVERIFY(station.goodRunFilesPass());
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run);
        QCOMPARE(run.closeStation(), 0);
    }
};

QTEST_GUILESS_MAIN(TestFaultsSilent)
#include "tst_faults_silent.moc"
