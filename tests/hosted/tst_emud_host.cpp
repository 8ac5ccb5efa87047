#include "stationrun.h"

#include <QDir>
#include <QtTest>

#include <csignal>

// The host itself, with the real station running under it.
class TestEmudHost : public QObject
{
    Q_OBJECT

    static bool processAlive(qint64 pid) { return pid > 0 && ::kill(pid_t(pid), 0) == 0; }

private slots:
    void plugCyclesLeaveNothingBehind()
    {
        StationRun run;
        QVERIFY(run.start({}));
        const qint64 station = run.stationPid();
        QVERIFY(processAlive(station));
        QDir tmp(run.path("tmp"));
        const QStringList testbeds = tmp.entryList({"umockdev.*"}, QDir::Dirs);
        QCOMPARE(testbeds.size(), 1);
        const QString node = tmp.filePath(testbeds.first() + "/dev/hidraw0");

        // The station saw the board at start-up; each cycle it hears the board
        // leave and come back, and follows before the next cycle, as on a line.
        QVERIFY(run.waitForCount("pane|HID_Arrived!", 1, 10000));
        for (int cycle = 1; cycle <= 50; ++cycle) {
            QCOMPARE(run.command("unplug"), QString("ok unplugged"));
            QVERIFY(!QFileInfo::exists(node));
            QVERIFY2(run.waitForCount("pane|HID_Removed!", cycle, 10000), qPrintable(QString::number(cycle)));
            QCOMPARE(run.command("plug"), QString("ok plugged"));
            QVERIFY(QFileInfo(node).isSymLink());
            QVERIFY2(run.waitForCount("pane|HID_Arrived!", cycle + 1, 10000), qPrintable(QString::number(cycle)));
        }
        QCOMPARE(run.command("status"), QString("ok plugged"));
        QVERIFY(run.hostRunning());
        QVERIFY(processAlive(station));

        run.stop();
        QVERIFY(!run.hostRunning());
        QTRY_VERIFY(!processAlive(station));
        QCOMPARE(tmp.entryList({"umockdev.*"}, QDir::Dirs), QStringList());
    }

    void controlCommandsAreChecked()
    {
        StationRun run;
        StationRun::Options options;
        options.plugged = false;
        QVERIFY(run.start(options));
        QCOMPARE(run.command("status"), QString("ok unplugged"));
        QVERIFY(run.command("fault sideways on").startsWith("error"));
        QVERIFY(run.command("fault nack maybe").startsWith("error"));
        QVERIFY(run.command("panel /no/such/file.ini").startsWith("error"));
        QVERIFY(run.command("latency -5").startsWith("error"));
        QVERIFY(run.command("dance").startsWith("error"));
        QCOMPARE(run.command("fault silent on"), QString("ok fault"));
        QCOMPARE(run.command("plug"), QString("ok plugged"));
        QCOMPARE(run.command("plug"), QString("ok plugged"));
        QCOMPARE(run.command("unplug"), QString("ok unplugged"));
        QCOMPARE(run.command("unplug"), QString("ok unplugged"));
    }

    void stationGoesWhenTheHostDies()
    {
        StationRun run;
        QVERIFY(run.start({}));
        const qint64 station = run.stationPid();
        ::kill(pid_t(run.hostPid()), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!run.hostRunning(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(station), 10000);
    }

    void hostEndsWithTheStationsExitCode()
    {
        StationRun run;
        QVERIFY(run.start({}));
        // The station's own end (here a kill from outside) ends the host too.
        ::kill(pid_t(run.stationPid()), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!run.hostRunning(), 10000);
        QCOMPARE(run.stop(), 128 + SIGKILL);
        QCOMPARE(QDir(run.path("tmp")).entryList({"umockdev.*"}, QDir::Dirs), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestEmudHost)
#include "tst_emud_host.moc"
