#include "faultrun.h"

#include <QRegularExpression>
#include <QtTest>

#include <csignal>

using faults::FaultCase;

namespace {

StationRun::Options restartOptions()
{
    StationRun::Options options;
    options.writeFiles = false;
    options.plugged = false;
    options.panel = faults::panel("demo.ini");
    return options;
}

// Starts the station again on the folder the killed one left; it must come up
// (no single-instance lock left behind) and say nothing is wrong with its files.
bool restart(StationRun &run)
{
    run.stop();
    if (!run.start(restartOptions()))
        return false;
    for (const QString &line : run.channel()) {
        if (line.startsWith(QLatin1String("box|"))) {
            qWarning() << "the restarted station said" << line;
            return false;
        }
    }
    return true;
}

void killStation(StationRun &run)
{
    const qint64 pid = run.stationPid();
    QVERIFY(pid > 0);
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!run.hostRunning(), 10000);
}

// The profile is a settings file: whole when every line is a section, a
// key=value pair, or empty, and both sections are there.
bool profileWhole(const QByteArray &text)
{
    if (!text.contains("[General]") || !text.contains("[ModeSwitch]") || !text.endsWith('\n'))
        return false;
    for (const QByteArray &line : text.split('\n')) {
        const QByteArray l = line.trimmed();
        if (!l.isEmpty() && !l.startsWith('[') && !l.contains('='))
            return false;
    }
    return true;
}

} // namespace

// The station killed (a crash, a power cut) in the middle of a run, of saving
// its profile and station file, and of generating a baseline; and a second
// copy started beside a running one.
class TestFaultsProcess : public QObject
{
    Q_OBJECT

private slots:
    void killedMidRun_data()
    {
        QTest::addColumn<QString>("after");
        QTest::newRow("attention line") << "pane|TB_Test";
        QTest::newRow("planeness rows") << "pane|Planeness_Y: Testing";
    }
    void killedMidRun()
    {
        QFETCH(QString, after);
        StationRun run;
        QVERIFY(FaultCase::start(run, faults::powerOnProfile()));
        QVERIFY(FaultCase(run).goodRunFilesPass());
        const faults::Files before = faults::keptFiles(run);

        const int removed = run.channel().count("pane|HID_Removed!");
        QCOMPARE(run.command("unplug"), QString("ok unplugged"));
        QVERIFY(run.waitForCount("pane|HID_Removed!", removed + 1, 10000));
        const int from = run.channel().size();
        QCOMPARE(run.command("plug"), QString("ok plugged"));
        QVERIFY(run.waitForPrefix(after, from, 30000) >= 0);
        killStation(run);

        // Nothing written before is touched, and the half run left no result.
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(run)));
        QCOMPARE(faults::keptFiles(run).keys(), before.keys());

        QVERIFY(restart(run));
        FaultCase station(run);
        QVERIFY(station.goodRunFilesPass());
        QVERIFY(FaultCase::unchanged(before, faults::keptFiles(run)));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run);
        QCOMPARE(run.closeStation(), 0);
    }

    void killedWhileSavingOnExit_data()
    {
        QTest::addColumn<int>("delayMs");
        for (int delay : {0, 10, 30})
            QTest::newRow(qPrintable(QStringLiteral("%1 ms").arg(delay))) << delay;
    }
    void killedWhileSavingOnExit()
    {
        // Closing the window saves the profile and writes config.txt; the
        // station is killed while it does. Each file is then either as it was
        // or as a clean close writes it, never a mix or a truncation.
        QFETCH(int, delayMs);
        StationRun run;
        QVERIFY(FaultCase::start(run, faults::powerOnProfile({{"RadioBtnIndex=0", "RadioBtnIndex=2"},
                                                             {"Power_On_Test=1", "Power_On_Test=0"}})));
        const QByteArray profileBefore = faults::readFile(run.path("Config/test.ini"));
        const QByteArray stationBefore = faults::readFile(run.path("config.txt"));

        QVERIFY(run.operate("close-window"));
        QTest::qWait(delayMs);
        const qint64 pid = run.stationPid();
        ::kill(pid_t(pid), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!run.hostRunning(), 10000);
        const QByteArray profileAfter = faults::readFile(run.path("Config/test.ini"));
        const QByteArray stationAfter = faults::readFile(run.path("config.txt"));

        // A clean close from the same start gives the new content.
        QVERIFY(restart(run));
        QCOMPARE(run.closeStation(), 0);
        const QByteArray profileSaved = faults::readFile(run.path("Config/test.ini"));
        const QByteArray stationSaved = faults::readFile(run.path("config.txt"));
        QVERIFY(profileWhole(profileSaved));
        QVERIFY(profileAfter == profileBefore || profileAfter == profileSaved);
        QVERIFY(stationAfter == stationBefore || stationAfter == stationSaved);
        QVERIFY(stationSaved.contains("Config/test.ini"));
        // No temporary file of an interrupted save is taken for a profile.
        for (const QString &name : QDir(run.path("Config")).entryList(QDir::Files))
            QVERIFY2(name == "test.ini" || !name.endsWith(".ini"), qPrintable(name));

        // And it starts again on what it left.
        QVERIFY(restart(run));
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run);
        QCOMPARE(run.closeStation(), 0);
    }

    void killedWhileGeneratingBaseline_data()
    {
        QTest::addColumn<int>("delayMs");
        for (int delay : {0, 100, 300})
            QTest::newRow(qPrintable(QStringLiteral("%1 ms").arg(delay))) << delay;
    }
    void killedWhileGeneratingBaseline()
    {
        QFETCH(int, delayMs);
        StationRun run;
        QVERIFY(FaultCase::start(run, faults::powerOnProfile()));
        QVERIFY(FaultCase(run).goodRunFilesPass());
        const QString passed = faults::filesIn(run, "resultsPASS").constFirst();
        const QByteArray result = faults::readFile(run.path("resultsPASS/" + passed));
        // Many good panels collected, so that the generation takes a while.
        for (int i = 0; i < 1500; ++i) {
            QFile f(run.path(QStringLiteral("log/panel-%1.csv").arg(i, 4, 10, QLatin1Char('0'))));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(result) == result.size());
        }
        const QByteArray baselineBefore = faults::readFile(run.path("log/baseline.csv"));

        const auto generate = [&run, &baselineBefore](int killAfterMs) {
            QVERIFY(run.operate("text|lineEdit_5|123456"));
            QVERIFY(run.operate("click|dengluBtn"));
            QVERIFY(run.operate("action|actionReference_value_check"));
            QVERIFY(run.waitForPrefix("shown|GenerateCsv|", 0, 10000) >= 0);
            const int from = run.channel().size();
            QVERIFY(run.operate("press|Generate Files"));
            if (killAfterMs < 0) {
                // Done when the old baseline is replaced.
                QTRY_VERIFY_WITH_TIMEOUT(faults::readFile(run.path("log/baseline.csv")) != baselineBefore, 30000);
                QVERIFY(run.operate("close-modal"));
                QVERIFY(run.waitForPrefix("hidden|GenerateCsv|", from, 10000) >= 0);
                return;
            }
            QVERIFY(run.waitForPrefix("did|press|Generate Files", from, 10000) >= 0);
            QTest::qWait(killAfterMs);
            killStation(run);
        };
        generate(delayMs);
        if (QTest::currentTestFailed())
            return;
        const QByteArray baselineAfter = faults::readFile(run.path("log/baseline.csv"));

        // The generation finished cleanly in a copy of the same folder gives the new baseline.
        QVERIFY(restart(run));
        FaultCase station(run);
        QByteArray baselineNew;
        if (baselineAfter == baselineBefore) {
            generate(-1);
            if (QTest::currentTestFailed())
                return;
            baselineNew = faults::readFile(run.path("log/baseline.csv"));
            QVERIFY(baselineNew != baselineBefore);
        } else {
            baselineNew = baselineAfter;
        }
        // Either the old baseline or a whole new one: as many lines as the old,
        // each with its full count of values.
        const QList<QByteArray> oldLines = baselineBefore.trimmed().split('\n');
        const QList<QByteArray> newLines = baselineNew.trimmed().split('\n');
        QCOMPARE(newLines.size(), oldLines.size());
        for (int i = 0; i < oldLines.size(); ++i)
            QCOMPARE(newLines[i].count(','), oldLines[i].count(','));
        QVERIFY(baselineAfter == baselineBefore || baselineAfter == baselineNew);
        for (const QString &name : QDir(run.path("log")).entryList(QDir::Files))
            QVERIFY2(name == "baseline.csv" || name.startsWith("panel-"), qPrintable(name));

        // The station works on with what it has: a run against the baseline passes.
        QVERIFY(run.operate("click|dengluBtn"));
        QVERIFY(station.goodRunFilesPass());
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run);
        QCOMPARE(run.closeStation(), 0);
    }

    void secondCopyIsTurnedAway()
    {
        StationRun run;
        QVERIFY(FaultCase::start(run, faults::powerOnProfile()));
        // Started while the first one is in the middle of a run.
        const int from = run.channel().size();
        QCOMPARE(run.command("plug"), QString("ok plugged"));
        QVERIFY(run.waitForPrefix("pane|Attb Test", from, 30000) >= 0);
        QCOMPARE(run.startSecondCopy("second.txt"), 0);
        const QStringList second = [&run] {
            QFile f(run.path("second.txt"));
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                               : QStringList();
        }();
        QVERIFY2(second.contains("box|warning|gui is running !"), qPrintable(second.join('\n')));
        QVERIFY(!second.contains("window|shown"));

        // The first finishes its run, and the next one, undisturbed.
        QVERIFY(run.waitForCount("pane|PASS", 1, 30000));
        FaultCase station(run);
        QVERIFY(station.waitIdle());
        QVERIFY(station.goodRunFilesPass());
        QCOMPARE(faults::filesIn(run, "resultsPASS").size(), 2);
        FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run);
        QCOMPARE(run.closeStation(), 0);
    }
};

QTEST_GUILESS_MAIN(TestFaultsProcess)
#include "tst_faults_process.moc"
